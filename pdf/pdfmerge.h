/*
 * pdfmerge.h - merging a table into the project: the project's pages once
 * per record, into one PDF or into one PDF per record.
 */
#ifndef PAGIMO_PDF_PDFMERGE_H
#define PAGIMO_PDF_PDFMERGE_H

#include <cstddef>
#include <cstdint>

struct MsgPort;

/* The number of PDFs written, or -1 after a failure that was reported. An
 * `out` holding a placeholder names one PDF per record. With `from`, only
 * the records from `from` to `to` (counted from 1; `to` past the table's
 * end stands for its end) are written, each named, numbered and titled as
 * in the merge of the whole table; without, every record. */
long MergeExport(const char *out, const char *table, uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye,
                 size_t from = 0, size_t to = 0);
/* The "Merge..." command of the window. */
bool MergeCommand(uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye, void *mstrip);

#endif
