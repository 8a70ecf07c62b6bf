/*
 * qtapp.cpp - the Qt application behind the program: start and end, the
 * screen size, waiting for input (window messages, the break signal, other
 * starts asking for this instance), the per-window message queues and the
 * blocking of input to busy windows.
 *
 * Relies on breaksignal.h and instance.h for the two file descriptors the
 * wait also watches.
 */
#include "platform/qtprivate.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>
#include <utility>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <QSocketNotifier>
#include <QThread>
#include <QVersionNumber>

#include "platform/breaksignal.h"
#include "platform/charset.h"
#include "platform/system.h"
#include "platform/instance.h"

WindowState windows[PLATFORM_WINDOWS];
GadgetState gadgets[PLATFORM_GADGETS];
bool PlatformTrace;

static QApplication *app;
static int app_argc;
static int apps_made;
static bool break_seen;
static QSocketNotifier *instance_watch; /* while other starts' requests are taken */
static void (*idle_hook)(void);
static std::deque<std::string> pending_open; /* one per open message posted */

/* The oldest project another start handed over, taken once. */
bool PlatformTakeHandedProject(char *path, size_t size)
{
    if (pending_open.empty())
        return false;
    std::snprintf(path, size, "%s", pending_open.front().c_str());
    pending_open.pop_front();
    return true;
}

/* ------------------------------------------------------------ texts */

QString ToQt(const char *text)
{
    return QString::fromUtf8(CharsetToUtf8(text ? text : "").c_str());
}

std::string FromQt(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    std::vector<char> buf(utf8.size() + 1);
    CharsetFromUtf8(utf8.constData(), buf.data(), buf.size());
    return std::string(buf.data());
}

/* ------------------------------------------------------------ input blocking */

/* While a window is busy, the user's input to it is swallowed; painting and
 * everything the program does itself go on. */
class BusyFilter : public QObject {
protected:
    bool eventFilter(QObject *obj, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress: case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: case QEvent::MouseMove:
        case QEvent::KeyPress: case QEvent::KeyRelease: case QEvent::Wheel:
        case QEvent::Shortcut: case QEvent::ShortcutOverride:
            break;
        default:
            return false;
        }
        QWidget *w = qobject_cast<QWidget *>(obj);
        if (!w)
            return false;
        for (int i = 0; i < PLATFORM_WINDOWS; i++)
            if (windows[i].busy && windows[i].widget && windows[i].widget->isAncestorOf(w))
                return true;
        for (int i = 0; i < PLATFORM_WINDOWS; i++)
            if (windows[i].busy && windows[i].widget == w)
                return true;
        return false;
    }
};

bool InputBlocked(int win)
{
    return win >= 0 && win < PLATFORM_WINDOWS && windows[win].busy;
}

/* ------------------------------------------------------------ application */

/* A requester waiting for the user runs a loop of its own; the break
 * cancels it so that the main loop gets to see the break and end. */
static void CancelRequesters(void)
{
    for (int i = 0; i < 8; i++) {
        auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!d)
            return;
        d->reject();
    }
}

static void NoticeBreak(void)
{
    if (BreakTake()) {
        break_seen = true;
        CancelRequesters();
    }
}

static void WatchBreak(void)
{
    if (BreakFd() < 0)
        return;
    auto *n = new QSocketNotifier(BreakFd(), QSocketNotifier::Read, app);
    QObject::connect(n, &QSocketNotifier::activated, NoticeBreak);
}

/* True once the break arrived and the main loop has not taken it yet:
 * requesters then answer Cancel without waiting for the user. */
bool BreakPending(void)
{
    return break_seen;
}

/* Called once this instance is known to others. An instance told to end
 * leaves the requests unread, even those that came with the break: they
 * are refused when it stops listening, and their starts go on. */
void PlatformWatchInstance(void)
{
    if (InstanceFd() >= 0) {
        auto *n = new QSocketNotifier(InstanceFd(), QSocketNotifier::Read, app);
        instance_watch = n;
        QObject::connect(n, &QSocketNotifier::activated, [] {
            NoticeBreak();
            if (break_seen)
                return;
            char project[1024] = "";
            while (InstanceTakeRequest(project, sizeof(project))) {
                if (PlatformTrace) {
                    std::printf("   another start asked for this instance %s\n", project);
                    std::fflush(stdout);
                }
                PlatformWindowToFront(0);
                if (project[0]) {
                    pending_open.push_back(project);
                    PlatformPostMessage(0, WMHI_GADGETUP, GADGET_OPEN, OPEN_HANDED_OVER, windows[0].mx, windows[0].my);
                }
            }
        });
    }
}

/* Before the instance stops listening: from the end of the main loop on,
 * the closing windows' events must not take a request that nobody serves. */
void PlatformUnwatchInstance(void)
{
    delete instance_watch;
    instance_watch = nullptr;
}

/* ------------------------------------------------------------ the display */

/* Qt ends the process with abort() when its platform plugin cannot reach
 * the display, after warnings of its own. The start tries an X display
 * before anything is set up; this catches whatever else fails here (a
 * Wayland compositor gone, a display lost between the two). While the
 * application is made, its messages are held back: a fatal one becomes one
 * line on standard error and the exit code 1; the others are passed on
 * once the application exists. */
static QtMessageHandler startup_previous;
static std::vector<std::pair<QtMsgType, QString>> startup_held;

static void StartupMessage(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    (void)ctx;
    if (type != QtFatalMsg) {
        startup_held.emplace_back(type, msg);
        return;
    }
    const char *display = std::getenv("DISPLAY");
    std::fprintf(stderr, "pagimo: the window cannot be opened: no display could be reached%s%s\n",
                 display && *display ? " at DISPLAY=" : "", display && *display ? display : "");
    std::fflush(stderr);
    InstanceEnd(); /* the socket would be left behind by _exit */
    _exit(1);
}

static QApplication *MakeApplication(void)
{
    static char name[] = "pagimo";
    static char *args[] = {name, nullptr};
    app_argc = 1;
    startup_previous = qInstallMessageHandler(StartupMessage);
    QApplication *made = new QApplication(app_argc, args);
    apps_made++;
    X11ProbeRelease(); /* Qt holds its own connection now */
    qInstallMessageHandler(startup_previous);
    QMessageLogContext none;
    for (const auto &m : startup_held) {
        if (startup_previous)
            startup_previous(m.first, none, m.second);
        else
            qt_message_output(m.first, none, m.second);
    }
    startup_held.clear();
    return made;
}

bool PlatformGuiInit(int argc, char **argv)
{
    if (!app) {
        (void)argc;
        (void)argv;
        app = MakeApplication();
        app->setApplicationName("Pagimo");
        app->setQuitOnLastWindowClosed(false);
        app->installEventFilter(new BusyFilter);
    }
    for (WindowState &w : windows)
        w = WindowState{nullptr, {}, 0, 0, 0, false, false, nullptr};
    for (GadgetState &g : gadgets)
        g = GadgetState{GK_NONE, -1, nullptr, 0, {}};
    break_seen = false;
    WatchBreak();
    return true;
}

/* This program has the window: the start goes on here. */
void PlatformRunWindowProgram(char **argv)
{
    (void)argv;
}

int PlatformApplicationsMade(void)
{
    return apps_made;
}

bool PlatformApplicationExists(void)
{
    return QCoreApplication::instance() != nullptr;
}

bool PlatformRecentEnough(void)
{
    QVersionNumber running = QVersionNumber::fromString(QString::fromLatin1(qVersion()));
    QVersionNumber built = QVersionNumber::fromString(QStringLiteral(QT_VERSION_STR));
    return QVersionNumber::compare(running, built) >= 0;
}

/* Leaves the QApplication in place: Qt does not support making a second
 * one in the same process, and tests run the program several times. */
void PlatformGuiExit(void)
{
    for (int i = 0; i < PLATFORM_WINDOWS; i++)
        PlatformWindowDestroy(i);
    for (QSocketNotifier *n : app->findChildren<QSocketNotifier *>())
        delete n;
    instance_watch = nullptr;
}

/* PAGIMO_SCREEN=WxH gives the size; else the primary screen's. */
void PlatformScreenSize(uint32_t *width, uint32_t *height)
{
    const char *env = std::getenv("PAGIMO_SCREEN");
    unsigned w = 0, h = 0;
    if (env && std::sscanf(env, "%ux%u", &w, &h) == 2 && w && h) {
        *width = w;
        *height = h;
        return;
    }
    QScreen *s = QGuiApplication::primaryScreen();
    QSize size = s ? s->size() : QSize(1920, 1200);
    *width = size.width();
    *height = size.height();
}

/* Ticks of 1/50 second, during which the windows still repaint. The
 * pauses let a real screen settle between drawings; the offscreen platform
 * of tests and unattended runs has nothing to wait for. */
void PlatformDelay(uint32_t ticks)
{
    if (QGuiApplication::platformName() == "offscreen")
        return;
    QThread::msleep(ticks * 20);
    PlatformProcessEvents();
}

void PlatformProcessEvents(void)
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

/* ------------------------------------------------------------ messages */

void PlatformPostMessage(int win, uint32_t cls, uint16_t value, uint16_t code, int32_t mx, int32_t my,
                         uint16_t qual)
{
    if (win < 0 || win >= PLATFORM_WINDOWS)
        return;
    windows[win].queue.push_back(GuiMessage{cls, value, code, mx, my, qual});
}

bool PlatformMessagePending(void)
{
    for (const WindowState &w : windows)
        if (!w.queue.empty())
            return true;
    return false;
}

/* Taking a message makes its pointer position the window's current one, as
 * if the pointer were read when the message is handled. */
bool PlatformTakeMessage(int win, GuiMessage *msg)
{
    if (win < 0 || win >= PLATFORM_WINDOWS || windows[win].queue.empty())
        return false;
    *msg = windows[win].queue.front();
    windows[win].queue.pop_front();
    windows[win].mx = msg->mx;
    windows[win].my = msg->my;
    windows[win].qual = msg->qual;
    menu_taken_pick = msg->cls == WMHI_MENUPICK ? msg->value : -1;
    return true;
}

void PlatformMousePos(int win, int32_t *x, int32_t *y)
{
    *x = windows[win].mx;
    *y = windows[win].my;
}

uint16_t PlatformMessageQualifier(int win)
{
    return win >= 0 && win < PLATFORM_WINDOWS ? windows[win].qual : 0;
}

void PlatformSetIdleHook(void (*hook)(void))
{
    idle_hook = hook;
}

/* True when a message waits, false when the break signal arrived. Before
 * blocking, an idle hook (tests) may post the next messages. */
bool PlatformWaitEvents(void)
{
    for (;;) {
        if (break_seen) {
            break_seen = false;
            return false;
        }
        if (PlatformMessagePending())
            return true;
        if (idle_hook) {
            /* A driven run never sleeps: the hook has the next input. */
            idle_hook();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            continue;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (BreakTake())
            break_seen = true;
    }
}

/* For loops of the program's own that run without the main loop (the PDF
 * job's pages): the break, whether its watch already noticed it while
 * events were processed or not yet. */
bool PlatformTakeBreak(void)
{
    bool seen = BreakTake() || break_seen;
    break_seen = false;
    return seen;
}

/* Tests raise the break signal without a real signal. */
void PlatformRaiseBreak(void)
{
    break_seen = true;
}
