/*
 * bench_job.cpp - how long the whole `pagimo --pdf` process takes for a
 * project of one page with one text line, beside the limit: the least
 * libharu program writing the same page with the same embedded font
 * (bench_job_limit), also as a process of its own. Each is started 20
 * times without a shell, after one untimed start that fills the font cache
 * both may use; the figures are the mean of a start. Prints the figures
 * and their ratio; asserts nothing.
 */
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "benchutil.h"
#include "core/settings.h"
#include "document/archive.h"
#include "document/pagelist.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdffonts.h"
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
 * could not be started or did not end with 0. */
static bool Start(const std::vector<std::string> &args, const std::string &dir)
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
    bool ok = posix_spawn(&pid, av[0], &fa, nullptr, av.data(), environ) == 0 &&
              waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    posix_spawn_file_actions_destroy(&fa);
    return ok;
}

/* The mean seconds of a start, after one untimed start; negative when a
 * start failed. */
static double Time(const std::vector<std::string> &args, const std::string &dir)
{
    if (!Start(args, dir))
        return -1;
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < RUNS; i++)
        if (!Start(args, dir))
            return -1;
    return Seconds(t0) / RUNS;
}

int main(int argc, char **argv)
{
    std::string dir = BenchSetUp(argc, argv);
    ScreenWidth = 1920, ScreenHeight = 1200;
    InstallFonts();
    LookforTTFonts();
    int16_t disk = 0;
    const char *ttf = GetharuFont("DejaVu Sans", &disk);
    if (!ttf || disk != 1) {
        std::printf("DejaVu Sans is not installed\n");
        return 1;
    }
    if (!MakeProject(dir)) {
        std::printf("the project could not be saved\n");
        return 1;
    }
    std::vector<std::string> job = {BenchBeside(argv[0], "pagimo"), "--pdf", dir + "/job.pdf", "one.pfz"};
    std::vector<std::string> limit = {BenchBeside(argv[0], "bench_job_limit"), dir + "/limit.pdf", HostPath(ttf),
                                      std::to_string(LEFT), std::to_string(842 - TOP), std::to_string(SIZE), Line};
    double j = Time(job, dir), l = Time(limit, dir);
    std::printf("project: 1 page, 1 text line in DejaVu Sans; %d starts each, the mean of one\n", RUNS);
    if (j < 0 || l < 0)
        std::printf("a start failed: job %s, limit %s\n", j < 0 ? "failed" : "ran", l < 0 ? "failed" : "ran");
    std::printf("job 1 page: %.4f s, limit %.4f s, ratio %.2f\n", j, l, j / l);
    if (!std::getenv("BENCH_KEEP"))
        DeleteAll(dir.c_str());
    else
        std::printf("kept %s\n", dir.c_str());
    return j < 0 || l < 0 ? 1 : 0;
}
