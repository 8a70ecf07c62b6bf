/*
 * pdfexport.h - writing the project as a PDF document: the "Create PDF"
 * command with its file requester, and the export to a given file.
 */
#ifndef PAGIMO_PDF_PDFEXPORT_H
#define PAGIMO_PDF_PDFEXPORT_H

#include <cstddef>
#include <cstdint>

#include <hpdf.h>

struct MsgPort;
struct MergeTable;

extern bool PdfBatch; /* exporting without windows: no progress, no questions */
extern bool PdfJob;   /* the command-line job: errors name the project and page */

bool CreateProject(uint32_t xstart, uint32_t ystart, uint32_t xend, uint32_t yend, void *mstrip,
                   MsgPort *SPort);
bool ExportProject(const char *path, uint32_t xstart, uint32_t ystart, uint32_t xend, uint32_t yend);
bool ExportMerged(const char *path, const MergeTable *table, size_t first, size_t last, uint32_t xstart,
                  uint32_t ystart, uint32_t xend, uint32_t yend);
uint32_t ExportedPages(void);
void PdfSweepOnce(bool once);
/* A merge holds one progress window over all the documents it writes. */
void PdfProgressBegin(int32_t steps, void *mstrip);
void PdfProgressStep(int32_t step);
void PdfProgressEnd(void);
void error_handler(HPDF_STATUS error_no, HPDF_STATUS detail_no, void *user_data);

#endif
