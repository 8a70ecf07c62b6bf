/*
 * test_lists.cpp - pages and elements: priority order, page insertion,
 * textbox chains removed and renumbered, counts kept, files deleted only
 * inside the project, file names compared as Linux does, and the
 * out-of-memory paths.
 */
#include <cstring>
#include <vector>

#include "testutil.h"

#include "core/settings.h"
#include "document/pagelist.h"
#include "platform/mempool.h"
#include "text/garbage.h"

class Lists : public ScratchTest {};

static std::vector<int> Types(uint32_t pageno)
{
    std::vector<int> t;
    for (Node *n = GetHead(&GetPageNode(pageno)->page); n; n = GetSucc(n))
        t.push_back(n->ln_Type);
    return t;
}

static GElement *AddBox(uint32_t page, const char *fn, int chain)
{
    GElement ge = MakeElement(ET_TEXTBOX, chain);
    std::strcpy(ge.edata.tbd.fn, fn);
    return AddGObject(page, &ge);
}

TEST_F(Lists, PagesInsertBehindTheGivenPageAndKeepTheCount)
{
    PageNode *p1 = AddPageList(nullptr);
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(PDaten.count, 1u);
    EXPECT_EQ(GetPageNode(1), p1);
    EXPECT_EQ(p1->count, 0u);

    PageNode *p2 = AddPageList(nullptr);
    PageNode *p3 = AddPageList(nullptr);
    PageNode *mid = AddPageList(p2);
    EXPECT_EQ(PDaten.count, 4u);
    EXPECT_EQ(GetPageNode(2), p2);
    EXPECT_EQ(GetPageNode(3), mid);
    EXPECT_EQ(GetPageNode(4), p3);
    EXPECT_EQ(GetPageNode(0), nullptr);
    EXPECT_EQ(GetPageNode(5), nullptr);

    RemovePageList(3);
    EXPECT_EQ(PDaten.count, 3u);
    EXPECT_EQ(GetPageNode(3), p3);
    EXPECT_EQ(ListLength(&pages), 3u);
}

TEST_F(Lists, ElementsAreOrderedByPriorityAndStayStableAmongEquals)
{
    AddPageList(nullptr);
    GElement ge = MakeElement(ET_LINE, ET_LINE);
    AddGObject(1, &ge);
    ge = MakeElement(ET_RECT, ET_RECT);
    AddGObject(1, &ge);
    ge = MakeElement(ET_LINK, ET_LINK);
    AddGObject(1, &ge);
    EXPECT_EQ(Types(1), (std::vector<int>{ET_LINK, ET_RECT, ET_LINE}));

    ge = MakeElement(ET_LINE, ET_LINE);
    ge.sx = 77;
    GElement *second = AddGObject(1, &ge);
    EXPECT_EQ(GetTail(&GetPageNode(1)->page), &second->node);
    EXPECT_NE(second, &ge) << "the page keeps its own copy";

    AddBox(1, "PGT:PAG4/Texte/a.txt", 0);
    AddBox(1, "PGT:PAG4/Texte/a.txt", -1);
    ge = MakeElement(ET_PICTURE, ET_PICTURE);
    AddGObject(1, &ge);
    EXPECT_EQ(Types(1), (std::vector<int>{ET_LINK, ET_RECT, ET_PICTURE, ET_LINE, ET_LINE,
                                          ET_TEXTBOX, ET_TEXTBOX}));
    EXPECT_EQ(GetPageNode(1)->count, 7u);
    EXPECT_EQ(AddGObject(2, &ge), nullptr) << "no page 2";
}

TEST_F(Lists, RemovingTheFirstBoxTakesTheWholeChain)
{
    for (int i = 0; i < 3; i++)
        AddPageList(nullptr);
    GElement ge = MakeElement(ET_LINE, ET_LINE);
    AddGObject(2, &ge);
    GElement *first = AddBox(1, "PGT:PAG4/Texte/story.txt", 0);
    GElement *twin = AddBox(1, "PGT:PAG4/Texte/Story.txt", -1); /* another file, found first */
    AddBox(2, "pgt:PAG4/Texte/story.txt", -1); /* a volume is matched without regard to case */
    AddBox(3, "PGT:PAG4/Texte/story.txt", -2);
    AddBox(3, "PGT:PAG4/Texte/other.txt", -1);

    RemoveGObject(1, first, true, false);
    EXPECT_EQ(GetPageNode(1)->count, 1u);
    EXPECT_EQ(GetHead(&GetPageNode(1)->page), &twin->node) << "the chain of Story.txt stays";
    EXPECT_EQ(GetPageNode(2)->count, 1u);
    EXPECT_EQ(GetPageNode(3)->count, 1u);
    EXPECT_EQ(Types(2), (std::vector<int>{ET_LINE}));
    GElement *left = nullptr;
    EXPECT_TRUE(FindFilename(ET_TEXTBOX, "PGT:PAG4/Texte/other.txt", &left, -1));
}

TEST_F(Lists, RemovingAMiddleBoxRenumbersTheRest)
{
    AddPageList(nullptr);
    AddPageList(nullptr);
    AddBox(1, "PGT:PAG4/Texte/s.txt", 0);
    GElement *second = AddBox(1, "PGT:PAG4/Texte/s.txt", -1);
    GElement *third = AddBox(2, "PGT:PAG4/Texte/s.txt", -2);
    GElement *fourth = AddBox(2, "PGT:PAG4/Texte/s.txt", -3);

    RemoveGObject(1, second, true, true);
    EXPECT_EQ(third->node.ln_Pri, -1);
    EXPECT_EQ(fourth->node.ln_Pri, -2);
    EXPECT_EQ(GetPageNode(1)->count, 1u);
    GElement *found = nullptr;
    EXPECT_TRUE(FindFilename(ET_TEXTBOX, "PGT:PAG4/Texte/s.txt", &found, -1));
    EXPECT_EQ(found, third);
    EXPECT_FALSE(FindFilename(ET_TEXTBOX, "PGT:PAG4/Texte/s.txt", &found, -3));
    EXPECT_TRUE(FindFilename(ET_TEXTBOX, "PGT:PAG4/Texte/s.txt", nullptr, 127));
    EXPECT_FALSE(FindFilename(ET_LINE, "PGT:PAG4/Texte/s.txt", nullptr, 127));
}

TEST_F(Lists, FilesAreDeletedOnlyInsideTheProject)
{
    ASSERT_TRUE(CreateProjectStructure());
    std::string inside = scratch + "/T/PAG4/Bilder/p.png";
    std::string outside = scratch + "/mine.png";
    WriteTextFile(inside, "png");
    WriteTextFile(outside, "precious");
    AddPageList(nullptr);
    AddPageList(nullptr);

    GElement ge = MakeElement(ET_PICTURE, ET_PICTURE);
    std::strcpy(ge.edata.pd.fn, "PGT:PAG4/Bilder/p.png");
    GElement *kept = AddGObject(1, &ge);
    RemoveGObject(1, kept, false, true);
    EXPECT_TRUE(HostExists(inside)) << "without release the file stays";

    std::snprintf(ge.edata.pd.fn, sizeof(ge.edata.pd.fn), "%s", outside.c_str());
    AddGObject(2, &ge);
    std::strcpy(ge.edata.pd.fn, "PGT:PAG4/Bilder/../../../mine.png");
    AddGObject(2, &ge);
    std::strcpy(ge.edata.pd.fn, "PGT:PAG4/Bilder/p.png");
    AddGObject(2, &ge);
    GElement *twin = AddGObject(1, &ge); /* a pasted copy shares the file */
    std::strcpy(ge.edata.pd.fn, "PGT:PAG4/Bilder/P.png");
    AddGObject(1, &ge);
    RemovePageList(2);
    EXPECT_TRUE(HostExists(inside)) << "a file another picture still shows stays";
    RemoveGObject(1, twin, true, true);
    EXPECT_FALSE(HostExists(inside)) << "the last picture takes its file along, whatever P.png does";
    EXPECT_TRUE(HostExists(outside)) << "a file outside the project is never deleted";
    EXPECT_EQ(PDaten.count, 1u);
}

/* Names are Linux names: the garbage collection keeps the files elements
 * name exactly. A name in another case than the project holds (a project
 * from a system that ignores case) takes the name of its one twin, never
 * of one of two, and never when its own file exists. */
TEST_F(Lists, FileNamesAreExactAndAnotherCaseFindsItsOneTwin)
{
    ASSERT_TRUE(CreateProjectStructure());
    for (const char *f : {"Texte/a.txt", "Texte/A.txt", "Texte/note.txt", "Texte/NOTE.txt", "Bilder/foto.png"})
        WriteTextFile(scratch + "/T/PAG4/" + f, f);
    AddPageList(nullptr);
    GElement *a = AddBox(1, "PGT:PAG4/Texte/a.txt", 0);
    GElement *note = AddBox(1, "PGT:PAG4/Texte/Note.txt", 0);
    GElement ge = MakeElement(ET_PICTURE, ET_PICTURE);
    std::strcpy(ge.edata.pd.fn, "PGT:pag4/bilder/Foto.PNG");
    GElement *foto = AddGObject(1, &ge);

    MatchFileNamesToProject();
    EXPECT_STREQ(a->edata.tbd.fn, "PGT:PAG4/Texte/a.txt");
    EXPECT_STREQ(note->edata.tbd.fn, "PGT:PAG4/Texte/Note.txt") << "two twins: neither is taken";
    EXPECT_STREQ(foto->edata.pd.fn, "PGT:PAG4/Bilder/foto.png");

    std::strcpy(note->edata.tbd.fn, "PGT:PAG4/Texte/note.txt");
    EXPECT_EQ(GarbageCollection(), 2u);
    EXPECT_TRUE(HostExists(scratch + "/T/PAG4/Texte/a.txt"));
    EXPECT_FALSE(HostExists(scratch + "/T/PAG4/Texte/A.txt")) << "named by no element";
    EXPECT_TRUE(HostExists(scratch + "/T/PAG4/Texte/note.txt"));
    EXPECT_FALSE(HostExists(scratch + "/T/PAG4/Texte/NOTE.txt"));
    EXPECT_TRUE(HostExists(scratch + "/T/PAG4/Bilder/foto.png"));
}

TEST_F(Lists, MarkedElementsAreFoundInOrder)
{
    AddPageList(nullptr);
    EXPECT_EQ(FindMarkedElement(1, nullptr), nullptr);
    GElement ge = MakeElement(ET_LINE, ET_LINE);
    AddGObject(1, &ge);
    ge.marked = 1;
    GElement *a = AddGObject(1, &ge);
    ge.marked = 0;
    AddGObject(1, &ge);
    ge.marked = 1;
    GElement *b = AddGObject(1, &ge);
    EXPECT_EQ(FindMarkedElement(1, nullptr), a);
    EXPECT_EQ(FindMarkedElement(1, a), b);
    EXPECT_EQ(FindMarkedElement(1, b), nullptr);
    EXPECT_EQ(FindMarkedElement(2, nullptr), nullptr);
}

TEST_F(Lists, FreeListsEmptiesPagesAndMirrors)
{
    for (int i = 0; i < 5; i++) {
        AddPageList(nullptr);
        GElement ge = MakeElement(ET_RECT, ET_RECT);
        AddGObject(i + 1, &ge);
    }
    GElement *shown = reinterpret_cast<GElement *>(GetHead(&GetPageNode(3)->page));
    Node *row = static_cast<Node *>(AllocPooled(APMemPool, sizeof(Node)));
    row->ln_Name = reinterpret_cast<char *>(shown);
    AddTail(&nodeadrlist, row);
    EXPECT_EQ(GetObjListNode(1), shown);
    EXPECT_EQ(GetObjListNode(2), nullptr);

    ARexxData *tool = static_cast<ARexxData *>(AllocPooled(APMemPool, sizeof(ARexxData)));
    AddTail(&arexxlist, &tool->node);
    FreeLists(3);
    FreeLists(2);
    FreeLists(0);
    EXPECT_EQ(PDaten.count, 0u);
    EXPECT_TRUE(IsListEmpty(&pages));
    EXPECT_TRUE(IsListEmpty(&nodeadrlist));
    EXPECT_TRUE(IsListEmpty(&arexxlist));
    EXPECT_EQ(PoolBytesInUse(APMemPool), 0u) << "every block went back to the pool";
}

TEST_F(Lists, OutOfMemoryLeavesTheListsUnchanged)
{
    AddPageList(nullptr);
    GElement ge = MakeElement(ET_LINE, ET_LINE);
    AddGObject(1, &ge);
    PoolSetLimit(APMemPool, PoolBytesInUse(APMemPool) + 16);
    EXPECT_EQ(AddPageList(nullptr), nullptr);
    EXPECT_EQ(PDaten.count, 1u);
    EXPECT_EQ(ListLength(&pages), 1u);
    EXPECT_EQ(AddGObject(1, &ge), nullptr);
    EXPECT_EQ(GetPageNode(1)->count, 1u);
    EXPECT_EQ(ListLength(&GetPageNode(1)->page), 1u);
    PoolSetLimit(APMemPool, 0);
    EXPECT_NE(AddGObject(1, &ge), nullptr);
}

TEST_F(Lists, ProjectStructureIsLaidDownAndRemoved)
{
    EXPECT_TRUE(CreateProjectStructure());
    EXPECT_TRUE(HostExists(scratch + "/T/PAG4/Texte"));
    EXPECT_TRUE(HostExists(scratch + "/T/PAG4/Bilder"));
    WriteTextFile(scratch + "/T/PAG4/Texte/x.txt", "x");
    RemoveProjectStructure();
    EXPECT_FALSE(HostExists(scratch + "/T/PAG4"));
    EXPECT_TRUE(HostExists(scratch + "/T"));
}

/* Emptying releases every element once: the files of pictures and first
 * textboxes go (a shared file once), follow-on boxes name no file of their
 * own, and nothing outside the project is touched. */
TEST_F(Lists, EmptyingTheProjectDeletesItsFilesOnce)
{
    ASSERT_TRUE(CreateProjectStructure());
    std::string pic = scratch + "/T/PAG4/Bilder/p.png", story = scratch + "/T/PAG4/Texte/s.txt";
    std::string outside = scratch + "/mine.png";
    for (const std::string &f : {pic, story, outside})
        WriteTextFile(f, "x");
    for (int i = 0; i < 3; i++)
        AddPageList(nullptr);
    GElement ge = MakeElement(ET_PICTURE, ET_PICTURE);
    std::strcpy(ge.edata.pd.fn, "PGT:PAG4/Bilder/p.png");
    AddGObject(1, &ge);
    AddGObject(3, &ge);
    std::snprintf(ge.edata.pd.fn, sizeof(ge.edata.pd.fn), "%s", outside.c_str());
    AddGObject(2, &ge);
    AddBox(1, "PGT:PAG4/Texte/s.txt", 0);
    AddBox(2, "PGT:PAG4/Texte/s.txt", -1);
    AddBox(3, "PGT:PAG4/Texte/s.txt", -2);

    FreeLists(0);
    EXPECT_FALSE(HostExists(pic));
    EXPECT_FALSE(HostExists(story));
    EXPECT_TRUE(HostExists(outside));
    EXPECT_EQ(PDaten.count, 0u);
    EXPECT_TRUE(IsListEmpty(&pages));
    EXPECT_EQ(PoolBytesInUse(APMemPool), 0u);
}
