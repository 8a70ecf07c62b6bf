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
 * owns (the document and the temporary file) is freed by the recovery.
 *
 * The PDF is written to a temporary file beside its target and renamed over
 * it only when complete, so a failed export leaves the old file as it was;
 * the export holds that file while it lives, and sweeps those of exports
 * that died (leftovers.h).
 * A target that is a link is replaced through the link; the project's own
 * archive and write-protected files are never replaced.
 */
#include "pdf/pdfexport.h"

#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/settings.h"
#include "document/archive.h"
#include "document/pagelist.h"
#include "document/placeholders.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "pdf/pdfdraw.h"
#include "pdf/pdffonts.h"
#include "pdf/pdfharu.h"
#include "pdf/pdfpicture.h"
#include "pdf/pdftextbox.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/leftovers.h"
#include "platform/strutil.h"
#include "text/textbox.h"
#include "text/utilities.h"
#include "view/geometry.h"

bool PdfBatch;
bool PdfJob;

enum { PAGES_PER_NODE = 1024 }; /* the pages below one node of a large page tree */
/* A document of up to POOL_PAGES pages takes its memory from an arena of
 * blocks and gives it back whole: a merge's PDF for each record made and
 * freed thousands of small objects one by one. A larger document frees as
 * it goes, since an arena never reuses what was freed in it. libharu's own
 * pools are not used: they hand out memory at any byte, and its records
 * (and ours built on them) need their alignment. */
enum { POOL_PAGES = 64, POOL_BLOCK = 65536, POOL_ALIGN = 16 };

struct ArenaBlock {
    char *base;
    size_t size, used;
};
/* The blocks in use, then those kept for the next document; never
 * destroyed, so the kept ones stay the process's until it ends. */
static std::vector<ArenaBlock> &arena = *new std::vector<ArenaBlock>;
static size_t arena_current;          /* the block allocations come from */

/* ------------------------------------------------------------ the arena */

/* A new block of `bytes` at the arena's end, `used` of it taken. */
static char *ArenaBlockNew(size_t bytes, size_t used)
{
    char *base = static_cast<char *>(std::aligned_alloc(POOL_ALIGN, bytes));
    if (base)
        arena.push_back(ArenaBlock{base, bytes, used});
    return base;
}

/* Invariant: every block's base is POOL_ALIGN-aligned and every size handed
 * out is rounded up to POOL_ALIGN, so every allocation is aligned. A piece
 * larger than a block gets a block of its own. */
static void *ArenaAlloc(HPDF_UINT size)
{
    size_t want = (size_t(size) + POOL_ALIGN - 1) & ~size_t(POOL_ALIGN - 1);
    if (want > POOL_BLOCK)
        return ArenaBlockNew(want, want);
    while (arena_current < arena.size() && arena[arena_current].size - arena[arena_current].used < want)
        arena_current++;
    if (arena_current == arena.size() && !ArenaBlockNew(POOL_BLOCK, 0))
        return nullptr;
    ArenaBlock &b = arena[arena_current];
    void *p = b.base + b.used;
    b.used += want;
    return p;
}

static void ArenaFree(void *p)
{
    (void)p; /* given back whole by ArenaRelease */
}

/* Blocks of the standard size are kept for the next document; larger ones
 * go back to the system. */
static void ArenaRelease(void)
{
    std::vector<ArenaBlock> kept;
    for (ArenaBlock &b : arena) {
        if (b.size == POOL_BLOCK && kept.size() < 64) {
            b.used = 0;
            kept.push_back(b);
        } else {
            std::free(b.base);
        }
    }
    arena.swap(kept);
    arena_current = 0;
}

static const HPDF_UINT cmode[5] = {HPDF_COMP_NONE, HPDF_COMP_TEXT, HPDF_COMP_IMAGE,
                                   HPDF_COMP_METADATA, HPDF_COMP_ALL};
static jmp_buf env;
static bool env_armed; /* the recovery point is set */
static HPDF_Doc export_doc;
static void *gmstrip;
static char lastdir[256];
static char target_host[1024]; /* the file the PDF replaces, links followed */
static char temp_host[1024];   /* the PDF while it is written, beside the target */
static int temp_held = -1;     /* holds temp_host against sweeps (leftovers.h) */
static bool saving;            /* the document is being written to temp_host */
static uint32_t export_pageno; /* the page being drawn; 0 outside the pages */
static char message[6144]; /* an error of the export, as shown */

/* The status error_handler gets when the job is told to stop: outside the
 * range of libharu's own codes, beside PDF_NO_SANITIZER. */
enum { PDF_STOPPED = 0x2002 };

static const char *S(int msg)
{
    return GetString(&localeinfo, msg);
}

/* ------------------------------------------------------------ windows */

/* The progress window of an export, or of a merge that writes many. While
 * a merge holds it, the single documents leave it alone. */
static bool progress_owned;

static void ShowTextboxNotes(void);

static void OpenProgress(int32_t steps)
{
    if (PdfBatch || progress_owned)
        return;
    GUISetWinAktivPassiv(WIN_PROJECT, true, gmstrip);
    if (GUIOpenWindow(WIN_PROGRESS, nullptr, winmsgport[WIN_PROJECT], false, 0))
        GadgetSetMax(GID_GAUGE, steps);
}

static void CloseProgress(bool pause)
{
    if (PdfBatch || progress_owned)
        return;
    GUISetWinAktivPassiv(WIN_PROJECT, false, gmstrip);
    if (pause)
        PlatformDelay(8);
    if (win[WIN_PROGRESS])
        GUICloseWindow(WIN_PROGRESS, false);
    if (pause)
        PlatformDelay(8);
}

void PdfProgressStep(int32_t step)
{
    if (PdfBatch || !win[WIN_PROGRESS])
        return;
    GadgetSetNumber(GID_GAUGE, step);
    PlatformProcessEvents();
}

void PdfProgressBegin(int32_t steps, void *mstrip)
{
    gmstrip = mstrip;
    OpenProgress(steps);
    progress_owned = true;
    TakeTextboxNotes(); /* what an earlier export left unsaid */
}

void PdfProgressEnd(void)
{
    progress_owned = false;
    CloseProgress(false);
    ShowTextboxNotes();
}

/* ------------------------------------------------------------ errors */

/* The job's messages name the project they concern. */
static const char *JobProject(void)
{
    return ProjectFile()[0] ? ProjectFile() : ProjectName();
}

static void ShowExportMessage(const std::string &text)
{
    std::string shown = PdfJob ? std::string(JobProject()) + ": " + text : text;
    GuiEasyDialog(WIN_PROJECT, S(MSG_HINT), shown.c_str(), S(MSG_OKAY));
}

/* What the textboxes could not show, said once the PDF is written: a line
 * each in the job, one requester in the window (the first ten, and how
 * many more); the documents of a merge say it together when it ends. */
static void ShowTextboxNotes(void)
{
    if (progress_owned && !PdfJob)
        return;
    std::vector<std::string> notes = TakeTextboxNotes();
    std::string all;
    for (size_t i = 0; i < notes.size(); i++) {
        if (PdfJob)
            ShowExportMessage(notes[i]);
        else if (i < 10)
            all += (i ? "\n" : "") + notes[i];
    }
    if (notes.size() > 10)
        all += "\n\x85 +" + std::to_string(notes.size() - 10);
    if (!all.empty())
        ShowExportMessage(all);
}

static void ShowPathMessage(int msg, const char *path)
{
    ShowExportMessage(CatalogMessage(msg, path));
}

/* The PDF `path` could not be written for the system's reason `err`. */
static void ShowFileFault(const char *path, int err)
{
    ShowExportMessage(FileFaultMessage(path, err));
}

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
    case HPDF_FILE_IO_ERROR: return MSG_FILE_FAILED; /* a missing picture, an unwritable PDF */
    case PDF_NO_SANITIZER: return MSG_NO_SANITIZER;
    case PDF_STOPPED: return MSG_EXPORT_STOPPED;
    default: return MSG_PDF_FAILED;
    }
}

/* The job is told to stop by SIGINT or SIGTERM (the break): it stops
 * before the next page or the writing, through the recovery like an
 * error, so that nothing of the export is left behind. The window's break
 * belongs to its main loop and is not taken here. */
static void StopWhenTold(void)
{
    if (PdfJob && PlatformTakeBreak())
        error_handler(PDF_STOPPED, 0, nullptr);
}

/* Whether libharu failed writing the PDF: then errno, taken as the error
 * arrived, is the system's reason (a full disk, say). */
static bool WritingFailed(HPDF_STATUS error_no, int err)
{
    return saving && err &&
           (error_no == HPDF_FILE_IO_ERROR || error_no == HPDF_FILE_OPEN_ERROR || error_no == HPDF_ZLIB_ERROR);
}

/* The job names the project and, for an error on a page (a picture or a
 * font), the page and the file's own name instead of its working-area path.
 * A failure writing the PDF names the PDF and the reason. */
static void FormatError(HPDF_STATUS error_no, int err)
{
    int msg = ErrorMessage(error_no);
    char code[16];
    std::snprintf(code, sizeof(code), "0x%04X", unsigned(error_no));
    const char *name = errinfo ? errinfo : "";
    bool onpage = PdfJob && export_pageno;
    if (onpage)
        name = FilePart(name);
    static char detail[4096], page[16];
    if (WritingFailed(error_no, err))
        Strlcpy(detail, FileFaultMessage(name, err).c_str(), sizeof(detail));
    else
        std::snprintf(detail, sizeof(detail), S(msg), msg == MSG_PDF_FAILED ? code : name);
    if (!PdfJob) {
        Strlcpy(message, detail, sizeof(message));
        return;
    }
    std::snprintf(page, sizeof(page), "%u", export_pageno);
    if (onpage)
        std::snprintf(message, sizeof(message), S(MSG_ON_PAGE), JobProject(), page, detail);
    else
        std::snprintf(message, sizeof(message), "%s: %s", JobProject(), detail);
}

/* Never returns to libharu: the export is abandoned at its recovery point. */
void error_handler(HPDF_STATUS error_no, HPDF_STATUS detail_no, void *user_data)
{
    (void)user_data;
    int err = errno; /* what a failed write said, before anything here changes it */
    DebugPrint("-> error_handler(0x%04X, %u)\n", unsigned(error_no), unsigned(detail_no));
    if (!env_armed)
        return; /* HPDF_New itself failed: it reports that by its result */
    /* Ctrl-C reaches the whole process group: the font checker dies with
     * the break and looks like a refusal. The job was stopped, though. */
    if (PdfJob && error_no != PDF_STOPPED && PlatformTakeBreak())
        error_no = PDF_STOPPED;
    FormatError(error_no, err);
    GuiEasyDialog(WIN_PROJECT, S(MSG_HINT), message, S(MSG_OKAY));
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
    HPDF_SetInfoAttr(pdf, HPDF_INFO_CREATOR, "Pagimo for Linux");
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

/* The pages of the document; a merged document holds the project's pages
 * once per record, each record's from `base` + 1 on, so that page numbers
 * and page links count within the record. Sized before the recovery point
 * is set and never in between. */
static std::vector<HPDF_Page> pagetable;

/* A merge into this document: the records from first to last. */
static const MergeTable *doc_table;
static size_t doc_first, doc_last;

static uint32_t LastPage(void)
{
    return PDaten.count < PDF_MAXPAGES ? PDaten.count : PDF_MAXPAGES - 1;
}

/* The pages a PDF of the project holds for each record. */
uint32_t ExportedPages(void)
{
    return LastPage();
}

static void DrawPages(HPDF_Doc pdf, size_t base, uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye)
{
    uint32_t last = LastPage();
    uint32_t format = PDaten.pageformat <= 5 ? PDaten.pageformat : 2;
    HPDF_Page *table = pagetable.data() + base;
    for (uint32_t n = 1; n <= last; n++)
        table[n] = HPDF_AddPage(pdf);
    /* One walk along the pages, counting them as it goes. */
    Node *node = GetHead(&pages);
    for (uint32_t n = 1; n <= last && node; n++, node = GetSucc(node)) {
        export_pageno = n;
        StopWhenTold();
        if (!doc_table)
            PdfProgressStep(int32_t(n));
        PageNode *pn = reinterpret_cast<PageNode *>(node);
        HPDF_Page p = table[n];
        HPDF_Page_SetWordSpace(p, -2.0f);
        HPDF_Page_SetWidth(p, float(pagesize[format][0]));
        HPDF_Page_SetHeight(p, float(pagesize[format][1]));
        HPDF_Page_SetLineWidth(p, 1.0f);
        for (Node *e = GetHead(&pn->page); e; e = GetSucc(e))
            DrawElement(n, pdf, table, reinterpret_cast<GElement *>(e), xs, ys, xe, ye);
    }
    export_pageno = 0;
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

/* Each record's pages under an outline entry named by its first field;
 * the record's headlines hang below that entry. */
static void DrawRecords(HPDF_Doc pdf, HPDF_Outline root, uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye)
{
    for (size_t r = doc_first; r <= doc_last; r++) {
        MergeRecord(r);
        LayoutTextboxChains(); /* the record's own text flows through the chains */
        std::memset(headlines, 0, sizeof(headlines));
        headlines[0] = HPDF_CreateOutline(pdf, root, MergedTitle(), HPDF_GetEncoder(pdf, "CP1252"));
        size_t base = (r - doc_first) * LastPage();
        if (doc_last > doc_first)
            PdfProgressStep(int32_t(r - doc_first + 1));
        DrawPages(pdf, base, xs, ys, xe, ye);
        HPDF_Destination dest = HPDF_Page_CreateDestination(pagetable[base + 1]);
        HPDF_Outline_SetDestination(headlines[0], dest);
    }
}

static void ExportBody(HPDF_Doc pdf, const char *path, uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye)
{
    if (PDaten.maxlevel > 2 || doc_table) {
        headlines[0] = HPDF_CreateOutline(pdf, nullptr, ProjectName(), HPDF_GetEncoder(pdf, "CP1252"));
        HPDF_Outline_SetOpened(headlines[0], HPDF_TRUE);
    }
    OpenProgress(int32_t(doc_table ? doc_last - doc_first + 1 : PDaten.count));
    SetInformation(pdf);
    /* libharu keeps the pages of a tree node in one array, which holds at
     * most HPDF_LIMIT_MAX_ARRAY: more pages hang below nodes of their own. */
    if (pagetable.size() - 2 > HPDF_LIMIT_MAX_ARRAY)
        HPDF_SetPagesConfiguration(pdf, PAGES_PER_NODE);
    if (PDaten.count && doc_table) {
        DrawRecords(pdf, headlines[0], xs, ys, xe, ye);
    } else if (PDaten.count) {
        /* Each box continues where the box before it ends: laid out here
         * for every chain, not taken from what the page view last drew. */
        LayoutTextboxChains();
        DrawPages(pdf, 0, xs, ys, xe, ye);
    }
    CloseProgress(true);
    SetPasswords(pdf);
    StopWhenTold();
    errinfo = path;
    saving = true;
    errno = 0;
    SaveToDescriptor(pdf, temp_held);
    saving = false;
}

/* ------------------------------------------------------------ the target */

/* The file a chain of links ends at (or the name itself); false for a
 * chain that does not end. */
static bool FollowLinks(std::string &host)
{
    for (int i = 0; i < 40; i++) {
        struct stat st;
        if (lstat(host.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        char to[PATH_MAX];
        ssize_t n = readlink(host.c_str(), to, sizeof(to) - 1);
        if (n < 0)
            return false;
        to[n] = '\0';
        size_t slash = host.rfind('/');
        host = to[0] == '/' || slash == std::string::npos ? std::string(to) : host.substr(0, slash + 1) + to;
    }
    return false;
}

static bool IsProjectFile(const struct stat &st)
{
    struct stat project;
    return ProjectFile()[0] && stat(HostPath(ProjectFile()).c_str(), &project) == 0 &&
           project.st_dev == st.st_dev && project.st_ino == st.st_ino;
}

/* 0 when the PDF may replace the file `host` (links followed), else the
 * message id that refuses it. */
static int CheckTarget(std::string &host)
{
    if (!FollowLinks(host))
        return MSG_FILE_FAILED;
    struct stat st;
    bool exists = stat(host.c_str(), &st) == 0;
    if (exists && IsProjectFile(st))
        return MSG_PDF_IS_PROJECT;
    if (exists && !S_ISREG(st.st_mode))
        return MSG_FILE_FAILED;
    if (exists && (access(host.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0))
        return MSG_READ_ONLY;
    if (host.size() >= sizeof(target_host))
        return MSG_PATH_TOO_LONG;
    return 0;
}

/* A merge writing one PDF per record sweeps each folder once, not once
 * for every PDF: the folder fills with its PDFs as the merge goes on. */
static bool sweep_once;
static std::set<std::string> swept;

void PdfSweepOnce(bool once)
{
    sweep_once = once;
    swept.clear();
}

static void SweepBeside(const std::string &host)
{
    size_t slash = host.rfind('/');
    if (!sweep_once || swept.insert(slash == std::string::npos ? std::string() : host.substr(0, slash)).second)
        SweepLeftoversBeside(host, LEFTOVER_PDF);
}

/* Makes the empty temporary file beside the target, held while this
 * export lives, after sweeping the leftovers of exports that died there;
 * false after saying why the target is refused or cannot be written. */
static bool PrepareTarget(const char *path)
{
    std::string host = HostPath(path);
    int refused = CheckTarget(host);
    size_t slash = host.rfind('/');
    std::string temp = (slash == std::string::npos ? std::string() : host.substr(0, slash + 1)) + ".pagimo-pdf-XXXXXX";
    if (!refused && temp.size() >= sizeof(temp_host))
        refused = MSG_PATH_TOO_LONG;
    if (refused) {
        ShowPathMessage(refused, path);
        return false;
    }
    SweepBeside(host);
    temp_held = CreateHeld(temp, false);
    if (temp_held < 0) {
        ShowFileFault(path, errno);
        return false;
    }
    Strlcpy(target_host, host.c_str(), sizeof(target_host));
    Strlcpy(temp_host, temp.c_str(), sizeof(temp_host));
    fchmod(temp_held, ReplacementMode(host));
    return true;
}

static void ReleaseTemp(void)
{
    ReleaseHeld(temp_held);
    temp_held = -1;
}

/* The temporary file goes, and only then its hold. */
static void DropTemp(void)
{
    unlink(temp_host);
    ReleaseTemp();
}

/* The complete PDF takes the target's place. */
static bool PlaceTarget(const char *path)
{
    if (std::rename(temp_host, target_host) == 0) {
        ReleaseTemp();
        return true;
    }
    int err = errno;
    DropTemp();
    ShowFileFault(path, err);
    return false;
}

/* Writes the PDF to `path` (replacing it when complete); false after a
 * refused target or a libharu error, which have been shown, and then the
 * file at `path` is as it was. */
bool ExportProject(const char *path, uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye)
{
    return ExportMerged(path, nullptr, 0, 0, xs, ys, xe, ye);
}

/* With a table, the document holds the records from first to last (their
 * texts filled by the merge, see placeholders.h). */
bool ExportMerged(const char *path, const MergeTable *table, size_t first, size_t last, uint32_t xs,
                  uint32_t ys, uint32_t xe, uint32_t ye)
{
    DebugPrint("-> ExportProject(%s)\n", path);
    if (!PrepareTarget(path))
        return false;
    if (!progress_owned)
        TakeTextboxNotes(); /* what a failed export left unsaid */
    doc_table = table, doc_first = first, doc_last = last;
    std::memset(headlines, 0, sizeof(headlines));
    pagetable.assign((table ? last - first + 1 : 1) * LastPage() + 2, nullptr);
    ResetharuFonts();
    ResetPdfPictures();
    ResetPdfSizes();
    export_doc = pagetable.size() <= POOL_PAGES ? HPDF_NewEx(error_handler, ArenaAlloc, ArenaFree, 0, nullptr)
                                                : HPDF_New(error_handler, nullptr);
    if (!export_doc)
        ArenaRelease();
    if (!export_doc) {
        DropTemp();
        return false;
    }
    env_armed = true;
    if (setjmp(env)) {
        env_armed = false;
        export_pageno = 0;
        EndTextboxLines(); /* a jump out of a textbox line */
        ReturnharuFonts(export_doc);
        HPDF_Free(export_doc);
        ArenaRelease();
        export_doc = nullptr;
        saving = false;
        DropTemp();
        CloseharuFonts();
        ResetPdfPictures();
        return false;
    }
    ExportBody(export_doc, path, xs, ys, xe, ye);
    env_armed = false;
    ReturnharuFonts(export_doc);
    HPDF_Free(export_doc);
    ArenaRelease();
    export_doc = nullptr;
    CloseharuFonts();
    ResetPdfPictures();
    if (!PlaceTarget(path))
        return false;
    ShowTextboxNotes();
    return true;
}

/* ------------------------------------------------------------ the command */

/* The output path: the chosen drawer and name, with ".pdf" unless the
 * path holds ".pdf" somewhere already. A path that does not fit is refused. */
static bool ChoosePath(char *path, size_t size)
{
    if (!lastdir[0])
        Strlcpy(lastdir, PDFPath[0] ? PDFPath : DataPath, sizeof(lastdir));
    std::string chosen;
    if (!PlatformFileRequest(WIN_PROJECT, S(121), lastdir, ProjectName(), "#?.pdf", true, chosen))
        return false;
    size_t drawer = size_t(FilePart(chosen.c_str()) - chosen.c_str());
    bool pdf = InString(chosen.c_str(), ".pdf");
    if (drawer >= sizeof(lastdir) || chosen.size() + (pdf ? 0 : 4) >= size) {
        ShowPathMessage(MSG_PATH_TOO_LONG, chosen.c_str());
        return false;
    }
    std::memcpy(lastdir, chosen.c_str(), drawer);
    lastdir[drawer] = '\0';
    Strlcpy(path, chosen.c_str(), size);
    if (!pdf)
        std::strcat(path, ".pdf");
    return true;
}

/* The old file stays until the new one is complete. */
static bool MayOverwrite(const char *path)
{
    return !FileExists(path) || GuiEasyDialog(WIN_PROJECT, S(MSG_HINT), S(76), S(78)) != 0;
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
