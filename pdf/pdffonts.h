/*
 * pdffonts.h - the libharu font of an element's font name: the TrueType
 * file the font catalogue found for that name, embedded in the document.
 */
#ifndef PAGIMO_PDF_PDFFONTS_H
#define PAGIMO_PDF_PDFFONTS_H

#include <cstdint>

#include <hpdf.h>

extern const char *errinfo; /* the name the libharu call under way concerns */

const char *GetharuFont(const char *afont, int16_t *disk);
HPDF_Font GetharuFontHandler(HPDF_Doc pdf, const char *fontname, float *intern);
void ResetharuFonts(void);

#endif
