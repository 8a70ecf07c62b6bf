/*
 * pageview.cpp - the page view: a scrolling canvas that paints the main
 * window's drawing surface (rastport.cpp) at a zoom from 25 % to 800 %,
 * the zoom chooser of the toolbar, and the pointer and keys over the page
 * turned into the program's messages.
 *
 * The program works in window coordinates: pixels at 100 %, the page area
 * standing for the box it was built with (GAddPageArea). The zoom only
 * maps them to the canvas: the page's rectangle (PlatformShowPage) lies in
 * the middle of the canvas, which is the page and a margin at the zoom, or
 * the viewport where that is larger. The zoom belongs to the window: no
 * project stores it, and no message of the program changes with it, apart
 * from the pointer positions, which are mapped back.
 */
#include "platform/qtprivate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include <QComboBox>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

QWidget *pagearea;

static const int VIEW_MARGIN = 16; /* canvas pixels around the page */
static const int zoom_steps[] = {25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400, 600, 800};

static struct {
    PageScrollArea *scroll;
    QComboBox *chooser;
    QRect box;    /* window coordinates the page area stands for */
    QRectF page;  /* the page and its frame, window coordinates */
    double zoom;  /* canvas pixels per window pixel */
    int fit;      /* ZOOM_FIT_PAGE or ZOOM_FIT_WIDTH while fitting, else 0 */
    bool opened;  /* the window is shown */
    bool placed;  /* the first zoom was chosen */
} view = {nullptr, nullptr, QRect(), QRectF(), 1.0, 0, false, false};

/* ------------------------------------------------------------ mapping */

static QPointF Origin(void)
{
    QSize c = pagearea ? pagearea->size() : QSize();
    return QPointF(std::floor((c.width() - view.page.width() * view.zoom) / 2),
                   std::floor((c.height() - view.page.height() * view.zoom) / 2));
}

QTransform PageViewTransform(void)
{
    QPointF o = Origin();
    return QTransform(view.zoom, 0, 0, view.zoom, o.x() - view.page.left() * view.zoom,
                      o.y() - view.page.top() * view.zoom);
}

static uint16_t Qualifier(Qt::KeyboardModifiers mods)
{
    return (mods & Qt::ShiftModifier) ? uint16_t(QUAL_SHIFT) : 0;
}

/* The window pixel a canvas point lies on. */
static QPoint CanvasToWindow(QPointF c)
{
    QPointF w = PageViewTransform().inverted().map(c);
    return QPoint(int(std::floor(w.x() + 1e-9)), int(std::floor(w.y() + 1e-9)));
}

QSize PageAreaExtent(void)
{
    return view.box.isEmpty() ? QSize() : QSize(view.box.right() + 1, view.box.bottom() + 1);
}

/* The box of window coordinates the page area stands for, whatever the
 * zoom and however large the view is on the screen. */
void PageAreaBox(int16_t *left, int16_t *top, int16_t *width, int16_t *height)
{
    bool shown = pagearea && windows[0].widget;
    *left = int16_t(shown ? view.box.left() : 0);
    *top = int16_t(shown ? view.box.top() : 0);
    *width = int16_t(shown ? view.box.width() : 0);
    *height = int16_t(shown ? view.box.height() : 0);
}

double PlatformZoom(void)
{
    return view.zoom;
}

/* ------------------------------------------------------------ layout */

static QSize CanvasSize(void)
{
    QSize port = view.scroll ? view.scroll->viewport()->size() : QSize();
    int w = int(std::ceil(view.page.width() * view.zoom)) + 2 * VIEW_MARGIN;
    int h = int(std::ceil(view.page.height() * view.zoom)) + 2 * VIEW_MARGIN;
    return QSize(std::max(w, port.width()), std::max(h, port.height()));
}

static double Clamp(double zoom)
{
    return std::min(std::max(zoom, double(ZOOM_LEAST) / 100), double(ZOOM_MOST) / 100);
}

/* The zoom that shows the whole page, or its width, in the viewport as it
 * is without scroll bars. */
static double FitZoom(int how)
{
    if (!view.scroll || view.page.isEmpty())
        return 1.0;
    QSize port = view.scroll->maximumViewportSize();
    double w = port.width() - 2.0 * VIEW_MARGIN, h = port.height() - 2.0 * VIEW_MARGIN;
    if (how == ZOOM_FIT_WIDTH)
        return Clamp((w - view.scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent)) / view.page.width());
    return Clamp(std::min(w / view.page.width(), h / view.page.height()));
}

static void ShowZoom(void)
{
    if (!view.chooser)
        return;
    QSignalBlocker block(view.chooser);
    view.chooser->setEditText(QString("%1 %").arg(int(std::lround(view.zoom * 100))));
}

static void Relayout(void)
{
    if (!pagearea)
        return;
    if (view.fit)
        view.zoom = FitZoom(view.fit);
    QSize size = CanvasSize();
    if (pagearea->size() != size)
        pagearea->resize(size);
    pagearea->update();
    ShowZoom();
    if (PlatformTrace)
        DumpPageView();
}

/* On a screen where the page does not fit at 100 %, the window opens
 * showing the whole page: decided once the window is shown and the page
 * is known, whichever comes last. */
static void ChooseFirstZoom(void)
{
    if (!view.opened || view.placed || view.page == QRectF(view.box))
        return;
    view.placed = true;
    QSize port = view.scroll->maximumViewportSize();
    if (view.page.width() + 2 * VIEW_MARGIN > port.width() || view.page.height() + 2 * VIEW_MARGIN > port.height())
        view.fit = ZOOM_FIT_PAGE;
}

/* Keeps the window point under `port` (a viewport position) where it is. */
static void ZoomAround(double zoom, QPoint port)
{
    if (!view.scroll || !pagearea) {
        view.zoom = zoom;
        return;
    }
    QScrollBar *h = view.scroll->horizontalScrollBar(), *v = view.scroll->verticalScrollBar();
    QPointF canvas(port.x() + h->value(), port.y() + v->value());
    QPointF window = PageViewTransform().inverted().map(canvas);
    view.zoom = Clamp(zoom);
    Relayout();
    QPointF moved = PageViewTransform().map(window);
    h->setValue(int(std::lround(moved.x() - port.x())));
    v->setValue(int(std::lround(moved.y() - port.y())));
}

static QPoint ViewportMiddle(void)
{
    return view.scroll ? view.scroll->viewport()->rect().center() : QPoint();
}

/* The next step of the chooser's list beyond the zoom, in or out. */
static double StepZoom(bool in)
{
    int now = int(std::lround(view.zoom * 100));
    if (in) {
        for (int step : zoom_steps)
            if (step > now)
                return step / 100.0;
        return double(ZOOM_MOST) / 100;
    }
    for (int i = int(std::size(zoom_steps)); i-- > 0;)
        if (zoom_steps[i] < now)
            return zoom_steps[i] / 100.0;
    return double(ZOOM_LEAST) / 100;
}

void PlatformSetZoom(int how)
{
    if (how == ZOOM_FIT_PAGE || how == ZOOM_FIT_WIDTH) {
        view.fit = how;
        Relayout();
        if (view.scroll && how == ZOOM_FIT_WIDTH)
            view.scroll->verticalScrollBar()->setValue(0);
        return;
    }
    double zoom = how == ZOOM_IN ? StepZoom(true) : how == ZOOM_OUT ? StepZoom(false) : how / 100.0;
    view.fit = 0;
    ZoomAround(Clamp(zoom), ViewportMiddle());
}

/* A new page format is centred and fitted again. */
void PlatformShowPage(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    QRectF page(QPointF(left - 1, top - 1), QPointF(right + 2, bottom + 2));
    if (page == view.page)
        return;
    view.page = page;
    ChooseFirstZoom();
    Relayout();
}

void PageViewOpened(void)
{
    if (!pagearea)
        return;
    view.opened = true;
    ChooseFirstZoom();
    Relayout();
}

void PageViewGone(void)
{
    ClearSurface();
    pagearea = nullptr;
    view.scroll = nullptr;
    view.chooser = nullptr;
    view.opened = view.placed = false;
    view.fit = 0;
    view.zoom = 1.0;
}

/* ------------------------------------------------------------ painting */

void UpdatePageView(const QRectF &area)
{
    if (!pagearea)
        return;
    if (area.isEmpty()) {
        pagearea->update();
        return;
    }
    int m = HANDLE_RADIUS + 2;
    pagearea->update(PageViewTransform().mapRect(area).toAlignedRect().adjusted(-m, -m, m, m));
}

PageAreaWidget::PageAreaWidget(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

/* Around the page lies the window's background pen; the page and its
 * elements are the surface's figures at the zoom, the bands and handles
 * are drawn over them in canvas pixels. */
void PageAreaWidget::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    QRect r = event->rect();
    p.fillRect(r, PenColor(0));
    QTransform map = PageViewTransform();
    p.setTransform(map);
    PaintPageFigures(p, map.inverted().mapRect(QRectF(r)));
    p.resetTransform();
    PaintPageMarks(p, map, HANDLE_RADIUS);
}

/* ------------------------------------------------------------ input */

void PageAreaWidget::Report(uint32_t cls, uint16_t code, QPointF pos, Qt::KeyboardModifiers mods)
{
    QPoint w = CanvasToWindow(pos);
    if (PlatformTrace && cls == WMHI_MOUSEBUTTONS) {
        std::printf("   button %u at %d,%d\n", code, w.x(), w.y());
        std::fflush(stdout);
    }
    PlatformPostMessage(0, cls, 0, code, w.x(), w.y(), Qualifier(mods));
}

/* A drag with the middle button pans the page, as in most layout
 * programs; the program sees nothing of it. */
static struct {
    QPointF from;
    int h, v;
} pan;

static void PanTo(QPointF global)
{
    if (!view.scroll)
        return;
    view.scroll->horizontalScrollBar()->setValue(pan.h - int(std::lround(global.x() - pan.from.x())));
    view.scroll->verticalScrollBar()->setValue(pan.v - int(std::lround(global.y() - pan.from.y())));
}

void PageAreaWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::MiddleButton)
        PanTo(event->globalPosition());
    else
        Report(WMHI_MOUSEMOVE, 0, event->position(), event->modifiers());
}

void PageAreaWidget::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton) {
        Report(WMHI_MOUSEBUTTONS, SELECTDOWN, event->position(), event->modifiers());
    } else if (event->button() == Qt::MiddleButton && view.scroll) {
        pan = {event->globalPosition(), view.scroll->horizontalScrollBar()->value(),
               view.scroll->verticalScrollBar()->value()};
        setCursor(Qt::ClosedHandCursor);
    }
}

void PageAreaWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Report(WMHI_MOUSEBUTTONS, SELECTUP, event->position(), event->modifiers());
    else if (event->button() == Qt::MiddleButton)
        unsetCursor();
}

/* Leaving the area is a move to where the pointer went, so the program
 * learns that it left the page even after a fast movement. */
void PageAreaWidget::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    Report(WMHI_MOUSEMOVE, 0, mapFromGlobal(QCursor::pos()), Qt::NoModifier);
}

/* Ctrl+wheel zooms around the pointer; the wheel alone scrolls. */
void PageAreaWidget::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier) || !view.scroll || event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    view.fit = 0;
    QPoint port = mapTo(view.scroll->viewport(), event->position().toPoint());
    ZoomAround(StepZoom(event->angleDelta().y() > 0), port);
    event->accept();
}

/* The arrows nudge the selection; other keys go on to the window. */
void PageAreaWidget::keyPressEvent(QKeyEvent *event)
{
    uint16_t code = 0;
    switch (event->key()) {
    case Qt::Key_Up: code = RAWKEY_UP; break;
    case Qt::Key_Down: code = RAWKEY_DOWN; break;
    case Qt::Key_Left: code = RAWKEY_LEFT; break;
    case Qt::Key_Right: code = RAWKEY_RIGHT; break;
    default: event->ignore(); return;
    }
    uint16_t qual = Qualifier(event->modifiers());
    PlatformPostMessage(0, WMHI_RAWKEY, 0, uint16_t(code + (qual & QUAL_SHIFT ? RAWKEY_SHIFTED : 0)), windows[0].mx,
                        windows[0].my, qual);
    event->accept();
}

PageScrollArea::PageScrollArea(QWidget *parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setAlignment(Qt::AlignCenter);
    setMinimumSize(200, 200);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PageScrollArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    Relayout();
}

/* ------------------------------------------------------------ building */

/* The page area stands for the box (left, top, width, height) of window
 * coordinates; without a box, for one of the largest page's size where
 * the area lies. */
void GAddPageArea(int left, int top, int width, int height)
{
    auto *scroll = new PageScrollArea(nullptr);
    auto *canvas = new PageAreaWidget(nullptr);
    scroll->setWidget(canvas);
    if (width <= 0 || height <= 0)
        width = height = 844;
    view.box = QRect(left, top, width, height);
    view.page = QRectF(view.box);
    view.scroll = scroll;
    pagearea = canvas;
    for (QScrollBar *bar : {scroll->horizontalScrollBar(), scroll->verticalScrollBar()})
        QObject::connect(bar, &QScrollBar::valueChanged, [] {
            if (PlatformTrace)
                DumpPageView();
        });
    AddPageViewWidget(scroll);
}

/* The chooser's entries: the two fits, then the steps of the list. */
static void ChooseZoom(int index)
{
    if (index == 0 || index == 1)
        PlatformSetZoom(index == 0 ? ZOOM_FIT_PAGE : ZOOM_FIT_WIDTH);
    else if (index - 2 < int(std::size(zoom_steps)))
        PlatformSetZoom(zoom_steps[index - 2]);
}

static void TypedZoom(void)
{
    bool ok = false;
    int percent = view.chooser->currentText().remove('%').trimmed().toInt(&ok);
    if (ok)
        PlatformSetZoom(std::min(std::max(percent, int(ZOOM_LEAST)), int(ZOOM_MOST)));
    else
        ShowZoom();
}

void GAddZoomChooser(const char *fitpage, const char *fitwidth, const char *hint)
{
    auto *c = new QComboBox;
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->addItem(ToQt(fitpage));
    c->addItem(ToQt(fitwidth));
    for (int step : zoom_steps)
        c->addItem(QString("%1 %").arg(step));
    c->setToolTip(ToQt(hint));
    c->setMinimumContentsLength(8);
    QObject::connect(c, QOverload<int>::of(&QComboBox::activated), ChooseZoom);
    QObject::connect(c->lineEdit(), &QLineEdit::editingFinished, TypedZoom);
    view.chooser = c;
    AddPageViewWidget(c);
    ShowZoom();
}

/* ------------------------------------------------------------ tracing */

/* Where the page view lies on the screen, so that a test driving the real
 * window knows where to click: the viewport's top-left corner on the
 * screen, the window coordinates it shows there, its size and the zoom. A
 * screen point (x, y) is the window point window + (x - at) / zoom. */
void DumpPageView(void)
{
    if (!pagearea || !view.scroll)
        return;
    QWidget *port = view.scroll->viewport();
    QPoint at = port->mapToGlobal(QPoint(0, 0));
    QPointF window = PageViewTransform().inverted().map(QPointF(pagearea->mapFrom(port, QPoint(0, 0))));
    std::printf("   pagearea at %d,%d window %.4f,%.4f zoom %.6f size %dx%d\n", at.x(), at.y(), window.x(),
                window.y(), view.zoom, port->width(), port->height());
    std::fflush(stdout);
}
