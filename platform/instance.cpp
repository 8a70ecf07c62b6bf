/*
 * instance.cpp - the "PagimoScreen" socket and its lock (see instance.h).
 *
 * Both lie in the per-user "T:" directory, which only its owner can enter.
 * Whoever holds the lock file (flock) is the instance; only the holder
 * binds the socket, so a socket left behind by a crashed instance is
 * replaced by the next holder and never by two starts at once. The kernel
 * drops the lock when its process ends, however it ends.
 */
#include "platform/instance.h"
#include "platform/assign.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

static const char instance_name[] = "T:PagimoScreen";
static const char lock_name[] = "T:PagimoScreen.lock";
static int instance_fd = -1;
static int lock_fd = -1;
static std::string instance_path;

/* How long a start waits for a running instance that holds the lock but
 * does not listen yet (it binds right after taking the lock). */
enum { INSTANCE_WAIT_MS = 10000, INSTANCE_POLL_MS = 10 };

/* How long a start waits for the instance to take its request. */
enum { INSTANCE_ANSWER_S = 5 };

static bool SocketAddress(struct sockaddr_un &addr, std::string &path)
{
    path = HostPath(instance_name);
    if (path.size() >= sizeof(addr.sun_path))
        return false;
    std::memset(&addr, 0, sizeof(addr));
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

/* ------------------------------------------------------------ second start */

/* The instance reads the whole line and closes the connection: an end of
 * file here. An instance that ends with the request still waiting resets
 * it instead, and then the request was lost. One too busy to read it in
 * INSTANCE_ANSWER_S has it queued and is trusted to take it. */
static bool RequestTaken(int fd)
{
    shutdown(fd, SHUT_WR);
    struct timeval tv = {INSTANCE_ANSWER_S, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    char c;
    ssize_t r;
    while ((r = recv(fd, &c, 1, 0)) < 0 && errno == EINTR) {
    }
    return r >= 0 || errno == EAGAIN || errno == EWOULDBLOCK;
}

/* The request is "front" or "open <path>", one line. */
bool InstanceAskToFront(const char *project)
{
    struct sockaddr_un addr;
    std::string path;
    if (!SocketAddress(addr, path))
        return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool found = connect(fd, (struct sockaddr *)&addr, sizeof(addr)) == 0;
    if (found) {
        /* An instance that is ending may close before the line is sent:
         * then none was found, and no SIGPIPE ends this start. */
        std::string line = project && *project ? std::string("open ") + project + "\n" : "front\n";
        found = send(fd, line.data(), line.size(), MSG_NOSIGNAL) == ssize_t(line.size());
    }
    if (found)
        found = RequestTaken(fd);
    close(fd);
    return found;
}

/* ------------------------------------------------------------ first start */

/* 1 when this process now holds the lock, 0 when another does, -1 when no
 * lock file can be had (then the socket alone decides, as it always did). */
static int TakeLock(void)
{
    if (lock_fd < 0) {
        std::string path = HostPath(lock_name);
        lock_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (lock_fd < 0)
            return -1;
    }
    if (flock(lock_fd, LOCK_EX | LOCK_NB) == 0)
        return 1;
    return errno == EWOULDBLOCK ? 0 : -1;
}

static void Pause(int ms)
{
    struct timespec ts = {0, long(ms) * 1000000L};
    nanosleep(&ts, nullptr);
}

/* Exactly one of several starts made at the same moment gets the lock and
 * becomes the instance; every other one hands its request over. A start
 * that finds the lock taken but nobody listening yet waits for the holder
 * to bind, or for the lock to come free when the holder is ending. */
int InstanceStart(const char *project)
{
    for (int waited = 0;; waited += INSTANCE_POLL_MS) {
        int lock = TakeLock();
        if (lock != 0) {
            if (lock < 0 && InstanceAskToFront(project))
                return INSTANCE_HANDED_OVER;
            InstanceClaim();
            return INSTANCE_FIRST;
        }
        if (InstanceAskToFront(project))
            return INSTANCE_HANDED_OVER;
        if (waited >= INSTANCE_WAIT_MS)
            return INSTANCE_NO_ANSWER;
        Pause(INSTANCE_POLL_MS);
    }
}

/* Binds the socket. Only the holder of the lock (or, without a lock file,
 * a start that found no instance) may replace a socket file. */
bool InstanceClaim(void)
{
    struct sockaddr_un addr;
    if (!SocketAddress(addr, instance_path))
        return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    unlink(instance_path.c_str());
    if (bind(fd, (struct sockaddr *)&addr, sizeof(addr)) != 0 || listen(fd, SOMAXCONN) != 0) {
        close(fd);
        return false;
    }
    instance_fd = fd;
    return true;
}

int InstanceFd(void)
{
    return instance_fd;
}

static size_t ReadLine(int fd, char *buf, size_t size)
{
    size_t n = 0;
    while (n + 1 < size) {
        ssize_t r = read(fd, buf + n, size - 1 - n);
        if (r <= 0)
            break;
        n += size_t(r);
        if (std::memchr(buf, '\n', n))
            break;
    }
    buf[n] = '\0';
    buf[std::strcspn(buf, "\n")] = '\0';
    return n;
}

/* Takes one waiting request; true when another start asked this instance
 * to come to the front. `project` then holds the project it named, or is
 * empty. Requests that are neither are dropped. */
bool InstanceTakeRequest(char *project, size_t size)
{
    for (;;) {
        int c = accept4(instance_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0)
            return false;
        char buf[1100];
        struct timeval tv = {1, 0};
        setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
        ReadLine(c, buf, sizeof(buf));
        close(c);
        project[0] = '\0';
        if (!std::strcmp(buf, "front"))
            return true;
        if (!std::strncmp(buf, "open ", 5)) {
            std::snprintf(project, size, "%s", buf + 5);
            return true;
        }
    }
}

/* Other starts stop finding this instance; the lock stays until
 * InstanceEnd, so none of them takes over the working area before it is
 * cleaned up. */
void InstanceRelease(void)
{
    if (instance_fd < 0)
        return;
    close(instance_fd);
    unlink(instance_path.c_str());
    instance_fd = -1;
}

/* The lock file stays: removing it could let two starts lock two files. */
void InstanceEnd(void)
{
    InstanceRelease();
    if (lock_fd >= 0)
        close(lock_fd);
    lock_fd = -1;
}
