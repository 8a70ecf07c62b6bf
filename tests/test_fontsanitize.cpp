/*
 * test_fontsanitize.cpp - TrueType files reach libharu only as what the
 * sanitizer made of them: the damaged files kept in fuzz/reproducers/font
 * put where an installed font was after the font list was made are refused
 * with a message (in the program and in the command-line job, never by a
 * signal); a font swapped after the sanitizer read it does not matter; the
 * sanitized fonts are cached by the SHA-256 of the font file, once per
 * file for every process, the digest kept as a fact about the file, and an
 * entry changed by hand, or a font changed in place, is made again;
 * without a cache a private folder serves and is gone after every export;
 * a missing, crashing or hanging sanitizer ends the export with a message
 * instead of passing the font. Stand-in sanitizers are small shell scripts
 * put first in PATH.
 */
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "testutil.h"

#include "core/settings.h"
#include "document/archive.h"
#include "document/pagelist.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/fontinstall.h"
#include "platform/fontsanitize.h"
#include "platform/gui.h"
#include "platform/sha256.h"
#include "view/geometry.h"

static const std::string REPRODUCERS = PAGIMO_SOURCE_DIR "/fuzz/reproducers/font/";
static const char *const HOSTILE[] = {"ttf-fpe-min.ttf", "ttf-duplicate-hhea.ttf", "ttf-heap-overflow.ttf",
                                      "ttf-cmap4-segcount.ttf"};
static const char *const REFUSED = "Hint|The font FONTS:_TrueType/DejaVuSans.ttf has an unsupported format.|Okay";

/* ------------------------------------------------------------ font bytes */

static std::string Be16(unsigned v)
{
    return {char(v >> 8), char(v)};
}

static std::string Utf16(const std::string &s)
{
    std::string out;
    for (char c : s)
        out += Be16((unsigned char)c);
    return out;
}

/* The font with an added naming table that calls it DejaVu Sans, so that
 * the catalogue takes it for the installed font; every other table stays
 * as it was, damage included. */
static std::string NamedDejaVuSans(std::string ttf)
{
    const std::string ps = "DejaVuSans", full = Utf16("DejaVu Sans"), ps16 = Utf16(ps);
    std::string strings = ps + full + ps16;
    std::string table = Be16(0) + Be16(3) + Be16(6 + 12 * 3);
    table += Be16(1) + Be16(0) + Be16(0) + Be16(6) + Be16(unsigned(ps.size())) + Be16(0);
    table += Be16(3) + Be16(1) + Be16(0x409) + Be16(4) + Be16(unsigned(full.size())) + Be16(unsigned(ps.size()));
    table += Be16(3) + Be16(1) + Be16(0x409) + Be16(6) + Be16(unsigned(ps16.size())) +
             Be16(unsigned(ps.size() + full.size()));
    table += strings;
    ttf.resize((ttf.size() + 3) & ~size_t(3), '\0');
    size_t at = ttf.size();
    ttf += table;
    unsigned tables = unsigned((unsigned char)ttf[4]) << 8 | (unsigned char)ttf[5];
    for (size_t rec = 12; rec < 12 + 16 * size_t(tables); rec += 16)
        if (!ttf.compare(rec, 4, "name")) {
            ttf.replace(rec + 8, 4, Be16(unsigned(at >> 16)) + Be16(unsigned(at)));
            ttf.replace(rec + 12, 4, Be16(0) + Be16(unsigned(table.size())));
        }
    return ttf;
}

/* ------------------------------------------------------------ fixture */

class FontSanitize : public ExportScratchTest {
protected:
    void SetUp() override
    {
        path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        ExportScratchTest::SetUp();
        if (!HostExists("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"))
            GTEST_SKIP() << "fonts-dejavu-core is needed";
        font = scratch + "/fonts/_TrueType/DejaVuSans.ttf";
        cache = scratch + "/cache/pagimo/fonts";
        /* The drawer holds links to the host's fonts: never write through them. */
        original = ReadTextFile(font);
        ASSERT_GT(original.size(), 100000u);
        PlaceFont(original);
    }
    void TearDown() override
    {
        setenv("PATH", path.c_str(), 1);
        SanitizeMillis = 10000;
        ExportScratchTest::TearDown();
    }
    void PlaceFont(const std::string &bytes)
    {
        unlink(font.c_str());
        WriteTextFile(font, bytes);
    }
    /* A page with one text line in DejaVu Sans. */
    void OnePage(const char *text)
    {
        FreeLists(0);
        PDaten.count = 0;
        AddPageList(nullptr);
        GElement ge = MakeElement(ET_TEXT, ET_TEXT);
        std::strcpy(ge.edata.td.text, text);
        std::strcpy(ge.edata.td.fontname, "DejaVu Sans.font");
        ge.edata.td.size = 12;
        ge.edata.td.level = 1;
        ge.ex = xstart + 40, ge.ey = ystart + 40;
        ge.sx = ge.ex + 50, ge.sy = ge.ey - 12;
        AddGObject(1, &ge);
    }
    /* A stand-in for ots-sanitize, found first in PATH. */
    void FakeSanitizer(const std::string &script)
    {
        std::string bin = scratch + "/bin";
        mkdir(bin.c_str(), 0755);
        WriteTextFile(bin + "/ots-sanitize", "#!/bin/sh\n" + script + "\n");
        chmod((bin + "/ots-sanitize").c_str(), 0755);
        setenv("PATH", (bin + ":" + path).c_str(), 1);
    }
    bool Export() { return ExportProject(out.c_str(), xstart, ystart, xend, yend); }
    /* Private font folders left in the working area. */
    int FolderCount() { return std::atoi(Shell("ls -d '" + scratch + "'/T/fonts-* 2>/dev/null | wc -l").c_str()); }
    /* The cache's entry of these bytes, named by sha256sum, not by the program. */
    std::string Entry(const std::string &bytes)
    {
        WriteTextFile(scratch + "/digest", bytes);
        return cache + "/" + Shell("sha256sum '" + scratch + "/digest' | cut -c1-64").substr(0, 64) + ".ttf";
    }
    std::string Cached() { return Shell("ls -A '" + cache + "' 2>/dev/null"); }
    /* Facts are kept only about files older than a tick of the file system's clock. */
    void Settle() { usleep(100000); }
    std::string path, font, original, cache;
};

/* ------------------------------------------------------------ in the program */

TEST_F(FontSanitize, DamagedFontsAreRefusedAndOrdinaryOnesEmbedded)
{
    for (const char *file : HOSTILE) {
        SCOPED_TRACE(file);
        std::string bad = ReadTextFile(REPRODUCERS + file);
        ASSERT_FALSE(bad.empty());
        PlaceFont(bad);
        OnePage("Hostile");
        WriteTextFile(out, "an older file");
        EXPECT_FALSE(Export());
        ASSERT_FALSE(RequesterLog.empty());
        EXPECT_EQ(RequesterLog.back(), REFUSED);
        EXPECT_EQ(ReadTextFile(out), "an older file") << "a refused font leaves the old PDF as it was";
        EXPECT_EQ(FolderCount(), 0) << "the private folder goes after a failure";
    }
    /* A sound font whose only character map is one libharu cannot use: the
     * sanitizer passes it, libharu refuses it, and the recovery still
     * removes the private folder. */
    std::string tiny = ReadTextFile(PAGIMO_SOURCE_DIR "/fuzz/corpus/font/tiny.ttf");
    ASSERT_EQ(tiny.compare(268 + 4, 4, std::string("\0\3\0\1", 4)), 0) << "cmap subtable 3,1";
    tiny.replace(268 + 4, 4, std::string("\0\0\0\3", 4));
    PlaceFont(tiny);
    EXPECT_NE(Shell("ots-sanitize '" + font + "' '" + scratch + "/check.ttf'; echo rc=$?").find("rc=0"),
              std::string::npos);
    OnePage("Unicode map only");
    EXPECT_FALSE(Export());
    EXPECT_EQ(RequesterLog.back(), REFUSED);
    EXPECT_EQ(FolderCount(), 0) << "the private folder goes after a libharu error";

    PlaceFont(original);
    OnePage("Ordinary");
    ASSERT_TRUE(Export()) << (RequesterLog.empty() ? "" : RequesterLog.back());
    EXPECT_EQ(FolderCount(), 0) << "the private folder goes after success";
    std::string fonts = Shell("pdffonts '" + out + "'");
    EXPECT_NE(fonts.find("DejaVuSans"), std::string::npos) << fonts;
    EXPECT_NE(fonts.find("TrueType"), std::string::npos) << fonts;
    EXPECT_NE(fonts.find("yes"), std::string::npos) << "embedded: " << fonts;
    EXPECT_NE(Shell("pdftotext '" + out + "' -").find("Ordinary"), std::string::npos);
}

/* What the sanitizer wrote, not the file it read, goes to libharu: a font
 * swapped for a damaged one right after sanitizing still exports, and the
 * sanitizer read a copy of the bytes whose digest names the entry and
 * wrote beside the cache's entries, which only the user reads. */
TEST_F(FontSanitize, LibharuLoadsOnlyWhatTheSanitizerWrote)
{
    std::string log = scratch + "/args";
    FakeSanitizer("echo \"$1 $2\" >> '" + log + "'\n"
                  "PATH='" + path + "' ots-sanitize \"$1\" \"$2\" || exit 1\n"
                  "ls -ld \"$(dirname \"$2\")\" >> '" + log + "'\n"
                  "rm -f '" + font + "' && cp '" + REPRODUCERS + "ttf-heap-overflow.ttf' '" + font + "'");
    OnePage("Swapped");
    ASSERT_TRUE(Export()) << (RequesterLog.empty() ? "" : RequesterLog.back());
    EXPECT_NE(Shell("pdffonts '" + out + "'").find("DejaVuSans"), std::string::npos);
    std::string args = ReadTextFile(log);
    EXPECT_EQ(args.rfind(cache + "/.pagimo-font-", 0), 0u) << args;
    EXPECT_NE(args.find(" " + cache + "/.pagimo-font-"), std::string::npos) << args;
    EXPECT_NE(args.find("drwx------"), std::string::npos) << "only the user reads the fonts: " << args;
    EXPECT_EQ(ReadTextFile(font), ReadTextFile(REPRODUCERS + "ttf-heap-overflow.ttf")) << "the swap happened";
    EXPECT_EQ(Cached(), FilePart(Entry(original).c_str()) + std::string("\n")) << "one entry, nothing beside it";

    /* The damaged file now there has an entry of its own to make: refused. */
    EXPECT_FALSE(Export());
    EXPECT_EQ(RequesterLog.back(), REFUSED);
    EXPECT_EQ(Cached(), FilePart(Entry(original).c_str()) + std::string("\n")) << "a refusal is not kept";
    EXPECT_EQ(FolderCount(), 0);
}

/* Each font file is sanitized once, whatever the number of elements and
 * exports, and its digest kept as a fact about it; an entry that no longer
 * holds what the sanitizer wrote is made again, and a font file changed in
 * place, in the same size too, gets an entry of its own. */
TEST_F(FontSanitize, SanitizedFontsAreCachedByTheirContents)
{
    std::string log = scratch + "/runs";
    FakeSanitizer("echo run >> '" + log + "'\nPATH='" + path + "' exec ots-sanitize \"$1\" \"$2\"");
    auto runs = [&] {
        std::string text = ReadTextFile(log);
        return std::count(text.begin(), text.end(), '\n');
    };
    OnePage("Twice");
    GElement ge = MakeElement(ET_TEXT, ET_TEXT);
    std::strcpy(ge.edata.td.text, "Again");
    std::strcpy(ge.edata.td.fontname, "DejaVu Sans.font");
    ge.edata.td.size = 10;
    ge.edata.td.level = 1;
    ge.ex = xstart + 40, ge.ey = ystart + 80;
    AddGObject(1, &ge);
    ASSERT_TRUE(Export()) << (RequesterLog.empty() ? "" : RequesterLog.back());
    std::string entry = Entry(original), kept = ReadTextFile(entry);
    ASSERT_FALSE(kept.empty()) << Cached();
    Settle();
    ASSERT_TRUE(Export());
    ASSERT_TRUE(Export());
    EXPECT_EQ(runs(), 1) << "once for two elements and three exports";
    std::string facts = ReadTextFile(scratch + "/cache/pagimo/files");
    EXPECT_NE(facts.find(" " + std::string(FilePart(entry.c_str()), 64) + "\n"), std::string::npos) << facts;

    for (bool cut : {false, true}) {
        SCOPED_TRACE(cut ? "cut short" : "one byte changed");
        std::string spoiled = kept;
        if (cut)
            spoiled.resize(1000);
        else
            spoiled[kept.size() / 2] = char(spoiled[kept.size() / 2] ^ 0x55);
        WriteTextFile(entry, spoiled);
        ASSERT_TRUE(Export());
        EXPECT_EQ(ReadTextFile(entry), kept) << "made again";
        EXPECT_NE(Shell("pdftotext '" + out + "' -").find("Twice"), std::string::npos);
    }
    EXPECT_EQ(runs(), 3);

    /* In place: the same file, other bytes; first in the same size (the
     * head table's checksum adjustment, which the sanitizer passes), then
     * longer. */
    std::string changed = original;
    size_t head = original.find("head", 12);
    ASSERT_LT(head, 12 + 16 * 32u);
    size_t adjust = size_t((unsigned char)original[head + 8]) << 24 | size_t((unsigned char)original[head + 9]) << 16 |
                    size_t((unsigned char)original[head + 10]) << 8 | size_t((unsigned char)original[head + 11]);
    changed[adjust + 8] = char(changed[adjust + 8] ^ 0x55);
    Settle();
    ASSERT_TRUE(Export());
    int fd = open(font.c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(fd, changed.data(), changed.size(), 0), ssize_t(changed.size()));
    close(fd);
    ASSERT_TRUE(Export());
    EXPECT_EQ(runs(), 4);
    EXPECT_TRUE(HostExists(Entry(changed)));
    changed += std::string(4, '\0');
    WriteTextFile(font, changed);
    ASSERT_TRUE(Export());
    EXPECT_EQ(runs(), 5);
    EXPECT_TRUE(HostExists(Entry(changed)));
    EXPECT_EQ(ReadTextFile(entry), kept) << "the entry of the old bytes stays";
    EXPECT_EQ(Shell("ls -A '" + cache + "' | wc -l"), "3\n") << Cached();

    /* Without a cache the sanitizer writes into a private folder, gone after the export. */
    setenv("XDG_CACHE_HOME", "/proc/no-cache-here", 1);
    ASSERT_TRUE(Export());
    EXPECT_EQ(runs(), 6);
    EXPECT_EQ(FolderCount(), 0);
    setenv("XDG_CACHE_HOME", (scratch + "/cache").c_str(), 1);
}

/* The digest that names the entries, here and without the processor's
 * SHA instructions, against sha256sum around every padding boundary. */
TEST(Sha256, DigestsAgreeWithSha256sum)
{
    std::string bytes;
    for (int i = 0; i < 1000; i++)
        bytes += char(i * 7 + i / 13);
    std::string dir = MakeScratchDir();
    for (size_t n : {size_t(0), size_t(3), size_t(55), size_t(56), size_t(63), size_t(64), size_t(65), size_t(119),
                     size_t(120), size_t(128), size_t(1000)}) {
        WriteTextFile(dir + "/b", bytes.substr(0, n));
        std::string want = Shell("sha256sum '" + dir + "/b' | cut -c1-64").substr(0, 64);
        EXPECT_EQ(Sha256Hex(bytes.data(), n), want) << n;
        uint8_t fast[SHA256_SIZE], plain[SHA256_SIZE];
        Sha256(bytes.data(), n, fast);
        Sha256Portable(bytes.data(), n, plain);
        EXPECT_EQ(std::memcmp(fast, plain, SHA256_SIZE), 0) << n;
    }
    DeleteAll(dir.c_str());
}

TEST_F(FontSanitize, MissingCrashingOrHangingSanitizerEndsTheExport)
{
    OnePage("Unchecked");
    setenv("PATH", (scratch + "/nowhere").c_str(), 1);
    EXPECT_FALSE(Export()) << "never a silent pass of an unchecked font";
    ASSERT_FALSE(RequesterLog.empty());
    EXPECT_EQ(RequesterLog.back(),
              "Hint|The font checker ots-sanitize could not be started: no font can be embedded without it.|Okay");
    EXPECT_FALSE(HostExists(out));

    FakeSanitizer("kill -SEGV $$");
    EXPECT_FALSE(Export());
    EXPECT_EQ(RequesterLog.back(), REFUSED);

    FakeSanitizer("exit 0"); /* claims success, writes nothing */
    EXPECT_FALSE(Export());
    EXPECT_EQ(RequesterLog.back(), REFUSED);

    FakeSanitizer("exec sleep 60");
    SanitizeMillis = 300;
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(Export());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(30)) << "a hung sanitizer is stopped";
    EXPECT_EQ(RequesterLog.back(), REFUSED);
    EXPECT_FALSE(HostExists(out));
    EXPECT_EQ(FolderCount(), 0);

    setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(Export()) << "an export after the failures works";
}

/* ------------------------------------------------------------ the command line */

TEST_F(FontSanitize, CommandLineJobRefusesDamagedFontsWithoutASignal)
{
    PlatformScreenSize(&ScreenWidth, &ScreenHeight);
    PlacePage(ScreenWidth, ScreenHeight, 2);
    OnePage("From the shell");
    std::strcpy(DataPath, scratch.c_str());
    SetProjectName("job");
    ASSERT_EQ(SaveProject(false), 0u);
    std::string env = "cd '" + scratch + "' && PAGIMO_ASSIGN_T='" + scratch + "/T2' PAGIMO_ASSIGN_FONTS='" +
                      scratch + "/fonts' PAGIMO_ASSIGN_TBIMAGES='" + ProgramDataDir() + "/tbimages' DISPLAY= ";
    std::string job = PagimoBinary() + " Debug=Off --pdf result.pdf job.pfz 2>&1; echo rc=$?";
    mkdir((scratch + "/T2").c_str(), 0700);
    /* Renamed, the file enters the job's catalogue as DejaVu Sans; as it is,
     * only the description FONTS:DejaVu Sans.font still leads to it. */
    for (const char *file : HOSTILE)
        for (bool renamed : {true, false}) {
            SCOPED_TRACE(std::string(file) + (renamed ? " renamed" : " as it is"));
            std::string bytes = ReadTextFile(REPRODUCERS + file);
            PlaceFont(renamed ? NamedDejaVuSans(bytes) : bytes);
            std::string run = Shell(env + job);
            EXPECT_NE(run.find("page 1: The font DejaVuSans.ttf has an unsupported format."), std::string::npos) << run;
            EXPECT_NE(run.find("rc=1\n"), std::string::npos) << "exit 1, not a signal: " << run;
            EXPECT_FALSE(HostExists(scratch + "/result.pdf"));
        }
    PlaceFont(original);
    std::string run = Shell(env + "PATH=/nowhere " + job);
    EXPECT_NE(run.find("The font checker ots-sanitize could not be started"), std::string::npos) << run;
    EXPECT_NE(run.find("rc=1\n"), std::string::npos) << run;

    run = Shell(env + job);
    EXPECT_NE(run.find("rc=0\n"), std::string::npos) << run;
    EXPECT_NE(Shell("pdffonts '" + scratch + "/result.pdf'").find("DejaVuSans"), std::string::npos);
    EXPECT_EQ(Shell("ls -A '" + scratch + "/T2'"), "") << "the job's area and its font copies are gone";
}

/* Jobs started together on an empty cache and an empty font folder all
 * install the fonts, sanitize the font and succeed; the font folder is
 * whole for each, and one entry is left, with nothing beside it. */
TEST_F(FontSanitize, JobsStartedTogetherLeaveOneEntry)
{
    PlatformScreenSize(&ScreenWidth, &ScreenHeight);
    PlacePage(ScreenWidth, ScreenHeight, 2);
    OnePage("Together");
    std::strcpy(DataPath, scratch.c_str());
    SetProjectName("job");
    ASSERT_EQ(SaveProject(false), 0u);
    FakeSanitizer("sleep 0.5\nPATH='" + path + "' exec ots-sanitize \"$1\" \"$2\"");
    setenv("PAGIMO_ASSIGN_TBIMAGES", (ProgramDataDir() + "/tbimages").c_str(), 1);
    setenv("PAGIMO_ASSIGN_FONTS", (scratch + "/fresh-fonts").c_str(), 1);
    const char *const names[] = {"a", "b", "c", "d"};
    std::vector<pid_t> jobs;
    for (const char *n : names)
        jobs.push_back(StartPagimo({"Debug=Off", "--pdf", std::string(n) + ".pdf", "job.pfz"}, scratch,
                                   scratch + "/" + n + ".out"));
    for (size_t i = 0; i < jobs.size(); i++) {
        int status = -1;
        ASSERT_EQ(waitpid(jobs[i], &status, 0), jobs[i]);
        std::string n = names[i];
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadTextFile(scratch + "/" + n + ".out");
        EXPECT_NE(Shell("pdftotext '" + scratch + "/" + n + ".pdf' -").find("Together"), std::string::npos) << n;
    }
    setenv("PAGIMO_ASSIGN_FONTS", (scratch + "/fonts").c_str(), 1);
    EXPECT_EQ(Shell("ls -A '" + scratch + "/fresh-fonts' | grep -c '^_TrueType'"), "1\n") << "one drawer, no other beside it";
    EXPECT_EQ(Cached(), FilePart(Entry(original).c_str()) + std::string("\n"));
}
