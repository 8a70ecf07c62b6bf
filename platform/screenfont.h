/*
 * screenfont.h - the screen font service: a font request ("<full name>.font"
 * and a size in pixels) opened as the TrueType file that "FONTS:<name>"
 * names, at the size its tag file "FONTS:<full name>.otag" gives. Widths,
 * the baseline and text drawing into a RastPort, as glyph outlines.
 *
 * Also the tag list format that the font installer writes and the font
 * catalogue reads: big-endian (32-bit tag, 32-bit value) items ended by
 * tag 0.
 */
#ifndef PAGIMO_PLATFORM_SCREENFONT_H
#define PAGIMO_PLATFORM_SCREENFONT_H

#include <cstddef>
#include <cstdint>
#include <vector>

enum : uint32_t {
    OT_Indirect = 0x8000,         /* the value is an offset into the tag file */
    OT_YSizeFactor = 0x80001011,  /* numerator << 16 | denominator */
    OT_SpaceWidth = 0x80002012,   /* width of a blank in 1/2540 */
};

/* First line of a "FONTS:<name>.font" file; the second is the TrueType path. */
#define SCREENFONT_MAGIC "PAGIMO-FONT 1"

struct ScreenFont;
struct RastPort;

/* The design metrics of a TrueType file, in font units, as FreeType reports
 * them (the descender is negative). */
struct TrueTypeMetrics {
    uint32_t unitsPerEm;
    int32_t ascender, descender;
    int32_t blank; /* advance of the blank */
};

ScreenFont *OpenScreenFont(const char *name, uint16_t ysize);
void CloseScreenFont(ScreenFont *font);
uint32_t ScreenFontBaseline(const ScreenFont *font);
uint32_t ScreenFontTextLength(const ScreenFont *font, const char *text, size_t len);
/* For a text measured as it grows a character at a time: the advance of
 * one Unicode character in font units, and the width of a sum of advances
 * rounded as ScreenFontTextLength rounds it. */
double ScreenFontAdvance(const ScreenFont *font, uint32_t cp);
double ScreenFontUnitsScale(const ScreenFont *font);
void ScreenFontDrawText(const ScreenFont *font, RastPort *rp, int32_t x, int32_t baseline_y,
                        const char *text, size_t len);

/* Texts in UTF-8 (those of textboxes): any Unicode character, measured and
 * drawn with the font's own glyph, or its missing-glyph box (glyph 0) for
 * a character the font lacks. */
uint32_t ScreenFontUtf8Length(const ScreenFont *font, const char *text, size_t len);
void ScreenFontDrawUtf8(const ScreenFont *font, RastPort *rp, int32_t x, int32_t baseline_y,
                        const char *text, size_t len);
bool ScreenFontHasGlyph(const ScreenFont *font, uint32_t cp);
/* The glyph index of `cp` followed by every glyph it is composed of. */
const std::vector<uint32_t> &ScreenFontGlyphParts(const ScreenFont *font, uint32_t cp);

/* Closes every cached face and FreeType itself, at shutdown. No screen
 * font may be open then; the service starts afresh when used again. */
void CloseScreenFonts(void);

/* The TrueType file (a program path) that "FONTS:<name>" describes; name
 * ends in ".font". */
bool ReadFontFile(const char *name, char *ttpath, size_t size);
bool ReadTrueTypeMetrics(const char *ttpath, TrueTypeMetrics *m);
bool TagListValue(const uint8_t *items, size_t size, uint32_t tag, uint32_t *value);

#endif
