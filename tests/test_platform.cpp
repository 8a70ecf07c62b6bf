/*
 * test_platform.cpp - the platform layer: assigns and names, file
 * operations (copy overwrites, delete never follows links), directory
 * listing, the process runner without a shell, and the character set.
 */
#include <csignal>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "testutil.h"

#include "platform/assign.h"
#include "platform/breaksignal.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "platform/process.h"

class Platform : public ScratchTest {};

TEST_F(Platform, AssignsResolveWithoutRegardToCase)
{
    EXPECT_EQ(HostPath("T:a/b.txt"), scratch + "/T/a/b.txt");
    EXPECT_EQ(HostPath("t:"), scratch + "/T");
    EXPECT_EQ(HostPath("PGT:PAG4/Elemente.pff"), scratch + "/T/PAG4/Elemente.pff");
    EXPECT_EQ(HostPath("FONTS:_TrueType"), scratch + "/fonts/_TrueType");
    EXPECT_EQ(HostPath("TBIMAGES:save"), scratch + "/tbimages/save");
    EXPECT_EQ(HostPath("/abs/x:y"), "/abs/x:y");
    EXPECT_EQ(HostPath("rel/x"), "rel/x");
    EXPECT_EQ(HostPath("RAM:x"), "RAM:x") << "unknown volumes stay plain names";
    EXPECT_TRUE(AssignPath("PGT:", (scratch + "/other").c_str()));
    EXPECT_EQ(HostPath("PGT:PAG4"), scratch + "/other/PAG4");
    EXPECT_TRUE(AssignPath("PGT:", nullptr));
    EXPECT_FALSE(AssignExists("PGT:"));
    EXPECT_EQ(HostPath("PGT:PAG4"), "PGT:PAG4");
}

TEST(Names, AddPartAndFilePartFollowTheVolumeRules)
{
    char p[32] = "PGT:";
    EXPECT_TRUE(AddPart(p, "PAG4", sizeof(p)));
    EXPECT_STREQ(p, "PGT:PAG4");
    EXPECT_TRUE(AddPart(p, "Bilder", sizeof(p)));
    EXPECT_STREQ(p, "PGT:PAG4/Bilder");
    char q[8] = "dir/";
    EXPECT_TRUE(AddPart(q, "f", sizeof(q)));
    EXPECT_STREQ(q, "dir/f");
    EXPECT_FALSE(AddPart(q, "toolong", sizeof(q)));
    EXPECT_STREQ(q, "dir/f");
    EXPECT_STREQ(FilePart("PGT:PAG4/Bilder/a.png"), "a.png");
    EXPECT_STREQ(FilePart("T:x"), "x");
    EXPECT_STREQ(FilePart("plain"), "plain");
}

TEST_F(Platform, CopyOverwritesAndTreesAreMadeAndListed)
{
    WriteTextFile(scratch + "/a.txt", "new content");
    WriteTextFile(scratch + "/T/b.txt", "old content that is longer");
    EXPECT_TRUE(CopyFile((scratch + "/a.txt").c_str(), "T:b.txt"));
    EXPECT_EQ(ReadTextFile(scratch + "/T/b.txt"), "new content");
    EXPECT_FALSE(CopyFile("T:missing", "T:c.txt"));
    EXPECT_FALSE(HostExists(scratch + "/T/c.txt"));
    EXPECT_FALSE(CopyFile((scratch + "/a.txt").c_str(), "T:no/such/dir/x"));

    EXPECT_TRUE(CreateDirTree("T:x/y/z"));
    EXPECT_TRUE(IsDirectory("T:x/y/z"));
    EXPECT_TRUE(CreateDirTree("T:x/y/z")) << "an existing tree is fine";
    EXPECT_FALSE(CreateDirTree("T:b.txt/sub")) << "a file is in the way";
    symlink((scratch + "/a.txt").c_str(), (scratch + "/T/link").c_str());

    std::vector<DirEntry> e;
    ASSERT_TRUE(ListDirectory("T:", e));
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].name, "b.txt");
    EXPECT_EQ(e[0].kind, FK_FILE);
    EXPECT_EQ(e[0].size, 11);
    EXPECT_EQ(e[1].name, "link");
    EXPECT_EQ(e[1].kind, FK_LINK);
    EXPECT_EQ(e[2].kind, FK_DIR);
    EXPECT_FALSE(ListDirectory("T:none", e));
}

TEST_F(Platform, DeleteAllRemovesLinksButNotWhatTheyPointAt)
{
    std::string outside = scratch + "/outside";
    CreateDirTree(outside.c_str());
    WriteTextFile(outside + "/keep.txt", "keep");
    CreateDirTree("T:PAG4/Bilder");
    WriteTextFile(scratch + "/T/PAG4/Bilder/p.png", "p");
    symlink(outside.c_str(), (scratch + "/T/PAG4/Bilder/dirlink").c_str());
    symlink((outside + "/keep.txt").c_str(), (scratch + "/T/PAG4/filelink").c_str());
    chmod((scratch + "/T/PAG4/Bilder").c_str(), 0755);

    EXPECT_TRUE(DeleteAll("T:PAG4"));
    EXPECT_FALSE(HostExists(scratch + "/T/PAG4"));
    EXPECT_EQ(ReadTextFile(outside + "/keep.txt"), "keep");
    EXPECT_TRUE(DeleteAll("T:PAG4")) << "nothing to delete is no failure";
    WriteTextFile(scratch + "/T/single", "s");
    EXPECT_TRUE(DeleteAll("T:single"));
    EXPECT_FALSE(HostExists(scratch + "/T/single"));
}

TEST_F(Platform, CommandsRunWithoutAShell)
{
    EXPECT_EQ(RunCommand({"true"}, RUN_WAIT), 0);
    EXPECT_EQ(RunCommand({"sh", "-c", "exit 7"}, RUN_WAIT), 7);
    EXPECT_EQ(RunCommand({"/no/such/program"}, RUN_WAIT), -1);
    EXPECT_EQ(RunCommand({}, RUN_WAIT), -1);
    std::string marker = scratch + "/injected";
    EXPECT_EQ(RunCommand({"echo", "x; touch " + marker}, RUN_WAIT), 0);
    EXPECT_FALSE(HostExists(marker)) << "arguments are never parsed by a shell";
    EXPECT_EQ(RunCommand({"touch", marker}, 0), 0);
    for (int i = 0; i < 200 && !HostExists(marker); i++)
        usleep(10000);
    EXPECT_TRUE(HostExists(marker));

    /* The program ignores SIGPIPE for itself; a child must not inherit
     * that, or a pipeline it runs stops only on its next failed write. */
    IgnoreBrokenPipes();
    const std::string pipe_default =
        "m=$(sed -n 's/^SigIgn:[[:space:]]*//p' /proc/$$/status); [ $((0x$m & 0x1000)) -eq 0 ]";
    EXPECT_EQ(RunCommand({"sh", "-c", pipe_default}, RUN_WAIT), 0) << "SIGPIPE at its default in the child";
    signal(SIGPIPE, SIG_DFL);
}

TEST(Charset, RoundTripsEveryCodeAndMarksTheUnknown)
{
    std::string all;
    for (int c = 1; c < 256; c++)
        all += char(c);
    std::string utf8 = CharsetToUtf8(all.c_str());
    char back[300];
    EXPECT_EQ(CharsetFromUtf8(utf8.c_str(), back, sizeof(back)), 255u);
    EXPECT_EQ(std::string(back), all);
    EXPECT_EQ(CharsetToUtf8("\x80"), "\xe2\x82\xac") << "the euro sign";
    CharsetFromUtf8("\xe2\x80\x9eGr\xc3\xbc\xc3\x9f\xe2\x80\x9c \xe4\xb8\xad", back, sizeof(back));
    EXPECT_STREQ(back, "\x84Gr\xfc\xdf\x93 ?");
    CharsetFromUtf8("abcdef", back, 4);
    EXPECT_STREQ(back, "abc");
    CharsetFromUtf8("bad \xff byte", back, sizeof(back));
    EXPECT_STREQ(back, "bad \xff byte") << "a stray byte is kept as Latin-1";
    EXPECT_EQ(CharToLower('A'), 'a');
    EXPECT_EQ(CharToLower(0xC4), 0xE4);
    EXPECT_EQ(CharToLower(0xD7), 0xD7) << "the multiplication sign has no case";
    EXPECT_EQ(CharToLower(0x8A), 0x9A);
}

/* Names from a project or a command line may point at anything: a FIFO
 * must not block, a device must not be read without end. */
TEST_F(Platform, WholeFilesAreReadOnlyFromRegularFiles)
{
    std::string fifo = scratch + "/fifo", plain = scratch + "/plain.txt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    WriteTextFile(plain, "Hallo");
    std::string data;
    EXPECT_FALSE(ReadWholeFile(fifo.c_str(), &data)) << "a FIFO without a writer does not block";
    EXPECT_FALSE(CopyFile(fifo.c_str(), (scratch + "/copy").c_str())) << "nor does copying one";
    EXPECT_FALSE(HostExists(scratch + "/copy"));
    EXPECT_FALSE(ReadWholeFile("/dev/zero", &data));
    EXPECT_FALSE(ReadWholeFile(scratch.c_str(), &data)) << "a folder";
    ASSERT_TRUE(ReadWholeFile(plain.c_str(), &data));
    EXPECT_EQ(data, "Hallo");
    ASSERT_TRUE(WriteFileReplacing(plain.c_str(), "Neu"));
    EXPECT_EQ(ReadTextFile(plain), "Neu");
    EXPECT_FALSE(WriteFileReplacing((scratch + "/missing/x.txt").c_str(), "x"));
    EXPECT_EQ(Shell("ls -A '" + scratch + "' | grep -c XXXX || true"), "0\n") << "no temporary file is left";
}
