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

bool X11DisplayReachable(void)
{
    void *xcb = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!xcb)
        return true;
    auto connect = reinterpret_cast<void *(*)(const char *, int *)>(dlsym(xcb, "xcb_connect"));
    auto has_error = reinterpret_cast<int (*)(void *)>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<void (*)(void *)>(dlsym(xcb, "xcb_disconnect"));
    bool reachable = true;
    if (connect && has_error && disconnect) {
        void *c = connect(nullptr, nullptr); /* never null: a failed one reports its error */
        reachable = has_error(c) == 0;
        disconnect(c);
    }
    dlclose(xcb);
    return reachable;
}
