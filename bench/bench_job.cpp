/*
 * bench_job.cpp - how long the whole `pagimo --pdf` process takes for a
 * project of one page with one text line, beside the limit: the least
 * libharu program writing the same page with the same embedded font
 * (bench_job_limit), also as a process of its own. Each is started 20
 * times without a shell, in turn, after one untimed start that fills the
 * font cache. The figures are the median start of each: the time it took,
 * and the processor time it used (user and system), which other work on a
 * busy machine does not stretch; the last line compares processor times.
 * Prints the figures and their ratio; asserts nothing.
 */
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

#include "benchutil.h"
#include "core/settings.h"
#include "document/archive.h"
#include "document/pagelist.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/fontinstall.h"
#include "view/geometry.h"

extern char **environ;

static const int RUNS = 20, SIZE = 12, LEFT = 72, TOP = 100;
static const char Line[] = "Pagimo writes this line";

static bool MakeProject(const std::string &dir)
{
    PDaten.pageformat = 2;
    PlacePage(ScreenWidth, ScreenHeight, PDaten.pageformat);
    PDaten.width = ScreenWidth, PDaten.height = ScreenHeight;
    CreateProjectStructure();
    AddPageList(nullptr);
    GElement ge;
    std::memset(&ge, 0, sizeof(ge));
    ge.node.ln_Type = ge.node.ln_Pri = ET_TEXT;
    std::strcpy(ge.edata.td.text, Line);
    std::strcpy(ge.edata.td.fontname, "DejaVu Sans.font");
    ge.edata.td.size = SIZE;
    ge.edata.td.level = 1;
    ge.apen = 1;
    ge.ex = xstart + LEFT, ge.ey = ystart + TOP;
    ge.sx = ge.ex + 100, ge.sy = ge.ey - SIZE;
    AddGObject(1, &ge);
    std::strcpy(DataPath, dir.c_str());
    SetProjectName("one");
    return SaveProject(false) == 0;
}

/* One start of the program, in `dir`, without a shell; false when it
 * could not be started or did not end with 0. Its processor time goes to
 * *cpu when given. */
static bool Start(const std::vector<std::string> &args, const std::string &dir, double *cpu = nullptr)
{
    std::vector<char *> av;
    for (const std::string &a : args)
        av.push_back(const_cast<char *>(a.c_str()));
    av.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
    pid_t pid;
    int status = -1;
    struct rusage ru;
    bool ok = posix_spawn(&pid, av[0], &fa, nullptr, av.data(), environ) == 0 &&
              wait4(pid, &status, 0, &ru) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    posix_spawn_file_actions_destroy(&fa);
    if (cpu)
        *cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    return ok;
}

/* One start: its seconds and processor seconds; negative when it failed. */
static void Time(const std::vector<std::string> &args, const std::string &dir, std::vector<double> *wall,
                 std::vector<double> *cpu)
{
    double used = 0;
    auto t0 = std::chrono::steady_clock::now();
    bool ok = Start(args, dir, &used);
    wall->push_back(ok ? Seconds(t0) : -1);
    cpu->push_back(ok ? used : -1);
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() || v.front() < 0 ? -1 : v[v.size() / 2];
}

int main(int argc, char **argv)
{
    std::string dir = BenchSetUp(argc, argv);
    ScreenWidth = 1920, ScreenHeight = 1200;
    InstallFonts();
    LookforTTFonts();
    const char *ttf = BenchFont();
    if (!ttf)
        return 1;
    if (!MakeProject(dir)) {
        std::printf("the project could not be saved\n");
        return 1;
    }
    std::vector<std::string> job = {BenchBeside(argv[0], "pagimo"), "--pdf", dir + "/job.pdf", "one.pfz"};
    std::vector<std::string> limit = {BenchBeside(argv[0], "bench_job_limit"), dir + "/limit.pdf", HostPath(ttf),
                                      std::to_string(LEFT), std::to_string(842 - TOP), std::to_string(SIZE), Line};
    std::vector<double> jobwall, jobcpu, limitwall, limitcpu;
    bool started = Start(job, dir) && Start(limit, dir);
    for (int i = 0; started && i < RUNS; i++) {
        Time(job, dir, &jobwall, &jobcpu);
        Time(limit, dir, &limitwall, &limitcpu);
    }
    double jw = Median(jobwall), lw = Median(limitwall), j = Median(jobcpu), l = Median(limitcpu);
    std::printf("project: 1 page, 1 text line in DejaVu Sans; %d starts each, in turn, the median one\n", RUNS);
    if (!started || j < 0 || l < 0)
        std::printf("a start failed: job %s, limit %s\n", j < 0 ? "failed" : "ran", l < 0 ? "failed" : "ran");
    std::printf("time taken: job %.4f s, limit %.4f s, ratio %.2f\n", jw, lw, jw / lw);
    std::printf("processor time used:\n");
    std::printf("job 1 page: %.4f s, limit %.4f s, ratio %.2f\n", j, l, j / l);
    if (!std::getenv("BENCH_KEEP"))
        DeleteAll(dir.c_str());
    else
        std::printf("kept %s\n", dir.c_str());
    return j < 0 || l < 0 ? 1 : 0;
}
