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

#include <functional>
#include <map>

#include "document/pagelist.h"
#include "document/records.h"
#include "platform/charset.h"
#include "text/textbox.h"

/* ------------------------------------------------------------ filling */

/* The name of the placeholder starting at `at` (a "{"), and where it ends;
 * false when the brace starts none. */
static bool PlaceholderAt(const std::string &text, size_t at, std::string *name, size_t *end)
{
    size_t close = text.find('}', at + 1);
    if (close == std::string::npos || close == at + 1)
        return false;
    *name = text.substr(at + 1, close - at - 1);
    if (name->find_first_of("{\n\r") != std::string::npos)
        return false;
    *end = close + 1;
    return true;
}

/* Fills with value(field) for each placeholder; false at the first name
 * not among `names`. */
static bool Fill(const std::string &text, const std::vector<std::string> &names,
                 const std::function<const std::string &(size_t)> &value, std::string *out,
                 std::string *missing)
{
    out->clear();
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        std::string name;
        size_t end;
        if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
            out->push_back(c), i += 2;
        } else if (c == '{' && PlaceholderAt(text, i, &name, &end)) {
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
    for (size_t i = 0; i < text.size(); i++) {
        if ((text[i] == '{' || text[i] == '}') && i + 1 < text.size() && text[i + 1] == text[i])
            i++;
        else if (text[i] == '{' && PlaceholderAt(text, i, &name, &end))
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

static bool Known(const MergeTable *table, const std::string &text, std::string *missing)
{
    std::string out;
    return Fill(text, table->names, [](size_t) -> const std::string & { static const std::string e; return e; },
                &out, missing);
}

/* Every placeholder of the project must name a field of the table; a
 * textbox's text is checked as the textboxes load it. */
static bool CheckElement(const MergeTable *table, const GElement *ge, std::string *missing)
{
    uint8_t t = ge->node.ln_Type;
    if (t == ET_TEXT || t == ET_LINK)
        return Known(table, ge->edata.td.text, missing) &&
               (t != ET_LINK || Known(table, ge->edata.td.link, missing));
    char *text = t == ET_TEXTBOX ? GetTextFile(ge->edata.tbd.fn) : nullptr;
    bool known = !text || Known(table, text, missing);
    FreeTextFile(text);
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

/* The text a textbox file shows for the record being merged. */
const char *MergedFileText(const char *fn, const char *text)
{
    if (!merge_table)
        return text;
    auto it = merged_files.find(fn);
    if (it == merged_files.end()) {
        std::string out, missing;
        if (!FillPlaceholders(text, merge_table, merge_record, false, &out, &missing))
            return text;
        it = merged_files.emplace(fn, out).first;
    }
    return it->second.c_str();
}
