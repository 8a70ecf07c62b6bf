/*
 * testutil.cpp - the shared test scaffolding (see testutil.h).
 */
#include "testutil.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/settings.h"
#include "core/startup.h"
#include "document/pagelist.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/fontinstall.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "view/geometry.h"

extern char **environ;

std::string MakeScratchDir(void)
{
    const char *base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/pagimo-test-XXXXXX";
    char *made = mkdtemp(tmpl.data());
    return made ? std::string(made) : std::string();
}

void ScratchTest::SetUp()
{
    scratch = MakeScratchDir();
    ASSERT_FALSE(scratch.empty());
    mkdir((scratch + "/T").c_str(), 0700);
    mkdir((scratch + "/fonts").c_str(), 0700);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("PAGIMO_SCREEN", "1920x1200", 0);
    setenv("PAGIMO_ASSIGN_T", (scratch + "/T").c_str(), 1);
    setenv("PAGIMO_ASSIGN_FONTS", (scratch + "/fonts").c_str(), 1);
    setenv("PAGIMO_ASSIGN_TBIMAGES", (scratch + "/tbimages").c_str(), 1);
    setenv("XDG_CACHE_HOME", (scratch + "/cache").c_str(), 1); /* the font cache, never the user's */
    AssignInit();
    AssignPath("PGT:", "T:");
    Debug = 0;
    PoolSetLimit(APMemPool = PoolCreate(), 0);
    std::memset(&PDaten, 0, sizeof(PDaten));
    InitLists();
}

void ScratchTest::TearDown()
{
    FreeLists(0);
    PoolDelete(APMemPool);
    APMemPool = nullptr;
    DeleteAll(scratch.c_str());
}

void ProgramScratchTest::SetUp()
{
    ScratchTest::SetUp();
    cwd = scratch + "/cwd";
    mkdir(cwd.c_str(), 0755);
    mkdir((scratch + "/tbimages").c_str(), 0755);
}

void ExportScratchTest::SetUp()
{
    ScratchTest::SetUp();
    PlatformGuiInit(0, nullptr);
    InstallFonts();
    LookforTTFonts();
    CreateProjectStructure();
    PdfBatch = true;
    RequesterSetPrint(false);
    RequesterScriptClear();
    RequesterLog.clear();
    xstart = 100, ystart = 50, xend = 695, yend = 892;
    PDaten.pageformat = 2;
    out = scratch + "/out.pdf";
}

void ExportScratchTest::TearDown()
{
    PdfBatch = false;
    ScratchTest::TearDown();
}

void JobProjectTest::SetUp()
{
    ScratchTest::SetUp();
    setenv("PAGIMO_ASSIGN_TBIMAGES", (ProgramDataDir() + "/tbimages").c_str(), 1);
    PlatformGuiInit(0, nullptr);
    InstallFonts();
    LookforTTFonts();
    CreateProjectStructure();
    RequesterScriptClear();
    RequesterLog.clear();
    PlatformScreenSize(&ScreenWidth, &ScreenHeight);
    PlacePage(ScreenWidth, ScreenHeight, 2);
    PDaten.pageformat = 2;
    PDaten.width = ScreenWidth, PDaten.height = ScreenHeight;
}

void MainLoopScratchTest::SetUp()
{
    ScratchTest::SetUp();
    PoolDelete(APMemPool); /* the program makes its own */
    APMemPool = nullptr;
    setenv("PAGIMO_ASSIGN_TBIMAGES", (ProgramDataDir() + "/tbimages").c_str(), 1);
    ASSERT_NE(getcwd(oldcwd, sizeof(oldcwd)), nullptr);
    ASSERT_EQ(chdir(scratch.c_str()), 0);
    RequesterScriptClear();
    RequesterLog.clear();
}

void MainLoopScratchTest::TearDown()
{
    PlatformSetIdleHook(nullptr);
    (void)!chdir(oldcwd);
    ScratchTest::TearDown();
}

bool MainLoopScratchTest::Run(std::vector<std::function<void()>> s, std::vector<std::string> args)
{
    steps = std::move(s);
    next_step = 0;
    PlatformSetIdleHook(RunNextStep);
    std::vector<std::string> argv = {"pagimo", "Debug=Off"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> av;
    for (auto &a : argv)
        av.push_back(a.data());
    EXPECT_EQ(PagimoMain(int(av.size()), av.data()), 0);
    return next_step == steps.size();
}

/* ------------------------------------------------------------ user actions */

void Press(int id, int code, int window)
{
    PlatformPostMessage(window, WMHI_GADGETUP, uint16_t(id), uint16_t(code), 0, 0);
}

void Choose(int id, int value)
{
    GadgetSetNumber(id, value);
    Press(id, value);
}

void Menu(int id)
{
    PlatformPostMessage(WIN_PROJECT, WMHI_MENUPICK, uint16_t(id), 0, 0, 0);
}

void Button(uint16_t code, int32_t x, int32_t y)
{
    PlatformPostMessage(WIN_PROJECT, WMHI_MOUSEBUTTONS, 0, code, x, y);
}

void MoveTo(int32_t x, int32_t y)
{
    PlatformPostMessage(WIN_PROJECT, WMHI_MOUSEMOVE, 0, 0, x, y);
}

void Drag(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    Button(SELECTDOWN, x1, y1);
    MoveTo((x1 + x2) / 2, (y1 + y2) / 2);
    MoveTo(x2, y2);
    Button(SELECTUP, x2, y2);
}

void Click(int32_t x, int32_t y)
{
    Button(SELECTDOWN, x, y);
    Button(SELECTUP, x, y);
}

std::vector<GElement *> Elements(uint32_t page)
{
    std::vector<GElement *> v;
    if (PageNode *pn = GetPageNode(page))
        for (Node *n = GetHead(&pn->page); n; n = GetSucc(n))
            v.push_back(reinterpret_cast<GElement *>(n));
    return v;
}

/* ------------------------------------------------------------ files */

void WriteTextFile(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadTextFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool HostExists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

GElement MakeElement(int type, int pri)
{
    GElement ge;
    std::memset(&ge, 0, sizeof(ge));
    ge.node.ln_Type = uint8_t(type);
    ge.node.ln_Pri = int8_t(pri);
    ge.apen = 1;
    return ge;
}

/* The built program and the directory of its data, from the test runner. */
std::string PagimoBinary(void)
{
    const char *bin = std::getenv("PAGIMO_BINARY");
    return bin ? std::string(bin) : std::string();
}

std::string ProgramDataDir(void)
{
    std::string bin = PagimoBinary();
    size_t slash = bin.rfind('/');
    return slash == std::string::npos ? std::string(".") : bin.substr(0, slash);
}

std::string Shell(const std::string &cmd)
{
    std::string out;
    FILE *p = popen((cmd + " 2>&1").c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof(buf), p)) > 0)
        out.append(buf, n);
    if (p)
        pclose(p);
    return out;
}

SmallDisk::SmallDisk(const std::string &folder, const std::string &options) : dir(folder)
{
    mkdir(dir.c_str(), 0755);
    mounted = mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (mounted)
        umount2(dir.c_str(), MNT_DETACH);
}

void SmallDisk::Fill(void)
{
    int fd = open((dir + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    char block[4096] = {};
    while (fd >= 0 && write(fd, block, sizeof(block)) > 0) {
    }
    close(fd);
}

pid_t StartPagimo(const std::vector<std::string> &args, const std::string &cwd, const std::string &out)
{
    std::vector<std::string> argv = {PagimoBinary()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> av;
    for (auto &a : argv)
        av.push_back(a.data());
    av.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
    pid_t pid = -1;
    if (posix_spawn(&pid, av[0], &fa, nullptr, av.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

std::vector<std::function<void()>> steps;
size_t next_step;

void RunNextStep(void)
{
    if (next_step < steps.size())
        steps[next_step++]();
    else
        PlatformRaiseBreak();
}
