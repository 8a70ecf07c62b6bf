/*
 * system.cpp - the system checks of the start-up: the Qt libraries the
 * program runs on must be at least as new as those it was built with, and
 * the display Qt will use must be there (and an X server must answer)
 * before Qt is asked to open a window on it: Qt aborts the program when it
 * cannot. libxcb is loaded only for that test, the library Qt's own X
 * connection uses.
 */
#include "platform/system.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <set>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/gui.h"

/* The window system, where the program has one, is as new as the one
 * it was built with. */
bool SystemRecentEnough(void)
{
    return PlatformRecentEnough();
}

/* ------------------------------------------------------------ the display */

static bool EnvSet(const char *var)
{
    const char *v = std::getenv(var);
    return v && *v;
}

/* Whether Qt finds a display for the platform it is asked to use.
 * Displayless platforms (offscreen, vnc, ...) always do. */
static bool DisplayNamed(void)
{
    bool x11 = EnvSet("DISPLAY"), wayland = EnvSet("WAYLAND_DISPLAY") || EnvSet("WAYLAND_SOCKET");
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform)
        return x11 || wayland;
    std::string all(platform);
    for (size_t start = 0; start <= all.size();) {
        size_t end = all.find(';', start);
        std::string name = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
        name = name.substr(0, name.find(':'));
        if ((name == "xcb" && x11) || (name.rfind("wayland", 0) == 0 && wayland) ||
            (name != "xcb" && name.rfind("wayland", 0) != 0 && !name.empty()))
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

/* Qt opens the X display itself when no Wayland display is named and no
 * other platform is asked for (a list of platforms lets Qt try the next). */
static bool X11Chosen(void)
{
    if (!EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY") || EnvSet("WAYLAND_SOCKET"))
        return false;
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform)
        return true;
    std::string name(platform);
    return name.substr(0, name.find(':')) == "xcb";
}

static bool X11DisplayReachable(void);

int CheckDisplay(void)
{
    if (!DisplayNamed())
        return DISPLAY_NONE;
    if (X11Chosen() && !X11DisplayReachable())
        return DISPLAY_UNREACHABLE;
    return DISPLAY_USABLE;
}

/* The probe's connection and library, kept until Qt holds its own: an X
 * server with no other client (Xvfb, say) resets when its last client
 * leaves, and Qt connecting during that reset fails as if there were no
 * display at all. */
static void *probe_lib;
static void *probe_conn;
static void (*probe_disconnect)(void *);

/* Whether the X server that DISPLAY names accepts a connection; true when
 * this cannot be found out here (no libxcb), so Qt decides. */
static bool X11DisplayReachable(void)
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

/* ------------------------------------------------------------ memory */

/* MemAvailable of /proc/meminfo (where it is missing, the free pages),
 * or less when the process may take less ("ulimit -d", "ulimit -v"). */
unsigned long long AvailableMemory(void)
{
    unsigned long long avail = 0;
    std::ifstream info("/proc/meminfo");
    for (std::string line; std::getline(info, line) && !avail;) {
        unsigned long long kb;
        if (std::sscanf(line.c_str(), "MemAvailable: %llu kB", &kb) == 1)
            avail = kb * 1024;
    }
    long pages = sysconf(_SC_AVPHYS_PAGES), size = sysconf(_SC_PAGESIZE);
    if (!avail && pages > 0 && size > 0)
        avail = (unsigned long long)pages * (unsigned long long)size;
    for (int resource : {RLIMIT_DATA, RLIMIT_AS}) {
        struct rlimit rl;
        if (getrlimit(resource, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY && rl.rlim_cur < avail)
            avail = rl.rlim_cur;
    }
    return avail;
}

/* ------------------------------------------------------------ the exit report */

/* "applications N" (window-system starts), "instance 0|1" (whether a Qt
 * application object exists now), then one line per shared library the
 * process has mapped, so that a test can tell a job that never touched the
 * window system from one that did. */
void WriteExitReport(void)
{
    const char *path = std::getenv("PAGIMO_EXIT_REPORT");
    if (!path || !*path)
        return;
    FILE *out = std::fopen(path, "w");
    if (!out)
        return;
    std::fprintf(out, "applications %d\ninstance %d\n", PlatformApplicationsMade(),
                 PlatformApplicationExists() ? 1 : 0);
    std::ifstream maps("/proc/self/maps");
    std::set<std::string> libs;
    for (std::string line; std::getline(maps, line);) {
        size_t slash = line.find('/');
        if (slash != std::string::npos && line.find(".so", slash) != std::string::npos)
            libs.insert(line.substr(slash));
    }
    for (const std::string &l : libs)
        std::fprintf(out, "library %s\n", l.c_str());
    std::fclose(out);
}
