/*
 * process.cpp - child processes (see process.h).
 *
 * The child's standard input is /dev/null; its output goes there too unless
 * RUN_KEEP_OUTPUT is given. With RUN_WAIT the call returns the exit code (128
 * plus the signal number for a killed child); otherwise 0 once it started.
 * -1 means the program could not be started. The child starts with
 * SIGPIPE at its default, whatever the program does with it.
 */
#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

/* Children started without waiting; reaped at the next start so that none
 * lingers as a zombie. */
static std::vector<pid_t> background;

static void ReapBackground(void)
{
    for (size_t i = 0; i < background.size();) {
        if (waitpid(background[i], nullptr, WNOHANG) != 0)
            background.erase(background.begin() + i);
        else
            i++;
    }
}

static int WaitChild(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

int RunCommand(const std::vector<std::string> &argv, int flags)
{
    ReapBackground();
    if (argv.empty())
        return -1;
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    if (!(flags & RUN_KEEP_OUTPUT)) {
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    }
    /* The program ignores SIGPIPE for itself (IgnoreBrokenPipes); an
     * ignored signal would stay ignored across exec. */
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &pipe);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    pid_t pid;
    int rc = posix_spawnp(&pid, args[0], &fa, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0)
        return -1;
    if (!(flags & RUN_WAIT)) {
        background.push_back(pid);
        return 0;
    }
    return WaitChild(pid);
}
