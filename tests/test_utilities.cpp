/*
 * test_utilities.cpp - the string and file helpers at the edges where they
 * can really break: taken names, the end of the name search, bounded
 * buffers, case-blind matching of 8-bit text, and the date texts.
 */
#include <algorithm>
#include <clocale>
#include <cstring>
#include <locale.h>
#include <regex>
#include <string>

#include "testutil.h"

#include "core/settings.h"
#include "platform/mempool.h"
#include "text/utilities.h"

class Utilities : public ScratchTest {};

TEST_F(Utilities, FileExistsTreatsEmptyAndSlashEndedNamesAsMissing)
{
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists((scratch + "/").c_str()));
    EXPECT_TRUE(FileExists(scratch.c_str()));
    EXPECT_TRUE(FileExists("T:"));
    WriteTextFile(scratch + "/T/f.txt", "x");
    EXPECT_TRUE(FileExists("T:f.txt"));
    EXPECT_FALSE(FileExists("T:g.txt"));
}

TEST_F(Utilities, CreateFreeFilenameNumbersTakenNames)
{
    char nfn[256];
    EXPECT_EQ(CreateFreeFilename("T:", "text.txt", nfn), 1);
    EXPECT_STREQ(nfn, "text.txt");
    WriteTextFile(scratch + "/T/text.txt", "");
    WriteTextFile(scratch + "/T/text-001.txt", "");
    EXPECT_EQ(CreateFreeFilename("T:", "text.txt", nfn), 1);
    EXPECT_STREQ(nfn, "text-002.txt");
    WriteTextFile(scratch + "/T/a.b.txt", "");
    CreateFreeFilename("T:", "a.b.txt", nfn);
    EXPECT_STREQ(nfn, "a.b-001.txt");
    WriteTextFile(scratch + "/T/README", "");
    CreateFreeFilename("T:", "README", nfn);
    EXPECT_STREQ(nfn, "README-001");
    std::string dir = scratch + "/T";
    CreateFreeFilename(dir.c_str(), "text.txt", nfn);
    EXPECT_STREQ(nfn, "text-002.txt") << "a host directory joins with a slash";
}

TEST_F(Utilities, CreateFreeFilenameGivesUpWhenEveryNameIsTaken)
{
    /* A 255-character name leaves no room for the counter, so every
     * candidate is the taken name itself: the search must still end. */
    std::string name(255, 'n');
    WriteTextFile(scratch + "/T/" + name, "");
    char nfn[256] = "x";
    EXPECT_EQ(CreateFreeFilename("T:", name.c_str(), nfn), 0);
    EXPECT_STREQ(nfn, "");
}

TEST_F(Utilities, AllocStringAppendsTheIndexAndNeverOverflows)
{
    char *s = AllocString("Page", 12, 0);
    EXPECT_STREQ(s, "Page 12");
    char *c = AllocString("Page", 0, 0);
    EXPECT_STREQ(c, "Page");
    EXPECT_NE(c, s);
    char *cut = AllocString("Seite", 12345, 6);
    EXPECT_STREQ(cut, "Seite");
    char *neg = AllocString("n", -3, 0);
    EXPECT_STREQ(neg, "n -3");
    FreeString(s);
    FreeString(c);
    FreeString(cut);
    FreeString(neg);
    EXPECT_EQ(PoolBytesInUse(APMemPool), 0u);
    PoolSetLimit(APMemPool, 1);
    EXPECT_EQ(AllocString("Page", 1, 0), nullptr);
}

TEST(Compare, IdenticalCharScoresFromTheSecondCharacter)
{
    EXPECT_EQ(IdenticalChar("abc", "abc"), 3u);
    EXPECT_EQ(IdenticalChar("ab", "abc"), 1u);
    EXPECT_EQ(IdenticalChar("xbc", "abc"), 3u);
    EXPECT_EQ(IdenticalChar("DejaVuSans-Bold", "DejaVuSans-Oblique"), 10u);
    EXPECT_EQ(IdenticalChar("abc", ""), 0u);
    EXPECT_EQ(IdenticalChar(nullptr, "abc"), 0u);
}

TEST(Compare, InStringIgnoresCaseOfAccentedLettersToo)
{
    EXPECT_TRUE(InString("Hello World", "WORLD"));
    EXPECT_FALSE(InString("ab", "abc"));
    EXPECT_TRUE(InString("abc", ""));
    EXPECT_TRUE(InString("abc", "abc"));
    EXPECT_FALSE(InString("abcd", "bd"));
    EXPECT_TRUE(InString("Gr\xfc\xdf" "e aus K\xd6LN", "k\xf6ln"));
}

TEST(Replace, ReplacesFirstOrEveryMatchWithoutRescanning)
{
    char s[64] = "a.PFZ.pfz";
    ReplaceString(s, sizeof(s), ".pfz", ".pdf", 0);
    EXPECT_STREQ(s, "a.pdf.pdf");
    std::strcpy(s, "a.PFZ.pfz");
    ReplaceString(s, sizeof(s), ".pfz", ".pdf", 1);
    EXPECT_STREQ(s, "a.pdf.pfz");
    std::strcpy(s, "aaa");
    ReplaceString(s, sizeof(s), "a", "aa", 0);
    EXPECT_STREQ(s, "aaaaaa");
    std::strcpy(s, "ab");
    ReplaceString(s, sizeof(s), "abc", "x", 0);
    EXPECT_STREQ(s, "ab");
    ReplaceString(s, sizeof(s), "", "x", 0);
    EXPECT_STREQ(s, "ab");
    std::strcpy(s, "xyz");
    ReplaceString(s, sizeof(s), "q", "r", 1);
    EXPECT_STREQ(s, "xyz");
}

TEST(Replace, NeverWritesPastEitherBuffer)
{
    struct {
        char text[16];
        char guard[16];
    } b;
    std::memset(b.guard, 'G', sizeof(b.guard));
    std::strcpy(b.text, "aaaaaaaaaa");
    ReplaceString(b.text, sizeof(b.text), "a", "bbbb", 0);
    EXPECT_STREQ(b.text, "bbbbbbbbbbbbbbb");
    for (char g : b.guard)
        ASSERT_EQ(g, 'G');

    std::string big(2000, 'x');
    std::string huge(3000, 'y');
    std::vector<char> buf(8192, 0);
    std::memcpy(buf.data(), big.c_str(), big.size() + 1);
    ReplaceString(buf.data(), buf.size(), "x", huge.c_str(), 0);
    EXPECT_EQ(std::strlen(buf.data()), 2047u) << "cut to the work buffer";
}

TEST(Dates, StampAndTimeHaveTheirFixedShape)
{
    char t[81];
    ActualDate(DATE_STAMP, t, sizeof(t));
    EXPECT_TRUE(std::regex_match(t, std::regex("\\d\\d \\d\\d \\d{4} \\d\\d \\d\\d"))) << t;
    EXPECT_EQ(std::strlen(t), 16u);
    ActualDate(TIME_TEXT, t, sizeof(t));
    EXPECT_TRUE(std::regex_match(t, std::regex("\\d\\d:\\d\\d"))) << t;
    std::strcpy(t, "untouched");
    ActualDate(99, t, sizeof(t));
    EXPECT_STREQ(t, "untouched");
    char small[6];
    ActualDate(DATE_STAMP, small, sizeof(small));
    EXPECT_EQ(std::strlen(small), 5u);
}

TEST(Dates, DateTextUsesTheLocalesMonthName)
{
    char t[81];
    ActualDate(DATE_TEXT, t, sizeof(t));
    std::regex shape("\\d\\d-([^-]+)-\\d{4}");
    std::cmatch m;
    ASSERT_TRUE(std::regex_match(t, m, shape)) << t;

    /* The month name must be the one of the user's locale. */
    locale_t loc = newlocale(LC_ALL_MASK, "", nullptr);
    if (!loc)
        loc = newlocale(LC_ALL_MASK, "C", nullptr);
    std::time_t now = std::time(nullptr);
    std::tm tm;
    localtime_r(&now, &tm);
    char want[64];
    strftime_l(want, sizeof(want), "%b", &tm, loc);
    freelocale(loc);
    std::string w(want);
    if (std::all_of(w.begin(), w.end(), [](char c) { return (unsigned char)c < 0x80; })) {
        EXPECT_EQ(m[1].str(), w);
    }
}
