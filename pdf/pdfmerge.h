/*
 * pdfmerge.h - merging a table into the project: the project's pages once
 * per record, into one PDF or into one PDF per record.
 */
#ifndef PAGIMO_PDF_PDFMERGE_H
#define PAGIMO_PDF_PDFMERGE_H

#include <cstdint>

struct MsgPort;

/* The number of PDFs written, or -1 after a failure that was reported. An
 * `out` holding a placeholder names one PDF per record. */
long MergeExport(const char *out, const char *table, uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye);
/* The "Merge..." command of the window. */
bool MergeCommand(uint32_t xs, uint32_t ys, uint32_t xe, uint32_t ye, void *mstrip);

#endif
