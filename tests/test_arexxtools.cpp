/*
 * test_arexxtools.cpp - the ARexx tools: reading the tools file, the
 * parameter keywords, the chooser's memory per mode, and placing pictures
 * with the shipped tools run by the real Regina and ImageMagick, in the
 * real main loop under the offscreen platform.
 */
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "testutil.h"

#include "core/settings.h"
#include "document/pagelist.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/localisation.h"
#include "pdf/pdfexport.h"
#include "platform/assign.h"
#include "platform/gui.h"
#include "platform/process.h"
#include "platform/strutil.h"
#include "text/arexxtools.h"
#include "view/geometry.h"

static std::vector<ARexxData *> Tools(void)
{
    std::vector<ARexxData *> v;
    for (Node *n = GetHead(&arexxlist); n; n = GetSucc(n))
        v.push_back(reinterpret_cast<ARexxData *>(n));
    return v;
}

/* A picture of w × h pixels made by ImageMagick under a plain name (it
 * reads "%d" or "[1]" in a name as its own syntax), then renamed. */
static void MakePicture(const std::string &path, int w, int h)
{
    std::string plain = path.substr(0, path.rfind('/') + 1) + "plain-new" + path.substr(path.rfind('.'));
    std::vector<std::string> argv = {"convert", "-size", std::to_string(w) + "x" + std::to_string(h),
                                     "xc:blue", plain};
    ASSERT_EQ(RunCommand(argv, RUN_WAIT), 0) << path;
    ASSERT_EQ(std::rename(plain.c_str(), path.c_str()), 0) << path;
}

/* "W H" of a picture as ImageMagick reads it. */
static std::string PixelSize(const std::string &path)
{
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return Shell("identify -format '%w %h' " + quoted + "'");
}

/* ------------------------------------------------------------ the tools file */

class ToolsFile : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        mkdir((scratch + "/ARexx").c_str(), 0755);
        AssignPath("PROGDIR:", scratch.c_str());
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "C", 1);
        for (const char *s : {"a.rexx", "b.rexx", "c.rexx"})
            WriteTextFile(scratch + "/ARexx/" + s, "exit 0\n");
    }
    void TearDown() override
    {
        unsetenv("LANG");
        ScratchTest::TearDown();
    }
    void Config(const std::string &lang, const std::string &text)
    {
        WriteTextFile(scratch + "/ARexx/ARexxTools_" + lang + ".config", text);
    }
};

TEST_F(ToolsFile, CommentsBlankLinesAndLineEndsDoNotShiftTheRecords)
{
    Config("english", "# tools\n\na.rexx\n# between\nFirst tool\n\r\nport1\n/usr/bin/true\n"
                      "SFN R09\n21\r\n"
                      "b.rexx\nSecond\nport2\ntrue\nsfn  r18\n19\n"
                      "c.rexx\nLast, no line end\nport3\ntrue\nSFN\n21\n"
                      "a.rexx\nIncomplete\nport4");
    EXPECT_TRUE(ReadARexxTools()) << "read to its end";
    auto t = Tools();
    ASSERT_EQ(t.size(), 3u) << "the incomplete record is dropped";
    EXPECT_STREQ(t[0]->scriptname, "ARexx/a.rexx");
    EXPECT_STREQ(t[0]->name, "First tool");
    EXPECT_STREQ(t[0]->node.ln_Name, "First tool");
    EXPECT_STREQ(t[0]->portname, "port1");
    EXPECT_STREQ(t[0]->exepath, "/usr/bin/true");
    EXPECT_STREQ(t[0]->param, "SFN R09");
    EXPECT_EQ(t[0]->typ, 21);
    EXPECT_STREQ(t[1]->param, "sfn  r18");
    EXPECT_EQ(t[1]->typ, 19);
    EXPECT_STREQ(t[2]->name, "Last, no line end");

    /* The last line without its line end is read whole. */
    FreeLists(2);
    Config("english", "c.rexx\nName\nport\ntrue\nSFN\n21");
    EXPECT_TRUE(ReadARexxTools());
    ASSERT_EQ(Tools().size(), 1u);
    EXPECT_EQ(Tools()[0]->typ, 21);
}

TEST_F(ToolsFile, AMissingScriptEndsTheReadingAndKeepsTheToolsBefore)
{
    Config("english", "a.rexx\nOne\np\ntrue\nSFN\n21\n"
                      "gone.rexx\nTwo\np\ntrue\nSFN\n21\n"
                      "b.rexx\nThree\np\ntrue\nSFN\n21\n");
    EXPECT_FALSE(ReadARexxTools());
    ASSERT_EQ(Tools().size(), 1u);
    EXPECT_STREQ(Tools()[0]->name, "One");
}

TEST_F(ToolsFile, TheUsersLanguageElseEnglishElseNoTools)
{
    EXPECT_FALSE(ReadARexxTools()) << "no tools file";
    EXPECT_TRUE(Tools().empty());

    Config("english", "a.rexx\nRotate\np\ntrue\nR09\n21\n");
    Config("deutsch", "a.rexx\nDrehen \xc3\xbc\x62\x65r\np\ntrue\nR09\n21\n");
    mkdir((scratch + "/catalogs").c_str(), 0755);
    mkdir((scratch + "/catalogs/de").c_str(), 0755);
    WriteTextFile(scratch + "/catalogs/de/pagimo.catalog", "");
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_TRUE(ReadARexxTools());
    ASSERT_EQ(Tools().size(), 1u);
    EXPECT_STREQ(Tools()[0]->name, "Drehen \xfc\x62\x65r") << "the UTF-8 name in the program's 8-bit set";

    FreeLists(2);
    unlink((scratch + "/ARexx/ARexxTools_deutsch.config").c_str());
    EXPECT_TRUE(ReadARexxTools());
    ASSERT_EQ(Tools().size(), 1u);
    EXPECT_STREQ(Tools()[0]->name, "Rotate");
}

TEST_F(ToolsFile, TheShippedFilesDeclareTheFourPictureToolsInBothLanguages)
{
    unlink((scratch + "/ARexx/a.rexx").c_str());
    unlink((scratch + "/ARexx/b.rexx").c_str());
    unlink((scratch + "/ARexx/c.rexx").c_str());
    rmdir((scratch + "/ARexx").c_str());
    ASSERT_EQ(symlink(PAGIMO_SOURCE_DIR "/ARexx", (scratch + "/ARexx").c_str()), 0);
    mkdir((scratch + "/catalogs").c_str(), 0755);
    mkdir((scratch + "/catalogs/de").c_str(), 0755);
    WriteTextFile(scratch + "/catalogs/de/pagimo.catalog", "");
    for (const char *lang : {"C", "de_DE.UTF-8"}) {
        setenv("LANG", lang, 1);
        FreeLists(2);
        EXPECT_TRUE(ReadARexxTools()) << lang;
        auto t = Tools();
        ASSERT_EQ(t.size(), 4u) << lang;
        std::vector<std::string> params;
        for (ARexxData *ad : t) {
            EXPECT_EQ(ad->typ, ET_PICTURE) << ad->name;
            EXPECT_STREQ(ad->exepath, "convert");
            params.push_back(ad->param);
        }
        EXPECT_EQ(params, (std::vector<std::string>{"SFN R09", "SFN R18", "SFN R27", "SFN WIP HEP"}));
        EXPECT_STREQ(t[0]->name, std::string(lang) == "C" ? "Rotate by 90 degrees" : "Um 90 Grad drehen");
    }
}

/* ------------------------------------------------------------ parameters */

class Parameters : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        AssignPath("PGT:", scratch.c_str());
        std::memset(&tool, 0, sizeof(tool));
        pic = MakeElement(ET_PICTURE, ET_PICTURE);
        pic.sx = 100, pic.sy = 120, pic.ex = 300, pic.ey = 270; /* a 200 × 150 box */
        Strlcpy(pic.edata.pd.fn, "PGT:my photo.png", sizeof(pic.edata.pd.fn));
        MakePicture(scratch + "/my photo.png", 400, 300);
    }
    std::string Line(const char *param, bool *all = nullptr)
    {
        Strlcpy(tool.param, param, sizeof(tool.param));
        char com[AREXX_COMMAND_SIZE] = "";
        bool r = AddRXScriptParameter(&tool, &pic, com);
        if (all)
            *all = r;
        return com;
    }
    ARexxData tool;
    GElement pic;
};

TEST_F(Parameters, ValuesOfThePlacedPicture)
{
    std::string quoted = "\"" + scratch + "/my#photo.png\"";
    bool all = false;
    EXPECT_EQ(Line("sfn  r18", &all), " " + quoted + " 180");
    EXPECT_TRUE(all);
    EXPECT_EQ(Line("SFN WIP HEP"), " " + quoted + " 50 50") << "the box in percent of 400 × 300";
    EXPECT_EQ(Line("POX POY DFN R09 R27"), " 100 120 " + quoted + " 90 270") << "POY is the vertical place";
    EXPECT_EQ(Line("XYZ SFN", &all), "") << "an unknown keyword ends the list";
    EXPECT_TRUE(all);
    Line("SFN WID", &all);
    EXPECT_FALSE(all) << "WID has no value: the tool is not run";
    Line("HEI", &all);
    EXPECT_FALSE(all);

    pic.ex = 60; /* dragged leftwards: the distance counts */
    EXPECT_EQ(Line("WIP"), " 10");
}

TEST_F(Parameters, NoPercentOfAPictureWithoutSizeAndNoCutLine)
{
    Strlcpy(pic.edata.pd.fn, "PGT:missing.png", sizeof(pic.edata.pd.fn));
    bool all = true;
    Line("WIP", &all);
    EXPECT_FALSE(all) << "no natural width to divide by";
    all = true;
    Line("HEP", &all);
    EXPECT_FALSE(all);

    /* Nine names of 100 characters and more do not fit the 1023 of the
     * line: the tool is not run with a line cut short. */
    std::string longname(200, 'n');
    Strlcpy(pic.edata.pd.fn, ("PGT:" + longname + ".png").c_str(), sizeof(pic.edata.pd.fn));
    all = true;
    Line("SFN SFN SFN SFN SFN SFN", &all);
    EXPECT_FALSE(all);
}

/* ------------------------------------------------------------ the shipped scripts */

class Scripts : public ScratchTest {
protected:
    int Rexx(const std::string &script, const std::string &args)
    {
        std::string dir = std::string(PAGIMO_SOURCE_DIR) + "/ARexx/";
        return RunCommand({"rexx", dir + script, args}, RUN_WAIT);
    }
    static std::string Encoded(std::string path)
    {
        for (char &c : path)
            if (c == ' ')
                c = '#';
        return "\"" + path + "\"";
    }
};

/* Names a shell would take as commands are only names to the scripts:
 * nothing but the picture changes, in the picture's folder or the one the
 * script runs in. */
TEST_F(Scripts, HostileNamesAreRotatedAndScaledAndNothingElseRuns)
{
    std::string dir = scratch + "/Bilder";
    mkdir(dir.c_str(), 0755);
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof(old)), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    std::vector<std::string> names = {"my photo 'q' $(touch x) `touch x`; touch x.png",
                                      "a \"quoted\\\" name; touch x.png", "plain#hash.png",
                                      "-rf x%d[1].jpg"};
    for (const std::string &n : names) {
        std::string path = dir + "/" + n;
        MakePicture(path, 40, 30);
        EXPECT_EQ(Rexx("Rotate.rexx", Encoded(path) + " 90"), 0) << n;
        EXPECT_EQ(PixelSize(path), "30 40") << n;
        EXPECT_EQ(Rexx("Scale.rexx", Encoded(path) + " 200 50"), 0) << n;
        EXPECT_EQ(PixelSize(path), "60 20") << n;
        EXPECT_EQ(Rexx("Rotate.rexx", Encoded(path) + " 180"), 0) << n;
        EXPECT_EQ(PixelSize(path), "60 20") << n;
    }
    EXPECT_EQ(chdir(old), 0);
    EXPECT_EQ(Shell("ls -A '" + dir + "' | sort"), "-rf x%d[1].jpg\na \"quoted\\\" name; touch x.png\n"
                                                   "my photo 'q' $(touch x) `touch x`; touch x.png\n"
                                                   "plain#hash.png\n");
}

TEST_F(Scripts, BadArgumentsLeaveThePictureAsItWas)
{
    std::string path = scratch + "/p.png";
    MakePicture(path, 40, 30);
    std::string before = ReadTextFile(path);
    EXPECT_NE(Rexx("Rotate.rexx", Encoded(path) + " 45"), 0);
    EXPECT_NE(Rexx("Rotate.rexx", path + " 90"), 0) << "a name without quotes";
    EXPECT_NE(Rexx("Rotate.rexx", Encoded(scratch + "/none.png") + " 90"), 0);
    EXPECT_NE(Rexx("Scale.rexx", Encoded(path) + " 0 50"), 0) << "nothing dragged to scale to";
    EXPECT_NE(Rexx("Scale.rexx", Encoded(path) + " 50"), 0);
    WriteTextFile(scratch + "/t.txt", "not a picture");
    EXPECT_NE(Rexx("Rotate.rexx", Encoded(scratch + "/t.txt") + " 90"), 0);
    WriteTextFile(scratch + "/broken.png", "not a picture");
    EXPECT_NE(Rexx("Rotate.rexx", Encoded(scratch + "/broken.png") + " 90"), 0);
    EXPECT_EQ(ReadTextFile(scratch + "/broken.png"), "not a picture");
    EXPECT_EQ(ReadTextFile(path), before);
}

/* ------------------------------------------------------------ in the main loop */

class ToolsLoop : public MainLoopScratchTest {
protected:
    void SetUp() override
    {
        MainLoopScratchTest::SetUp();
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "C", 1);
        RequesterSetPrint(false);
    }
    void TearDown() override
    {
        unsetenv("LANG");
        MainLoopScratchTest::TearDown();
    }
};

static int32_t X(int32_t dx) { return int32_t(xstart) + dx; }
static int32_t Y(int32_t dy) { return int32_t(ystart) + dy; }

static std::vector<std::string> Labels(void)
{
    std::vector<std::string> v;
    for (int i = 0; i < GadgetLabelCount(GID_AREXX_SEL); i++)
        v.push_back(GadgetLabel(GID_AREXX_SEL, i));
    return v;
}

static std::string Cwd(void)
{
    char buf[4096];
    return getcwd(buf, sizeof(buf)) ? buf : "";
}

/* The picture placed at its drag's corner (x, y). */
static GElement *PictureAt(int32_t x, int32_t y = 100)
{
    for (GElement *e : Elements(1))
        if (e->node.ln_Type == ET_PICTURE && e->sx == uint32_t(X(x)) && e->sy == uint32_t(Y(y)))
            return e;
    return nullptr;
}

/* Places the picture at `png` with the tool at chooser place `tool`,
 * dragging a box of w × h from (x, y), through the file requester. The
 * picture mode is on already: its message would set the chooser again. */
static void PlaceWithTool(const std::string &png, int tool, int x, int w, int h, int y = 100)
{
    Choose(GID_AREXX_SEL, tool);
    GadgetSetText(GID_PICTUREPATH, "");
    RequesterScriptAdd(png.c_str());
    Drag(X(x), Y(y), X(x + w), Y(y + h));
}

/* Test tools in a folder of the test's own, read as the start-up does. */
static void UseTools(const std::string &dir, const std::string &config)
{
    mkdir((dir + "/ARexx").c_str(), 0755);
    WriteTextFile(dir + "/ARexx/ARexxTools_english.config", config);
    AssignPath("PROGDIR:", dir.c_str());
    FreeLists(2);
    ReadARexxTools();
    SetARexxChooser(GID_CURSOR);
}

TEST_F(ToolsLoop, ShippedToolsRotateAndScaleThePlacedPicture)
{
    static std::string png, pdf;
    png = scratch + "/photo 400.png";
    pdf = scratch + "/out.pdf";
    MakePicture(png, 400, 300);
    std::vector<std::function<void()>> s;
    s.push_back([] { Press(GID_PICTURES); });
    s.push_back([] {
        EXPECT_EQ(Labels(), (std::vector<std::string>{"nothing", "Rotate by 90 degrees", "Rotate by 180 degrees",
                                                      "Rotate by 270 degrees", "Scale to the dragged size"}));
        PlaceWithTool(png, 1, 100, 50, 50);
    });
    s.push_back([] {
        GElement *ge = PictureAt(100);
        ASSERT_NE(ge, nullptr);
        EXPECT_EQ(ge->ex - ge->sx, 300u) << "the element takes the turned picture's size";
        EXPECT_EQ(ge->ey - ge->sy, 400u);
        EXPECT_EQ(std::string(ge->edata.pd.fn).rfind("PGT:PAG4/Bilder/", 0), 0u);
        EXPECT_EQ(PixelSize(HostPath(ge->edata.pd.fn)), "300 400");
        EXPECT_EQ(PixelSize(png), "400 300") << "the user's own file is untouched";
        EXPECT_EQ(RequesterLog.size(), 1u) << "only the file requester";
        PlaceWithTool(png, 4, 100, 200, 150, 550);
    });
    s.push_back([] {
        GElement *ge = PictureAt(100, 550);
        ASSERT_NE(ge, nullptr);
        EXPECT_EQ(ge->ex - ge->sx, 200u) << "scaled to the dragged box";
        EXPECT_EQ(ge->ey - ge->sy, 150u);
        EXPECT_EQ(PixelSize(HostPath(ge->edata.pd.fn)), "200 150");
        ASSERT_TRUE(ExportProject(pdf.c_str(), xstart, ystart, xend, yend));
        std::string list = Shell("pdfimages -list '" + pdf + "'");
        EXPECT_NE(list.find(" 300   400 "), std::string::npos) << list;
        EXPECT_NE(list.find(" 200   150 "), std::string::npos) << list;
    });
    EXPECT_TRUE(Run(s));
}

TEST_F(ToolsLoop, TheChooserRemembersEachModesToolAndRunsOneOfThem)
{
    static std::string dir, png;
    dir = scratch + "/prog";
    png = scratch + "/p.png";
    mkdir(dir.c_str(), 0755);
    MakePicture(png, 40, 30);
    std::vector<std::function<void()>> s;
    s.push_back([] {
        /* Each script leaves its mark in the current directory. */
        for (const char *t : {"line", "first", "second"}) {
            mkdir((dir + "/ARexx").c_str(), 0755);
            WriteTextFile(dir + "/ARexx/" + t + ".rexx", std::string("call lineout 'ran-") + t + "', 'x'\nexit 0\n");
        }
        UseTools(dir, "line.rexx\nSame\np\ntrue\nSFN\n19\n"
                      "first.rexx\nFirst\np\ntrue\nSFN\n21\n"
                      "second.rexx\nSame\np\ntrue\nSFN\n21\n");
        Press(GID_PICTURES);
    });
    s.push_back([] {
        EXPECT_EQ(Labels(), (std::vector<std::string>{"nothing", "First", "Same"}));
        Choose(GID_AREXX_SEL, 2);
        Press(GID_LINE);
    });
    s.push_back([] {
        EXPECT_EQ(Labels(), (std::vector<std::string>{"nothing", "Same"}));
        EXPECT_EQ(GadgetNumber(GID_AREXX_SEL), 0) << "the line mode had nothing chosen";
        Choose(GID_AREXX_SEL, 1);
        Press(GID_CURSOR);
    });
    s.push_back([] {
        EXPECT_EQ(GadgetNumber(GID_AREXX_SEL), 0) << "select mode chooses nothing";
        Press(GID_PICTURES);
    });
    s.push_back([] {
        EXPECT_EQ(GadgetNumber(GID_AREXX_SEL), 2) << "the picture mode's tool comes back";
        Choose(GID_AREXX_SEL, 1);
        Press(GID_PICTURES); /* again, as for the next picture */
    });
    s.push_back([] {
        EXPECT_EQ(GadgetNumber(GID_AREXX_SEL), 1) << "the tool just chosen stays";
        Choose(GID_AREXX_SEL, 2);
        Press(GID_LINE);
    });
    s.push_back([] {
        EXPECT_EQ(GadgetNumber(GID_AREXX_SEL), 1);
        GadgetSetText(GID_PICTUREPATH, "");
        Press(GID_PICTURES);
        RequesterScriptAdd(png.c_str());
        Drag(X(100), Y(100), X(150), Y(150));
    });
    s.push_back([] {
        ASSERT_NE(PictureAt(100), nullptr);
        EXPECT_TRUE(HostExists(Cwd() + "/ran-second")) << "the picture mode's \"Same\" ran";
        EXPECT_FALSE(HostExists(Cwd() + "/ran-line")) << "not the line mode's";
        EXPECT_FALSE(HostExists(Cwd() + "/ran-first"));
        /* The path now remembers the picture just placed; a chosen tool
         * still asks for the next one and runs on it. */
        Choose(GID_AREXX_SEL, 1);
        RequesterScriptAdd(png.c_str());
        Drag(X(300), Y(100), X(350), Y(150));
    });
    s.push_back([] {
        ASSERT_NE(PictureAt(300), nullptr);
        EXPECT_TRUE(HostExists(Cwd() + "/ran-first")) << "the tool chosen ran on the next picture";
        EXPECT_STRNE(PictureAt(300)->edata.pd.fn, PictureAt(100)->edata.pd.fn) << "on a copy of its own";
    });
    EXPECT_TRUE(Run(s));
}

/* A tool that fails, one that breaks the picture, one whose program is
 * missing and one that runs too long all leave the picture placed as it
 * was chosen, and say so. */
TEST_F(ToolsLoop, FailingToolsLeaveThePictureAsPlaced)
{
    static std::string dir, png, original;
    dir = scratch + "/prog";
    png = scratch + "/p.png";
    mkdir(dir.c_str(), 0755);
    mkdir((dir + "/ARexx").c_str(), 0755);
    MakePicture(png, 40, 30);
    original = ReadTextFile(png);
    WriteTextFile(dir + "/ARexx/fail.rexx", "exit 1\n");
    WriteTextFile(dir + "/ARexx/slow.rexx", "address command 'sleep 3'\nexit 0\n");
    WriteTextFile(dir + "/ARexx/break.rexx", "parse arg '\"' f '\"'\ncall charout f, 'garbage', 1\nexit 0\n");
    std::vector<std::function<void()>> s;
    s.push_back([] {
        UseTools(dir, "fail.rexx\nFailing\np\ntrue\nSFN\n21\n"
                      "break.rexx\nBreaking\np\ntrue\nSFN\n21\n"
                      "fail.rexx\nMissing\nNoSuchPort\n/nonexistent/tool\nSFN\n21\n"
                      "slow.rexx\nSlow\np\ntrue\nSFN\n21\n");
        ARexxToolMillis = 300;
        Press(GID_PICTURES);
    });
    s.push_back([] { PlaceWithTool(png, 1, 100, 10, 10); });
    s.push_back([] { PlaceWithTool(png, 2, 200, 10, 10); });
    s.push_back([] { PlaceWithTool(png, 3, 300, 10, 10); });
    s.push_back([] { PlaceWithTool(png, 4, 400, 10, 10); });
    s.push_back([] {
        ARexxToolMillis = 120000;
        for (int32_t x : {100, 200, 300, 400}) {
            GElement *ge = PictureAt(x);
            ASSERT_NE(ge, nullptr) << x;
            EXPECT_EQ(ge->ex - ge->sx, 40u) << x;
            EXPECT_EQ(ReadTextFile(HostPath(ge->edata.pd.fn)), original) << x;
        }
        std::vector<std::string> shown;
        for (const std::string &r : RequesterLog)
            if (r.rfind("file|", 0) != 0)
                shown.push_back(r);
        EXPECT_EQ(shown, (std::vector<std::string>{
                             "Hint|The ARexx-tool Failing failed; the picture stays as it was placed.|Okay",
                             "Hint|The ARexx-tool Breaking failed; the picture stays as it was placed.|Okay",
                             "Hint|Cannot find the ARexx port NoSuchPort.|Okay",
                             "Hint|The ARexx-tool Slow failed; the picture stays as it was placed.|Okay"}));
    });
    EXPECT_TRUE(Run(s));
}

/* The file requester answered with a name a shell would run: the shipped
 * tool turns the picture and nothing else happens. */
TEST_F(ToolsLoop, AHostileNameIsRotatedAndRunsNothing)
{
    static std::string png;
    png = scratch + "/my photo 'q' $(touch x) `touch x`; touch x.png";
    MakePicture(png, 40, 30);
    std::vector<std::function<void()>> s;
    s.push_back([] { Press(GID_PICTURES); });
    s.push_back([] { PlaceWithTool(png, 3, 100, 10, 10); });
    s.push_back([] {
        GElement *ge = PictureAt(100);
        ASSERT_NE(ge, nullptr);
        EXPECT_EQ(ge->ex - ge->sx, 30u);
        EXPECT_EQ(PixelSize(HostPath(ge->edata.pd.fn)), "30 40");
        EXPECT_EQ(Shell("ls -A '" + HostPath("PGT:PAG4/Bilder") + "'"),
                  "my photo 'q' $(touch x) `touch x`; touch x.png\n");
        EXPECT_FALSE(HostExists(Cwd() + "/x"));
        EXPECT_FALSE(HostExists(Cwd() + "/x.png"));
    });
    EXPECT_TRUE(Run(s));
    EXPECT_FALSE(HostExists(scratch + "/x"));
}
