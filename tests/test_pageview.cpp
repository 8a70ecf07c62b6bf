/*
 * test_pageview.cpp - the page view's zoom maps only the screen: the same
 * gestures (drawing, selecting, moving, reshaping, nudging, Select all)
 * made with real mouse and key events on the view at 50 %, 100 % and
 * 300 % give the element records, and the saved element file, that the
 * same gestures give as window coordinates posted at 100 %. The real main
 * loop runs under the offscreen platform.
 */
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

#include "testutil.h"

#include "core/mainloop.h"
#include "core/settings.h"
#include "document/pagelist.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "platform/gui.h"
#include "platform/qtprivate.h"
#include "view/geometry.h"

struct Outcome {
    std::vector<std::vector<int64_t>> records; /* type, page-relative corners, selected */
    std::string elementfile;                   /* its save stamp blanked: saves differ by the minute */
    std::string stamp;
};

class PageViewTest : public MainLoopScratchTest {
protected:
    Outcome Gestures(int zoom);
};

/* 0: gestures are posted as window coordinates; else the view shows this
 * zoom and gestures are mouse events on its canvas. */
static int gesture_zoom;

/* Window points an even number of pixels from the view's page frame, so
 * that at 50 % each has a screen pixel of its own. */
static int32_t X(int32_t dx) { return int32_t(xstart) - 1 + 2 * (dx / 2); }
static int32_t Y(int32_t dy) { return int32_t(ystart) - 1 + 2 * (dy / 2); }

static void Mouse(QEvent::Type type, int32_t x, int32_t y)
{
    if (!gesture_zoom) {
        if (type == QEvent::MouseMove)
            MoveTo(x, y);
        else
            Button(type == QEvent::MouseButtonPress ? SELECTDOWN : SELECTUP, x, y);
        return;
    }
    QPointF at = PageViewTransform().map(QPointF(x + 0.5, y + 0.5));
    QPointF local(std::floor(at.x()), std::floor(at.y()));
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent e(type, local, pagearea->mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  held, Qt::NoModifier);
    QApplication::sendEvent(pagearea, &e);
}

static void Gesture(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    Mouse(QEvent::MouseButtonPress, x1, y1);
    Mouse(QEvent::MouseMove, (x1 + x2) / 2, (y1 + y2) / 2);
    Mouse(QEvent::MouseMove, x2, y2);
    Mouse(QEvent::MouseButtonRelease, x2, y2);
}

static void Arrow(Qt::Key key, uint16_t code, bool shift)
{
    if (!gesture_zoom) {
        PlatformPostMessage(WIN_PROJECT, WMHI_RAWKEY, 0, uint16_t(code + (shift ? RAWKEY_SHIFTED : 0)), 0, 0,
                            shift ? uint16_t(QUAL_SHIFT) : 0);
        return;
    }
    QKeyEvent e(QEvent::KeyPress, key, shift ? Qt::ShiftModifier : Qt::NoModifier);
    QApplication::sendEvent(pagearea, &e);
}

/* ------------------------------------------------------------ the gestures */

static std::vector<std::vector<int64_t>> Records(void)
{
    std::vector<std::vector<int64_t>> v;
    for (GElement *e : Elements(1))
        v.push_back({e->node.ln_Type, int64_t(e->sx) - xstart, int64_t(e->sy) - ystart, int64_t(e->ex) - xstart,
                     int64_t(e->ey) - ystart, e->marked});
    return v;
}

Outcome PageViewTest::Gestures(int zoom)
{
    static Outcome out;
    static std::string archive;
    out = Outcome();
    archive = scratch + "/zoom" + std::to_string(zoom) + ".pfz";
    gesture_zoom = zoom;
    std::vector<std::function<void()>> s;
    s.push_back([] {
        PlatformSetZoom(gesture_zoom ? gesture_zoom : 100);
        Press(GID_RECT);
    });
    s.push_back([] {
        Gesture(X(100), Y(100), X(300), Y(200));
        Press(GID_LINE);
    });
    s.push_back([] {
        Gesture(X(100), Y(300), X(400), Y(360));
        Press(GID_CURSOR);
    });
    /* a click selects the rectangle, a drag from it moves it */
    s.push_back([] { Gesture(X(100), Y(150), X(100), Y(150)); });
    s.push_back([] { Gesture(X(100), Y(150), X(140), Y(190)); });
    /* its lower right handle reshapes it */
    s.push_back([] { Gesture(X(340), Y(240), X(360), Y(280)); });
    /* a click on its top edge selects it again for the arrows */
    s.push_back([] { Gesture(X(200), Y(140), X(200), Y(140)); });
    s.push_back([] {
        Arrow(Qt::Key_Right, RAWKEY_RIGHT, false);
        Arrow(Qt::Key_Right, RAWKEY_RIGHT, false);
        Arrow(Qt::Key_Down, RAWKEY_DOWN, true);
    });
    /* empty paper clears the selection; Select all takes both */
    s.push_back([] { Gesture(X(500), Y(700), X(500), Y(700)); });
    s.push_back([] { Menu(MENU_SELECT_ALL); });
    s.push_back([] { Arrow(Qt::Key_Left, RAWKEY_LEFT, true); });
    s.push_back([] {
        /* the handles above the page keep their radius on the screen */
        GElement *rect = Elements(1)[0];
        QImage shown = pagearea->grab().toImage();
        QPoint corner = PageViewTransform().map(QPointF(rect->sx + 0.5, rect->sy + 0.5)).toPoint();
        int ring = 255;
        for (int dx = HANDLE_RADIUS - 1; dx <= HANDLE_RADIUS + 1; dx++)
            ring = std::min(ring, qGray(shown.pixel(corner - QPoint(dx, 0))));
        EXPECT_LT(ring, 128) << "the ring";
        EXPECT_GT(qGray(shown.pixel(corner - QPoint(HANDLE_RADIUS + 4, 0))), 128) << "paper beyond it";
        out.records = Records();
        RequesterScriptAdd(archive.c_str());
        Press(GID_SAVEAS);
    });
    s.push_back([] { out.stamp = PDaten.created; });
    EXPECT_TRUE(Run(s));
    out.elementfile = Shell("unzip -p '" + archive + "' '*Elemente.pff'");
    size_t at = out.stamp.empty() ? std::string::npos : out.elementfile.find(out.stamp);
    EXPECT_NE(at, std::string::npos) << "the element file holds its save stamp";
    if (at != std::string::npos)
        out.elementfile.replace(at, out.stamp.size(), out.stamp.size(), '#');
    gesture_zoom = 0;
    return out;
}

TEST_F(PageViewTest, GesturesAtAnyZoomGiveTheRecordsOfThemAtOneHundredPercent)
{
    Outcome posted = Gestures(0);
    ASSERT_EQ(posted.records.size(), 2u) << "a rectangle and a line";
    /* drawn at 99,99-299,199; dragged by 40,40; its corner from 339,239 to
     * 359,279; nudged by 2,10; then with the line by -10,0 */
    EXPECT_EQ(posted.records[0], (std::vector<int64_t>{ET_RECT, 131, 149, 351, 289, 1}));
    EXPECT_EQ(posted.records[1], (std::vector<int64_t>{ET_LINE, 89, 299, 389, 359, 1}));
    EXPECT_FALSE(posted.elementfile.empty());
    for (int zoom : {50, 100, 300}) {
        SCOPED_TRACE("zoom " + std::to_string(zoom));
        Outcome viewed = Gestures(zoom);
        EXPECT_EQ(viewed.records, posted.records);
        EXPECT_EQ(viewed.elementfile, posted.elementfile) << "the saved element file is the same";
    }
}
