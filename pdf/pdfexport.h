/*
 * pdfexport.h - writing the project as a PDF document.
 */
#ifndef PAGIMO_PDF_PDFEXPORT_H
#define PAGIMO_PDF_PDFEXPORT_H

#include <cstdint>

struct MsgPort;

bool CreateProject(uint32_t xstart, uint32_t ystart, uint32_t xend, uint32_t yend, void *mstrip,
                   MsgPort *SPort);

#endif
