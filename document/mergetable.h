/*
 * mergetable.h - the table of a merge: a CSV file whose header line names
 * the fields and whose every further line is one record.
 */
#ifndef PAGIMO_DOCUMENT_MERGETABLE_H
#define PAGIMO_DOCUMENT_MERGETABLE_H

#include <string>
#include <vector>

/* Field names and values are kept twice: in the program's 8-bit set for
 * the texts of elements, and in UTF-8 for file names. */
struct MergeTable {
    std::vector<std::string> names, names_utf8;
    std::vector<std::vector<std::string>> records, records_utf8;
    char separator;
};

enum { TABLE_OK, TABLE_UNREADABLE, TABLE_MALFORMED, TABLE_EMPTY };

int ReadMergeTable(const char *path, MergeTable *table, std::string *why);
int ParseMergeTable(const std::string &bytes, MergeTable *table, std::string *why);
int MergeFieldIndex(const MergeTable *table, const std::string &name);

#endif
