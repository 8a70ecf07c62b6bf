/*
 * placeholders.cpp - filling "{name}" placeholders from a record of the
 * merge table, the file names of one PDF per record, and the filled texts
 * of the elements while a record is merged.
 *
 * A "{" starts a placeholder only when a "}" closes it on the same line
 * with a name between; any other brace is text. Filled texts are never cut
 * to the size of an element's field: they are kept here, and the PDF takes
 * an element's text through ElementText. The project itself never changes.
 */
#include "document/placeholders.h"

#include <algorithm>
#include <functional>
#include <map>

#include "document/pagelist.h"
#include "document/records.h"
#include "platform/charset.h"
#include "text/textbox.h"

/* ------------------------------------------------------------ filling */

/* Finds the placeholders of one text from left to right in time linear in
 * its length: the next "}" and the next character a name cannot hold are
 * remembered until the scan passes them, instead of being looked for anew
 * at every "{". */
struct Scan {
    const std::string &text;
    size_t close, stop;
};

/* The name of the placeholder starting at `at` (a "{"), and where it ends;
 * false when the brace starts none. */
static bool PlaceholderAt(Scan *s, size_t at, std::string *name, size_t *end)
{
    if (s->close <= at)
        s->close = s->text.find('}', at + 1);
    if (s->stop <= at)
        s->stop = s->text.find_first_of("{\n\r", at + 1);
    if (s->close == std::string::npos || s->close == at + 1 || s->stop < s->close)
        return false;
    *name = s->text.substr(at + 1, s->close - at - 1);
    *end = s->close + 1;
    return true;
}

/* Fills with value(field) for each placeholder; false at the first name
 * not among `names`. */
static bool Fill(const std::string &text, const std::vector<std::string> &names,
                 const std::function<const std::string &(size_t)> &value, std::string *out,
                 std::string *missing)
{
    out->clear();
    Scan scan{text, 0, 0};
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        std::string name;
        size_t end;
        if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
            out->push_back(c), i += 2;
        } else if (c == '{' && PlaceholderAt(&scan, i, &name, &end)) {
            size_t field = 0;
            while (field < names.size() && names[field] != name)
                field++;
            if (field == names.size()) {
                *missing = name;
                return false;
            }
            *out += value(field);
            i = end;
        } else {
            out->push_back(c), i++;
        }
    }
    return true;
}

bool FillPlaceholders(const std::string &text, const MergeTable *table, size_t record, bool utf8,
                      std::string *out, std::string *missing)
{
    static const std::string none;
    const auto &values = utf8 ? table->records_utf8 : table->records;
    return Fill(text, utf8 ? table->names_utf8 : table->names,
                [&](size_t f) -> const std::string & { return record < values.size() ? values[record][f] : none; },
                out, missing);
}

bool HasPlaceholders(const std::string &text)
{
    std::string name;
    size_t end;
    Scan scan{text, 0, 0};
    for (size_t i = 0; i < text.size(); i++) {
        if ((text[i] == '{' || text[i] == '}') && i + 1 < text.size() && text[i + 1] == text[i])
            i++;
        else if (text[i] == '{' && PlaceholderAt(&scan, i, &name, &end))
            return true;
    }
    return false;
}

/* ------------------------------------------------------------ file names */

/* What a value may not bring into a file name: the folder separator, and
 * the characters other systems refuse, so the files can be passed on. */
static std::string NameSafe(const std::string &value)
{
    std::string out;
    for (unsigned char c : value)
        out.push_back(c < 0x20 || c == 0x7F || std::string("/\\:*?\"<>|").find(char(c)) != std::string::npos ? '_'
                                                                                                             : char(c));
    /* "." and ".." would name a folder where a name was meant. */
    if (!out.empty() && out.find_first_not_of('.') == std::string::npos)
        out.assign(out.size(), '_');
    return out;
}

/* File names are limited to 255 bytes: a long stem is cut, at a character
 * boundary, leaving room for "-N" and the extension. */
static std::string CutStem(const std::string &stem)
{
    const size_t most = 200;
    if (stem.size() <= most)
        return stem;
    size_t end = most;
    while (end > 0 && (static_cast<unsigned char>(stem[end]) & 0xC0) == 0x80)
        end--;
    return stem.substr(0, end);
}

static std::string Stem(const std::string &base, std::string *ext)
{
    size_t dot = base.rfind('.');
    *ext = dot == std::string::npos ? std::string() : base.substr(dot);
    return base.substr(0, base.size() - ext->size());
}

std::string RecordFileName(const std::string &pattern, const MergeTable *table, size_t record,
                           std::set<std::string> *used)
{
    std::vector<std::string> safe;
    for (const std::string &v : table->records_utf8[record])
        safe.push_back(NameSafe(v));
    std::string filled, missing;
    Fill(pattern, table->names_utf8, [&](size_t f) -> const std::string & { return safe[f]; }, &filled,
         &missing);
    size_t slash = filled.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : filled.substr(0, slash + 1);
    std::string ext, stem = CutStem(Stem(filled.substr(dir.size()), &ext));
    if (stem.find_first_not_of(" _") == std::string::npos)
        stem = std::to_string(record + 1);
    std::string name = dir + stem + ext;
    for (int n = 2; used->count(name); n++)
        name = dir + stem + "-" + std::to_string(n) + ext;
    used->insert(name);
    return name;
}

/* ------------------------------------------------------------ texts of elements */

static const MergeTable *merge_table;
static size_t merge_record;
static std::map<const GElement *, std::string> merged_text, merged_link;
static std::map<std::string, std::string> merged_files;
static std::string merged_title;

/* The longest string a PDF holds (libharu refuses longer ones). */
static const size_t PDF_STRING_MAX = 65535;

/* With `utf8`, the text is UTF-8 (a textbox's) and names the fields in it. */
static bool Known(const MergeTable *table, const std::string &text, std::string *missing, bool utf8 = false)
{
    std::string out;
    return Fill(text, utf8 ? table->names_utf8 : table->names,
                [](size_t) -> const std::string & { static const std::string e; return e; }, &out, missing);
}

/* Every placeholder of the project must name a field of the table; a
 * textbox's text is checked as the textboxes load it (UTF-8), and the
 * name it misses is told in the 8-bit set of the messages. */
static bool CheckElement(const MergeTable *table, const GElement *ge, std::string *missing)
{
    uint8_t t = ge->node.ln_Type;
    if (t == ET_TEXT || t == ET_LINK)
        return Known(table, ge->edata.td.text, missing) &&
               (t != ET_LINK || Known(table, ge->edata.td.link, missing));
    char *text = t == ET_TEXTBOX ? GetTextFile(ge->edata.tbd.fn) : nullptr;
    bool known = !text || Known(table, text, missing, true);
    FreeTextFile(text);
    if (!known) {
        std::string name(missing->size() + 1, '\0');
        name.resize(CharsetFromUtf8(missing->c_str(), &name[0], name.size()));
        *missing = name;
    }
    return known;
}

/* The texts are checked before the merge begins, so that they are read
 * unfilled. */
bool MergeBegin(const MergeTable *table, std::string *missing, uint32_t *page)
{
    *page = 0;
    for (Node *pn = GetHead(&pages); pn; pn = GetSucc(pn)) {
        ++*page;
        List *elements = &reinterpret_cast<PageNode *>(pn)->page;
        for (Node *e = GetHead(elements); e; e = GetSucc(e))
            if (!CheckElement(table, reinterpret_cast<GElement *>(e), missing))
                return false;
    }
    merge_table = table;
    return true;
}

/* A text line is one line: line ends in a value become blanks. */
static std::string OneLine(std::string text)
{
    for (char &c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

/* A web address filled from a table: its UTF-8 bytes beyond ASCII, blanks
 * and the characters an address cannot hold are percent-encoded; the
 * address's own delimiters (/ : ? & = #) stay. */
static std::string UriSafe(const std::string &uri)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : uri) {
        if (c <= 0x20 || c >= 0x7F || std::string("\"<>\\^`{|}").find(char(c)) != std::string::npos)
            out += '%', out += hex[c >> 4], out += hex[c & 15];
        else
            out += char(c);
    }
    return out;
}

void MergeRecord(size_t record)
{
    merge_record = record;
    merged_text.clear(), merged_link.clear(), merged_files.clear();
    merged_title = merge_table->records[record][0].substr(0, PDF_STRING_MAX);
    std::string out, missing;
    for (Node *pn = GetHead(&pages); pn; pn = GetSucc(pn)) {
        List *elements = &reinterpret_cast<PageNode *>(pn)->page;
        for (Node *e = GetHead(elements); e; e = GetSucc(e)) {
            const GElement *ge = reinterpret_cast<GElement *>(e);
            if (ge->node.ln_Type != ET_TEXT && ge->node.ln_Type != ET_LINK)
                continue;
            if (FillPlaceholders(ge->edata.td.text, merge_table, record, false, &out, &missing))
                merged_text[ge] = OneLine(out);
            if (ge->node.ln_Type == ET_LINK &&
                FillPlaceholders(CharsetToUtf8(ge->edata.td.link), merge_table, record, true, &out, &missing))
                merged_link[ge] = UriSafe(out);
        }
    }
}

void MergeEnd(void)
{
    merge_table = nullptr;
    merged_text.clear(), merged_link.clear(), merged_files.clear();
}

bool Merging(void)
{
    return merge_table != nullptr;
}

/* The record being merged, -1 outside a merge. */
long MergedRecord(void)
{
    return merge_table ? long(merge_record) : -1;
}

/* The outline entry of the record being merged: its first field. */
const char *MergedTitle(void)
{
    return merged_title.c_str();
}

const char *ElementText(const GElement *ge)
{
    auto it = merged_text.find(ge);
    return it == merged_text.end() ? ge->edata.td.text : it->second.c_str();
}

const char *ElementLink(const GElement *ge)
{
    auto it = merged_link.find(ge);
    return it == merged_link.end() ? ge->edata.td.link : it->second.c_str();
}

/* The text a textbox file shows for the record being merged: UTF-8, as
 * the textboxes load it, filled with the values as the table holds them. */
const char *MergedFileText(const char *fn, const char *text)
{
    if (!merge_table)
        return text;
    auto it = merged_files.find(fn);
    if (it == merged_files.end()) {
        std::string out, missing;
        if (!FillPlaceholders(text, merge_table, merge_record, true, &out, &missing))
            return text;
        it = merged_files.emplace(fn, out).first;
    }
    return it->second.c_str();
}

/* ------------------------------------------------------------ values a text line cannot take */

/* A text line or link that names a field, on its page. */
struct Placed {
    const GElement *ge;
    uint32_t page;
};

static std::vector<Placed> FilledLines(void)
{
    std::vector<Placed> lines;
    uint32_t page = 0;
    for (Node *pn = GetHead(&pages); pn; pn = GetSucc(pn)) {
        ++page;
        List *elements = &reinterpret_cast<PageNode *>(pn)->page;
        for (Node *e = GetHead(elements); e; e = GetSucc(e)) {
            const GElement *ge = reinterpret_cast<GElement *>(e);
            uint8_t t = ge->node.ln_Type;
            if ((t == ET_TEXT || t == ET_LINK) &&
                (HasPlaceholders(ge->edata.td.text) || (t == ET_LINK && HasPlaceholders(ge->edata.td.link))))
                lines.push_back({ge, page});
        }
    }
    return lines;
}

/* The length of `text` filled from `values` (as a web address with `uri`),
 * and the field of the longest value it takes in *longest; the fields it
 * takes are marked in *taken when given. */
static size_t FilledLength(const std::string &text, const std::vector<std::string> &names,
                           const std::vector<std::string> &values, bool uri, size_t *longest,
                           std::vector<bool> *taken)
{
    *longest = std::string::npos;
    std::string out, missing;
    Fill(text, names,
         [&](size_t f) -> const std::string & {
             if (taken)
                 (*taken)[f] = true;
             if (*longest == std::string::npos || values[f].size() > values[*longest].size())
                 *longest = f;
             return values[f];
         },
         &out, &missing);
    return uri ? UriSafe(out).size() : out.size();
}

/* The characters of a UTF-8 value the 8-bit set lacks, each once, by
 * code point ("U+02A4, U+2192"): some look like others or not at all. */
static std::string Unshown(const std::string &utf8)
{
    std::vector<uint32_t> found;
    bool valid;
    for (size_t pos = 0; pos < utf8.size();) {
        uint32_t u = Utf8Next(utf8, &pos, &valid);
        if (valid && CharsetFromUnicode(u) < 0 && std::find(found.begin(), found.end(), u) == found.end())
            found.push_back(u);
    }
    return CodePointNames(found, 8);
}

/* Fills the text lines and links of the records from first to last ahead
 * of the export, which could not take them midway: false with the first
 * text or web address longer than a PDF holds in *too_long. The characters
 * the text lines cannot show go to *unshown, once per record and field. */
bool MergeCheckValues(MergeTooLong *too_long, std::vector<MergeUnshown> *unshown, size_t first, size_t last)
{
    const MergeTable *t = merge_table;
    std::vector<Placed> lines = FilledLines();
    std::vector<bool> shown(t->names.size());
    last = std::min(last, t->records.size() - 1);
    for (size_t r = first; r <= last; r++) {
        /* The texts first: what shows is what the user looks for. */
        for (int address = 0; address < 2; address++) {
            for (const Placed &p : lines) {
                size_t f = std::string::npos, n = 0;
                if (!address)
                    n = FilledLength(p.ge->edata.td.text, t->names, t->records[r], false, &f, &shown);
                else if (p.ge->node.ln_Type == ET_LINK)
                    n = FilledLength(CharsetToUtf8(p.ge->edata.td.link), t->names_utf8, t->records_utf8[r], true,
                                     &f, nullptr);
                if (n > PDF_STRING_MAX && f != std::string::npos) {
                    *too_long = {r, n, t->names[f], p.page};
                    return false;
                }
            }
        }
    }
    for (size_t r = first; r <= last; r++) {
        for (size_t f = 0; f < shown.size(); f++) {
            std::string chars = shown[f] ? Unshown(t->records_utf8[r][f]) : "";
            if (!chars.empty())
                unshown->push_back({r, t->names[f], chars});
        }
    }
    return true;
}
