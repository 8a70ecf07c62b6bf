/*
 * test_fonts.cpp - the font base: the installer's drawer and description
 * files, the catalogue's naming-table reading, style lists and limits, the
 * metrics of requests, the style switch of the font chooser, and screen
 * fonts. Inputs are copies and links of the DejaVu and Liberation files of
 * the host, some with patched naming tables or damaged on purpose.
 */
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <QColor>

#include "testutil.h"

#include "gui/layouts.h"
#include "pdf/fontcatalog.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/fontinstall.h"
#include "platform/gui.h"
#include "platform/rastport.h"
#include "platform/screenfont.h"

static const std::string DEJAVU = "/usr/share/fonts/truetype/dejavu/";
static const std::string LIBERATION = "/usr/share/fonts/truetype/liberation/";

/* ------------------------------------------------------------ font bytes */

static uint16_t Get16(const std::string &d, size_t at)
{
    return uint16_t((unsigned char)d[at] << 8 | (unsigned char)d[at + 1]);
}

static uint32_t Get32(const std::string &d, size_t at)
{
    return uint32_t(Get16(d, at)) << 16 | Get16(d, at + 2);
}

static void Put16(std::string &d, size_t at, uint16_t v)
{
    d.replace(at, 2, {char(v >> 8), char(v)});
}

static size_t TableOffset(const std::string &d, const char *tag)
{
    for (size_t i = 0; i < Get16(d, 4); i++)
        if (!d.compare(12 + 16 * i, 4, tag))
            return Get32(d, 12 + 16 * i + 8);
    return 0;
}

/* Positions of the name records of this platform and name id. */
static std::vector<size_t> NameRecords(const std::string &d, uint16_t platform, uint16_t id)
{
    std::vector<size_t> found;
    size_t table = TableOffset(d, "name");
    for (size_t i = 0; i < Get16(d, table + 2); i++) {
        size_t rec = table + 6 + 12 * i;
        if (Get16(d, rec) == platform && Get16(d, rec + 6) == id)
            found.push_back(rec);
    }
    return found;
}

/* Gives the font a new full name, written over its copyright text. */
static void SetFullName(std::string &d, const std::string &name)
{
    size_t table = TableOffset(d, "name"), copyright = NameRecords(d, 3, 0).at(0);
    ASSERT_GE(Get16(d, copyright + 8), 2 * name.size());
    size_t at = table + Get16(d, table + 4) + Get16(d, copyright + 10);
    for (size_t i = 0; i < name.size(); i++)
        Put16(d, at + 2 * i, (unsigned char)name[i]);
    for (size_t rec : NameRecords(d, 3, 4)) {
        Put16(d, rec + 8, uint16_t(2 * name.size()));
        Put16(d, rec + 10, Get16(d, copyright + 10));
    }
}

/* ------------------------------------------------------------ fixture */

class Fonts : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        if (!HostExists(DEJAVU + "DejaVuSans.ttf") || !HostExists(LIBERATION + "LiberationSans-Regular.ttf"))
            GTEST_SKIP() << "fonts-dejavu-core and fonts-liberation are needed";
        drawer = scratch + "/fonts/_TrueType";
        mkdir(drawer.c_str(), 0755);
    }
    void TearDown() override
    {
        PlatformWindowDestroy(0);
        ScratchTest::TearDown();
    }
    void Put(const std::string &entry, const std::string &data) { WriteTextFile(drawer + "/" + entry, data); }
    void Link(const std::string &entry, const std::string &target)
    {
        symlink(target.c_str(), (drawer + "/" + entry).c_str());
    }
    /* A system font without a tag file: enough for the catalogue. */
    void Declare(const std::string &name) { WriteTextFile(scratch + "/fonts/" + name + ".font", "x"); }
    /* The window with the font chooser and a page area to draw in. */
    void OpenWindow()
    {
        PlatformGuiInit(0, nullptr);
        static const uint8_t pens[16][3] = {{255, 255, 255}, {0, 0, 0}};
        PlatformSetPalette(pens);
        PlatformWindowCreate(0, "Fonts", 800, 600, true);
        int n = 0;
        while (fontlabels[n])
            n++;
        GAddChooser(GID_FONTS, fontlabels, n, 0, "");
        GAddPageArea();
        PlatformWindowOpen(0);
    }
    std::string drawer;
};

static std::vector<std::string> List(const char *const *names)
{
    std::vector<std::string> v;
    for (int i = 0; names && names[i]; i++)
        v.push_back(names[i]);
    return v;
}

static TextAttr Request(const char *name, uint16_t size)
{
    TextAttr ta{};
    std::strcpy(ta.ta_Name, name);
    ta.ta_YSize = size;
    return ta;
}

/* ------------------------------------------------------------ naming table */

TEST_F(Fonts, FullNameComesOnlyFromTheWindowsUsEnglishRecord)
{
    const std::string sans = ReadTextFile(DEJAVU + "DejaVuSans.ttf");
    char name[300];
    auto Name = [&](const std::string &data, size_t size = 255) {
        Put("t.ttf", data);
        std::memset(name, 'X', sizeof(name));
        return GetTTRealFontname("FONTS:_TrueType/t.ttf", name, size);
    };
    EXPECT_TRUE(Name(sans));
    EXPECT_STREQ(name, "DejaVu Sans");
    EXPECT_FALSE(Name(sans, 11)) << "half the record's length must be below the size";

    std::string other = sans;
    for (size_t rec : NameRecords(other, 3, 4))
        Put16(other, rec + 4, 0x407);
    EXPECT_FALSE(Name(other)) << "German only";
    EXPECT_STREQ(name, "");
    other = sans;
    for (size_t rec : NameRecords(other, 3, 4))
        Put16(other, rec, 1);
    EXPECT_FALSE(Name(other)) << "Macintosh only";

    other = sans;
    size_t full = NameRecords(other, 3, 4).at(0);
    Put16(other, full + 8, 400);
    EXPECT_TRUE(Name(other)) << "a record longer than the buffer is read up to it";
    EXPECT_EQ(std::string(name).rfind("DejaVu Sans", 0), 0u);
    EXPECT_LE(std::strlen(name), 254u);
    EXPECT_EQ(name[290], 'X');

    EXPECT_FALSE(Name(sans.substr(0, full + 12))) << "the text lies beyond the end";
    other = sans;
    Put16(other, 4, 2);
    EXPECT_FALSE(Name(other)) << "the name table is not among the first numTables";
    other = sans;
    Put16(other, TableOffset(other, "name") + 2, 2);
    EXPECT_FALSE(Name(other)) << "the full name is not among the first count records";
    EXPECT_FALSE(Name(sans.substr(0, 100)));
    EXPECT_FALSE(Name(""));
    EXPECT_FALSE(GetTTRealFontname("FONTS:_TrueType/missing.ttf", name, 255));
    EXPECT_FALSE(GetTTRealFontname("FONTS:_TrueType", name, 255)) << "a directory";
}

/* ------------------------------------------------------------ the scan */

TEST_F(Fonts, ScanSortsFontsIntoStyleListsWithTheirLabels)
{
    for (const char *f : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-BoldOblique.ttf", "DejaVuSans-Oblique.ttf"})
        Put(f, ReadTextFile(DEJAVU + f));
    Link("LiberationSerif-Italic.ttf", LIBERATION + "LiberationSerif-Italic.ttf");
    Link("LiberationSerif-Regular.ttf", LIBERATION + "LiberationSerif-Regular.ttf");
    Link("LiberationMono-Regular.ttf", LIBERATION + "LiberationMono-Regular.ttf");
    std::string semi = ReadTextFile(LIBERATION + "LiberationSans-Regular.ttf");
    SetFullName(semi, "Liberation Sans Semibold");
    Put("Semi.ttf", semi);
    Put("Twin.ttf", ReadTextFile(DEJAVU + "DejaVuSans.ttf"));
    Put("readme.txt", "no font");
    mkdir((drawer + "/sub.ttf").c_str(), 0755);
    for (const char *n : {"DejaVu Sans", "DejaVu Sans Bold", "DejaVu Sans Bold Oblique", "DejaVu Sans Oblique",
                          "Liberation Serif Italic", "Liberation Serif", "Liberation Sans Semibold"})
        Declare(n);

    LookforTTFonts();
    using V = std::vector<std::string>;
    EXPECT_EQ(List(nfont), (V{"DejaVu Sans", "Liberation Serif", "DejaVu Sans"}));
    EXPECT_EQ(List(ifont), (V{"DejaVu Sans Oblique", "Liberation Serif Italic"}));
    EXPECT_EQ(List(ifont_chooser), (V{"DejaVu Sans ", "Liberation Serif "}));
    EXPECT_EQ(List(bfont), (V{"DejaVu Sans Bold", "Liberation Sans Semibold"}));
    EXPECT_EQ(List(bfont_chooser), (V{"DejaVu Sans ", "Liberation Sans Semi"}));
    EXPECT_EQ(List(bifont_chooser), (V{"DejaVu Sans  "}));
    EXPECT_EQ(List(fontlabels), List(nfont_chooser));
    EXPECT_EQ(FontNames(2), bfont);

    ASSERT_EQ(fontconv_count, 8u) << "the twin enters the table too";
    EXPECT_STREQ(fontconv[0][0], "FONTS:_TrueType/DejaVuSans-Bold.ttf");
    EXPECT_STREQ(fontconv[0][1], "DejaVu Sans Bold");
    EXPECT_STREQ(fontconv[7][0], "FONTS:_TrueType/Twin.ttf");
    EXPECT_STREQ(FontInfo[0].filename, "FONTS:DejaVu Sans Bold.otag");
    EXPECT_EQ(FontInfo[0].style, 2);
    EXPECT_STREQ(FontInfo[4].filename, "FONTS:Liberation Mono.otag") << "named, but no system font";
    EXPECT_STREQ(FontInfo[8].filename, "FONTS:DejaVu Sans.otag");
    EXPECT_STREQ(FontInfo[10].filename, "") << "a directory";

    /* Names are kept as facts about the files once they are older than a
     * tick of the file system's clock; a file changed in place, in the same
     * size, is named anew. */
    usleep(100000);
    LookforTTFonts();
    EXPECT_NE(ReadTextFile(scratch + "/cache/pagimo/files").find(" Liberation Sans Semibold\n"), std::string::npos);
    SetFullName(semi, "Liberation Sans SemiBold");
    int fd = open((drawer + "/Semi.ttf").c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(fd, semi.data(), semi.size(), 0), ssize_t(semi.size()));
    close(fd);
    Declare("Liberation Sans SemiBold");
    LookforTTFonts();
    EXPECT_EQ(List(bfont), (V{"DejaVu Sans Bold", "Liberation Sans SemiBold"}));

    std::remove((scratch + "/fonts/DejaVu Sans Bold.font").c_str());
    LookforTTFonts();
    EXPECT_EQ(List(bfont), (V{"Liberation Sans SemiBold"})) << "a second scan starts afresh";
    EXPECT_EQ(fontconv_count, 7u);
    DeleteAll("FONTS:_TrueType");
    LookforTTFonts();
    EXPECT_EQ(fontconv_count, 0u);
    EXPECT_EQ(nfont[0], nullptr);
    EXPECT_EQ(fontlabels[0], nullptr);
}

TEST_F(Fonts, OnlyTheFirstEightyEntriesAreExamined)
{
    for (int i = 0; i < 100; i++) {
        char entry[16];
        std::snprintf(entry, sizeof(entry), "e%03d", i);
        if (i == 10 || i == 79 || i == 80 || i == 99)
            Link(entry, i == 10   ? DEJAVU + "DejaVuSans.ttf"
                        : i == 79 ? LIBERATION + "LiberationSerif-Regular.ttf"
                        : i == 80 ? LIBERATION + "LiberationMono-Regular.ttf"
                                  : LIBERATION + "LiberationSans-Regular.ttf");
        else if (i % 2)
            Put(entry, "junk");
        else
            mkdir((drawer + "/" + entry).c_str(), 0755);
    }
    for (const char *n : {"DejaVu Sans", "Liberation Serif", "Liberation Mono", "Liberation Sans"})
        Declare(n);
    LookforTTFonts();
    EXPECT_EQ(List(nfont), (std::vector<std::string>{"DejaVu Sans", "Liberation Serif"}));
    EXPECT_EQ(fontconv_count, 2u);
    EXPECT_STREQ(FontInfo[79].filename, "FONTS:Liberation Serif.otag");
    EXPECT_STREQ(FontInfo[80].filename, "");
}

TEST_F(Fonts, StyleSwitchKeepsTheFamilyAndItsRegularFace)
{
    for (const char *f : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-ExtraLight.ttf",
                          "DejaVuSansCondensed-Bold.ttf", "DejaVuSansMono-Bold.ttf", "DejaVuSerif.ttf",
                          "DejaVuSerif-Bold.ttf", "DejaVuSerifCondensed.ttf"})
        Link(f, DEJAVU + f);
    Link("LiberationSans-Bold.ttf", LIBERATION + "LiberationSans-Bold.ttf");
    Link("LiberationSans-Regular.ttf", LIBERATION + "LiberationSans-Regular.ttf");
    for (const char *n : {"DejaVu Sans", "DejaVu Sans Bold", "DejaVu Sans ExtraLight", "DejaVu Sans Condensed Bold",
                          "DejaVu Sans Mono Bold", "DejaVu Serif", "DejaVu Serif Bold", "DejaVu Serif Condensed",
                          "Liberation Sans Bold", "Liberation Sans"})
        Declare(n);
    LookforTTFonts();
    /* The light and condensed faces come first, where the longest common
     * prefix of the names used to find them. */
    ASSERT_EQ(List(nfont), (std::vector<std::string>{"DejaVu Sans ExtraLight", "DejaVu Sans", "DejaVu Serif",
                                                     "DejaVu Serif Condensed", "Liberation Sans"}));
    ASSERT_EQ(List(bfont), (std::vector<std::string>{"DejaVu Sans Bold", "DejaVu Sans Condensed Bold",
                                                     "DejaVu Sans Mono Bold", "DejaVu Serif Bold",
                                                     "Liberation Sans Bold"}));
    OpenWindow();

    auto Switch = [](int index, uint32_t from, uint32_t to) {
        GadgetSetNumber(GID_FONTS, index);
        SetFontData(from, to);
        return GadgetNumber(GID_FONTS);
    };
    EXPECT_EQ(Switch(0, 2, 0), 1) << "DejaVu Sans Bold back to DejaVu Sans, not ExtraLight";
    EXPECT_EQ(Switch(3, 2, 0), 2) << "DejaVu Serif Bold back to DejaVu Serif, not Condensed";
    EXPECT_EQ(Switch(1, 0, 2), 0) << "DejaVu Sans to DejaVu Sans Bold, not Condensed or Mono";
    EXPECT_EQ(Switch(0, 0, 2), 0) << "ExtraLight to the family's bold";
    EXPECT_EQ(Switch(3, 0, 2), 3) << "Serif Condensed to the family's bold";
    EXPECT_EQ(Switch(1, 2, 0), 1) << "the condensed bold to the family's regular face";
    EXPECT_EQ(Switch(4, 2, 0), 4) << "and back to Liberation Sans";
    EXPECT_EQ(GadgetLabelCount(GID_FONTS), 5);
    EXPECT_EQ(GadgetLabel(GID_FONTS, 1), "DejaVu Sans");
    EXPECT_EQ(Switch(2, 2, 0), 0) << "Mono, a family without a regular face, takes the nearest name";
    EXPECT_EQ(Switch(1, 0, 7), 1) << "an unknown style changes nothing";
    EXPECT_EQ(Switch(1, 9, 2), 0) << "from an unknown style nothing agrees";
    Switch(0, 0, 1);
    EXPECT_EQ(GadgetLabelCount(GID_FONTS), 0) << "no italic fonts";
}

/* ------------------------------------------------------------ installer and metrics */

TEST_F(Fonts, InstallerDescribesFontsWithFreeTypesMetrics)
{
    DeleteAll("FONTS:_TrueType");
    setenv("XDG_CACHE_HOME", (scratch + "/cache").c_str(), 1); /* fontconfig's cache stays out of home */
    ASSERT_TRUE(InstallFonts());
    std::vector<DirEntry> links;
    ASSERT_TRUE(ListDirectory("FONTS:_TrueType", links));
    EXPECT_LE(links.size(), 80u);
    for (const DirEntry &e : links)
        EXPECT_EQ(e.kind, FK_LINK) << e.name;
    for (const char *f : {"DejaVuSans.ttf", "DejaVuSerif-Bold.ttf", "LiberationMono-Italic.ttf"})
        EXPECT_TRUE(HostExists(drawer + "/" + f)) << f << ": the preferred families come first";
    EXPECT_EQ(ReadTextFile(scratch + "/fonts/DejaVu Sans.font"), "PAGIMO-FONT 1\nFONTS:_TrueType/DejaVuSans.ttf\n");

    FT_Library lib;
    FT_Face face;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    ASSERT_EQ(FT_New_Face(lib, (DEJAVU + "DejaVuSans.ttf").c_str(), 0, &face), 0);
    double upm = face->units_per_EM, ascender = face->ascender;
    double d = 100.0 * (face->ascender - face->descender) / upm;
    FT_Fixed blank;
    FT_Get_Advance(face, FT_Get_Char_Index(face, ' '), FT_LOAD_NO_SCALE, &blank);
    FT_Done_Face(face);
    FT_Done_FreeType(lib);

    std::string tags = ReadTextFile(scratch + "/fonts/DejaVu Sans.otag");
    ASSERT_EQ(tags.size(), 24u);
    EXPECT_EQ(Get32(tags, 0), OT_YSizeFactor);
    EXPECT_EQ(Get16(tags, 4), 100);
    uint16_t id = Get16(tags, 6);
    EXPECT_NEAR(id, d, 0.5);
    EXPECT_EQ(Get32(tags, 8), OT_SpaceWidth);
    EXPECT_NEAR(Get32(tags, 12), blank / upm * (100.0 / id) * 2540 * 250 / 72, 0.5);
    EXPECT_EQ(Get32(tags, 16), 0u);

    LookforTTFonts();
    TextAttr ta = Request("DejaVu Sans.font", 12);
    double ssize = 99;
    EXPECT_DOUBLE_EQ(GetTTFontSize(&ta, &ssize), 12.0 * 100 / id);
    EXPECT_LE(std::fabs(ssize), 1.0);
    uint32_t base;
    double rsize;
    EXPECT_TRUE(GetFontData(&ta, &base, &rsize));
    EXPECT_DOUBLE_EQ(rsize, 12 * (100.0 / id) - 0.5);
    EXPECT_NEAR(base, ascender * (12.0 * 100 / id) / upm, 0.5);

    WriteTextFile(scratch + "/fonts/DejaVu Sans.otag", "mine");
    ASSERT_TRUE(InstallFonts());
    EXPECT_EQ(ReadTextFile(scratch + "/fonts/DejaVu Sans.otag"), "mine") << "a present description stays";
    std::remove((scratch + "/fonts/DejaVu Sans.font").c_str());
    ASSERT_TRUE(InstallFonts());
    EXPECT_EQ(ReadTextFile(scratch + "/fonts/DejaVu Sans.otag"), tags);

    std::string slash = ReadTextFile(LIBERATION + "LiberationSans-Regular.ttf");
    SetFullName(slash, "AC/DC Sans");
    Put("slash.ttf", slash);
    mkdir((scratch + "/fonts/AC").c_str(), 0755);
    ASSERT_TRUE(InstallFonts());
    EXPECT_FALSE(HostExists(scratch + "/fonts/AC/DC Sans.font"));
    EXPECT_FALSE(HostExists(scratch + "/fonts/AC/DC Sans.otag"));

    setenv("PAGIMO_ASSIGN_FONTS", (scratch + "/fonts/DejaVu Sans.otag/sub").c_str(), 1);
    AssignInit();
    EXPECT_FALSE(InstallFonts()) << "FONTS: cannot be made under a file";
}

TEST_F(Fonts, TagFilesWithoutAUsableFactor)
{
    Put("s.ttf", ReadTextFile(DEJAVU + "DejaVuSans.ttf"));
    WriteTextFile(scratch + "/fonts/DejaVu Sans.font", "PAGIMO-FONT 1\nFONTS:_TrueType/s.ttf\n");
    auto Tags = [&](std::vector<uint8_t> bytes) {
        WriteTextFile(scratch + "/fonts/DejaVu Sans.otag", std::string(bytes.begin(), bytes.end()));
    };
    /* 200/218: the same factor as 100/109, without a byte of value 100. */
    Tags({0x80, 0, 0x10, 0x11, 0, 200, 0, 218, 0x80, 0, 0x20, 0x12, 0, 0, 0x09, 0xEC, 0, 0, 0, 0, 0, 0, 0, 0});
    LookforTTFonts();
    TextAttr ta = Request("DejaVu Sans.font", 12);
    uint32_t base;
    double rsize, ssize;
    EXPECT_TRUE(GetFontData(&ta, &base, &rsize));
    EXPECT_DOUBLE_EQ(rsize, 12 * (100.0 / 109) - 0.5);
    EXPECT_DOUBLE_EQ(GetTTFontSize(&ta, &ssize), 12.0 * 200 / 218);

    Tags({0x80, 0, 0x10, 0x11, 0, 100, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(GetFontData(&ta, &base, &rsize)) << "d of 0 opens no screen font";
    EXPECT_EQ(base, 0u);
    EXPECT_DOUBLE_EQ(rsize, 12);
    EXPECT_DOUBLE_EQ(GetTTFontSize(&ta, &ssize), 12);

    std::remove((scratch + "/fonts/DejaVu Sans.otag").c_str());
    EXPECT_FALSE(GetFontData(&ta, &base, &rsize));
    EXPECT_DOUBLE_EQ(rsize, 12);
    ssize = 5;
    EXPECT_DOUBLE_EQ(GetTTFontSize(&ta, &ssize), 12);
    EXPECT_EQ(ssize, 0) << "no tag file: neutral spacing";
    ta = Request("Nowhere Sans.font", 14);
    ssize = 5;
    EXPECT_DOUBLE_EQ(GetTTFontSize(&ta, &ssize), 14);
    EXPECT_EQ(ssize, 0);
}

/* ------------------------------------------------------------ screen fonts */

/* The pixels of a box that are mostly ink (pen 1 on pen 0), as a picture. */
static std::string Pixels(RastPort *rp, int x, int y, int w, int h)
{
    std::string s;
    for (int j = y; j < y + h; j++)
        for (int i = x; i < x + w; i++)
            s += qGray(ReadPixelRGB(rp, i, j)) < 128 ? '#' : '.';
    return s;
}

/* The columns of a picture of Pixels, `width` wide, that hold ink. */
static std::string InkColumns(const std::string &picture, int width)
{
    std::string columns(size_t(width), '.');
    for (size_t i = 0; i < picture.size(); i++)
        if (picture[i] == '#')
            columns[i % size_t(width)] = '#';
    return columns;
}

TEST_F(Fonts, ScreenTextIsAsWideAsItsPartsAndDrawsWhereMeasured)
{
    Put("DejaVuSans.ttf", ReadTextFile(DEJAVU + "DejaVuSans.ttf"));
    ASSERT_TRUE(InstallFonts());
    EXPECT_EQ(OpenScreenFont("DejaVu Sans.font", 0), nullptr);
    EXPECT_EQ(OpenScreenFont("DejaVu Sans", 12), nullptr);
    EXPECT_EQ(OpenScreenFont("Nowhere.font", 12), nullptr);
    ScreenFont *sf = OpenScreenFont("DejaVu Sans.font", 45), *big = OpenScreenFont("DejaVu Sans.font", 90);
    ASSERT_TRUE(sf && big);
    uint32_t a = ScreenFontTextLength(sf, "a", 1), b = ScreenFontTextLength(sf, "b", 1);
    EXPECT_NEAR(double(ScreenFontTextLength(sf, "ab", 2)), a + b, 1.0);
    EXPECT_NEAR(double(ScreenFontBaseline(big)), 2.0 * ScreenFontBaseline(sf), 1.0);
    EXPECT_GT(ScreenFontBaseline(sf), 20u);
    EXPECT_EQ(ScreenFontTextLength(big, "\xE9", 1), ScreenFontTextLength(big, "e", 1)) << "bytes above 127";
    EXPECT_NE(ScreenFontTextLength(big, "\x97", 1), ScreenFontTextLength(big, "\x7F", 1)) << "em dash, not a missing glyph";

    OpenWindow();
    RastPort *rp = WindowRastPort(0);
    SetDrMd(rp, JAM1);
    SetAPen(rp, 0);
    RectFill(rp, 0, 0, 399, 299);
    SetAPen(rp, 1);
    ScreenFontDrawText(sf, rp, 50, 100, "ab", 2);
    ScreenFontDrawText(sf, rp, 50, 200, "a", 1);
    ScreenFontDrawText(sf, rp, 50 + int32_t(a), 200, "b", 1);
    std::string ab = Pixels(rp, 40, 50, 100, 60);
    EXPECT_NE(ab.find('#'), std::string::npos);
    /* b drawn on its own starts a fraction of a pixel from where it stands
     * in "ab": the same columns hold ink, at most one apart at an edge */
    std::string together = InkColumns(ab, 100), apart = InkColumns(Pixels(rp, 40, 150, 100, 60), 100);
    EXPECT_EQ(together.find('#'), apart.find('#'));
    EXPECT_NEAR(double(together.rfind('#')), double(apart.rfind('#')), 1.0) << "b starts where a was measured to end";
    EXPECT_NEAR(double(std::count(together.begin(), together.end(), '#')),
                double(std::count(apart.begin(), apart.end(), '#')), 2.0);
    EXPECT_EQ(Pixels(rp, 50 + int32_t(a + b) + 2, 50, 40, 60), std::string(40 * 60, '.'));
    EXPECT_EQ(Pixels(rp, 40, 100 - ScreenFontBaseline(sf) - 6, 100, 5), std::string(500, '.'));

    SetDrMd(rp, COMPLEMENT);
    ScreenFontDrawText(sf, rp, 50, 100, "ab", 2);
    EXPECT_EQ(Pixels(rp, 40, 50, 100, 60), std::string(6000, '.'));
    ScreenFontDrawText(sf, rp, 50, 100, "ab", 2);
    EXPECT_EQ(Pixels(rp, 40, 50, 100, 60), ab) << "drawn twice, the text is back";
    CloseScreenFont(sf);
    CloseScreenFont(big);
}

TEST_F(Fonts, DamagedFilesAreSkippedOrSurvived)
{
    std::string sans = ReadTextFile(DEJAVU + "DejaVuSans.ttf");
    std::string glyphless = sans, cut = sans, noem = sans;
    SetFullName(glyphless, "Glyphless Sans");
    for (size_t i = TableOffset(glyphless, "glyf"); i < TableOffset(glyphless, "head"); i++)
        glyphless[i] = char(0xFF);
    SetFullName(cut, "Cut Sans");
    SetFullName(noem, "Zero Em Sans");
    Put16(noem, TableOffset(noem, "head") + 18, 0);
    Put("glyphless.ttf", glyphless);
    Put("cut.ttf", cut.substr(0, TableOffset(cut, "name") + 2000));
    Put("noem.ttf", noem);
    Put("short.ttf", sans.substr(0, 4000));
    Put("empty.ttf", "");
    Link("dangling.ttf", scratch + "/nothing");
    WriteTextFile(scratch + "/fonts/Wrong.font", "SOMETHING ELSE\nFONTS:_TrueType/glyphless.ttf\n");
    WriteTextFile(scratch + "/fonts/Wrong.otag", ReadTextFile(scratch + "/fonts/Wrong.font"));
    WriteTextFile(scratch + "/fonts/Empty.font", "");
    WriteTextFile(scratch + "/fonts/Gone.font", "PAGIMO-FONT 1\nFONTS:_TrueType/gone.ttf\n");

    ASSERT_TRUE(InstallFonts());
    EXPECT_TRUE(HostExists(scratch + "/fonts/Glyphless Sans.font"));
    EXPECT_FALSE(HostExists(scratch + "/fonts/Zero Em Sans.font"));
    LookforTTFonts();
    std::vector<std::string> names = List(nfont);
    EXPECT_NE(std::find(names.begin(), names.end(), "Glyphless Sans"), names.end());
    OpenWindow();
    for (std::string n : names) {
        n += ".font";
        ScreenFont *sf = OpenScreenFont(n.c_str(), 30);
        ScreenFontDrawText(sf, WindowRastPort(0), 10, 50, "Broken?", 7);
        CloseScreenFont(sf);
        TextAttr ta = Request(n.c_str(), 30);
        uint32_t base;
        double ssize;
        GetFontData(&ta, &base, nullptr);
        GetTTFontSize(&ta, &ssize);
    }
    for (const char *n : {"Wrong.font", "Empty.font", "Gone.font"})
        EXPECT_EQ(OpenScreenFont(n, 12), nullptr) << n;
}
