/*
 * test_drawing.cpp - the page view's drawing of elements, in the real main
 * loop under the offscreen platform: the window's image of a page agrees
 * with the exported PDF rendered at 72 dpi, pictures show at their own
 * pixel size, a missing picture shows as a crossed frame, and fields are
 * filled in at drawing.
 */
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include <QImage>

#include "testutil.h"

#include "core/mainloop.h"
#include "core/startup.h"
#include "core/settings.h"
#include "document/pagelist.h"
#include "gui/layouts.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "platform/qtprivate.h"
#include "platform/rastport.h"
#include "view/geometry.h"
#include "view/drawing.h"
#include "view/pictures.h"
#include "view/redraw.h"
#include "text/utilities.h"

class Drawing : public MainLoopScratchTest {
protected:
    void ExpectScreenShowsWhatThePdfShows(const std::vector<int> &zooms);
};

/* ------------------------------------------------------------ building pages */

/* Page coordinates (x right, y down from the top-left corner). */
static GElement *Text(int type, const char *text, const char *font, uint32_t size, uint32_t x, uint32_t y)
{
    GElement ge = MakeElement(type, type);
    std::strcpy(ge.edata.td.text, text);
    std::snprintf(ge.edata.td.fontname, 81, "%s.font", font);
    ge.edata.td.size = size;
    ge.edata.td.level = 1;
    ge.ex = xstart + x, ge.ey = ystart + y;
    ge.sx = ge.ex + 50, ge.sy = ge.ey - size;
    return AddGObject(1, &ge);
}

static void Figure(int type, uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2)
{
    GElement ge = MakeElement(type, type);
    ge.sx = xstart + x1, ge.sy = ystart + y1, ge.ex = xstart + x2, ge.ey = ystart + y2;
    AddGObject(1, &ge);
}

/* A picture file of w x h in `color` (none written for a null format),
 * stored with a box of its own size, or of 10 x 10 without a file. */
static GElement *Picture(const char *name, int w, int h, QColor color, uint32_t x, uint32_t y, const char *format)
{
    std::string path = std::string("PGT:PAG4/Bilder/") + name;
    if (format) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(color);
        EXPECT_TRUE(img.save(QString::fromStdString(HostPath(path.c_str())), format));
    }
    GElement ge = MakeElement(ET_PICTURE, ET_PICTURE);
    std::strcpy(ge.edata.pd.fn, path.c_str());
    ge.sx = xstart + x, ge.sy = ystart + y;
    ge.ex = ge.sx + uint32_t(format ? w : 10), ge.ey = ge.sy + uint32_t(format ? h : 10);
    return AddGObject(1, &ge);
}

static void Repaint(void)
{
    CreateEmptyPage(PDaten.pageformat);
    ReDrawPage(1);
}

/* The page as the page view shows it at a zoom (a percentage or a fit),
 * read from the view's own painting. */
static QImage ScreenPage(int zoom = 100)
{
    PlatformSetZoom(zoom);
    QRectF page(xstart, ystart, xend - xstart, yend - ystart);
    return pagearea->grab(PageViewTransform().mapRect(page).toAlignedRect()).toImage();
}

/* ------------------------------------------------------------ measuring */

struct Box {
    int x1 = 1 << 20, y1 = 1 << 20, x2 = -1, y2 = -1;
    bool Empty() const { return x2 < 0; }
};

/* The bounding box of the pixels `ink` accepts inside the region. */
static Box InkBox(const QImage &img, int rx1, int ry1, int rx2, int ry2, const std::function<bool(QRgb)> &ink)
{
    Box b;
    for (int y = std::max(ry1, 0); y <= ry2 && y < img.height(); y++)
        for (int x = std::max(rx1, 0); x <= rx2 && x < img.width(); x++)
            if (ink(img.pixel(x, y))) {
                b.x1 = std::min(b.x1, x), b.y1 = std::min(b.y1, y);
                b.x2 = std::max(b.x2, x), b.y2 = std::max(b.y2, y);
            }
    return b;
}

static int CountColor(const QImage &img, QRgb color)
{
    int n = 0;
    for (int y = 0; y < img.height(); y++)
        for (int x = 0; x < img.width(); x++)
            n += (img.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF);
    return n;
}

/* ------------------------------------------------------------ tests */

/* Every kind of element, each alone in a region of the page, lies on the
 * page view at each zoom where the PDF rendered at that zoom's resolution
 * puts it, within 2 pixels; a fit is compared at the zoom it took. */
void Drawing::ExpectScreenShowsWhatThePdfShows(const std::vector<int> &zooms)
{
    std::string pdf = scratch + "/page.pdf";
    struct Region {
        const char *what;
        int x1, y1, x2, y2;
    };
    /* Each element alone in its region, with room around it. */
    const std::vector<Region> regions = {
        {"text", 60, 60, 300, 110},   {"serif text", 60, 140, 300, 190}, {"date", 320, 60, 560, 110},
        {"page number", 320, 140, 560, 190}, {"link", 60, 220, 300, 270}, {"line", 60, 300, 300, 340},
        {"slanted line", 320, 300, 560, 420}, {"rectangle", 60, 360, 300, 480},
        {"picture", 60, 500, 300, 640}, {"time", 320, 220, 560, 270},
        {"textbox's lines, inside its frame", 333, 453, 547, 627},
    };
    EXPECT_TRUE(Run({[pdf, regions, zooms] {
        Text(ET_TEXT, "Hello Pagimo", "DejaVu Sans", 24, 72, 100);
        Text(ET_TEXT, "Serif line", "DejaVu Serif Bold", 18, 80, 180);
        Text(ET_DATE, "", "DejaVu Sans", 12, 330, 100);
        Text(ET_PAGENO, "", "Liberation Mono", 20, 330, 180);
        Text(ET_LINK, "Website", "DejaVu Sans", 14, 72, 260);
        Figure(ET_LINE, 80, 320, 280, 320);
        Figure(ET_LINE, 340, 310, 540, 400);
        Figure(ET_RECT, 250, 460, 80, 380);
        Picture("shot.png", 120, 80, Qt::darkBlue, 100, 520, "PNG");
        Text(ET_TIME, "", "DejaVu Serif", 16, 330, 260);
        CreateDirTree("PGT:PAG4/Texte");
        WriteTextFile(HostPath("PGT:PAG4/Texte/box.txt"),
                      "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln: a textbox flows its text from line to line, "
                      "set in the same font at every zoom.\n\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA"
                      "\xCE\xAC \xE2\x86\x92 \xE2\x82\xAC\n");
        GElement box = MakeElement(ET_TEXTBOX, ET_TEXTBOX);
        std::strcpy(box.edata.tbd.fn, "PGT:PAG4/Texte/box.txt");
        std::strcpy(box.edata.tbd.fontname, "DejaVu Sans.font");
        box.edata.tbd.size = 14;
        box.sx = xstart + 330, box.sy = ystart + 450, box.ex = xstart + 550, box.ey = ystart + 630;
        AddGObject(1, &box);
        Repaint();
        ASSERT_TRUE(ExportProject(pdf.c_str(), xstart, ystart, xend, yend))
            << (RequesterLog.empty() ? "" : RequesterLog.back());
        QRgb paper = PenRGB(uint8_t(PCReg)) & 0xFFFFFF;
        auto onscreen = [paper](QRgb c) { return qGray(c) < qGray(paper) - 60; };
        auto onpaper = [](QRgb c) { return qGray(c) < 160; };
        for (int zoom : zooms) {
            QImage screen = ScreenPage(zoom);
            double z = PlatformZoom();
            char dpi[32];
            std::snprintf(dpi, sizeof(dpi), "%.4f", 72 * z);
            Shell(std::string("pdftoppm -r ") + dpi + " -png -singlefile '" + pdf + "' '" + pdf + "'");
            QImage printed(QString::fromStdString(pdf + ".png"));
            ASSERT_FALSE(printed.isNull());
            EXPECT_NEAR(printed.width(), screen.width(), 2) << "zoom " << z;
            EXPECT_NEAR(printed.height(), screen.height(), 2) << "zoom " << z;
            for (const Region &r : regions) {
                int x1 = int(r.x1 * z), y1 = int(r.y1 * z), x2 = int(r.x2 * z), y2 = int(r.y2 * z);
                Box s = InkBox(screen, x1, y1, x2, y2, onscreen);
                Box p = InkBox(printed, x1, y1, x2, y2, onpaper);
                ASSERT_FALSE(s.Empty()) << r.what << " drawn on screen at zoom " << z;
                ASSERT_FALSE(p.Empty()) << r.what << " printed at zoom " << z;
                EXPECT_NEAR(s.x1, p.x1, 2) << r.what << " at zoom " << z;
                EXPECT_NEAR(s.y1, p.y1, 2) << r.what << " at zoom " << z;
                EXPECT_NEAR(s.x2, p.x2, 2) << r.what << " at zoom " << z;
                EXPECT_NEAR(s.y2, p.y2, 2) << r.what << " at zoom " << z;
            }
        }
        QImage screen = ScreenPage(100);
        Box pic = InkBox(screen, 60, 500, 300, 640, [](QRgb c) { return (c & 0xFFFFFF) == (qRgb(0, 0, 128) & 0xFFFFFF); });
        EXPECT_EQ(pic.x2 - pic.x1 + 1, 120) << "a picture keeps its own width";
        EXPECT_EQ(pic.y2 - pic.y1 + 1, 80);
    }}));
}

TEST_F(Drawing, ScreenShowsWhatThePdfShows)
{
    ExpectScreenShowsWhatThePdfShows({100, 200, 400});
}

/* On a laptop screen the page opens fitted; what the view draws still
 * lies where the PDF puts it. */
TEST_F(Drawing, ScreenShowsWhatThePdfShowsOnASmallScreen)
{
    setenv("PAGIMO_SCREEN", "1366x768", 1);
    ExpectScreenShowsWhatThePdfShows({ZOOM_FIT_PAGE});
    EXPECT_EQ(ScreenWidth, 1366u) << "the program ran on the small screen";
    setenv("PAGIMO_SCREEN", "1920x1200", 1);
}

TEST_F(Drawing, PicturesFieldsAndMissingFonts)
{
    EXPECT_TRUE(Run({[] {
        GElement *red = Picture("red.png", 40, 30, Qt::red, 100, 100, "PNG");
        GElement *gone = Picture("gone.png", 0, 0, Qt::black, 300, 300, nullptr);
        WriteTextFile(HostPath("PGT:PAG4/Bilder/bad.png"), "no picture at all");
        GElement *bad = Picture("bad.png", 0, 0, Qt::black, 400, 300, nullptr);
        GElement *pageno = Text(ET_PAGENO, "", "DejaVu Sans", 12, 100, 700);
        GElement *time = Text(ET_TIME, "", "DejaVu Sans", 12, 300, 700);
        GElement *lost = Text(ET_TEXT, "Lost font", "No Such Font", 12, 100, 750);
        RequesterScriptAdd("1");
        Repaint();
        EXPECT_EQ(CountColor(ScreenPage(), qRgb(255, 0, 0)), 1200) << "40 x 30 red pixels";
        EXPECT_NEAR(CountColor(ScreenPage(200), qRgb(255, 0, 0)), 4800, 4 * (80 + 60)) << "at 200 %";
        void *loaded = red->edata.pd.dsrc;
        EXPECT_NE(loaded, nullptr);
        Repaint();
        EXPECT_EQ(red->edata.pd.dsrc, loaded) << "loaded once, not at every drawing";

        /* The stored 10 x 10 box, framed and crossed, in the element's pen. */
        RastPort *rp = WindowRastPort(WIN_PROJECT);
        uint32_t pen = PenRGB(gone->apen), paper = PenRGB(uint8_t(PCReg));
        EXPECT_EQ(gone->edata.pd.dsrc, nullptr);
        EXPECT_EQ(gone->ex, gone->sx + 10) << "a missing picture keeps its box";
        for (int i = 0; i <= 10; i++) {
            EXPECT_EQ(ReadPixelRGB(rp, int32_t(gone->sx + i), int32_t(gone->sy)), pen) << "top " << i;
            EXPECT_EQ(ReadPixelRGB(rp, int32_t(gone->sx), int32_t(gone->sy + i)), pen) << "left " << i;
            /* the cross is smoothed: each pixel on it is at least half ink */
            EXPECT_LE(qGray(ReadPixelRGB(rp, int32_t(gone->sx + i), int32_t(gone->sy + i))), 128) << "cross " << i;
            EXPECT_LE(qGray(ReadPixelRGB(rp, int32_t(gone->sx + i), int32_t(gone->ey - i))), 128) << "cross " << i;
        }
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(gone->sx + 3), int32_t(gone->sy + 1)), paper) << "not filled";
        EXPECT_LE(qGray(ReadPixelRGB(rp, int32_t(bad->sx + 5), int32_t(bad->sy + 5))), 128) << "undecodable: crossed";
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(bad->ex), int32_t(bad->ey)), pen);
        EXPECT_TRUE(RequesterLog.empty() || RequesterLog[0].rfind("file|", 0) != 0)
            << "redrawing a page asks for no picture";

        EXPECT_TRUE(DrawGraphicElements(pageno, false, 7));
        EXPECT_STREQ(pageno->edata.td.text, "  7");
        EXPECT_EQ(std::strlen(time->edata.td.text), 5u) << "the time, written at drawing";
        EXPECT_EQ(time->edata.td.text[2], ':');

        ASSERT_FALSE(RequesterLog.empty());
        EXPECT_EQ(RequesterLog[0], std::string("Font not found!|Replace No Such Font.font with ") + nfont[0] +
                                       ".font.|Okay");
        EXPECT_EQ(std::string(lost->edata.td.fontname), std::string(nfont[0]) + ".font")
            << "the replacement is kept, for the PDF too";

        FreePicResources(red);
        EXPECT_EQ(red->edata.pd.dsrc, nullptr);
        EXPECT_EQ(red->edata.pd.bitmap, nullptr);
    }}));
}

TEST_F(Drawing, ImportedPicturesGetAFreeName)
{
    std::string holiday = scratch + "/holiday.png";
    QImage img(30, 20, QImage::Format_RGB32);
    img.fill(Qt::green);
    ASSERT_TRUE(img.save(QString::fromStdString(holiday), "PNG"));
    EXPECT_TRUE(Run({[holiday] {
        ASSERT_TRUE(CopyFile(holiday.c_str(), "PGT:PAG4/Bilder/holiday.png"));
        /* A picture being made (a click: no box yet) whose file is gone
         * asks for one, and takes its size. */
        GElement *ge = Picture("gone.png", 0, 0, Qt::black, 100, 100, nullptr);
        ge->ex = ge->sx, ge->ey = ge->sy;
        RequesterScriptAdd(holiday.c_str());
        EXPECT_TRUE(DrawPictureElement(WindowRastPort(WIN_PROJECT), ge, JAM1, false, true, 1));
        EXPECT_STREQ(ge->edata.pd.fn, "PGT:PAG4/Bilder/holiday-001.png") << "the name taken is kept";
        EXPECT_TRUE(FileExists("PGT:PAG4/Bilder/holiday-001.png"));
        EXPECT_EQ(ReadTextFile(HostPath("PGT:PAG4/Bilder/holiday.png")), ReadTextFile(holiday));
        EXPECT_EQ(ge->ex, ge->sx + 30);
        char shown[256];
        GadgetGetText(GID_PICTUREPATH, shown, sizeof(shown));
        EXPECT_STREQ(shown, ge->edata.pd.fn);

        char fn[256] = "";
        RequesterScriptAdd("");
        EXPECT_FALSE(SetPicture(fn, ge)) << "cancelled";
        EXPECT_STREQ(ge->edata.pd.fn, "PGT:PAG4/Bilder/holiday-001.png");
        RequesterScriptAdd("");
        GElement *other = Picture("gone2.png", 0, 0, Qt::black, 200, 200, nullptr);
        EXPECT_FALSE(DrawPictureElement(WindowRastPort(WIN_PROJECT), other, JAM1, false, true, 1))
            << "no picture chosen, no element";
    }}));
}

TEST_F(Drawing, TheExampleShowsItsWholeLayout)
{
    std::string example = std::string(PAGIMO_SOURCE_DIR) + "/examples/example.pfz";
    EXPECT_TRUE(Run({[] {
        PageNode *pn = GetPageNode(1);
        ASSERT_NE(pn, nullptr);
        EnsureRastImage();
        QImage screen = rastimage->copy();
        QRgb paper = PenRGB(uint8_t(PCReg)) & 0xFFFFFF;
        int drawn = 0;
        for (Node *n = GetHead(&pn->page); n; n = GetSucc(n)) {
            GElement *ge = reinterpret_cast<GElement *>(n);
            int x1 = int(std::min(ge->sx, ge->ex)), x2 = int(std::max(ge->sx, ge->ex));
            int y1 = int(std::min(ge->sy, ge->ey)), y2 = int(std::max(ge->sy, ge->ey));
            if (IsTextType(n->ln_Type)) /* the anchor is the baseline's left end */
                x1 = int(ge->ex), x2 = x1 + 40, y1 = int(ge->ey) - int(ge->edata.td.size), y2 = int(ge->ey) + 4;
            if (n->ln_Type == ET_TEXTBOX)
                continue;
            if (n->ln_Type == ET_PICTURE) {
                EXPECT_NE(ge->edata.pd.dsrc, nullptr) << ge->edata.pd.fn;
            }
            Box b = InkBox(screen, x1 - 1, y1 - 1, x2 + 1, y2 + 1,
                           [paper](QRgb c) { return (c & 0xFFFFFF) != paper; });
            EXPECT_FALSE(b.Empty()) << "element of type " << int(n->ln_Type) << " at " << x1 << "," << y1;
            drawn++;
        }
        EXPECT_GT(drawn, 5);
    }}, {example}));
}
