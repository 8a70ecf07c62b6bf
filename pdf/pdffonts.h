/*
 * pdffonts.h - the libharu font of an element's font name: the TrueType
 * file the font catalogue found for that name, embedded in the document,
 * for 8-bit texts and, as a CID font, for the UTF-8 texts of textboxes.
 */
#ifndef PAGIMO_PDF_PDFFONTS_H
#define PAGIMO_PDF_PDFFONTS_H

#include <cstdint>
#include <vector>

#include <hpdf.h>

#include "platform/fontsanitize.h"

/* The status error_handler gets when the font sanitizer cannot be started:
 * outside the range of libharu's own codes. */
enum { PDF_NO_SANITIZER = 0x2001 };

extern const char *errinfo; /* the name the libharu call under way concerns */

const char *GetharuFont(const char *afont, int16_t *disk);
HPDF_Font GetharuFontHandler(HPDF_Doc pdf, const char *fontname, float *intern);
void ResetharuFonts(void);
void KeepFontCopies(bool keep);
void ReturnharuFonts(HPDF_Doc pdf);
void CloseharuFonts(void);
const char *LoadSanitizedFont(HPDF_Doc pdf, const char *file, SanitizeResult *result);

/* Textboxes set UTF-8 texts in the Unicode face of their TrueType font;
 * every glyph a set character needs (ScreenFontGlyphParts) goes with it. */
HPDF_Font GetharuUnicodeFont(HPDF_Font font);
void EmbedGlyphs(HPDF_Font font, const std::vector<uint32_t> &glyphs);

#endif
