/*
 * test_screens.cpp - a project saved on one screen keeps every element
 * where it was on the page when it is opened on screens of other sizes,
 * in the page view and in the PDF the command-line job writes; on a
 * laptop screen the window fits, the page opens whole and only the page
 * view scrolls.
 */
#include <cstdio>
#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>

#include "testutil.h"

#include "core/settings.h"
#include "document/archive.h"
#include "document/pagelist.h"
#include "gui/layouts.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "platform/gui.h"
#include "platform/qtprivate.h"
#include "platform/rastport.h"
#include "view/geometry.h"

struct Screen {
    uint32_t w, h;
};
static const Screen screens[] = {{1920, 1200}, {1920, 1080}, {2560, 1440}, {1366, 768}};

class Screens : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        PlatformGuiInit(0, nullptr);
        CreateProjectStructure();
        std::strcpy(DataPath, scratch.c_str());
    }
    void TearDown() override
    {
        if (PlatformWindowExists(WIN_PROJECT))
            GUICloseWindow(WIN_PROJECT, false);
        ScratchTest::TearDown();
    }
    /* The project window as a screen of this size lays it out. */
    void OpenWindow(Screen s, uint32_t format)
    {
        if (PlatformWindowExists(WIN_PROJECT))
            GUICloseWindow(WIN_PROJECT, false);
        ScreenWidth = s.w, ScreenHeight = s.h;
        ASSERT_TRUE(GUIOpenWindow(WIN_PROJECT, nullptr, nullptr, false, 0));
        CreateEmptyPage(format);
    }
};

/* The page box the job computes is the one the real window's page view
 * stands for, with its menu bar and without (as a test opens it), on
 * every screen and for every format, and the view paints the page there;
 * the window itself fits the screen. */
TEST_F(Screens, ThePageBoxIsWhereTheWindowPutsThePage)
{
    void *menus = InitMenu(false);
    ASSERT_NE(menus, nullptr);
    uint8_t pens[16][3];
    std::memset(pens, 255, sizeof(pens));
    std::memset(pens[0], 128, 3); /* the background grey, every other pen white */
    PlatformSetPalette(pens);
    for (Screen s : screens) {
        for (void *strip : {menus, static_cast<void *>(nullptr)}) {
            SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h) + (strip ? " with menus" : ""));
            if (PlatformWindowExists(WIN_PROJECT))
                GUICloseWindow(WIN_PROJECT, false);
            ScreenWidth = s.w, ScreenHeight = s.h;
            ASSERT_TRUE(GUIOpenWindow(WIN_PROJECT, strip, nullptr, false, 0));
            int16_t left, top, width, height;
            PageAreaBox(&left, &top, &width, &height);
            int winw, winh;
            PlatformWindowSize(WIN_PROJECT, &winw, &winh);
            EXPECT_LE(winw, int(s.w));
            EXPECT_LE(winh, int(s.h) - SCREEN_TITLE);
            for (uint32_t format = 0; format < 6; format++) {
                PageBox box;
                PageBoxFor(s.w, s.h, format, &box);
                EXPECT_EQ(box.left, left);
                EXPECT_EQ(box.top, top);
                EXPECT_EQ(box.width, width);
                EXPECT_EQ(box.height, height);
                EXPECT_EQ(int64_t(box.xstart), left + (width - int64_t(pagesize[format][0])) / 2) << format;
                EXPECT_EQ(int64_t(box.ystart), top + (height - int64_t(pagesize[format][1])) / 2) << format;
                EXPECT_EQ(box.xend - box.xstart, pagesize[format][0]);
                EXPECT_EQ(box.yend - box.ystart, pagesize[format][1]);
                CreateEmptyPage(format);
                QImage shown = pagearea->grab().toImage();
                QTransform map = PageViewTransform();
                QPoint inside = map.map(QPointF(box.xstart + 3.5, box.yend - 3.5)).toPoint();
                QPoint outside = map.map(QPointF(box.xend + 5.5, box.ystart - 5.5)).toPoint();
                EXPECT_EQ(shown.pixel(inside) & 0xFFFFFF, PenRGB(uint8_t(PCReg))) << "paper, format " << format;
                EXPECT_NE(shown.pixel(outside) & 0xFFFFFF, PenRGB(uint8_t(PCReg))) << "beside it, format " << format;
            }
        }
    }
    GUICloseWindow(WIN_PROJECT, false);
    DisposeMenu(menus);
}

/* Page-relative corners of every element of page 1. */
static std::vector<int64_t> PagePositions(void)
{
    std::vector<int64_t> v;
    for (Node *n = GetHead(&GetPageNode(1)->page); n; n = GetSucc(n)) {
        GElement *ge = reinterpret_cast<GElement *>(n);
        for (int64_t c : {int64_t(ge->sx) - xstart, int64_t(yend) - ge->sy, int64_t(ge->ex) - xstart,
                          int64_t(yend) - ge->ey})
            v.push_back(c);
    }
    return v;
}

/* The rectangles the PDF's first page draws, as their operands. */
static std::multiset<std::string> PdfRectangles(const std::string &pdf)
{
    std::string page = Shell("qpdf --qdf --object-streams=disable '" + pdf + "' - 2>/dev/null");
    std::regex re("([0-9.-]+ [0-9.-]+ [0-9.-]+ [0-9.-]+) re");
    std::multiset<std::string> rects;
    for (std::sregex_iterator it(page.begin(), page.end(), re), end; it != end; ++it)
        rects.insert((*it)[1]);
    return rects;
}

TEST_F(Screens, ElementsKeepTheirPlaceOnThePageOnEveryScreen)
{
    const struct { uint32_t format; Screen saved; } cases[] = {{2, screens[0]}, {3, screens[0]}, {2, screens[3]}};
    for (const auto &k : cases) {
        uint32_t format = k.format;
        SCOPED_TRACE("format " + std::to_string(format) + ", saved at " + std::to_string(k.saved.w));
        FreeLists(0);
        OpenWindow(k.saved, format);
        PDaten.width = ScreenWidth, PDaten.height = ScreenHeight, PDaten.pageformat = format;
        AddPageList(nullptr);
        const uint32_t corners[][4] = {{20, 30, 120, 80}, {300, 500, 400, 560}, {10, 800, 560, 580}};
        for (const auto &c : corners) {
            GElement ge = MakeElement(ET_RECT, ET_RECT);
            ge.sx = xstart + c[0], ge.sy = ystart + c[1], ge.ex = xstart + c[2], ge.ey = ystart + c[3];
            AddGObject(1, &ge);
        }
        std::vector<int64_t> saved = PagePositions();
        SetProjectName("screens");
        ASSERT_EQ(SaveProject(false), 0u);

        std::string env = "cd '" + scratch + "' && PAGIMO_ASSIGN_T='" + scratch + "/T2' PAGIMO_ASSIGN_FONTS='" +
                          scratch + "/fonts' PAGIMO_ASSIGN_TBIMAGES='" + ProgramDataDir() + "/tbimages' DISPLAY= ";
        std::multiset<std::string> first;
        Shell("rm -f '" + scratch + "/out.pdf'");
        for (Screen s : screens) {
            std::string size = std::to_string(s.w) + "x" + std::to_string(s.h);
            SCOPED_TRACE(size);
            OpenWindow(s, format);
            ASSERT_EQ(OpenProjectPath((scratch + "/screens.pfz").c_str()), 0u);
            CreateEmptyPage(PDaten.pageformat);
            int16_t left, top, width, height;
            PageAreaBox(&left, &top, &width, &height);
            EXPECT_GE(int64_t(xstart), left) << "the page starts inside its area";
            EXPECT_GE(int64_t(ystart), top);
            EXPECT_LT(ystart, yend) << "the page does not start above the window";
            EXPECT_LE(int64_t(yend), top + height);
            EXPECT_EQ(PagePositions(), saved);

            std::string run = Shell(env + "PAGIMO_SCREEN=" + size + " " + PagimoBinary() +
                                    " Debug=Off --pdf out.pdf screens.pfz; echo rc=$?");
            ASSERT_NE(run.find("rc=0"), std::string::npos) << run;
            std::multiset<std::string> rects = PdfRectangles(scratch + "/out.pdf");
            EXPECT_EQ(rects.size(), 3u);
            if (first.empty())
                first = rects;
            EXPECT_EQ(rects, first) << "the PDF draws the rectangles where they were";
        }
    }
}

/* The visible top-level that shows the project window, the only window
 * these tests open. */
static QWidget *ProjectTopLevel(void)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowType() == Qt::Window)
            return w;
    return nullptr;
}

static void DropMessages(void)
{
    GuiMessage m;
    for (int win = 0; win < PLATFORM_WINDOWS; win++)
        while (PlatformTakeMessage(win, &m)) {}
}

/* The classes of the messages waiting for the project window. */
static std::vector<uint32_t> Waiting(void)
{
    std::vector<uint32_t> v;
    GuiMessage m;
    while (PlatformTakeMessage(WIN_PROJECT, &m))
        v.push_back(m.cls);
    return v;
}

/* What a press on the canvas at the window point `spot` sends. */
static GuiMessage PressAt(QPoint spot)
{
    QPoint local = PageViewTransform().map(QPointF(spot) + QPointF(0.5, 0.5)).toPoint();
    DropMessages();
    QMouseEvent press(QEvent::MouseButtonPress, local, pagearea->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(pagearea, &press);
    GuiMessage msg = {};
    EXPECT_TRUE(PlatformTakeMessage(WIN_PROJECT, &msg));
    return msg;
}

/* On 1366x768 and 1280x800 the window fits the screen and the page opens
 * whole; zoomed in, the page view scrolls and nothing else moves, and
 * what is pressed arrives in window coordinates. */
TEST_F(Screens, ALaptopScreenScrollsOnlyThePage)
{
    for (Screen s : {screens[3], Screen{1280, 800}}) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        OpenWindow(s, 2);
        QWidget *top = ProjectTopLevel();
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(qobject_cast<QScrollArea *>(top), nullptr) << "the window itself does not scroll";
        EXPECT_LE(top->width(), int(s.w));
        EXPECT_LE(top->height(), int(s.h));
        auto *view = qobject_cast<QScrollArea *>(pagearea->parentWidget()->parentWidget());
        ASSERT_NE(view, nullptr);
        EXPECT_LT(PlatformZoom(), 1.0) << "opened at Fit page";
        QRect page = PageViewTransform().mapRect(QRectF(xstart, ystart, xend - xstart, yend - ystart)).toRect();
        EXPECT_TRUE(QRect(QPoint(0, 0), view->viewport()->size()).contains(page)) << "the whole page shows";

        PlatformSetZoom(200);
        QWidget *open = gadgets[GID_OPEN].widget;
        ASSERT_NE(open, nullptr);
        QPoint toolbar = top->mapFromGlobal(open->mapToGlobal(QPoint(0, 0)));
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
        QApplication::processEvents();
        ASSERT_GT(view->verticalScrollBar()->value(), 0);
        EXPECT_EQ(top->mapFromGlobal(open->mapToGlobal(QPoint(0, 0))), toolbar) << "the toolbar stays";
        const QPoint spot(int(xstart) + 40, int(yend) - 3);
        GuiMessage msg = PressAt(spot);
        EXPECT_EQ(msg.cls, uint32_t(WMHI_MOUSEBUTTONS));
        EXPECT_EQ(QPoint(msg.mx, msg.my), spot);
        int32_t px, py;
        PlatformMousePos(WIN_PROJECT, &px, &py);
        EXPECT_EQ(QPoint(px, py), spot);
    }

    /* The close gadget and the Delete key, wherever it arrives, each give
     * one message; the arrows over the page give theirs, Shift added. */
    DropMessages();
    QCloseEvent close;
    QApplication::sendEvent(ProjectTopLevel(), &close);
    EXPECT_EQ(Waiting(), std::vector<uint32_t>{WMHI_CLOSEWINDOW});
    for (QWidget *to : {ProjectTopLevel(), pagearea}) {
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(to, &del);
        EXPECT_EQ(Waiting(), std::vector<uint32_t>{WMHI_RAWKEY}) << to->metaObject()->className();
    }
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::ShiftModifier);
    QApplication::sendEvent(pagearea, &up);
    GuiMessage msg;
    ASSERT_TRUE(PlatformTakeMessage(WIN_PROJECT, &msg));
    EXPECT_EQ(msg.code, RAWKEY_UP + RAWKEY_SHIFTED);
}
