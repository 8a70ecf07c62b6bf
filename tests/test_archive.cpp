/*
 * test_archive.cpp - saving and opening project archives: archives the
 * program writes are read by Info-ZIP's unzip, archives Info-ZIP's zip makes
 * open in the program, a failed save keeps the last archive, and damaged or
 * hostile archives are refused without touching anything outside the
 * working area.
 */
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include "testutil.h"

#include "core/settings.h"
#include "document/archive.h"
#include "document/elementfile.h"
#include "document/pagelist.h"
#include "gui/localisation.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/leftovers.h"
#include "platform/process.h"
#include "platform/ziparchive.h"

class Archive : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        PlatformGuiInit(0, nullptr);
        RequesterScriptClear();
        RequesterLog.clear();
        SetProjectName(GetString(&localeinfo, 28));
        ASSERT_TRUE(CreateProjectStructure());
        out = scratch + "/out";
        CreateDirTree(out.c_str());
        std::strcpy(DataPath, out.c_str());
    }
    void TearDown() override
    {
        UnzipLimit = 1ull << 30;
        ScratchTest::TearDown();
    }
    /* Two pages with a picture and a textbox whose files are in the project. */
    void MakeProject()
    {
        WriteTextFile(scratch + "/T/PAG4/Bilder/p.png", std::string(3000, 'p'));
        WriteTextFile(scratch + "/T/PAG4/Texte/t.txt", "Once upon a time");
        PDaten.count = 0;
        AddPageList(nullptr);
        AddPageList(nullptr);
        GElement pic = MakeElement(ET_PICTURE, ET_PICTURE);
        std::strcpy(pic.edata.pd.fn, "PGT:PAG4/Bilder/p.png");
        AddGObject(1, &pic);
        GElement box = MakeElement(ET_TEXTBOX, 0);
        std::strcpy(box.edata.tbd.fn, "PGT:PAG4/Texte/t.txt");
        AddGObject(2, &box);
    }
    static std::string Run(const std::string &cmd)
    {
        std::string result;
        FILE *p = popen(cmd.c_str(), "r");
        char buf[4096];
        while (p && fgets(buf, sizeof(buf), p))
            result += buf;
        if (p)
            pclose(p);
        return result;
    }
    std::string out;
};

static std::string LastRequester(void)
{
    return RequesterLog.empty() ? std::string() : RequesterLog.back();
}

TEST_F(Archive, SavedArchiveIsInfoZipsAndOpensAgain)
{
    MakeProject();
    RequesterScriptAdd((out + "/story.txt").c_str());
    ASSERT_EQ(SaveProject(true), 0u) << LastRequester();
    EXPECT_STREQ(ProjectName(), "story");
    EXPECT_TRUE(HostExists(out + "/story.pfz")) << "a typed extension becomes .pfz";
    EXPECT_STRNE(PDaten.created, "");
    EXPECT_STREQ(PDaten.changed, "");

    struct stat st;
    ASSERT_EQ(stat((out + "/story.pfz").c_str(), &st), 0);
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask) << "a new archive has the user's usual permissions";
    chmod((out + "/story.pfz").c_str(), 0600);
    std::string list = Run("unzip -l '" + out + "/story.pfz'");
    for (const char *entry : {"PAG4/", "PAG4/Elemente.pff", "PAG4/Bilder/", "PAG4/Bilder/p.png",
                              "PAG4/Texte/", "PAG4/Texte/t.txt"})
        EXPECT_NE(list.find(std::string(" ") + entry + "\n"), std::string::npos) << entry << "\n" << list;
    Run("cd '" + out + "' && unzip -q story.pfz -d x");
    EXPECT_EQ(ReadTextFile(out + "/x/PAG4/Elemente.pff"), ReadTextFile(scratch + "/T/PAG4/Elemente.pff"));
    EXPECT_EQ(ReadTextFile(out + "/x/PAG4/Texte/t.txt"), "Once upon a time");

    std::string created = PDaten.created;
    size_t asked = RequesterLog.size();
    ASSERT_EQ(SaveProject(false), 0u);
    EXPECT_EQ(RequesterLog.size(), asked) << "a named project saves without asking";
    EXPECT_EQ(PDaten.created, created);
    EXPECT_STRNE(PDaten.changed, "");
    ASSERT_EQ(stat((out + "/story.pfz").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "a replaced archive keeps its permissions";

    FreeLists(0);
    DeleteAll("PGT:PAG4");
    SetProjectName("other");
    ASSERT_EQ(OpenProjectPath((out + "/story.pfz").c_str()), 0u) << LastRequester();
    EXPECT_STREQ(ProjectName(), "story");
    ASSERT_EQ(PDaten.count, 2u);
    EXPECT_STREQ(reinterpret_cast<GElement *>(GetHead(&GetPageNode(1)->page))->edata.pd.fn,
                 "PGT:PAG4/Bilder/p.png");
    EXPECT_EQ(ReadTextFile(scratch + "/T/PAG4/Bilder/p.png").size(), 3000u);
    EXPECT_EQ(std::string(DataPath), out + "/");
}

TEST_F(Archive, InfoZipArchivesOpenAsProjectsAndTemplates)
{
    MakeProject();
    ASSERT_TRUE(WriteElementFile(ElementFileName));
    std::string src = scratch + "/src";
    Run("mkdir -p '" + src + "' && cp -r '" + scratch + "/T/PAG4' '" + src + "/'");
    Run("cd '" + src + "' && zip -qr Report.PFZ PAG4 && cp Report.PFZ Letter.ptz");
    FreeLists(0);
    DeleteAll("PGT:PAG4");

    ASSERT_EQ(OpenProjectPath((src + "/Report.PFZ").c_str()), 0u) << LastRequester();
    EXPECT_STREQ(ProjectName(), "Report");
    EXPECT_EQ(PDaten.count, 2u);
    EXPECT_EQ(ReadTextFile(scratch + "/T/PAG4/Texte/t.txt"), "Once upon a time");

    ASSERT_EQ(OpenProjectPath((src + "/Letter.ptz").c_str()), 0u);
    EXPECT_STREQ(ProjectName(), "unnamed") << "a template opens untitled";
    std::string drawer = DataPath;
    CreateDirTree((scratch + "/elsewhere").c_str());
    WriteTextFile(scratch + "/elsewhere/x.pfz", "taken");
    RequesterScriptAdd((scratch + "/elsewhere/x.pfz").c_str());
    RequesterScriptAdd("0");
    RequesterScriptAdd("");
    EXPECT_EQ(SaveProject(false), 9u) << "an untitled project asks for a name";
    EXPECT_EQ(LastRequester(), "file|Save as|#?.pfz");
    EXPECT_EQ(std::string(DataPath), drawer) << "a cancelled save keeps the drawer";

    Run("cd '" + src + "' && rm -r PAG4/Texte PAG4/Bilder && zip -qrD bare.pfz PAG4");
    ASSERT_EQ(OpenProjectPath((src + "/bare.pfz").c_str()), 0u);
    EXPECT_TRUE(HostExists(scratch + "/T/PAG4/Texte")) << "the folders exist after every open";
    EXPECT_TRUE(HostExists(scratch + "/T/PAG4/Bilder"));
    EXPECT_EQ(OpenProjectPath((src + "/missing.pfz").c_str()), 1u);
}

TEST_F(Archive, SaveAsAsksBeforeOverwriting)
{
    MakeProject();
    RequesterScriptAdd((out + "/report").c_str());
    ASSERT_EQ(SaveProject(true), 0u);
    RequesterScriptAdd((out + "/report.pfz").c_str());
    RequesterScriptAdd("0");
    RequesterScriptAdd("");
    EXPECT_EQ(SaveProject(true), 9u) << "Cancel asks again; cancelling that cancels the save";
    ASSERT_GE(RequesterLog.size(), 3u);
    EXPECT_EQ(RequesterLog[RequesterLog.size() - 2], "Hint|A file of this name already exists.|Overwrite this file|Cancel");
    RequesterScriptAdd((out + "/report.pfz").c_str());
    RequesterScriptAdd("1");
    EXPECT_EQ(SaveProject(true), 0u);
}

TEST_F(Archive, FailedSaveKeepsTheLastArchive)
{
    MakeProject();
    RequesterScriptAdd((out + "/keep.pfz").c_str());
    ASSERT_EQ(SaveProject(true), 0u);
    std::string good = ReadTextFile(out + "/keep.pfz");
    std::string stamp = PDaten.changed;
    uint32_t seed = 12345;
    for (int i = 0; i < 5; i++) {
        std::string noise(40000, '\0');
        for (char &c : noise)
            c = char((seed = seed * 1103515245 + 12345) >> 16);
        WriteTextFile(scratch + "/T/PAG4/Bilder/big" + std::to_string(i) + ".png", noise);
    }

    /* A file too large, as far as this process is concerned; only the soft
     * limit, which the tests after this one in the process get back. */
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = {60000, old.rlim_max};
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    uint32_t result = SaveProject(false);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(result, 1u);
    EXPECT_TRUE(ReadTextFile(out + "/keep.pfz") == good) << "the old archive is intact";
    EXPECT_EQ(LastRequester().rfind("Hint|The project could not be saved.", 0), 0u) << LastRequester();
    EXPECT_EQ(std::string(PDaten.changed), stamp) << "a failed save changes nothing";
    std::vector<DirEntry> left;
    ListDirectory(out.c_str(), left);
    EXPECT_EQ(left.size(), 1u) << "no half-written file is left behind";

    std::strcpy(DataPath, (scratch + "/gone/deeper").c_str());
    SetProjectName("lost");
    EXPECT_EQ(SaveProject(false), 1u);
    EXPECT_NE(LastRequester().find("gone/deeper/lost.pfz could not be read or written: No such file or directory."),
              std::string::npos) << LastRequester();
}

/* A disk that fills up says so and names the file, whether the archive is
 * written beside the project, unpacked into the working area or a file is
 * copied in; nothing is lost and nothing is left half-written. */
TEST_F(Archive, AFullDiskSaysSoAndNamesTheFile)
{
    SmallDisk disk(scratch + "/disk", "size=256k");
    if (!disk.mounted)
        GTEST_SKIP() << "mounting a small file system is not permitted here";
    MakeProject();
    std::string noise(100000, '\0');
    uint32_t seed = 7;
    for (char &c : noise)
        c = char((seed = seed * 1103515245 + 12345) >> 16);
    WriteTextFile(scratch + "/big.png", noise);
    WriteTextFile(scratch + "/T/PAG4/Bilder/big.png", noise);
    RequesterScriptAdd((disk.dir + "/story.pfz").c_str());
    ASSERT_EQ(SaveProject(true), 0u) << LastRequester();
    std::string good = ReadTextFile(disk.dir + "/story.pfz");
    disk.Fill();

    EXPECT_EQ(SaveProject(false), 1u);
    EXPECT_EQ(LastRequester(), "Hint|The project could not be saved.\nThe disk is full: " + disk.dir +
                                   "/story.pfz could not be written.|Okay");
    EXPECT_TRUE(ReadTextFile(disk.dir + "/story.pfz") == good) << "the old archive is intact";
    std::vector<DirEntry> left;
    ListDirectory(disk.dir.c_str(), left);
    EXPECT_EQ(left.size(), 2u) << "the archive and the filler, nothing half-written";

    /* The working area on the full disk: the project cannot be unpacked. */
    FreeLists(0);
    DeleteAll("PGT:PAG4");
    AssignPath("PGT:", disk.dir.c_str());
    EXPECT_NE(OpenProjectPath((disk.dir + "/story.pfz").c_str()), 0u);
    EXPECT_EQ(LastRequester(), "Hint|The project could not be opened.\n" + disk.dir +
                                   "/story.pfz\nThe disk is full: " + disk.dir +
                                   "/PAG4/Bilder/big.png could not be written.|Okay");
    EXPECT_FALSE(HostExists(disk.dir + "/PAG4")) << "nothing of the archive stays";

    /* A file copied in, and a text written over one: the file that failed, and why. */
    FileFault fault;
    EXPECT_FALSE(CopyFile((scratch + "/big.png").c_str(), "PGT:copy.png", &fault));
    EXPECT_EQ(fault.file, disk.dir + "/copy.png");
    EXPECT_TRUE(DiskFull(fault.err)) << fault.err;
    EXPECT_FALSE(HostExists(disk.dir + "/copy.png")) << "no partial copy";
    EXPECT_FALSE(CopyFile((scratch + "/none.png").c_str(), "PGT:copy.png", &fault));
    EXPECT_EQ(fault.file, scratch + "/none.png") << "a copy that cannot read names what it read";
    EXPECT_EQ(fault.err, ENOENT);
    EXPECT_FALSE(WriteFileReplacing("PGT:story.pfz", noise, &fault));
    EXPECT_EQ(fault.file, disk.dir + "/story.pfz");
    EXPECT_TRUE(DiskFull(fault.err)) << fault.err;
    EXPECT_TRUE(ReadTextFile(disk.dir + "/story.pfz") == good);
}

/* A process that holds the archive folder of a save, as ZipDirectory makes
 * it, until it is killed; its name is read from the pipe. */
static pid_t HoldingSave(const std::string &archive, std::string *made)
{
    int p[2];
    if (pipe(p) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        std::string folder = archive + ".new-XXXXXX";
        if (CreateHeld(folder, true) < 0)
            _exit(1);
        WriteTextFile(folder + "/archive", "half an archive");
        (void)!write(p[1], folder.c_str(), folder.size());
        close(p[1]);
        pause();
        _exit(0);
    }
    close(p[1]);
    char name[4096];
    ssize_t n = read(p[0], name, sizeof(name));
    close(p[0]);
    made->assign(name, n > 0 ? size_t(n) : 0);
    return pid;
}

/* A save killed part way leaves its folder beside the project; the next
 * save there removes it, and never one of a save still running. */
TEST_F(Archive, ASaveSweepsWhatSavesThatDiedLeftBesideIt)
{
    MakeProject();
    std::string dead, live;
    pid_t killed = HoldingSave(out + "/story.pfz", &dead), running = HoldingSave(out + "/other.pfz", &live);
    ASSERT_GT(killed, 0);
    ASSERT_GT(running, 0);
    ASSERT_TRUE(HostExists(dead + "/archive") && HostExists(live + "/archive"));
    kill(killed, SIGKILL);
    waitpid(killed, nullptr, 0);
    /* What earlier versions left: the file and libzip's own beside it. */
    WriteTextFile(out + "/story.pfz.new-Ab3xY9", "old");
    WriteTextFile(out + "/story.pfz.new-Ab3xY9.q7Rz2K", "old");
    for (const char *mine : {"notes.pfz.new", "story.pfz.new-1", "job-Ab3xY9", "story.new-Ab3xY9"})
        WriteTextFile(out + "/" + mine, "the user's own");

    RequesterScriptAdd((out + "/story.pfz").c_str());
    ASSERT_EQ(SaveProject(true), 0u) << LastRequester();
    EXPECT_FALSE(HostExists(dead)) << "the killed save's folder is gone";
    EXPECT_TRUE(HostExists(live + "/archive")) << "the running save's folder stays";
    EXPECT_FALSE(HostExists(out + "/story.pfz.new-Ab3xY9"));
    EXPECT_FALSE(HostExists(out + "/story.pfz.new-Ab3xY9.q7Rz2K"));
    for (const char *mine : {"notes.pfz.new", "story.pfz.new-1", "job-Ab3xY9", "story.new-Ab3xY9"})
        EXPECT_EQ(ReadTextFile(out + "/" + mine), "the user's own") << mine;

    kill(running, SIGKILL);
    waitpid(running, nullptr, 0);
    ASSERT_EQ(SaveProject(false), 0u) << LastRequester();
    EXPECT_FALSE(HostExists(live)) << "once its process has ended";
    std::vector<DirEntry> left;
    ListDirectory(out.c_str(), left);
    std::string names;
    for (const DirEntry &e : left)
        names += e.name + " ";
    EXPECT_EQ(names, "job-Ab3xY9 notes.pfz.new story.new-Ab3xY9 story.pfz story.pfz.new-1 ");
}

/* ------------------------------------------------------------ hostile archives */

struct Entry {
    std::string name;
    std::string data;
    bool link;
};

static void MakeZip(const std::string &path, const std::vector<Entry> &entries)
{
    int err;
    zip_t *za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    for (const Entry &e : entries) {
        zip_source_t *s = zip_source_buffer(za, e.data.data(), e.data.size(), 0);
        zip_int64_t i = zip_file_add(za, e.name.c_str(), s, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(i, 0) << e.name;
        if (e.link)
            zip_file_set_external_attributes(za, zip_uint64_t(i), 0, ZIP_OPSYS_UNIX, 0120777u << 16);
    }
    ASSERT_EQ(zip_close(za), 0);
}

TEST_F(Archive, HostileArchivesAreRefused)
{
    MakeProject();
    ASSERT_TRUE(WriteElementFile(ElementFileName));
    std::string pff = ReadTextFile(scratch + "/T/PAG4/Elemente.pff");
    const std::vector<std::vector<Entry>> hostile = {
        {{"PAG4/Elemente.pff", pff, false}, {"../evil.txt", "x", false}},
        {{"PAG4/Elemente.pff", pff, false}, {"PAG4/../../evil.txt", "x", false}},
        {{"/tmp/pagimo-evil-absolute.txt", "x", false}, {"PAG4/Elemente.pff", pff, false}},
        {{"PAG4/Elemente.pff", pff, false}, {"OTHER/evil.txt", "x", false}},
        {{"PAG4/Elemente.pff", pff, false}, {"PAG4/Bilder/link", scratch + "/mine", true}},
        {{"PAG4/Elemente.pff", pff, false}, {"PAG4\\..\\..\\evil.txt", "x", false}},
    };
    WriteTextFile(scratch + "/mine", "precious");
    for (size_t i = 0; i < hostile.size(); i++) {
        std::string path = out + "/hostile" + std::to_string(i) + ".pfz";
        MakeZip(path, hostile[i]);
        RequesterLog.clear();
        EXPECT_EQ(OpenProjectPath(path.c_str()), 2u) << "archive " << i;
        EXPECT_EQ(LastRequester().rfind("Hint|The project could not be opened.", 0), 0u) << i;
        EXPECT_FALSE(HostExists(scratch + "/evil.txt")) << i;
        EXPECT_FALSE(HostExists(scratch + "/T/evil.txt")) << i;
        EXPECT_FALSE(HostExists("/tmp/pagimo-evil-absolute.txt")) << i;
        EXPECT_FALSE(HostExists(scratch + "/T/PAG4")) << "nothing of archive " << i << " stays";
        EXPECT_EQ(ReadTextFile(scratch + "/mine"), "precious");
    }

    UnzipLimit = 4096;
    MakeZip(out + "/bomb.pfz", {{"PAG4/Elemente.pff", pff, false}, {"PAG4/Bilder/big", std::string(8192, 0), false}});
    EXPECT_EQ(OpenProjectPath((out + "/bomb.pfz").c_str()), 2u) << "an entry too large for a project";
    UnzipLimit = 1ull << 30;

    MakeZip(out + "/empty.pfz", {{"PAG4/Texte/a.txt", "a", false}});
    EXPECT_EQ(OpenProjectPath((out + "/empty.pfz").c_str()), 1u) << "no element file";
    EXPECT_NE(LastRequester().find("no element file"), std::string::npos);
    WriteTextFile(out + "/plain.pfz", "this is no zip archive");
    EXPECT_EQ(OpenProjectPath((out + "/plain.pfz").c_str()), 1u);
    EXPECT_NE(LastRequester().find("not a ZIP archive"), std::string::npos);
    MakeZip(out + "/cut.pfz", {{"PAG4/Elemente.pff", pff.substr(0, pff.size() - 100), false}});
    EXPECT_EQ(OpenProjectPath((out + "/cut.pfz").c_str()), 2u) << "a truncated element file";
    MakeZip(out + "/alien.pfz", {{"PAG4/Elemente.pff", "Something else entirely, long enough", false}});
    EXPECT_EQ(OpenProjectPath((out + "/alien.pfz").c_str()), 9u);
    EXPECT_NE(LastRequester().find("no project identifier"), std::string::npos);
}
