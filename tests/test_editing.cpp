/*
 * test_editing.cpp - copying, cutting, pasting, deleting, moving and
 * changing the selected element: the real main loop under the offscreen
 * platform, driven by posted messages. Each step runs when the loop has
 * handled everything posted before it.
 */
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <QImage>

#include "testutil.h"

#include "core/config.h"
#include "core/mainloop.h"
#include "core/settings.h"
#include "document/history.h"
#include "document/marks.h"
#include "document/pagelist.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "platform/assign.h"
#include "platform/gui.h"
#include "platform/qtprivate.h"
#include "platform/rastport.h"
#include "view/geometry.h"

class EditingTest : public MainLoopScratchTest {
};

/* Positions relative to the page's top-left corner. */
static int32_t X(int32_t dx) { return int32_t(xstart) + dx; }
static int32_t Y(int32_t dy) { return int32_t(ystart) + dy; }

static std::vector<GElement *> OfType(uint32_t page, int type)
{
    std::vector<GElement *> v;
    for (GElement *e : Elements(page))
        if (e->node.ln_Type == type)
            v.push_back(e);
    return v;
}

static int CountMarked(uint32_t page)
{
    int n = 0;
    for (GElement *e : Elements(page))
        n += e->marked != 0;
    return n;
}

/* The place of a font in the chooser of a style, -1 when it is not there. */
static int FontIndex(int style, const char *name)
{
    const char *const *names = FontNames(style);
    for (int i = 0; names && names[i]; i++)
        if (std::strcmp(names[i], name) == 0)
            return i;
    return -1;
}

static std::string Text(int id)
{
    char buf[256];
    GadgetGetText(id, buf, sizeof(buf));
    return buf;
}

/* A line from (100, 100) to (200, 100) and the text line "Hello" standing
 * on (100, 300), both selected, in select mode. */
static void LineAndTextSelected(std::vector<std::function<void()>> &s)
{
    s.push_back([] { Press(GID_LINE); });
    s.push_back([] { Drag(X(100), Y(100), X(200), Y(100)); Press(GID_TEXTE); });
    s.push_back([] {
        GadgetSetText(GID_TEXTCONT, "Hello");
        GadgetSetNumber(GID_HEADLINE_LEVEL, 0);
        Drag(X(100), Y(300), X(100), Y(300));
        Press(GID_CURSOR);
    });
    s.push_back([] { Click(X(150), Y(102)); Click(X(102), Y(295)); });
    s.push_back([] {
        ASSERT_EQ(Loop.marked, 2);
        ASSERT_EQ(OfType(1, ET_LINE).size(), 1u);
        ASSERT_EQ(OfType(1, ET_TEXT).size(), 1u);
    });
}

/* ------------------------------------------------------------ clipboard */

TEST_F(EditingTest, CopiesLandBesideTheirSourceAndCutElementsMoveOnce)
{
    static GElement line, text;
    std::vector<std::function<void()>> s;
    LineAndTextSelected(s);
    s.push_back([] {
        line = *OfType(1, ET_LINE)[0], text = *OfType(1, ET_TEXT)[0];
        Menu(MENU_COPY);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.spage, 1u);
        EXPECT_EQ(Loop.marked, 0) << "copied elements are no longer selected";
        EXPECT_EQ(CountMarked(1), 0);
        for (GElement *e : Elements(1))
            EXPECT_EQ(e->mbits, MBIT_COPY);
        Loop.saved = 1;
        Press(GID_PASTE);
    });
    s.push_back([] {
        ASSERT_EQ(GetPageNode(1)->count, 4u);
        EXPECT_EQ(Loop.marked, 2) << "the copies are the selection";
        EXPECT_EQ(CountMarked(1), 2);
        EXPECT_EQ(Loop.saved, 0);
        GElement *l = OfType(1, ET_LINE)[1], *t = OfType(1, ET_TEXT)[1];
        EXPECT_TRUE(l->marked && t->marked);
        EXPECT_FALSE(OfType(1, ET_LINE)[0]->marked);
        EXPECT_EQ(l->sx, line.sx + 25);
        EXPECT_EQ(l->sy, line.sy + 25);
        EXPECT_EQ(l->ex, line.ex + 25);
        EXPECT_EQ(l->ey, line.ey + 25);
        EXPECT_EQ(t->ex, text.ex + 25);
        EXPECT_EQ(t->ey, text.ey + 33) << "a text line lands 8 lower still";
        EXPECT_STREQ(t->edata.td.text, "Hello");
        Press(GID_PASTE);
    });
    s.push_back([] {
        ASSERT_EQ(GetPageNode(1)->count, 6u) << "every paste of a copy makes copies";
        EXPECT_EQ(Loop.marked, 2);
        EXPECT_EQ(CountMarked(1), 2) << "the copies before are no longer selected";
        auto lines = OfType(1, ET_LINE);
        EXPECT_EQ(lines[2]->sx, lines[1]->sx) << "further copies on the same spot";
        EXPECT_EQ(lines[2]->sy, lines[1]->sy);
        Press(GID_TAB_ADD);
    });
    s.push_back([] { Choose(GID_PROJ_PAGES, 1); });
    s.push_back([] {
        ASSERT_EQ(Loop.aktpage, 2u);
        Press(GID_PASTE);
    });
    s.push_back([] {
        ASSERT_EQ(GetPageNode(2)->count, 2u);
        GElement *l = OfType(2, ET_LINE)[0], *t = OfType(2, ET_TEXT)[0];
        EXPECT_EQ(l->sx, line.sx) << "another page keeps the coordinates";
        EXPECT_EQ(l->sy, line.sy);
        EXPECT_EQ(t->ex, text.ex);
        EXPECT_EQ(t->ey, text.ey + 8);
        EXPECT_EQ(Loop.marked, 2);
        Press(GID_CUT);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.spage, 2u);
        EXPECT_EQ(GetPageNode(2)->count, 2u) << "cut only marks";
        Choose(GID_PROJ_PAGES, 0);
    });
    s.push_back([] { Menu(MENU_PASTE); });
    s.push_back([] {
        EXPECT_EQ(GetPageNode(2)->count, 0u) << "the cut elements left their page";
        ASSERT_EQ(GetPageNode(1)->count, 8u);
        auto texts = OfType(1, ET_TEXT);
        GElement *t = texts.back();
        EXPECT_TRUE(t->marked);
        EXPECT_EQ(t->ey, text.ey + 8) << "a cut element keeps its place";
        EXPECT_EQ(t->mbits, MBIT_NONE);
        Press(GID_PASTE);
    });
    s.push_back([] {
        EXPECT_EQ(GetPageNode(1)->count, 8u) << "a second paste after a cut does nothing";
        EXPECT_EQ(GetPageNode(2)->count, 0u);
        EXPECT_EQ(Loop.marked, 2) << "and keeps the selection";
        EXPECT_EQ(CountMarked(1), 2);
    });
    EXPECT_TRUE(Run(s));
}

/* ------------------------------------------------------------ deleting */

TEST_F(EditingTest, DeleteByKeyAndMenuKeepsFilesOtherElementsName)
{
    static std::string picture;
    std::string png = scratch + "/blue.png";
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(QString::fromStdString(png), "PNG"));
    std::string red = scratch + "/red.png";
    QImage small(20, 10, QImage::Format_RGB32);
    small.fill(Qt::red);
    ASSERT_TRUE(small.save(QString::fromStdString(red), "PNG"));
    std::vector<std::function<void()>> s;
    s.push_back([png] {
        Config.flags |= CFG_DELETE_FILES;
        Press(GID_PICTURES);
        RequesterScriptAdd(png.c_str());
        Press(GID_PICTUREADD);
    });
    s.push_back([] {
        EXPECT_NE(Text(GID_PICTUREPATH), "") << "the imported picture is shown as the one to place";
        Drag(X(200), Y(200), X(150), Y(150));
    });
    s.push_back([] {
        auto pics = OfType(1, ET_PICTURE);
        ASSERT_EQ(pics.size(), 1u);
        EXPECT_EQ(pics[0]->sx, uint32_t(X(150))) << "the picture stands on the top-left corner";
        EXPECT_EQ(pics[0]->ex - pics[0]->sx, 50u) << "as large as the dragged box holds it";
        EXPECT_EQ(pics[0]->ey - pics[0]->sy, 38u);
        picture = HostPath(pics[0]->edata.pd.fn);
        EXPECT_TRUE(HostExists(picture));
        Press(GID_CURSOR);
    });
    s.push_back([] { Click(X(151), Y(165)); });
    s.push_back([red] {
        ASSERT_EQ(Loop.marked, 1);
        Loop.saved = 1;
        RequesterScriptAdd(red.c_str());
        Press(GID_PICTUREADD);
    });
    s.push_back([] {
        auto pics = OfType(1, ET_PICTURE);
        ASSERT_EQ(pics.size(), 1u);
        EXPECT_NE(HostPath(pics[0]->edata.pd.fn), picture) << "the selected picture shows the new one";
        EXPECT_EQ(pics[0]->sx, uint32_t(X(150))) << "at its place";
        EXPECT_EQ(pics[0]->ex - pics[0]->sx, 50u) << "in the box the old one was given";
        EXPECT_EQ(pics[0]->ey - pics[0]->sy, 25u);
        EXPECT_EQ(Loop.saved, 0);
        EXPECT_EQ(Loop.marked, 1);
        picture = HostPath(pics[0]->edata.pd.fn);
        Press(GID_COPY);
        Press(GID_PASTE);
    });
    s.push_back([] {
        ASSERT_EQ(OfType(1, ET_PICTURE).size(), 2u);
        ASSERT_EQ(Loop.marked, 1);
        PlatformPostMessage(WIN_PROJECT, WMHI_RAWKEY, 0, RAWKEY_DELETE, 0, 0);
    });
    s.push_back([] {
        ASSERT_EQ(OfType(1, ET_PICTURE).size(), 1u) << "the Delete key takes the copy";
        EXPECT_EQ(Loop.marked, 0);
        EXPECT_EQ(Loop.saved, 0);
        EXPECT_TRUE(HostExists(picture)) << "the original still shows that file";
        Press(GID_PASTE);
    });
    s.push_back([] {
        ASSERT_EQ(OfType(1, ET_PICTURE).size(), 2u);
        Press(GID_CURSOR);
        Click(X(152), Y(155));
    });
    s.push_back([] {
        ASSERT_EQ(Loop.marked, 1);
        ASSERT_EQ(Loop.mnode, OfType(1, ET_PICTURE)[0]);
        Menu(MENU_DELETE);
    });
    s.push_back([] {
        ASSERT_EQ(OfType(1, ET_PICTURE).size(), 1u) << "the menu deletes as well";
        EXPECT_TRUE(HostExists(picture)) << "the copy still shows that file";
        Click(X(185), Y(180));
    });
    s.push_back([] {
        ASSERT_EQ(Loop.marked, 1);
        Press(GID_MOVE);
        Button(SELECTDOWN, X(400), Y(400));
        MoveTo(X(400), Y(300));
        MoveTo(X(400), Y(100));
        Button(SELECTUP, X(400), Y(100));
    });
    s.push_back([] {
        EXPECT_EQ(GetPageNode(1)->count, 0u) << "the picture moved off the page is gone";
        EXPECT_TRUE(HostExists(picture)) << "but not its file: a slip of the hand costs no picture";
        Config.flags &= ~CFG_DELETE_FILES;
    });
    EXPECT_TRUE(Run(s));
}

/* ------------------------------------------------------------ moving */

TEST_F(EditingTest, MoveShiftsTheSelectionByTheLastOutlineAndDropsWhatLeavesThePage)
{
    static GElement line, text;
    static uint32_t paper;
    std::vector<std::function<void()>> s;
    LineAndTextSelected(s);
    s.push_back([] {
        line = *OfType(1, ET_LINE)[0], text = *OfType(1, ET_TEXT)[0];
        Loop.saved = 1;
        Menu(MENU_MOVE);
    });
    s.push_back([] {
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_MOVE));
        EXPECT_EQ(Text(GID_STATUS), "Move mode");
        EXPECT_EQ(Loop.marked, 2) << "the selection stays";
        paper = ReadPixelRGB(WindowRastPort(WIN_PROJECT), X(165), Y(96));
        Button(SELECTDOWN, X(400), Y(400));
        MoveTo(X(410), Y(400));
        MoveTo(X(415), Y(396));
    });
    s.push_back([] {
        EXPECT_TRUE(Loop.moving);
        EXPECT_NE(ReadPixelRGB(WindowRastPort(WIN_PROJECT), X(165), Y(96)), paper)
            << "the outline follows the pointer";
        EXPECT_EQ(OfType(1, ET_LINE)[0]->sx, line.sx) << "nothing moves before the release";
        Button(SELECTUP, X(500), Y(500));
    });
    s.push_back([] {
        GElement *l = OfType(1, ET_LINE)[0], *t = OfType(1, ET_TEXT)[0];
        EXPECT_EQ(l->sx, line.sx + 15);
        EXPECT_EQ(l->ex, line.ex + 15);
        EXPECT_EQ(l->sy, line.sy - 4);
        EXPECT_EQ(l->ey, line.ey - 4);
        EXPECT_EQ(t->sx, text.sx + 15);
        EXPECT_EQ(t->ex, text.ex + 15);
        EXPECT_EQ(t->sy, text.sy - 4);
        EXPECT_EQ(t->ey, text.ey - 4);
        EXPECT_EQ(Loop.saved, 0);
        EXPECT_EQ(Loop.marked, 0);
        EXPECT_EQ(CountMarked(1), 0);
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_CURSOR));
        EXPECT_FALSE(Loop.moving);
        line = *l, text = *t;
        Drag(X(50), Y(50), X(300), Y(350)); /* a lasso round both */
    });
    s.push_back([] {
        ASSERT_EQ(Loop.marked, 2);
        Press(GID_MOVE);
        Button(SELECTDOWN, X(400), Y(400));
        MoveTo(X(300), Y(400));
        MoveTo(int32_t(xend) + 10, Y(400));
    });
    s.push_back([] {
        EXPECT_FALSE(Loop.moving) << "leaving the page abandons the move";
        EXPECT_EQ(OfType(1, ET_LINE)[0]->sx, line.sx);
        EXPECT_EQ(Loop.marked, 2) << "and keeps the selection";
        Press(GID_MOVE);
        Button(SELECTDOWN, X(400), Y(400));
        MoveTo(X(400), Y(300)); /* 100 up: the line leaves the top edge */
    });
    s.push_back([] { Button(SELECTUP, X(400), Y(400)); });
    s.push_back([] {
        EXPECT_TRUE(OfType(1, ET_LINE).empty()) << "the line crossing the edge is deleted";
        ASSERT_EQ(OfType(1, ET_TEXT).size(), 1u) << "the text still on the page stays";
        EXPECT_EQ(GetPageNode(1)->count, 1u);
    });
    EXPECT_TRUE(Run(s));
}

/* In select mode a drag from an element moves the selection with it, and
 * the arrow keys nudge it: each a step of its own; nothing leaves the page,
 * by a nudge or by a drag, which stops at the page's edge. */
TEST_F(EditingTest, DragsAndArrowKeysMoveTheSelectionAStepEach)
{
    static GElement line, text;
    static size_t done;
    auto Key = [](int code) { PlatformPostMessage(WIN_PROJECT, WMHI_RAWKEY, 0, uint16_t(code), 0, 0); };
    auto Moved = [](int dx, int dy) {
        GElement *l = OfType(1, ET_LINE)[0], *t = OfType(1, ET_TEXT)[0];
        for (auto [now, was] : {std::make_pair(l, &line), std::make_pair(t, &text)}) {
            EXPECT_EQ(now->sx, was->sx + uint32_t(dx));
            EXPECT_EQ(now->ex, was->ex + uint32_t(dx));
            EXPECT_EQ(now->sy, was->sy + uint32_t(dy));
            EXPECT_EQ(now->ey, was->ey + uint32_t(dy));
        }
        line = *l, text = *t;
    };
    std::vector<std::function<void()>> s;
    s.push_back([] { PlatformSetZoom(100); });
    LineAndTextSelected(s);
    s.push_back([] {
        line = *OfType(1, ET_LINE)[0], text = *OfType(1, ET_TEXT)[0];
        done = HistoryDone();
        Loop.saved = 1;
        Button(SELECTDOWN, X(150), Y(101)); /* on the selected line */
        MoveTo(X(152), Y(102));
    });
    s.push_back([] {
        EXPECT_FALSE(Loop.moving) << "a hand that shakes still clicks";
        MoveTo(X(180), Y(121));
        MoveTo(X(170), Y(111));
    });
    s.push_back([] {
        EXPECT_TRUE(Loop.moving);
        EXPECT_EQ(OfType(1, ET_LINE)[0]->sx, line.sx) << "nothing moves before the release";
        Button(SELECTUP, X(170), Y(111));
    });
    s.push_back([Moved] {
        Moved(20, 10);
        EXPECT_EQ(Loop.marked, 2) << "the moved elements stay selected";
        EXPECT_EQ(CountMarked(1), 2);
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_CURSOR));
        EXPECT_EQ(Loop.saved, 0);
        EXPECT_EQ(HistoryDone(), done + 1) << "one step";
        EXPECT_EQ(PlatformMenuItemText(MenuStrip, MENU_UNDO), "Undo Move");
        Click(X(150), Y(111));
    });
    s.push_back([] {
        EXPECT_EQ(Loop.marked, 1) << "a click without a drag takes it out of the selection";
        EXPECT_FALSE(OfType(1, ET_LINE)[0]->marked);
        EXPECT_EQ(HistoryDone(), done + 1) << "a click is no step";
        Drag(X(150), Y(111), X(150), Y(141));
    });
    s.push_back([Moved, Key] {
        Moved(0, 30);
        EXPECT_EQ(Loop.marked, 2) << "a drag from an unselected element takes it along";
        EXPECT_EQ(HistoryDone(), done + 2);
        Key(RAWKEY_RIGHT);
        Key(RAWKEY_DOWN + RAWKEY_SHIFTED);
    });
    s.push_back([Moved] {
        Moved(1, 10);
        EXPECT_EQ(HistoryDone(), done + 4) << "each nudge a step";
        EXPECT_EQ(PlatformMenuItemText(MenuStrip, MENU_UNDO), "Undo Move");
        EXPECT_EQ(Loop.marked, 2);
        Press(GID_UNDO);
    });
    s.push_back([Moved, Key] {
        Moved(0, -10);
        ASSERT_EQ(Loop.marked, 2) << "the step undone is selected";
        ASSERT_EQ(line.sx, uint32_t(X(121)));
        ASSERT_EQ(text.ex, uint32_t(X(121)));
        for (int i = 0; i < 13; i++)
            Key(RAWKEY_LEFT + RAWKEY_SHIFTED);
    });
    s.push_back([Moved, Key] {
        Moved(-120, 0);
        EXPECT_EQ(line.sx, xstart + 1) << "nudged up to the page's edge and no farther";
        EXPECT_EQ(HistoryDone(), done + 15) << "a nudge that cannot move is no step";
        Click(X(500), Y(700));
        Key(RAWKEY_UP);
    });
    s.push_back([Moved] {
        Moved(0, 0);
        EXPECT_EQ(Loop.marked, 0);
        EXPECT_EQ(HistoryDone(), done + 15) << "without a selection an arrow does nothing";
        Click(X(50), Y(140));
    });
    s.push_back([] {
        ASSERT_EQ(Loop.marked, 1);
        Button(SELECTDOWN, X(50), Y(140));
        MoveTo(X(50), Y(300));
        MoveTo(int32_t(xend) + 10, Y(300));
        Button(SELECTUP, int32_t(xend) + 10, Y(300));
    });
    s.push_back([Moved] {
        EXPECT_FALSE(Loop.moving) << "leaving the page abandons the drag";
        Moved(0, 0);
        EXPECT_EQ(Loop.marked, 1) << "the selection stays";
        EXPECT_EQ(HistoryDone(), done + 15) << "an abandoned drag is no step";
        Menu(MENU_SELECT_ALL);
        Drag(X(5), Y(335), X(5), Y(185)); /* by the text: the line would go over the top */
    });
    s.push_back([Moved] {
        int32_t room = int32_t(std::min({line.sy, line.ey, text.sy, text.ey}) - ystart) - 1;
        ASSERT_LT(room, 150);
        Moved(0, -room);
        EXPECT_EQ(std::min(line.sy, line.ey), ystart + 1) << "the drag stops at the page's edge";
        EXPECT_EQ(Loop.marked, 2) << "nothing is lost, and both stay selected";
        EXPECT_EQ(HistoryDone(), done + 16);
    });
    EXPECT_TRUE(Run(s));
}

/* ------------------------------------------------------------ properties */

TEST_F(EditingTest, PropertyGadgetsChangeTheSelectedElement)
{
    static GElement text;
    std::vector<std::function<void()>> s;
    s.push_back([] { Press(GID_TEXTE); });
    s.push_back([] {
        GadgetSetText(GID_TEXTCONT, "Hello");
        GadgetSetNumber(GID_FONTSIZE, 12);
        GadgetSetNumber(GID_HEADLINE_LEVEL, 0);
        Drag(X(100), Y(300), X(100), Y(300));
        Press(GID_CURSOR);
    });
    s.push_back([] {
        ASSERT_EQ(GetPageNode(1)->count, 1u);
        text = *OfType(1, ET_TEXT)[0];
        GadgetSetNumber(GID_FONTSIZE, 30);
        Loop.saved = 1;
        Press(GID_FONTSIZE);
    });
    s.push_back([] {
        EXPECT_EQ(OfType(1, ET_TEXT)[0]->edata.td.size, 12u) << "without a selection nothing changes";
        EXPECT_EQ(Loop.saved, 1);
        Click(X(102), Y(295));
    });
    s.push_back([] {
        ASSERT_EQ(Loop.marked, 1);
        GadgetSetNumber(GID_FONTSIZE, 30);
        Press(GID_FONTSIZE);
    });
    s.push_back([] {
        ASSERT_EQ(GetPageNode(1)->count, 1u) << "the element is made anew, not added";
        GElement *t = OfType(1, ET_TEXT)[0];
        EXPECT_EQ(t->edata.td.size, 30u);
        EXPECT_EQ(t->ex, text.ex) << "the bottom-left corner stays";
        EXPECT_EQ(t->ey, text.ey);
        EXPECT_GT(t->sx, text.sx) << "the box grows with the font";
        EXPECT_LT(t->sy, text.sy);
        EXPECT_EQ(Loop.mnode, t);
        EXPECT_EQ(Loop.marked, 1);
        EXPECT_TRUE(t->marked);
        EXPECT_EQ(Loop.saved, 0);
        text = *t;
        Loop.saved = 1;
        GadgetSetText(GID_TEXTCONT, "Hello, world");
        Press(GID_TEXTCONT);
    });
    s.push_back([] {
        ASSERT_EQ(GetPageNode(1)->count, 1u);
        GElement *t = OfType(1, ET_TEXT)[0];
        EXPECT_STREQ(t->edata.td.text, "Hello, world");
        EXPECT_GT(t->sx, text.sx);
        EXPECT_EQ(t->ex, text.ex);
        EXPECT_EQ(Loop.saved, 0);
        text = *t;
        GadgetSetText(GID_TEXTCONT, "");
        Press(GID_TEXTCONT);
    });
    s.push_back([] {
        ASSERT_EQ(GetPageNode(1)->count, 1u) << "an emptied text does not cost the element";
        EXPECT_STREQ(OfType(1, ET_TEXT)[0]->edata.td.text, "Hello, world");
        EXPECT_EQ(GadgetRowCount(GID_HLLIST), 1) << "no headline yet";
        Loop.saved = 1;
        Choose(GID_HEADLINE_LEVEL, 1);
    });
    s.push_back([] {
        GElement *t = OfType(1, ET_TEXT)[0];
        EXPECT_EQ(t->edata.td.level, LEVEL_FIRST);
        EXPECT_EQ(Loop.saved, 0);
        EXPECT_EQ(GadgetRowCount(GID_HLLIST), 2) << "the headline is listed";
        Loop.saved = 1;
        Choose(GID_HEADLINE_LEVEL, 1);
    });
    s.push_back([] {
        EXPECT_EQ(Loop.saved, 1) << "the same level is no change";
        int sans = FontIndex(0, "DejaVu Sans");
        ASSERT_GE(sans, 0);
        GadgetSetNumber(GID_FONTS, sans);
        GadgetSetText(GID_TEXTCONT, "Hello, world");
        Press(GID_FONTS);
    });
    s.push_back([] {
        EXPECT_STREQ(OfType(1, ET_TEXT)[0]->edata.td.fontname, "DejaVu Sans.font");
        Choose(GID_STYLE, 2);
    });
    s.push_back([] {
        EXPECT_STREQ(OfType(1, ET_TEXT)[0]->edata.td.fontname, "DejaVu Sans Bold.font");
        Choose(GID_STYLE, 0);
    });
    s.push_back([] {
        EXPECT_STREQ(OfType(1, ET_TEXT)[0]->edata.td.fontname, "DejaVu Sans.font")
            << "Bold and back keeps the family's regular face";
        EXPECT_EQ(GadgetNumber(GID_FONTS), FontIndex(0, "DejaVu Sans")) << "for the next element too";
    });
    EXPECT_TRUE(Run(s));
}

TEST_F(EditingTest, TextboxesTakeFontAndJustificationAndCopiesGetTheirOwnFile)
{
    static GElement *box;
    std::vector<std::function<void()>> s;
    s.push_back([] {
        WriteTextFile(HostPath("PGT:PAG4/Texte/story.txt"), "Once upon a time.\n");
        GElement ge = MakeElement(ET_TEXTBOX, 0);
        std::strcpy(ge.edata.tbd.fn, "PGT:PAG4/Texte/story.txt");
        std::strcpy(ge.edata.tbd.fontname, "none.font");
        ge.edata.tbd.size = 10;
        ge.sx = uint32_t(X(100)), ge.sy = uint32_t(Y(100)), ge.ex = uint32_t(X(300)), ge.ey = uint32_t(Y(300));
        box = AddGObject(1, &ge);
        ASSERT_NE(box, nullptr);
        Click(X(200), Y(200));
    });
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, box);
        Loop.saved = 1;
        GadgetSetNumber(GID_FONTSIZE, 20);
        Press(GID_FONTSIZE);
        Choose(GID_JUSTIFICATION, 2);
        GadgetSetText(GID_TEXTCONT, "not for a textbox");
        Press(GID_TEXTCONT);
    });
    s.push_back([] {
        ASSERT_EQ(OfType(1, ET_TEXTBOX).size(), 1u);
        EXPECT_EQ(OfType(1, ET_TEXTBOX)[0], box) << "a textbox is changed in place";
        EXPECT_EQ(box->edata.tbd.size, 20u);
        EXPECT_STRNE(box->edata.tbd.fontname, "none.font") << "the font follows the chooser";
        EXPECT_EQ(box->edata.tbd.align, 2u);
        EXPECT_EQ(box->sx, uint32_t(X(100)));
        EXPECT_EQ(Loop.saved, 0);
        EXPECT_EQ(Loop.marked, 1);
        Press(GID_COPY);
        Press(GID_PASTE);
    });
    s.push_back([] {
        auto boxes = OfType(1, ET_TEXTBOX);
        ASSERT_EQ(boxes.size(), 2u);
        GElement *copy = boxes[0] == box ? boxes[1] : boxes[0];
        std::string fn = copy->edata.tbd.fn;
        EXPECT_EQ(fn.rfind("PGT:PAG4/Texte/", 0), 0u) << fn;
        EXPECT_NE(fn, "PGT:PAG4/Texte/story.txt") << "the copy has a file of its own";
        EXPECT_EQ(ReadTextFile(HostPath(fn.c_str())), "Once upon a time.\n");
        EXPECT_EQ(copy->sx, box->sx + 25);
    });
    EXPECT_TRUE(Run(s));
}
