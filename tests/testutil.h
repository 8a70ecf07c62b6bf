/*
 * testutil.h - what the tests share: a private scratch directory with every
 * assign pointed into it, a fresh memory pool and empty lists, and small
 * file helpers. No test touches the user's home or the real "T:".
 */
#ifndef PAGIMO_TESTS_TESTUTIL_H
#define PAGIMO_TESTS_TESTUTIL_H

#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

#include <gtest/gtest.h>

struct GElement;

class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string scratch;   /* host path of the test's own directory */
};

/* A scratch directory for running the built program: its current
 * directory `cwd` and an empty image set (tbimages:). */
class ProgramScratchTest : public ScratchTest {
protected:
    void SetUp() override;
    std::string cwd;
};

/* A scratch directory ready for a PDF export without a window: the fonts
 * found, the working area made, requesters answered from the script and
 * an A4 page rectangle; `out` is the PDF's host path. */
class ExportScratchTest : public ScratchTest {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string out;
};

/* A scratch directory holding a project as the job lays it out: fonts
 * found, the working area made, requesters answered from the script, and
 * the page where the page box of the test screen puts it (the window's and
 * the job's alike), so that a project saved here exports with `--pdf` as
 * it shows. */
class JobProjectTest : public ScratchTest {
protected:
    void SetUp() override;
};

/* A scratch directory for running the whole program in the test's own
 * process (the offscreen platform, the current directory the scratch):
 * Run starts it with the given steps (see RunNextStep) and tool types and
 * is true when every step ran before the loop ended. */
class MainLoopScratchTest : public ScratchTest {
protected:
    void SetUp() override;
    void TearDown() override;
    bool Run(std::vector<std::function<void()>> s, std::vector<std::string> args = {});
    char oldcwd[4096];
};

/* What a user does, posted to the main window as messages: a gadget
 * released (Press), a chooser or tab changed (Choose), a menu item, a
 * mouse button at a window position, the pointer moved there, a drag
 * (press, two moves, release) and a click. */
void Press(int id, int code = 0, int window = 0);
void Choose(int id, int value);
void Menu(int id);
void Button(uint16_t code, int32_t x, int32_t y);
void MoveTo(int32_t x, int32_t y);
void Drag(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void Click(int32_t x, int32_t y);
/* The elements of a page in list order. */
std::vector<GElement *> Elements(uint32_t page);

std::string MakeScratchDir(void);
void WriteTextFile(const std::string &path, const std::string &text);
std::string ReadTextFile(const std::string &path);
bool HostExists(const std::string &path);
GElement MakeElement(int type, int pri);
std::string PagimoBinary(void);
std::string ProgramDataDir(void);
/* The built program started in `cwd` with `args`, its standard output
 * into the file `out`; -1 when it could not be started. */
pid_t StartPagimo(const std::vector<std::string> &args, const std::string &cwd, const std::string &out);

/* Steps for the main loop's idle hook: RunNextStep runs the next one each
 * time the loop is idle and raises the break once all have run. */
extern std::vector<std::function<void()>> steps;
extern size_t next_step;
void RunNextStep(void);

/* What a shell command prints, standard error included. */
std::string Shell(const std::string &cmd);

/* A disk that fills up: a small file system of its own (tmpfs, with the
 * mount options given) on the folder `dir`, gone with the object. Mounting
 * needs root; where it is not permitted `mounted` is false. */
struct SmallDisk {
    SmallDisk(const std::string &dir, const std::string &options);
    ~SmallDisk();
    void Fill(void); /* takes every free byte */
    std::string dir;
    bool mounted;
};

#endif
