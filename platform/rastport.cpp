/*
 * rastport.cpp - the main window's drawing surface (see rastport.h): an
 * image as large as the window, of which the page area shows its part.
 *
 * Pixels are set one by one, so COMPLEMENT inverts each pixel exactly once
 * per figure and drawing a figure twice leaves no trace.
 */
#include "platform/rastport.h"
#include "platform/qtprivate.h"

#include <algorithm>
#include <cstdlib>

#include <QPainter>
#include <QSet>

struct RastPort {
    uint8_t apen;
    uint8_t mode;
    int32_t cx, cy;
};

QImage *rastimage;
static RastPort main_rastport = {1, JAM1, 0, 0};
static QRgb palette[16];

/* ------------------------------------------------------------ surface */

void PlatformSetPalette(const uint8_t rgb[16][3])
{
    for (int i = 0; i < 16; i++)
        palette[i] = qRgb(rgb[i][0], rgb[i][1], rgb[i][2]);
}

uint32_t PenRGB(uint8_t pen)
{
    return palette[pen & 15] & 0xFFFFFF;
}

/* The image follows the main window's size; what was drawn is kept. */
void EnsureRastImage(void)
{
    QWidget *w = windows[0].widget;
    QSize size = w ? w->size() : QSize(1, 1);
    if (rastimage && rastimage->size() == size)
        return;
    auto *img = new QImage(size, QImage::Format_RGB32);
    img->fill(palette[0]);
    if (rastimage) {
        for (int y = 0; y < std::min(size.height(), rastimage->height()); y++)
            std::copy_n(reinterpret_cast<const QRgb *>(rastimage->constScanLine(y)),
                        std::min(size.width(), rastimage->width()),
                        reinterpret_cast<QRgb *>(img->scanLine(y)));
        delete rastimage;
    }
    rastimage = img;
}

RastPort *WindowRastPort(int win)
{
    if (win != 0)
        return nullptr;
    EnsureRastImage();
    return &main_rastport;
}

void SetAPen(RastPort *rp, uint8_t pen)
{
    rp->apen = pen;
}

void SetDrMd(RastPort *rp, uint8_t mode)
{
    rp->mode = mode;
}

uint32_t ReadPixelRGB(RastPort *, int32_t x, int32_t y)
{
    if (!rastimage || x < 0 || y < 0 || x >= rastimage->width() || y >= rastimage->height())
        return 0;
    return rastimage->pixel(x, y) & 0xFFFFFF;
}

/* ------------------------------------------------------------ pixels */

static void Plot(RastPort *rp, int32_t x, int32_t y)
{
    if (x < 0 || y < 0 || x >= rastimage->width() || y >= rastimage->height())
        return;
    QRgb *p = reinterpret_cast<QRgb *>(rastimage->scanLine(y)) + x;
    if (rp->mode == COMPLEMENT)
        *p ^= 0x00FFFFFF;
    else
        *p = palette[rp->apen & 15];
}

/* Bresenham, both end points included. */
static void Line(RastPort *rp, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    int32_t dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int32_t dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int32_t err = dx + dy;
    for (;;) {
        Plot(rp, x0, y0);
        if (x0 == x1 && y0 == y1)
            break;
        int32_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

/* One pixel in the pen and mode; callers that set many pixels refresh the
 * area they touched once with RefreshArea. */
void WritePixel(RastPort *rp, int32_t x, int32_t y)
{
    EnsureRastImage();
    Plot(rp, x, y);
}

void RefreshArea(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    UpdatePageArea(x1, y1, x2, y2);
}

/* ------------------------------------------------------------ figures */

void Move(RastPort *rp, int32_t x, int32_t y)
{
    rp->cx = x;
    rp->cy = y;
}

void Draw(RastPort *rp, int32_t x, int32_t y)
{
    EnsureRastImage();
    Line(rp, rp->cx, rp->cy, x, y);
    UpdatePageArea(rp->cx, rp->cy, x, y);
    rp->cx = x;
    rp->cy = y;
}

/* Row by row, clipped to the raster once: the page is filled this way on
 * every repaint. The result is that of plotting each point. */
void RectFill(RastPort *rp, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    EnsureRastImage();
    int32_t left = std::max(std::min(x1, x2), 0), right = std::min(std::max(x1, x2), rastimage->width() - 1);
    int32_t top = std::max(std::min(y1, y2), 0), bottom = std::min(std::max(y1, y2), rastimage->height() - 1);
    QRgb pen = palette[rp->apen & 15];
    for (int32_t y = top; y <= bottom && left <= right; y++) {
        QRgb *p = reinterpret_cast<QRgb *>(rastimage->scanLine(y));
        for (int32_t x = left; x <= right; x++)
            p[x] = rp->mode == COMPLEMENT ? p[x] ^ 0x00FFFFFF : pen;
    }
    UpdatePageArea(x1, y1, x2, y2);
}

/* The midpoint ellipse; each point of the outline is set once. */
void DrawEllipse(RastPort *rp, int32_t cx, int32_t cy, int32_t rx, int32_t ry)
{
    EnsureRastImage();
    rx = std::abs(rx);
    ry = std::abs(ry);
    QSet<qint64> done;
    auto plot4 = [&](int32_t x, int32_t y) {
        const int32_t px[4] = {cx + x, cx - x, cx + x, cx - x};
        const int32_t py[4] = {cy + y, cy + y, cy - y, cy - y};
        for (int i = 0; i < 4; i++) {
            qint64 key = (qint64(px[i]) << 32) ^ uint32_t(py[i]);
            if (!done.contains(key)) {
                done.insert(key);
                Plot(rp, px[i], py[i]);
            }
        }
    };
    int64_t a2 = int64_t(rx) * rx, b2 = int64_t(ry) * ry;
    int32_t x = 0, y = ry;
    int64_t d = b2 - a2 * ry + a2 / 4;
    while (b2 * x <= a2 * y) {
        plot4(x, y);
        if (d >= 0) {
            y--;
            d -= 2 * a2 * y;
        }
        x++;
        d += b2 * (2 * x + 1);
    }
    x = rx;
    y = 0;
    d = a2 - b2 * rx + b2 / 4;
    while (a2 * y <= b2 * x) {
        plot4(x, y);
        if (d >= 0) {
            x--;
            d -= 2 * b2 * x;
        }
        y++;
        d += a2 * (2 * y + 1);
    }
    UpdatePageArea(cx - rx, cy - ry, cx + rx, cy + ry);
}

/* ------------------------------------------------------------ pictures */

void DrawPicture(RastPort *, const void *picture, int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (!picture)
        return;
    EnsureRastImage();
    const QImage *img = static_cast<const QImage *>(picture);
    QRect box(x, y, width > 0 ? width : img->width(), height > 0 ? height : img->height());
    {
        QPainter painter(rastimage);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(box, *img);
    }
    UpdatePageArea(box.left(), box.top(), box.right(), box.bottom());
}

void DrawHandle(RastPort *rp, int32_t x, int32_t y, bool on)
{
    SetDrMd(rp, JAM1);
    SetAPen(rp, on ? 1 : 2);
    DrawEllipse(rp, x, y, 7, 7);
}
