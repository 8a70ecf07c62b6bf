/*
 * test_instance.cpp - one instance per user: starts launched at the same
 * moment, of which exactly one must become the instance while every other
 * one hands its request over and ends with 0, and a start made while the
 * instance is ending or asking just as it is told to end.
 */
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/instance.h"
#include "testutil.h"

class Instance : public ProgramScratchTest {
protected:

    /* The program in `cwd`, its standard output into the file `out`. */
    pid_t Start(const std::string &out) { return StartPagimo({}, cwd, scratch + "/" + out); }

    /* The exit code, or -1 while the process still runs after `ms`. */
    static int ExitCode(pid_t pid, int ms)
    {
        for (int i = 0; i <= ms / 10; i++) {
            int status;
            if (waitpid(pid, &status, WNOHANG) == pid)
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

    static size_t Count(const std::string &text, const std::string &what)
    {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            n++;
        return n;
    }

    std::string Output(const std::string &out) { return ReadTextFile(scratch + "/" + out); }

};

/* Waits until at most one of the processes still runs (or `ms` passed);
 * the exit codes of those that ended land in `codes` (-1: running). */
static void WaitForOneLeft(const std::vector<pid_t> &pids, std::vector<int> &codes, int ms)
{
    codes.assign(pids.size(), -1);
    for (int t = 0; t <= ms; t += 10) {
        size_t left = 0;
        for (size_t i = 0; i < pids.size(); i++) {
            int status;
            if (codes[i] == -1 && waitpid(pids[i], &status, WNOHANG) == pids[i])
                codes[i] = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            left += codes[i] == -1;
        }
        if (left <= 1)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

/* Several rounds, since a race shows only now and then. */
TEST_F(Instance, StartsLaunchedTogetherMakeExactlyOneInstance)
{
    const int starts = 6;
    for (int round = 0; round < 3; round++) {
        std::vector<pid_t> pids;
        for (int i = 0; i < starts; i++)
            pids.push_back(Start("out" + std::to_string(i)));
        std::vector<int> codes;
        WaitForOneLeft(pids, codes, 30000);
        int running = -1, ended = 0;
        for (int i = 0; i < starts; i++) {
            if (codes[i] == 0)
                ended++;
            else if (codes[i] == -1)
                running = i;
        }
        EXPECT_EQ(ended, starts - 1) << "every other start handed over and ended with 0";
        if (ended != starts - 1 || running < 0) {
            for (size_t i = 0; i < pids.size(); i++)
                if (codes[i] == -1)
                    kill(pids[i], SIGKILL), waitpid(pids[i], nullptr, 0);
            FAIL() << "exactly one start must become the instance";
        }
        std::string first = "out" + std::to_string(running);
        for (int i = 0; i < 1000 && Count(Output(first), "another start asked") < size_t(starts - 1); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(Count(Output(first), "another start asked"), size_t(starts - 1))
            << "each of the others reached the instance";
        for (int i = 0; i < 1000 && !HostExists(scratch + "/T/PAG4/Texte"); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(HostExists(scratch + "/T/PAG4/Texte"));
        kill(pids[running], SIGINT);
        EXPECT_EQ(ExitCode(pids[running], 20000), 0);
        EXPECT_FALSE(HostExists(scratch + "/T/PAG4")) << "the one working area is removed";
        EXPECT_FALSE(HostExists(scratch + "/T/PagimoScreen"));
    }
}

/* A start made while the instance is shutting down must neither hand its
 * request to a closed socket and vanish, nor share the working area: it
 * waits until the old instance has gone and then runs on its own. */
TEST_F(Instance, StartDuringShutdownRunsAfterTheOldInstance)
{
    pid_t old = Start("old");
    /* Its working area made, the old instance is up and running. */
    for (int i = 0; i < 2000 && !HostExists(scratch + "/T/PAG4/Texte"); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(HostExists(scratch + "/T/PagimoScreen"));
    kill(old, SIGINT);
    pid_t next = Start("next");
    int old_rc = ExitCode(old, 20000);
    if (old_rc == -1)
        kill(old, SIGKILL), waitpid(old, nullptr, 0);
    EXPECT_EQ(old_rc, 0);
    /* The old area is gone with the old instance: a working area now is
     * the new start's, so no guess at how long a hand-over may take. */
    int rc = -1;
    for (int i = 0; i < 2000 && rc == -1 && !HostExists(scratch + "/T/PAG4/Texte"); i++)
        rc = ExitCode(next, 10);
    if (rc == 0) {
        /* It reached the old instance before that stopped listening. */
        EXPECT_NE(Output("old").find("another start asked"), std::string::npos);
    } else {
        EXPECT_EQ(rc, -1) << "the new start runs as the instance";
        for (int i = 0; i < 2000 && !HostExists(scratch + "/T/PAG4/Texte"); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(HostExists(scratch + "/T/PAG4/Texte")) << "its working area survives the old one's end";
        EXPECT_TRUE(HostExists(scratch + "/T/PagimoScreen"));
        kill(next, SIGINT);
        rc = ExitCode(next, 20000);
        EXPECT_EQ(rc, 0);
    }
    /* Only a process not yet reaped is killed: a reaped one's id may be
     * another process's by now. */
    if (rc == -1)
        kill(next, SIGKILL), waitpid(next, nullptr, 0);
}

static volatile sig_atomic_t pipe_signals;

static void CountPipeSignal(int)
{
    pipe_signals = pipe_signals + 1;
}

/* An instance that stops listening just as a start writes its request
 * (it is ending) must not end that start with SIGPIPE: the start finds no
 * instance and goes on. Many rounds, as the moment is narrow. */
TEST_F(Instance, AnInstanceGoingAwayNeverKillsTheAskingStart)
{
    struct sigaction count = {}, old = {};
    count.sa_handler = CountPipeSignal;
    sigaction(SIGPIPE, &count, &old);
    pipe_signals = 0;
    std::atomic<bool> stop{false};
    std::thread asker([&stop] {
        while (!stop)
            InstanceAskToFront("/somewhere/project.pfz");
    });
    for (int i = 0; i < 2000 && !pipe_signals; i++) {
        ASSERT_TRUE(InstanceClaim());
        InstanceRelease();
    }
    stop = true;
    asker.join();
    sigaction(SIGPIPE, &old, nullptr);
    EXPECT_EQ(pipe_signals, 0);
}

/* Waits until a start's connection is pending at the instance socket. */
static bool ConnectionPending(void)
{
    struct pollfd p = {InstanceFd(), POLLIN, 0};
    return poll(&p, 1, 20000) == 1;
}

/* A request counts as handed over only when the instance took it: one
 * that ends with the request still waiting has not, and the start must
 * go on rather than end with 0 and lose its project. */
TEST_F(Instance, ARequestCountsOnlyWhenTheInstanceTookIt)
{
    ASSERT_TRUE(InstanceClaim());
    bool handed = false;
    std::thread asker([&handed] { handed = InstanceAskToFront("/somewhere/taken.pfz"); });
    ASSERT_TRUE(ConnectionPending());
    char project[1100];
    for (int i = 0; i < 2000 && !InstanceTakeRequest(project, sizeof(project)); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    asker.join();
    EXPECT_STREQ(project, "/somewhere/taken.pfz");
    EXPECT_TRUE(handed);

    asker = std::thread([&handed] { handed = InstanceAskToFront("/somewhere/lost.pfz"); });
    ASSERT_TRUE(ConnectionPending());
    InstanceRelease();
    asker.join();
    EXPECT_FALSE(handed) << "the instance ended without taking the request";
}

/* An instance told to end takes no more requests, even one that waits for
 * it as the break arrives: answered by a window about to close, the start
 * would end with 0 and leave no window at all. Left unread, the request is
 * refused when the instance stops listening, and the start goes on. */
TEST_F(Instance, AnInstanceToldToEndTakesNoMoreRequests)
{
    pid_t old = Start("old");
    for (int i = 0; i < 2000 && !HostExists(scratch + "/T/PAG4/Texte"); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(HostExists(scratch + "/T/PagimoScreen"));
    /* Stopped, the instance sees the request and the break together. */
    kill(old, SIGSTOP);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof(addr.sun_path), "%s/T/PagimoScreen", scratch.c_str());
    ASSERT_EQ(connect(fd, (struct sockaddr *)&addr, sizeof(addr)), 0);
    ASSERT_EQ(send(fd, "front\n", 6, MSG_NOSIGNAL), 6);
    shutdown(fd, SHUT_WR);
    kill(old, SIGINT);
    kill(old, SIGCONT);
    struct timeval tv = {20, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    char c;
    ssize_t r = recv(fd, &c, 1, 0);
    int err = errno;
    close(fd);
    int rc = ExitCode(old, 20000);
    if (rc == -1)
        kill(old, SIGKILL), waitpid(old, nullptr, 0);
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(r < 0 && err == ECONNRESET) << "the ending instance took the request";
    EXPECT_EQ(Output("old").find("another start asked"), std::string::npos);
}
