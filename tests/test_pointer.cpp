/*
 * test_pointer.cpp - drawing new elements and selecting them with the
 * mouse: the real main loop under the offscreen platform, driven by posted
 * pointer messages, and the project saved and opened again afterwards.
 * Each step runs when the loop has handled everything posted before it.
 */
#include <algorithm>
#include <cstring>
#include <functional>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

#include <QImage>

#include "testutil.h"

#include "core/mainloop.h"
#include "core/settings.h"
#include "core/startup.h"
#include "document/elementfile.h"
#include "document/history.h"
#include "document/pagelist.h"
#include "document/properties.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "pdf/pdfexport.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "platform/qtprivate.h"
#include "platform/rastport.h"
#include "view/geometry.h"
#include "view/selection.h"

class PointerTest : public MainLoopScratchTest {
};

/* Positions relative to the page's top-left corner. */
static int32_t X(int32_t dx) { return int32_t(xstart) + dx; }
static int32_t Y(int32_t dy) { return int32_t(ystart) + dy; }

static GElement *OfType(uint32_t page, int type)
{
    for (GElement *e : Elements(page))
        if (e->node.ln_Type == type)
            return e;
    return nullptr;
}

static std::string Text(int id)
{
    char buf[256];
    GadgetGetText(id, buf, sizeof(buf));
    return buf;
}

/* ------------------------------------------------------------ drawing */

TEST_F(PointerTest, EachToolDrawsItsElementWhichTheSavedProjectKeeps)
{
    std::string archive = scratch + "/Drawn.pfz";
    static uint32_t paper;
    std::vector<std::function<void()>> s;
    s.push_back([] { Press(GID_PICTURES); });
    s.push_back([] { Drag(X(400), Y(400), X(450), Y(450)); });
    s.push_back([] {
        EXPECT_EQ(GetPageNode(1)->count, 0u) << "a picture is not dragged out";
        EXPECT_EQ(Loop.saved, 1) << "a drag that makes nothing changes nothing";
        Press(GID_RECT);
    });
    s.push_back([] {
        paper = ReadPixelRGB(WindowRastPort(WIN_PROJECT), X(250), Y(250));
        Button(SELECTDOWN, X(300), Y(400));
        MoveTo(X(200), Y(250));
    });
    s.push_back([] {
        RastPort *rp = WindowRastPort(WIN_PROJECT);
        EXPECT_NE(ReadPixelRGB(rp, X(250), Y(250)), paper) << "the rubber band shows";
        MoveTo(X(200), Y(300));
    });
    s.push_back([] {
        RastPort *rp = WindowRastPort(WIN_PROJECT);
        EXPECT_EQ(ReadPixelRGB(rp, X(250), Y(250)), paper) << "the old band is gone";
        EXPECT_NE(ReadPixelRGB(rp, X(250), Y(300)), paper);
        EXPECT_TRUE(GetPageNode(1)->count == 0) << "nothing is made before the release";
        MoveTo(X(200), Y(250));
        Button(SELECTUP, X(200), Y(250));
    });
    s.push_back([] {
        GElement *r = OfType(1, ET_RECT);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->sx, uint32_t(X(200)));
        EXPECT_EQ(r->sy, uint32_t(Y(250)));
        EXPECT_EQ(r->ex, uint32_t(X(300)));
        EXPECT_EQ(r->ey, uint32_t(Y(400)));
        EXPECT_EQ(r->apen, 1);
        EXPECT_EQ(Loop.saved, 0);
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_RECT)) << "the tool stays for the next one";
        EXPECT_NE(ReadPixelRGB(WindowRastPort(WIN_PROJECT), X(250), Y(250)), paper) << "it is drawn";
        Press(GID_LINE);
    });
    s.push_back([] {
        Drag(X(300), Y(400), X(200), Y(250));
    });
    s.push_back([] {
        GElement *l = OfType(1, ET_LINE);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->sx, uint32_t(X(300))) << "a line keeps the order it was drawn in";
        EXPECT_EQ(l->sy, uint32_t(Y(400)));
        EXPECT_EQ(l->ex, uint32_t(X(200)));
        EXPECT_EQ(l->ey, uint32_t(Y(250)));
        Press(GID_TEXTE);
    });
    s.push_back([] {
        GadgetSetText(GID_TEXTCONT, "Chapter one");
        GadgetSetNumber(GID_FONTSIZE, 24);
        GadgetSetNumber(GID_HEADLINE_LEVEL, 1);
        Drag(X(100), Y(500), X(120), Y(520));
    });
    s.push_back([] {
        GElement *t = OfType(1, ET_TEXT);
        ASSERT_NE(t, nullptr);
        EXPECT_STREQ(t->edata.td.text, "Chapter one");
        EXPECT_EQ(t->edata.td.size, 24u);
        EXPECT_EQ(t->edata.td.level, LEVEL_FIRST);
        EXPECT_NE(std::strstr(t->edata.td.fontname, ".font"), nullptr) << t->edata.td.fontname;
        EXPECT_EQ(t->ex, uint32_t(X(120))) << "the text stands on the release point";
        EXPECT_EQ(t->ey, uint32_t(Y(520)));
        EXPECT_GT(t->sx, uint32_t(X(100))) << "the press point plus the text's width";
        EXPECT_LT(t->sy, uint32_t(Y(500))) << "the press point less the text's height";
        EXPECT_EQ(GadgetRowCount(GID_HLLIST), 2) << "the headline is listed";
        Press(GID_TEXTE);
    });
    s.push_back([] {
        GadgetSetText(GID_TEXTCONT, "");
        Drag(X(100), Y(600), X(100), Y(600));
    });
    s.push_back([] {
        EXPECT_EQ(GetPageNode(1)->count, 3u) << "a text line without text is not made";
        Press(GID_DATEBOX);
    });
    s.push_back([] { Drag(X(50), Y(650), X(60), Y(660)); Press(GID_TIMEBOX); });
    s.push_back([] { Drag(X(50), Y(700), X(60), Y(710)); Press(GID_PAGENO); });
    s.push_back([] {
        char font[81] = "", text[81] = "";
        uint32_t size = 0;
        uint8_t level = 0;
        GetTextData(ET_PAGENO, font, &size, text, &level);
        EXPECT_STREQ(text, "000") << "a page number is placed with room for three digits";
        Drag(X(50), Y(750), X(60), Y(760));
        Press(GID_LINKS);
    });
    s.push_back([] {
        GadgetSetText(GID_TEXTCONT, "Our site");
        GadgetSetNumber(GID_RBLINKS, 0);
        GadgetSetText(GID_LINKWEB, "https://example.org/pagimo");
        Drag(X(300), Y(650), X(310), Y(660));
    });
    s.push_back([] {
        for (int type : {ET_DATE, ET_TIME, ET_PAGENO}) {
            GElement *f = OfType(1, type);
            ASSERT_NE(f, nullptr) << type;
            EXPECT_EQ(f->ex - f->sx, 10u) << "fields keep the press and release points";
            EXPECT_EQ(f->ey - f->sy, 10u);
            EXPECT_NE(f->edata.td.text[0], '\0');
        }
        EXPECT_STREQ(OfType(1, ET_PAGENO)->edata.td.text, "  1");
        GElement *k = OfType(1, ET_LINK);
        ASSERT_NE(k, nullptr);
        EXPECT_STREQ(k->edata.td.text, "Our site");
        EXPECT_STREQ(k->edata.td.link, "https://example.org/pagimo");
        EXPECT_EQ(k->ex, uint32_t(X(310)));
        EXPECT_EQ(GadgetRowCount(GID_OBJLIST), 7) << "the object list shows every element";
        Press(GID_RECT);
    });
    s.push_back([] {
        Button(SELECTDOWN, X(400), Y(100));
        MoveTo(X(450), Y(150));
        MoveTo(int32_t(xend) + 20, Y(150));
        Button(SELECTUP, int32_t(xend) + 20, Y(150));
    });
    s.push_back([archive] {
        EXPECT_EQ(GetPageNode(1)->count, 7u) << "a drag leaving the page makes nothing";
        EXPECT_FALSE(Loop.draw);
        RequesterScriptAdd(archive.c_str());
        Press(GID_SAVEAS);
    });
    s.push_back([] { EXPECT_EQ(Loop.saved, 1); });
    EXPECT_TRUE(Run(s));

    static std::vector<GElement> drawn;
    drawn.clear();
    EXPECT_TRUE(Run({[] {
        for (GElement *e : Elements(1))
            drawn.push_back(*e);
    }}, {archive}));
    ASSERT_EQ(drawn.size(), 7u);
    int rects = 0, links = 0;
    for (const GElement &e : drawn) {
        if (e.node.ln_Type == ET_RECT) {
            rects++;
            EXPECT_EQ(e.ex - e.sx, 100u);
            EXPECT_EQ(e.ey - e.sy, 150u);
        }
        if (e.node.ln_Type == ET_LINK) {
            links++;
            EXPECT_STREQ(e.edata.td.link, "https://example.org/pagimo");
        }
        if (e.node.ln_Type == ET_TEXT) {
            EXPECT_STREQ(e.edata.td.text, "Chapter one");
        }
    }
    EXPECT_EQ(rects, 1);
    EXPECT_EQ(links, 1);
}

/* ------------------------------------------------------------ hit testing */

static GElement Shape(int type, uint32_t sx, uint32_t sy, uint32_t ex, uint32_t ey)
{
    GElement ge = MakeElement(type, type == ET_TEXTBOX ? 0 : type);
    ge.sx = sx, ge.sy = sy, ge.ex = ex, ge.ey = ey;
    return ge;
}

class HitTest : public ScratchTest {};

TEST_F(HitTest, LinesAreHitNearThemAndShapesByTheirKind)
{
    GElement down = Shape(ET_LINE, 100, 100, 100, 200);
    EXPECT_TRUE(LineSelected(&down, 106, 150));
    EXPECT_TRUE(LineSelected(&down, 94, 150));
    EXPECT_FALSE(LineSelected(&down, 107, 150));
    EXPECT_FALSE(LineSelected(&down, 100, 105)) << "inside the end zone";
    GElement up = Shape(ET_LINE, 100, 200, 100, 100);
    EXPECT_TRUE(LineSelected(&up, 100, 205)) << "drawn upwards, hit beyond its end";
    GElement slanted = Shape(ET_LINE, 0, 0, 300, 150);
    EXPECT_TRUE(LineSelected(&slanted, 200, 104));
    EXPECT_FALSE(LineSelected(&slanted, 200, 110));
    EXPECT_FALSE(LineSelected(&slanted, 310, 155)) << "beyond its end";

    GElement rect = Shape(ET_RECT, 100, 100, 300, 200);
    EXPECT_EQ(MarkerSelected(&rect, 306, 206), 2);
    EXPECT_EQ(MarkerSelected(&rect, 104, 96), 1);
    EXPECT_EQ(MarkerSelected(&rect, 200, 150), 0);
    GElement pic = Shape(ET_PICTURE, 100, 100, 200, 200);
    EXPECT_EQ(MarkerSelected(&pic, 100, 100), 1) << "a picture is sized by its corners";
    EXPECT_EQ(MarkerSelected(&pic, 203, 196), 2);
    GElement text = Shape(ET_TEXT, 200, 80, 100, 100);
    EXPECT_EQ(MarkerSelected(&text, 100, 100), -1);

    /* Zoomed in, the pointer must come as much nearer on the page, zoomed
     * out it may stay farther: the same distance on the screen. */
    PlatformSetZoom(200);
    EXPECT_TRUE(LineSelected(&down, 103, 150));
    EXPECT_FALSE(LineSelected(&down, 104, 150));
    EXPECT_TRUE(LineSelected(&down, 100, 104)) << "the end zone shrinks as well";
    EXPECT_TRUE(LineSelected(&slanted, 200, 103));
    EXPECT_FALSE(LineSelected(&slanted, 200, 104));
    EXPECT_EQ(MarkerSelected(&rect, 306, 206), 0);
    EXPECT_EQ(MarkerSelected(&rect, 303, 197), 2);
    PlatformSetZoom(800);
    EXPECT_TRUE(LineSelected(&down, 101, 150)) << "never less than a pixel";
    EXPECT_FALSE(LineSelected(&down, 102, 150));
    PlatformSetZoom(50);
    EXPECT_TRUE(LineSelected(&down, 112, 150));
    EXPECT_FALSE(LineSelected(&down, 113, 150));
    EXPECT_EQ(MarkerSelected(&pic, 88, 112), 1);
    PlatformSetZoom(100);

    AddPageList(nullptr);
    EXPECT_EQ(GetElementAtPos(1, 200, 150, 0, 0), nullptr);
    GElement *r = AddGObject(1, &rect);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(GetElementAtPos(1, 200, 150, 0, 0), nullptr) << "the inside of a rectangle";
    EXPECT_EQ(GetElementAtPos(1, 200, 203, 0, 0), r) << "its bottom edge";
    EXPECT_EQ(GetElementAtPos(1, 297, 150, 0, 0), r) << "its right edge";
    GElement box = Shape(ET_TEXTBOX, 150, 120, 400, 300);
    GElement *b = AddGObject(1, &box);
    EXPECT_EQ(GetElementAtPos(1, 200, 150, 0, 0), b) << "the inside of a textbox";
    GElement apart = Shape(ET_LINE, 500, 100, 500, 200);
    GElement *l = AddGObject(1, &apart);
    ASSERT_TRUE(b && l);
    GElement *first = GetElementAtPos(1, 200, 203, 0, 0);
    EXPECT_TRUE(first == r || first == b);
    GElement *again = AddGObject(1, &rect);
    EXPECT_EQ(GetElementAtPos(1, 200, 203, 0, 0), first) << "the first in the list wins";
    EXPECT_NE(again, first);
    EXPECT_EQ(GetElementAtPos(1, 503, 150, 0, 0), l);
    EXPECT_EQ(GetElementAtPos(1, 510, 150, 0, 0), nullptr);
    EXPECT_EQ(GetElementAtPos(2, 503, 150, 0, 0), nullptr) << "no such page";
}

/* ------------------------------------------------------------ selecting */

TEST_F(PointerTest, ClicksAndLassosSelectAndThePropertiesFollow)
{
    static GElement *rect, *line, *text;
    std::vector<std::function<void()>> s;
    s.push_back([] {
        PlatformSetZoom(100); /* the tolerances below are those of 100 % */
        Press(GID_RECT);
    });
    s.push_back([] { Drag(X(100), Y(100), X(300), Y(200)); Press(GID_LINE); });
    s.push_back([] { Drag(X(400), Y(100), X(400), Y(200)); Press(GID_TEXTE); });
    s.push_back([] {
        GadgetSetText(GID_TEXTCONT, "Hello");
        Drag(X(100), Y(400), X(100), Y(400));
        Press(GID_CURSOR);
    });
    s.push_back([] {
        rect = OfType(1, ET_RECT), line = OfType(1, ET_LINE), text = OfType(1, ET_TEXT);
        ASSERT_TRUE(rect && line && text);
        Click(X(200), Y(150));
    });
    s.push_back([] {
        EXPECT_EQ(Loop.marked, 0) << "inside a rectangle is empty paper";
        EXPECT_FALSE(Loop.lasso);
        Click(X(406), Y(150));
    });
    s.push_back([] {
        EXPECT_EQ(Loop.marked, 1);
        EXPECT_TRUE(line->marked);
        EXPECT_EQ(Loop.mnode, line);
        RastPort *rp = WindowRastPort(WIN_PROJECT);
        EXPECT_EQ(ReadPixelRGB(rp, X(407), Y(200)), PenRGB(1)) << "a marker at its end";
        Click(X(102), Y(395));
    });
    s.push_back([] {
        EXPECT_EQ(Loop.marked, 2) << "a second click adds";
        EXPECT_TRUE(line->marked && text->marked);
        EXPECT_TRUE(GadgetDisabled(GID_TEXTCONT)) << "two elements show no properties";
        Click(X(500), Y(600));
    });
    s.push_back([] {
        EXPECT_EQ(Loop.marked, 0) << "empty paper deselects";
        EXPECT_FALSE(line->marked || text->marked);
        Click(X(102), Y(395));
    });
    s.push_back([] {
        EXPECT_EQ(Loop.marked, 1);
        EXPECT_FALSE(GadgetDisabled(GID_TEXTCONT)) << "one text shows its properties";
        EXPECT_EQ(Text(GID_TEXTCONT), "Hello");
        Click(X(102), Y(395));
    });
    s.push_back([] {
        EXPECT_EQ(Loop.marked, 0) << "a second click on it takes it out";
        EXPECT_FALSE(text->marked);
        Drag(X(50), Y(90), X(350), Y(250));
    });
    s.push_back([] {
        EXPECT_TRUE(rect->marked) << "a downward lasso takes what it encloses";
        EXPECT_FALSE(line->marked || text->marked);
        EXPECT_EQ(Loop.marked, 1);
        Drag(X(390), Y(50), X(450), Y(150));
    });
    s.push_back([] {
        EXPECT_FALSE(line->marked) << "but not what it only covers in part";
        EXPECT_EQ(Loop.marked, 1) << "the rectangle outside the lasso is still counted";
        EXPECT_EQ(Loop.mnode, rect);
        Drag(X(450), Y(250), X(250), Y(150));
    });
    s.push_back([] {
        EXPECT_TRUE(line->marked) << "an upward lasso takes what it touches";
        EXPECT_FALSE(rect->marked) << "and toggles what was selected";
        EXPECT_EQ(Loop.marked, 1);
        EXPECT_EQ(Loop.mnode, line);
        EXPECT_FALSE(Loop.lasso);
        Menu(MENU_SELECT_ALL);
    });
    s.push_back([] {
        EXPECT_TRUE(rect->marked && line->marked && text->marked) << "select all takes every element";
        EXPECT_EQ(Loop.marked, 3);
        EXPECT_EQ(Loop.mnode, line) << "the element shown stays shown";
        EXPECT_TRUE(GadgetDisabled(GID_TEXTCONT)) << "several elements show no properties";
        Press(GID_TEXTE);
    });
    s.push_back([] {
        ASSERT_EQ(Loop.marked, 0);
        Menu(MENU_SELECT_ALL);
    });
    s.push_back([] {
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_CURSOR)) << "select all ends the drawing tool";
        EXPECT_EQ(Loop.marked, 3);
        EXPECT_FALSE(GadgetDisabled(GID_DELETE)) << "the selection can be deleted";
    });
    EXPECT_TRUE(Run(s));
}

/* ------------------------------------------------------------ reshaping */

TEST_F(PointerTest, HandlesReshapeLinesRectanglesAndTextboxesOnly)
{
    static GElement *rect, *line, *box;
    static uint32_t paper;
    std::vector<std::function<void()>> s;
    s.push_back([] { Press(GID_RECT); });
    s.push_back([] { Drag(X(100), Y(100), X(300), Y(200)); Press(GID_LINE); });
    s.push_back([] { Drag(X(400), Y(100), X(400), Y(200)); Press(GID_CURSOR); });
    s.push_back([] {
        rect = OfType(1, ET_RECT), line = OfType(1, ET_LINE);
        ASSERT_TRUE(rect && line);
        rect->apen = 3;
        GElement tb = MakeElement(ET_TEXTBOX, -1);
        tb.sx = uint32_t(X(100)), tb.sy = uint32_t(Y(500));
        tb.ex = uint32_t(X(300)), tb.ey = uint32_t(Y(700));
        std::snprintf(tb.edata.tbd.fn, sizeof(tb.edata.tbd.fn), "PGT:PAG4/Texte/story.txt");
        box = AddGObject(1, &tb);
        ASSERT_NE(box, nullptr);
        Repaint(1);
        paper = ReadPixelRGB(WindowRastPort(WIN_PROJECT), X(500), Y(500));
        Click(X(200), Y(100));
    });
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, rect);
        Loop.saved = 1;
        Button(SELECTDOWN, X(304), Y(204)); /* its end handle */
    });
    s.push_back([] {
        EXPECT_TRUE(Loop.reshaping);
        EXPECT_EQ(Loop.aktmode, uint32_t(ET_RECT)) << "the reshape draws with the element's tool";
        EXPECT_EQ(Loop.marked, 0) << "the selection goes while reshaping";
        MoveTo(X(330), Y(240));
        MoveTo(X(350), Y(260));
    });
    s.push_back([] {
        EXPECT_EQ(GetPageNode(1)->count, 3u) << "nothing changes before the release";
        Button(SELECTUP, X(350), Y(260));
    });
    s.push_back([] {
        ASSERT_EQ(GetPageNode(1)->count, 3u);
        ASSERT_EQ(OfType(1, ET_RECT), rect) << "the rectangle keeps its record";
        EXPECT_EQ(rect->sx, uint32_t(X(100))) << "the other corner stays";
        EXPECT_EQ(rect->sy, uint32_t(Y(100)));
        EXPECT_EQ(rect->ex, uint32_t(X(350)));
        EXPECT_EQ(rect->ey, uint32_t(Y(260)));
        EXPECT_EQ(rect->apen, 3) << "it keeps its pen";
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_CURSOR));
        EXPECT_FALSE(Loop.reshaping);
        EXPECT_EQ(Loop.saved, 0);
        RastPort *rp = WindowRastPort(WIN_PROJECT);
        EXPECT_EQ(ReadPixelRGB(rp, X(300), Y(150)), paper) << "the old edge is gone";
        EXPECT_NE(ReadPixelRGB(rp, X(350), Y(150)), paper) << "the new edge shows";
        Click(X(400), Y(150));
    });
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, line);
        Button(SELECTDOWN, X(401), Y(99)); /* its start handle */
        MoveTo(X(450), Y(50));
        MoveTo(int32_t(xend) + 10, Y(50));
    });
    s.push_back([] {
        EXPECT_FALSE(Loop.reshaping) << "leaving the page abandons the reshape";
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_CURSOR));
        Button(SELECTUP, int32_t(xend) + 10, Y(50));
    });
    s.push_back([] {
        ASSERT_EQ(OfType(1, ET_LINE), line) << "the line is left as it was";
        EXPECT_EQ(line->sy, uint32_t(Y(100)));
        EXPECT_EQ(line->ey, uint32_t(Y(200)));
        Click(X(400), Y(150));
    });
    s.push_back([] { Button(SELECTDOWN, X(400), Y(100)); MoveTo(X(450), Y(60)); });
    s.push_back([] { Button(SELECTUP, X(450), Y(60)); });
    s.push_back([] {
        line = OfType(1, ET_LINE);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->sx, uint32_t(X(400))) << "the end it was not held by stays";
        EXPECT_EQ(line->sy, uint32_t(Y(200)));
        EXPECT_EQ(line->ex, uint32_t(X(450)));
        EXPECT_EQ(line->ey, uint32_t(Y(60)));
        Click(X(200), Y(600));
    });
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, box);
        Button(SELECTDOWN, X(300), Y(700));
    });
    s.push_back([] {
        EXPECT_STREQ(Loop.filename, "PGT:PAG4/Texte/story.txt");
        EXPECT_EQ(Text(GID_TEXTPATH), "PGT:PAG4/Texte/story.txt");
        MoveTo(X(60), Y(450));
        Button(SELECTUP, X(60), Y(450));
    });
    s.push_back([] {
        ASSERT_EQ(OfType(1, ET_TEXTBOX), box) << "a textbox keeps its record";
        EXPECT_EQ(box->node.ln_Pri, -1) << "and its place in the chain";
        EXPECT_STREQ(box->edata.tbd.fn, "PGT:PAG4/Texte/story.txt");
        EXPECT_EQ(box->sx, uint32_t(X(60))) << "its corners are kept in order";
        EXPECT_EQ(box->sy, uint32_t(Y(450)));
        EXPECT_EQ(box->ex, uint32_t(X(100)));
        EXPECT_EQ(box->ey, uint32_t(Y(500)));
        Loop.saved = 1;
        Click(X(425), Y(130));
    });
    /* A click on a handle without a drag changes nothing. */
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, line);
        Button(SELECTDOWN, X(450), Y(60));
        Button(SELECTUP, X(450), Y(60));
    });
    s.push_back([] {
        EXPECT_EQ(line->ex, uint32_t(X(450)));
        EXPECT_EQ(Loop.saved, 1) << "nothing changed";
        EXPECT_FALSE(Loop.reshaping);
        Click(X(425), Y(130));
    });
    /* A release off the page, with no move before it, ends the reshape:
     * the next line drawn is a new one beside the old. */
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, line);
        Button(SELECTDOWN, X(450), Y(60));
    });
    s.push_back([] {
        EXPECT_TRUE(Loop.reshaping);
        Button(SELECTUP, int32_t(xend) + 30, Y(60));
    });
    s.push_back([] {
        EXPECT_FALSE(Loop.reshaping);
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_CURSOR));
        Press(GID_LINE);
    });
    s.push_back([] { Drag(X(500), Y(500), X(550), Y(550)); });
    s.push_back([] {
        int lines = 0;
        for (GElement *e : Elements(1))
            lines += e->node.ln_Type == ET_LINE;
        EXPECT_EQ(lines, 2) << "the old line is still there";
        EXPECT_EQ(line->ex, uint32_t(X(450)));
        Press(GID_CURSOR);
    });
    /* A gadget pressed during a reshape ends it unapplied. */
    s.push_back([] { Click(X(200), Y(100)); });
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, rect);
        Button(SELECTDOWN, X(350), Y(260));
        MoveTo(X(380), Y(300));
    });
    s.push_back([] {
        EXPECT_TRUE(Loop.reshaping);
        Press(GID_TAB_ADD);
    });
    s.push_back([] {
        EXPECT_FALSE(Loop.reshaping);
        Button(SELECTUP, X(380), Y(300));
    });
    s.push_back([] {
        EXPECT_EQ(rect->ex, uint32_t(X(350))) << "the rectangle is as it was";
        EXPECT_EQ(rect->ey, uint32_t(Y(260)));
        Click(X(200), Y(100));
    });
    /* Flattened onto its other corner's row, the rectangle stays. */
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, rect);
        Button(SELECTDOWN, X(350), Y(260));
        MoveTo(X(380), Y(100));
        Button(SELECTUP, X(380), Y(100));
    });
    s.push_back([] {
        EXPECT_EQ(rect->ey, uint32_t(Y(260))) << "no rectangle of no height";
        EXPECT_FALSE(Loop.reshaping);
    });
    EXPECT_TRUE(Run(s));
}

/* ------------------------------------------------------------ pictures */

/* The red pixels inside the region of the image, as (x1, y1, x2, y2)
 * with x2, y2 just beyond them. */
static std::vector<int> RedBox(const QImage &img, int x1, int y1, int x2, int y2)
{
    std::vector<int> box = {1 << 20, 1 << 20, -1, -1};
    for (int y = y1; y < y2 && y < img.height(); y++)
        for (int x = x1; x < x2 && x < img.width(); x++)
            if (qRed(img.pixel(x, y)) > 200 && qGreen(img.pixel(x, y)) < 60)
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1), std::max(box[3], y + 1)};
    return box;
}

static std::vector<int> Corners(const GElement *ge)
{
    return {int(ge->sx - xstart), int(ge->sy - ystart), int(ge->ex - xstart), int(ge->ey - ystart)};
}

TEST_F(PointerTest, PicturesFitTheirDraggedBoxAndTheirHandlesResizeThem)
{
    static std::string archive, pdf;
    static GElement *own, *fitted, *small;
    static size_t done;
    static std::vector<std::vector<int>> boxes;
    static std::vector<std::string> records;
    archive = scratch + "/Pictures.pfz";
    pdf = scratch + "/pictures.pdf";
    std::string png = scratch + "/red.png";
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(img.save(QString::fromStdString(png), "PNG"));
    std::vector<std::function<void()>> s;
    s.push_back([png] {
        PlatformSetZoom(100);
        Press(GID_PICTURES);
        RequesterScriptAdd(png.c_str());
        Press(GID_PICTUREADD);
    });
    s.push_back([] {
        Click(X(100), Y(100));
        Drag(X(400), Y(300), X(300), Y(100));
        Drag(X(100), Y(400), X(105), Y(406));
    });
    s.push_back([] {
        std::vector<GElement *> pics = Elements(1);
        ASSERT_EQ(pics.size(), 3u);
        own = pics[0], fitted = pics[1], small = pics[2];
        EXPECT_EQ(Corners(own), (std::vector<int>{100, 100, 140, 130})) << "a click: its own size";
        EXPECT_EQ(Corners(fitted), (std::vector<int>{300, 100, 400, 175}))
            << "a drag: as large as the box holds it, from its top-left corner";
        EXPECT_EQ(Corners(small), (std::vector<int>{100, 400, 140, 430})) << "a drag under 8 x 8 is a click";
        Press(GID_CURSOR);
    });
    s.push_back([] { Click(X(120), Y(115)); });
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, own);
        done = HistoryDone();
        Button(SELECTDOWN, X(140), Y(130)); /* its end handle */
        MoveTo(X(160), Y(200));
        MoveTo(X(180), Y(140));
        Button(SELECTUP, X(180), Y(140));
    });
    s.push_back([] {
        EXPECT_EQ(Corners(own), (std::vector<int>{100, 100, 180, 160}))
            << "its proportions kept, the larger span deciding";
        EXPECT_EQ(HistoryDone(), done + 1) << "one step";
        EXPECT_EQ(PlatformMenuItemText(MenuStrip, MENU_UNDO), "Undo Reshape");
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_CURSOR));
        Click(X(120), Y(115));
    });
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, own);
        Button(SELECTDOWN, X(101), Y(99)); /* its start handle, with Shift */
        PlatformPostMessage(WIN_PROJECT, WMHI_MOUSEMOVE, 0, 0, X(50), Y(130), QUAL_SHIFT);
        PlatformPostMessage(WIN_PROJECT, WMHI_MOUSEBUTTONS, 0, SELECTUP, X(50), Y(130), QUAL_SHIFT);
    });
    s.push_back([] {
        EXPECT_EQ(Corners(own), (std::vector<int>{50, 130, 180, 160})) << "Shift sizes it freely";
        EXPECT_EQ(HistoryDone(), done + 2);
        Click(X(320), Y(120));
    });
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, fitted);
        Button(SELECTDOWN, X(300), Y(100));
        MoveTo(X(350), Y(150));
        Button(SELECTUP, X(350), Y(150));
    });
    s.push_back([] {
        EXPECT_EQ(Corners(fitted), (std::vector<int>{350, 137, 400, 175})) << "the end corner stays";
        Click(X(120), Y(415));
    });
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, small);
        Button(SELECTDOWN, X(140), Y(430));
        MoveTo(X(200), Y(int32_t(yend - ystart) - 2));
        Button(SELECTUP, X(200), Y(int32_t(yend - ystart) - 2));
    });
    s.push_back([] {
        /* Pulled down to the page's bottom, the picture would be too wide
         * for the page: it grows only as far as the right edge. */
        int32_t room = int32_t(xend - xstart) - 1 - 100;
        EXPECT_EQ(Corners(small), (std::vector<int>{100, 400, 100 + room, 400 + int(room * 0.75 + 0.5)}));
        EXPECT_TRUE(ElementOnPage(small, xstart, xend, ystart, yend));
        EXPECT_EQ(HistoryDone(), done + 4);
        boxes = {Corners(own), Corners(fitted), Corners(small)};
        ASSERT_TRUE(ExportProject(pdf.c_str(), xstart, ystart, xend, yend));
        /* Each drawing of the one picture at the size of its box. */
        std::string list = Shell("pdfimages -list '" + pdf + "'");
        std::regex row("image\\s+40\\s+30\\s+rgb\\s+3\\s+8\\s+\\w+\\s+\\w+\\s+\\d+\\s+\\d+\\s+(\\d+)\\s+(\\d+)");
        std::vector<std::string> ppi;
        for (std::sregex_iterator it(list.begin(), list.end(), row), end; it != end; ++it)
            ppi.push_back((*it)[1].str() + "x" + (*it)[2].str());
        EXPECT_EQ(ppi, (std::vector<std::string>{"22x72", "58x57", "6x6"})) << list;
        Shell("pdftoppm -r 72 -png -singlefile '" + pdf + "' '" + pdf + "'");
        QImage page(QString::fromStdString(pdf + ".png"));
        ASSERT_FALSE(page.isNull());
        for (const std::vector<int> &b : {boxes[0], boxes[1]}) {
            std::vector<int> ink = RedBox(page, b[0] - 10, b[1] - 10, b[2] + 10, b[3] + 10);
            for (int i = 0; i < 4; i++)
                EXPECT_NEAR(ink[size_t(i)], b[size_t(i)], 1) << "corner " << i << " of " << b[0] << "," << b[1];
        }
        /* A record of an older project without a box. */
        GElement old = *own;
        old.edata.pd.dsrc = old.edata.pd.bitmap = nullptr;
        old.sx = xstart + 300, old.sy = ystart + 500, old.ex = old.ey = 0;
        AddGObject(1, &old);
        RequesterScriptAdd(archive.c_str());
        Press(GID_SAVEAS);
    });
    s.push_back([] {
        ASSERT_EQ(Loop.saved, 1);
        records.clear();
        for (GElement *e : Elements(1)) {
            std::string rec(EF_ELEMENTSIZE, '\0');
            PackElement(e, reinterpret_cast<uint8_t *>(rec.data()));
            records.push_back(rec);
        }
    });
    EXPECT_TRUE(Run(s));

    EXPECT_TRUE(Run({[] {
        std::vector<GElement *> pics = Elements(1);
        ASSERT_EQ(pics.size(), 4u);
        for (size_t i = 0; i < 3; i++) {
            EXPECT_EQ(Corners(pics[i]), boxes[i]) << "the opened project shows each picture at its size";
            std::string rec(EF_ELEMENTSIZE, '\0');
            PackElement(pics[i], reinterpret_cast<uint8_t *>(rec.data()));
            EXPECT_TRUE(rec == records[i]) << "and stores it as it was, byte for byte";
        }
        EXPECT_EQ(Corners(pics[3]), (std::vector<int>{300, 500, 340, 530})) << "a record without a box: its own size";
    }}, {archive}));
}
