/*
 * test_mainloop.cpp - the real start-up and main loop under the offscreen
 * platform, driven by posted messages and scripted requester answers. Each
 * step runs when the loop has handled everything posted before it; after
 * the last step the break signal ends the loop.
 */
#include <cstring>
#include <QApplication>
#include <QKeyEvent>
#include <QTabBar>
#include <QWheelEvent>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "testutil.h"

#include "core/config.h"
#include "core/mainloop.h"
#include "core/settings.h"
#include "core/startup.h"
#include "document/headlines.h"
#include "document/marks.h"
#include "document/pagelist.h"
#include "gui/layouts.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "platform/qtprivate.h"
#include "platform/rastport.h"
#include "view/geometry.h"

class MainLoopTest : public MainLoopScratchTest {
};

static void Pointer(int32_t x, int32_t y)
{
    PlatformPostMessage(WIN_PROJECT, WMHI_MOUSEMOVE, 0, 0, x, y);
}

static std::string Text(int id)
{
    char buf[256];
    GadgetGetText(id, buf, sizeof(buf));
    return buf;
}

static std::vector<std::string> TabLabels(void)
{
    std::vector<std::string> labels;
    for (int i = 0; i < TabsCount(GID_PROJ_PAGES); i++)
        labels.push_back(TabsLabel(GID_PROJ_PAGES, i));
    return labels;
}

TEST_F(MainLoopTest, FreshWindowShowsTheStartState)
{
    EXPECT_TRUE(Run({[] {
        EXPECT_EQ(Loop.aktpage, 1u);
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_CURSOR));
        EXPECT_EQ(Loop.saved, 1);
        EXPECT_EQ(PDaten.count, 1u);
        EXPECT_EQ(PDaten.width, 1920u);
        EXPECT_EQ(GadgetNumber(GID_PAGE_FORMAT), 2);
        EXPECT_EQ(GadgetLabel(GID_PAGE_FORMAT, 2), "DIN A4");
        EXPECT_EQ(GadgetNumber(GID_PAGE_SECTION), 0);
        EXPECT_EQ(GadgetLabelCount(GID_PAGE_SECTION), 1);
        EXPECT_EQ(Text(GID_STATUS), "Select mode");
        EXPECT_EQ(TabLabels(), std::vector<std::string>{"Page 1"});
        for (int id : {GID_TEXTCONT, GID_FONTS, GID_STYLE, GID_FONTSIZE, GID_HEADLINE_LEVEL,
                       GID_PICTUREADD, GID_TEXTADD, GID_TEXTEDT, GID_JUSTIFICATION, GID_RBLINKS,
                       GID_LINKWEB, GID_LINKPAGE})
            EXPECT_TRUE(GadgetDisabled(id)) << "gadget " << id;
        EXPECT_FALSE(GadgetDisabled(GID_DELETE));
        EXPECT_EQ(GadgetLabelCount(GID_HEADLINE_LEVEL), 2);

        /* An A4 page lies wholly inside the page area. */
        int16_t l, t, w, h;
        PageAreaBox(&l, &t, &w, &h);
        EXPECT_EQ(xend - xstart, 595u);
        EXPECT_EQ(yend - ystart, 842u);
        EXPECT_GT(ystart, uint32_t(t));
        EXPECT_LT(yend, uint32_t(t + h));
        EXPECT_EQ(xstart, uint32_t(l + (w - 595) / 2));
        GElement e = MakeElement(ET_LINE, ET_LINE);
        e.sx = xstart + 1, e.sy = ystart + 1, e.ex = xend - 1, e.ey = yend - 1;
        EXPECT_TRUE(ElementOnPage(&e, xstart, xend, ystart, yend));
        e.ex = xend;
        EXPECT_FALSE(ElementOnPage(&e, xstart, xend, ystart, yend)) << "touching the edge";
    }}));
    EXPECT_EQ(ReadTextFile(scratch + "/PagimoOS4.cfg").size(), 2048u);
}

TEST_F(MainLoopTest, SectionsAndTabsShowTheirPages)
{
    std::vector<std::function<void()>> s;
    s.push_back([] {
        for (int i = 0; i < 11; i++)
            Press(GID_TAB_ADD);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 12u);
        EXPECT_EQ(GadgetLabelCount(GID_PAGE_SECTION), 1) << "12 pages: one section";
        EXPECT_EQ(Loop.saved, 0);
        Menu(MENU_PAGE_INSERT);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 13u);
        EXPECT_EQ(GadgetLabelCount(GID_PAGE_SECTION), 2) << "13 pages: two sections";
        EXPECT_EQ(Loop.aktpage, 1u) << "the current page stays";
        EXPECT_EQ(TabsCount(GID_PROJ_PAGES), 12);
        for (int i = 0; i < 14; i++)
            Press(GID_TAB_ADD);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 27u);
        EXPECT_EQ(GadgetLabelCount(GID_PAGE_SECTION), 3);
        Choose(GID_PAGE_SECTION, 2);
    });
    s.push_back([] {
        EXPECT_EQ(Loop.aktpage, 25u);
        EXPECT_EQ(TabLabels(), (std::vector<std::string>{"Page 25", "Page 26", "Page 27"}));
        Choose(GID_PROJ_PAGES, 2);
    });
    s.push_back([] {
        EXPECT_EQ(Loop.aktpage, 27u) << "section 3, third tab";
        EXPECT_EQ(TabsCurrent(GID_PROJ_PAGES), 2);
        Choose(GID_PAGE_SECTION, 0);
    });
    s.push_back([] {
        EXPECT_EQ(Loop.aktpage, 3u) << "the same tab of the first section";
        EXPECT_EQ(TabsCount(GID_PROJ_PAGES), 12);
        EXPECT_EQ(TabsLabel(GID_PROJ_PAGES, 11), "Page 12");
    });
    EXPECT_TRUE(Run(s));
}

TEST_F(MainLoopTest, RemovingPagesKeepsTabsAndPagesInStep)
{
    std::vector<std::function<void()>> s;
    s.push_back([] { Press(GID_TAB_REMOVE); });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 1u) << "the only page stays";
        EXPECT_EQ(Loop.saved, 1);
        for (int i = 0; i < 12; i++)
            Press(GID_TAB_ADD);
    });
    s.push_back([] { Choose(GID_PAGE_SECTION, 1); });
    s.push_back([] {
        EXPECT_EQ(Loop.aktpage, 13u);
        Press(GID_TAB_REMOVE);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 12u);
        EXPECT_EQ(Loop.aktpage, 12u) << "removing page 13 of 13 shows page 12";
        EXPECT_EQ(GadgetLabelCount(GID_PAGE_SECTION), 1);
        EXPECT_EQ(GadgetNumber(GID_PAGE_SECTION), 0);
        EXPECT_EQ(TabsCount(GID_PROJ_PAGES), 12);
        EXPECT_EQ(TabsCurrent(GID_PROJ_PAGES), 11);
        for (int i = 0; i < 9; i++)
            Menu(MENU_PAGE_REMOVE);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 3u);
        EXPECT_EQ(Loop.aktpage, 3u);
        Choose(GID_PROJ_PAGES, 1);
    });
    s.push_back([] {
        EXPECT_EQ(Loop.aktpage, 2u);
        /* Mark page 3 by a link element so we can see which page went. */
        GElement ge = MakeElement(ET_RECT, ET_RECT);
        AddGObject(3, &ge);
        Press(GID_TAB_REMOVE);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 2u);
        EXPECT_EQ(GetPageNode(2)->count, 1u) << "page 2 went, the former page 3 is page 2";
        EXPECT_EQ(Loop.aktpage, 2u);
        EXPECT_EQ(TabLabels(), (std::vector<std::string>{"Page 1", "Page 2"}));
        Choose(GID_PROJ_PAGES, 1);
    });
    s.push_back([] {
        RequesterScriptAdd("1"); /* the page holds an element: yes, remove it */
        Press(GID_TAB_REMOVE);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 1u) << "removing the last tab's page removes that page";
        EXPECT_EQ(GetPageNode(1)->count, 0u);
        EXPECT_EQ(Loop.aktpage, 1u);
        EXPECT_EQ(TabLabels(), std::vector<std::string>{"Page 1"});
    });
    EXPECT_TRUE(Run(s));
}

static GElement *AddRectangle(uint32_t page, uint32_t sx)
{
    GElement ge = MakeElement(ET_RECT, ET_RECT);
    ge.sx = sx;
    return AddGObject(page, &ge);
}

TEST_F(MainLoopTest, RemovingAPageWithElementsAsksFirst)
{
    std::vector<std::function<void()>> s;
    s.push_back([] {
        Press(GID_TAB_ADD);
        Press(GID_TAB_ADD);
    });
    s.push_back([] {
        AddRectangle(2, 500);
        AddRectangle(2, 501);
        AddRectangle(3, 700);
        Choose(GID_PROJ_PAGES, 1);
    });
    s.push_back([] {
        RequesterScriptAdd("0");
        Press(GID_TAB_REMOVE);
    });
    s.push_back([] {
        ASSERT_EQ(RequesterLog.size(), 1u);
        EXPECT_EQ(RequesterLog[0], "Hint|Page 2 holds 2 elements.\nRemove the page with all of them?|Remove page|Cancel");
        EXPECT_EQ(PDaten.count, 3u) << "Cancel removes nothing";
        EXPECT_EQ(GetPageNode(2)->count, 2u);
        EXPECT_EQ(Loop.aktpage, 2u);
        EXPECT_EQ(TabsCount(GID_PROJ_PAGES), 3);
        RequesterScriptAdd("1");
        Menu(MENU_PAGE_REMOVE);
    });
    s.push_back([] {
        EXPECT_EQ(RequesterLog.size(), 2u) << "the menu asks as well";
        EXPECT_EQ(PDaten.count, 2u);
        EXPECT_EQ(GetPageNode(2)->count, 1u) << "the former page 3 follows";
        Press(GID_TAB_ADD);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 3u);
        Choose(GID_PROJ_PAGES, 2);
    });
    s.push_back([] {
        ASSERT_EQ(GetPageNode(3)->count, 0u);
        Press(GID_TAB_REMOVE);
    });
    s.push_back([] {
        EXPECT_EQ(RequesterLog.size(), 2u) << "an empty page goes without a question";
        EXPECT_EQ(PDaten.count, 2u);
    });
    EXPECT_TRUE(Run(s));
}

/* The wheel and the arrow keys change the tab as a click does; the page
 * shown, and so the page a following Remove takes, must be that tab's. */
TEST_F(MainLoopTest, TabsChangedByWheelOrKeysShowTheirPage)
{
    static auto tabbar = [] { return static_cast<QTabBar *>(gadgets[GID_PROJ_PAGES].widget); };
    std::vector<std::function<void()>> s;
    s.push_back([] {
        for (int i = 0; i < 3; i++)
            Press(GID_TAB_ADD);
    });
    s.push_back([] {
        AddRectangle(3, 333);
        ASSERT_EQ(TabsCurrent(GID_PROJ_PAGES), 0);
        QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(tabbar(), &right);
    });
    s.push_back([] {
        EXPECT_EQ(TabsCurrent(GID_PROJ_PAGES), 1);
        EXPECT_EQ(Loop.aktpage, 2u) << "an arrow key shows the page of its tab";
        QPointF at(5, 5);
        QWheelEvent wheel(at, tabbar()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(tabbar(), &wheel);
    });
    s.push_back([] {
        ASSERT_NE(TabsCurrent(GID_PROJ_PAGES), 1) << "the wheel moved the tab";
        EXPECT_EQ(Loop.aktpage, uint32_t(TabsCurrent(GID_PROJ_PAGES) + 1)) << "the wheel shows its tab's page";
        while (TabsCurrent(GID_PROJ_PAGES) < 2) {
            QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            QApplication::sendEvent(tabbar(), &right);
        }
    });
    s.push_back([] {
        EXPECT_EQ(Loop.aktpage, 3u);
        RequesterScriptAdd("1");
        Press(GID_TAB_REMOVE);
    });
    s.push_back([] {
        ASSERT_EQ(PDaten.count, 3u);
        for (uint32_t p = 1; p <= 3; p++)
            EXPECT_EQ(GetPageNode(p)->count, 0u) << "the page highlighted and shown went: " << p;
    });
    EXPECT_TRUE(Run(s));
}

/* The clipboard names its source page by number; inserting or removing a
 * page before it must not make a later paste take another page's
 * elements. */
TEST_F(MainLoopTest, ClipboardFollowsItsPageWhenPagesComeAndGo)
{
    std::vector<std::function<void()>> s;
    s.push_back([] {
        Press(GID_TAB_ADD);
        Press(GID_TAB_ADD);
    });
    s.push_back([] {
        AddRectangle(2, 222);
        AddRectangle(3, 333)->mbits = MBIT_COPY;
        PDaten.spage = 3;
        Choose(GID_PROJ_PAGES, 0);
    });
    s.push_back([] { Press(GID_TAB_ADD); });
    s.push_back([] {
        EXPECT_EQ(PDaten.spage, 4u) << "a page inserted before the source moves it back";
        EXPECT_EQ(ProcessMBitFlags(1), 1);
        GElement *pasted = reinterpret_cast<GElement *>(GetHead(&GetPageNode(1)->page));
        ASSERT_NE(pasted, nullptr);
        EXPECT_EQ(pasted->sx, 333u) << "paste takes the copied element";
        Choose(GID_PROJ_PAGES, 1);
    });
    s.push_back([] { Press(GID_TAB_REMOVE); });
    s.push_back([] {
        EXPECT_EQ(PDaten.spage, 3u) << "a page removed before the source moves it forward";
        Choose(GID_PROJ_PAGES, 2);
    });
    s.push_back([] {
        RequesterScriptAdd("1");
        Press(GID_TAB_REMOVE);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 2u);
        EXPECT_EQ(PDaten.spage, 0u) << "removing the source empties the clipboard";
    });
    EXPECT_TRUE(Run(s));
}

/* Closing or quitting with changes offers Save, Discard and Cancel; a
 * save that is cancelled or fails keeps the project. */
TEST_F(MainLoopTest, QuittingAnUnsavedProjectOffersSaveDiscardAndCancel)
{
    static const std::string question = "Hint|The current project is not saved.|Save|Discard|Cancel";
    std::vector<std::function<void()>> s;
    s.push_back([] { Press(GID_TAB_ADD); });
    s.push_back([] {
        RequesterScriptAdd("0");
        Menu(MENU_QUIT);
    });
    s.push_back([] {
        ASSERT_EQ(RequesterLog.size(), 1u);
        EXPECT_EQ(RequesterLog[0], question);
        EXPECT_EQ(PDaten.count, 2u) << "Cancel keeps the project";
        EXPECT_EQ(Loop.saved, 0);
        RequesterScriptAdd("2");
        Press(GID_CLOSE);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 1u) << "Discard lets the changes go";
        EXPECT_EQ(Loop.saved, 1);
        Press(GID_TAB_ADD);
    });
    s.push_back([] {
        RequesterScriptAdd("1");
        RequesterScriptAdd(""); /* the name requester cancelled */
        Menu(MENU_QUIT);
    });
    s.push_back([this] {
        ASSERT_EQ(RequesterLog.size(), 4u);
        EXPECT_EQ(RequesterLog[1], question);
        EXPECT_EQ(RequesterLog[2], question);
        EXPECT_EQ(RequesterLog[3].rfind("file|", 0), 0u) << "an untitled project asks for its name";
        EXPECT_EQ(PDaten.count, 2u) << "a cancelled save keeps the project";
        EXPECT_EQ(Loop.saved, 0);
        RequesterScriptAdd("1");
        RequesterScriptAdd((scratch + "/quit.pfz").c_str());
        PlatformPostMessage(WIN_PROJECT, WMHI_CLOSEWINDOW, 0, 0, 0, 0);
    });
    s.push_back([] { ADD_FAILURE() << "the loop should have ended"; });
    EXPECT_FALSE(Run(s));
    EXPECT_EQ(RequesterLog.size(), 6u);
    EXPECT_NE(Shell("unzip -l '" + scratch + "/quit.pfz'").find("PAG4/Elemente.pff"), std::string::npos)
        << "Save saved the project before the window closed";
}

TEST_F(MainLoopTest, BreakEndsWithoutAQuestionAndASavedProjectQuitsSilently)
{
    EXPECT_TRUE(Run({[] { Press(GID_TAB_ADD); }}));
    EXPECT_TRUE(RequesterLog.empty()) << "the break signal asks nothing";
    EXPECT_FALSE(Run({[] { Press(GID_QUIT); }, [] { ADD_FAILURE(); }}));
    EXPECT_TRUE(RequesterLog.empty());
}

TEST_F(MainLoopTest, PointerReadOutsFollowThePage)
{
    std::vector<std::function<void()>> s;
    s.push_back([] { Pointer(int32_t(xstart + 1), int32_t(yend - 1)); });
    s.push_back([] {
        EXPECT_EQ(Text(GID_PIXEL_POS_X), "1");
        EXPECT_EQ(Text(GID_PIXEL_POS_Y), "1");
        EXPECT_EQ(Text(GID_POS_X), "0mm");
        Pointer(int32_t(xstart + 72), int32_t(yend - 144));
    });
    s.push_back([] {
        EXPECT_EQ(Text(GID_PIXEL_POS_X), "72");
        EXPECT_EQ(Text(GID_POS_X), "25mm");
        EXPECT_EQ(Text(GID_POS_Y), "50mm");
        SetCoordinates(1, 0, 0, 0, 0, -100, 100, PixelToMM(-100), PixelToMM(100));
        Pointer(int32_t(xstart), int32_t(ystart + 100));
    });
    s.push_back([] {
        EXPECT_EQ(Text(GID_PIXEL_POS_X), "0") << "the edge is off the page";
        EXPECT_EQ(Text(GID_POS_Y), "0mm");
        EXPECT_EQ(Text(GID_PDIFF_X), "0") << "leaving the page resets the distance";
        EXPECT_EQ(Text(GID_MDIFF_X), "0mm");
        Pointer(-5, 300);
    });
    s.push_back([] { EXPECT_EQ(Text(GID_PIXEL_POS_X), "0"); });
    EXPECT_TRUE(Run(s));
}

TEST_F(MainLoopTest, ToolsAndFormatsChangeTheMode)
{
    std::vector<std::function<void()>> s;
    s.push_back([] { Press(GID_LINE); });
    s.push_back([] {
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_LINE));
        EXPECT_EQ(Text(GID_STATUS), "Draw a line");
        EXPECT_TRUE(GadgetDisabled(GID_DELETE));
        Press(GID_LINKS);
    });
    s.push_back([] {
        EXPECT_EQ(Text(GID_STATUS), "Insert a link");
        EXPECT_FALSE(GadgetDisabled(GID_LINKWEB));
        EXPECT_FALSE(GadgetDisabled(GID_TEXTCONT));
        Choose(GID_RBLINKS, 1);
    });
    s.push_back([] {
        EXPECT_TRUE(GadgetDisabled(GID_LINKWEB)) << "a page link has no web address";
        EXPECT_FALSE(GadgetDisabled(GID_LINKPAGE));
        Choose(GID_PAGE_FORMAT, 3);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.pageformat, 3u);
        EXPECT_EQ(xend - xstart, 842u);
        EXPECT_EQ(Loop.saved, 0);
        EXPECT_EQ(Loop.aktmode, uint32_t(GID_CURSOR));
        EXPECT_EQ(Text(GID_STATUS), "Select mode");
        EXPECT_TRUE(GadgetDisabled(GID_LINKWEB));
        Press(GID_CURSOR);
    });
    s.push_back([] {
        EXPECT_FALSE(GadgetDisabled(GID_DELETE));
        SetGUIElements(GID_PICTURES, true, false);
        EXPECT_TRUE(GadgetDisabled(GID_PICTUREADD)) << "a picture without change changes nothing";
    });
    EXPECT_TRUE(Run(s));
}

TEST_F(MainLoopTest, PreferencesAndAboutBlockTheMainWindow)
{
    std::vector<std::function<void()>> s;
    s.push_back([] {
        Config.flags = CFG_DELETE_FILES;
        Menu(MENU_PREFS);
    });
    s.push_back([] {
        ASSERT_TRUE(PlatformWindowExists(WIN_PREFERENCE));
        EXPECT_TRUE(PlatformWindowBusy(WIN_PROJECT));
        EXPECT_EQ(GadgetNumber(GID_DEL_FILES), 1);
        EXPECT_EQ(GadgetNumber(GID_DEL_MLINKS), 0);
        EXPECT_EQ(GadgetNumber(GID_HYPHENATE), 1) << "a configuration without the bit hyphenates";
        EXPECT_EQ(GadgetHint(GID_HYPHENATE), "Breaks words at the ends of textbox lines with the dictionary de_DE.");
        GadgetSetNumber(GID_DEL_FILES, 0);
        Press(GID_DEL_FILES, 0, WIN_PREFERENCE);
        GadgetSetNumber(GID_DEL_MLINKS, 1);
        Press(GID_DEL_MLINKS, 1, WIN_PREFERENCE);
        GadgetSetNumber(GID_HYPHENATE, 0);
        Press(GID_HYPHENATE, 0, WIN_PREFERENCE);
    });
    s.push_back([] {
        EXPECT_EQ(Config.flags, CFG_LINK_CORRECTION | CFG_NO_HYPHENATION);
        RequesterScriptAdd("0");
        Press(GID_FILES_GC, 0, WIN_PREFERENCE);
    });
    s.push_back([] {
        ASSERT_FALSE(RequesterLog.empty());
        EXPECT_EQ(RequesterLog.back(), "Hint|0 files removed.|Okay");
        EXPECT_EQ(Loop.saved, 1) << "nothing removed, nothing changed";
        Press(GID_PREFS_OKAY, 0, WIN_PREFERENCE);
    });
    s.push_back([] {
        EXPECT_FALSE(PlatformWindowExists(WIN_PREFERENCE));
        EXPECT_FALSE(PlatformWindowBusy(WIN_PROJECT));
        Menu(MENU_ABOUT);
    });
    s.push_back([] {
        EXPECT_TRUE(PlatformWindowExists(WIN_ABOUT));
        EXPECT_TRUE(PlatformWindowBusy(WIN_PROJECT));
        EXPECT_FALSE(PlatformMenuPick(MenuStrip, MENU_QUIT)) << "a passive window has no menus";
        Press(GID_ABOUT_OK, 0, WIN_ABOUT);
    });
    s.push_back([] {
        EXPECT_FALSE(PlatformWindowExists(WIN_ABOUT));
        EXPECT_FALSE(PlatformWindowBusy(WIN_PROJECT));
    });
    EXPECT_TRUE(Run(s));
    EXPECT_EQ((unsigned char)ReadTextFile(scratch + "/PagimoOS4.cfg")[0], CFG_LINK_CORRECTION | CFG_NO_HYPHENATION);
}

TEST_F(MainLoopTest, MenusCarryShortcutsImagesAndIds)
{
    EXPECT_TRUE(Run({[] {
        EXPECT_EQ(PlatformMenuShortcut(MenuStrip, MENU_OPEN), "Ctrl+O");
        EXPECT_EQ(PlatformMenuShortcut(MenuStrip, MENU_DELETE), "Del");
        EXPECT_EQ(PlatformMenuShortcut(MenuStrip, MENU_PAGE_INSERT), "Ctrl++");
        EXPECT_EQ(PlatformMenuShortcut(MenuStrip, MENU_COPY), "Ctrl+C");
        EXPECT_EQ(PlatformMenuShortcut(MenuStrip, MENU_CLOSE), "") << "one key, one item";
        EXPECT_EQ(PlatformMenuImageFile(MenuStrip, MENU_OPEN), "tbimages:open");
        EXPECT_EQ(PlatformMenuImageFile(MenuStrip, MENU_PREFS), "tbimages:prefs");
        EXPECT_EQ(PlatformMenuImageFile(MenuStrip, MENU_PAGE), "");
        EXPECT_EQ(MapMenueSelection(nullptr), 0xFFFFu);
    }}));
    EXPECT_TRUE(Run({[] {
        EXPECT_EQ(PlatformMenuImageFile(MenuStrip, MENU_OPEN), "PROGDIR:Images/open");
    }}, {"LocalImages=True"}));
}

TEST_F(MainLoopTest, PagePaintingAndComplementDrawing)
{
    EXPECT_TRUE(Run({[] {
        RastPort *rp = WindowRastPort(WIN_PROJECT);
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(xstart + 10), int32_t(ystart + 10)), PenRGB(4))
            << "the paper has the pen of PColor";
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(xstart - 1), int32_t(ystart + 10)), PenRGB(0)) << "frame";
        uint32_t before[5];
        int32_t y = int32_t(ystart + 100);
        for (int i = 0; i < 5; i++)
            before[i] = ReadPixelRGB(rp, int32_t(xstart + 100 + i), y);
        SetDrMd(rp, COMPLEMENT);
        Move(rp, int32_t(xstart + 100), y);
        Draw(rp, int32_t(xstart + 104), y);
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(xstart + 102), y), PenRGB(1)) << "a band shows above the page";
        Move(rp, int32_t(xstart + 100), y);
        Draw(rp, int32_t(xstart + 104), y);
        for (int i = 0; i < 5; i++)
            EXPECT_EQ(ReadPixelRGB(rp, int32_t(xstart + 100 + i), y), before[i]) << "restored";
        SetDrMd(rp, JAM1);
        SetAPen(rp, 1);
        Move(rp, int32_t(xstart + 10), int32_t(ystart + 10));
        Draw(rp, int32_t(xstart + 13), int32_t(ystart + 10));
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(xstart + 10), int32_t(ystart + 10)), PenRGB(1));
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(xstart + 13), int32_t(ystart + 10)), PenRGB(1)) << "ends included";
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(xstart + 14), int32_t(ystart + 10)), PenRGB(4));
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(xstart + 13), int32_t(ystart + 9)), PenRGB(4)) << "one pixel wide";
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(xstart + 13), int32_t(ystart + 11)), PenRGB(4));
        Choose(GID_PAGE_FORMAT, 3);
    }, [] {
        Choose(GID_PAGE_FORMAT, 2);
    }, [] {
        RastPort *rp = WindowRastPort(WIN_PROJECT);
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(xstart - 100), int32_t(ystart + 100)), PenRGB(0))
            << "no trace of the landscape page";
        EXPECT_EQ(ReadPixelRGB(rp, int32_t(xstart + 100), int32_t(ystart + 100)), PenRGB(4));
    }}, {"PColor=4"}));
}

TEST_F(MainLoopTest, DeleteKeyAndCloseWorkOnTheProject)
{
    std::vector<std::function<void()>> s;
    s.push_back([] {
        GElement ge = MakeElement(ET_RECT, ET_RECT);
        AddGObject(1, &ge);
        ge.marked = 1;
        AddGObject(1, &ge);
        Loop.marked = 1;
        PlatformPostMessage(WIN_PROJECT, WMHI_RAWKEY, 0, RAWKEY_DELETE, 0, 0);
    });
    s.push_back([] {
        EXPECT_EQ(GetPageNode(1)->count, 1u) << "the selected element went";
        EXPECT_EQ(Loop.marked, 0);
        EXPECT_EQ(Loop.saved, 0);
        PlatformPostMessage(WIN_PROJECT, WMHI_RAWKEY, 0, RAWKEY_DELETE, 0, 0);
        Press(GID_TAB_ADD);
        Press(GID_TAB_ADD);
        PlatformWindowSetTitle(WIN_PROJECT, "story");
        GadgetSetText(GID_PDF_TITLE, "My title");
        Press(GID_PDF_TITLE);
    });
    s.push_back([] {
        EXPECT_EQ(GetPageNode(1)->count, 1u) << "nothing selected, nothing deleted";
        EXPECT_STREQ(PDaten.title, "My title");
        EXPECT_EQ(Loop.saved, 0) << "a new title is a change to save";
        RequesterScriptAdd("2");
        Press(GID_CLOSE);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 1u);
        EXPECT_EQ(GetPageNode(1)->count, 0u);
        EXPECT_EQ(Loop.saved, 1);
        EXPECT_EQ(TabLabels(), std::vector<std::string>{"Page 1"});
        EXPECT_EQ(Text(GID_PDF_TITLE), "");
        EXPECT_STREQ(PDaten.title, "") << "a new project has no title";
        EXPECT_EQ(GadgetLabelCount(GID_PAGE_SECTION), 1);
    });
    EXPECT_TRUE(Run(s));
}

TEST_F(MainLoopTest, EditorAndProgressWindowsAreBuilt)
{
    EXPECT_TRUE(Run({[] {
        ASSERT_TRUE(GUIOpenWindow(WIN_EDITOR, nullptr, nullptr, false, 0));
        ASSERT_TRUE(GUIOpenWindow(WIN_PROGRESS, nullptr, nullptr, false, 0));
        EXPECT_TRUE(GadgetExists(GID_TEXTEDITOR));
        EXPECT_TRUE(GadgetDisabled(GID_CORRECTOR)) << "no spell server yet";
        EXPECT_FALSE(GadgetDisabled(GID_SAVETEXT));
        GadgetSetText(GID_TEXTEDITOR, "Gr\xfc\xdf" "e\nzwei");
        char text[64];
        GadgetGetText(GID_TEXTEDITOR, text, sizeof(text));
        EXPECT_STREQ(text, "Gr\xfc\xdf" "e\nzwei") << "8-bit text survives the editor";
        GadgetSetNumber(GID_GAUGE, 40);
        EXPECT_EQ(GadgetNumber(GID_GAUGE), 40);
        EXPECT_FALSE(GUIOpenWindow(WIN_EDITOR, nullptr, nullptr, false, 0)) << "already open";
        GUICloseWindow(WIN_EDITOR, false);
        GUICloseWindow(WIN_PROGRESS, false);
        EXPECT_FALSE(GadgetExists(GID_TEXTEDITOR));
        EXPECT_FALSE(DefineWindow(5, nullptr, nullptr, 0, 0, nullptr));
    }}));
}

TEST_F(MainLoopTest, ProjectsSaveAndOpenFromTheLoopAndTheCommandLine)
{
    std::string archive = scratch + "/Manual.pfz";
    std::vector<std::function<void()>> s;
    s.push_back([] {
        Press(GID_TAB_ADD);
        Press(GID_TAB_ADD);
    });
    s.push_back([archive] {
        GElement head = MakeElement(ET_TEXT, ET_TEXT);
        std::strcpy(head.edata.td.text, "Chapter");
        head.edata.td.level = 2;
        head.sy = ystart + 50, head.ey = ystart + 70;
        AddGObject(3, &head);
        EXPECT_EQ(PDaten.comp, COMP_FULL) << "a new project compresses fully";
        EXPECT_EQ(GadgetNumber(GID_PDF_COMPRESSION), COMP_FULL);
        Choose(GID_PDF_COMPRESSION, 1);
    });
    s.push_back([archive] {
        RequesterScriptAdd(archive.c_str());
        Press(GID_SAVEAS);
    });
    s.push_back([] {
        EXPECT_EQ(Loop.saved, 1);
        EXPECT_EQ(RequesterLog.size(), 1u) << "only the file requester";
        EXPECT_EQ(GadgetCell(GID_HLLIST, 0, 0), "Manual") << "the contents show the new name";
    });
    EXPECT_TRUE(Run(s));
    ASSERT_TRUE(HostExists(archive));

    EXPECT_TRUE(Run({[] {
        EXPECT_EQ(PDaten.count, 3u);
        EXPECT_EQ(Loop.aktpage, 1u);
        EXPECT_EQ(TabLabels(), (std::vector<std::string>{"Page 1", "Page 2", "Page 3"}));
        EXPECT_EQ(GadgetRowCount(GID_HLLIST), 2) << "the project name and its headline";
        EXPECT_EQ(GadgetCell(GID_HLLIST, 0, 0), "Manual");
        EXPECT_EQ(PDaten.comp, 1) << "a stored project keeps its own compression";
        EXPECT_EQ(GadgetNumber(GID_PDF_COMPRESSION), 1);
        GadgetSetNumber(GID_HLLIST, 1);
        Press(GID_HLLIST, 1);
    }, [] {
        EXPECT_EQ(Loop.aktpage, 3u) << "a headline row shows its page";
        EXPECT_EQ(TabsCurrent(GID_PROJ_PAGES), 2);
    }}, {archive}));

    std::string broken = scratch + "/Broken.pfz";
    WriteTextFile(broken, "not an archive");
    EXPECT_TRUE(Run({[] { Press(GID_TAB_ADD); },
                     [broken] {
                         RequesterLog.clear();
                         RequesterScriptAdd("2");               /* not saved: Discard */
                         RequesterScriptAdd(broken.c_str());    /* the file requester */
                         RequesterScriptAdd("0");               /* Okay to the message */
                         Press(GID_OPEN);
                     },
                     [] {
                         EXPECT_EQ(PDaten.count, 1u) << "a new project with its page";
                         EXPECT_EQ(Loop.saved, 1);
                         EXPECT_EQ(RequesterLog.size(), 3u) << "no second question";
                     }}));
    RequesterLog.clear();
    EXPECT_TRUE(Run({[] {
        EXPECT_EQ(PDaten.count, 1u) << "a new empty project instead";
        ASSERT_FALSE(RequesterLog.empty());
        EXPECT_EQ(RequesterLog.back().rfind("Hint|The project could not be opened.", 0), 0u);
    }}, {broken}));
}

TEST_F(MainLoopTest, ObjectListShowsAndMovesElementsAndPdfIsCreated)
{
    std::string pdf = scratch + "/printed";
    std::vector<std::function<void()>> s;
    s.push_back([] {
        GElement line = MakeElement(ET_LINE, ET_LINE);
        line.sx = xstart + 10, line.sy = yend - 20, line.ex = xstart + 110, line.ey = yend - 20;
        AddGObject(1, &line);
        GElement text = MakeElement(ET_TEXT, ET_TEXT);
        std::strcpy(text.edata.td.text, "Caption");
        std::strcpy(text.edata.td.fontname, "DejaVu Sans Bold.font");
        text.edata.td.size = 18;
        text.edata.td.level = 3;
        text.ex = xstart + 50, text.ey = yend - 100, text.sx = text.ex + 80, text.sy = text.ey - 18;
        AddGObject(1, &text);
        HLManager();
        Choose(GID_PROJ_PAGES, 0);
    });
    s.push_back([] {
        ASSERT_EQ(GadgetRowCount(GID_OBJLIST), 2) << "the headline ends the list";
        EXPECT_EQ(GadgetCell(GID_OBJLIST, 1, 0), "Text line");
        EXPECT_EQ(GadgetCell(GID_OBJLIST, 1, 1), "") << "a text shows only its anchor";
        EXPECT_EQ(GadgetCell(GID_OBJLIST, 1, 3), "50");
        EXPECT_EQ(GadgetCell(GID_OBJLIST, 1, 4), "100");
        EXPECT_EQ(GadgetCell(GID_OBJLIST, 0, 0), "Line");
        EXPECT_EQ(GadgetCell(GID_OBJLIST, 0, 1), "10");
        EXPECT_FALSE(GadgetEditCell(GID_OBJLIST, 1, 1, "5")) << "that column cannot be edited";
        GadgetClickRow(GID_OBJLIST, 1);
    });
    s.push_back([] {
        ASSERT_NE(Loop.mnode, nullptr);
        EXPECT_EQ(Loop.mnode->node.ln_Type, ET_TEXT);
        EXPECT_EQ(Loop.marked, 1);
        EXPECT_EQ(Text(GID_TEXTCONT), "Caption");
        EXPECT_EQ(GadgetNumber(GID_FONTSIZE), 18);
        EXPECT_EQ(GadgetNumber(GID_STYLE), 2) << "bold";
        EXPECT_EQ(GadgetNumber(GID_HEADLINE_LEVEL), 2);
        int font = GadgetNumber(GID_FONTS);
        EXPECT_STREQ(FontNames(2)[font], "DejaVu Sans Bold");
        EXPECT_FALSE(GadgetDisabled(GID_TEXTCONT)) << "the properties of a text line";
        GadgetEditCell(GID_OBJLIST, 0, 1, "100");
    });
    s.push_back([] {
        GElement *line = GetObjListNode(1);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->sx, xstart + 100) << "typing 100 moves the start point";
        EXPECT_EQ(Loop.saved, 0);
        GadgetEditCell(GID_OBJLIST, 0, 3, "700");
    });
    s.push_back([] {
        EXPECT_EQ(GetObjListNode(1)->ex, xstart + 110) << "beyond the page: ignored";
        GadgetEditCell(GID_OBJLIST, 0, 0, "A name far too long");
    });
    s.push_back([] {
        EXPECT_STREQ(GetObjListNode(1)->nname, "A name far too") << "names keep 14 characters";
        EXPECT_EQ(GadgetCell(GID_OBJLIST, 0, 0), "A name far too");
        Choose(GID_STYLE, 1);
    });
    s.push_back([pdf] {
        RequesterScriptAdd(pdf.c_str());
        Press(GID_PDF);
    });
    s.push_back([pdf] {
        EXPECT_TRUE(HostExists(pdf + ".pdf")) << "a name without .pdf gets it";
        EXPECT_FALSE(PlatformWindowBusy(WIN_PROJECT));
        EXPECT_FALSE(PlatformWindowExists(WIN_PROGRESS));
        RequesterScriptAdd((pdf + ".pdf").c_str());
        RequesterScriptAdd("0");
        Press(GID_PDF);
    });
    s.push_back([] {
        EXPECT_EQ(RequesterLog.back(), "Hint|A file of this name already exists.|Overwrite this file|Cancel");
    });
    EXPECT_TRUE(Run(s));
}

TEST(Messages, LowerWindowsComeFirst)
{
    PlatformPostMessage(WIN_PREFERENCE, WMHI_GADGETUP, GID_DEL_FILES, 1, 0, 0);
    PlatformPostMessage(WIN_PROJECT, WMHI_MOUSEBUTTONS, 0, SELECTDOWN, 10, 20);
    uint16_t code;
    uint32_t index;
    EXPECT_EQ(GetMessages(&code, &index), uint32_t(WMHI_MOUSEBUTTONS << 16));
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(code, SELECTDOWN);
    int32_t x, y;
    PlatformMousePos(WIN_PROJECT, &x, &y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(GetMessages(&code, &index), uint32_t(WMHI_GADGETUP << 16 | GID_DEL_FILES));
    EXPECT_EQ(index, 4u);
    EXPECT_EQ(GetMessages(&code, &index), 0u);
    EXPECT_EQ(index, 4u);
}

TEST(Geometry, MillimetresTruncateTowardZero)
{
    EXPECT_EQ(PixelToMM(72), 25);
    EXPECT_EQ(PixelToMM(-100), -35);
    EXPECT_EQ(PixelToMM(-30), -10);
    EXPECT_EQ(PixelToMM(2), 0);
    EXPECT_EQ(PixelToMM(842), 297);
}
