/*
 * instance.cpp - the "PagimoScreen" socket (see instance.h).
 *
 * The socket lies in the per-user "T:" directory, which only its owner can
 * enter. A socket left behind by a crashed instance refuses connections; it
 * is then replaced.
 */
#include "platform/instance.h"
#include "platform/assign.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

static const char instance_name[] = "T:PagimoScreen";
static int instance_fd = -1;
static std::string instance_path;

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
        std::string line = project && *project ? std::string("open ") + project + "\n" : "front\n";
        (void)!write(fd, line.data(), line.size());
    }
    close(fd);
    return found;
}

/* ------------------------------------------------------------ first start */

bool InstanceClaim(void)
{
    struct sockaddr_un addr;
    if (!SocketAddress(addr, instance_path))
        return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    unlink(instance_path.c_str());
    if (bind(fd, (struct sockaddr *)&addr, sizeof(addr)) != 0 || listen(fd, 4) != 0) {
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

/* True when another start asked this instance to come to the front;
 * `project` then holds the project it named, or is empty. */
bool InstanceTakeRequest(char *project, size_t size)
{
    bool asked = false;
    for (;;) {
        int c = accept4(instance_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0)
            return asked;
        char buf[1100];
        struct timeval tv = {1, 0};
        setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
        ReadLine(c, buf, sizeof(buf));
        if (!std::strcmp(buf, "front")) {
            asked = true;
        } else if (!std::strncmp(buf, "open ", 5)) {
            asked = true;
            std::snprintf(project, size, "%s", buf + 5);
        }
        close(c);
    }
}

void InstanceRelease(void)
{
    if (instance_fd < 0)
        return;
    close(instance_fd);
    unlink(instance_path.c_str());
    instance_fd = -1;
}
