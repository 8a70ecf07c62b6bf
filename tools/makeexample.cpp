/*
 * makeexample.cpp - makes the example project examples/example.pfz with the
 * program's own document and save code: three DIN A4 pages with headlines,
 * text lines, a date, a time, page numbers, lines, rectangles, a picture, a
 * page link, a web link and a block-justified, hyphenated textbox chain over
 * two pages with a line of many scripts; and the merge example: the letter
 * template examples/letter.pfz and its table examples/letter.csv. Element
 * positions are page-view positions of the main window on a 1920x1200
 * screen, laid out offscreen.
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

/* A textbox of the project's text `name`, `pri` its place in the chain
 * (0 first, -1 next, ...), from page point (x, y) w by h. */
static void Textbox(uint32_t page, const char *name, int pri, const char *font, uint32_t size, uint32_t align,
                    uint32_t x, uint32_t y, uint32_t w, uint32_t h)
{
    GElement ge;
    std::memset(&ge, 0, sizeof(ge));
    ge.node.ln_Type = ET_TEXTBOX;
    ge.node.ln_Pri = int8_t(pri);
    ge.apen = 1;
    TextboxData &tbd = ge.edata.tbd;
    std::snprintf(tbd.fn, sizeof(tbd.fn), "PGT:PAG4/Texte/%s", name);
    std::snprintf(tbd.fontname, sizeof(tbd.fontname), "%s.font", font);
    tbd.size = size;
    tbd.align = align;
    ge.sx = xstart + x, ge.sy = ystart + y, ge.ex = ge.sx + w, ge.ey = ge.sy + h;
    AddGObject(page, &ge);
}

static void WriteText(const char *path, const char *text)
{
    FILE *f = OpenFile(path, "wb");
    if (!f || std::fputs(text, f) < 0) {
        std::fprintf(stderr, "makeexample: %s cannot be written\n", path);
        failed = true;
    }
    if (f)
        std::fclose(f);
}

/* German, as the spell checker's language is by default, so that the
 * chain shows hyphenation; then a line of many scripts. */
static const char *const STORY =
    "Textboxen setzen ihren Text Zeile f\u00fcr Zeile in einen Rahmen und flie\u00dfen von Box zu Box "
    "weiter, auch \u00fcber Seitengrenzen hinweg. Im Blocksatz werden die Wortzwischenr\u00e4ume so "
    "verteilt, dass jede Zeile b\u00fcndig an beiden R\u00e4ndern abschlie\u00dft.\n"
    "Damit die Abst\u00e4nde gleichm\u00e4\u00dfig bleiben, trennt Pagimo lange W\u00f6rter nach den Regeln "
    "des W\u00f6rterbuchs: Donaudampfschifffahrtsgesellschaft, Unternehmensberatung und "
    "Weiterbildungsangebote brechen an ihren Silbengrenzen um, und der Trennstrich erscheint am Zeilenende "
    "auf dem Bildschirm wie im PDF.\n"
    "Weiche Trennstriche markieren eigene Trenn\u00adstellen, gesch\u00fctzte Leerzeichen halten "
    "Zahl und Einheit zusammen: 10\u00a0kg, 5\u00a0\u20ac, 30\u00a0km/h.\n"
    "Polski: Za\u017c\u00f3\u0142\u0107 g\u0119\u015bl\u0105 ja\u017a\u0144 \u00b7 "
    "\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u00b7 \u041a\u0438\u0440\u0438\u043b\u043b\u0438\u0446\u0430 "
    "\u00b7 \u2190 \u2192 \u2194 \u00b7 5\u00a0\u20ac \u00b7 \u201eZitat\u201c\n";

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
    Text(2, ET_TEXT, "Textboxes", bold, 18, 60, 360, 3);
    WriteText("PGT:PAG4/Texte/story.txt", STORY);
    Textbox(2, "story.txt", 0, serif, 12, 3, 60, 380, 200, 160);
    Text(2, ET_PAGENO, "  2", sans, 10, 500, 800, 0);
    Textbox(3, "story.txt", -1, serif, 12, 3, 60, 230, 200, 400);

    Text(3, ET_TEXT, "Links", bold, 28, 60, 90, 2);
    Text(3, ET_LINK, "Pagimo on the web", sans, 14, 60, 140, 0, "https://example.org/pagimo");
    Text(3, ET_LINK, "Back to the first page", sans, 14, 60, 180, 0, "", 1);
    Text(3, ET_PAGENO, "  3", sans, 10, 500, 800, 0);
}

/* ------------------------------------------------------------ the letter */

/* A letter for every record of letter.csv: the address and the body are
 * textboxes, which show every character of a name. */
static const char *const ADDRESS = "{Name}\n{Stra\u00dfe}\n{Ort}\n";
static const char *const BODY =
    "Liebe/r {Name},\n\n"
    "vielen Dank f\u00fcr Ihre Anmeldung zum Sommerseminar \u201eTypografie f\u00fcr Einsteiger\u201c. "
    "Wir freuen uns, Sie am {Datum} in unserer Werkstatt begr\u00fc\u00dfen zu d\u00fcrfen. Die "
    "Teilnahmegeb\u00fchr von {Betrag}\u00a0\u20ac \u00fcberweisen Sie bitte bis eine Woche vor "
    "Seminarbeginn auf das unten genannte Konto.\n\n"
    "Bitte bringen Sie Ihre Lieblingsschriften und ein paar Seiten Text mit, an denen wir Satzspiegel, "
    "Zeilenabstand und Silbentrennung gemeinsam ausprobieren.\n\n"
    "Mit freundlichen Gr\u00fc\u00dfen\n"
    "Ihr Pagimo-Team\n";
static const char *const TABLE =
    "Name,Stra\u00dfe,Ort,Datum,Betrag\n"
    "J\u00fcrgen M\u00fcller,Hauptstra\u00dfe 1,50667 K\u00f6ln,3. Juli,120\n"
    "Zofia \u0141\u0119cka,ul. D\u0142uga 7,80-831 Gda\u0144sk,3. Juli,120\n"
    "\u03a3\u03bf\u03c6\u03af\u03b1 \u03a0\u03b1\u03c0\u03b1\u03b4\u03bf\u03c0\u03bf\u03cd\u03bb\u03bf\u03c5,"
    "\u039f\u03b4\u03cc\u03c2 \u0395\u03c1\u03bc\u03bf\u03cd 12,105 63 \u0391\u03b8\u03ae\u03bd\u03b1,10. Juli,95\n"
    "\u0410\u043d\u043d\u0430 \u041f\u0435\u0442\u0440\u043e\u0432\u0430,\u0443\u043b. \u041b\u0435\u043d\u0438\u043d\u0430 5,"
    "\u041c\u043e\u0441\u043a\u0432\u0430,10. Juli,95\n";

static void BuildLetter(void)
{
    const char *sans = "DejaVu Sans", *bold = "DejaVu Sans Bold", *serif = "DejaVu Serif";
    AddPageList(nullptr);
    Text(1, ET_TEXT, "Pagimo-Werkstatt \x95 Am Hafen 3 \x95 20457 Hamburg", sans, 8, 60, 130, 0);
    WriteText("PGT:PAG4/Texte/adresse.txt", ADDRESS);
    Textbox(1, "adresse.txt", 0, serif, 12, 0, 60, 140, 260, 70);
    Text(1, ET_DATE, "06-Dec-2026", sans, 10, 440, 230, 0);
    Text(1, ET_TEXT, "Ihre Anmeldung zum Sommerseminar", bold, 12, 60, 280, 0);
    WriteText("PGT:PAG4/Texte/brief.txt", BODY);
    Textbox(1, "brief.txt", 0, serif, 12, 3, 60, 300, 420, 400);
    Text(1, ET_TEXT, "IBAN DE00 1234 5678 9012 3456 78", sans, 8, 60, 790, 0);
}

/* The project built so far, saved into `dir` as NAME.pfz. */
static bool Save(const char *dir, const char *name, const char *title)
{
    std::strcpy(PDaten.title, title);
    std::strcpy(PDaten.author, "The Pagimo team");
    PDaten.comp = 4;
    SetProjectName(name);
    HLManager();
    Strlcpy(DataPath, dir, sizeof(DataPath));
    uint32_t rc = failed ? 1 : SaveProject(false);
    std::printf("makeexample: %s/%s.pfz %s\n", dir, name, rc == 0 ? "written" : "NOT written");
    return rc == 0;
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
    bool ok = Save(argv[1], "example", "Pagimo example");
    /* the letter starts a project of its own */
    FreeLists(0);
    PDaten.count = 0;
    RemoveProjectStructure();
    CreateProjectStructure();
    BuildLetter();
    ok = Save(argv[1], "letter", "Pagimo letter") && ok;
    std::string table = std::string(argv[1]) + "/letter.csv";
    WriteText(table.c_str(), TABLE);
    std::printf("makeexample: %s %s\n", table.c_str(), failed ? "NOT written" : "written");
    DeleteAll(tmp.c_str());
    return ok && !failed ? 0 : 1;
}
