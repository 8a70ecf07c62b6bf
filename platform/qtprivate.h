/*
 * qtprivate.h - what the Qt side of the platform layer shares between its
 * files: the window and gadget tables, the page-area widget and the
 * window class that turns Qt input into the program's messages. Only files
 * in platform/ include it.
 */
#ifndef PAGIMO_PLATFORM_QTPRIVATE_H
#define PAGIMO_PLATFORM_QTPRIVATE_H

#include <deque>
#include <string>
#include <vector>

#include <QImage>
#include <QScrollArea>
#include <QWidget>

class QPainter;
class QRawFont;
class QTransform;

#include "platform/gui.h"

class QLayout;
class QMenuBar;

enum GadgetKind {
    GK_NONE, GK_BUTTON, GK_CHOOSER, GK_INTEGER, GK_STRING, GK_CHECKBOX, GK_RADIO,
    GK_LIST, GK_TABS, GK_GAUGE, GK_EDITOR,
};

struct GadgetState {
    GadgetKind kind;
    int win;
    QWidget *widget;
    int event;          /* last list-browser event */
    std::vector<std::string> labels;
};

/* Invariant: `widget` is always the window's laid-out content, whose
 * coordinates are the window coordinates of messages and drawing. It is
 * the top-level itself unless a main window larger than the screen sits
 * in a scrolling view; widget->window() is the top-level in both cases. */
struct WindowState {
    QWidget *widget;    /* the window's content, null when none */
    std::deque<GuiMessage> queue;
    int32_t mx, my;     /* pointer position of the message last taken */
    uint16_t qual;      /* and the keys held then (QUAL_) */
    bool busy;
    bool main;
    QMenuBar *menubar;
};

extern WindowState windows[PLATFORM_WINDOWS];
extern GadgetState gadgets[PLATFORM_GADGETS];
extern QImage *rastimage;       /* the main window's drawing surface */
extern QWidget *pagearea;       /* the page view's canvas, which shows it */
extern int menu_taken_pick;     /* menu id of the menu message taken last */

/* The program's windows: close requests and keys become messages. */
class PagimoWindow : public QWidget {
public:
    explicit PagimoWindow(int win);
protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
private:
    int win;
};

/* The top-level of a main window larger than the screen: it scrolls the
 * window's content and passes the close gadget and keys on to it. */
class ScrollFrame : public QScrollArea {
public:
    explicit ScrollFrame(int win);
protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
private:
    int win;
};

/* The page view's canvas (pageview.cpp): paints the drawing surface at
 * the view's zoom and reports the pointer in window coordinates. */
class PageAreaWidget : public QWidget {
public:
    explicit PageAreaWidget(QWidget *parent);
protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
private:
    void Report(uint32_t cls, uint16_t code, QPointF pos, Qt::KeyboardModifiers mods);
};

/* The view's window: scrolls the canvas and keeps the zoom when resized. */
class PageScrollArea : public QScrollArea {
public:
    explicit PageScrollArea(QWidget *parent);
protected:
    void resizeEvent(QResizeEvent *event) override;
};

/* The drawing surface's figures (rastport.cpp), painted by the page view
 * (pageview.cpp) at its zoom; handles have this radius on the screen. */
enum { HANDLE_RADIUS = 7 };
QColor PenColor(uint8_t pen);
void PaintPageFigures(QPainter &p, const QRectF &clip);
void PaintPageMarks(QPainter &p, const QTransform &map, double handle);
void UpdatePageView(const QRectF &area);
QSize PageAreaExtent(void); /* the page area's box reaches this far (window coordinates) */
QTransform PageViewTransform(void); /* window coordinates to the canvas's */
void PageViewOpened(void);
void AddPageViewWidget(QWidget *w); /* into the window being built */
void PageViewGone(void);
void ClearSurface(void);
void DumpPageView(void);
const QRawFont &FaceRawFont(const std::string &file, double em);

QString ToQt(const char *text);
std::string FromQt(const QString &text);
void EnsureRastImage(void);
bool InputBlocked(int win);
bool BreakPending(void);

#endif
