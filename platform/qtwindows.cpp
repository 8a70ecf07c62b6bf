/*
 * qtwindows.cpp - windows and gadgets on Qt Widgets: building a window from
 * nested groups, the gadget table by id, reading and setting gadget values,
 * and turning the user's input into messages of the window's queue.
 *
 * Invariant: every value set from code is set with the widget's signals
 * blocked, so only the user's own input becomes a message. Pointer
 * positions over the page are window coordinates at 100 %, whatever the
 * page view's zoom and scrolling (pageview.cpp).
 */
#include "platform/qtprivate.h"

#include <cstdio>

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/assign.h"

static int build_win = -1;
static std::vector<QBoxLayout *> build_stack;
static QString build_caption;
static int menu_height[PLATFORM_WINDOWS]; /* the room of a main window's menu bar */

static void Post(int win, uint16_t id, uint16_t code)
{
    PlatformPostMessage(win, WMHI_GADGETUP, id, code, windows[win].mx, windows[win].my);
}

/* ------------------------------------------------------------ window class */

PagimoWindow::PagimoWindow(int w) : QWidget(nullptr, Qt::Window), win(w) {}

/* The close gadget of the main window asks the program; the other windows
 * answer their close gadget like their own leave button. */
static void AskClose(int win)
{
    if (InputBlocked(win))
        return;
    static const int leave[PLATFORM_WINDOWS] = {0, 68, 72, 0, 85};
    if (win == 0)
        PlatformPostMessage(win, WMHI_CLOSEWINDOW, 0, 0, windows[win].mx, windows[win].my);
    else if (leave[win])
        Post(win, uint16_t(leave[win]), 0);
}

void PagimoWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    AskClose(win);
}

/* Inside a scrolling view the key is taken here, so that the view, which
 * passes on the keys it gets itself, does not report it a second time. */
void PagimoWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && win == 0) {
        PlatformPostMessage(win, WMHI_RAWKEY, 0, RAWKEY_DELETE, windows[win].mx, windows[win].my);
        if (!isWindow())
            return;
    }
    QWidget::keyPressEvent(event);
}

/* ------------------------------------------------------------ scrolling view */

ScrollFrame::ScrollFrame(int w) : QScrollArea(nullptr), win(w)
{
    setWindowFlags(Qt::Window);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
}

void ScrollFrame::closeEvent(QCloseEvent *event)
{
    event->ignore();
    AskClose(win);
}

void ScrollFrame::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && windows[win].widget)
        QCoreApplication::sendEvent(windows[win].widget, event);
    else
        QScrollArea::keyPressEvent(event);
}

/* A main window larger than the screen keeps its size and layout and is
 * shown in a view of the size it was asked for, which scrolls it. */
static void HoldInScrollView(int win, QSize viewsize)
{
    QWidget *content = windows[win].widget;
    auto *view = new ScrollFrame(win);
    view->setWindowTitle(content->windowTitle());
    view->setWidget(content);
    content->show();
    view->resize(viewsize);
    int bar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    view->setMaximumSize(content->size() + QSize(bar, bar));
}

/* ------------------------------------------------------------ windows */

bool PlatformWindowCreate(int win, const char *title, int width, int height, bool main)
{
    if (win < 0 || win >= PLATFORM_WINDOWS || windows[win].widget)
        return false;
    PagimoWindow *w = new PagimoWindow(win);
    w->setWindowTitle(ToQt(title));
    auto *root = new QVBoxLayout(w);
    root->setContentsMargins(4, 4, 4, 4);
    root->setSpacing(4);
    windows[win].widget = w;
    windows[win].main = main;
    windows[win].busy = false;
    windows[win].queue.clear();
    menu_height[win] = 0;
    w->resize(width, height);
    build_win = win;
    build_stack.assign(1, root);
    return true;
}

/* The menu bar gets its fixed height; a window without one keeps the
 * same room free above its contents. */
static void ReserveMenuBar(int win)
{
    QWidget *w = windows[win].widget;
    if (menu_height[win] <= 0)
        return;
    if (windows[win].menubar) {
        windows[win].menubar->setFixedHeight(menu_height[win]);
        return;
    }
    QMargins m = w->layout()->contentsMargins();
    m.setTop(m.top() + menu_height[win]);
    w->layout()->setContentsMargins(m);
}

/* Shows a built window; the main window is laid out at once, so the page
 * view knows its viewport before the first page is painted. Only the page
 * view and the panels scroll; a main window asked smaller than even their
 * least sizes need gets the least size that holds them and is shown in a
 * scrolling view of the size asked, so that a tiny screen reaches all of
 * it. */
bool PlatformWindowOpen(int win)
{
    QWidget *w = windows[win].widget;
    if (!w)
        return false;
    build_win = -1;
    build_stack.clear();
    ReserveMenuBar(win);
    if (windows[win].main) {
        QSize asked = w->size();
        QSize least = w->layout()->totalMinimumSize();
        if (least.width() > asked.width() || least.height() > asked.height()) {
            w->setFixedSize(asked.expandedTo(least));
            HoldInScrollView(win, asked);
        }
        w->window()->move(0, 0);
    }
    w->window()->show();
    w->layout()->activate();
    PlatformProcessEvents();
    if (windows[win].main)
        PageViewOpened();
    return true;
}

bool PlatformWindowSize(int win, int *width, int *height)
{
    *width = *height = 0;
    if (!PlatformWindowExists(win))
        return false;
    *width = windows[win].widget->width();
    *height = windows[win].widget->height();
    return true;
}

bool PlatformWindowLeastSize(int win, int *width, int *height)
{
    *width = *height = 0;
    if (!PlatformWindowExists(win))
        return false;
    QSize least = windows[win].widget->layout()->totalMinimumSize();
    *width = least.width();
    *height = least.height();
    return true;
}

void PlatformWindowDestroy(int win)
{
    if (win < 0 || win >= PLATFORM_WINDOWS || !windows[win].widget)
        return;
    for (GadgetState &g : gadgets)
        if (g.win == win)
            g = GadgetState{GK_NONE, -1, nullptr, 0, {}};
    if (win == 0)
        PageViewGone();
    QWidget *top = windows[win].widget->window(); /* a scrolling view goes with it */
    top->hide();
    top->deleteLater();
    windows[win].widget = nullptr;
    windows[win].menubar = nullptr;
    windows[win].busy = false;
    windows[win].queue.clear();
    PlatformProcessEvents();
}

bool PlatformWindowExists(int win)
{
    return win >= 0 && win < PLATFORM_WINDOWS && windows[win].widget;
}

void PlatformWindowSetTitle(int win, const char *title)
{
    if (!PlatformWindowExists(win))
        return;
    windows[win].widget->setWindowTitle(ToQt(title));
    windows[win].widget->window()->setWindowTitle(ToQt(title));
}

void PlatformWindowSetBusy(int win, bool busy)
{
    if (!PlatformWindowExists(win))
        return;
    windows[win].busy = busy;
    if (busy)
        windows[win].widget->window()->setCursor(Qt::BusyCursor);
    else
        windows[win].widget->window()->unsetCursor();
}

bool PlatformWindowBusy(int win)
{
    return PlatformWindowExists(win) && windows[win].busy;
}

void PlatformWindowToFront(int win)
{
    if (!PlatformWindowExists(win))
        return;
    QWidget *w = windows[win].widget->window();
    w->showNormal();
    w->raise();
    w->activateWindow();
}

void PlatformWindowRefreshFrame(int win)
{
    if (PlatformWindowExists(win))
        windows[win].widget->window()->update();
}

/* The screen position of every gadget, so that a test driving the real
 * window knows where to click. */
void PlatformDumpGadgets(int win)
{
    if (!PlatformTrace || !PlatformWindowExists(win))
        return;
    for (int id = 0; id < PLATFORM_GADGETS; id++) {
        QWidget *w = gadgets[id].widget;
        if (gadgets[id].win != win || !w)
            continue;
        QPoint g = w->mapToGlobal(QPoint(0, 0));
        std::printf("   gadget %d at %d,%d size %dx%d\n", id, g.x(), g.y(), w->width(), w->height());
    }
    if (win == 0)
        DumpPageView();
    std::fflush(stdout);
}

/* ------------------------------------------------------------ building */

static void Place(QWidget *w)
{
    QBoxLayout *l = build_stack.back();
    if (build_caption.isEmpty()) {
        l->addWidget(w);
        return;
    }
    auto *row = new QHBoxLayout;
    auto *caption = new QLabel(build_caption);
    caption->setBuddy(w);
    row->addWidget(caption);
    row->addWidget(w, 1);
    l->addLayout(row);
    build_caption.clear();
}

static void Register(int id, GadgetKind kind, QWidget *w, const char *hint)
{
    if (hint && *hint)
        w->setToolTip(ToQt(hint));
    if (id > 0 && id < PLATFORM_GADGETS)
        gadgets[id] = GadgetState{kind, build_win, w, 0, {}};
}

/* Every group is a widget of its own, so that it can be given a width. */
void GBeginGroup(bool vertical, const char *label, int weight)
{
    QBoxLayout *inner = vertical ? static_cast<QBoxLayout *>(new QVBoxLayout)
                                 : static_cast<QBoxLayout *>(new QHBoxLayout);
    inner->setSpacing(4);
    QWidget *box = label ? new QGroupBox(ToQt(label)) : new QWidget;
    inner->setContentsMargins(label ? 6 : 0, label ? 6 : 0, label ? 6 : 0, label ? 6 : 0);
    box->setLayout(inner);
    build_stack.back()->addWidget(box, weight);
    build_stack.push_back(inner);
}

void GGroupWidth(int width)
{
    if (build_stack.size() > 1)
        build_stack.back()->parentWidget()->setFixedWidth(width);
}

/* The group's own widget moves into a scrolling view that takes its place
 * and its width, scroll bar included. */
void GGroupScrolls(void)
{
    if (build_stack.size() < 2)
        return;
    QWidget *box = build_stack.back()->parentWidget();
    QBoxLayout *outer = build_stack[build_stack.size() - 2];
    auto *scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    int weight = outer->stretch(outer->indexOf(box));
    outer->replaceWidget(box, scroll);
    outer->setStretch(outer->indexOf(scroll), weight);
    scroll->setWidget(box);
    if (box->minimumWidth() == box->maximumWidth())
        scroll->setFixedWidth(box->minimumWidth() + scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    scroll->setMinimumHeight(100);
}

/* The page view's widgets stretch with the window, the chooser does not. */
void AddPageViewWidget(QWidget *w)
{
    if (!build_stack.empty())
        build_stack.back()->addWidget(w, qobject_cast<QScrollArea *>(w) ? 1 : 0);
}

void GGroupHeight(int height)
{
    if (build_stack.size() > 1)
        build_stack.back()->parentWidget()->setFixedHeight(height);
}

void GMenuBarHeight(int height)
{
    if (build_win >= 0)
        menu_height[build_win] = height;
}

void GEndGroup(void)
{
    if (build_stack.size() > 1)
        build_stack.pop_back();
}

void GAddField(const char *label)
{
    build_caption = ToQt(label);
}

void GAddSpace(void)
{
    build_stack.back()->addStretch(1);
}

static QIcon ToolIcon(const char *image)
{
    QIcon icon;
    std::string base = std::string("tbimages:") + image;
    icon.addFile(QString::fromStdString(HostPath(base.c_str())), QSize(), QIcon::Normal);
    icon.addFile(QString::fromStdString(HostPath((base + "_g").c_str())), QSize(), QIcon::Disabled);
    icon.addFile(QString::fromStdString(HostPath((base + "_s").c_str())), QSize(), QIcon::Active);
    icon.addFile(QString::fromStdString(HostPath((base + "_s").c_str())), QSize(), QIcon::Selected);
    return icon;
}

void GAddButton(int id, const char *text, const char *hint, const char *image)
{
    QAbstractButton *b;
    if (image) {
        auto *tb = new QToolButton;
        tb->setIcon(ToolIcon(image));
        tb->setIconSize(QSize(24, 24));
        tb->setAutoRaise(true);
        if (text && *text) {
            tb->setText(ToQt(text));
            tb->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
        b = tb;
    } else {
        b = new QPushButton(ToQt(text));
    }
    int win = build_win;
    QObject::connect(b, &QAbstractButton::clicked, [win, id] { Post(win, uint16_t(id), 0); });
    Register(id, GK_BUTTON, b, hint);
    Place(b);
}

void GAddChooser(int id, const char *const *labels, int count, int selected, const char *hint)
{
    auto *c = new QComboBox;
    Register(id, GK_CHOOSER, c, hint);
    GadgetSetLabels(id, labels, count);
    c->setCurrentIndex(selected);
    int win = build_win;
    QObject::connect(c, &QComboBox::activated, [win, id](int index) { Post(win, uint16_t(id), uint16_t(index)); });
    Place(c);
}

/* Arrow steps report at once; typed numbers when editing ends, and only
 * when the number changed. */
class IntegerBox : public QSpinBox {
public:
    IntegerBox(int win, int id) : win(win), id(id) {}
    void Report()
    {
        if (value() == reported)
            return;
        reported = value();
        Post(win, uint16_t(id), uint16_t(value()));
    }
    int reported = 0;
protected:
    void stepBy(int steps) override
    {
        QSpinBox::stepBy(steps);
        Report();
    }
private:
    int win, id;
};

void GAddInteger(int id, int32_t min, int32_t max, int32_t value, const char *hint)
{
    auto *s = new IntegerBox(build_win, id);
    s->setRange(min, max);
    s->setValue(value);
    s->reported = value;
    Register(id, GK_INTEGER, s, hint);
    QObject::connect(s, &QSpinBox::editingFinished, [s] { s->Report(); });
    Place(s);
}

void GAddString(int id, int maxchars, const char *text, const char *hint, bool readonly)
{
    auto *e = new QLineEdit(ToQt(text));
    if (maxchars > 0)
        e->setMaxLength(maxchars);
    e->setReadOnly(readonly);
    if (readonly)
        e->setFocusPolicy(Qt::NoFocus);
    Register(id, GK_STRING, e, hint);
    int win = build_win;
    QObject::connect(e, &QLineEdit::editingFinished, [e, win, id] {
        if (!e->isModified())
            return;
        e->setModified(false);
        Post(win, uint16_t(id), 0);
    });
    Place(e);
}

void GAddCheckBox(int id, const char *text, bool checked, const char *hint)
{
    auto *c = new QCheckBox(ToQt(text));
    c->setChecked(checked);
    Register(id, GK_CHECKBOX, c, hint);
    int win = build_win;
    QObject::connect(c, &QCheckBox::clicked, [win, id](bool on) { Post(win, uint16_t(id), on); });
    Place(c);
}

void GAddRadio(int id, const char *const *labels, int count, int selected, const char *hint)
{
    auto *holder = new QWidget;
    auto *row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    auto *group = new QButtonGroup(holder);
    for (int i = 0; i < count; i++) {
        auto *r = new QRadioButton(ToQt(labels[i]));
        group->addButton(r, i);
        row->addWidget(r);
        r->setChecked(i == selected);
    }
    Register(id, GK_RADIO, holder, hint);
    int win = build_win;
    QObject::connect(group, &QButtonGroup::idClicked, [win, id](int i) { Post(win, uint16_t(id), uint16_t(i)); });
    Place(holder);
}

class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *w = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *e = qobject_cast<QLineEdit *>(w))
            e->setMaxLength(15);
        return w;
    }
};

void GAddListBrowser(int id, const char *const *columns, int ncols, bool tree, const char *hint)
{
    auto *t = new QTreeWidget;
    t->setColumnCount(ncols > 0 ? ncols : 1);
    QStringList heads;
    for (int i = 0; i < ncols; i++)
        heads << ToQt(columns[i]);
    t->setHeaderLabels(heads);
    t->setHeaderHidden(ncols == 0);
    t->setRootIsDecorated(tree);
    t->setUniformRowHeights(true);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    /* Only the cells a row allows are edited, each at most 15 characters. */
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setItemDelegate(new CellDelegate(t));
    Register(id, GK_LIST, t, hint);
    int win = build_win;
    QObject::connect(t, &QTreeWidget::itemDoubleClicked, [t](QTreeWidgetItem *item, int column) {
        if (item->data(0, Qt::UserRole + 1).toUInt() & (1u << column))
            t->editItem(item, column);
    });
    QObject::connect(t, &QTreeWidget::itemClicked, [t, win, id](QTreeWidgetItem *item, int) {
        gadgets[id].event = LBRE_NORMAL;
        Post(win, uint16_t(id), uint16_t(item->data(0, Qt::UserRole).toInt()));
        (void)t;
    });
    QObject::connect(t, &QTreeWidget::itemChanged, [win, id](QTreeWidgetItem *item, int) {
        gadgets[id].event = LBRE_EDIT;
        Post(win, uint16_t(id), uint16_t(item->data(0, Qt::UserRole).toInt()));
    });
    Place(t);
}

void GAddClickTab(int id, const char *hint)
{
    auto *tabs = new QTabBar;
    tabs->setExpanding(false);
    tabs->setUsesScrollButtons(false);
    tabs->setDrawBase(true);
    /* As high with no tab as with tabs, so the page area never moves. */
    tabs->addTab(QStringLiteral("Page 1"));
    tabs->setFixedHeight(tabs->sizeHint().height());
    tabs->removeTab(0);
    Register(id, GK_TABS, tabs, hint);
    int win = build_win;
    /* Clicks, the mouse wheel and the arrow keys all change the current
     * tab, and each change must show its page. Changes made by the program
     * itself come with the signal blocked. */
    QObject::connect(tabs, &QTabBar::currentChanged, [win, id](int index) {
        if (index >= 0)
            Post(win, uint16_t(id), uint16_t(index));
    });
    Place(tabs);
}

void GAddGauge(int id)
{
    auto *g = new QProgressBar;
    g->setRange(0, 100);
    g->setValue(0);
    Register(id, GK_GAUGE, g, nullptr);
    Place(g);
}

void GAddTextEditor(int id)
{
    auto *e = new QPlainTextEdit;
    e->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Register(id, GK_EDITOR, e, nullptr);
    build_stack.back()->addWidget(e, 1);
}

void GAddImage(const char *file, int maxwidth)
{
    auto *l = new QLabel;
    QPixmap pm(QString::fromStdString(HostPath(file)));
    if (!pm.isNull() && pm.width() > maxwidth)
        pm = pm.scaledToWidth(maxwidth, Qt::SmoothTransformation);
    l->setPixmap(pm);
    l->setAlignment(Qt::AlignCenter);
    Place(l);
}

void GAddLabel(const char *text, bool bold)
{
    auto *l = new QLabel(ToQt(text));
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    Place(l);
}
