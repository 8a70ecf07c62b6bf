/*
 * fontcatalog.h - the font catalogue: the TrueType fonts the program offers
 * (those with a system font of the same full name), sorted into the four
 * style lists of the font chooser, the table of their TrueType files for the
 * PDF, and the metrics that turn a font request into screen and PDF sizes.
 *
 * Style codes: 0 normal, 1 italic, 2 bold, 3 bold italic.
 */
#ifndef PAGIMO_PDF_FONTCATALOG_H
#define PAGIMO_PDF_FONTCATALOG_H

#include <cstddef>
#include <cstdint>

/* A font request: "<full name>.font" and a size in pixels. */
struct TextAttr {
    char ta_Name[86];
    uint16_t ta_YSize;
};

/* One examined entry of the TrueType drawer. */
struct FontInfoRec {
    char filename[256]; /* "FONTS:<full name>.otag" */
    char fontname[256]; /* kept for the record layout; never filled */
    uint8_t style;
};

extern FontInfoRec FontInfo[81];
extern const char *nfont[81], *ifont[81], *bfont[81], *bifont[81];
extern const char *nfont_chooser[81], *ifont_chooser[81], *bfont_chooser[81], *bifont_chooser[81];
extern const char *fontconv[321][3]; /* TrueType path, full name, built-in name */
extern uint32_t fontconv_count;

void LookforTTFonts(void);
bool GetTTRealFontname(const char *filename, char *ttrname, size_t size);
/* GetTTRealFontname of a regular file into 255 bytes, without reading it
 * while it stands as it stood when its name was read. */
bool FontFileName(const char *path, char name[256]);
uint8_t GetFontStyle(const char *fontname);
bool GetFontData(const TextAttr *atext, uint32_t *base, double *rsize);
double GetTTFontSize(const TextAttr *ta, double *ssize);
void SetFontData(uint32_t oldcode, uint32_t code);

const char *const *FontNames(int style);
const char *const *FontLabels(int style);

#endif
