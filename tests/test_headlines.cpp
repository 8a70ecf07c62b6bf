/*
 * test_headlines.cpp - the headline list, page links after page insertion
 * and removal, and the clipboard marks with paste.
 */
#include <cstring>
#include <string>
#include <vector>

#include "testutil.h"

#include "core/settings.h"
#include "document/archive.h"
#include "document/headlines.h"
#include "document/marks.h"
#include "document/pagelist.h"
#include "platform/files.h"

class Headlines : public ScratchTest {};

/* A text line whose top is `top`: (sx, sy) is the top right, (ex, ey) the anchor. */
static GElement *AddText(uint32_t page, const char *text, uint32_t top, uint8_t level)
{
    GElement ge = MakeElement(ET_TEXT, ET_TEXT);
    std::strcpy(ge.edata.td.text, text);
    ge.edata.td.level = level;
    ge.sx = 300, ge.sy = top, ge.ex = 200, ge.ey = top + 20;
    return AddGObject(page, &ge);
}

static std::vector<std::string> Rows(void)
{
    std::vector<std::string> rows;
    for (Node *n = GetHead(&headlinelist); n; n = GetSucc(n))
        rows.push_back(n->ln_Name);
    return rows;
}

static std::vector<std::string> PageTexts(uint32_t page)
{
    std::vector<std::string> t;
    for (Node *n = GetHead(&GetPageNode(page)->page); n; n = GetSucc(n))
        t.push_back(n->ln_Type == ET_TEXT ? reinterpret_cast<GElement *>(n)->edata.td.text : "-");
    return t;
}

TEST_F(Headlines, ListFollowsPagesTopToBottom)
{
    SetProjectName("Guide");
    AddPageList(nullptr);
    AddPageList(nullptr);
    AddPageList(nullptr);
    HLManager();
    EXPECT_EQ(Rows(), std::vector<std::string>{"Guide"});
    EXPECT_EQ(PDaten.maxlevel, 2) << "no headlines: depth 2";
    EXPECT_EQ(GetHLPageNo(1), 55555u);

    AddText(1, "B", 300, 2);
    GElement line = MakeElement(ET_LINE, ET_LINE);
    AddGObject(1, &line);
    AddText(1, "plain", 200, 1);
    AddText(1, "A", 100, 2);
    AddText(1, "Deep down", 1100, 4);
    AddText(3, "C", 150, 3);
    AddText(3, "C twin", 150, 2);
    HLManager();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Guide", "A", "B", "Deep down", "C"}))
        << "a twin with the same top is not listed; a headline low on the page is";
    EXPECT_EQ(PageTexts(1), (std::vector<std::string>{"plain", "-", "A", "B", "Deep down"}))
        << "headlines end their page's list, top to bottom";
    EXPECT_EQ(PDaten.maxlevel, 5) << "levels 1 and 3 (codes 2 and 4): depth 5";
    EXPECT_EQ(GetHLPageNo(1), 1u);
    EXPECT_EQ(GetHLPageNo(4), 3u);
    EXPECT_EQ(GetHLPageNo(5), 55555u) << "the unlisted twin is no row";
}

/* A headline the scan misses (a plain text line at the same height comes
 * first) is no row: the rows after it keep their own pages, and only the
 * listed elements are headlines to the outline. */
TEST_F(Headlines, RowsAndTheirPagesAreWhatTheScanListed)
{
    SetProjectName("Guide");
    for (int i = 0; i < 3; i++)
        AddPageList(nullptr);
    AddText(1, "caption", 100, 1);
    GElement *missed = AddText(1, "Missed", 100, 2);
    GElement *one = AddText(1, "One", 400, 2);
    GElement *two = AddText(2, "Two", 100, 3);
    GElement *three = AddText(3, "Three", 200, 2);
    HLManager();
    ASSERT_EQ(Rows(), (std::vector<std::string>{"Guide", "One", "Two", "Three"}));
    EXPECT_EQ(GetHLPageNo(1), 1u);
    EXPECT_EQ(GetHLPageNo(2), 2u);
    EXPECT_EQ(GetHLPageNo(3), 3u);
    EXPECT_EQ(GetHLPageNo(4), 55555u);
    EXPECT_EQ(GetHLPageNo(0), 55555u);
    EXPECT_EQ(HeadlineRow(missed), 0u);
    EXPECT_EQ(HeadlineRow(one), 1u);
    EXPECT_EQ(HeadlineRow(two), 2u);
    EXPECT_EQ(HeadlineRow(three), 3u);

    RemovePageList(1);
    HLManager();
    EXPECT_EQ(GetHLPageNo(1), 1u) << "the record follows the list when it is rebuilt";
    EXPECT_EQ(HeadlineRow(three), 2u);
}

TEST_F(Headlines, FirstHeadlineOnALaterPageAndWildTops)
{
    for (int i = 0; i < 3; i++)
        AddPageList(nullptr);
    AddText(3, "Start", 400, 2);
    HLManager();
    EXPECT_EQ(GetHLPageNo(1), 3u);
    for (int i = 0; i < 40; i++)
        AddText(2, "far", 0xFFFFF000u - 16u * uint32_t(i), 2); /* tops a damaged file may hold */
    HLManager();
    EXPECT_EQ(Rows().size(), 42u) << "found at once, however far down";
}

static GElement *AddLink(uint32_t page, uint32_t target, const char *web = "")
{
    GElement ge = MakeElement(ET_LINK, ET_LINK);
    ge.edata.td.page = target;
    std::strcpy(ge.edata.td.link, web);
    return AddGObject(page, &ge);
}

static std::vector<uint32_t> Targets(uint32_t page)
{
    std::vector<uint32_t> t;
    for (Node *n = GetHead(&GetPageNode(page)->page); n; n = GetSucc(n))
        t.push_back(reinterpret_cast<GElement *>(n)->edata.td.page);
    return t;
}

TEST_F(Headlines, PageLinksFollowInsertedAndRemovedPages)
{
    for (int i = 0; i < 5; i++)
        AddPageList(nullptr);
    AddLink(1, 2), AddLink(1, 3), AddLink(1, 5), AddLink(1, 9), AddLink(1, 3, "https://x.org");
    GElement *zero = AddLink(2, 0);

    /* A page inserted behind page 2 (the count is already 6). */
    AddPageList(GetPageNode(2));
    CheckPageLinks(2, false, true);
    EXPECT_EQ(Targets(1), (std::vector<uint32_t>{2, 4, 6, 10, 3})) << "web links are never touched";
    CheckPageLinks(2, false, false);
    EXPECT_EQ(Targets(1), (std::vector<uint32_t>{2, 4, 6, 10, 3})) << "without correction nothing moves";

    /* Removing page 4 (count 6 before the removal). */
    CheckPageLinks(4, true, false);
    EXPECT_EQ(Targets(1), (std::vector<uint32_t>{2, 4, 6, 3})) << "links beyond the pages go, even without correction";
    CheckPageLinks(4, true, true);
    EXPECT_EQ(Targets(1), (std::vector<uint32_t>{2, 5, 3})) << "links to the removed page go, later ones move";
    EXPECT_EQ(GetPageNode(1)->count, 3u);
    EXPECT_EQ(GetPageNode(2)->count, 1u) << "a link to page 0 lies before every page: unchanged";
    EXPECT_EQ(zero->edata.td.page, 0u);
}

TEST_F(Headlines, CopyAndPasteOnTheSamePageAndAnother)
{
    AddPageList(nullptr);
    AddPageList(nullptr);
    GElement ge = MakeElement(ET_LINE, ET_LINE);
    ge.sx = 100, ge.sy = 100, ge.ex = 200, ge.ey = 100, ge.marked = 1;
    AddGObject(1, &ge);
    GElement *text = AddText(1, "Title", 300, 2);
    text->marked = 1;
    SetMBitFlags(1, 2, MBIT_COPY);
    EXPECT_EQ(PDaten.spage, 1u);
    EXPECT_EQ(FindMarkedElement(1, nullptr), nullptr) << "copy unmarks";

    EXPECT_EQ(ProcessMBitFlags(1), 2);
    EXPECT_EQ(GetPageNode(1)->count, 4u);
    GElement *copy = FindMarkedElement(1, nullptr);
    ASSERT_NE(copy, nullptr);
    std::vector<std::vector<uint32_t>> marked;
    for (GElement *m = copy; m; m = FindMarkedElement(1, m))
        marked.push_back({m->node.ln_Type, m->sx, m->sy, m->ex, m->ey, m->mbits});
    EXPECT_EQ(marked, (std::vector<std::vector<uint32_t>>{{ET_TEXT, 325, 333, 225, 353, 0},
                                                          {ET_LINE, 125, 125, 225, 125, 0}}));
    EXPECT_EQ(ProcessMBitFlags(1), 2) << "paste again: more copies";
    EXPECT_EQ(GetPageNode(1)->count, 6u);

    EXPECT_EQ(ProcessMBitFlags(2), 2);
    std::vector<uint32_t> sy;
    for (Node *n = GetHead(&GetPageNode(2)->page); n; n = GetSucc(n))
        sy.push_back(reinterpret_cast<GElement *>(n)->sy);
    EXPECT_EQ(sy, (std::vector<uint32_t>{308, 100})) << "another page: only a headline moves 8 down";
}

TEST_F(Headlines, CutMovesOnceAndTextboxCopiesOwnTheirText)
{
    CreateProjectStructure();
    WriteTextFile(scratch + "/T/PAG4/Texte/story.txt", "the text");
    AddPageList(nullptr);
    AddPageList(nullptr);
    GElement rect = MakeElement(ET_RECT, ET_RECT);
    rect.sx = 10, rect.marked = 1;
    AddGObject(1, &rect);
    SetMBitFlags(1, 1, MBIT_CUT);
    EXPECT_EQ(ProcessMBitFlags(2), 1);
    EXPECT_EQ(GetPageNode(1)->count, 0u);
    EXPECT_EQ(GetPageNode(2)->count, 1u);
    EXPECT_EQ(reinterpret_cast<GElement *>(GetHead(&GetPageNode(2)->page))->sx, 10u);
    EXPECT_EQ(ProcessMBitFlags(2), 0) << "cut elements move only once";
    FindMarkedElement(2, nullptr)->marked = 0;

    GElement box = MakeElement(ET_TEXTBOX, 0);
    std::strcpy(box.edata.tbd.fn, "PGT:PAG4/Texte/story.txt");
    box.marked = 1;
    AddGObject(1, &box);
    SetMBitFlags(1, 1, MBIT_COPY);
    EXPECT_EQ(ProcessMBitFlags(2), 1);
    GElement *dup = FindMarkedElement(2, nullptr);
    ASSERT_NE(dup, nullptr);
    EXPECT_STREQ(dup->edata.tbd.fn, "PGT:PAG4/Texte/story-001.txt");
    EXPECT_EQ(ReadTextFile(scratch + "/T/PAG4/Texte/story-001.txt"), "the text");

    PDaten.spage = 7;
    EXPECT_EQ(ProcessMBitFlags(2), 0) << "a clipboard page that is gone pastes nothing";
}
