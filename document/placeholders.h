/*
 * placeholders.h - the placeholders of a merge: "{name}" in a text stands
 * for the value of the field of that name in the record being merged;
 * "{{" and "}}" stand for the braces themselves.
 */
#ifndef PAGIMO_DOCUMENT_PLACEHOLDERS_H
#define PAGIMO_DOCUMENT_PLACEHOLDERS_H

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "document/mergetable.h"

struct GElement;

/* The text with its placeholders filled from record `record` (in the
 * 8-bit set, or in UTF-8 with `utf8`); false with the first field the table
 * lacks in *missing. */
bool FillPlaceholders(const std::string &text, const MergeTable *table, size_t record, bool utf8,
                      std::string *out, std::string *missing);
bool HasPlaceholders(const std::string &text);

/* The output file of a record from a name pattern (UTF-8); names already
 * given are in *used and the new one is added. */
std::string RecordFileName(const std::string &pattern, const MergeTable *table, size_t record,
                           std::set<std::string> *used);

/* ------------------------------------------------------------ texts of elements */

/* While a record is merged, the texts of the elements and of the textbox
 * files are the filled ones; otherwise their own. The pointers stay valid
 * until the next record or MergeEnd. */
bool MergeBegin(const MergeTable *table, std::string *missing, uint32_t *page);
void MergeRecord(size_t record);
void MergeEnd(void);
bool Merging(void);
long MergedRecord(void);
const char *MergedTitle(void);
const char *ElementText(const GElement *ge);
const char *ElementLink(const GElement *ge);
const char *MergedFileText(const char *fn, const char *text);

/* ------------------------------------------------------------ values a text line cannot take */

/* Records count from 0; field names are in the 8-bit set. */
struct MergeTooLong {
    size_t record, length;
    std::string field;
    uint32_t page;
};
struct MergeUnshown {
    size_t record;
    std::string field, chars;
};

/* Between MergeBegin and MergeEnd; the records from first to last. */
bool MergeCheckValues(MergeTooLong *too_long, std::vector<MergeUnshown> *unshown, size_t first = 0,
                      size_t last = SIZE_MAX);

#endif
