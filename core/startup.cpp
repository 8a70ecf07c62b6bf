/*
 * startup.cpp - start-up and shutdown of the program, step by step.
 *
 * Relies on the platform layer for assigns, the break signal and the
 * instance socket, on the document lists, the catalog and the configuration
 * file. Requirement failures print a fixed English line to standard output
 * (they are not catalog texts) and end the program with its code.
 */
#include "core/startup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <unistd.h>

#include "core/config.h"
#include "core/mainloop.h"
#include "core/settings.h"
#include "document/archive.h"
#include "document/headlines.h"
#include "document/pagelist.h"
#include "gui/localisation.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "platform/fontinstall.h"
#include "view/geometry.h"
#include "platform/assign.h"
#include "platform/breaksignal.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/instance.h"
#include "platform/mempool.h"
#include "platform/strutil.h"
#include "platform/system.h"
#include "text/utilities.h"

const char VersionString[] = "$VER: Pagimo V1.00 (06.12.2026)";

/* ------------------------------------------------------------ tool types */

/* Every argument is one tool type; an argument without "=" is a name with
 * an empty value. */
ToolTypes ReadToolTypes(int argc, char **argv)
{
    ToolTypes tt;
    for (int i = 1; i < argc; i++)
        tt.push_back(argv[i]);
    return tt;
}

/* The value of the named tool type, or null when it is absent. */
const char *FindToolType(const ToolTypes &tt, const char *name)
{
    size_t len = std::strlen(name);
    for (const std::string &t : tt) {
        if (Strnicmp(t.c_str(), name, len) != 0)
            continue;
        if (t[len] == '=')
            return t.c_str() + len + 1;
        if (t[len] == '\0')
            return t.c_str() + len;
    }
    return nullptr;
}

static void CopyToolType(const ToolTypes &tt, const char *name, char *field, size_t size)
{
    const char *v = FindToolType(tt, name);
    if (v)
        Strlcpy(field, v, size);
}

/* Leading blanks, an optional sign, then digits up to the first other
 * character; no digits give 0. */
static int32_t ReadNumber(const char *s)
{
    while (*s == ' ' || *s == '\t')
        s++;
    int sign = 1;
    if (*s == '+' || *s == '-')
        sign = *s++ == '-' ? -1 : 1;
    int64_t v = 0;
    while (*s >= '0' && *s <= '9' && v < 0x80000000LL)
        v = v * 10 + (*s++ - '0');
    if (v > 0x7FFFFFFFLL)
        v = 0x7FFFFFFFLL;
    return int32_t(sign * v);
}

static void PrintSettings(void)
{
    DebugPrint("-> Tool types: Debug=%d DataPath=<%s> PDFPath=<%s> TempPath=<%s>\n", Debug,
               DataPath, PDFPath, TempPath);
    DebugPrint("   LocalImages=%d PColor=%d iSpellLanguage=<%s>\n", LocalImages, PCReg, Language);
}

/* An argument that is no tool type but a project file: "NAME.pfz" or
 * "NAME.ptz", or any other existing file without "=" in its name. */
static void FindStartupProject(const ToolTypes &tt)
{
    StartupProject[0] = '\0';
    for (const std::string &t : tt) {
        size_t len = t.size();
        bool archive = len > 4 && (!Stricmp(t.c_str() + len - 4, ".pfz") || !Stricmp(t.c_str() + len - 4, ".ptz"));
        if (archive || (t.find('=') == std::string::npos && FileKindOf(t.c_str()) == FK_FILE)) {
            char full[1024];
            if (t[0] != '/' && getcwd(full, sizeof(full)))
                Strlcpy(StartupProject, (std::string(full) + "/" + t).c_str(), sizeof(StartupProject));
            else
                Strlcpy(StartupProject, t.c_str(), sizeof(StartupProject));
        }
    }
}

/* Steps 3 to 7 of the start-up. An absent "DataPath" leaves DataPath empty,
 * so the program's directory takes its place later; an absent "PDFPath"
 * leaves PDFPath empty: the PDF requester then starts in DataPath. */
void ApplyToolTypes(const ToolTypes &tt)
{
    const char *v = FindToolType(tt, "Debug");
    if (v && !Stricmp(v, "Off"))
        Debug = 0;
    CopyToolType(tt, "DataPath", DataPath, sizeof(DataPath));
    CopyToolType(tt, "PDFPath", PDFPath, sizeof(PDFPath));
    CopyToolType(tt, "TempPath", TempPath, sizeof(TempPath));
    if (!PathExists(DataPath))
        DataPath[0] = '\0';
    v = FindToolType(tt, "LocalImages");
    LocalImages = v && !Stricmp(v, "True");
    v = FindToolType(tt, "PColor");
    PCReg = v ? ReadNumber(v) : 2;
    v = FindToolType(tt, "iSpellLanguage");
    Strlcpy(Language, v ? v : "Deutsch", sizeof(Language));
    FindStartupProject(tt);
    PrintSettings();
}

/* ------------------------------------------------------------ version */

/* "$VER: <name> Vn.nn (dd.mm.yyyy)" gives VNumber "Vn.nn", VDate
 * "dd.mm.yyyy" and Version "PagimoOS4 Vn.nn yyyy". */
void MakeVersionTexts(void)
{
    const char *p = std::strchr(VersionString + 6, ' ');
    p = p ? p + 1 : VersionString;
    std::snprintf(VNumber, sizeof(VNumber), "%.5s", p);
    const char *d = std::strchr(p, '(');
    std::snprintf(VDate, sizeof(VDate), "%.10s", d ? d + 1 : "");
    std::snprintf(Version, sizeof(Version), "PagimoOS4 %s %s", VNumber, VDate + 6);
}

/* ------------------------------------------------------------ running */

/* Step 21: the first page with its tab, and the temporary folders. */
static void AddFirstPage(void)
{
    GadgetSetLabels(GID_PAGE_SECTION, page_section, 1);
    char *label = AllocString(GetString(&localeinfo, 27), 1, 0);
    GUIAddClickTab(&ClickTabLists[0], GID_PROJ_PAGES, label ? label : "", ProjectPage(), WIN_PROJECT);
    FreeString(label);
    AddPageList(nullptr);
    CreateProjectStructure();
}

/* Steps 17 to 23: the windows, the main loop and their closing. */
static void RunWindows(void)
{
    MsgPort *SPort = nullptr;
    InitLists();
    if (!InitGui(&SPort))
        return;
    LocalizeChooser();
    LocalizeRadioButtons();
    MenuStrip = GUIOpenScreen() ? InitMenu(LocalImages) : nullptr;
    if (!MenuStrip) {
        GUICloseScreen();
        return;
    }
    LoadConfig();
    InstallFonts();
    LookforTTFonts();
    if (GUIOpenWindow(WIN_PROJECT, MenuStrip, SPort, false, 0)) {
        AddFirstPage();
        MainLoop(MenuStrip, SPort);
        GUIRemoveAllClickTabs(&ClickTabLists[0], GID_PROJ_PAGES);
        GUICloseWindow(WIN_PROJECT, false);
        FreeLists(3);
    }
    GUICloseScreen();
    SaveConfig();
    DisposeMenu(MenuStrip);
    MenuStrip = nullptr;
    PlatformGuiExit();
    FreeGui(SPort);
}

static void CleanUp(void)
{
    CloseLocalisation();
    FreeLists(0);
    FreeLists(2);
    FreeLists(3);
    PoolDelete(APMemPool);
    APMemPool = nullptr;
    RemoveProjectStructure();
    AssignPath("PGT:", nullptr);
    DeleteFile("T:Tarvel-Mivra.txt");
}

/* The start-up checks of steps 10 to 16; a non-negative result ends the
 * program with that code. The archive library is linked into the program,
 * so the check for the external zip and unzip always passes. */
static int CheckRequirements(void)
{
    MakeVersionTexts();
    if (!FileExists("tbimages:")) {
        std::printf("Pagimo needs AISS! Sorry!\n");
        return 0;
    }
    Strlcpy(PagiPath, ProgramDirectory().c_str(), sizeof(PagiPath));
    if (!DataPath[0] || !PathExists(DataPath)) {
        Strlcpy(DataPath, PagiPath, sizeof(DataPath));
        DebugPrint("  DataPath=<%s>\n", DataPath);
    }
    if (!SystemRecentEnough()) {
        std::printf("Pagimo needs OS4.1FEu2 and greater!  Sorry!\n");
        return 1;
    }
    APMemPool = PoolCreate();
    if (!APMemPool) {
        std::printf("Pagimo can not allocate memory!  Sorry!\n");
        return 1;
    }
    AssignPath("PGT:", IsDirectory(TempPath) ? TempPath : "T:");
    return -1;
}

/* ------------------------------------------------------------ the PDF job */

/* "--pdf OUT" anywhere among the arguments; both are taken out. */
static bool TakePdfOption(ToolTypes &tt, char *out, size_t size)
{
    for (size_t i = 0; i < tt.size(); i++) {
        if (tt[i] != "--pdf")
            continue;
        if (i + 1 >= tt.size())
            return out[0] = '\0', true;
        Strlcpy(out, tt[i + 1].c_str(), size);
        tt.erase(tt.begin() + long(i), tt.begin() + long(i) + 2);
        return true;
    }
    return false;
}

static int RunExportJob(const char *out);

/* Opens the project and exports it without showing a window: the main
 * window is laid out on the offscreen platform only so that the page lies
 * where the page view would put it. Messages go to standard output. */
static int ExportJob(const char *out)
{
    PdfBatch = true;
    RequesterSetPrint(true);
    if (!out[0] || !StartupProject[0]) {
        std::printf("Usage: pagimo --pdf OUT.pdf PROJECT.pfz [TOOLTYPE=VALUE ...]\n");
        return 1;
    }
    /* A working area of its own: a window of Pagimo may be using PGT:PAG4. */
    std::string area = HostPath("T:") + "/job-XXXXXX";
    if (!mkdtemp(area.data())) {
        std::printf("%s\n", std::strerror(errno));
        return 1;
    }
    AssignPath("PGT:", area.c_str());
    int rc = RunExportJob(out);
    RemoveProjectStructure();
    DeleteAll(area.c_str());
    return rc;
}

static int RunExportJob(const char *out)
{
    MsgPort *SPort = nullptr;
    InitLists();
    if (!InitGui(&SPort))
        return 1;
    LocalizeChooser();
    LocalizeRadioButtons();
    PlatformSetPalette(defCColors);
    InstallFonts();
    LookforTTFonts();
    MenuStrip = InitMenu(false);
    /* Without PAGIMO_SCREEN the page lies as on the screen it was saved on. */
    ScreenWidth = ScreenHeight = 0;
    if (std::getenv("PAGIMO_SCREEN"))
        PlatformScreenSize(&ScreenWidth, &ScreenHeight);
    CreateProjectStructure();
    /* Laid out before reading, so the elements follow the page's place. */
    if (ScreenWidth && MenuStrip)
        GUIOpenWindow(WIN_PROJECT, MenuStrip, SPort, false, 0);
    int rc = OpenProjectPath(StartupProject) == 0 ? 0 : 1;
    if (!ScreenWidth) {
        ScreenWidth = PDaten.width ? PDaten.width : 1920;
        ScreenHeight = PDaten.height ? PDaten.height : 1200;
    }
    if (rc == 0 && MenuStrip && (win[WIN_PROJECT] || GUIOpenWindow(WIN_PROJECT, MenuStrip, SPort, false, 0))) {
        HLManager(); /* the outline shows what the table of contents lists */
        CreateEmptyPage(PDaten.pageformat);
        DeleteFile(out);
        rc = ExportProject(out, xstart, ystart, xend, yend) ? 0 : 1;
    } else {
        rc = 1;
    }
    if (win[WIN_PROJECT])
        GUICloseWindow(WIN_PROJECT, false);
    DisposeMenu(MenuStrip);
    MenuStrip = nullptr;
    PlatformGuiExit();
    FreeGui(SPort);
    return rc;
}

int PagimoMain(int argc, char **argv)
{
    AssignInit();
    ToolTypes tt = ReadToolTypes(argc, argv);
    char pdfout[1024] = "";
    bool job = TakePdfOption(tt, pdfout, sizeof(pdfout));
    if (job)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    FindStartupProject(tt);
    if (!job) {
        int inst = InstanceStart(StartupProject);
        if (inst == INSTANCE_HANDED_OVER)
            return 0;
        if (inst == INSTANCE_NO_ANSWER) {
            std::fprintf(stderr, "Pagimo is running already but does not answer.\n");
            return 1;
        }
    }
    ApplyToolTypes(tt);
    int rc = CheckRequirements();
    if (rc >= 0) {
        InstanceEnd();
        std::fflush(stdout);
        return rc;
    }
    InitLocalisation();
    BreakInit();
    if (job) {
        rc = ExportJob(pdfout);
    } else {
        RunWindows();
        rc = 0;
    }
    CleanUp();
    InstanceEnd(); /* only now may another start take over the working area */
    std::fflush(stdout);
    return rc;
}
