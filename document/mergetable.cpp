/*
 * mergetable.cpp - reading the CSV table of a merge with libcsv (RFC 4180:
 * quoted fields hold separators, doubled quotes and line ends).
 *
 * The table is UTF-8, with or without a byte-order mark, or, when it is not
 * valid UTF-8, in the program's 8-bit set. Spreadsheets in German locales
 * write semicolons: the separator is whichever of "," and ";" the header
 * line holds more of outside quotes (a comma on a tie). Lines whose fields
 * are all empty (the blank lines at a table's end) are no records; a record
 * shorter than the header has empty values for the missing fields.
 */
#include "document/mergetable.h"

#include <csv.h>

#include "platform/charset.h"
#include "platform/files.h"

/* ------------------------------------------------------------ the separator */

static char DetectSeparator(const std::string &text)
{
    size_t commas = 0, semicolons = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted)
            commas += c == ',', semicolons += c == ';';
    }
    return semicolons > commas ? ';' : ',';
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

int ParseMergeTable(const std::string &bytes, MergeTable *table, std::string *why)
{
    *table = MergeTable();
    std::string text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    bool utf8 = IsUtf8(text);
    table->separator = DetectSeparator(text);
    struct csv_parser p;
    /* Strict: a stray or unclosed quote is an error, never a silent merge
     * of the records that follow into one field. */
    if (csv_init(&p, CSV_APPEND_NULL | CSV_STRICT | CSV_STRICT_FINI) != 0) {
        *why = "out of memory";
        return TABLE_UNREADABLE;
    }
    csv_set_delim(&p, (unsigned char)table->separator);
    Collect c;
    bool ok = csv_parse(&p, text.data(), text.size(), OnField, OnRecord, &c) == text.size() &&
              csv_fini(&p, OnField, OnRecord, &c) == 0;
    if (!ok)
        *why = std::string(csv_strerror(csv_error(&p))) + " (in line " + std::to_string(c.rows.size() + 1) + ")";
    csv_free(&p);
    if (!ok)
        return TABLE_MALFORMED;
    if (c.rows.empty() || AllEmpty(c.rows[0])) {
        *why = "no header line";
        return TABLE_EMPTY;
    }
    Keep(table, c.rows, utf8);
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
