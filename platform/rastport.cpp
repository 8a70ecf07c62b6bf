/*
 * rastport.cpp - the main window's drawing surface (see rastport.h), kept
 * as figures rather than pixels, so that the page view can draw them at
 * any zoom: lines, fills, ellipses, pictures and texts in window
 * coordinates.
 *
 * Three layers are kept. The page layer holds what was drawn with the pen,
 * in drawing order. The band layer holds what was drawn in complement
 * mode that did not take a figure away: rubber bands and outlines, shown
 * above the page. The handle layer holds selection handles. A figure drawn
 * in complement mode takes an equal figure away, from the band layer first
 * and else from the page layer, so that drawing a figure twice leaves no
 * trace, as complementing pixels did. A fill covers (and drops) every
 * figure lying wholly inside it.
 *
 * The page view (pageview.cpp) paints the layers; ReadPixelRGB reads a
 * rendering of them at 100 %, made again after every change.
 */
#include "platform/rastport.h"
#include "platform/qtprivate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QPainter>
#include <QGlyphRun>
#include <QRawFont>

struct RastPort {
    uint8_t apen;
    uint8_t mode;
    int32_t cx, cy;
};

enum FigureKind { FIG_LINE, FIG_FILL, FIG_ELLIPSE, FIG_PICTURE, FIG_TEXT, FIG_HANDLE };

/* A text's glyphs, placed at (x1, y1) = (x, baseline). */
struct TextRun {
    std::string file; /* the TrueType file, which names the face */
    double em;
    std::vector<uint32_t> glyphs;
    std::vector<double> offsets;
    QGlyphRun run; /* made at the first painting */
};

/* Lines keep (x1, y1) <= (x2, y2) so that a line equals its reverse;
 * fills and pictures keep their corners, ellipses their centre and radii. */
struct Figure {
    uint8_t kind;
    uint8_t pen;
    int32_t x1, y1, x2, y2;
    QRectF bounds; /* in window coordinates */
    QImage image;
    std::shared_ptr<TextRun> text;
};

QImage *rastimage;
static RastPort main_rastport = {1, JAM1, 0, 0};
static QRgb palette[16];
/* Never destroyed: texts hold Qt fonts, which must not outlive Qt's own
 * font machinery at the process's end. */
static std::vector<Figure> &page_figures = *new std::vector<Figure>;
static std::vector<Figure> &band_figures = *new std::vector<Figure>;
static std::vector<Figure> &handle_figures = *new std::vector<Figure>;
static bool surface_stale = true; /* rastimage no longer shows the figures */

/* Every change makes the rendering at 100 % stale and the view repaint
 * the area (window coordinates; empty: everything). */
static void SurfaceChanged(const QRectF &area)
{
    surface_stale = true;
    UpdatePageView(area);
}

/* ------------------------------------------------------------ pens */

void PlatformSetPalette(const uint8_t rgb[16][3])
{
    for (int i = 0; i < 16; i++)
        palette[i] = qRgb(rgb[i][0], rgb[i][1], rgb[i][2]);
    SurfaceChanged(QRectF());
}

uint32_t PenRGB(uint8_t pen)
{
    return palette[pen & 15] & 0xFFFFFF;
}

QColor PenColor(uint8_t pen)
{
    return QColor(palette[pen & 15]);
}

RastPort *WindowRastPort(int win)
{
    return win == 0 ? &main_rastport : nullptr;
}

void SetAPen(RastPort *rp, uint8_t pen)
{
    rp->apen = pen;
}

void SetDrMd(RastPort *rp, uint8_t mode)
{
    rp->mode = mode;
}

/* ------------------------------------------------------------ layers */

static bool SameFigure(const Figure &a, const Figure &b)
{
    if (a.kind != b.kind || a.x1 != b.x1 || a.y1 != b.y1 || a.x2 != b.x2 || a.y2 != b.y2)
        return false;
    if (a.kind != FIG_TEXT)
        return true;
    return a.text->file == b.text->file && a.text->em == b.text->em && a.text->glyphs == b.text->glyphs &&
           a.text->offsets == b.text->offsets;
}

/* The last figure of `layer` equal to `f`, taken away; false when none. */
static bool TakeAway(std::vector<Figure> &layer, const Figure &f)
{
    for (size_t i = layer.size(); i-- > 0;)
        if (SameFigure(layer[i], f)) {
            layer.erase(layer.begin() + long(i));
            return true;
        }
    return false;
}

static void Covered(std::vector<Figure> &layer, const QRectF &area)
{
    layer.erase(std::remove_if(layer.begin(), layer.end(),
                               [&](const Figure &f) { return area.contains(f.bounds); }),
                layer.end());
}

static void Add(RastPort *rp, Figure f)
{
    f.pen = rp->apen;
    if (rp->mode == COMPLEMENT) {
        if (!TakeAway(band_figures, f) && !TakeAway(page_figures, f))
            band_figures.push_back(f);
    } else {
        if (f.kind == FIG_FILL)
            for (auto *layer : {&page_figures, &band_figures, &handle_figures})
                Covered(*layer, f.bounds);
        page_figures.push_back(f);
    }
    SurfaceChanged(f.bounds);
}

/* A pixel (x, y) covers the square from (x, y) to (x + 1, y + 1). */
static QRectF PixelBounds(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    return QRectF(QPointF(std::min(x1, x2), std::min(y1, y2)), QPointF(std::max(x1, x2) + 1, std::max(y1, y2) + 1));
}

/* When the window goes, so does what it showed. */
void ClearSurface(void)
{
    page_figures.clear();
    band_figures.clear();
    handle_figures.clear();
    surface_stale = true;
}

/* ------------------------------------------------------------ figures */

void Move(RastPort *rp, int32_t x, int32_t y)
{
    rp->cx = x;
    rp->cy = y;
}

void Draw(RastPort *rp, int32_t x, int32_t y)
{
    Figure f{};
    f.kind = FIG_LINE;
    bool swap = x < rp->cx || (x == rp->cx && y < rp->cy);
    f.x1 = swap ? x : rp->cx, f.y1 = swap ? y : rp->cy;
    f.x2 = swap ? rp->cx : x, f.y2 = swap ? rp->cy : y;
    f.bounds = PixelBounds(f.x1, f.y1, f.x2, f.y2);
    Add(rp, f);
    rp->cx = x;
    rp->cy = y;
}

void RectFill(RastPort *rp, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    Figure f{};
    f.kind = FIG_FILL;
    f.x1 = std::min(x1, x2), f.y1 = std::min(y1, y2);
    f.x2 = std::max(x1, x2), f.y2 = std::max(y1, y2);
    f.bounds = PixelBounds(f.x1, f.y1, f.x2, f.y2);
    Add(rp, f);
}

void WritePixel(RastPort *rp, int32_t x, int32_t y)
{
    RectFill(rp, x, y, x, y);
}

void DrawEllipse(RastPort *rp, int32_t cx, int32_t cy, int32_t rx, int32_t ry)
{
    Figure f{};
    f.kind = FIG_ELLIPSE;
    f.x1 = cx, f.y1 = cy, f.x2 = std::abs(rx), f.y2 = std::abs(ry);
    f.bounds = PixelBounds(cx - f.x2, cy - f.y2, cx + f.x2, cy + f.y2);
    Add(rp, f);
}

/* Always drawn with the pen: a picture taken away is covered by the
 * repaint of the page that follows. */
void DrawPicture(RastPort *rp, const void *picture, int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (!picture)
        return;
    const QImage *img = static_cast<const QImage *>(picture);
    Figure f{};
    f.kind = FIG_PICTURE;
    f.x1 = x, f.y1 = y;
    f.x2 = x + (width > 0 ? width : img->width());
    f.y2 = y + (height > 0 ? height : img->height());
    f.bounds = QRectF(QPointF(x, y), QPointF(f.x2, f.y2));
    f.image = *img; /* shared, not copied: the element may free its own */
    uint8_t mode = rp->mode;
    rp->mode = JAM1;
    Add(rp, f);
    rp->mode = mode;
}

void DrawGlyphRun(RastPort *rp, const char *file, double em, int32_t x, int32_t baseline, const uint32_t *glyphs,
                  const double *offsets, size_t count)
{
    if (!rp || !file || count == 0)
        return;
    auto run = std::make_shared<TextRun>();
    run->file = file;
    run->em = em;
    run->glyphs.assign(glyphs, glyphs + count);
    run->offsets.assign(offsets, offsets + count);
    Figure f{};
    f.kind = FIG_TEXT;
    f.x1 = x, f.y1 = baseline;
    f.x2 = x + int32_t(std::lround(offsets[count - 1])), f.y2 = baseline;
    /* room for the last glyph and for accents and descenders beyond the
     * font's usual extent */
    f.bounds = QRectF(QPointF(x - em / 2, baseline - 1.5 * em), QPointF(offsets[count - 1] + x + 2 * em, baseline + em / 2));
    f.text = run;
    Add(rp, f);
}

void DrawHandle(RastPort *rp, int32_t x, int32_t y, bool on)
{
    if (!rp)
        return;
    Figure f{};
    f.kind = FIG_HANDLE;
    f.x1 = x, f.y1 = y;
    f.bounds = QRectF(x, y, 1, 1);
    TakeAway(handle_figures, f);
    if (on)
        handle_figures.push_back(f);
    SurfaceChanged(f.bounds);
}

void RefreshArea(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    SurfaceChanged(PixelBounds(x1, y1, x2, y2));
}

/* ------------------------------------------------------------ painting */

/* A line lies where the PDF strokes it, one point wide. Where it is an
 * odd number of device pixels wide it moves half a device pixel and takes
 * square ends, so that it covers whole pixels: at 100 % exactly the
 * pixels from one end to the other. */
static void PaintLine(QPainter &p, const Figure &f, const QColor &c)
{
    double scale = p.transform().m11() * p.device()->devicePixelRatioF();
    bool odd = scale > 0 && std::lround(scale) % 2 == 1;
    double shift = odd ? 0.5 / scale : 0.0;
    p.setPen(QPen(c, 1.0, Qt::SolidLine, odd ? Qt::SquareCap : Qt::FlatCap));
    p.drawLine(QPointF(f.x1 + shift, f.y1 + shift), QPointF(f.x2 + shift, f.y2 + shift));
}

/* The glyphs at their measured places, never moved by hinting. */
static void PaintText(QPainter &p, TextRun &text, int32_t x, int32_t baseline, const QColor &c)
{
    if (text.run.isEmpty()) {
        const QRawFont &raw = FaceRawFont(text.file, text.em);
        if (!raw.isValid())
            return;
        QVector<quint32> glyphs(text.glyphs.begin(), text.glyphs.end());
        QVector<QPointF> places;
        for (double offset : text.offsets)
            places.append(QPointF(offset, 0));
        text.run.setRawFont(raw);
        text.run.setGlyphIndexes(glyphs);
        text.run.setPositions(places);
    }
    p.setPen(c);
    p.drawGlyphRun(QPointF(x, baseline), text.run);
}

static void PaintFigure(QPainter &p, const Figure &f)
{
    QColor c = PenColor(f.pen);
    switch (f.kind) {
    case FIG_FILL:
        p.fillRect(f.bounds, c);
        break;
    case FIG_LINE:
        if (f.x1 == f.x2 && f.y1 == f.y2)
            p.fillRect(f.bounds, c);
        else
            PaintLine(p, f, c);
        break;
    case FIG_ELLIPSE:
        p.setPen(QPen(c, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(f.x1 + 0.5, f.y1 + 0.5), f.x2, f.y2);
        break;
    case FIG_PICTURE:
        p.drawImage(f.bounds, f.image);
        break;
    case FIG_TEXT:
        PaintText(p, *f.text, f.x1, f.y1, c);
        break;
    default:
        break;
    }
}

/* A text or picture among the bands, drawn as on the page. */
static void PaintMapped(QPainter &p, const QTransform &map, const Figure &f)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setTransform(map, true);
    PaintFigure(p, f);
    p.restore();
}

/* The page layer, with the painter mapping window coordinates; only
 * figures meeting `clip` (window coordinates) are drawn. */
void PaintPageFigures(QPainter &p, const QRectF &clip)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const Figure &f : page_figures)
        if (f.bounds.intersects(clip))
            PaintFigure(p, f);
}

/* Bands and handles above the page, in screen pixels: `map` takes window
 * coordinates to the painter's. Their lines are one screen pixel wide and
 * handles keep their size at every zoom. */
void PaintPageMarks(QPainter &p, const QTransform &map, double handle)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(PenColor(1), 0));
    for (const Figure &f : band_figures) {
        if (f.kind == FIG_LINE)
            p.drawLine(map.map(QPointF(f.x1 + 0.5, f.y1 + 0.5)), map.map(QPointF(f.x2 + 0.5, f.y2 + 0.5)));
        else if (f.kind == FIG_FILL)
            p.fillRect(map.mapRect(f.bounds), PenColor(f.pen));
        else if (f.kind == FIG_ELLIPSE)
            p.drawEllipse(map.map(QPointF(f.x1 + 0.5, f.y1 + 0.5)), f.x2 * map.m11(), f.y2 * map.m22());
        else
            PaintMapped(p, map, f);
    }
    for (const Figure &f : handle_figures)
        p.drawEllipse(map.map(QPointF(f.x1 + 0.5, f.y1 + 0.5)), handle, handle);
    p.restore();
}

/* ------------------------------------------------------------ reading back */

/* The rendering at 100 % covers the window's content, or the page area's
 * box where that reaches further. */
void EnsureRastImage(void)
{
    QSize size = PageAreaExtent();
    if (QWidget *w = windows[0].widget)
        size = size.expandedTo(w->size());
    if (rastimage && rastimage->size() == size && !surface_stale)
        return;
    if (!rastimage || rastimage->size() != size) {
        delete rastimage;
        rastimage = new QImage(size, QImage::Format_RGB32);
    }
    rastimage->fill(palette[0]);
    QPainter p(rastimage);
    PaintPageFigures(p, QRectF(QPointF(0, 0), QSizeF(size)));
    PaintPageMarks(p, QTransform(), HANDLE_RADIUS);
    surface_stale = false;
}

uint32_t ReadPixelRGB(RastPort *, int32_t x, int32_t y)
{
    EnsureRastImage();
    if (!rastimage || x < 0 || y < 0 || x >= rastimage->width() || y >= rastimage->height())
        return 0;
    return rastimage->pixel(x, y) & 0xFFFFFF;
}
