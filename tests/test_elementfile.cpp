/*
 * test_elementfile.cpp - the element file byte for byte: files made here
 * from the field tables (not by the program's writer) are read into the
 * expected elements, the program's own files have the expected bytes and
 * sizes, and damaged files end the read with their code instead of harm.
 */
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "testutil.h"

#include "document/elementfile.h"
#include "document/pagelist.h"
#include "core/settings.h"
#include "platform/files.h"
#include "platform/mempool.h"

/* ------------------------------------------------------------ a hand-made file */

struct Bytes {
    std::vector<uint8_t> b;
    void Text(const std::string &s) { b.insert(b.end(), s.begin(), s.end()); }
    size_t Block(size_t n) { b.resize(b.size() + n, 0); return b.size() - n; }
    void Be32(size_t at, uint32_t v)
    {
        b[at] = uint8_t(v >> 24), b[at + 1] = uint8_t(v >> 16), b[at + 2] = uint8_t(v >> 8), b[at + 3] = uint8_t(v);
    }
    void Str(size_t at, const std::string &s) { std::memcpy(&b[at], s.data(), s.size()); }
    /* Identifier, header with count pages and the saved screen size. */
    void Start(const std::string &id, uint32_t pages, uint32_t w, uint32_t h)
    {
        Text(id);
        size_t hd = Block(2048);
        Be32(hd, pages), Be32(hd + 4, 3), Be32(hd + 8, w), Be32(hd + 12, h), Be32(hd + 16, 2);
        Str(hd + 20, "06 12 2026 10 00");
        Str(hd + 56, "Ada");
        Str(hd + 102, "Handbook");
        b[hd + 198] = 4;
        b[hd + 199] = 3;
    }
    void Page(uint32_t count) { Be32(Block(508), count); }
    size_t Element(uint8_t type, int8_t pri, uint32_t sx, uint32_t sy, uint32_t ex, uint32_t ey)
    {
        size_t e = Block(532);
        Be32(e, 0xDEADBEEF); /* list links are not significant */
        b[e + 8] = type, b[e + 9] = uint8_t(pri);
        Be32(e + 16, sx), Be32(e + 20, sy), Be32(e + 24, ex), Be32(e + 28, ey);
        b[e + 32] = 1;
        return e;
    }
    void Save(const std::string &path) { WriteTextFile(path, std::string(b.begin(), b.end())); }
};

class ElementFile : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        CreateDirTree("PGT:PAG4/Texte");
        file = scratch + "/T/PAG4/Elemente.pff";
    }
    ReadResult Read(uint32_t w = 1920, uint32_t h = 1200)
    {
        FreeLists(0);
        return ReadElementFile("PGT:PAG4/Elemente.pff", w, h);
    }
    GElement *Element(uint32_t page, uint32_t index)
    {
        return reinterpret_cast<GElement *>(GetNthNode(&GetPageNode(page)->page, index));
    }
    std::string file;
};

TEST_F(ElementFile, HandMadeFileOpensWithEveryField)
{
    Bytes f;
    f.Start("Mivra190706 V2", 2, 1920, 1200);
    f.Page(3);
    size_t t = f.Element(ET_TEXT, 5, 400, 300, 300, 320);
    f.Str(t + 36, "Chapter one");
    f.Str(t + 117, "DejaVuSans.font");
    f.Be32(t + 200, 18);
    f.b[t + 204] = 2;
    f.Str(t + 408, "title");
    f.b[t + 424] = 1;
    size_t box = f.Element(ET_TEXTBOX, 127, 250, 400, 500, 700);
    f.Str(box + 36, "PGT:PAG4/Texte/story.txt");
    f.Be32(box + 292, 3);
    f.Str(box + 296, "DejaVuSerif.font");
    f.Be32(box + 380, 11);
    f.Be32(box + 384, 999);
    size_t link = f.Element(ET_LINK, 0, 10, 20, 30, 40);
    f.Str(link + 36, "Next");
    f.Str(link + 205, "https://example.org/next");
    f.Be32(link + 376, 2);
    f.b[link + 32] = 3;
    f.b[link + 388] = 1;
    f.Page(1);
    size_t pic = f.Element(ET_PICTURE, 0, 100, 100, 164, 148);
    f.Str(pic + 36, "PGT:PAG4/Bilder/a.png");
    f.Be32(pic + 292, 0x12345678); /* a stale handle from another run */
    f.Be32(pic + 300, 64), f.Be32(pic + 304, 48);
    f.Save(file);

    ReadResult rr = Read();
    ASSERT_EQ(rr.code, 0u) << rr.reason;
    EXPECT_EQ(PDaten.count, 2u);
    EXPECT_EQ(PDaten.pageformat, 3u);
    EXPECT_EQ(PDaten.spage, 2u);
    EXPECT_STREQ(PDaten.created, "06 12 2026 10 00");
    EXPECT_STREQ(PDaten.author, "Ada");
    EXPECT_STREQ(PDaten.title, "Handbook");
    EXPECT_EQ(PDaten.comp, 4);
    EXPECT_EQ(PDaten.maxlevel, 3);
    ASSERT_EQ(GetPageNode(1)->count, 3u);

    GElement *l = Element(1, 1); /* links first: the list is by priority */
    EXPECT_EQ(l->node.ln_Type, ET_LINK);
    EXPECT_EQ(l->node.ln_Pri, ET_LINK) << "priority is the type code";
    EXPECT_STREQ(l->edata.td.text, "Next");
    EXPECT_EQ(l->edata.td.page, 2u);
    EXPECT_STREQ(l->edata.td.link, "https://example.org/next");
    EXPECT_EQ(l->apen, 3);
    EXPECT_EQ(l->marked, 1);
    GElement *tx = Element(1, 2);
    EXPECT_EQ(tx->sx, 400u);
    EXPECT_EQ(tx->ey, 320u);
    EXPECT_STREQ(tx->edata.td.fontname, "DejaVuSans.font");
    EXPECT_EQ(tx->edata.td.size, 18u);
    EXPECT_EQ(tx->edata.td.level, 2);
    EXPECT_STREQ(tx->nname, "title");
    EXPECT_EQ(tx->mbits, 1);
    GElement *b = Element(1, 3);
    EXPECT_EQ(b->node.ln_Pri, 0) << "chain number 127 reads as the first box";
    EXPECT_EQ(b->edata.tbd.textpos, 0u);
    EXPECT_EQ(b->edata.tbd.align, 3u);
    EXPECT_STREQ(b->edata.tbd.fontname, "DejaVuSerif.font");
    EXPECT_EQ(b->edata.tbd.size, 11u);
    GElement *p = Element(2, 1);
    EXPECT_STREQ(p->edata.pd.fn, "PGT:PAG4/Bilder/a.png");
    EXPECT_EQ(p->edata.pd.dsrc, nullptr);
    EXPECT_EQ(p->edata.pd.width, 64u);
}

TEST_F(ElementFile, VersionOneAndScreenSizesShiftElements)
{
    Bytes f;
    f.Start("mivra190706 v1", 1, 1920, 1200);
    f.Page(1);
    size_t pic = f.Element(ET_PICTURE, 0, 500, 300, 600, 400);
    f.Str(pic + 36, "t:PAG4/Bilder/old.png");
    f.Save(file);
    ReadResult rr = Read();
    ASSERT_EQ(rr.code, 0u);
    EXPECT_TRUE(rr.version1);
    EXPECT_EQ(Element(1, 1)->sx, 325u);
    EXPECT_EQ(Element(1, 1)->ex, 425u);
    EXPECT_EQ(Element(1, 1)->sy, 300u);
    EXPECT_STREQ(Element(1, 1)->edata.pd.fn, "PGT:PAG4/Bilder/old.png");

    Bytes g;
    g.Start("MIVRA190706 V2", 1, 1720, 1100);
    g.Page(1);
    g.Element(ET_LINE, 0, 500, 300, 600, 400);
    g.Save(file);
    ASSERT_EQ(Read(1920, 1200).code, 0u) << "the identifier ignores case";
    EXPECT_EQ(Element(1, 1)->sx, 600u) << "200 wider: 100 right";
    EXPECT_EQ(Element(1, 1)->sy, 350u) << "100 higher: 50 down";
    EXPECT_EQ(PDaten.width, 1920u);
    ASSERT_EQ(Read(1720, 1300).code, 0u);
    EXPECT_EQ(Element(1, 1)->sx, 500u);
    EXPECT_EQ(Element(1, 1)->sy, 400u) << "same width, 200 higher: 100 down all the same";

    Bytes h;
    h.Start("Mivra190706 VX", 1, 0, 0);
    h.Page(0);
    h.Save(file);
    EXPECT_EQ(Read().code, 0u) << "any other version byte reads as current";
}

TEST_F(ElementFile, ProgramFilesHaveTheTableSizes)
{
    PDaten.count = 0;
    AddPageList(nullptr);
    ASSERT_TRUE(WriteElementFile("PGT:PAG4/Elemente.pff"));
    std::string bytes = ReadTextFile(file);
    EXPECT_EQ(bytes.size(), 2570u);
    EXPECT_EQ(bytes.substr(0, 14), "Mivra190706 V2");

    AddPageList(nullptr);
    for (int type : {ET_LINE, ET_RECT, ET_TEXT}) {
        GElement ge = MakeElement(type, type);
        AddGObject(2, &ge);
    }
    ASSERT_TRUE(WriteElementFile("PGT:PAG4/Elemente.pff"));
    bytes = ReadTextFile(file);
    EXPECT_EQ(bytes.size(), 14u + 2048 + 508 + 508 + 3 * 532);
    EXPECT_EQ(bytes.substr(14 + 2048 + 508, 4), std::string("\0\0\0\3", 4)) << "page 2 announces 3";
    EXPECT_EQ(bytes.substr(14, 4), std::string("\0\0\0\2", 4)) << "two pages";
}

/* Every kind on several pages survives a write and a read. */
TEST_F(ElementFile, RoundTripKeepsEveryRecordAndOrder)
{
    PDaten.count = 0;
    PDaten.width = 1920, PDaten.height = 1200;
    std::strcpy(PDaten.title, "Round trip");
    std::vector<GElement> made;
    for (uint32_t p = 1; p <= 3; p++) {
        AddPageList(nullptr);
        for (int type = ET_LINE; type <= ET_LINK; type++) {
            GElement ge = MakeElement(type, type == ET_TEXTBOX ? -int(p) + 1 : type);
            ge.sx = 100 * p + type, ge.sy = 200 + type, ge.ex = 300 + type, ge.ey = 400 * p;
            std::snprintf(ge.nname, sizeof(ge.nname), "n%u-%d", p, type);
            if (type == ET_PICTURE)
                std::strcpy(ge.edata.pd.fn, "PGT:PAG4/Bilder/p.jpg"), ge.edata.pd.width = 7;
            else if (type == ET_TEXTBOX)
                std::strcpy(ge.edata.tbd.fn, "PGT:PAG4/Texte/t.txt"), ge.edata.tbd.textpos = 77 * p;
            else if (type != ET_LINE && type != ET_RECT)
                std::snprintf(ge.edata.td.text, 81, "text %u %d", p, type), ge.edata.td.level = 1,
                    std::strcpy(ge.edata.td.link, type == ET_LINK ? "https://example.org" : "");
            AddGObject(p, &ge);
        }
        /* a second line: equal priorities keep their order */
        GElement second = MakeElement(ET_LINE, ET_LINE);
        second.sx = 9999;
        AddGObject(p, &second);
    }
    std::vector<std::vector<std::vector<uint8_t>>> before;
    for (uint32_t p = 1; p <= 3; p++) {
        before.emplace_back();
        for (Node *n = GetHead(&GetPageNode(p)->page); n; n = GetSucc(n)) {
            std::vector<uint8_t> rec(532);
            PackElement(reinterpret_cast<GElement *>(n), rec.data());
            before.back().push_back(rec);
        }
    }
    ASSERT_TRUE(WriteElementFile("PGT:PAG4/Elemente.pff"));
    ReadResult rr = Read();
    ASSERT_EQ(rr.code, 0u) << rr.reason;
    EXPECT_STREQ(PDaten.title, "Round trip");
    ASSERT_EQ(PDaten.count, 3u);
    for (uint32_t p = 1; p <= 3; p++) {
        ASSERT_EQ(GetPageNode(p)->count, before[p - 1].size());
        size_t i = 0;
        for (Node *n = GetHead(&GetPageNode(p)->page); n; n = GetSucc(n), i++) {
            std::vector<uint8_t> rec(532);
            PackElement(reinterpret_cast<GElement *>(n), rec.data());
            EXPECT_EQ(rec, before[p - 1][i]) << "page " << p << " element " << i;
        }
    }
}

TEST_F(ElementFile, DamagedFilesEndTheReadWithoutHarm)
{
    WriteTextFile(file, "Mivra190706");
    EXPECT_EQ(Read().code, uint32_t(EF_DAMAGED)) << "shorter than the identifier";
    WriteTextFile(file, "Mivra190706 V2");
    EXPECT_EQ(Read().code, uint32_t(EF_DAMAGED)) << "a 14-byte file has no header";
    WriteTextFile(file, "Mivra190705 V2" + std::string(2048, '\0'));
    EXPECT_EQ(Read().code, uint32_t(EF_NOTPROJECT));
    EXPECT_EQ(Read().code, uint32_t(EF_NOTPROJECT));
    DeleteFile("PGT:PAG4/Elemente.pff");
    EXPECT_EQ(Read().code, uint32_t(EF_NOFILE));

    Bytes huge;
    huge.Start("Mivra190706 V2", 0xFFFFFFFF, 1920, 1200);
    huge.Save(file);
    size_t pool_before = PoolBytesInUse(APMemPool);
    EXPECT_EQ(Read().code, uint32_t(EF_DAMAGED));
    EXPECT_EQ(PoolBytesInUse(APMemPool), pool_before) << "nothing allocated for absurd counts";

    Bytes none;
    none.Start("Mivra190706 V2", 0, 1920, 1200);
    none.Save(file);
    EXPECT_EQ(Read().code, uint32_t(EF_DAMAGED)) << "a project has at least one page";

    Bytes wide;
    wide.Start("Mivra190706 V2", 1, 0x80000000u, 0xFFFFFFFFu);
    wide.Page(0);
    wide.Save(file);
    EXPECT_EQ(Read().code, uint32_t(EF_DAMAGED)) << "no screen is that large";

    Bytes many;
    many.Start("Mivra190706 V2", 1, 1920, 1200);
    many.Page(0xFFFFFFFF);
    many.Element(ET_LINE, 0, 1, 2, 3, 4);
    many.Save(file);
    EXPECT_EQ(Read().code, uint32_t(EF_DAMAGED));
    EXPECT_EQ(GetPageNode(1)->count, 0u);

    Bytes cut;
    cut.Start("Mivra190706 V2", 1, 1920, 1200);
    cut.Page(2);
    cut.Element(ET_LINE, 0, 1, 2, 3, 4);
    cut.b.resize(cut.b.size() + 200);
    cut.Save(file);
    EXPECT_EQ(Read().code, uint32_t(EF_DAMAGED)) << "the second element is cut short";

    Bytes wild;
    wild.Start("Mivra190706 V2", 1, 1920, 1200);
    wild.Page(2);
    size_t t = wild.Element(ET_TEXT, 0, 1, 2, 3, 4);
    std::memset(&wild.b[t + 36], 'A', 424 - 36);
    wild.b[t + 204] = 255;
    size_t u = wild.Element(99, 0, 5, 6, 7, 8);
    wild.b[u + 36] = 0xAB, wild.b[u + 387] = 0xCD;
    wild.Save(file);
    ASSERT_EQ(Read().code, 0u);
    GElement *unknown = Element(1, 1);
    EXPECT_EQ(unknown->node.ln_Type, 99) << "an unknown kind is kept";
    GElement *text = Element(1, 2);
    EXPECT_EQ(std::strlen(text->edata.td.text), 80u) << "an unterminated field stays in bounds";
    EXPECT_EQ(std::strlen(text->nname), 15u);
    EXPECT_EQ(text->edata.td.level, LEVEL_LAST) << "an impossible headline level is bounded";
    std::vector<uint8_t> rec(532);
    PackElement(unknown, rec.data());
    EXPECT_EQ(rec[36], 0xAB);
    EXPECT_EQ(rec[387], 0xCD) << "its data is written back unchanged";
}

/* A project holds at most MAX_PAGES pages: one more is refused with its
 * message before a page is made, however many the header announces, and
 * the largest project reads, writes and empties. */
TEST_F(ElementFile, ProjectsBeyondThePageLimitAreRefused)
{
    for (uint32_t n : {100000u, uint32_t(MAX_PAGES) + 1}) {
        Bytes f;
        f.Start("Mivra190706 V2", n, 1920, 1200);
        f.Save(file);
        /* The page records are all zero: grow the file to hold them. */
        ASSERT_EQ(truncate(file.c_str(), off_t(14 + 2048) + off_t(n) * 508), 0);
        ReadResult rr = Read();
        EXPECT_EQ(rr.code, uint32_t(EF_DAMAGED));
        EXPECT_NE(std::string(rr.reason).find(std::to_string(n) + " pages"), std::string::npos) << rr.reason;
        EXPECT_NE(std::string(rr.reason).find("348"), std::string::npos) << rr.reason;
        EXPECT_EQ(PDaten.count, 0u);
        EXPECT_TRUE(IsListEmpty(&pages));
    }

    Bytes f;
    f.Start("Mivra190706 V2", MAX_PAGES, 1920, 1200);
    for (uint32_t p = 1; p <= MAX_PAGES; p++) {
        f.Page(2);
        f.Element(ET_LINE, 0, 400, 300, 500, 300 + p);
        f.Element(ET_RECT, 0, 410, 310, 510, 310 + p);
    }
    f.Save(file);
    ASSERT_EQ(Read().code, 0u);
    ASSERT_EQ(PDaten.count, uint32_t(MAX_PAGES));
    EXPECT_EQ(Element(MAX_PAGES, 2)->ey, 300u + MAX_PAGES);
    ASSERT_TRUE(WriteElementFile("PGT:PAG4/Elemente.pff"));
    EXPECT_EQ(ReadTextFile(file).size(), 14u + 2048 + MAX_PAGES * (508u + 2 * 532));
    FreeLists(0);
    EXPECT_EQ(PDaten.count, 0u);
    EXPECT_EQ(PoolBytesInUse(APMemPool), 0u);
}
