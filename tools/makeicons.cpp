/*
 * makeicons.cpp - draws Pagimo's toolbar and menu images and its logo, so the
 * sources carry no binary artwork. "makeicons OUTDIR" writes, for every image
 * name N, OUTDIR/tbimages/N (normal), N_g (disabled), N_s (selected) and
 * OUTDIR/Images/N, plus the About logo OUTDIR/Images/Pagimo.png. The files
 * have no extension; the program finds them by name and Qt reads the PNG
 * content. Relies on Qt Gui only and runs on the offscreen platform.
 */
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>
#include <vector>

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QString>

namespace {

const int kIconSize = 24;
const int kLogoSize = 128;

/* One small palette for every image, so the set reads as one family. */
const QColor kInk(44, 54, 68);
const QColor kPaper(255, 255, 255);
const QColor kShade(216, 223, 232);
const QColor kLines(132, 144, 160);
const QColor kBlue(74, 138, 189);
const QColor kSky(204, 226, 245);
const QColor kRed(255, 28, 28);
const QColor kGreen(58, 160, 74);
const QColor kGreenDark(30, 110, 46);
const QColor kAmber(236, 176, 62);
const QColor kAmberLight(250, 212, 122);

const qreal kOutline = 1.5;

using DrawFn = void (*)(QPainter &);

struct Icon {
    const char *name;
    DrawFn draw;
};

/* ---------------------------------------------------------------- output */

bool saveImage(const QImage &img, const QString &path);
QImage renderIcon(DrawFn draw);
QImage disabledLook(const QImage &normal);
QImage selectedLook(const QImage &normal);
QImage renderLogo();
const std::vector<Icon> &iconTable();

bool writeIcon(const Icon &icon, const QDir &tb, const QDir &menu)
{
    const QImage normal = renderIcon(icon.draw);
    const QString n = QString::fromLatin1(icon.name);
    bool ok = saveImage(normal, tb.filePath(n));
    ok = saveImage(disabledLook(normal), tb.filePath(n + "_g")) && ok;
    ok = saveImage(selectedLook(normal), tb.filePath(n + "_s")) && ok;
    ok = saveImage(normal, menu.filePath(n)) && ok;
    return ok;
}

bool writeAll(const QString &outDir)
{
    QDir out(outDir);
    if (!out.mkpath("tbimages") || !out.mkpath("Images")) {
        std::fprintf(stderr, "makeicons: cannot create folders in %s\n",
                     qPrintable(outDir));
        return false;
    }
    const QDir tb(out.filePath("tbimages"));
    const QDir menu(out.filePath("Images"));
    bool ok = true;
    for (const Icon &icon : iconTable())
        ok = writeIcon(icon, tb, menu) && ok;
    return saveImage(renderLogo(), menu.filePath("Pagimo.png")) && ok;
}

/* The names carry no extension, so the format must be named. */
bool saveImage(const QImage &img, const QString &path)
{
    if (img.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "makeicons: cannot write %s\n", qPrintable(path));
    return false;
}

QImage blankImage(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QImage renderIcon(DrawFn draw)
{
    QImage img = blankImage(kIconSize);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    return img;
}

/* Grey, lighter and see-through: the usual look of a button that is off.
 * Equal r, g and b keep it grey after PNG's straight alpha. */
QImage disabledLook(const QImage &normal)
{
    QImage img = normal.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int a = qAlpha(row[x]);
            const int g = 112 + qGray(row[x]) * 143 / 255;
            row[x] = a ? qRgba(g, g, g, qMax(1, a * 170 / 255)) : 0;
        }
    }
    return img;
}

/* A sunken rounded square behind the image: darker at the top edge, as a
 * pressed button is lit. */
QImage selectedLook(const QImage &normal)
{
    QImage img = blankImage(kIconSize);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, kIconSize);
    fill.setColorAt(0.0, QColor(168, 200, 228));
    fill.setColorAt(1.0, QColor(214, 233, 250));
    p.setPen(QPen(QColor(46, 98, 142), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, kIconSize - 1, kIconSize - 1), 4, 4);
    p.drawImage(0, 0, normal);
    return img;
}

/* --------------------------------------------------------------- helpers */

QPen outlinePen(const QColor &c = kInk, qreal width = kOutline)
{
    QPen pen(c, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void fillOutlined(QPainter &p, const QPainterPath &path, const QColor &fill)
{
    p.setPen(outlinePen());
    p.setBrush(fill);
    p.drawPath(path);
}

QPainterPath polygonPath(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

void strokeLine(QPainter &p, QPointF a, QPointF b, const QColor &c, qreal w)
{
    p.setPen(outlinePen(c, w));
    p.drawLine(a, b);
}

/* A sheet of paper with its top right corner folded down. */
void sheet(QPainter &p, const QRectF &r, qreal fold, const QColor &fill = kPaper)
{
    const QPointF cornerIn(r.right() - fold, r.top() + fold);
    fillOutlined(p, polygonPath({r.topLeft(), QPointF(r.right() - fold, r.top()),
                                 QPointF(r.right(), r.top() + fold), r.bottomRight(),
                                 r.bottomLeft()}),
                 fill);
    p.setBrush(kShade);
    p.drawPath(polygonPath({QPointF(r.right() - fold, r.top()), cornerIn,
                            QPointF(r.right(), r.top() + fold)}));
}

/* Lines of text, the last one shorter as a paragraph ends. */
void textLines(QPainter &p, qreal x0, qreal x1, qreal y0, qreal step, int count,
               const QColor &c = kLines)
{
    for (int i = 0; i < count; ++i) {
        const qreal end = (i == count - 1) ? x0 + (x1 - x0) * 0.6 : x1;
        strokeLine(p, QPointF(x0, y0 + i * step), QPointF(end, y0 + i * step), c, 1.5);
    }
}

/* A round badge in the lower right corner; the white ring keeps it apart
 * from what lies below. */
void badge(QPainter &p, QPointF c, const QColor &fill)
{
    p.setPen(QPen(kPaper, 1.5));
    p.setBrush(fill);
    p.drawEllipse(c, 5.25, 5.25);
}

void plusBadge(QPainter &p, QPointF c)
{
    badge(p, c, kGreen);
    strokeLine(p, c + QPointF(-2.75, 0), c + QPointF(2.75, 0), kPaper, 2);
    strokeLine(p, c + QPointF(0, -2.75), c + QPointF(0, 2.75), kPaper, 2);
}

void minusBadge(QPainter &p, QPointF c)
{
    badge(p, c, kRed);
    strokeLine(p, c + QPointF(-2.75, 0), c + QPointF(2.75, 0), kPaper, 2);
}

void crossBadge(QPainter &p, QPointF c, const QColor &fill)
{
    badge(p, c, fill);
    strokeLine(p, c + QPointF(-2, -2), c + QPointF(2, 2), kPaper, 2);
    strokeLine(p, c + QPointF(-2, 2), c + QPointF(2, -2), kPaper, 2);
}

/* A pencil lying from its tip at an angle, in degrees, upwards to the right. */
void pencil(QPainter &p, QPointF tip, qreal length, qreal angle)
{
    p.save();
    p.translate(tip);
    p.rotate(-angle);
    const qreal h = 2.6;
    p.setPen(outlinePen(kInk, 1.25));
    p.setBrush(QColor(246, 222, 176));
    p.drawPath(polygonPath({{0, 0}, {5, -h}, {5, h}}));
    p.setBrush(kAmber);
    p.drawRect(QRectF(5, -h, length - 8, 2 * h));
    p.setBrush(kBlue);
    p.drawRect(QRectF(length - 3, -h, 3, 2 * h));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(polygonPath({{0, 0}, {2, -1.05}, {2, 1.05}}));
    p.restore();
}

/* A floppy disk: blue case, metal shutter on top, white label below. */
void floppy(QPainter &p, const QRectF &r)
{
    const qreal w = r.width(), h = r.height(), cut = w * 0.18;
    fillOutlined(p, polygonPath({r.topLeft(), QPointF(r.right() - cut, r.top()),
                                 QPointF(r.right(), r.top() + cut), r.bottomRight(),
                                 r.bottomLeft()}),
                 kBlue);
    QRectF shutter(r.left() + w * 0.24, r.top(), w * 0.5, h * 0.33);
    p.setBrush(kShade);
    p.drawRect(shutter);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(shutter.left() + shutter.width() * 0.6, shutter.top() + h * 0.08,
                      shutter.width() * 0.22, shutter.height() * 0.6));
    p.setPen(outlinePen());
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.left() + w * 0.18, r.top() + h * 0.5, w * 0.64, h * 0.5));
}

/* A landscape photo: sky, sun, a far blue mountain and a green hill. */
void photo(QPainter &p, const QRectF &r)
{
    const qreal x0 = r.left(), y0 = r.top(), w = r.width(), h = r.height();
    p.setPen(Qt::NoPen);
    p.setBrush(kSky);
    p.drawRect(r);
    p.save();
    p.setClipRect(r);
    p.setBrush(kAmber);
    p.drawEllipse(QPointF(x0 + w * 0.74, y0 + h * 0.3), h * 0.13, h * 0.13);
    p.setBrush(kBlue);
    p.drawPath(polygonPath({{x0 - 1, r.bottom()}, {x0 + w * 0.36, y0 + h * 0.34},
                            {x0 + w * 0.8, r.bottom()}}));
    p.setBrush(kGreen);
    p.drawPath(polygonPath({{x0 + w * 0.3, r.bottom()}, {x0 + w * 0.66, y0 + h * 0.56},
                            {r.right() + 1, y0 + h * 0.8}, {r.right() + 1, r.bottom()}}));
    p.restore();
    p.setPen(outlinePen());
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

/* A folder's back wall with its tab, in the form both folder images share. */
void folderBack(QPainter &p, qreal right)
{
    fillOutlined(p, polygonPath({{2.5, 19.5}, {2.5, 4.5}, {8.5, 4.5}, {10.5, 6.5},
                                 {right, 6.5}, {right, 19.5}}),
                 kAmber);
}

/* Small square grips at the ends of a drawn object, as the editor shows them. */
void grip(QPainter &p, QPointF c)
{
    p.setPen(outlinePen(kInk, 1));
    p.setBrush(kBlue);
    p.drawRect(QRectF(c.x() - 2, c.y() - 2, 4, 4));
}

/* Bold 5x7 letters on the pixel grid: crisp at this size and free of
 * whatever fonts the build machine has. */
struct Glyph {
    char letter;
    const char *rows[7];
};

const Glyph kGlyphs[] = {
    {'A', {".###.", "##.##", "##.##", "#####", "##.##", "##.##", "##.##"}},
    {'B', {"####.", "##.##", "##.##", "####.", "##.##", "##.##", "####."}},
    {'C', {".####", "##...", "##...", "##...", "##...", "##...", ".####"}},
    {'D', {"####.", "##.##", "##.##", "##.##", "##.##", "##.##", "####."}},
    {'F', {"#####", "##...", "##...", "####.", "##...", "##...", "##..."}},
    {'P', {"####.", "##.##", "##.##", "####.", "##...", "##...", "##..."}},
};

const Glyph *glyph(char c)
{
    for (const Glyph &g : kGlyphs)
        if (g.letter == c)
            return &g;
    return nullptr;
}

void pixelText(QPainter &p, int x, int y, const char *text, const QColor &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (; *text; ++text, x += 6) {
        const Glyph *g = glyph(*text);
        for (int row = 0; g && row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (g->rows[row][col] == '#')
                    p.drawRect(QRectF(x + col, y + row, 1, 1));
    }
}

/* ----------------------------------------------------------- the images */

void drawOpen(QPainter &p)
{
    folderBack(p, 18.5);
    fillOutlined(p, polygonPath({{2.5, 19.5}, {6, 10.5}, {21.5, 10.5}, {18.5, 19.5}}),
                 kAmberLight);
}

void drawClose(QPainter &p)
{
    folderBack(p, 20.5);
    fillOutlined(p, polygonPath({{2.5, 9.5}, {20.5, 9.5}, {20.5, 19.5}, {2.5, 19.5}}),
                 kAmberLight);
    crossBadge(p, {17.75, 17.75}, kInk);
}

void drawSave(QPainter &p)
{
    floppy(p, QRectF(3.5, 3.5, 17, 17));
}

void drawSaveAs(QPainter &p)
{
    floppy(p, QRectF(2.5, 2.5, 14, 14));
    pencil(p, {10.5, 21}, 15, 45);
}

void drawPdf(QPainter &p)
{
    sheet(p, QRectF(4.5, 1.5, 15, 20), 5);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(1.5, 11.5, 21, 11), 2, 2);
    pixelText(p, 4, 13, "PDF", kPaper);
}

/* A page with a row of tabs along its top; the front tab joins the page. */
QPainterPath tab(qreal left, qreal right, qreal top, qreal bottom)
{
    QPainterPath t;
    t.moveTo(left, bottom);
    t.lineTo(left, top + 2);
    t.quadTo(left, top, left + 2, top);
    t.lineTo(right - 2, top);
    t.quadTo(right, top, right, top + 2);
    t.lineTo(right, bottom);
    return t;
}

void pageTabs(QPainter &p)
{
    for (qreal left : {2.5, 15.0}) {
        QPainterPath back = tab(left, left + 6.5, 5.5, 9.5);
        back.closeSubpath();
        fillOutlined(p, back, kShade);
    }
    QPainterPath front = tab(8.5, 16.5, 3.5, 9.5);
    front.lineTo(21.5, 9.5);
    front.lineTo(21.5, 20.5);
    front.lineTo(2.5, 20.5);
    front.lineTo(2.5, 9.5);
    front.closeSubpath();
    fillOutlined(p, front, kPaper);
    strokeLine(p, {10.5, 6}, {14.5, 6}, kBlue, 1.5);
    textLines(p, 5.5, 12.5, 13, 3, 2);
}

void drawTabAdd(QPainter &p)
{
    pageTabs(p);
    plusBadge(p, {17.75, 17.75});
}

void drawTabRemove(QPainter &p)
{
    pageTabs(p);
    minusBadge(p, {17.75, 17.75});
}

void drawPointer(QPainter &p)
{
    fillOutlined(p, polygonPath({{6.5, 2.5}, {6.5, 19}, {10.4, 15.3}, {13.2, 21.3},
                                 {15.9, 20.1}, {13.1, 14.1}, {18.5, 14.1}}),
                 kPaper);
}

void drawLine(QPainter &p)
{
    strokeLine(p, {5, 19}, {19, 5}, kInk, 2);
    grip(p, {5, 19});
    grip(p, {19, 5});
}

void drawText(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(5, 3, 14, 3.5));
    p.drawRect(QRectF(10.25, 3, 3.5, 15));
    strokeLine(p, {4.5, 20.75}, {19.5, 20.75}, kBlue, 1.5);
}

void drawPicture(QPainter &p)
{
    photo(p, QRectF(2.5, 4.5, 19, 15));
}

void drawTextFrame(QPainter &p)
{
    p.setPen(outlinePen());
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 4.5, 15, 15));
    textLines(p, 7.5, 16.5, 8.5, 3.5, 3);
    grip(p, {4.5, 4.5});
    grip(p, {19.5, 4.5});
    grip(p, {4.5, 19.5});
    grip(p, {19.5, 19.5});
}

void drawDate(QPainter &p)
{
    const QRectF body(3.5, 5.5, 17, 15);
    p.setPen(outlinePen());
    p.setBrush(kPaper);
    p.drawRoundedRect(body, 1.5, 1.5);
    QPainterPath top;
    top.addRoundedRect(body, 1.5, 1.5);
    top = top.intersected(polygonPath({{0, 0}, {24, 0}, {24, 10}, {0, 10}}));
    fillOutlined(p, top, kBlue);
    strokeLine(p, {8, 3}, {8, 7}, kInk, 2);
    strokeLine(p, {16, 3}, {16, 7}, kInk, 2);
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col) {
            p.setBrush(row == 1 && col == 1 ? kBlue : kLines);
            p.drawRect(QRectF(6 + col * 4.5, 12 + row * 4, 3, 2.5));
        }
}

void drawTime(QPainter &p)
{
    const QPointF c(12, 12);
    p.setPen(outlinePen());
    p.setBrush(kPaper);
    p.drawEllipse(c, 9.25, 9.25);
    for (int i = 0; i < 4; ++i) {
        const qreal a = i * M_PI / 2;
        strokeLine(p, c + QPointF(std::cos(a), std::sin(a)) * 7,
                   c + QPointF(std::cos(a), std::sin(a)) * 5.75, kLines, 1.5);
    }
    strokeLine(p, c, {12, 6.5}, kInk, 2);
    strokeLine(p, c, {15.5, 14}, kBlue, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(c, 1.4, 1.4);
}

void drawRectangle(QPainter &p)
{
    p.setPen(outlinePen(kInk, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(4, 6, 16, 12));
    for (QPointF c : {QPointF(4, 6), QPointF(20, 6), QPointF(4, 18), QPointF(20, 18)})
        grip(p, c);
}

void drawPage(QPainter &p)
{
    sheet(p, QRectF(4.5, 2.5, 15, 19), 5);
    strokeLine(p, {10.75, 9.5}, {9.75, 18.5}, kBlue, 1.5);
    strokeLine(p, {14.75, 9.5}, {13.75, 18.5}, kBlue, 1.5);
    strokeLine(p, {7.75, 12.25}, {16.75, 12.25}, kBlue, 1.5);
    strokeLine(p, {7.25, 15.75}, {16.25, 15.75}, kBlue, 1.5);
}

void drawLink(QPainter &p)
{
    p.save();
    p.translate(12, 12);
    p.rotate(-45);
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(kInk, 2.25));
    p.drawRoundedRect(QRectF(-10.5, -3.75, 12.5, 7.5), 3.75, 3.75);
    p.setPen(outlinePen(kBlue, 2.25));
    p.drawRoundedRect(QRectF(-2, -3.75, 12.5, 7.5), 3.75, 3.75);
    p.restore();
}

void drawPictureAdd(QPainter &p)
{
    photo(p, QRectF(2.5, 3.5, 17, 13));
    plusBadge(p, {17.75, 17.75});
}

void drawFileDocument(QPainter &p)
{
    sheet(p, QRectF(4.5, 2.5, 15, 19), 5);
    textLines(p, 7.5, 16.5, 10, 3, 4);
}

void drawEditor(QPainter &p)
{
    sheet(p, QRectF(2.5, 2.5, 14, 19), 4.5);
    textLines(p, 5.5, 13.5, 9, 3, 4);
    pencil(p, {11, 20.5}, 14.5, 45);
}

void drawDelete(QPainter &p)
{
    fillOutlined(p, polygonPath({{9, 5}, {9, 3}, {15, 3}, {15, 5}}), kShade);
    fillOutlined(p, polygonPath({{5.5, 7.5}, {18.5, 7.5}, {17.25, 21}, {6.75, 21}}), kShade);
    for (qreal x : {9.5, 12.0, 14.5})
        strokeLine(p, {x, 10.5}, {x, 18}, kLines, 1.5);
    p.setPen(outlinePen());
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(3.5, 5, 17, 2.75), 1, 1);
    crossBadge(p, {17.75, 17.75}, kRed);
}

void drawCopy(QPainter &p)
{
    sheet(p, QRectF(2.5, 2.5, 12, 14), 3.5, kShade);
    sheet(p, QRectF(8.5, 7.5, 12, 14), 3.5);
    textLines(p, 11, 18, 13, 3, 3);
}

void drawCut(QPainter &p)
{
    strokeLine(p, {8.6, 15.2}, {16, 3}, kInk, 2);
    strokeLine(p, {15.4, 15.2}, {8, 3}, kInk, 2);
    p.setPen(outlinePen(kBlue, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(7, 18.25), 3, 3);
    p.drawEllipse(QPointF(17, 18.25), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(12, 9.4), 0.9, 0.9);
}

void drawPaste(QPainter &p)
{
    p.setPen(outlinePen());
    p.setBrush(kAmber);
    p.drawRoundedRect(QRectF(4.5, 4.5, 15, 17), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(7.5, 7.5, 9, 11.5));
    textLines(p, 9.5, 14.5, 11, 2.75, 3);
    p.setPen(outlinePen());
    p.setBrush(kShade);
    p.drawRoundedRect(QRectF(8.5, 2.5, 7, 3.5), 1, 1);
}

/* Four arrows in one outline, so the heads join the shafts cleanly. */
void drawMoveFile(QPainter &p)
{
    QPainterPath cross;
    cross.addRect(QRectF(10.6, 5, 2.8, 14));
    cross.addRect(QRectF(5, 10.6, 14, 2.8));
    cross = cross.simplified();
    for (int i = 0; i < 4; ++i) {
        QTransform t;
        t.translate(12, 12);
        t.rotate(90 * i);
        cross = cross.united(t.map(polygonPath({{0, -10}, {-4, -5.5}, {4, -5.5}})));
    }
    fillOutlined(p, cross, kBlue);
}

/* A bent arrow turning back to the left: a band over the top and down the
 * right, whose head points left at the top. Redo is its mirror image. */
QPainterPath turnArrow()
{
    QPainterPath band;
    band.moveTo(8, 8.5);
    band.lineTo(13, 8.5);
    band.arcTo(QRectF(8, 8.5, 11, 11), 90, -180);
    band.lineTo(8, 19.5);
    QPainterPathStroker stroker;
    stroker.setWidth(3.2);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    QPainterPath arrow = stroker.createStroke(band);
    return arrow.united(polygonPath({{2.5, 8.5}, {9, 3}, {9, 14}})).simplified();
}

void drawUndo(QPainter &p)
{
    fillOutlined(p, turnArrow(), kBlue);
}

void drawRedo(QPainter &p)
{
    QTransform mirror;
    mirror.translate(24, 0);
    mirror.scale(-1, 1);
    fillOutlined(p, mirror.map(turnArrow()), kBlue);
}

/* A green check mark through three points, with a dark rim. */
void checkMark(QPainter &p, QPointF a, QPointF b, QPointF c, qreal rim, qreal body)
{
    QPainterPath check;
    check.moveTo(a);
    check.lineTo(b);
    check.lineTo(c);
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(kGreenDark, rim));
    p.drawPath(check);
    p.setPen(outlinePen(kGreen, body));
    p.drawPath(check);
}

void drawOk(QPainter &p)
{
    checkMark(p, {4.5, 12.5}, {9.5, 17.5}, {19.5, 6.5}, 5, 2.5);
}

void drawSpellChecker(QPainter &p)
{
    pixelText(p, 3, 2, "ABC", kInk);
    checkMark(p, {7, 15.5}, {10.5, 19}, {18, 11.5}, 4.25, 2);
}

void drawExportText(QPainter &p)
{
    sheet(p, QRectF(2.5, 2.5, 14, 19), 4.5);
    textLines(p, 5.5, 13.5, 9, 3, 2);
    QPainterPath arrow;
    arrow.addRect(QRectF(9.5, 14, 7, 3.5));
    arrow = arrow.united(polygonPath({{15.5, 10.25}, {21.75, 15.75}, {15.5, 21.25}}));
    fillOutlined(p, arrow, kBlue);
}

void drawQuit(QPainter &p)
{
    p.setPen(outlinePen(kInk, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4.25, 5, 15.5, 15.5), 125 * 16, 290 * 16);
    p.drawLine(QPointF(12, 3), QPointF(12, 11.5));
}

void drawInfo(QPainter &p)
{
    p.setPen(outlinePen());
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(12, 12), 9.25, 9.25);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(12, 7.5), 1.6, 1.6);
    p.drawRoundedRect(QRectF(10.75, 10.25, 2.5, 7.75), 0.5, 0.5);
}

/* A gear of eight teeth with a hole at the hub. */
void drawPrefs(QPainter &p)
{
    const QPointF c(12, 12);
    const int teeth = 8;
    QPolygonF rim;
    for (int i = 0; i < teeth; ++i) {
        const qreal a = i * 2 * M_PI / teeth;
        const qreal outerHalf = 0.2, innerHalf = 0.34;
        for (auto [da, r] : {std::pair{-innerHalf, 7.0}, {-outerHalf, 9.75},
                             {outerHalf, 9.75}, {innerHalf, 7.0}})
            rim << c + QPointF(std::cos(a + da), std::sin(a + da)) * r;
    }
    QPainterPath gear;
    gear.addPolygon(rim);
    gear.closeSubpath();
    gear.addEllipse(c, 3, 3);
    gear.setFillRule(Qt::OddEvenFill);
    fillOutlined(p, gear, kShade);
}

const std::vector<Icon> &iconTable()
{
    static const std::vector<Icon> table = {
        {"open", drawOpen},
        {"close", drawClose},
        {"save", drawSave},
        {"saveas", drawSaveAs},
        {"pdf", drawPdf},
        {"tabadd", drawTabAdd},
        {"tabremove", drawTabRemove},
        {"list_pointer", drawPointer},
        {"line", drawLine},
        {"text", drawText},
        {"picture", drawPicture},
        {"textframesimple", drawTextFrame},
        {"date", drawDate},
        {"time", drawTime},
        {"rectangle", drawRectangle},
        {"page", drawPage},
        {"link", drawLink},
        {"pictureadd", drawPictureAdd},
        {"filedocument", drawFileDocument},
        {"editor", drawEditor},
        {"delete", drawDelete},
        {"copy", drawCopy},
        {"cut", drawCut},
        {"paste", drawPaste},
        {"movefile", drawMoveFile},
        {"undo", drawUndo},
        {"redo", drawRedo},
        {"ok", drawOk},
        {"spellchecker", drawSpellChecker},
        {"exporttext", drawExportText},
        {"quit", drawQuit},
        {"info", drawInfo},
        {"prefs", drawPrefs},
    };
    return table;
}

/* ------------------------------------------------------------- the logo */

/* A bold "P" as an outline, so the logo needs no font. */
QPainterPath letterP(const QRectF &r)
{
    const qreal stem = r.width() * 0.34, bowlH = r.height() * 0.6;
    const qreal bowlR = bowlH / 2, thick = bowlH * 0.28;
    QPainterPath p;
    p.moveTo(r.topLeft());
    p.lineTo(r.right() - bowlR, r.top());
    p.arcTo(QRectF(r.right() - bowlH, r.top(), bowlH, bowlH), 90, -180);
    p.lineTo(r.left() + stem, r.top() + bowlH);
    p.lineTo(r.left() + stem, r.bottom());
    p.lineTo(r.left(), r.bottom());
    p.closeSubpath();
    const qreal innerH = bowlH - 2 * thick, innerR = innerH / 2;
    const qreal innerRight = r.right() - thick;
    p.moveTo(r.left() + stem, r.top() + thick);
    p.lineTo(innerRight - innerR, r.top() + thick);
    p.arcTo(QRectF(innerRight - innerH, r.top() + thick, innerH, innerH), 90, -180);
    p.lineTo(r.left() + stem, r.top() + thick + innerH);
    p.closeSubpath();
    p.setFillRule(Qt::OddEvenFill);
    return p;
}

void logoSheet(QPainter &p, const QRectF &r, qreal fold)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(44, 54, 68, 60));
    p.drawPath(polygonPath({r.topLeft() + QPointF(4, 5), QPointF(r.right() - fold + 4, r.top() + 5),
                            QPointF(r.right() + 4, r.top() + fold + 5), r.bottomRight() + QPointF(4, 5),
                            r.bottomLeft() + QPointF(4, 5)}));
    p.setPen(outlinePen(kInk, 4));
    p.setBrush(kPaper);
    p.drawPath(polygonPath({r.topLeft(), QPointF(r.right() - fold, r.top()),
                            QPointF(r.right(), r.top() + fold), r.bottomRight(), r.bottomLeft()}));
    p.setBrush(kShade);
    p.drawPath(polygonPath({QPointF(r.right() - fold, r.top()),
                            QPointF(r.right() - fold, r.top() + fold),
                            QPointF(r.right(), r.top() + fold)}));
}

void logoColumns(QPainter &p, qreal top)
{
    for (int col = 0; col < 2; ++col) {
        const qreal x0 = 30 + col * 34, x1 = x0 + 28;
        for (int i = 0; i < 5; ++i) {
            const qreal end = (col == 1 && i == 4) ? x0 + 16 : x1;
            strokeLine(p, {x0, top + i * 7}, {end, top + i * 7}, kLines, 3.5);
        }
    }
}

QImage renderLogo()
{
    QImage img = blankImage(kLogoSize);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    logoSheet(p, QRectF(18, 8, 88, 110), 24);
    p.setPen(outlinePen(kInk, 3));
    p.setBrush(kBlue);
    p.drawPath(letterP(QRectF(29, 19, 36, 52)));
    const QRectF picture(69, 38, 27, 21);
    photo(p, picture);
    p.setPen(outlinePen(kInk, 3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(picture);
    strokeLine(p, {69, 66}, {96, 66}, kLines, 3.5);
    logoColumns(p, 80);
    return img;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeicons OUTDIR\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return writeAll(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
