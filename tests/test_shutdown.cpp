/*
 * test_shutdown.cpp - what the program owns is given back at shutdown: the
 * screen-font cache lets go of every TrueType file it holds, and the font
 * service works as before when it is used again afterwards. The sanitized
 * suite (scripts/sanitize.sh) checks the same for memory.
 */
#include <fstream>
#include <string>

#include "testutil.h"

#include "platform/fontinstall.h"
#include "platform/screenfont.h"

static const std::string DEJAVU = "/usr/share/fonts/truetype/dejavu/";

/* FreeType maps a face's file into memory for as long as the face lives. */
static int MappedFonts(void)
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    int n = 0;
    while (std::getline(maps, line))
        n += line.find("/fonts/_TrueType/") != std::string::npos;
    return n;
}

class Shutdown : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        if (!HostExists(DEJAVU + "DejaVuSans.ttf") || !HostExists(DEJAVU + "DejaVuSans-Bold.ttf"))
            GTEST_SKIP() << "fonts-dejavu-core is needed";
        std::string drawer = scratch + "/fonts/_TrueType";
        mkdir(drawer.c_str(), 0755);
        for (const char *f : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"})
            WriteTextFile(drawer + "/" + f, ReadTextFile(DEJAVU + f));
    }
};

TEST_F(Shutdown, ScreenFontCacheClosesItsFilesAndServesAgain)
{
    CloseScreenFonts(); /* whatever earlier tests of this process left */
    ASSERT_TRUE(InstallFonts());
    ScreenFont *sf = OpenScreenFont("DejaVu Sans.font", 45);
    ScreenFont *bold = OpenScreenFont("DejaVu Sans Bold.font", 45);
    ASSERT_TRUE(sf && bold);
    uint32_t width = ScreenFontTextLength(sf, "Pagimo", 6);
    EXPECT_GT(width, 0u);
    CloseScreenFont(sf);
    CloseScreenFont(bold);
    EXPECT_GE(MappedFonts(), 2) << "the cache keeps the faces it loaded";

    CloseScreenFonts();
    EXPECT_EQ(MappedFonts(), 0) << "every TrueType file is let go";
    CloseScreenFonts();

    sf = OpenScreenFont("DejaVu Sans.font", 45);
    ASSERT_TRUE(sf) << "the service starts again after being closed";
    EXPECT_EQ(ScreenFontTextLength(sf, "Pagimo", 6), width);
    TrueTypeMetrics m;
    EXPECT_TRUE(ReadTrueTypeMetrics("FONTS:_TrueType/DejaVuSans.ttf", &m));
    EXPECT_EQ(m.unitsPerEm, 2048u);
    CloseScreenFont(sf);
    CloseScreenFonts();
    EXPECT_EQ(MappedFonts(), 0);
}
