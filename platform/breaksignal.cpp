/*
 * breaksignal.cpp - the self-pipe behind the break signal (see breaksignal.h).
 *
 * The handler only writes one byte; everything else happens in the loop that
 * reads the pipe.
 */
#include "platform/breaksignal.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

static int break_pipe[2] = {-1, -1};

static void OnBreak(int)
{
    int saved = errno;
    char b = 1;
    (void)!write(break_pipe[1], &b, 1);
    errno = saved;
}

bool BreakInit(void)
{
    if (break_pipe[0] < 0 && pipe2(break_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa = {};
    sa.sa_handler = OnBreak;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    return true;
}

void IgnoreBrokenPipes(void)
{
    std::signal(SIGPIPE, SIG_IGN);
}

int BreakFd(void)
{
    return break_pipe[0];
}

/* True when a break arrived since the last call; consumes it. */
bool BreakTake(void)
{
    char buf[64];
    bool seen = false;
    while (break_pipe[0] >= 0 && read(break_pipe[0], buf, sizeof(buf)) > 0)
        seen = true;
    return seen;
}
