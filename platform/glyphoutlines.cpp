/*
 * glyphoutlines.cpp - the outlines of TrueType glyphs as painter paths, so
 * that the page view draws a text from the same outlines the PDF embeds,
 * sharp at every zoom.
 *
 * Relies on screenfont.cpp for the faces: a face stays open until
 * CloseScreenFonts, which first calls ForgetGlyphOutlines, so a face
 * pointer in the cache always names a live face. Outlines are read in font
 * units, unhinted, and scaled to pixels at the em asked for, with y
 * growing downwards as in the window.
 */
#include "platform/qtprivate.h"
#include "platform/rastport.h"

#include <map>
#include <tuple>

#include <QPainterPath>
#include <QTransform>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

typedef std::tuple<void *, uint32_t, double> OutlineKey; /* face, glyph, em */

static std::map<OutlineKey, QPainterPath> outlines;

/* ------------------------------------------------------------ decomposing */

static QPointF Point(const FT_Vector *v)
{
    return QPointF(double(v->x), double(v->y));
}

static int MoveTo(const FT_Vector *to, void *user)
{
    QPainterPath *path = static_cast<QPainterPath *>(user);
    path->closeSubpath();
    path->moveTo(Point(to));
    return 0;
}

static int LineTo(const FT_Vector *to, void *user)
{
    static_cast<QPainterPath *>(user)->lineTo(Point(to));
    return 0;
}

static int ConicTo(const FT_Vector *control, const FT_Vector *to, void *user)
{
    static_cast<QPainterPath *>(user)->quadTo(Point(control), Point(to));
    return 0;
}

static int CubicTo(const FT_Vector *c1, const FT_Vector *c2, const FT_Vector *to, void *user)
{
    static_cast<QPainterPath *>(user)->cubicTo(Point(c1), Point(c2), Point(to));
    return 0;
}

/* The glyph's outline in font units, y upwards; empty for a glyph without
 * one (a blank) or one FreeType cannot load. */
static QPainterPath FontUnitsOutline(FT_Face face, uint32_t glyph)
{
    QPainterPath path;
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return path;
    static const FT_Outline_Funcs funcs = {MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
    if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &path) != 0)
        return QPainterPath();
    path.closeSubpath();
    path.setFillRule((face->glyph->outline.flags & FT_OUTLINE_EVEN_ODD_FILL) ? Qt::OddEvenFill : Qt::WindingFill);
    return path;
}

/* ------------------------------------------------------------ the cache */

QPainterPath GlyphOutline(void *face, uint32_t glyph, double em)
{
    OutlineKey key(face, glyph, em);
    auto it = outlines.find(key);
    if (it != outlines.end())
        return it->second;
    FT_Face ft = static_cast<FT_Face>(face);
    double scale = ft->units_per_EM ? em / ft->units_per_EM : 0.0;
    QPainterPath path = QTransform::fromScale(scale, -scale).map(FontUnitsOutline(ft, glyph));
    return outlines[key] = path;
}

void ForgetGlyphOutlines(void)
{
    outlines.clear();
}
