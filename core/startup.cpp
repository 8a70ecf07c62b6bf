/*
 * startup.cpp - start-up and shutdown of the program, step by step.
 *
 * Relies on the platform layer for assigns, the break signal and the
 * instance socket, on the document lists, the catalog and the configuration
 * file. Requirement failures print a fixed English line to standard output
 * (they are not catalog texts) and end the program with its code; the PDF
 * job prints them on standard error and ends with 1. A path that does not
 * fit its field ends the start with a message: cut short, it would name
 * another file.
 */
#include "core/startup.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <unistd.h>
#include <vector>

#include "core/config.h"
#include "core/mainloop.h"
#include "core/settings.h"
#include "document/archive.h"
#include "document/headlines.h"
#include "document/history.h"
#include "document/pagelist.h"
#include "gui/localisation.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "pdf/pdffonts.h"
#include "pdf/pdfmerge.h"
#include "platform/fontinstall.h"
#include "view/geometry.h"
#include "platform/assign.h"
#include "platform/breaksignal.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/instance.h"
#include "platform/leftovers.h"
#include "platform/mempool.h"
#include "platform/strutil.h"
#include "platform/system.h"
#include "text/arexxtools.h"
#include "text/spellcheck.h"
#include "text/utilities.h"

const char VersionString[] = "$VER: Pagimo V1.00 (06.12.2026)";

static bool job_mode;          /* the start is the PDF job of "--pdf" */
static std::string refused;    /* a path from the command line that does not fit */
static int startup_projects;   /* projects named on the command line; the last opens */
static std::string merge_table; /* the table of "--merge": the job merges it */
static size_t slice_from, slice_to; /* "--records FROM-TO"; 0 for the whole table */

/* ------------------------------------------------------------ options */

static const char Usage[] =
    "Usage: pagimo [PROJECT.pfz] [TOOLTYPE=VALUE ...]\n"
    "       pagimo --pdf OUT.pdf PROJECT.pfz [TOOLTYPE=VALUE ...]\n"
    "       pagimo --pdf OUT.pdf --merge TABLE.csv PROJECT.pfz   (one PDF of all records)\n"
    "       pagimo --pdf 'DIR/{Field}.pdf' --merge TABLE.csv PROJECT.pfz   (one PDF per record)\n"
    "       pagimo --pdf ... --merge TABLE.csv --records FROM-TO PROJECT.pfz   (those records only)\n"
    "       pagimo --help | --version\n"
    "Tool types: Debug=Off|On DataPath=DIR PDFPath=DIR TempPath=DIR LocalImages=True\n"
    "            PColor=N iSpellLanguage=NAME\n";

/* "--help", "--version" and unknown options end the start at once; -1
 * lets it go on. "--pdf" is taken out before. */
static int HandleOptions(const ToolTypes &tt)
{
    for (const std::string &t : tt) {
        if (t == "--help" || t == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (t == "--version") {
            std::printf("%s\n", VersionString + 6);
            return 0;
        }
        if (t.size() > 1 && t[0] == '-') {
            std::fprintf(stderr, "pagimo: unknown option %s\n%s", t.c_str(), Usage);
            return 1;
        }
    }
    return -1;
}

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

/* A value that does not fit its field is refused, never cut. */
static void CopyToolType(const ToolTypes &tt, const char *name, char *field, size_t size)
{
    const char *v = FindToolType(tt, name);
    if (v && std::strlen(v) >= size)
        refused = v;
    else if (v)
        Strlcpy(field, v, size);
}

static bool CopyPath(char *field, size_t size, const std::string &path)
{
    if (path.size() >= size) {
        refused = path;
        return false;
    }
    Strlcpy(field, path.c_str(), size);
    return true;
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
    startup_projects = 0;
    for (const std::string &t : tt) {
        size_t len = t.size();
        bool archive = len > 4 && (!Stricmp(t.c_str() + len - 4, ".pfz") || !Stricmp(t.c_str() + len - 4, ".ptz"));
        if (archive || (t.find('=') == std::string::npos && FileKindOf(t.c_str()) == FK_FILE)) {
            startup_projects++;
            char full[4096];
            if (t[0] != '/' && getcwd(full, sizeof(full)))
                CopyPath(StartupProject, sizeof(StartupProject), std::string(full) + "/" + t);
            else
                CopyPath(StartupProject, sizeof(StartupProject), t);
        }
    }
}

/* Steps 3 to 7 of the start-up. An absent "DataPath" leaves DataPath empty,
 * so the program's directory takes its place later; an absent "PDFPath"
 * leaves PDFPath empty: the PDF requester then starts in DataPath. False
 * when a path does not fit its field. */
bool ApplyToolTypes(const ToolTypes &tt)
{
    refused.clear();
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
    return refused.empty();
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
    SpellcheckerManager(SPELL_START, nullptr, nullptr, nullptr);
    AddPageList(nullptr);
    CreateProjectStructure();
}

/* Steps 17 to 23: the windows, the main loop and their closing. */
static void RunWindows(void)
{
    MsgPort *SPort = nullptr;
    SweepLeftovers(HostPath("T:"), LEFTOVER_JOB_AREA); /* the areas of jobs that died */
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
    ReadARexxTools();
    bool opened = GUIOpenWindow(WIN_PROJECT, MenuStrip, SPort, false, 0);
    if (opened) {
        AddFirstPage();
        MainLoop(MenuStrip, SPort);
        HistoryEnd(); /* what only the history kept goes with it */
        SpellcheckerManager(SPELL_STOP, nullptr, nullptr, nullptr);
    }
    /* Other starts are served no longer: closing the window processes
     * events, and a request taken then would be lost. */
    GUICloseScreen();
    if (opened) {
        GUIRemoveAllClickTabs(&ClickTabLists[0], GID_PROJ_PAGES);
        GUICloseWindow(WIN_PROJECT, false);
        FreeLists(3);
    }
    SaveConfig();
    DisposeMenu(MenuStrip);
    MenuStrip = nullptr;
    PlatformGuiExit();
    FreeGui(SPort);
}

/* The job removes only its own working area (ExportJob): the shared one
 * and the spell checker's file may belong to a window that is running. */
static void CleanUp(void)
{
    CloseLocalisation();
    FreeLists(0);
    FreeLists(2);
    FreeLists(3);
    PoolDelete(APMemPool);
    APMemPool = nullptr;
    if (!job_mode) {
        RemoveProjectStructure();
        DeleteFile("T:Tarvel-Mivra.txt");
    }
    AssignPath("PGT:", nullptr);
}

/* A failed requirement: the window ends with `rc`, the job with 1, as it
 * has not exported anything. */
static int Requirement(const char *text, int rc)
{
    std::fprintf(job_mode ? stderr : stdout, "%s\n", text);
    return job_mode ? 1 : rc;
}

/* The start-up checks of steps 10 to 16; a non-negative result ends the
 * program with that code. The archive library is linked into the program,
 * so the check for the external zip and unzip always passes. A program
 * directory too long for its fields leaves DataPath empty (the current
 * directory) rather than cut. */
static int CheckRequirements(void)
{
    MakeVersionTexts();
    if (!FileExists("tbimages:"))
        return Requirement("Pagimo needs AISS! Sorry!", 0);
    std::string progdir = ProgramDirectory();
    PagiPath[0] = '\0';
    if (progdir.size() < sizeof(PagiPath))
        Strlcpy(PagiPath, progdir.c_str(), sizeof(PagiPath));
    if ((!DataPath[0] || !PathExists(DataPath)) && std::strlen(PagiPath) < sizeof(DataPath)) {
        Strlcpy(DataPath, PagiPath, sizeof(DataPath));
        DebugPrint("  DataPath=<%s>\n", DataPath);
    }
    if (!SystemRecentEnough())
        return Requirement("Pagimo needs OS4.1FEu2 and greater!  Sorry!", 1);
    APMemPool = PoolCreate();
    if (!APMemPool)
        return Requirement("Pagimo can not allocate memory!  Sorry!", 1);
    AssignPath("PGT:", IsDirectory(TempPath) ? TempPath : "T:");
    return -1;
}

/* ------------------------------------------------------------ the PDF job */

/* "--pdf OUT" (or another option with a value) anywhere among the
 * arguments; both are taken out. */
static bool TakePdfOption(ToolTypes &tt, std::string &out, const char *option = "--pdf")
{
    for (size_t i = 0; i < tt.size(); i++) {
        if (tt[i] != option)
            continue;
        out = i + 1 < tt.size() ? tt[i + 1] : std::string();
        tt.erase(tt.begin() + long(i), tt.begin() + long(std::min(i + 2, tt.size())));
        return true;
    }
    return false;
}

static int RunExportJob(const char *out);

/* "FROM-TO": two record numbers from 1 on, the first not above the second. */
static bool ReadSlice(const std::string &text)
{
    unsigned long long from, to;
    int used = 0;
    if (text.empty() || text[0] < '0' || text[0] > '9' ||
        std::sscanf(text.c_str(), "%llu-%llu%n", &from, &to, &used) != 2 || size_t(used) != text.size() ||
        text.find_first_not_of("0123456789-") != std::string::npos || from < 1 || to < from)
        return false;
    slice_from = size_t(from), slice_to = size_t(to);
    return true;
}

/* Opens the project and exports it without a window: the page lies where
 * the page view would put it by the page box alone (PageBoxFor), and
 * nothing of the window system is started. Messages go to standard error;
 * on success nothing is printed but the traces of "Debug=On". */
static int ExportJob(const char *out)
{
    PdfBatch = PdfJob = true;
    RequesterSetPrint(true);
    if (!out[0] || !StartupProject[0]) {
        std::fputs(Usage, stderr);
        return 1;
    }
    if (startup_projects > 1) {
        std::fprintf(stderr, "pagimo: --pdf exports one project; %d were named\n", startup_projects);
        return 1;
    }
    /* A working area of its own: a window of Pagimo may be using PGT:PAG4,
     * and other jobs their own areas. It is held while the job lives, so
     * that the next start can tell it from the area of a job that died. */
    SweepLeftovers(HostPath("T:"), LEFTOVER_JOB_AREA);
    SweepLeftoversBeside(HostPath(out), LEFTOVER_PDF);
    std::string area = HostPath("T:") + "/job-XXXXXX";
    int held = CreateHeld(area, true);
    if (held < 0) {
        std::fprintf(stderr, "pagimo: %s: %s\n", HostPath("T:").c_str(), std::strerror(errno));
        return 1;
    }
    AssignPath("PGT:", area.c_str());
    int rc = RunExportJob(out);
    RemoveProjectStructure();
    DeleteAll(area.c_str());
    ReleaseHeld(held);
    return rc;
}

/* The job needs the fonts, the project and the page box: no windows, no
 * menus, no gadgets. */
static int RunExportJob(const char *out)
{
    InitLists();
    ReadConfig(); /* the preferences the window exports with */
    InstallFonts();
    LookforTTFonts();
    /* Without PAGIMO_SCREEN the page lies as on the screen it was saved on. */
    ScreenWidth = ScreenHeight = 0;
    if (std::getenv("PAGIMO_SCREEN"))
        PlatformScreenSize(&ScreenWidth, &ScreenHeight);
    if (OpenProjectPath(StartupProject) != 0) /* which makes the project's folders */
        return 1;
    if (!ScreenWidth) {
        ScreenWidth = PDaten.width ? PDaten.width : 1920;
        ScreenHeight = PDaten.height ? PDaten.height : 1200;
    }
    PlacePage(ScreenWidth, ScreenHeight, PDaten.pageformat);
    HLManager(); /* the outline shows what the table of contents lists, in its order */
    if (merge_table.empty()) {
        KeepFontCopies(true); /* the definitions with their tables, as a merge's */
        bool done = ExportProject(out, xstart, ystart, xend, yend);
        KeepFontCopies(false);
        return done ? 0 : 1;
    }
    return MergeExport(out, merge_table.c_str(), xstart, ystart, xend, yend, slice_from, slice_to) >= 0 ? 0 : 1;
}

/* The job's traces are off unless "Debug" is given with another value than
 * "Off"; they go to standard error. Qt's own warnings stay quiet with them. */
static void QuietJob(const ToolTypes &tt)
{
    const char *v = FindToolType(tt, "Debug");
    Debug = v && Stricmp(v, "Off") ? 1 : 0;
    DebugToStandardError(true);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!Debug)
        setenv("QT_LOGGING_RULES", "*.debug=false;*.info=false;*.warning=false", 0);
}

/* Ends the start before anything is set up, so nothing of a running
 * window can be touched. */
static int ReportRefusedPath(void)
{
    InitLocalisation();
    const char *msg = GetString(&localeinfo, MSG_PATH_TOO_LONG);
    std::vector<char> text(std::strlen(msg) + refused.size() + 1);
    std::snprintf(text.data(), text.size(), msg, refused.c_str());
    std::fprintf(stderr, "pagimo: %s\n", text.data());
    CloseLocalisation();
    return 1;
}

int PagimoMain(int argc, char **argv)
{
    IgnoreBrokenPipes();
    AssignInit();
    ToolTypes tt = ReadToolTypes(argc, argv);
    std::string pdfout;
    refused.clear();
    job_mode = TakePdfOption(tt, pdfout);
    merge_table.clear();
    if (TakePdfOption(tt, merge_table, "--merge") && (!job_mode || merge_table.empty())) {
        std::fputs("pagimo: --merge TABLE.csv goes with --pdf OUT.pdf\n", stderr);
        std::fputs(Usage, stderr);
        return 1;
    }
    std::string slice;
    slice_from = slice_to = 0;
    if (TakePdfOption(tt, slice, "--records") && (merge_table.empty() || !ReadSlice(slice))) {
        std::fputs("pagimo: --records FROM-TO goes with --merge and names the records FROM to TO, counted from 1\n",
                   stderr);
        std::fputs(Usage, stderr);
        return 1;
    }
    int rc = HandleOptions(tt);
    if (rc >= 0)
        return rc;
    if (!job_mode)
        PlatformRunWindowProgram(argv);
    if (job_mode)
        QuietJob(tt);
    FindStartupProject(tt);
    /* From the moment other starts can find this one, a break (SIGINT,
     * SIGTERM) ends it in order rather than at once. */
    BreakInit();
    if (!job_mode && refused.empty()) {
        int inst = InstanceStart(StartupProject);
        if (inst == INSTANCE_HANDED_OVER)
            return 0;
        if (inst == INSTANCE_NO_ANSWER) {
            std::fprintf(stderr, "pagimo: Pagimo is running already but does not answer\n");
            return 1;
        }
    }
    int display = job_mode ? DISPLAY_USABLE : CheckDisplay();
    if (display != DISPLAY_USABLE) {
        InstanceEnd();
        if (display == DISPLAY_NONE)
            std::fprintf(stderr, "pagimo: no display to open the window on (neither DISPLAY nor "
                                 "WAYLAND_DISPLAY is set); --pdf exports without one\n");
        else
            std::fprintf(stderr, "pagimo: the display %s cannot be opened; --pdf exports without one\n",
                         std::getenv("DISPLAY"));
        return 1;
    }
    if (!ApplyToolTypes(tt)) {
        InstanceEnd();
        return ReportRefusedPath();
    }
    rc = CheckRequirements();
    if (rc >= 0) {
        InstanceEnd();
        std::fflush(stdout);
        return rc;
    }
    InitLocalisation();
    if (job_mode) {
        rc = ExportJob(pdfout.c_str());
    } else {
        RunWindows();
        rc = 0;
    }
    CleanUp();
    InstanceEnd(); /* only now may another start take over the working area */
    std::fflush(stdout);
    WriteExitReport();
    return rc;
}
