/*
 * pdfexport.cpp - the PDF document of a project: file choice, document
 * information, compression, outline root, one page per project page at the
 * project's format, every element drawn in page and list order, passwords,
 * and the recovery from libharu errors.
 *
 * libharu reports errors through error_handler, which jumps back to the
 * recovery point in ExportProject. Invariant: from the recovery point down
 * to every libharu call, no frame holds an object with a destructor, so the
 * jump (longjmp) skips nothing that needed cleaning up; what the export
 * owns (the document) is freed by the recovery itself.
 */
#include "pdf/pdfexport.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "core/settings.h"
#include "document/archive.h"
#include "document/pagelist.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "pdf/pdfdraw.h"
#include "pdf/pdffonts.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/strutil.h"
#include "text/utilities.h"
#include "view/geometry.h"

bool PdfBatch;

static const HPDF_UINT cmode[5] = {HPDF_COMP_NONE, HPDF_COMP_TEXT, HPDF_COMP_IMAGE,
                                   HPDF_COMP_METADATA, HPDF_COMP_ALL};
static jmp_buf env;
static bool env_armed; /* the recovery point is set */
static HPDF_Doc export_doc;
static void *gmstrip;
static char lastdir[256];

static const char *S(int msg)
{
    return GetString(&localeinfo, msg);
}

/* ------------------------------------------------------------ windows */

static void OpenProgress(void)
{
    if (PdfBatch)
        return;
    GUISetWinAktivPassiv(WIN_PROJECT, true, gmstrip);
    if (GUIOpenWindow(WIN_PROGRESS, nullptr, winmsgport[WIN_PROJECT], false, 0))
        GadgetSetMax(GID_GAUGE, int32_t(PDaten.count));
}

static void CloseProgress(bool pause)
{
    if (PdfBatch)
        return;
    GUISetWinAktivPassiv(WIN_PROJECT, false, gmstrip);
    if (pause)
        PlatformDelay(8);
    if (win[WIN_PROGRESS])
        GUICloseWindow(WIN_PROGRESS, false);
    if (pause)
        PlatformDelay(8);
}

/* ------------------------------------------------------------ errors */

static int ErrorMessage(HPDF_STATUS error_no)
{
    switch (error_no) {
    case HPDF_INVALID_FONT_NAME: return 82;
    case HPDF_INVALID_JPEG_DATA: return 92;
    case HPDF_INVALID_PNG_IMAGE: return 91;
    case HPDF_TTF_CANNOT_EMBEDDING_FONT: return 81;
    case HPDF_TTF_INVALID_FOMAT:
    case HPDF_TTF_INVALID_CMAP:
    case HPDF_TTF_MISSING_TABLE: return 83;
    case HPDF_UNSUPPORTED_JPEG_FORMAT: return 93;
    case HPDF_FILE_OPEN_ERROR:
    case HPDF_FILE_IO_ERROR: return 179; /* a missing picture, an unwritable PDF */
    default: return 180;
    }
}

/* Never returns to libharu: the export is abandoned at its recovery point. */
void error_handler(HPDF_STATUS error_no, HPDF_STATUS detail_no, void *user_data)
{
    (void)user_data;
    DebugPrint("-> error_handler(0x%04X, %u)\n", unsigned(error_no), unsigned(detail_no));
    if (!env_armed)
        return; /* HPDF_New itself failed: it reports that by its result */
    int msg = ErrorMessage(error_no);
    char mess[600], code[16];
    std::snprintf(code, sizeof(code), "0x%04X", unsigned(error_no));
    std::snprintf(mess, sizeof(mess), S(msg), msg == 180 ? code : (errinfo ? errinfo : ""));
    GuiEasyDialog(WIN_PROJECT, S(75), mess, S(88));
    CloseProgress(false);
    std::longjmp(env, 1);
}

/* ------------------------------------------------------------ the document */

/* "dd mm yyyy hh mm"; false for a stamp that is no valid date. */
static bool ReadStamp(const char *stamp, HPDF_Date *d)
{
    int day, month, year, hour, minute;
    if (std::sscanf(stamp, "%d %d %d %d %d", &day, &month, &year, &hour, &minute) != 5)
        return false;
    static const int days[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || year < 1 || year > 9999 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || day < 1 || day > days[month - 1])
        return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap)
        return false;
    std::memset(d, 0, sizeof(*d));
    d->year = year, d->month = month, d->day = day, d->hour = hour, d->minutes = minute;
    d->ind = ' ';
    return true;
}

static void SetInformation(HPDF_Doc pdf)
{
    HPDF_SetCompressionMode(pdf, cmode[PDaten.comp <= 4 ? PDaten.comp : 0]);
    HPDF_SetCurrentEncoder(pdf, "CP1252");
    HPDF_SetInfoAttr(pdf, HPDF_INFO_CREATOR, "Pagimo for AmigaOS4");
    HPDF_Date d;
    if (PDaten.created[0] && ReadStamp(PDaten.created, &d))
        HPDF_SetInfoDateAttr(pdf, HPDF_INFO_CREATION_DATE, d);
    if (PDaten.changed[0] && ReadStamp(PDaten.changed, &d))
        HPDF_SetInfoDateAttr(pdf, HPDF_INFO_MOD_DATE, d);
    if (PDaten.title[0])
        HPDF_SetInfoAttr(pdf, HPDF_INFO_TITLE, PDaten.title);
    if (PDaten.author[0])
        HPDF_SetInfoAttr(pdf, HPDF_INFO_AUTHOR, PDaten.author);
}

static HPDF_Page pagetable[PDF_MAXPAGES];

static void DrawPages(HPDF_Doc pdf, uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye)
{
    uint32_t last = PDaten.count < PDF_MAXPAGES ? PDaten.count : PDF_MAXPAGES - 1;
    uint32_t format = PDaten.pageformat <= 5 ? PDaten.pageformat : 2;
    for (uint32_t n = 1; n <= last; n++)
        pagetable[n] = HPDF_AddPage(pdf);
    for (uint32_t n = 1; n <= last; n++) {
        if (!PdfBatch) {
            GadgetSetNumber(GID_GAUGE, int32_t(n));
            PlatformProcessEvents();
        }
        PageNode *pn = GetPageNode(n);
        if (!pn)
            continue;
        HPDF_Page p = pagetable[n];
        HPDF_Page_SetWordSpace(p, -2.0f);
        HPDF_Page_SetWidth(p, float(pagesize[format][0]));
        HPDF_Page_SetHeight(p, float(pagesize[format][1]));
        HPDF_Page_SetLineWidth(p, 1.0f);
        for (Node *e = GetHead(&pn->page); e; e = GetSucc(e))
            DrawElement(n, pdf, pagetable, reinterpret_cast<GElement *>(e), xs, ys, xe, ye);
    }
}

/* Passwords only when both are set and differ (ignoring case). */
static void SetPasswords(HPDF_Doc pdf)
{
    if (!PDaten.opassword[0] || !PDaten.upassword[0] || !Stricmp(PDaten.opassword, PDaten.upassword))
        return;
    HPDF_SetPassword(pdf, PDaten.opassword, PDaten.upassword);
    HPDF_SetPermission(pdf, 0);
    HPDF_SetEncryptionMode(pdf, HPDF_ENCRYPT_R3, 16);
}

static char host_out[1024];

static void ExportBody(HPDF_Doc pdf, const char *path, uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye)
{
    if (PDaten.maxlevel > 2) {
        headlines[0] = HPDF_CreateOutline(pdf, nullptr, ProjectName(), HPDF_GetEncoder(pdf, "CP1252"));
        HPDF_Outline_SetOpened(headlines[0], HPDF_TRUE);
    }
    OpenProgress();
    SetInformation(pdf);
    if (PDaten.count)
        DrawPages(pdf, xs, ys, xe, ye);
    CloseProgress(true);
    SetPasswords(pdf);
    errinfo = path;
    /* Written beside the target and renamed when complete, so that nobody
     * ever reads half a PDF under the final name. */
    Strlcpy(host_out, (HostPath(path) + ".part").c_str(), sizeof(host_out));
    HPDF_SaveToFile(pdf, host_out);
    if (std::rename(host_out, HostPath(path).c_str()) != 0)
        error_handler(HPDF_FILE_IO_ERROR, HPDF_STATUS(errno), nullptr);
}

/* Writes the PDF to `path` (replacing it); false after a libharu error,
 * which has been shown, and then no file is written. */
bool ExportProject(const char *path, uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye)
{
    DebugPrint("-> ExportProject(%s)\n", path);
    std::memset(headlines, 0, sizeof(headlines));
    std::memset(pagetable, 0, sizeof(pagetable));
    host_out[0] = '\0';
    ResetharuFonts();
    ResetPdfSizes();
    export_doc = HPDF_New(error_handler, nullptr);
    if (!export_doc)
        return false;
    env_armed = true;
    if (setjmp(env)) {
        env_armed = false;
        HPDF_Free(export_doc);
        export_doc = nullptr;
        if (host_out[0])
            std::remove(host_out);
        DeleteFile(path);
        return false;
    }
    ExportBody(export_doc, path, xs, ys, xe, ye);
    env_armed = false;
    HPDF_Free(export_doc);
    export_doc = nullptr;
    return true;
}

/* ------------------------------------------------------------ the command */

/* The output path: the chosen drawer and name, with ".pdf" unless the
 * path holds ".pdf" somewhere already. */
static bool ChoosePath(char *path, size_t size)
{
    if (!lastdir[0])
        Strlcpy(lastdir, PDFPath[0] ? PDFPath : DataPath, sizeof(lastdir));
    char chosen[1024];
    if (!PlatformFileRequest(WIN_PROJECT, S(121), lastdir, ProjectName(), "#?.pdf", true, chosen,
                             sizeof(chosen)))
        return false;
    const char *file = FilePart(chosen);
    Strlcpy(path, chosen, size);
    path[file - chosen] = '\0';
    Strlcpy(lastdir, path, sizeof(lastdir));
    if (!AddPart(path, file, size))
        return false;
    if (!InString(path, ".pdf") && std::strlen(path) + 4 < size)
        std::strcat(path, ".pdf");
    return true;
}

static bool MayOverwrite(const char *path)
{
    if (!FileExists(path))
        return true;
    if (GuiEasyDialog(WIN_PROJECT, S(75), S(76), S(78)) == 0)
        return false;
    if (DeleteFile(path))
        return true;
    GuiEasyDialog(WIN_PROJECT, S(75), S(77), S(88));
    return false;
}

bool CreateProject(uint32_t xstart, uint32_t ystart, uint32_t xend, uint32_t yend, void *mstrip,
                   MsgPort *SPort)
{
    (void)SPort;
    DebugPrint("-> CreateProject(%u, %u, %u, %u)\n", xstart, ystart, xend, yend);
    gmstrip = mstrip;
    char path[1024];
    if (!ChoosePath(path, sizeof(path)) || !MayOverwrite(path))
        return false;
    return ExportProject(path, xstart, ystart, xend, yend);
}
