/*
 * mergetable.cpp - reading the table of a merge with libcsv: comma-, semicolon-
 * or tab-separated values as spreadsheets write them (quoted fields hold
 * separators, doubled quotes and line ends).
 *
 * The table is UTF-8, with or without a byte-order mark, UTF-16 with one
 * (the "Unicode text" of spreadsheets), or, when it is not valid UTF-8, in
 * the program's 8-bit set. Spreadsheets in German locales write semicolons,
 * and text exports tabs: the separator is whichever of ",", ";" and tab the
 * header line holds most of outside quotes (a comma on a tie). A quote opens
 * a quoted field only at the field's start; elsewhere it is a character of
 * the field (an inch, a second of arc). Lines whose fields are all empty (the blank
 * lines at a table's end) are no records; a record shorter than the header
 * has empty values for the missing fields.
 *
 * libcsv reads a field that goes on after its closing quote ("b"c) as if it
 * were still quoted, and an unclosed quote at the table's end as a field,
 * swallowing the records after either; its strict mode refuses the quotes
 * spreadsheets write inside unquoted fields as well. So the table's quotes
 * are checked here first (Walk), stepping through the fields as libcsv does.
 */
#include "document/mergetable.h"

#include <algorithm>
#include <csv.h>
#include <map>

#include "platform/charset.h"
#include "platform/files.h"

/* ------------------------------------------------------------ the text */

/* A table in UTF-16 (it starts with a byte-order mark) as UTF-8; false for
 * any other table. A lone surrogate becomes U+FFFD. */
static bool FromUtf16(const std::string &bytes, std::string *text)
{
    bool little = bytes.compare(0, 2, "\xFF\xFE") == 0;
    if (!little && bytes.compare(0, 2, "\xFE\xFF") != 0)
        return false;
    auto unit = [&](size_t i) -> uint32_t {
        uint32_t a = (unsigned char)bytes[i], b = (unsigned char)bytes[i + 1];
        return little ? a | b << 8 : a << 8 | b;
    };
    text->clear();
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (u >= 0xD800 && u < 0xE000) {
            u = 0xFFFD;
        }
        PutUtf8(*text, u);
    }
    return true;
}

/* The table's text without a byte-order mark, in UTF-8 or the 8-bit set. */
static std::string TableText(const std::string &bytes)
{
    std::string text;
    if (FromUtf16(bytes, &text))
        return text;
    return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
}

static std::string InLine(size_t line)
{
    return " (in line " + std::to_string(line) + ")";
}

/* ------------------------------------------------------------ quotes and the separator */

/* Blanks before and after a field's quotes are no part of it. */
static bool Blank(char c, char separator)
{
    return (c == ' ' || c == '\t') && c != separator;
}

/* The closing quote of the quoted field opening at `at`, or npos; *line
 * counts the line ends passed. */
static size_t ClosingQuote(const std::string &text, size_t at, size_t *line)
{
    for (size_t i = at + 1; i < text.size(); i++) {
        if (text[i] == '\n')
            ++*line;
        else if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"')
            i++;
        else if (text[i] == '"')
            return i;
    }
    return std::string::npos;
}

/* Walks the fields as libcsv reads them with `separator`, to the end of the
 * header line or, with `whole`, of the table; returns the separators outside
 * quotes. *why says what would be read other than as meant. */
static size_t Walk(const std::string &text, char separator, bool whole, std::string *why)
{
    size_t separators = 0, line = 1;
    bool start = true; /* at a field's start */
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (start && Blank(c, separator))
            continue;
        if (start && c == '"') {
            size_t opened = line;
            i = ClosingQuote(text, i, &line);
            if (i == std::string::npos) {
                *why = "a quoted field is not closed" + InLine(opened);
                break;
            }
            while (i + 1 < text.size() && Blank(text[i + 1], separator))
                i++;
            char next = i + 1 < text.size() ? text[i + 1] : '\n';
            if (next != separator && next != '\n' && next != '\r') {
                *why = "a quoted field goes on after its closing quote" + InLine(line) +
                       "; a quote inside quotes is written twice";
                break;
            }
            start = false;
            continue;
        }
        bool end = c == '\n' || c == '\r';
        if (end && !whole)
            break;
        separators += c == separator;
        line += c == '\n';
        start = end || c == separator;
    }
    return separators;
}

static char DetectSeparator(const std::string &text)
{
    char best = ',';
    size_t most = 0;
    std::string why;
    for (char separator : {',', ';', '\t'}) {
        size_t n = Walk(text, separator, false, &why);
        if (n > most)
            best = separator, most = n;
    }
    return best;
}

/* The reason a table's text cannot be read, or "". */
static std::string CheckText(const std::string &text, char separator)
{
    size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        size_t line = size_t(std::count(text.begin(), text.begin() + long(nul), '\n')) + 1;
        return "a field holds a NUL byte" + InLine(line);
    }
    std::string why;
    Walk(text, separator, true, &why);
    return why;
}

/* ------------------------------------------------------------ parsing */

struct Collect {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
};

static void OnField(void *data, size_t len, void *collect)
{
    static_cast<Collect *>(collect)->row.emplace_back(data ? static_cast<const char *>(data) : "", len);
}

static void OnRecord(int, void *collect)
{
    Collect *c = static_cast<Collect *>(collect);
    c->rows.push_back(std::move(c->row));
    c->row.clear();
}

static bool AllEmpty(const std::vector<std::string> &row)
{
    for (const std::string &f : row)
        if (!f.empty())
            return false;
    return true;
}

/* A value in the program's 8-bit set, from a table in UTF-8 or in that set. */
static std::string To8Bit(const std::string &value, bool utf8)
{
    if (!utf8)
        return value;
    std::string out(value.size() + 1, '\0');
    out.resize(CharsetFromUtf8(value.c_str(), &out[0], out.size()));
    return out;
}

static std::string ToUtf8(const std::string &value, bool utf8)
{
    return utf8 ? value : TextFileToUtf8(value);
}

static void Keep(MergeTable *t, const std::vector<std::vector<std::string>> &rows, bool utf8)
{
    for (const std::string &n : rows[0]) {
        size_t a = n.find_first_not_of(" \t"), b = n.find_last_not_of(" \t");
        std::string name = a == std::string::npos ? std::string() : n.substr(a, b - a + 1);
        t->names.push_back(To8Bit(name, utf8));
        t->names_utf8.push_back(ToUtf8(name, utf8));
    }
    for (size_t r = 1; r < rows.size(); r++) {
        if (AllEmpty(rows[r]))
            continue;
        std::vector<std::string> values(t->names.size()), values_utf8(t->names.size());
        for (size_t i = 0; i < t->names.size() && i < rows[r].size(); i++) {
            values[i] = To8Bit(rows[r][i], utf8);
            values_utf8[i] = ToUtf8(rows[r][i], utf8);
        }
        t->records.push_back(std::move(values));
        t->records_utf8.push_back(std::move(values_utf8));
    }
}

/* Two fields of one name would leave the second unreachable. Empty names
 * (the columns a spreadsheet adds at the end) name nothing. */
static std::string DuplicateName(const MergeTable *t)
{
    std::map<std::string, size_t> seen;
    for (size_t i = 0; i < t->names.size(); i++) {
        if (t->names[i].empty())
            continue;
        auto it = seen.emplace(t->names[i], i).first;
        if (it->second != i)
            return "the header line names the field {" + t->names[i] + "} twice (columns " +
                   std::to_string(it->second + 1) + " and " + std::to_string(i + 1) + ")";
    }
    return "";
}

int ParseMergeTable(const std::string &bytes, MergeTable *table, std::string *why)
{
    *table = MergeTable();
    std::string text = TableText(bytes);
    bool utf8 = IsUtf8(text);
    table->separator = DetectSeparator(text);
    *why = CheckText(text, table->separator);
    if (!why->empty())
        return TABLE_MALFORMED;
    struct csv_parser p;
    if (csv_init(&p, CSV_APPEND_NULL) != 0) {
        *why = "out of memory";
        return TABLE_UNREADABLE;
    }
    csv_set_delim(&p, (unsigned char)table->separator);
    Collect c;
    bool ok = csv_parse(&p, text.data(), text.size(), OnField, OnRecord, &c) == text.size() &&
              csv_fini(&p, OnField, OnRecord, &c) == 0;
    if (!ok)
        *why = csv_strerror(csv_error(&p));
    csv_free(&p);
    if (!ok)
        return TABLE_UNREADABLE;
    if (c.rows.empty() || AllEmpty(c.rows[0])) {
        *why = "no header line";
        return TABLE_EMPTY;
    }
    Keep(table, c.rows, utf8);
    *why = DuplicateName(table);
    if (!why->empty())
        return TABLE_MALFORMED;
    if (table->records.empty()) {
        *why = "no records";
        return TABLE_EMPTY;
    }
    return TABLE_OK;
}

int ReadMergeTable(const char *path, MergeTable *table, std::string *why)
{
    std::string bytes;
    if (!ReadWholeFile(path, &bytes)) {
        *why = "it is missing, no regular file, or larger than 64 MB";
        return TABLE_UNREADABLE;
    }
    return ParseMergeTable(bytes, table, why);
}

/* -1 when the table has no field of that name. */
int MergeFieldIndex(const MergeTable *table, const std::string &name)
{
    for (size_t i = 0; i < table->names.size(); i++)
        if (table->names[i] == name)
            return int(i);
    return -1;
}
