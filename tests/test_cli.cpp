/*
 * test_cli.cpp - the program as a shell user meets it: the real binary with
 * its options, exit codes and both output streams; where the PDF job writes
 * (never over the project, through links, not over write-protected files,
 * nothing lost on failure); paths too long for their fields; and the job's
 * PDF against the window's "Create PDF" of the same project.
 */
#include <algorithm>
#include <csignal>
#include <cstring>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "testutil.h"

#include "core/settings.h"
#include "core/startup.h"
#include "document/archive.h"
#include "document/pagelist.h"
#include "gui/layouts.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/fontinstall.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "text/utilities.h"
#include "view/geometry.h"

struct Ran {
    std::string out, err;
    int rc;
};

class Cli : public JobProjectTest {
protected:
    /* The binary in the scratch directory; `env` goes before it. */
    Ran Pagimo(const std::string &args, const std::string &env = "")
    {
        std::string o = scratch + "/.stdout", e = scratch + "/.stderr";
        std::string cmd = "cd '" + scratch + "' && " + env + " timeout 60 '" + PagimoBinary() + "' " + args +
                          " >'" + o + "' 2>'" + e + "'";
        int st = std::system(cmd.c_str());
        Ran r{ReadTextFile(o), ReadTextFile(e), WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st)};
        unlink(o.c_str());
        unlink(e.c_str());
        return r;
    }

    GElement *Text(uint32_t page, int type, const char *text, uint32_t x, uint32_t y, uint8_t level = 1,
                   const char *font = "DejaVu Sans")
    {
        GElement ge = MakeElement(type, type);
        std::strcpy(ge.edata.td.text, text);
        std::snprintf(ge.edata.td.fontname, 81, "%s.font", font);
        ge.edata.td.size = 12;
        ge.edata.td.level = level;
        ge.ex = xstart + x, ge.ey = ystart + y;
        ge.sx = ge.ex + 60, ge.sy = ge.ey - 12;
        return AddGObject(page, &ge);
    }

    /* A textbox in DejaVu Sans 12 showing the text file `fn`. */
    GElement *Textbox(uint32_t page, const char *fn, uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2)
    {
        GElement tb = MakeElement(ET_TEXTBOX, 0);
        tb.sx = xstart + x1, tb.sy = ystart + y1, tb.ex = xstart + x2, tb.ey = ystart + y2;
        std::strcpy(tb.edata.tbd.fn, fn);
        std::strcpy(tb.edata.tbd.fontname, "DejaVu Sans.font");
        tb.edata.tbd.size = 12;
        return AddGObject(page, &tb);
    }

    /* Saves the project in memory as DRAWER/NAME.pfz and empties it. */
    void Save(const std::string &drawer, const char *name)
    {
        ASSERT_LT(drawer.size(), sizeof(DataPath));
        std::strcpy(DataPath, drawer.c_str());
        SetProjectName(name);
        ASSERT_EQ(SaveProject(false), 0u);
        FreeLists(0);
        PDaten.count = 0;
    }

    void OnePageProject(const char *text)
    {
        AddPageList(nullptr);
        Text(1, ET_TEXT, text, 40, 40);
    }
};

static bool IsPdf(const std::string &path)
{
    return ReadTextFile(path).rfind("%PDF-", 0) == 0;
}

/* The number of compressed streams of a PDF, -1 when one does not inflate
 * whole, its checksum included: qpdf and poppler pass over a wrong one. */
static int SoundStreams(const std::string &path)
{
    std::string pdf = ReadTextFile(path), out(1 << 16, '\0');
    int n = 0;
    for (size_t at = 0; (at = pdf.find("/FlateDecode", at)) != std::string::npos; at++, n++) {
        size_t data = pdf.find("stream\r\n", at);
        z_stream z{};
        if (data == std::string::npos || inflateInit(&z) != Z_OK)
            return -1;
        z.next_in = reinterpret_cast<Bytef *>(&pdf[data + 8]);
        z.avail_in = uInt(pdf.size() - data - 8);
        int rc;
        do {
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = uInt(out.size());
        } while ((rc = inflate(&z, Z_NO_FLUSH)) == Z_OK);
        inflateEnd(&z);
        if (rc != Z_STREAM_END)
            return -1;
    }
    return n;
}

/* Hidden files in a directory: what a temporary file would be left as. */
static int Leftovers(const std::string &dir)
{
    std::vector<DirEntry> entries;
    ListDirectory(dir.c_str(), entries);
    int n = 0;
    for (const DirEntry &e : entries)
        n += e.name[0] == '.';
    return n;
}

TEST_F(Cli, OptionsAndAQuietJob)
{
    OnePageProject("Quiet");
    Save(scratch, "job");

    Ran r = Pagimo("--help");
    EXPECT_EQ(r.rc, 0);
    EXPECT_NE(r.out.find("Usage: pagimo"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--pdf OUT.pdf PROJECT.pfz"), std::string::npos);
    EXPECT_EQ(r.err, "");
    r = Pagimo("--version");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.out, "Pagimo V1.00 (06.12.2026)\n");
    r = Pagimo("--frobnicate");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("unknown option --frobnicate"), std::string::npos) << r.err;

    /* The job starts nothing of the window system: no application object,
     * hence no widget either. */
    std::string report = scratch + "/exit-report";
    r = Pagimo("--pdf quiet.pdf job.pfz", "PAGIMO_EXIT_REPORT='" + report + "'");
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out, "") << "nothing on success";
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(IsPdf(scratch + "/quiet.pdf"));
    std::string used = ReadTextFile(report);
    EXPECT_EQ(used.rfind("applications 0\ninstance 0\n", 0), 0u) << used;
    EXPECT_NE(used.find("libhpdf"), std::string::npos) << "the report names the libraries: " << used;
    EXPECT_EQ(used.find("libQt6Widgets"), std::string::npos) << "nor are Qt's widgets or graphics loaded: " << used;
    EXPECT_EQ(used.find("libQt6Gui"), std::string::npos) << used;
    r = Pagimo("Debug=On --pdf quiet.pdf job.pfz");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.out, "") << "traces go to standard error";
    EXPECT_NE(r.err.find("-> ExportProject(quiet.pdf)"), std::string::npos) << r.err;

    /* A reader that stops early (head, a pager) ends no job by a signal,
     * and nothing of the job stays behind. */
    std::string rcfile = scratch + "/piped.rc";
    std::system(("cd '" + scratch + "' && { timeout 60 '" + PagimoBinary() +
                 "' Debug=On --pdf piped.pdf job.pfz 2>&1; echo $? >'" + rcfile + "'; } | head -c 1 >/dev/null")
                    .c_str());
    EXPECT_EQ(ReadTextFile(rcfile), "0\n");
    EXPECT_TRUE(IsPdf(scratch + "/piped.pdf"));
    EXPECT_EQ(Leftovers(scratch), 0) << "no temporary PDF";
    EXPECT_EQ(Shell("ls -A '" + scratch + "/T' | grep job-"), "") << "no working area of the job";

    /* The working area of a running window survives every failed job. */
    CreateDirTree((scratch + "/T/PAG4/Bilder").c_str());
    WriteTextFile(scratch + "/T/PAG4/Bilder/keep.png", "in use");
    r = Pagimo("--pdf quiet.pdf");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("Usage: pagimo"), std::string::npos);
    r = Pagimo("--pdf two.pdf job.pfz job.pfz");
    EXPECT_EQ(r.rc, 1) << "one project a job: which of two would be a guess";
    EXPECT_NE(r.err.find("--pdf exports one project; 2 were named"), std::string::npos) << r.err;
    EXPECT_FALSE(HostExists(scratch + "/two.pdf"));
    r = Pagimo("--pdf quiet.pdf job.pfz DataPath=" + std::string(300, 'd'));
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(ReadTextFile(scratch + "/T/PAG4/Bilder/keep.png"), "in use");
    r = Pagimo("--pdf x.pdf job.pfz", "PAGIMO_ASSIGN_TBIMAGES=/no/such/set");
    EXPECT_EQ(r.rc, 1) << "a job that cannot run has failed";
    EXPECT_EQ(r.err, "Pagimo needs AISS! Sorry!\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(Cli, WindowWithoutADisplayEndsWithOneLine)
{
    for (const char *platform : {"", "xcb", "wayland;xcb"}) {
        Ran r = Pagimo("", std::string("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM='") + platform + "'");
        EXPECT_EQ(r.rc, 1) << platform;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("pagimo: no display"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_TRUE(HostExists(scratch + "/T/PAG4/Bilder")) << "nothing was set up or taken down";

    /* A display that is named but cannot be reached is no display either:
     * one line and 1, not Qt's abort, and no instance socket left behind. */
    for (const char *platform : {"", "xcb"}) {
        Ran r = Pagimo("", std::string("env -u WAYLAND_DISPLAY DISPLAY=:7391 QT_QPA_PLATFORM='") + platform + "'");
        EXPECT_EQ(r.rc, 1) << platform;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("pagimo: the display :7391 cannot be opened"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(HostExists(scratch + "/T/PagimoScreen"));
    }

    /* Whatever else keeps Qt from starting (here a platform it lacks) is
     * caught as it fails: one line and 1, and again no socket left. */
    Ran r = Pagimo("Debug=Off", "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=nosuch");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "pagimo: the window cannot be opened: no display could be reached\n");
    EXPECT_FALSE(HostExists(scratch + "/T/PagimoScreen"));
}

TEST_F(Cli, JobErrorsNameTheProjectThePageAndTheFile)
{
    AddPageList(nullptr);
    AddPageList(nullptr);
    Text(1, ET_TEXT, "Fine", 40, 40);
    GElement pic = MakeElement(ET_PICTURE, ET_PICTURE);
    std::strcpy(pic.edata.pd.fn, "PGT:PAG4/Bilder/gone.png");
    pic.sx = xstart + 10, pic.sy = ystart + 10, pic.ex = xstart + 20, pic.ey = ystart + 20;
    AddGObject(2, &pic);
    Save(scratch, "pictures");
    AddPageList(nullptr);
    Text(1, ET_TEXT, "Lost", 40, 40, 1, "No Such Font");
    Save(scratch, "fonts");

    WriteTextFile(scratch + "/out.pdf", "the previous PDF");
    Ran r = Pagimo("--pdf out.pdf pictures.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "pagimo: " + scratch + "/pictures.pfz, page 2: The file gone.png could not be read or written.\n");
    EXPECT_EQ(ReadTextFile(scratch + "/out.pdf"), "the previous PDF") << "a failed export keeps the old file";
    EXPECT_EQ(Leftovers(scratch), 0);

    r = Pagimo("--pdf out.pdf fonts.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "pagimo: " + scratch + "/fonts.pfz, page 1: The font No Such Font was not found.\n");
    EXPECT_EQ(ReadTextFile(scratch + "/out.pdf"), "the previous PDF");

    WriteTextFile(scratch + "/broken.pfz", "garbage");
    r = Pagimo("--pdf out.pdf broken.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("pagimo: The project could not be opened.\n" + scratch + "/broken.pfz"), std::string::npos)
        << r.err;
}

/* A job told to stop (SIGTERM, or the SIGINT of Ctrl-C) stops before the
 * next page with 1 and leaves no PDF, temporary file or working area. */
TEST_F(Cli, AJobToldToStopEndsWithoutLeavingFiles)
{
    AddPageList(nullptr);
    AddPageList(nullptr);
    Text(1, ET_TEXT, "First", 40, 40);
    Text(2, ET_TEXT, "Second", 40, 40);
    Save(scratch, "stopped");
    /* The font checker, run for the first page, tells the job to stop. */
    std::string bin = scratch + "/bin";
    mkdir(bin.c_str(), 0755);
    WriteTextFile(bin + "/ots-sanitize", "#!/bin/sh\nkill -TERM $PPID\ncp \"$1\" \"$2\"\n");
    chmod((bin + "/ots-sanitize").c_str(), 0755);
    Ran r = Pagimo("--pdf stopped.pdf stopped.pfz", "PATH='" + bin + ":" + std::getenv("PATH") + "'");
    EXPECT_EQ(r.rc, 1) << r.err;
    EXPECT_NE(r.err.find("stopped.pfz, page 2: The export was stopped"), std::string::npos) << r.err;
    EXPECT_FALSE(HostExists(scratch + "/stopped.pdf"));
    EXPECT_EQ(Leftovers(scratch), 0);
    EXPECT_EQ(Shell("ls -d '" + scratch + "'/T/job-* 2>/dev/null | wc -l"), "0\n") << "the job's area is gone";

    /* Ctrl-C reaches the font checker too, which then dies without a
     * verdict: the job was stopped, the font is not to blame. The checker
     * runs only for a font the cache lacks. */
    DeleteAll((scratch + "/cache").c_str());
    WriteTextFile(bin + "/ots-sanitize", "#!/bin/sh\nkill -INT $PPID\nkill -INT $$\n");
    r = Pagimo("--pdf stopped.pdf stopped.pfz", "PATH='" + bin + ":" + std::getenv("PATH") + "'");
    EXPECT_EQ(r.rc, 1) << r.err;
    EXPECT_NE(r.err.find("stopped.pfz, page 1: The export was stopped"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Unsupported"), std::string::npos) << r.err;
    EXPECT_FALSE(HostExists(scratch + "/stopped.pdf"));
    EXPECT_EQ(Leftovers(scratch), 0);
}

TEST_F(Cli, JobTargetsAreReplacedOnlyWhenSafe)
{
    OnePageProject("Target");
    Save(scratch, "job");
    std::string project = ReadTextFile(scratch + "/job.pfz");

    Ran r = Pagimo("--pdf job.pfz job.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(ReadTextFile(scratch + "/job.pfz"), project) << "the project is never replaced by its PDF";
    EXPECT_NE(r.err.find("would replace the project itself"), std::string::npos) << r.err;
    symlink("job.pfz", (scratch + "/alias.pdf").c_str());
    r = Pagimo("--pdf alias.pdf job.pfz");
    EXPECT_EQ(r.rc, 1) << "not through a link either";
    EXPECT_EQ(ReadTextFile(scratch + "/job.pfz"), project);

    mkdir((scratch + "/real").c_str(), 0755);
    WriteTextFile(scratch + "/real/target.pdf", "old");
    chmod((scratch + "/real/target.pdf").c_str(), 0640);
    symlink("real/target.pdf", (scratch + "/link.pdf").c_str());
    r = Pagimo("--pdf link.pdf job.pfz");
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(FileKindOf((scratch + "/link.pdf").c_str()), FK_LINK) << "the link stays a link";
    EXPECT_TRUE(IsPdf(scratch + "/real/target.pdf")) << "and the file it names is written";
    struct stat st;
    stat((scratch + "/real/target.pdf").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";
    EXPECT_EQ(Leftovers(scratch + "/real"), 0);

    WriteTextFile(scratch + "/ro.pdf", "read only");
    chmod((scratch + "/ro.pdf").c_str(), 0444);
    r = Pagimo("--pdf ro.pdf job.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(ReadTextFile(scratch + "/ro.pdf"), "read only");
    EXPECT_EQ(r.err, "pagimo: " + scratch + "/job.pfz: The file ro.pdf is write-protected; it was not replaced.\n");
    EXPECT_EQ(Leftovers(scratch), 0);
}

/* A folder whose path, with a slash, exceeds 255 characters; its first 255
 * characters name another folder, which is made too: the decoy. */
static std::string LongFolder(const std::string &base, std::string *decoy)
{
    std::string dir = base + "/" + std::string(120, 'a') + "/" + std::string(200, 'b');
    *decoy = (dir + "/").substr(0, 255);
    CreateDirTree(dir.c_str());
    CreateDirTree(decoy->c_str());
    return dir;
}

TEST_F(Cli, PathsTooLongForTheirFieldsAreRefusedNotCut)
{
    std::string decoy, deep = LongFolder(scratch, &decoy);
    std::string real = deep + "/x.pfz";
    OnePageProject("Real");
    Save(scratch, "real");
    std::rename((scratch + "/real.pfz").c_str(), real.c_str());
    OnePageProject("Decoy");
    Save(decoy, "x");
    OnePageProject("Job");
    Save(scratch, "job");

    Ran r = Pagimo("--pdf out.pdf '" + real + "'");
    EXPECT_EQ(r.rc, 1);
    EXPECT_FALSE(HostExists(scratch + "/out.pdf")) << "the decoy is not exported";
    EXPECT_NE(r.err.find("is too long"), std::string::npos) << r.err;
    r = Pagimo("--pdf out.pdf job.pfz 'DataPath=" + deep + "'");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "pagimo: The path " + deep + " is too long.\n");

    /* Save as into the deep folder: refused, asked again, cancelled. */
    OnePageProject("Saved");
    std::strcpy(DataPath, scratch.c_str());
    RequesterScriptAdd((deep + "/new.pfz").c_str());
    RequesterScriptAdd("0");
    RequesterScriptAdd("");
    EXPECT_EQ(SaveProject(true), 9u);
    EXPECT_FALSE(HostExists(decoy + "/new.pfz")) << "nothing lands in the shorter folder";
    ASSERT_GE(RequesterLog.size(), 2u);
    EXPECT_EQ(RequesterLog[1], "Hint|The path " + deep + "/new.pfz is too long.|Okay");
    EXPECT_STREQ(DataPath, scratch.c_str());

    /* Create PDF into it. */
    RequesterLog.clear();
    RequesterScriptClear();
    PdfBatch = true;
    RequesterScriptAdd((deep + "/out.pdf").c_str());
    RequesterScriptAdd("0");
    EXPECT_FALSE(CreateProject(xstart, ystart, xend, yend, nullptr, nullptr));
    PdfBatch = false;
    EXPECT_FALSE(HostExists(deep + "/out.pdf"));
    ASSERT_EQ(RequesterLog.size(), 2u);
    EXPECT_EQ(RequesterLog[1], "Hint|The path " + deep + "/out.pdf is too long.|Okay");
}

/* ------------------------------------------------------------ job and window */

/* Every word of a PDF with its box; times of day (which may pass a minute
 * between two exports) stand as "TIME". */
static std::vector<std::string> Boxes(const std::string &pdf)
{
    std::string html = Shell("pdftotext -bbox '" + pdf + "' -");
    std::regex word("<word (xMin=\"[^>]*)>([^<]*)</word>");
    std::vector<std::string> out;
    for (std::sregex_iterator it(html.begin(), html.end(), word), end; it != end; ++it) {
        std::string text = (*it)[2];
        out.push_back(std::string((*it)[1]) + " " + (std::regex_match(text, std::regex("[0-9]{2}:[0-9]{2}")) ? "TIME" : text));
    }
    return out;
}

class JobAndWindow : public Cli {
protected:
    void TearDown() override
    {
        PlatformSetIdleHook(nullptr);
        Cli::TearDown();
    }
    /* The real start-up and main loop with a project named on the command
     * line; each step runs when the loop is idle, then the break ends it. */
    bool RunWindow(std::vector<std::function<void()>> s, const std::string &project)
    {
        PoolDelete(APMemPool);
        APMemPool = nullptr;
        steps = std::move(s);
        next_step = 0;
        PlatformSetIdleHook(RunNextStep);
        char oldcwd[4096];
        getcwd(oldcwd, sizeof(oldcwd));
        chdir(scratch.c_str());
        std::vector<std::string> argv = {"pagimo", "Debug=Off", project};
        std::vector<char *> av;
        for (auto &a : argv)
            av.push_back(a.data());
        EXPECT_EQ(PagimoMain(int(av.size()), av.data()), 0);
        chdir(oldcwd);
        return next_step == steps.size();
    }
};

TEST_F(JobAndWindow, TheJobWritesThePdfTheWindowCreates)
{
    AddPageList(nullptr);
    AddPageList(nullptr);
    /* In file order the lower headline comes first; the outline goes by the page. */
    Text(1, ET_TEXT, "Beta", 72, 300, 2);
    Text(1, ET_TEXT, "Alpha", 72, 100, 2);
    Text(1, ET_TEXT, "Detail", 90, 150, 3);
    Text(1, ET_DATE, "01-Jan-2000", 300, 500);
    Text(1, ET_TIME, "00:00", 300, 520);
    Text(2, ET_PAGENO, "999", 500, 800);
    Text(2, ET_TEXT, "Gamma", 72, 100, 2);
    PDaten.maxlevel = 2;
    Save(scratch, "Handbook");
    std::string window = scratch + "/window.pdf";
    EXPECT_TRUE(RunWindow({[window] {
                               RequesterScriptAdd(window.c_str());
                               PlatformPostMessage(WIN_PROJECT, WMHI_GADGETUP, GID_PDF, 0, 0, 0);
                           }},
                          scratch + "/Handbook.pfz"));
    ASSERT_TRUE(IsPdf(window));
    char today[81];
    ActualDate(DATE_TEXT, today, sizeof(today));
    Ran r = Pagimo("--pdf job.pdf Handbook.pfz");
    ASSERT_EQ(r.rc, 0) << r.err;
    std::string job = scratch + "/job.pdf";

    std::string outline = Shell("qpdf --json --json-key=outlines '" + job + "'");
    EXPECT_NE(outline.find("\"title\": \"Handbook\""), std::string::npos) << "the project is the root\n" << outline;
    EXPECT_TRUE(std::regex_search(outline, std::regex("\"Alpha\"[\\s\\S]*\"Beta\"[\\s\\S]*\"Gamma\"")))
        << "headlines from the top of each page\n" << outline;
    EXPECT_EQ(outline, Shell("qpdf --json --json-key=outlines '" + window + "'"));
    std::vector<std::string> boxes = Boxes(job);
    EXPECT_EQ(boxes, Boxes(window));
    /* Both put the words where the project has them on its page: a 12-point
     * line 100 points from the top, 72 from the left. */
    std::smatch alpha;
    std::string bbox = Shell("pdftotext -bbox '" + job + "' -");
    ASSERT_TRUE(std::regex_search(bbox, alpha, std::regex("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>Alpha<")))
        << bbox;
    EXPECT_NEAR(std::stod(alpha[1]), 72.0, 0.01);
    EXPECT_NEAR(std::stod(alpha[2]), 100.0 - 12 * 0.8, 0.5) << "the baseline lies 100 points down";

    std::string text = Shell("pdftotext '" + job + "' -");
    EXPECT_NE(text.find(today), std::string::npos) << "the date of the export\n" << text;
    EXPECT_EQ(text.find("01-Jan-2000"), std::string::npos);
    char now[81];
    ActualDate(TIME_TEXT, now, sizeof(now));
    if (std::strcmp(now, "00:00") != 0) {
        EXPECT_EQ(text.find("00:00"), std::string::npos) << "the time of the export";
    }
    EXPECT_EQ(text.find("999"), std::string::npos) << "the page number of its page";
    EXPECT_EQ(Shell("pdftotext '" + window + "' -").find("01-Jan-2000"), std::string::npos)
        << "a page the window has not drawn shows the moment of export too";
}

/* A full disk stops the job and the window's export with a message that
 * names the file and says why, for the PDF beside its target and for the
 * project unpacked into the job's working area; nothing is left. */
TEST_F(JobAndWindow, AFullDiskIsNamedByTheJobAndTheWindow)
{
    SmallDisk disk(scratch + "/disk", "size=256k"), inodes(scratch + "/inodes", "size=256k,nr_inodes=2");
    if (!disk.mounted || !inodes.mounted)
        GTEST_SKIP() << "mounting a small file system is not permitted here";
    OnePageProject("Full");
    Save(scratch, "full");
    mkdir((disk.dir + "/T").c_str(), 0700);
    WriteTextFile(disk.dir + "/out.pdf", "the previous PDF");
    disk.Fill();

    Ran r = Pagimo("--pdf disk/out.pdf full.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "pagimo: " + scratch + "/full.pfz: The disk is full: disk/out.pdf could not be written.\n");
    EXPECT_EQ(ReadTextFile(disk.dir + "/out.pdf"), "the previous PDF");
    EXPECT_EQ(Leftovers(disk.dir), 0);
    /* No room even for the empty file beside the target. */
    WriteTextFile(inodes.dir + "/out.pdf", "the previous PDF");
    r = Pagimo("--pdf inodes/out.pdf full.pfz");
    EXPECT_EQ(r.err, "pagimo: " + scratch + "/full.pfz: The disk is full: inodes/out.pdf could not be written.\n");
    EXPECT_EQ(ReadTextFile(inodes.dir + "/out.pdf"), "the previous PDF");

    r = Pagimo("--pdf out.pdf full.pfz", "PAGIMO_ASSIGN_T='" + disk.dir + "/T'");
    EXPECT_EQ(r.rc, 1);
    std::string opened = "pagimo: The project could not be opened.\n" + scratch + "/full.pfz\nThe disk is full: " +
                         disk.dir + "/T/job-";
    EXPECT_EQ(r.err.rfind(opened, 0), 0u) << r.err;
    EXPECT_NE(r.err.find("/PAG4/Elemente.pff could not be written.\n", opened.size()), std::string::npos) << r.err;
    EXPECT_EQ(Shell("ls -A '" + disk.dir + "/T'"), "") << "the job's working area is gone";

    std::string pdf = disk.dir + "/window.pdf";
    EXPECT_TRUE(RunWindow({[pdf] {
                               RequesterScriptAdd(pdf.c_str());
                               PlatformPostMessage(WIN_PROJECT, WMHI_GADGETUP, GID_PDF, 0, 0, 0);
                           }},
                          scratch + "/full.pfz"));
    std::string shown = "Hint|The disk is full: " + pdf + " could not be written.|Okay";
    EXPECT_NE(std::find(RequesterLog.begin(), RequesterLog.end(), shown), RequesterLog.end())
        << RequesterLog.back();
    EXPECT_FALSE(HostExists(pdf));
    EXPECT_EQ(Leftovers(disk.dir), 0);
}

/* The job's working area and the PDF beside its target, left by a job
 * killed with SIGKILL, are removed by the next start; those of jobs still
 * running are not, even in the same folder. The jobs wait in a font
 * checker that hangs; it outlives the killed job without keeping its files. */
TEST_F(JobAndWindow, WhatAKilledJobLeftIsRemovedByTheNextStartOnly)
{
    OnePageProject("Killed");
    Save(scratch, "killed");
    std::string bin = scratch + "/bin", path = std::getenv("PATH");
    mkdir(bin.c_str(), 0755);
    WriteTextFile(bin + "/ots-sanitize", "#!/bin/sh\necho $$ >>'" + scratch + "/waiting'\nexec sleep 60\n");
    chmod((bin + "/ots-sanitize").c_str(), 0755);
    auto lines = [](const std::string &text) { return size_t(std::count(text.begin(), text.end(), '\n')); };
    auto waiting = [&](size_t jobs) { /* until so many checkers wait, for a minute at most */
        for (int i = 0; i < 6000 && lines(ReadTextFile(scratch + "/waiting")) < jobs; i++)
            usleep(10000);
        return ReadTextFile(scratch + "/waiting");
    };
    auto areas = [&] { return Shell("ls -A '" + scratch + "/T' | grep '^job-'"); };
    auto temps = [&] { return Shell("ls -A '" + scratch + "' | grep '^\\.pagimo-pdf-'"); };
    setenv("PATH", (bin + ":" + path).c_str(), 1);
    pid_t first = StartPagimo({"--pdf", "a.pdf", "killed.pfz"}, scratch, scratch + "/a.out");
    waiting(1);
    std::string area = areas(), temp = temps();
    EXPECT_EQ(lines(area), 1u) << area;
    EXPECT_EQ(lines(temp), 1u) << temp;
    kill(first, SIGKILL);
    waitpid(first, nullptr, 0);
    EXPECT_EQ(areas(), area) << "nothing removes them as the job dies";
    EXPECT_EQ(temps(), temp);

    pid_t second = StartPagimo({"--pdf", "b.pdf", "killed.pfz"}, scratch, scratch + "/b.out");
    waiting(2);
    std::string area2 = areas(), temp2 = temps();
    EXPECT_EQ(area2.find(area), std::string::npos) << "the killed job's area is gone:\n" << area2;
    EXPECT_EQ(temp2.find(temp), std::string::npos) << "and its PDF:\n" << temp2;
    EXPECT_EQ(lines(area2), 1u) << area2;
    pid_t third = StartPagimo({"--pdf", "b.pdf", "killed.pfz"}, scratch, scratch + "/c.out");
    std::string sleeps = waiting(3), area3 = areas(), temp3 = temps();
    EXPECT_EQ(lines(area3), 2u) << "two jobs at once keep their areas:\n" << area3;
    EXPECT_NE(temp3.find(temp2), std::string::npos) << "and their PDFs in the same folder:\n" << temp3;
    setenv("PATH", path.c_str(), 1);
    kill(second, SIGKILL);
    kill(third, SIGKILL);
    waitpid(second, nullptr, 0);
    waitpid(third, nullptr, 0);
    std::replace(sleeps.begin(), sleeps.end(), '\n', ' ');
    Shell("kill " + sleeps);

    EXPECT_TRUE(RunWindow({}, scratch + "/killed.pfz"));
    EXPECT_EQ(areas(), "") << "the window's start sweeps the areas";
    Ran r = Pagimo("--pdf a.pdf killed.pfz");
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(temps(), "") << "a job sweeps the folder of its PDF";
    EXPECT_EQ(areas(), "");
}

/* ------------------------------------------------------------ merging a table */

/* A letter template: a salutation, a link to the record's page, a headline
 * and a page number on each of its two pages. */
class Merge : public JobAndWindow {
protected:
    void LetterTemplate(void);
    /* gaeste.csv: the field Name, "Gast 1" to "Gast n". */
    void Guests(int n)
    {
        std::string csv = "Name\n";
        for (int r = 1; r <= n; r++)
            csv += "Gast " + std::to_string(r) + "\n";
        WriteTextFile(scratch + "/gaeste.csv", csv);
    }
};

void Merge::LetterTemplate(void)
{
    AddPageList(nullptr);
    AddPageList(nullptr);
    Text(1, ET_TEXT, "Sehr geehrte/r {Anrede} {Name}", 60, 100);
    Text(1, ET_TEXT, "Angebot", 60, 60, 2);
    GElement *web = Text(1, ET_LINK, "Ihr Angebot", 60, 200);
    std::strcpy(web->edata.td.link, "https://example.org/{Id}?n={Name}");
    Text(2, ET_TEXT, "Rabatt {{Rabatt}} {Id}", 60, 100);
    Text(2, ET_PAGENO, "  2", 500, 800);
}

TEST_F(Merge, AMergeFillsEveryRecordsPagesWithItsOwnValues)
{
    LetterTemplate();
    Save(scratch, "Brief");
    std::string longname(100, 'i'); /* more than a text field holds, less than the page */
    WriteTextFile(scratch + "/kunden.csv", "\xEF\xBB\xBFName,Anrede,Id\r\n"
                                          "M\xC3\xBCller,Herr,17\r\n"
                                          "\"Schmidt, Dr.\",Frau,18\r\n" +
                                              longname + ",Herr,19\r\n");
    WriteTextFile(scratch + "/kunden-de.csv", "Name;Anrede;Id\nM\xFCller;Herr;17\n\"Schmidt, Dr.\";Frau;18\n" +
                                                  longname + ";Herr;19\n");
    Ran r = Pagimo("--pdf alle.pdf --merge kunden.csv Brief.pfz");
    ASSERT_EQ(r.rc, 0) << r.err;
    std::string pdf = scratch + "/alle.pdf";
    EXPECT_NE(Shell("pdfinfo '" + pdf + "'").find("Pages:           6"), std::string::npos);
    std::string text = Shell("pdftotext -layout '" + pdf + "' -");
    EXPECT_TRUE(std::regex_search(text, std::regex("Sehr geehrte/r Herr Müller[\\s\\S]*Rabatt \\{Rabatt\\} 17"
                                                   "[\\s\\S]*Sehr geehrte/r Frau Schmidt, Dr\\.[\\s\\S]*"
                                                   "Rabatt \\{Rabatt\\} 18[\\s\\S]*Herr " + longname)))
        << "each record's pages in order, nothing cut\n" << text;
    EXPECT_EQ(text.find("{Name}"), std::string::npos);
    std::string pages = Shell("pdftotext -f 4 -l 4 '" + pdf + "' -");
    EXPECT_NE(pages.find("2"), std::string::npos) << "page numbers count within the record";
    std::string json = Shell("qpdf --json '" + pdf + "'");
    for (const char *id : {"17", "18", "19"})
        EXPECT_NE(json.find(std::string("https://example.org/") + id), std::string::npos) << id;
    EXPECT_NE(json.find("https://example.org/17?n=M%C3%BCller"), std::string::npos) << "a UTF-8 address, encoded";
    EXPECT_NE(json.find("https://example.org/18?n=Schmidt,%20Dr."), std::string::npos);
    std::string outline = Shell("qpdf --json --json-key=outlines '" + pdf + "'");
    EXPECT_NE(outline.find("\"title\": \"Brief\""), std::string::npos) << "the project is the root";
    EXPECT_TRUE(std::regex_search(outline, std::regex("\"Müller\"[\\s\\S]*\"Angebot\"[\\s\\S]*"
                                                      "\"Schmidt, Dr.\"[\\s\\S]*\"Angebot\"")))
        << "one entry per record above its headlines\n" << outline;

    r = Pagimo("--pdf alle-de.pdf --merge kunden-de.csv Brief.pfz");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(Shell("pdftotext -layout '" + scratch + "/alle-de.pdf' -"), text)
        << "the semicolon table in the 8-bit set gives the same letters";

    /* The project itself is unchanged. */
    std::string again = scratch + "/plain.pdf";
    r = Pagimo("--pdf plain.pdf Brief.pfz");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(Shell("pdftotext '" + again + "' -").find("{Anrede} {Name}"), std::string::npos);
}

TEST_F(Merge, AMergeWritesOnePdfPerRecordNamedFromItsFields)
{
    LetterTemplate();
    uint8_t comp = PDaten.comp;
    PDaten.comp = COMP_FULL; /* as a new project: the fonts' tables compressed once, for every PDF */
    Save(scratch, "Brief");
    PDaten.comp = comp;
    WriteTextFile(scratch + "/kunden.csv", "Name,Anrede,Id\nM\xC3\xBCller,Herr,1\nM\xC3\xBCller,Frau,2\n"
                                          "Auf/Ab,Herr,3\n,Frau,4\n");
    Shell("mkdir -p '" + scratch + "/briefe' && echo old > '" + scratch + "/briefe/Auf_Ab.pdf'");
    Ran r = Pagimo("--pdf 'briefe/{Name}.pdf' --merge kunden.csv Brief.pfz");
    ASSERT_EQ(r.rc, 0) << r.err;
    for (const char *name : {"Müller.pdf", "Müller-2.pdf", "Auf_Ab.pdf", "4.pdf"}) {
        std::string pdf = scratch + "/briefe/" + name;
        ASSERT_TRUE(IsPdf(pdf)) << name << "\n" << Shell("ls '" + scratch + "/briefe'");
        EXPECT_NE(Shell("pdfinfo '" + pdf + "'").find("Pages:           2"), std::string::npos) << name;
        EXPECT_GT(SoundStreams(pdf), 1) << name;
        EXPECT_NE(Shell("pdffonts '" + pdf + "'").find("DejaVuSans"), std::string::npos) << name;
    }
    EXPECT_NE(Shell("pdftotext '" + scratch + "/briefe/Müller-2.pdf' -").find("Frau Müller"), std::string::npos);
    EXPECT_EQ(Shell("ls '" + scratch + "/briefe' | wc -l"), "4\n") << "no other files, no leftovers";
}

/* Slices of the table run at once, in both forms, write what one run
 * writes: the same files, "-2" suffixes and record numbers for empty names
 * counted over the whole table, and in one PDF the same records' pages. */
TEST_F(Merge, SlicesOfTheTableWriteWhatOneRunWrites)
{
    LetterTemplate();
    Save(scratch, "Brief");
    std::string csv = "Name,Anrede,Id\n";
    for (int r = 1; r <= 1000; r++)
        csv += (r % 7 ? "Kunde " + std::to_string(r % 300) : std::string()) + ",Frau," + std::to_string(r) + "\n";
    WriteTextFile(scratch + "/kunden.csv", csv);
    Ran r = Pagimo("--pdf 'ganz/{Name}.pdf' --merge kunden.csv Brief.pfz");
    ASSERT_EQ(r.rc, 0) << r.err;
    r = Pagimo("--pdf ganz.pdf --merge kunden.csv Brief.pfz");
    ASSERT_EQ(r.rc, 0) << r.err;
    std::vector<pid_t> jobs;
    for (int s = 0; s < 4; s++) {
        std::string range = std::to_string(250 * s + 1) + "-" + std::to_string(250 * s + 250);
        jobs.push_back(StartPagimo({"--pdf", "teile/{Name}.pdf", "--merge", "kunden.csv", "--records", range,
                                    "Brief.pfz"}, scratch, scratch + "/each" + std::to_string(s)));
        jobs.push_back(StartPagimo({"--pdf", "teil" + std::to_string(s) + ".pdf", "--merge", "kunden.csv",
                                    "--records", range, "Brief.pfz"}, scratch, scratch + "/one" + std::to_string(s)));
    }
    for (pid_t job : jobs) {
        int status = -1;
        ASSERT_EQ(waitpid(job, &status, 0), job);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string whole = Shell("cd '" + scratch + "/ganz' && md5sum * | sort -k2");
    EXPECT_EQ(std::count(whole.begin(), whole.end(), '\n'), 1000);
    EXPECT_NE(whole.find(" Kunde 5-4.pdf\n"), std::string::npos) << "the fourth record named Kunde 5";
    EXPECT_NE(whole.find(" 994.pdf\n"), std::string::npos) << "an empty name is the record's number";
    EXPECT_EQ(Shell("cd '" + scratch + "/teile' && md5sum * | sort -k2"), whole) << "the same files, the same bytes";
    std::string joined;
    for (int s = 0; s < 4; s++)
        joined += Shell("pdftotext '" + scratch + "/teil" + std::to_string(s) + ".pdf' -");
    EXPECT_EQ(joined, Shell("pdftotext '" + scratch + "/ganz.pdf' -"));
    std::string outline = Shell("qpdf --json --json-key=outlines '" + scratch + "/teil3.pdf'");
    EXPECT_NE(outline.find("\"Kunde 151\""), std::string::npos) << "record 751 under its own title";

    /* However many PDFs a run writes, it reads the font once. */
    std::string opens = scratch + "/opens";
    /* The leak checker of a sanitized build cannot run under strace. */
    r = Pagimo("--pdf 'drei/{Name}.pdf' --merge kunden.csv --records 1-30 Brief.pfz",
               "LSAN_OPTIONS=detect_leaks=0 ASAN_OPTIONS=detect_leaks=0 strace -f -e trace=openat -o '" + opens + "'");
    ASSERT_EQ(r.rc, 0) << r.err;
    std::string trace = ReadTextFile(opens);
    std::regex entry("pagimo/fonts/[0-9a-f]{64}\\.ttf");
    size_t reads = std::distance(std::sregex_iterator(trace.begin(), trace.end(), entry), std::sregex_iterator());
    EXPECT_EQ(reads, 1u) << "the font's sanitized copy, for 30 PDFs:\n" << trace;

    /* A slice past the table's end names none of its records. */
    r = Pagimo("--pdf x.pdf --merge kunden.csv --records 1001-1200 Brief.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("kunden.csv holds 1000 records; --records 1001-1200 names none of them."), std::string::npos)
        << r.err;
    for (const char *bad : {"0-5", "5-3", "5", "1-2x", "-3"}) {
        r = Pagimo(std::string("--pdf x.pdf --merge kunden.csv --records ") + bad + " Brief.pfz");
        EXPECT_EQ(r.rc, 1) << bad;
        EXPECT_NE(r.err.find("--records FROM-TO goes with --merge"), std::string::npos) << bad << r.err;
    }
    EXPECT_FALSE(HostExists(scratch + "/x.pdf"));
}

/* One PDF of more pages than one page-tree node holds (32,767 in
 * libharu) is a sound PDF; one beyond memory is refused before it starts. */
TEST_F(Merge, OnePdfOfFortyThousandPagesIsSound)
{
    OnePageProject("Hallo {Name}");
    Save(scratch, "Karte");
    Guests(40000);
    Ran r = Pagimo("--pdf karten.pdf --merge gaeste.csv Karte.pfz");
    ASSERT_EQ(r.rc, 0) << r.err;
    std::string pdf = scratch + "/karten.pdf";
    EXPECT_NE(Shell("qpdf --check '" + pdf + "'").find("No syntax or stream encoding errors found"), std::string::npos);
    EXPECT_NE(Shell("pdfinfo '" + pdf + "'").find("Pages:           40000"), std::string::npos);
    EXPECT_NE(Shell("pdftotext -f 40000 -l 40000 '" + pdf + "' -").find("Hallo Gast 40000"), std::string::npos);

#ifndef __SANITIZE_ADDRESS__ /* the sanitizer's shadow memory needs more than the limit */
    /* Where memory is short, the job says so and writes nothing. */
    r = Pagimo("--pdf knapp.pdf --merge gaeste.csv Karte.pfz", "ulimit -d 300000;");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("One PDF of 40000 pages is more than this computer's memory can take."), std::string::npos)
        << r.err;
    EXPECT_FALSE(HostExists(scratch + "/knapp.pdf"));
#endif
}

/* A picture is embedded once in a PDF: every record, and both elements
 * that show it, use the one image object. */
TEST_F(Merge, APictureIsEmbeddedOnceForEveryRecordAndElement)
{
    OnePageProject("Hallo {Name}");
    Shell("convert -size 40x20 xc:red png24:'" + HostPath("PGT:PAG4/Bilder/logo.png") + "'");
    for (uint32_t x : {100u, 300u}) {
        GElement pic = MakeElement(ET_PICTURE, ET_PICTURE);
        std::strcpy(pic.edata.pd.fn, "PGT:PAG4/Bilder/logo.png");
        pic.sx = xstart + x, pic.sy = ystart + 200, pic.ex = pic.sx + 40, pic.ey = pic.sy + 20;
        AddGObject(1, &pic);
    }
    Save(scratch, "Logo");
    Guests(100);
    Ran r = Pagimo("--pdf logos.pdf --merge gaeste.csv Logo.pfz");
    ASSERT_EQ(r.rc, 0) << r.err;
    std::string list = Shell("pdfimages -list '" + scratch + "/logos.pdf' | tail -n +3");
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 200) << "two on each of the 100 pages:\n" << list;
    std::set<std::string> objects;
    std::istringstream rows(list);
    for (std::string row; std::getline(rows, row);) {
        std::vector<std::string> cols;
        std::istringstream words(row);
        for (std::string w; words >> w;)
            cols.push_back(w);
        ASSERT_GE(cols.size(), 12u) << row;
        objects.insert(cols[10]);
    }
    EXPECT_EQ(objects.size(), 1u) << "one image object:\n" << list;
}

TEST_F(Merge, AMergeThatCannotBeDoneSaysWhyAndWritesNothing)
{
    LetterTemplate();
    Save(scratch, "Brief");
    WriteTextFile(scratch + "/ohne-anrede.csv", "Name,Id\nMüller,1\n");
    WriteTextFile(scratch + "/leer.csv", "Name,Anrede,Id\n\n");
    Ran r = Pagimo("--pdf out.pdf --merge ohne-anrede.csv Brief.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("Page 1"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("{Anrede}"), std::string::npos) << r.err;
    r = Pagimo("--pdf out.pdf --merge leer.csv Brief.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("no records"), std::string::npos) << r.err;
    r = Pagimo("--pdf out.pdf --merge fehlt.csv Brief.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("fehlt.csv cannot be read"), std::string::npos) << r.err;
    r = Pagimo("--pdf '{Ort}.pdf' --merge leer.csv Brief.pfz");
    EXPECT_EQ(r.rc, 1);
    WriteTextFile(scratch + "/gut.csv", "Name,Anrede,Id\nA,Herr,1\n");
    r = Pagimo("--pdf '{Ort}.pdf' --merge gut.csv Brief.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("{Ort}"), std::string::npos) << r.err;
    r = Pagimo("--merge gut.csv Brief.pfz");
    EXPECT_EQ(r.rc, 1) << "a merge is a PDF job";
    WriteTextFile(scratch + "/doppelt.csv", "Name,Anrede,Name\nA,Herr,B\n");
    r = Pagimo("--pdf out.pdf --merge doppelt.csv Brief.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("doppelt.csv cannot be read: the header line names the field {Name} twice"),
              std::string::npos) << r.err;
    /* A text line too long for the PDF is refused before anything is written. */
    WriteTextFile(scratch + "/lang.csv", "Name,Anrede,Id\nA,Herr,1\n" + std::string(70000, 'x') + ",Frau,2\n");
    r = Pagimo("--pdf out.pdf --merge lang.csv Brief.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("Brief.pfz: Record 2: the field {Name} on page 1 holds 70020 characters; a text line "
                         "holds at most 65535."), std::string::npos) << r.err;
    EXPECT_EQ(Leftovers(scratch), 0);
    EXPECT_FALSE(HostExists(scratch + "/out.pdf"));
}

/* Values as spreadsheets write them: tabs, bare quotes, and characters the
 * 8-bit text lines lack, which are named once per record and field. */
TEST_F(Merge, ATabTableWithBareQuotesMergesAndNamesWhatTextLinesCannotShow)
{
    LetterTemplate();
    Save(scratch, "Brief");
    WriteTextFile(scratch + "/orte.txt", "Name\tAnrede\tId\tNotiz\n"
                                         "37\xC2\xB0" "36'37.8\"N\tHerr\t1\t\xE2\x86\x92\n"
                                         "\xCA\xA4\xE2\x86\x92\xCA\xA4 M\xC3\xBCller\tFrau \xE2\x86\x92\t2\t\n");
    Ran r = Pagimo("--pdf orte.pdf --merge orte.txt Brief.pfz");
    ASSERT_EQ(r.rc, 0) << r.err;
    std::string text = Shell("pdftotext '" + scratch + "/orte.pdf' -");
    EXPECT_NE(text.find("Sehr geehrte/r Herr 37\xC2\xB0" "36'37.8\"N"), std::string::npos) << text;
    EXPECT_NE(text.find("Sehr geehrte/r Frau ? ??? M\xC3\xBCller"), std::string::npos) << text;
    EXPECT_EQ(std::regex_replace(r.err, std::regex(scratch + "/"), ""),
              "pagimo: Brief.pfz: Record 2, field {Name}: the characters U+02A4, U+2192 cannot be shown in a "
              "text line and print as \"?\".\n"
              "pagimo: Brief.pfz: Record 2, field {Anrede}: the characters U+2192 cannot be shown in a "
              "text line and print as \"?\".\n")
        << "one line per record and field, none for the field no text line shows";
}

TEST_F(Merge, TheWindowAsksForTheTableAndTheNamesAndSaysHowManyItWrote)
{
    LetterTemplate();
    Save(scratch, "Brief");
    std::string table = scratch + "/kunden.csv", pattern = scratch + "/fenster/{Name}.pdf";
    WriteTextFile(table, "Name,Anrede,Id\nAnna,Frau,1\nBert,Herr \xE2\x86\x92,2\n");
    EXPECT_TRUE(RunWindow({[table, pattern] {
                               RequesterLog.clear();
                               RequesterScriptAdd(table.c_str());
                               RequesterScriptAdd("2"); /* one PDF per record */
                               RequesterScriptAdd(pattern.c_str());
                               Menu(MENU_MERGE);
                           },
                           [] {
                               ASSERT_FALSE(RequesterLog.empty());
                               EXPECT_NE(RequesterLog.back().find("2 PDF files were written.\nRecord 2, field "
                                                                  "{Anrede}: the characters U+2192 cannot"),
                                         std::string::npos)
                                   << "one requester says both: " << RequesterLog.back();
                           }},
                          scratch + "/Brief.pfz"));
    EXPECT_NE(Shell("pdftotext '" + scratch + "/fenster/Bert.pdf' -").find("Herr ? Bert"), std::string::npos);
    EXPECT_TRUE(IsPdf(scratch + "/fenster/Anna.pdf"));
}

TEST_F(Merge, ATextboxLetterReflowsForEveryRecord)
{
    AddPageList(nullptr);
    WriteTextFile(HostPath("PGT:PAG4/Texte/brief.txt"),
                  "Liebe/r {Vorname},\n\nwir schenken Ihnen {{Rabatt}} auf alles, was Sie bis Ende des Monats "
                  "bestellen, und freuen uns auf Ihren Besuch.\n");
    Textbox(1, "PGT:PAG4/Texte/brief.txt", 60, 100, 300, 400);
    Save(scratch, "Textbrief");
    std::string many;
    for (int i = 0; i < 400; i++)
        many += "Name" + std::to_string(i) + " ";
    WriteTextFile(scratch + "/t.csv", "Vorname\nAnna\n\"Maximiliane-Theodora Friederike\"\n\"Zwei\nZeilen\"\n"
                                      "Zofia Łęcka → Ωμέγα\n" + many + "\n");
    Ran r = Pagimo("--pdf t.pdf --merge t.csv Textbrief.pfz");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(std::regex_match(r.err, std::regex("pagimo: .*/Textbrief.pfz: Record 5, page 1: the text brief.txt "
                                                   "does not fit its boxes; [0-9]{3,4} characters are left over.\n")))
        << "the one record whose text overflows; every character of a value shows: " << r.err;
    auto page = [this](int n) {
        std::string t = Shell("pdftotext -f " + std::to_string(n) + " -l " + std::to_string(n) + " '" + scratch +
                              "/t.pdf' -");
        std::string words;
        for (char c : t)
            words += c == '\n' ? ' ' : c;
        return words;
    };
    std::string anna = page(1), maxi = page(2), zwei = page(3), zofia = page(4);
    EXPECT_NE(anna.find("Liebe/r Anna,"), std::string::npos) << anna;
    EXPECT_NE(zofia.find("Liebe/r Zofia Łęcka → Ωμέγα,"), std::string::npos) << zofia;
    EXPECT_NE(anna.find("{Rabatt}"), std::string::npos) << "doubled braces print as braces: " << anna;
    EXPECT_NE(maxi.find("Maximiliane-Theodora Friederike,"), std::string::npos) << maxi;
    EXPECT_NE(zwei.find("Zwei Zeilen,"), std::string::npos) << zwei;
    for (const std::string &p : {anna, maxi, zwei, zofia})
        EXPECT_NE(p.find("freuen uns auf Ihren Besuch."), std::string::npos) << "the whole text, reflowed: " << p;
    EXPECT_EQ(Shell("unzip -p '" + scratch + "/Textbrief.pfz' PAG4/Texte/brief.txt").find("Liebe/r {Vorname},"), 0u)
        << "the project keeps its placeholders";
}

/* A textbox whose text file is gone would print empty: the job says so and
 * ends with 1, as it does for a missing picture. */
TEST_F(Cli, ATextboxWithoutItsTextFileStopsTheJobWithAMessage)
{
    AddPageList(nullptr);
    Textbox(1, "PGT:PAG4/Texte/verloren.txt", 60, 100, 300, 400);
    Save(scratch, "Ohnetext");
    Ran r = Pagimo("--pdf out.pdf Ohnetext.pfz");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("verloren.txt"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("page 1"), std::string::npos) << r.err;
    EXPECT_FALSE(HostExists(scratch + "/out.pdf"));
}
