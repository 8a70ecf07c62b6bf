/*
 * system.cpp - the system checks of the start-up: the Qt libraries the
 * program runs on must be at least as new as those it was built with, and
 * the X server must answer before Qt is asked to open a window on it (Qt
 * aborts the program when it cannot). libxcb is loaded only for that test,
 * the library Qt's own X connection uses.
 */
#include "platform/system.h"

#include <dlfcn.h>

#include <QtGlobal>
#include <QVersionNumber>

bool SystemRecentEnough(void)
{
    QVersionNumber running = QVersionNumber::fromString(QString::fromLatin1(qVersion()));
    QVersionNumber built = QVersionNumber::fromString(QStringLiteral(QT_VERSION_STR));
    return QVersionNumber::compare(running, built) >= 0;
}

/* The probe's connection and library, kept until Qt holds its own: an X
 * server with no other client (Xvfb, say) resets when its last client
 * leaves, and Qt connecting during that reset fails as if there were no
 * display at all. */
static void *probe_lib;
static void *probe_conn;
static void (*probe_disconnect)(void *);

bool X11DisplayReachable(void)
{
    X11ProbeRelease();
    void *xcb = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!xcb)
        return true;
    auto connect = reinterpret_cast<void *(*)(const char *, int *)>(dlsym(xcb, "xcb_connect"));
    auto has_error = reinterpret_cast<int (*)(void *)>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<void (*)(void *)>(dlsym(xcb, "xcb_disconnect"));
    if (!connect || !has_error || !disconnect) {
        dlclose(xcb);
        return true;
    }
    void *c = connect(nullptr, nullptr); /* never null: a failed one reports its error */
    bool reachable = has_error(c) == 0;
    probe_lib = xcb, probe_conn = c, probe_disconnect = disconnect;
    if (!reachable)
        X11ProbeRelease();
    return reachable;
}

void X11ProbeRelease(void)
{
    if (probe_conn)
        probe_disconnect(probe_conn);
    if (probe_lib)
        dlclose(probe_lib);
    probe_lib = probe_conn = nullptr;
    probe_disconnect = nullptr;
}
