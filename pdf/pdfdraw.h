/*
 * pdfdraw.h - drawing one element into its PDF page.
 */
#ifndef PAGIMO_PDF_PDFDRAW_H
#define PAGIMO_PDF_PDFDRAW_H

#include <cstdint>

#include <hpdf.h>

struct GElement;

enum { PDF_MAXPAGES = 1000 };

extern HPDF_Outline headlines[11];

void ResetPdfSizes(void);
float ConvertX(uint32_t value, uint32_t start, uint32_t end);
float ConvertY(uint32_t value, uint32_t start, uint32_t end);
void DrawElement(uint32_t pno, HPDF_Doc pdf, HPDF_Page *page, GElement *ge, uint32_t xstart,
                 uint32_t ystart, uint32_t xend, uint32_t yend);

#endif
