/*
 * test_textbox_window.cpp - textboxes in the real main loop under the
 * offscreen platform: the textbox tool asks for the text file, further
 * boxes continue its chain on any page, the page view shows the text, and
 * "Insert Textfile" gives a box and its followers a new file.
 */
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "testutil.h"

#include "core/mainloop.h"
#include "document/pagelist.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/windows.h"
#include "platform/assign.h"
#include "platform/gui.h"
#include "platform/rastport.h"
#include "view/geometry.h"

class TextboxWindow : public MainLoopScratchTest {
};

static int32_t X(int32_t dx) { return int32_t(xstart) + dx; }
static int32_t Y(int32_t dy) { return int32_t(ystart) + dy; }

static std::vector<GElement *> Boxes(uint32_t page)
{
    std::vector<GElement *> v;
    for (GElement *e : Elements(page))
        if (e->node.ln_Type == ET_TEXTBOX)
            v.push_back(e);
    return v;
}

static int FileRequests(void)
{
    int n = 0;
    for (const std::string &r : RequesterLog)
        n += r.rfind("file|", 0) == 0;
    return n;
}

/* Pixels inside the box that are not the paper's colour. */
static int Ink(const GElement *ge)
{
    RastPort *rp = WindowRastPort(WIN_PROJECT);
    uint32_t paper = ReadPixelRGB(rp, X(5), Y(5));
    int n = 0;
    for (uint32_t y = ge->sy + 2; y + 2 < ge->ey; y++)
        for (uint32_t x = ge->sx + 2; x + 2 < ge->ex; x++)
            n += ReadPixelRGB(rp, int32_t(x), int32_t(y)) != paper;
    return n;
}

/* Of the pixel rows of the box that hold text, the share whose ink
 * reaches within 6 pixels of the box's right edge (the frame and the
 * selection circles on the corners left out). */
static double FlushRows(const GElement *ge)
{
    RastPort *rp = WindowRastPort(WIN_PROJECT);
    uint32_t paper = ReadPixelRGB(rp, X(5), Y(5));
    int rows = 0, flush = 0;
    for (uint32_t y = ge->sy + 9; y + 9 < ge->ey; y++) {
        int32_t right = -1;
        for (uint32_t x = ge->sx + 2; x + 1 < ge->ex + 8; x++)
            if (x != ge->ex && ReadPixelRGB(rp, int32_t(x), int32_t(y)) != paper)
                right = int32_t(x);
        EXPECT_LT(right, int32_t(ge->ex)) << "ink right of the box in row " << y;
        rows += right >= 0;
        flush += right >= int32_t(ge->ex) - 6;
    }
    return rows ? double(flush) / rows : 0.0;
}

TEST_F(TextboxWindow, TheToolAsksForTheFileAndFurtherBoxesContinueTheChain)
{
    static std::string story = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x9EUTF-8\xE2\x80\x9C ";
    for (int i = 0; i < 200; i++)
        story += "word" + std::to_string(i) + (i % 25 == 24 ? "\n" : " ");
    WriteTextFile(scratch + "/other.txt", story);
    std::vector<std::function<void()>> s;
    s.push_back([this] {
        RequesterScriptAdd((scratch + "/fresh.txt").c_str());
        Press(GID_TEXTBOX);
    });
    s.push_back([] { Drag(X(50), Y(50), X(250), Y(150)); });
    s.push_back([this] {
        auto boxes = Boxes(1);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_STREQ(boxes[0]->edata.tbd.fn, "PGT:PAG4/Texte/fresh.txt");
        EXPECT_EQ(boxes[0]->node.ln_Pri, 0);
        EXPECT_TRUE(HostExists(HostPath("PGT:PAG4/Texte/fresh.txt"))) << "a new name starts an empty text";
        EXPECT_FALSE(HostExists(scratch + "/fresh.txt"));
        EXPECT_EQ(FileRequests(), 1);
        Drag(X(50), Y(300), X(250), Y(400));
    });
    s.push_back([] {
        auto boxes = Boxes(1);
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1]->node.ln_Pri, -1) << "the second box continues the chain";
        EXPECT_EQ(FileRequests(), 1) << "the text path names the file already";
        Press(GID_CURSOR);
    });
    s.push_back([this] {
        Click(X(150), Y(350));
        RequesterScriptAdd((scratch + "/other.txt").c_str());
    });
    s.push_back([] {
        ASSERT_EQ(Loop.marked, 1);
        ASSERT_EQ(Loop.mnode, Boxes(1)[1]);
        EXPECT_FALSE(GadgetDisabled(GID_TEXTADD)) << "every box of a chain takes a new file";
        EXPECT_FALSE(GadgetDisabled(GID_TEXTEDT)) << "and opens the editor";
        Press(GID_TEXTADD);
    });
    s.push_back([] {
        for (GElement *b : Boxes(1))
            EXPECT_STREQ(b->edata.tbd.fn, "PGT:PAG4/Texte/other.txt") << "the whole chain follows its second box";
        EXPECT_EQ(ReadTextFile(HostPath("PGT:PAG4/Texte/other.txt")), story) << "imported byte for byte";
        EXPECT_GT(Ink(Boxes(1)[0]), 200) << "the page view shows the text";
        EXPECT_GT(Ink(Boxes(1)[1]), 200) << "and its continuation";
        EXPECT_LT(FlushRows(Boxes(1)[0]), 0.4) << "left-aligned lines end ragged";
        Press(GID_CURSOR);
    });
    s.push_back([] { Click(X(150), Y(100)); });
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, Boxes(1)[0]);
        Choose(GID_JUSTIFICATION, 3);
    });
    s.push_back([] {
        EXPECT_EQ(Boxes(1)[0]->edata.tbd.align, 3u);
        EXPECT_GT(FlushRows(Boxes(1)[0]), 0.6) << "justified lines reach the right edge";
        Press(GID_TAB_ADD);
    });
    s.push_back([] { Choose(GID_PROJ_PAGES, 1); });
    s.push_back([this] {
        ASSERT_EQ(Loop.aktpage, 2u);
        /* the text path is empty on a new page: the same file is chosen again */
        RequesterScriptAdd((scratch + "/other.txt").c_str());
        Press(GID_TEXTBOX);
    });
    s.push_back([] { Drag(X(50), Y(50), X(250), Y(150)); });
    s.push_back([] {
        auto boxes = Boxes(2);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0]->node.ln_Pri, -2) << "the chain goes on across pages";
        EXPECT_GT(Ink(boxes[0]), 200);
        uint32_t end1 = Boxes(1)[1]->edata.tbd.textpos;
        EXPECT_GT(end1, Boxes(1)[0]->edata.tbd.textpos);
        EXPECT_GT(boxes[0]->edata.tbd.textpos, end1);
        Press(GID_CURSOR);
    });
    /* The editor opened from the last box of the chain edits the chain's
     * text, and the page behind it shows a saved text at once. */
    s.push_back([] { Click(X(150), Y(100)); });
    s.push_back([] {
        ASSERT_EQ(Loop.mnode, Boxes(2)[0]);
        EXPECT_GT(Ink(Boxes(2)[0]), 200);
        Press(GID_TEXTEDT);
    });
    s.push_back([] {
        ASSERT_TRUE(PlatformWindowExists(WIN_EDITOR));
        EXPECT_EQ(GadgetUtf8Text(GID_TEXTEDITOR), story);
        GadgetSetUtf8Text(GID_TEXTEDITOR, "Short.");
        Press(GID_SAVETEXT, 0, WIN_EDITOR);
    });
    s.push_back([] {
        EXPECT_TRUE(PlatformWindowExists(WIN_EDITOR)) << "saving keeps the editor open";
        EXPECT_EQ(ReadTextFile(HostPath("PGT:PAG4/Texte/other.txt")), "Short.");
        EXPECT_LT(Ink(Boxes(2)[0]), 60) << "the continuation is empty at once, but for its selection marks";
        Press(GID_QUITEDITOR, 0, WIN_EDITOR);
    });
    EXPECT_TRUE(Run(s));
}

/* A text the project already holds is never overwritten by a file of the
 * same name: the same contents continue its chain, other contents are
 * taken only as the user says. */
TEST_F(TextboxWindow, AFileOfAKnownNameNeverOverwritesTheProjectsText)
{
    Shell("mkdir -p '" + scratch + "/a' '" + scratch + "/b'");
    WriteTextFile(scratch + "/a/brief.txt", "Erste Fassung.\n");
    WriteTextFile(scratch + "/b/brief.txt", "Eine ganz andere Datei.\n");
    std::vector<std::function<void()>> s;
    s.push_back([this] {
        RequesterScriptAdd((scratch + "/a/brief.txt").c_str());
        Press(GID_TEXTBOX);
    });
    s.push_back([] { Drag(X(50), Y(50), X(250), Y(150)); });
    s.push_back([this] {
        /* Edited in the project, then the same file chosen for a new box. */
        WriteTextFile(HostPath("PGT:PAG4/Texte/brief.txt"), "Erste Fassung.\nMit Ergänzung.\n");
        RequesterLog.clear();
        RequesterScriptAdd((scratch + "/a/brief.txt").c_str());
        RequesterScriptAdd("1"); /* the project's text */
        Press(GID_TEXTBOX);
    });
    s.push_back([] { Drag(X(50), Y(200), X(250), Y(300)); });
    s.push_back([this] {
        EXPECT_EQ(ReadTextFile(HostPath("PGT:PAG4/Texte/brief.txt")), "Erste Fassung.\nMit Ergänzung.\n")
            << "the edit is kept";
        ASSERT_EQ(Boxes(1).size(), 2u);
        EXPECT_EQ(Boxes(1)[1]->node.ln_Pri, -1) << "the new box continues the chain";
        ASSERT_FALSE(RequesterLog.empty());
        EXPECT_NE(RequesterLog.back().find("brief.txt"), std::string::npos) << RequesterLog.back();
        RequesterScriptAdd((scratch + "/b/brief.txt").c_str());
        RequesterScriptAdd("2"); /* under a new name */
        Press(GID_TEXTBOX);
    });
    s.push_back([] { Drag(X(300), Y(50), X(500), Y(150)); });
    s.push_back([this] {
        ASSERT_EQ(Boxes(1).size(), 3u);
        GElement *third = nullptr;
        for (GElement *b : Boxes(1))
            if (b->sx == uint32_t(X(300)))
                third = b;
        ASSERT_NE(third, nullptr);
        EXPECT_STREQ(third->edata.tbd.fn, "PGT:PAG4/Texte/brief-001.txt");
        EXPECT_EQ(third->node.ln_Pri, 0) << "a chain of its own";
        EXPECT_EQ(ReadTextFile(HostPath("PGT:PAG4/Texte/brief-001.txt")), "Eine ganz andere Datei.\n");
        EXPECT_EQ(ReadTextFile(HostPath("PGT:PAG4/Texte/brief.txt")), "Erste Fassung.\nMit Ergänzung.\n");
        /* A FIFO is no text: refused at once, nothing placed. */
        Shell("mkfifo '" + scratch + "/pipe.txt'");
        RequesterLog.clear();
        RequesterScriptAdd((scratch + "/pipe.txt").c_str());
        Press(GID_TEXTBOX);
    });
    s.push_back([] { Drag(X(300), Y(200), X(500), Y(300)); });
    s.push_back([] {
        EXPECT_EQ(Boxes(1).size(), 3u);
        ASSERT_FALSE(RequesterLog.empty());
        EXPECT_NE(RequesterLog.back().find("pipe.txt"), std::string::npos) << RequesterLog.back();
    });
    EXPECT_TRUE(Run(s));
}
