/*
 * pdfmerge.cpp - the merge of a table into the project's PDF.
 *
 * The table is read and every placeholder of the project checked against
 * its fields before anything is written. One PDF holds every record's
 * pages in record order, each record under an outline entry of its own;
 * with a name pattern each record gets its own PDF, its name filled from
 * the record (see RecordFileName). Every file is written complete before it
 * replaces one of the same name, as any export is. The sanitized fonts are
 * kept from one PDF to the next. The project never changes: the filled
 * texts live beside it (placeholders.h). A slice of the table (the job's
 * "--records") writes what the whole merge writes of those records: the
 * names of the records before it are worked out, not written, so that its
 * "-2" suffixes are the whole merge's.
 *
 * Relies on the export (ExportMerged), the table reader and the requesters.
 */
#include "pdf/pdfmerge.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/settings.h"
#include "document/archive.h"
#include "document/mergetable.h"
#include "document/placeholders.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "pdf/pdfexport.h"
#include "pdf/pdffonts.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/strutil.h"
#include "platform/system.h"
#include "text/utilities.h"

/* ------------------------------------------------------------ messages */

/* A catalog message with up to four texts filled in. */
static std::string Format(int msg, const std::string &a, const std::string &b = "", const std::string &c = "",
                          const std::string &d = "")
{
    const char *form = GetString(&localeinfo, msg);
    std::vector<char> text(std::strlen(form) + a.size() + b.size() + c.size() + d.size() + 1);
    std::snprintf(text.data(), text.size(), form, a.c_str(), b.c_str(), c.c_str(), d.c_str());
    return text.data();
}

/* The job's messages name the project. */
static void Show(const std::string &text)
{
    std::string project = PdfJob ? std::string(ProjectFile()[0] ? ProjectFile() : ProjectName()) + ": " : "";
    GuiEasyDialog(WIN_PROJECT, GetString(&localeinfo, MSG_HINT), (project + text).c_str(),
                  GetString(&localeinfo, MSG_OKAY));
}

static void Tell(int msg, const std::string &a, const std::string &b = "", const std::string &c = "",
                 const std::string &d = "")
{
    Show(Format(msg, a, b, c, d));
}

static std::string UnshownText(const MergeUnshown &u)
{
    return Format(MSG_MERGE_UNSHOWN, std::to_string(u.record + 1), u.field, u.chars);
}

/* ------------------------------------------------------------ checking */

static bool LoadTable(const char *path, MergeTable *table)
{
    std::string why;
    int rc = ReadMergeTable(path, table, &why);
    if (rc == TABLE_EMPTY)
        Tell(MSG_MERGE_NO_RECORDS, path);
    else if (rc != TABLE_OK)
        Tell(MSG_MERGE_TABLE_FAILED, path, why);
    return rc == TABLE_OK;
}

/* Every placeholder names a field, and no filled text line of the records
 * from first to last is too long for the PDF; the values the text lines
 * cannot show in full are kept to be said after the export. */
static bool CheckProject(const char *path, const MergeTable *table, size_t first, size_t last,
                         std::vector<MergeUnshown> *unshown)
{
    std::string missing;
    uint32_t page = 0;
    if (!MergeBegin(table, &missing, &page)) {
        Tell(MSG_MERGE_NO_FIELD, std::to_string(page), missing, path);
        return false;
    }
    MergeTooLong l;
    if (MergeCheckValues(&l, unshown, first, last))
        return true;
    MergeEnd();
    Tell(MSG_MERGE_VALUE_TOO_LONG, std::to_string(l.record + 1), l.field, std::to_string(l.page),
         std::to_string(l.length));
    return false;
}

/* The name pattern may name only fields of the table. */
static bool CheckPattern(const std::string &out, const MergeTable *table, const char *path)
{
    std::string filled, missing;
    if (FillPlaceholders(out, table, 0, true, &filled, &missing))
        return true;
    Tell(MSG_MERGE_NO_FIELD_NAME, out, missing, path);
    return false;
}

/* ------------------------------------------------------------ writing */

/* What libharu takes for a page of a merged PDF, which it keeps until the
 * document is written: memory and objects of the cross-reference table,
 * which holds at most HPDF_LIMIT_MAX_XREF_ELEMENT; and the share of the
 * memory available that one PDF may fill. */
static const double PAGE_BYTES = 16384, MEMORY_SHARE = 0.75;
enum { PAGE_OBJECTS = 16 };

/* One PDF of that many pages must fit into memory and its objects into
 * the cross-reference table: else it is refused before anything is done. */
static bool FitsOnePdf(size_t pages)
{
    if (double(pages) * PAGE_BYTES <= MEMORY_SHARE * double(AvailableMemory()) &&
        pages <= HPDF_LIMIT_MAX_XREF_ELEMENT / PAGE_OBJECTS)
        return true;
    Tell(MSG_MERGE_TOO_LARGE, std::to_string(pages));
    return false;
}

static long OnePdfPerRecord(const std::string &pattern, const MergeTable *table, size_t first, size_t last,
                            uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye)
{
    std::set<std::string> used;
    for (size_t r = 0; r < first; r++)
        RecordFileName(pattern, table, r, &used);
    long written = 0;
    for (size_t r = first; r <= last; r++) {
        std::string name = RecordFileName(pattern, table, r, &used);
        PdfProgressStep(int32_t(r - first + 1));
        size_t slash = name.rfind('/');
        if (slash != std::string::npos && slash > 0)
            CreateDirTree(name.substr(0, slash).c_str());
        if (!ExportMerged(name.c_str(), table, r, r, xs, ys, xe, ye))
            return -1;
        written++;
    }
    return written;
}

/* The records from first to last of the table from `path`, read already. */
static long MergeTableExport(const char *out, const char *path, const MergeTable *table, size_t first, size_t last,
                             std::vector<MergeUnshown> *unshown, uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye)
{
    bool each = HasPlaceholders(out);
    if (!each && !FitsOnePdf((last - first + 1) * size_t(ExportedPages())))
        return -1;
    if (!CheckProject(path, table, first, last, unshown))
        return -1;
    long written = -1;
    if (!each || CheckPattern(out, table, path)) {
        KeepFontCopies(true);
        PdfSweepOnce(true);
        if (each)
            written = OnePdfPerRecord(out, table, first, last, xs, ys, xe, ye);
        else
            written = ExportMerged(out, table, first, last, xs, ys, xe, ye) ? 1 : -1;
        PdfSweepOnce(false);
        KeepFontCopies(false);
    }
    MergeEnd();
    return written;
}

long MergeExport(const char *out, const char *path, uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye, size_t from,
                 size_t to)
{
    DebugPrint("-> MergeExport(%s, %s)\n", out, path);
    MergeTable table;
    if (!LoadTable(path, &table))
        return -1;
    size_t count = table.records.size();
    if (from > count) {
        Tell(MSG_MERGE_NO_SLICE, path, std::to_string(count), std::to_string(from) + "-" + std::to_string(to));
        return -1;
    }
    size_t first = from ? from - 1 : 0, last = from && to < count ? to - 1 : count - 1;
    std::vector<MergeUnshown> unshown;
    long written = MergeTableExport(out, path, &table, first, last, &unshown, xs, ys, xe, ye);
    for (size_t i = 0; written >= 0 && i < unshown.size(); i++)
        Show(UnshownText(unshown[i]));
    return written;
}

/* ------------------------------------------------------------ the command */

static const char *S(int msg)
{
    return GetString(&localeinfo, msg);
}

enum { MERGE_ONE_PDF = 1, MERGE_PER_RECORD = 2 };

/* The table (its path and what it holds), how to write, and where: false
 * when the user cancels or the table cannot serve, which is said at once. */
static bool AskMerge(std::string *table, MergeTable *t, std::string *out)
{
    const char *drawer = PDFPath[0] ? PDFPath : DataPath;
    if (!PlatformFileRequest(WIN_PROJECT, S(MSG_MERGE_TABLE_TITLE), DataPath, "", "(#?.csv|#?.tsv|#?.txt)", false,
                             *table) ||
        !LoadTable(table->c_str(), t))
        return false;
    int how = GuiEasyDialog(WIN_PROJECT, S(MSG_HINT), S(MSG_MERGE_CHOICE), S(MSG_MERGE_CHOICE_BUTTONS));
    if (how == MERGE_ONE_PDF)
        return PlatformFileRequest(WIN_PROJECT, S(121), drawer, ProjectName(), "#?.pdf", true, *out);
    if (how != MERGE_PER_RECORD)
        return false;
    std::string name;
    for (const std::string &field : t->names_utf8)
        if (name.empty() && !field.empty())
            name = "{" + field + "}.pdf";
    if (!PlatformFileRequest(WIN_PROJECT, S(MSG_MERGE_PATTERN_TITLE), drawer, name.c_str(), "#?.pdf", true, *out))
        return false;
    if (HasPlaceholders(*out))
        return true;
    Tell(MSG_MERGE_NO_PATTERN, *out);
    return false;
}

/* The files the merge would replace are asked about once, as "Create PDF"
 * asks about its one file. */
static bool MayReplace(const std::string &out, const MergeTable *t)
{
    bool exists = false;
    if (!HasPlaceholders(out)) {
        exists = FileExists(out.c_str());
    } else {
        std::set<std::string> used;
        for (size_t r = 0; r < t->records.size() && !exists; r++)
            exists = FileExists(RecordFileName(out, t, r, &used).c_str());
    }
    return !exists || GuiEasyDialog(WIN_PROJECT, S(MSG_HINT), S(76), S(78)) != 0;
}

/* How many PDFs were written and, in the same requester, the values the
 * text lines could not show: the first few and how many more. */
static std::string Done(long written, const std::vector<MergeUnshown> &unshown)
{
    const size_t listed = 10;
    std::string text = written == 1 ? Format(MSG_MERGE_ONE_DONE, "") : Format(MSG_MERGE_DONE, std::to_string(written));
    for (size_t i = 0; i < unshown.size() && i < listed; i++)
        text += "\n" + UnshownText(unshown[i]);
    if (unshown.size() > listed)
        text += "\n\x85 +" + std::to_string(unshown.size() - listed);
    return text;
}

bool MergeCommand(uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye, void *mstrip)
{
    std::string table, out;
    MergeTable t;
    if (!AskMerge(&table, &t, &out))
        return false;
    if (out.size() < 4 || out.compare(out.size() - 4, 4, ".pdf") != 0)
        out += ".pdf";
    if (!MayReplace(out, &t))
        return false;
    std::vector<MergeUnshown> unshown;
    PdfProgressBegin(int32_t(t.records.size()), mstrip);
    long written = MergeTableExport(out.c_str(), table.c_str(), &t, 0, t.records.size() - 1, &unshown, xs, ys, xe, ye);
    PdfProgressEnd();
    if (written >= 0)
        Show(Done(written, unshown));
    return written >= 0;
}
