/*
 * instance.cpp - the "PagimoScreen" socket (see instance.h).
 *
 * The socket lies in the per-user "T:" directory, which only its owner can
 * enter. A socket left behind by a crashed instance refuses connections; it
 * is then replaced.
 */
#include "platform/instance.h"
#include "platform/assign.h"

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

bool InstanceAskToFront(void)
{
    struct sockaddr_un addr;
    std::string path;
    if (!SocketAddress(addr, path))
        return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool found = connect(fd, (struct sockaddr *)&addr, sizeof(addr)) == 0;
    if (found)
        (void)!write(fd, "front\n", 6);
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

/* True when another start asked this instance to come to the front. */
bool InstanceTakeRequest(void)
{
    bool asked = false;
    for (;;) {
        int c = accept4(instance_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0)
            return asked;
        char buf[16] = {0};
        struct timeval tv = {1, 0};
        setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
        if (read(c, buf, sizeof(buf) - 1) > 0 && !std::strncmp(buf, "front", 5))
            asked = true;
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
