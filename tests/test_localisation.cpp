/*
 * test_localisation.cpp - the built-in message block, catalog lookup with
 * its fallbacks, the shipped German catalog and the label arrays.
 */
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

#include "testutil.h"

#include "core/settings.h"
#include "gui/localisation.h"
#include "platform/assign.h"
#include "platform/mempool.h"

class Localisation : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        for (const char *v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            unsetenv(v);
    }
    void TearDown() override
    {
        CloseLocalisation();
        ScratchTest::TearDown();
    }
    /* A program directory of our own with one catalog in it. */
    void UseCatalog(const std::string &lang, const std::string &text)
    {
        std::string dir = scratch + "/prog/catalogs/" + lang;
        std::system(("mkdir -p '" + dir + "'").c_str());
        WriteTextFile(dir + "/pagimo.catalog", text);
        AssignPath("PROGDIR:", (scratch + "/prog").c_str());
    }
};

TEST(CatComp, BlockHoldsEveryIdInOrderWithEvenLengths)
{
    const unsigned char *p = CatCompBlock;
    for (uint32_t id = 0; id < MSG_COUNT; id++) {
        ASSERT_LT(p + 6, CatCompBlock + CatCompBlockSize);
        uint32_t got = uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        uint32_t len = uint32_t(p[4]) << 8 | p[5];
        ASSERT_EQ(got, id);
        ASSERT_EQ(len % 2, 0u);
        const char *text = reinterpret_cast<const char *>(p + 6);
        ASSERT_LT(std::strlen(text), len) << "terminated inside its field";
        ASSERT_GE(std::strlen(text) + 2, len) << "at most one pad byte";
        p += 6 + len;
    }
    EXPECT_EQ(p, CatCompBlock + CatCompBlockSize);
}

TEST_F(Localisation, BuiltinTextsWithoutCatalog)
{
    InitLocalisation();
    EXPECT_EQ(localeinfo.li_Catalog, nullptr);
    EXPECT_STREQ(GetString(&localeinfo, 161), "Is <%s> spelt correctly?");
    EXPECT_STREQ(GetString(&localeinfo, 0), "Project");
    EXPECT_STREQ(GetString(&localeinfo, 176), "Automatic link correction.");
    EXPECT_STREQ(GetString(&localeinfo, 81), "The font %s cannot be embedded\nbecause of license restrictions.");
    EXPECT_STREQ(GetString(&localeinfo, MSG_COUNT), "");
    EXPECT_STREQ(GetString(nullptr, 27), "Page");
}

TEST_F(Localisation, PartialCatalogFallsBackPerId)
{
    UseCatalog("fr", "# partial\n27 Feuille\n\n81 Police %s\\nprot\xc3\xa9g\xc3\xa9" "e\n"
                     "999 out of range\nnonsense line\n"
                     "163 %s Dateien\n161 Falsch: <%s> %n\n");
    setenv("LANG", "fr_FR.UTF-8", 1);
    InitLocalisation();
    ASSERT_NE(localeinfo.li_Catalog, nullptr);
    EXPECT_STREQ(GetString(&localeinfo, 27), "Feuille");
    EXPECT_STREQ(GetString(&localeinfo, 81), "Police %s\nprot\xe9g\xe9" "e") << "UTF-8 becomes 8-bit";
    EXPECT_STREQ(GetString(&localeinfo, 28), "unnamed");
    EXPECT_STREQ(GetString(&localeinfo, 163), "%ld files removed.") << "a wrong placeholder is refused";
    EXPECT_STREQ(GetString(&localeinfo, 161), "Is <%s> spelt correctly?");
    localeinfo.li_LocaleBase = nullptr;
    EXPECT_STREQ(GetString(&localeinfo, 27), "Page") << "no locale service: built-in";
}

TEST_F(Localisation, LanguageIsChosenFromTheEnvironmentInOrder)
{
    UseCatalog("de", "27 Seite\n");
    setenv("LANG", "de_AT.UTF-8", 1);
    EXPECT_EQ(CatalogPathFor(), "PROGDIR:catalogs/de/pagimo.catalog");
    setenv("LC_MESSAGES", "C", 1);
    EXPECT_EQ(CatalogPathFor(), "") << "LC_MESSAGES outranks LANG";
    setenv("LANGUAGE", "sv:de", 1);
    EXPECT_EQ(CatalogPathFor(), "PROGDIR:catalogs/de/pagimo.catalog");
    setenv("LC_ALL", "de_DE@euro", 1);
    unsetenv("LANGUAGE");
    EXPECT_EQ(CatalogPathFor(), "PROGDIR:catalogs/de/pagimo.catalog");
}

TEST_F(Localisation, LabelArraysAreFilled)
{
    InitLocalisation();
    LocalizeChooser();
    size_t pooled = PoolBytesInUse(APMemPool);
    LocalizeChooser(); /* as every fuzzed catalog does */
    EXPECT_EQ(PoolBytesInUse(APMemPool), pooled) << "a second call takes no new labels";
    LocalizeRadioButtons();
    EXPECT_STREQ(page_chooser[2], "DIN A4");
    EXPECT_EQ(page_chooser[6], nullptr);
    EXPECT_STREQ(style_chooser[3], "Bold italic");
    EXPECT_STREQ(justification_chooser[3], "Block justification");
    EXPECT_STREQ(arexx_chooser[0], "nothing");
    EXPECT_EQ(arexx_chooser[1], nullptr);
    EXPECT_STREQ(compression_chooser[4], "Full compression");
    EXPECT_STREQ(level_chooser[0], "No headline");
    EXPECT_STREQ(level_chooser[1], "Level 1");
    EXPECT_STREQ(level_chooser[10], "Level 10");
    EXPECT_EQ(level_chooser[11], nullptr);
    EXPECT_STREQ(page_section[0], "001 - 012");
    EXPECT_STREQ(page_section[28], "337 - 348");
    EXPECT_EQ(page_section[29], nullptr);
    EXPECT_STREQ(rblinks[0], "Website");
    EXPECT_STREQ(rblinks[1], "Page");
    EXPECT_EQ(rblinks[2], nullptr);
}

/* Placeholders in the order they are filled in. */
static std::string Formats(const std::string &s)
{
    static const std::regex fmt("%l?[sd]");
    std::string out;
    for (std::sregex_iterator it(s.begin(), s.end(), fmt), end; it != end; ++it)
        out += it->str();
    return out;
}

TEST_F(Localisation, GermanCatalogIsCompleteAndMatchesTheFormats)
{
    AssignPath("PROGDIR:", ProgramDataDir().c_str());
    setenv("LANG", "de_DE.UTF-8", 1);
    InitLocalisation();
    ASSERT_NE(localeinfo.li_Catalog, nullptr) << "catalogs/de/pagimo.catalog beside the tests";
    Catalog *de = localeinfo.li_Catalog;
    for (int id = 0; id < MSG_COUNT; id++) {
        localeinfo.li_Catalog = de;
        std::string german = GetString(&localeinfo, id);
        localeinfo.li_Catalog = nullptr;
        std::string english = GetString(&localeinfo, id);
        EXPECT_FALSE(german.empty()) << id;
        EXPECT_EQ(Formats(german), Formats(english)) << "message " << id;
        size_t bar = english.find('|');
        bool menu = id <= 21 && bar != std::string::npos;
        if (menu) {
            EXPECT_EQ(german.substr(0, german.find('|')), english.substr(0, bar))
                << "menu shortcut of message " << id;
        }
    }
    localeinfo.li_Catalog = de;
    EXPECT_STREQ(GetString(&localeinfo, 27), "Seite");
    EXPECT_STREQ(GetString(&localeinfo, 1), "N|Neu");
}
