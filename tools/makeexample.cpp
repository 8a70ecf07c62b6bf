/*
 * makeexample.cpp - makes the example project examples/example.pfz with the
 * program's own document and save code: three DIN A4 pages with headlines,
 * text lines, a date, a time, page numbers, lines, rectangles, a picture, a
 * page link and a web link. Element positions are page-view positions of
 * the main window on a 1920x1200 screen, laid out offscreen.
 * Usage: makeexample OUTDIR
 */
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QColor>
#include <QImage>
#include <QPainter>

#include "core/settings.h"
#include "document/archive.h"
#include "document/headlines.h"
#include "document/pagelist.h"
#include "document/properties.h"
#include "gui/localisation.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/fontinstall.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "platform/strutil.h"
#include "view/geometry.h"

static bool failed;

/* A text-like element with its anchor (baseline start) at page point (x, y
 * from the top): its box measured in its screen font. */
static void Text(uint32_t page, int type, const char *text, const char *font, uint32_t size,
                 uint32_t x, uint32_t y, uint8_t level, const char *web = "", uint32_t target = 0)
{
    GElement ge;
    std::memset(&ge, 0, sizeof(ge));
    ge.node.ln_Type = uint8_t(type);
    ge.node.ln_Pri = int8_t(type);
    ge.apen = 1;
    TextData &td = ge.edata.td;
    Strlcpy(td.text, text, sizeof(td.text));
    std::snprintf(td.fontname, sizeof(td.fontname), "%s.font", font);
    td.size = size;
    td.level = level;
    Strlcpy(td.link, web, sizeof(td.link));
    td.page = target;
    uint32_t w, h;
    GetObjSize(uint32_t(type), false, &ge, &w, &h, nullptr);
    if (!w || !h) {
        std::fprintf(stderr, "makeexample: font %s cannot be measured\n", font);
        failed = true;
    }
    ge.ex = xstart + x, ge.ey = ystart + y;
    ge.sx = ge.ex + w, ge.sy = ge.ey - h;
    AddGObject(page, &ge);
}

static void Figure(uint32_t page, int type, uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2)
{
    GElement ge;
    std::memset(&ge, 0, sizeof(ge));
    ge.node.ln_Type = uint8_t(type);
    ge.node.ln_Pri = int8_t(type);
    ge.apen = 1;
    ge.sx = xstart + x1, ge.sy = ystart + y1, ge.ex = xstart + x2, ge.ey = ystart + y2;
    AddGObject(page, &ge);
}

/* A small harbour scene, drawn here so the example needs no image file. */
static void Picture(uint32_t page, uint32_t x, uint32_t y)
{
    QImage img(240, 150, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 100);
    sky.setColorAt(0, QColor(97, 142, 206));
    sky.setColorAt(1, QColor(214, 228, 240));
    p.fillRect(img.rect(), sky);
    p.fillRect(QRect(0, 100, 240, 50), QColor(48, 48, 136));
    p.setBrush(QColor(255, 210, 80));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(190, 35), 18, 18);
    p.setBrush(QColor(230, 230, 230));
    p.drawPolygon(QPolygonF({QPointF(60, 95), QPointF(100, 30), QPointF(100, 95)}));
    p.setBrush(QColor(120, 60, 30));
    p.drawRect(QRectF(40, 95, 90, 12));
    p.end();
    std::string file = HostPath("PGT:PAG4/Bilder/harbour.png");
    img.save(QString::fromStdString(file), "PNG");
    GElement ge;
    std::memset(&ge, 0, sizeof(ge));
    ge.node.ln_Type = ET_PICTURE;
    ge.node.ln_Pri = ET_PICTURE;
    ge.apen = 1;
    std::strcpy(ge.edata.pd.fn, "PGT:PAG4/Bilder/harbour.png");
    ge.edata.pd.width = 240, ge.edata.pd.height = 150;
    ge.sx = xstart + x, ge.sy = ystart + y, ge.ex = ge.sx + 240, ge.ey = ge.sy + 150;
    AddGObject(page, &ge);
}

static void BuildPages(void)
{
    const char *sans = "DejaVu Sans", *bold = "DejaVu Sans Bold", *serif = "DejaVu Serif";
    for (int i = 0; i < 3; i++)
        AddPageList(nullptr);
    Text(1, ET_TEXT, "Welcome to Pagimo", bold, 28, 60, 90, 2);
    Text(1, ET_TEXT, "Pages of lines, boxes, texts and pictures.", serif, 14, 60, 130, 1);
    Text(1, ET_TEXT, "Gr\xfc\xdf" "e aus K\xf6ln \x96 Caf\xe9 \x80" "5 \x84" "Zitat\x93", serif, 14, 60, 155, 1);
    Figure(1, ET_LINE, 60, 170, 535, 170);
    Text(1, ET_TEXT, "Layout", bold, 18, 60, 220, 3);
    Figure(1, ET_RECT, 60, 240, 300, 400);
    Text(1, ET_TEXT, "A framed area", sans, 12, 80, 270, 1);
    Picture(1, 320, 245);
    Text(1, ET_DATE, "06-Dec-2026", sans, 10, 60, 800, 0);
    Text(1, ET_TIME, "16:45", sans, 10, 200, 800, 0);
    Text(1, ET_PAGENO, "  1", sans, 10, 500, 800, 0);
    Text(1, ET_LINK, "Go to the links page", sans, 12, 60, 440, 0, "", 3);

    Text(2, ET_TEXT, "Outline", bold, 28, 60, 90, 2);
    Text(2, ET_TEXT, "Headlines", bold, 18, 60, 140, 3);
    Text(2, ET_TEXT, "Every headline becomes an entry of the PDF outline.", serif, 12, 60, 170, 1);
    Figure(2, ET_LINE, 60, 200, 300, 320);
    Figure(2, ET_RECT, 350, 200, 535, 320);
    Text(2, ET_PAGENO, "  2", sans, 10, 500, 800, 0);

    Text(3, ET_TEXT, "Links", bold, 28, 60, 90, 2);
    Text(3, ET_LINK, "Pagimo on the web", sans, 14, 60, 140, 0, "https://example.org/pagimo");
    Text(3, ET_LINK, "Back to the first page", sans, 14, 60, 180, 0, "", 1);
    Text(3, ET_PAGENO, "  3", sans, 10, 500, 800, 0);
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeexample OUTDIR\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("PAGIMO_SCREEN", "1920x1200", 1);
    char tmpl[] = "/tmp/pagimo-example-XXXXXX";
    std::string tmp = mkdtemp(tmpl);
    setenv("PAGIMO_ASSIGN_T", tmp.c_str(), 1);
    AssignInit();
    AssignPath("PGT:", "T:");
    Debug = 0;
    APMemPool = PoolCreate();
    InitLocalisation();
    InitLists();
    MsgPort *port;
    InitGui(&port);
    LocalizeChooser();
    LocalizeRadioButtons();
    PlatformScreenSize(&ScreenWidth, &ScreenHeight);
    InstallFonts();
    LookforTTFonts();
    void *strip = InitMenu(false);
    GUIOpenWindow(WIN_PROJECT, strip, port, false, 0);
    CreateProjectStructure();
    PDaten.pageformat = 2;
    PDaten.width = ScreenWidth, PDaten.height = ScreenHeight;
    CreateEmptyPage(2);
    BuildPages();
    std::strcpy(PDaten.title, "Pagimo example");
    std::strcpy(PDaten.author, "The Pagimo team");
    PDaten.comp = 4;
    SetProjectName("example");
    HLManager();
    Strlcpy(DataPath, argv[1], sizeof(DataPath));
    uint32_t rc = failed ? 1 : SaveProject(false);
    std::printf("makeexample: %s/example.pfz %s\n", argv[1], rc == 0 ? "written" : "NOT written");
    DeleteAll(tmp.c_str());
    return rc == 0 ? 0 : 1;
}
