/*
 * test_spelling.cpp - the text editor and spell checking, with the real
 * hunspell and the Debian dictionaries, in the real main loop under the
 * offscreen platform. Requesters are answered from the script; hunspell's
 * personal dictionary goes into the test's own home directory.
 */
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "testutil.h"

#include "core/mainloop.h"
#include "core/settings.h"
#include "document/pagelist.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/windows.h"
#include "platform/assign.h"
#include "platform/gui.h"
#include "text/spellcheck.h"
#include "text/textbox.h"
#include "view/geometry.h"

/* Each test has its own home, so "Add word" writes there. */
class Spelling : public MainLoopScratchTest {
protected:
    void SetUp() override
    {
        MainLoopScratchTest::SetUp();
        const char *home = std::getenv("HOME");
        oldhome = home ? home : "";
        oldpath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("HOME", scratch.c_str(), 1);
    }
    void TearDown() override
    {
        setenv("HOME", oldhome.c_str(), 1);
        setenv("PATH", oldpath.c_str(), 1);
        MainLoopScratchTest::TearDown();
    }
    std::string oldhome, oldpath;
};

static const char LetterPath[] = "PGT:PAG4/Texte/brief.txt";

/* A textbox on page 1 showing the letter, selected by a click into it. */
static GElement *PlaceLetter(const std::string &text)
{
    WriteTextFile(HostPath(LetterPath), text);
    GElement tb = MakeElement(ET_TEXTBOX, 0);
    tb.sx = xstart + 100, tb.sy = ystart + 100, tb.ex = xstart + 400, tb.ey = ystart + 300;
    std::strcpy(tb.edata.tbd.fn, LetterPath);
    std::strcpy(tb.edata.tbd.fontname, "DejaVu Sans.font");
    tb.edata.tbd.size = 12;
    GElement *box = AddGObject(1, &tb);
    Repaint(1);
    Click(int32_t(xstart) + 200, int32_t(ystart) + 200);
    return box;
}

static std::string Checked(const std::string &text, bool *changed)
{
    std::string out = "(unchanged)";
    *changed = SpellcheckText(text, &out);
    return out;
}

/* The lines the box shows, as the page view and the PDF take them. */
static std::vector<std::string> BoxLines(GElement *box)
{
    std::vector<std::string> lines;
    char line[256];
    uint32_t size = 0, tpos = 0;
    for (int i = 0; i < 50; i++) {
        int r = GetTextboxLine(box, line, sizeof(line), &size, &tpos);
        if (line[0])
            lines.push_back(line);
        if (r == TBL_END)
            break;
    }
    EndTextboxLines();
    return lines;
}

/* ------------------------------------------------------------ the check */

static const std::string complete = "Spell checker|The spelling check is complete.|Okay";

TEST_F(Spelling, GermanWordsAreCheckedAsTheyStandAndSuggestionsTakenAsGiven)
{
    EXPECT_TRUE(Run({[] {
        ASSERT_TRUE(SpellAvailable()) << SpellUnavailableReason();
        bool changed = false;
        RequesterLog.clear();
        RequesterScriptAdd("3"); /* the first suggestion */
        std::string out = Checked("Die Tür zur Strasse und das Haus, dahinter.", &changed);
        EXPECT_TRUE(changed);
        EXPECT_EQ(out, "Die Tür zur Straße und das Haus, dahinter.") << "the comma and the umlaut are kept";
        ASSERT_EQ(RequesterLog.size(), 2u) << "Tür and Haus are known";
        EXPECT_EQ(RequesterLog[1], complete) << "a finished check says so";
        EXPECT_NE(RequesterLog[0].find("<Strasse>"), std::string::npos) << RequesterLog[0];
        size_t bars = 0;
        for (char c : RequesterLog[0])
            bars += c == '|';
        EXPECT_EQ(bars, 2u + 7u) << "Ignore, Add word, five of six suggestions, Cancel: " << RequesterLog[0];

        /* A word without suggestions is asked about too; Ignore holds for
         * the rest of the run, also when it ends the text. */
        RequesterLog.clear();
        RequesterScriptAdd("1");
        out = Checked("Xqzzyvw ist gut. Xqzzyvw", &changed);
        EXPECT_FALSE(changed) << "nothing was replaced";
        EXPECT_EQ(out, "Xqzzyvw ist gut. Xqzzyvw");
        EXPECT_EQ(RequesterLog.size(), 2u) << "an ignored word is not asked about again";

        /* Cancel in the middle: nothing comes back, earlier choices included. */
        RequesterLog.clear();
        RequesterScriptAdd("3");
        RequesterScriptAdd("0");
        out = Checked("Strasse und Wqxxzv", &changed);
        EXPECT_FALSE(changed);
        EXPECT_EQ(out, "(unchanged)");
        EXPECT_EQ(RequesterLog.size(), 2u) << "a cancelled check is not complete";

        /* hunspell splits a word at its digits: only the unknown parts are
         * asked about and replaced, the digits stay. */
        RequesterLog.clear();
        RequesterScriptAdd("3"); /* Hausse for Hausxyz */
        RequesterScriptAdd("1"); /* Ignore qwrt */
        out = Checked("Hausxyz123qwrt ist da.", &changed);
        EXPECT_TRUE(changed);
        EXPECT_EQ(out, "Hausse123qwrt ist da.");
        EXPECT_EQ(RequesterLog.size(), 3u);

        /* A word of 256 letters is passed over; digits stay in a word,
         * and a digit before letters is copied unchecked. */
        RequesterLog.clear();
        std::string longword(256, 'q');
        out = Checked(longword + " 4Haus A4x\n", &changed);
        EXPECT_EQ(RequesterLog, std::vector<std::string>{complete}) << "nothing was asked";
        EXPECT_EQ(out, longword + " 4Haus A4x\n");
    }}));
}

TEST_F(Spelling, AddedWordsGoIntoThePersonalDictionaryOfTheHome)
{
    std::string dict = scratch + "/.hunspell_en_US";
    EXPECT_TRUE(Run({[] {
        bool changed = false;
        RequesterLog.clear();
        RequesterScriptAdd("2");
        EXPECT_EQ(Checked("Pagimo is fine", &changed), "Pagimo is fine");
        EXPECT_EQ(RequesterLog.size(), 2u);
        RequesterLog.clear();
        Checked("Pagimo again", &changed);
        EXPECT_EQ(RequesterLog, std::vector<std::string>{complete}) << "an added word is known";
    }}, {"iSpellLanguage=English"}));
    EXPECT_TRUE(HostExists(dict));
    EXPECT_NE(ReadTextFile(dict).find("Pagimo"), std::string::npos);
}

/* ------------------------------------------------------------ the editor */

TEST_F(Spelling, TheEditorChecksWhatWasTypedAndSavesIt)
{
    static GElement *box;
    std::string host;
    EXPECT_TRUE(Run({
        [] { box = PlaceLetter("Liebe Anna,\n"); },
        [] {
            ASSERT_EQ(Loop.mnode, box);
            Press(GID_TEXTEDT);
        },
        [] {
            ASSERT_TRUE(PlatformWindowExists(WIN_EDITOR));
            EXPECT_EQ(GadgetUtf8Text(GID_TEXTEDITOR), "Liebe Anna,\n");
            EXPECT_FALSE(GadgetDisabled(GID_CORRECTOR));
            EXPECT_EQ(Loop.saved, 0);
            /* Typed, not saved. */
            GadgetSetUtf8Text(GID_TEXTEDITOR, "Liebe Anna,\ndie Strasse ist nass.\n");
            RequesterScriptAdd("3");
            Press(GID_CORRECTOR, 0, WIN_EDITOR);
        },
        [] {
            EXPECT_EQ(GadgetUtf8Text(GID_TEXTEDITOR), "Liebe Anna,\ndie Straße ist nass.\n")
                << "the typing survives the check";
            EXPECT_EQ(ReadTextFile(HostPath(LetterPath)), "Liebe Anna,\n") << "nothing is saved yet";
            RequesterLog.clear();
            RequesterScriptAdd("0"); /* Cancel: stay */
            Press(GID_QUITEDITOR, 0, WIN_EDITOR);
        },
        [] {
            ASSERT_EQ(RequesterLog.size(), 1u) << "leaving with unsaved changes asks";
            EXPECT_TRUE(PlatformWindowExists(WIN_EDITOR)) << "Cancel stays in the editor";
            Press(GID_SAVETEXT, 0, WIN_EDITOR);
        },
        [] {
            EXPECT_EQ(ReadTextFile(HostPath(LetterPath)), "Liebe Anna,\ndie Straße ist nass.\n");
            RequesterLog.clear();
            Press(GID_QUITEDITOR, 0, WIN_EDITOR);
        },
        [] {
            EXPECT_FALSE(PlatformWindowExists(WIN_EDITOR));
            EXPECT_TRUE(RequesterLog.empty()) << "a saved text leaves without a question";
            EXPECT_EQ(Loop.marked, 0);
            EXPECT_FALSE(box->marked);
            EXPECT_EQ(Loop.aktmode, uint32_t(GID_CURSOR));
            std::vector<std::string> lines = BoxLines(box);
            ASSERT_EQ(lines.size(), 2u);
            EXPECT_EQ(lines[1], "die Straße ist nass.") << "the box shows the saved text (UTF-8)";
        },
    }));
}

TEST_F(Spelling, ALetterIn8BitTextIsShownAndSavedAsUtf8)
{
    EXPECT_TRUE(Run({
        [] { PlaceLetter("Gr\xfc\xdf" "e \x84zitiert\x93\n"); },
        [] { Press(GID_TEXTEDT); },
        [] {
            EXPECT_EQ(GadgetUtf8Text(GID_TEXTEDITOR), "Grüße „zitiert“\n");
            Press(GID_SAVETEXT, 0, WIN_EDITOR);
        },
        [] { EXPECT_EQ(ReadTextFile(HostPath(LetterPath)), "Grüße „zitiert“\n"); },
    }));
}

TEST_F(Spelling, WithoutDictionaryOrProgramTheButtonSaysWhy)
{
    EXPECT_TRUE(Run({
        [] { PlaceLetter("Text\n"); },
        [] { Press(GID_TEXTEDT); },
        [] {
            ASSERT_TRUE(PlatformWindowExists(WIN_EDITOR));
            EXPECT_TRUE(GadgetDisabled(GID_CORRECTOR));
            EXPECT_NE(std::string(SpellUnavailableReason()).find("xx_YY"), std::string::npos)
                << SpellUnavailableReason();
        },
    }, {"iSpellLanguage=xx_YY"}));

    setenv("PATH", (scratch + "/nothing").c_str(), 1);
    EXPECT_TRUE(Run({
        [] { PlaceLetter("Text\n"); },
        [] { Press(GID_TEXTEDT); },
        [] {
            EXPECT_TRUE(GadgetDisabled(GID_CORRECTOR));
            EXPECT_NE(std::string(SpellUnavailableReason()).find("hunspell"), std::string::npos)
                << SpellUnavailableReason();
        },
    }));
}

TEST_F(Spelling, AFailedSaveSaysSoAndKeepsTheEditorText)
{
    EXPECT_TRUE(Run({
        [] { PlaceLetter("Alt\n"); },
        [] { Press(GID_TEXTEDT); },
        [] {
            GadgetSetUtf8Text(GID_TEXTEDITOR, "Neu\n");
            /* The folder is gone: no new file can be made beside the old. */
            Shell("rm -rf '" + HostPath("PGT:PAG4/Texte") + "'");
            RequesterLog.clear();
            Press(GID_SAVETEXT, 0, WIN_EDITOR);
        },
        [] {
            ASSERT_EQ(RequesterLog.size(), 1u);
            EXPECT_NE(RequesterLog[0].find("brief.txt"), std::string::npos) << RequesterLog[0];
            EXPECT_EQ(GadgetUtf8Text(GID_TEXTEDITOR), "Neu\n");
        },
    }));
}

TEST_F(Spelling, WithNothingSelectedTheEditorOpensAChosenOrNewTextFile)
{
    std::string fresh = scratch + "/notiz.txt";
    EXPECT_TRUE(Run({
        [fresh] {
            RequesterScriptAdd(fresh.c_str());
            Press(GID_TEXTEDT);
        },
        [] {
            ASSERT_TRUE(PlatformWindowExists(WIN_EDITOR));
            EXPECT_EQ(GadgetUtf8Text(GID_TEXTEDITOR), "") << "a new file starts empty";
            char path[256];
            GadgetGetText(GID_TEXTPATH, path, sizeof(path));
            EXPECT_STREQ(path, "PGT:PAG4/Texte/notiz.txt");
            GadgetSetUtf8Text(GID_TEXTEDITOR, "Neue Notiz\n");
            Press(GID_SAVETEXT, 0, WIN_EDITOR);
        },
        [] {
            EXPECT_EQ(ReadTextFile(HostPath("PGT:PAG4/Texte/notiz.txt")), "Neue Notiz\n");
            Press(GID_QUITEDITOR, 0, WIN_EDITOR);
        },
        [] { EXPECT_FALSE(PlatformWindowExists(WIN_EDITOR)); },
    }));
    EXPECT_FALSE(HostExists(fresh)) << "the text lives in the project, not where it was named";
}

TEST_F(Spelling, ASpellCheckerThatStopsAnsweringIsReportedNotTakenForCorrect)
{
    /* A stand-in that greets and then dies, as a crashing hunspell would. */
    std::string bin = scratch + "/bin";
    Shell("mkdir -p '" + bin + "' && printf '#!/bin/sh\\necho \"@(#) stand-in\"\\nread line\\nread line\\nexit 0\\n' > '" +
          bin + "/hunspell' && chmod +x '" + bin + "/hunspell'");
    setenv("PATH", (bin + ":" + oldpath).c_str(), 1);
    EXPECT_TRUE(Run({[] {
        ASSERT_TRUE(SpellAvailable());
        RequesterLog.clear();
        bool changed = true;
        EXPECT_EQ(Checked("Strasse und mehr", &changed), "(unchanged)");
        EXPECT_FALSE(changed);
        ASSERT_EQ(RequesterLog.size(), 1u);
        EXPECT_NE(RequesterLog[0].find("stopped answering"), std::string::npos) << RequesterLog[0];
        EXPECT_FALSE(SpellAvailable());
        EXPECT_NE(std::string(SpellUnavailableReason()).find("stopped answering"), std::string::npos);
    }}));
}
