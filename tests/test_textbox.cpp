/*
 * test_textbox.cpp - the text of textboxes: text files as users have them
 * (UTF-8 or the 8-bit set), the line iterator with its breaks, paragraphs,
 * long words and bounded buffer, block widening, chains laid out from the
 * first box, and the PDF read back with poppler: every word once and in
 * order, justified lines flush right, the same lines as the page view, in
 * the export from the program and in the `--pdf` job.
 */
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <glob.h>
#include <sys/mman.h>

#include <QImage>
#include <QString>
#include <hpdf.h>
#include <hyphen.h>

#include "testutil.h"

#include "core/config.h"
#include "core/settings.h"
#include "document/archive.h"
#include "document/pagelist.h"
#include "document/records.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "pdf/pdftextbox.h"
#include "platform/assign.h"
#include "platform/charset.h"
#include "platform/fontinstall.h"
#include "platform/gui.h"
#include "platform/rastport.h"
#include "platform/screenfont.h"
#include "platform/strutil.h"
#include "text/hyphendict.h"
#include "text/hyphenate.h"
#include "text/textbox.h"
#include "view/drawing.h"
#include "view/geometry.h"

static const char *FONT = "DejaVu Sans.font";

/* The width of a (UTF-8) text in the screen font the boxes use. */
static uint32_t Width(const std::string &text, uint32_t size = 12)
{
    ScreenFont *sf = OpenScreenFont(FONT, uint16_t(size));
    uint32_t w = ScreenFontUtf8Length(sf, text.data(), text.size());
    CloseScreenFont(sf);
    return w;
}

struct Line {
    std::string text;
    int result;
    uint32_t top, size;
};

static void Collect(void *data, char *line, int result, uint32_t top, uint32_t size)
{
    static_cast<std::vector<Line> *>(data)->push_back(Line{line, result, top, size});
}

static std::vector<std::string> SplitWords(const std::string &text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

class Textbox : public ExportScratchTest {
protected:
    /* A textbox of the file "PGT:PAG4/Texte/<name>" at page point (x, y)
     * from the top, w by h; its stored position is stale on purpose. */
    GElement *Box(uint32_t page, const char *name, int pri, uint32_t x, uint32_t y, uint32_t w, uint32_t h,
                  uint32_t align = 0)
    {
        GElement ge = MakeElement(ET_TEXTBOX, pri);
        std::snprintf(ge.edata.tbd.fn, 256, "PGT:PAG4/Texte/%s", name);
        std::strcpy(ge.edata.tbd.fontname, FONT);
        ge.edata.tbd.size = 12;
        ge.edata.tbd.align = align;
        ge.edata.tbd.textpos = 0;
        ge.sx = xstart + x, ge.sy = ystart + y, ge.ex = ge.sx + w, ge.ey = ge.sy + h;
        return AddGObject(page, &ge);
    }
    void Write(const char *name, const std::string &bytes)
    {
        WriteTextFile(HostPath((std::string("PGT:PAG4/Texte/") + name).c_str()), bytes);
    }
    std::vector<Line> Lines(GElement *box, uint32_t start, uint32_t *end = nullptr)
    {
        std::vector<Line> lines;
        uint32_t e = WalkTextbox(box, start, Collect, &lines);
        if (end)
            *end = e;
        return lines;
    }
    bool Export() { return ExportProject(out.c_str(), xstart, ystart, xend, yend); }
};

/* ------------------------------------------------------------ loading */

TEST_F(Textbox, TextFilesInUtf8OrTheEightBitSetLoadAsTheProgramsText)
{
    Write("utf8.txt", "\xEF\xBB\xBF\xC3\xA4 \xC3\xB6 \xC3\xBC \xC3\x9F \xE2\x82\xAC \xE2\x80\x9E"
                      "a\xE2\x80\x9C \xE2\x80\x93\r\nnext\tline \xE4\xB8\xAD");
    Write("latin.txt", "Gr\xFC\xDF" "e \x80 \x84" "x\x93\rend");
    char *utf8 = GetTextFile("PGT:PAG4/Texte/utf8.txt");
    ASSERT_NE(utf8, nullptr);
    EXPECT_STREQ(utf8, "\xC3\xA4 \xC3\xB6 \xC3\xBC \xC3\x9F \xE2\x82\xAC \xE2\x80\x9E"
                       "a\xE2\x80\x9C \xE2\x80\x93\nnext line \xE4\xB8\xAD")
        << "UTF-8 kept, every character, no byte-order mark, CR LF a newline, a tab a blank";
    char *latin = GetTextFile("PGT:PAG4/Texte/latin.txt");
    ASSERT_NE(latin, nullptr);
    EXPECT_STREQ(latin, "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xE2\x80\x9E" "x\xE2\x80\x9C\nend")
        << "not UTF-8: read as the 8-bit set";
    Write("overlong.txt", "\xC0\xAF\xE4");
    char *overlong = GetTextFile("PGT:PAG4/Texte/overlong.txt");
    ASSERT_NE(overlong, nullptr);
    EXPECT_STREQ(overlong, "\xC3\x80\xC2\xAF\xC3\xA4") << "an overlong form is no UTF-8";
    FreeTextFile(overlong);
    FreeTextFile(utf8);
    FreeTextFile(latin);
    EXPECT_EQ(GetTextFile("PGT:PAG4/Texte/missing.txt"), nullptr);
}

/* ------------------------------------------------------------ lines */

TEST_F(Textbox, LinesBreakAtTheLastBlankThatFitsAndParagraphsKeepTheirEmptyLines)
{
    Write("a.txt", "one two three");
    AddPageList(nullptr);
    GElement *box = Box(1, "a.txt", 0, 0, 0, Width("one two"), 200);
    char line[TEXTBOX_LINE];
    uint32_t size = 0, pos = 0;
    ASSERT_EQ(GetTextboxLine(box, line, sizeof(line), &size, &pos), TBL_BROKEN);
    EXPECT_STREQ(line, "one two");
    EXPECT_EQ(pos, 8u) << "behind the breaking blank";
    EXPECT_GT(size, 5u);
    ASSERT_EQ(GetTextboxLine(box, line, sizeof(line), &size, &pos), TBL_END);
    EXPECT_STREQ(line, "three") << "the text's last line";
    EXPECT_EQ(pos, 13u) << "the text has ended: a following box starts behind it";
    GetTextboxLine(nullptr, line, sizeof(line), &size, &pos);

    Write("p.txt", "\nfirst\n\nsecond\tword");
    box->ex = box->sx + 400;
    std::strcpy(box->edata.tbd.fn, "PGT:PAG4/Texte/p.txt");
    std::vector<Line> lines = Lines(box, 0);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, "");
    EXPECT_EQ(lines[0].size, 0u) << "a leading empty line has no height yet";
    EXPECT_EQ(lines[1].text, "first");
    EXPECT_EQ(lines[2].text, "");
    EXPECT_EQ(lines[2].result, TBL_PARAGRAPH);
    EXPECT_EQ(lines[2].size, lines[1].size) << "an empty line is as high as the line before";
    EXPECT_EQ(lines[3].text, "second word") << "a tab shows as a blank";
    EXPECT_EQ(lines[3].result, TBL_END);

    std::strcpy(box->edata.tbd.fn, "PGT:PAG4/Texte/none.txt");
    EXPECT_TRUE(Lines(box, 0).empty()) << "a file that cannot be read gives an empty box";
    std::strcpy(box->edata.tbd.fontname, "Nothing.font");
    std::strcpy(box->edata.tbd.fn, "PGT:PAG4/Texte/p.txt");
    EXPECT_TRUE(Lines(box, 0).empty()) << "nor can a font that does not open measure a line";
}

/* A word wider than the box is broken at its last character that fits,
 * and no text is lost; a buffer smaller than a line is never overrun. */
TEST_F(Textbox, LongWordsBreakAndTheLineBufferIsBounded)
{
    std::string word(300, 'x');
    std::string text = "ab " + word + " cd ef";
    Write("long.txt", text);
    AddPageList(nullptr);
    GElement *box = Box(1, "long.txt", 0, 0, 0, 50, 2000);
    std::vector<Line> lines = Lines(box, 0);
    auto bare = [](std::string s) {
        s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
        return s;
    };
    std::string joined;
    for (const Line &l : lines) {
        EXPECT_LE(Width(l.text), 50u) << l.text;
        joined += l.text;
    }
    EXPECT_EQ(bare(joined), bare(text)) << "all of the text, in order";
    ASSERT_GT(lines.size(), 5u);

    GElement *narrow = Box(1, "long.txt", -1, 0, 0, 1, 20000);
    lines = Lines(narrow, 0);
    joined.clear();
    for (const Line &l : lines) {
        EXPECT_LE(l.text.size(), 1u);
        joined += l.text;
    }
    EXPECT_EQ(bare(joined), bare(text)) << "one character a line in a box narrower than a glyph";

    std::string noblank(100, 'y');
    Write("wide.txt", noblank);
    std::strcpy(box->edata.tbd.fn, "PGT:PAG4/Texte/wide.txt");
    box->ex = box->sx + 100000;
    char buf[16 + 4];
    std::memset(buf, '#', sizeof(buf));
    uint32_t size = 0, pos = 0, total = 0;
    int r;
    do {
        r = GetTextboxLine(box, buf, 16, &size, &pos);
        EXPECT_LE(std::strlen(buf), 15u);
        total += uint32_t(std::strlen(buf));
    } while (r != TBL_END);
    GetTextboxLine(nullptr, buf, 16, &size, &pos);
    EXPECT_EQ(std::string(buf + 16, 4), "####") << "nothing written past the buffer";
    EXPECT_EQ(total, 100u);
}

TEST_F(Textbox, BlockLinesWidenEveryGapAndNarrowTheFirstRun)
{
    char line[64] = "a b c";
    EXPECT_EQ(CreateBlockLine(line, sizeof(line), 3, false), 1);
    EXPECT_STREQ(line, "a  b  c");
    EXPECT_EQ(CreateBlockLine(line, sizeof(line), 2, true), 1);
    EXPECT_STREQ(line, "a b  c") << "only the first run narrows";
    std::strcpy(line, "a  b  c");
    EXPECT_EQ(CreateBlockLine(line, sizeof(line), 3, true), 0);
    EXPECT_STREQ(line, "a  b  c") << "no run of three: unchanged";
    char small[8] = "a b c d";
    CreateBlockLine(small, sizeof(small), 40, false);
    EXPECT_EQ(std::strlen(small), 7u) << "the result is cut to the buffer";
}

/* ------------------------------------------------------------ boxes */

TEST_F(Textbox, ABoxSetsWhatFitsAndTheNextBoxOfTheChainContinues)
{
    std::string text;
    for (int i = 0; i < 40; i++)
        text += "word" + std::to_string(i) + (i % 10 == 9 ? "\n" : " ");
    Write("c.txt", text);
    AddPageList(nullptr);
    AddPageList(nullptr);
    uint32_t pitch = 0;
    {
        GElement *probe = Box(1, "probe.txt", 0, 0, 0, 100, 100);
        Write("probe.txt", "x");
        pitch = Lines(probe, 0).at(0).size;
        RemoveGObject(1, probe, false, false);
    }
    /* room for three lines and most of a fourth */
    GElement *first = Box(2, "c.txt", 0, 0, 0, Width("word10 word11"), pitch * 3 + pitch / 2);
    GElement *second = Box(1, "c.txt", -1, 0, 300, 400, 400);
    first->edata.tbd.textpos = 120;
    second->edata.tbd.textpos = 999999;
    uint32_t end = 0;
    std::vector<Line> lines = Lines(first, 0, &end);
    ASSERT_EQ(lines.size(), 3u) << "a full box sets no partial line";
    EXPECT_EQ(lines[0].text, "word0 word1");
    EXPECT_EQ(text.substr(end, 6), "word6 ") << "the next box starts with the first line that did not fit";
    EXPECT_EQ(TextboxStart(second), end) << "laid out from the first box, whatever was stored";
    EXPECT_EQ(first->edata.tbd.textpos, end);

    lines = Lines(second, end, &end);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().text.rfind("word39"), std::string::npos) << lines.back().text;
    EXPECT_EQ(lines.back().result, TBL_PARAGRAPH) << "the text ends with its newline";
    EXPECT_EQ(end, text.size()) << "the text ended in this box";
    EXPECT_TRUE(Lines(second, end).empty()) << "so a box after it stays empty";

    Write("tail.txt", "alpha beta");
    GElement *tail = Box(1, "tail.txt", 0, 500, 300, 100, 100);
    ASSERT_EQ(Lines(tail, 0, &end).size(), 1u);
    EXPECT_EQ(end, 10u) << "a last line without a newline is not shown again by the next box";

    GElement *flat = Box(1, "c.txt", 0, 500, 0, 100, 0);
    EXPECT_TRUE(Lines(flat, 0, &end).empty()) << "an empty box height sets nothing";
    EXPECT_EQ(end, 0u);

    /* The drawing that follows the layout sets the lines the layout kept,
     * as a walk sets them, and walks anew a box changed since. */
    auto laid = [&](GElement *box) {
        std::vector<Line> kept;
        uint32_t to = WalkLaidOutTextbox(box, 0, Collect, &kept);
        std::vector<Line> walked = Lines(box, 0, &end);
        EXPECT_EQ(to, end);
        EXPECT_EQ(kept.size(), walked.size());
        for (size_t i = 0; i < kept.size() && i < walked.size(); i++)
            EXPECT_TRUE(kept[i].text == walked[i].text && kept[i].result == walked[i].result &&
                        kept[i].top == walked[i].top && kept[i].size == walked[i].size)
                << i << ": " << kept[i].text << " / " << walked[i].text;
        return kept;
    };
    LayoutTextboxChains();
    EXPECT_EQ(laid(first).at(0).text, "word0 word1");
    first->ex += Width("word10 word11");
    EXPECT_EQ(laid(first).at(0).text, "word0 word1 word2 word3") << "a box made wider";
    Write("c.txt", "other " + text);
    EXPECT_EQ(laid(first).at(0).text, "other word0 word1 word2") << "a text changed on disk";
}

/* ------------------------------------------------------------ the PDF */

/* The words of a PDF with their boxes, in reading order. */
struct PdfWord {
    int page;
    double xmin, ymin, xmax, ymax;
    std::string text;
};

static std::vector<PdfWord> BoxedWords(const std::string &pdf)
{
    /* poppler's complaints (a page without words) would land inside the words */
    std::string html = Shell("(pdftotext -bbox '" + pdf + "' - 2>/dev/null)");
    std::regex re("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>");
    std::vector<PdfWord> words;
    int page = 0;
    for (std::sregex_iterator it(html.begin(), html.end(), re), end; it != end; ++it) {
        if ((*it)[1].length() == 0) {
            page++;
            continue;
        }
        words.push_back(PdfWord{page, std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]),
                                std::stod((*it)[4]), (*it)[5]});
    }
    return words;
}

static std::string Unescape(std::string s)
{
    for (auto [from, to] : {std::pair<const char *, const char *>{"&amp;", "&"}, {"&quot;", "\""},
                            {"&lt;", "<"}, {"&gt;", ">"}, {"&apos;", "'"}})
        for (size_t at; (at = s.find(from)) != std::string::npos;)
            s.replace(at, std::strlen(from), to);
    return s;
}

/* The PDF's words with the words hyphenated at a line end joined again as
 * `want` has them: a hyphen the text lacks goes, one it has stays. */
static std::vector<std::string> Rejoined(const std::vector<std::string> &got, const std::vector<std::string> &want)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < got.size(); i++) {
        std::string w = got[i];
        for (; i + 1 < got.size() && w.size() > 1 && w.back() == '-' && out.size() < want.size() &&
               want[out.size()] != w;
             i++) {
            std::string kept = w + got[i + 1];
            w = want[out.size()].compare(0, kept.size(), kept) == 0 ? kept : w.substr(0, w.size() - 1) + got[i + 1];
        }
        out.push_back(w);
    }
    return out;
}

/* Several paragraphs in UTF-8 with the characters German texts need. */
static std::string Story(void)
{
    std::string text;
    const char *words[] = {"Gr\xC3\xBC\xC3\x9F" "e", "\xE2\x80\x9EZitat\xE2\x80\x9C", "Stra\xC3\x9F" "e",
                           "\xC3\xA4pfel", "\xC3\xB6l", "K\xC3\xBC" "che", "5\xE2\x82\xAC", "\xE2\x80\x93",
                           "lorem", "ipsum", "dolor", "sit", "amet", "consectetur", "adipiscing", "elit"};
    unsigned seed = 7;
    for (int p = 0; p < 6; p++) {
        for (int i = 0; i < 45 + p * 7; i++) {
            seed = seed * 1103515245u + 12345u;
            text += std::string(words[(seed >> 16) % 16]) + std::to_string(p * 100 + i) + " ";
        }
        text.back() = '\n';
        if (p == 2)
            text += "\n";
    }
    return text;
}

class TextboxPdf : public Textbox {
protected:
    GElement *boxes[3];
    void Chain(uint32_t align)
    {
        Write("story.txt", Story());
        AddPageList(nullptr);
        AddPageList(nullptr);
        boxes[0] = Box(1, "story.txt", 0, 60, 60, 240, 300, align);
        boxes[1] = Box(2, "story.txt", -1, 60, 60, 300, 260, align);
        boxes[2] = Box(2, "story.txt", -2, 60, 400, 300, 800, align);
    }
};

TEST_F(TextboxPdf, AChainOfThreeBoxesOnTwoPagesHoldsEveryWordOnceInOrder)
{
    Chain(3);
    ASSERT_TRUE(Export()) << (RequesterLog.empty() ? "" : RequesterLog.back());
    std::vector<std::string> want = SplitWords(Story());
    std::vector<PdfWord> got = BoxedWords(out);
    std::vector<std::string> gotwords;
    for (const PdfWord &w : got)
        gotwords.push_back(Unescape(w.text));
    EXPECT_EQ(Rejoined(gotwords, want), want);
    int onfirst = 0;
    for (const PdfWord &w : got)
        onfirst += w.page == 1;
    EXPECT_GT(onfirst, 20) << "the first box holds its share";
    EXPECT_LT(onfirst, int(want.size()) - 20) << "and the chain goes on on page 2";

    /* Shown in any order since: the stored positions are stale again. */
    boxes[0]->edata.tbd.textpos = 5;
    boxes[1]->edata.tbd.textpos = 0;
    boxes[2]->edata.tbd.textpos = 77777;
    std::string first = Shell("pdftotext '" + out + "' -");
    ASSERT_TRUE(Export());
    EXPECT_EQ(Shell("pdftotext '" + out + "' -"), first);
}

/* The PDF's lines are the page view's, and a justified line ends at the
 * box's right edge unless it ends its paragraph. */
TEST_F(TextboxPdf, JustifiedLinesEndFlushRightAndMatchThePageView)
{
    Chain(3);
    ASSERT_TRUE(Export());
    std::vector<PdfWord> got = BoxedWords(out);
    size_t at = 0;
    int flush = 0;
    for (int b = 0; b < 3; b++) {
        double right = double(boxes[b]->ex - xstart);
        for (const Line &l : Lines(boxes[b], TextboxStart(boxes[b]))) {
            std::vector<std::string> words = SplitWords(l.text);
            std::string pdfline;
            double ymin = -1;
            for (size_t i = 0; i < words.size() && at < got.size(); i++, at++) {
                if (ymin < 0)
                    ymin = got[at].ymin;
                EXPECT_NEAR(got[at].ymin, ymin, 0.5) << "one line in the PDF: " << l.text;
                EXPECT_EQ(Unescape(got[at].text), words[i]);
            }
            if (l.result == TBL_BROKEN && words.size() > 1 && at > 0) {
                EXPECT_NEAR(got[at - 1].xmax, right, 1.5) << l.text;
                flush++;
            } else if (at > 0 && !words.empty()) {
                EXPECT_LT(got[at - 1].xmax, right + 0.5) << l.text;
            }
        }
    }
    EXPECT_EQ(at, got.size()) << "no word in the PDF beyond the page view's lines";
    EXPECT_GT(flush, 15);
}

TEST_F(TextboxPdf, RightAndCentredLinesAndNothingBelowTheBox)
{
    Write("r.txt", "right one\nright two is longer\n");
    Write("c.txt", "centred\n");
    Write("tall.txt", Story());
    AddPageList(nullptr);
    GElement *r = Box(1, "r.txt", 0, 100, 100, 300, 100, 1);
    GElement *c = Box(1, "c.txt", 0, 100, 300, 300, 100, 2);
    GElement *tall = Box(1, "tall.txt", 0, 100, 500, 300, 100, 0);
    ASSERT_TRUE(Export());
    std::vector<PdfWord> got = BoxedWords(out);
    std::map<std::string, PdfWord> by;
    for (const PdfWord &w : got)
        by.emplace(w.text, w);
    EXPECT_NEAR(by["one"].xmax, double(r->ex - xstart), 1.5);
    EXPECT_NEAR(by["longer"].xmax, double(r->ex - xstart), 1.5);
    double middle = (double(c->sx - xstart) + double(c->ex - xstart)) / 2;
    EXPECT_NEAR((by["centred"].xmin + by["centred"].xmax) / 2, middle, 1.5);
    for (const PdfWord &w : got) {
        if (w.ymin > 480) {
            EXPECT_LT(w.ymax, double(tall->ey - ystart) + 3.0)
                << w.text << " past the box bottom (its descender may hang below)";
        }
    }
}

/* The window says in one requester, after the export, which characters
 * a font lacks, however many boxes and pages show them, and which texts
 * do not fit their boxes: here the second page's, too low for a line. */
TEST_F(Textbox, WhatTheBoxesCannotShowIsSaidOnceAfterTheExport)
{
    ASSERT_EQ(symlink("/usr/share/fonts/truetype/dejavu/DejaVuMathTeXGyre.ttf",
                      (scratch + "/fonts/_TrueType/DejaVuMathTeXGyre.ttf").c_str()), 0);
    InstallFonts();
    LookforTTFonts();
    Write("ru.txt", "Жук и Дом\n");
    for (uint32_t page = 1; page <= 3; page++) {
        AddPageList(nullptr);
        GElement *box = Box(page, "ru.txt", 0, 60, 60, 300, page == 2 ? 5 : 100);
        std::strcpy(box->edata.tbd.fontname, "DejaVuMathTeXGyre-Regular.font");
    }
    ASSERT_TRUE(Export());
    ASSERT_EQ(RequesterLog.size(), 1u);
    EXPECT_EQ(RequesterLog.back(), "Hint|Page 2: the text ru.txt does not fit its boxes; 9 characters are left over.\n"
                                   "The font DejaVuMathTeXGyre-Regular lacks the characters U+0416, U+0443, "
                                   "U+043A, U+0438, U+0414, U+043E, U+043C.|Okay");
    EXPECT_NE(Shell("pdftotext '" + out + "' -").find("Жук и Дом"), std::string::npos);
}

/* libharu refuses word spacing below -30 by ending the export: a line
 * that cannot be narrowed enough is set at the limit instead. */
static int harus_errors;
static void CountError(HPDF_STATUS, HPDF_STATUS, void *)
{
    harus_errors++;
}

TEST_F(Textbox, BlockSpacingStopsAtLibharusLimit)
{
    HPDF_Doc pdf = HPDF_New(CountError, nullptr);
    ASSERT_NE(pdf, nullptr);
    HPDF_Page page = HPDF_AddPage(pdf);
    HPDF_Page_BeginText(page);
    HPDF_Page_SetFontAndSize(page, HPDF_GetFont(pdf, "Helvetica", nullptr), 12);
    harus_errors = 0;
    float ws = BlockWordSpace(page, "wide words that never fit", 1.0f);
    HPDF_Page_SetWordSpace(page, ws);
    HPDF_Page_TextOut(page, 10, 10, "wide words that never fit");
    EXPECT_FLOAT_EQ(ws, PDF_MIN_WORDSPACE);
    ws = BlockWordSpace(page, "a b", 200.0f);
    HPDF_Page_SetWordSpace(page, ws);
    EXPECT_NEAR(HPDF_Page_TextWidth(page, "a b"), 200.0, 0.05) << "wide gaps too";
    ws = BlockWordSpace(page, "some words here", 100.0f);
    HPDF_Page_SetWordSpace(page, ws);
    EXPECT_NEAR(HPDF_Page_TextWidth(page, "some words here"), 100.0, 0.05);
    EXPECT_LE(HPDF_Page_TextWidth(page, "some words here"), 100.0f);
    EXPECT_EQ(harus_errors, 0);
    HPDF_Page_EndText(page);
    HPDF_Free(pdf);
}

/* The right end of the ink of a box's first line in the page view. */
static int32_t InkEnd(const GElement *box, uint32_t top, uint32_t size)
{
    RastPort *rp = WindowRastPort(WIN_PROJECT);
    uint32_t paper = ReadPixelRGB(rp, int32_t(xstart) + 5, int32_t(ystart) + 5);
    int32_t right = -1;
    for (uint32_t y = top + 1; y < top + size; y++)
        for (uint32_t x = box->sx + 1; x + 1 < box->ex; x++)
            if (ReadPixelRGB(rp, int32_t(x), int32_t(y)) != paper)
                right = std::max(right, int32_t(x));
    return right;
}

/* A short line before a word or a web address nearly as wide as the box
 * has a gap wider than the PDF's word spacing can go: it is set flush
 * left, like a paragraph's last line, on screen and in the PDF, and the
 * export goes through. */
TEST_F(Textbox, ALineWhoseGapWouldPassTheLimitIsSetFlushLeftOnScreenAndInThePdf)
{
    static const uint8_t pens[16][3] = {{170, 170, 170}, {0, 0, 0}, {255, 255, 255}};
    PlatformSetPalette(pens);
    PlatformScreenSize(&ScreenWidth, &ScreenHeight);
    ASSERT_TRUE(GUIOpenWindow(WIN_PROJECT, nullptr, nullptr, false, 0));
    CreateEmptyPage(2);
    std::string word = "x", url = "https://example.com/";
    while (Width(word + "x", 24) < 490)
        word += 'x';
    while (Width(url + "a", 24) < 480)
        url += 'a';
    Write("gap.txt", "a b " + word + " end");
    Write("url.txt", "Visit our " + url + " today");
    AddPageList(nullptr);
    GElement *boxes[2] = {Box(1, "gap.txt", 0, 40, 40, 500, 200, 3), Box(1, "url.txt", 0, 40, 300, 500, 200, 3)};
    const char *first[2] = {"a b", "Visit our"};
    int32_t flush[2];
    for (int i = 0; i < 2; i++) {
        boxes[i]->edata.tbd.size = 24;
        std::vector<Line> lines = Lines(boxes[i], 0);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0].text, first[i]);
        ASSERT_TRUE(DrawTextboxElement(WindowRastPort(WIN_PROJECT), boxes[i], JAM1, false, false));
        int32_t onscreen = InkEnd(boxes[i], lines[0].top, lines[0].size) - int32_t(xstart);
        flush[i] = int32_t(boxes[i]->sx - xstart + Width(first[i], 24));
        EXPECT_LE(onscreen, flush[i]) << first[i] << ": not widened on screen";
        EXPECT_GE(onscreen, flush[i] - 3) << first[i];
    }
    GUICloseWindow(WIN_PROJECT, false);
    ASSERT_TRUE(Export()) << (RequesterLog.empty() ? "" : RequesterLog.back());
    std::map<std::string, PdfWord> by;
    for (const PdfWord &w : BoxedWords(out))
        by.emplace(w.text, w);
    ASSERT_TRUE(by.count("b") && by.count("our") && by.count("today"));
    EXPECT_NEAR(by["b"].xmax, double(flush[0]), 1.5) << "flush left in the PDF as on screen";
    EXPECT_NEAR(by["our"].xmax, double(flush[1]), 1.5);
}

/* ------------------------------------------------------------ the job */

/* A saved project exported by the real binary: the chain's follow-on
 * boxes carry a stale position of 0, one file is in the 8-bit set. */
class TextboxJob : public JobProjectTest {
protected:
    GElement *Box(uint32_t page, const char *fn, int pri, uint32_t x, uint32_t y, uint32_t w, uint32_t h,
             const char *font = FONT)
    {
        GElement ge = MakeElement(ET_TEXTBOX, pri);
        std::strcpy(ge.edata.tbd.fn, fn);
        std::strcpy(ge.edata.tbd.fontname, font);
        ge.edata.tbd.size = 12;
        ge.edata.tbd.align = 3;
        ge.sx = xstart + x, ge.sy = ystart + y, ge.ex = ge.sx + w, ge.ey = ge.sy + h;
        return AddGObject(page, &ge);
    }
    /* Saves the project and runs `--pdf` on it, with the tool types
     * `args`: its output (standard error too), and the PDF in `pdf`. */
    std::string Job(const std::string &args = "")
    {
        std::strcpy(DataPath, scratch.c_str());
        SetProjectName("job");
        EXPECT_EQ(SaveProject(false), 0u);
        pdf = scratch + "/job.pdf";
        return Shell("cd '" + scratch + "' && timeout 60 '" + PagimoBinary() + "' --pdf '" + pdf + "' job.pfz " +
                     args + " 2>&1; echo rc=$?");
    }
    std::vector<std::string> Words()
    {
        std::vector<std::string> got;
        for (const PdfWord &w : BoxedWords(pdf))
            got.push_back(Unescape(w.text));
        return got;
    }
    std::string pdf;
};

/* Sentences of many scripts, with typographic quotes, dashes, arrows and
 * the euro sign. */
static const char *const LANGUAGES =
    "Polski: Zażółć gęślą jaźń.\n"
    "Čeština: Příliš žluťoučký kůň úpěl ďábelské ódy.\n"
    "Türkçe: Pijamalı hasta yağız şoföre çabucak güvendi.\n"
    "Ελληνικά: Ξεσκεπάζω την ψυχοφθόρα βδελυγμία.\n"
    "Русский: Съешь же ещё этих мягких французских булок.\n"
    "Tiếng Việt: Những đứa trẻ này rất thông minh.\n"
    "„Anführung“ »Guillemets« ‚einfach‘ – Strich — Geviert → ← ↔ 5 €\n";

/* The third page holds the sentences twice: in DejaVu Sans, which has
 * every character, and in a font without Cyrillic or accented Greek. */
TEST_F(TextboxJob, ThePdfJobSetsEveryWordOfAChainOfEveryScriptAndOfAnEightBitFile)
{
    ASSERT_EQ(symlink("/usr/share/fonts/truetype/dejavu/DejaVuMathTeXGyre.ttf",
                      (scratch + "/fonts/_TrueType/DejaVuMathTeXGyre.ttf").c_str()), 0);
    WriteTextFile(HostPath("PGT:PAG4/Texte/story.txt"), Story());
    WriteTextFile(HostPath("PGT:PAG4/Texte/latin.txt"), "Gr\xFC\xDF" "e aus K\xF6ln \x84" "gut\x93 \x96 5\x80");
    WriteTextFile(HostPath("PGT:PAG4/Texte/languages.txt"), LANGUAGES);
    WriteTextFile(HostPath("PGT:PAG4/Texte/same.txt"), LANGUAGES);
    for (int p = 0; p < 3; p++)
        AddPageList(nullptr);
    Box(1, "PGT:PAG4/Texte/story.txt", 0, 60, 60, 240, 300);
    Box(1, "PGT:PAG4/Texte/latin.txt", 0, 60, 600, 300, 100);
    Box(2, "PGT:PAG4/Texte/story.txt", -1, 60, 60, 300, 260);
    Box(2, "PGT:PAG4/Texte/story.txt", -2, 60, 400, 300, 800);
    Box(3, "PGT:PAG4/Texte/languages.txt", 0, 40, 60, 520, 300);
    Box(3, "PGT:PAG4/Texte/same.txt", 0, 40, 400, 520, 300, "DejaVuMathTeXGyre-Regular.font");
    std::string ran = Job();
    ASSERT_NE(ran.find("rc=0"), std::string::npos) << ran;
    std::vector<std::string> want = SplitWords(Story());
    std::vector<std::string> latin = {"Gr\xC3\xBC\xC3\x9F" "e", "aus", "K\xC3\xB6ln", "\xE2\x80\x9Egut\xE2\x80\x9C",
                                      "\xE2\x80\x93", "5\xE2\x82\xAC"};
    std::vector<std::string> got = Rejoined(Words(), want);
    /* the story's first box, then the 8-bit text below it, then page 2 */
    auto at = std::search(got.begin(), got.end(), latin.begin(), latin.end());
    ASSERT_NE(at, got.end()) << "umlauts, quotes, dash and euro exact";
    got.erase(at, at + long(latin.size()));
    std::vector<std::string> languages = SplitWords(LANGUAGES);
    ASSERT_GE(got.size(), 2 * languages.size());
    EXPECT_EQ(std::vector<std::string>(got.end() - 2 * long(languages.size()), got.end() - long(languages.size())),
              languages) << "every character back from the PDF";
    EXPECT_EQ(std::vector<std::string>(got.end() - long(languages.size()), got.end()), languages)
        << "the characters a font lacks, too";
    got.resize(got.size() - 2 * languages.size());
    EXPECT_EQ(got, want);
    std::string warning = "job.pfz: The font DejaVuMathTeXGyre-Regular lacks the characters U+03AC, U+03CC, U+03AF, "
                          "U+0420, U+0443, U+0441, U+043A, U+0438, U+0439, U+0421, U+044A, U+0435, \xE2\x80\xA6.\n";
    EXPECT_NE(ran.find(warning), std::string::npos) << ran;
    EXPECT_EQ(ran.find("lacks"), ran.rfind("lacks")) << "said once: " << ran;
    EXPECT_EQ(Shell("pdffonts '" + pdf + "' | grep -c 'CID TrueType *Identity-H *yes yes yes'"), "2\n")
        << "both fonts embedded as CID fonts with a ToUnicode map";
}

/* A chain one line too short: its last box (not the one before) shows the
 * red marker, and the job names the page, the text and what is left over,
 * and ends with 0. One line more and neither says anything. */
TEST_F(TextboxJob, AChainThatDoesNotFitIsMarkedOnScreenAndNamedByTheJob)
{
    WriteTextFile(HostPath("PGT:PAG4/Texte/six.txt"), "first\nsecond\nthird\nfourth\nfifth\nsixth\n\n");
    ScreenFont *sf = OpenScreenFont(FONT, 12);
    uint32_t pitch = ScreenFontBaseline(sf) + 1;
    CloseScreenFont(sf);
    AddPageList(nullptr);
    AddPageList(nullptr);
    Box(1, "PGT:PAG4/Texte/six.txt", 0, 60, 60, 200, 3 * pitch + 1);
    Box(2, "PGT:PAG4/Texte/six.txt", -1, 60, 60, 200, 2 * pitch + 1);
    GElement *boxes[2] = {Elements(1).back(), Elements(2).back()};
    static const uint8_t pens[16][3] = {{170, 170, 170}, {0, 0, 0}, {255, 255, 255}, {0, 0, 255}, {255, 0, 0}};
    PlatformSetPalette(pens);
    auto marked = [&boxes](int b) {
        EXPECT_TRUE(GUIOpenWindow(WIN_PROJECT, nullptr, nullptr, false, 0));
        CreateEmptyPage(2);
        for (GElement *box : boxes)
            DrawTextboxElement(WindowRastPort(WIN_PROJECT), box, JAM1, false, false);
        uint32_t centre = ReadPixelRGB(WindowRastPort(WIN_PROJECT), int32_t(boxes[b]->ex) - 5,
                                       int32_t(boxes[b]->ey) - 5);
        GUICloseWindow(WIN_PROJECT, false);
        return centre == 0xFF0000;
    };
    EXPECT_TRUE(marked(1)) << "the chain's last box";
    EXPECT_FALSE(marked(0));
    std::string ran = Job();
    EXPECT_NE(ran.find("rc=0"), std::string::npos) << ran;
    EXPECT_NE(ran.find("pagimo: " + scratch + "/job.pfz: Page 2: the text six.txt does not fit its boxes; "
                       "5 characters are left over.\n"), std::string::npos) << ran;

    boxes[1]->ey += pitch;
    EXPECT_FALSE(marked(1)) << "a chain that fits";
    EXPECT_EQ(Job(), "rc=0\n");
}

/* "a.txt" and "A.txt" are two files, each with a chain of its own, however
 * their boxes lie. A project from a system that ignores case, whose
 * elements name "Story.TXT" and "Foto.PNG" where its archive holds
 * "story.txt" and "foto.png", still finds both. */
TEST_F(TextboxJob, NamesThatDifferInCaseAreTwoFilesAndAnotherCaseFindsTheArchivesFile)
{
    std::string lower, upper;
    for (int i = 0; i < 40; i++)
        lower += "alpha" + std::to_string(i) + " ";
    for (int i = 0; i < 70; i++)
        upper += "Bravissimo" + std::to_string(i) + " ";
    WriteTextFile(HostPath("PGT:PAG4/Texte/a.txt"), lower);
    WriteTextFile(HostPath("PGT:PAG4/Texte/A.txt"), upper);
    WriteTextFile(HostPath("PGT:PAG4/Texte/story.txt"), "Once upon a time");
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(Qt::darkGreen);
    ASSERT_TRUE(img.save(QString::fromStdString(HostPath("PGT:PAG4/Bilder/foto.png")), "PNG"));
    AddPageList(nullptr);
    AddPageList(nullptr);
    Box(1, "PGT:PAG4/Texte/A.txt", 0, 60, 60, 200, 60);
    Box(1, "PGT:PAG4/Texte/a.txt", 0, 300, 60, 200, 60);
    Box(1, "PGT:PAG4/Texte/Story.TXT", 0, 60, 300, 200, 60);
    Box(2, "PGT:PAG4/Texte/A.txt", -1, 60, 60, 400, 300);
    Box(2, "PGT:PAG4/Texte/a.txt", -1, 60, 400, 400, 300);
    GElement pic = MakeElement(ET_PICTURE, ET_PICTURE);
    std::strcpy(pic.edata.pd.fn, "PGT:PAG4/Bilder/Foto.PNG");
    pic.sx = xstart + 60, pic.sy = ystart + 700, pic.ex = pic.sx + 40, pic.ey = pic.sy + 30;
    AddGObject(2, &pic);
    std::string ran = Job();
    ASSERT_NE(ran.find("rc=0"), std::string::npos) << ran;
    std::vector<std::string> want = SplitWords(upper + lower + "Once upon a time"), got = Words();
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want) << "both texts whole, each word once";
    std::string images = Shell("pdfimages -list '" + pdf + "'");
    EXPECT_EQ(std::count(images.begin(), images.end(), '\n'), 3) << images;
}

/* ------------------------------------------------------------ hyphenation */

/* Ten paragraphs of German prose with the long words German is known for. */
static const char *const GERMAN =
    "Die Donaudampfschifffahrtsgesellschaft veröffentlichte im vergangenen Sommer einen ausführlichen "
    "Geschäftsbericht, der die wirtschaftliche Entwicklung der Unternehmensgruppe in allen Einzelheiten "
    "beschreibt. Besonders hervorgehoben wurden die Investitionen in umweltfreundliche Antriebstechnologien "
    "und die Modernisierung der Anlegestellen entlang des Flusses.\n"
    "Im Mittelpunkt der Verhandlungen standen die Arbeitsbedingungen der Beschäftigten, die Vereinbarkeit "
    "von Familie und Beruf sowie die langfristige Sicherung der Ausbildungsplätze. Die Gewerkschaftsvertreter "
    "betonten, dass eine nachhaltige Personalplanung unverzichtbar sei.\n"
    "Die Bundesregierung beschloss ein umfangreiches Maßnahmenpaket zur Förderung erneuerbarer Energien. "
    "Photovoltaikanlagen auf öffentlichen Gebäuden, Windkraftanlagen in küstennahen Regionen und die "
    "Erforschung von Wasserstofftechnologien sollen die Energieversorgung der kommenden Jahrzehnte sichern.\n"
    "Zahlreiche Bibliotheken digitalisieren inzwischen ihre historischen Handschriftensammlungen. "
    "Wissenschaftlerinnen und Wissenschaftler können dadurch auf Dokumente zugreifen, die bisher nur nach "
    "vorheriger Anmeldung im Lesesaal eingesehen werden durften.\n"
    "Die Verkehrsbetriebe kündigten an, die Straßenbahnverbindungen zwischen den Stadtteilen auszubauen und "
    "die Haltestellen barrierefrei umzugestalten. Fahrgastverbände begrüßten die Pläne, forderten jedoch eine "
    "verlässlichere Taktung in den Abendstunden.\n"
    "In der Landwirtschaft gewinnen ressourcenschonende Bewirtschaftungsmethoden an Bedeutung. "
    "Genossenschaften unterstützen ihre Mitglieder bei der Umstellung auf ökologischen Anbau und vermarkten "
    "regionale Erzeugnisse gemeinsam über Wochenmärkte und Hofläden.\n"
    "Das Gesundheitsministerium veröffentlichte Empfehlungen zur Vorbeugung von Herz-Kreislauf-Erkrankungen. "
    "Regelmäßige Bewegung, ausgewogene Ernährung und ausreichender Schlaf gelten nach übereinstimmender "
    "Einschätzung der Fachgesellschaften als wichtigste Voraussetzungen.\n"
    "Die Stadtverwaltung richtete eine Beratungsstelle für Existenzgründerinnen und Existenzgründer ein. Dort "
    "erhalten Interessierte Auskünfte über Fördermöglichkeiten, Genehmigungsverfahren und die Erstellung "
    "tragfähiger Finanzierungskonzepte.\n"
    "Anlässlich des Jubiläums präsentierte das Naturkundemuseum eine Sonderausstellung über die Artenvielfalt "
    "heimischer Feuchtgebiete. Schulklassen können an Führungen teilnehmen und in Forschungswerkstätten eigene "
    "Beobachtungen dokumentieren.\n"
    "Die Weiterentwicklung der Informationstechnologie verändert die Arbeitswelt grundlegend. "
    "Unternehmensberatungen empfehlen, Beschäftigte frühzeitig in Veränderungsprozesse einzubeziehen und "
    "betriebliche Weiterbildungsangebote systematisch auszubauen.\n";

static const char *const ENGLISH =
    "Typesetting a justified paragraph in a narrow column demonstrates immediately why hyphenation matters: "
    "without it, conscientious typographers would notice distracting rivers of whitespace meandering through "
    "otherwise respectable documentation. Contemporary publishing environments therefore incorporate "
    "sophisticated algorithms, originally developed for mathematical typesetting, that determine acceptable "
    "breakpoints automatically.\n"
    "International organizations, governmental institutions and independent laboratories increasingly "
    "distribute comprehensive recommendations electronically, expecting readers to appreciate considerable "
    "typographical refinement.\n";

/* The lines of a PDF of one column a page: its words by page, height and
 * place from the left (pdftotext's own order takes a wide gap of a
 * justified line for a gap between columns). */
static std::vector<std::vector<PdfWord>> PdfLines(const std::string &pdf)
{
    std::vector<PdfWord> words = BoxedWords(pdf);
    std::sort(words.begin(), words.end(), [](const PdfWord &a, const PdfWord &b) {
        if (a.page != b.page)
            return a.page < b.page;
        return std::fabs(a.ymin - b.ymin) > 0.5 ? a.ymin < b.ymin : a.xmin < b.xmin;
    });
    std::vector<std::vector<PdfWord>> lines;
    for (const PdfWord &w : words) {
        if (lines.empty() || lines.back()[0].page != w.page || std::fabs(lines.back()[0].ymin - w.ymin) > 0.5)
            lines.emplace_back();
        lines.back().push_back(w);
    }
    return lines;
}

/* Whether libhyphen, given the dictionary's own file, lets `word` (UTF-8,
 * punctuation around it taken off) break after its first `chars` letters. */
static bool LibhyphenBreaks(const std::string &dic, std::string word, size_t chars)
{
    static std::map<std::string, HyphenDict *> dicts;
    HyphenDict *&dict = dicts[dic];
    if (!dict)
        dict = hnj_hyphen_load(dic.c_str());
    QString w = QString::fromStdString(word).toLower();
    QByteArray bytes = dict->utf8 ? w.toUtf8() : w.toLatin1();
    size_t at = dict->utf8 ? size_t(w.left(qsizetype(chars)).toUtf8().size()) : chars;
    std::vector<char> hyphens(size_t(bytes.size()) + 5);
    char **rep = nullptr;
    int *pos = nullptr, *cut = nullptr;
    hnj_hyphen_hyphenate2(dict, bytes.data(), int(bytes.size()), hyphens.data(), nullptr, &rep, &pos, &cut);
    bool breaks = at > 0 && (hyphens[at - 1] & 1) && !(rep && rep[at - 1]);
    for (int i = 0; rep && i < bytes.size(); i++)
        free(rep[i]);
    free(rep), free(pos), free(cut);
    return breaks;
}

static std::string Letters(const std::string &word)
{
    QString w = QString::fromStdString(word);
    while (!w.isEmpty() && !w.front().isLetter())
        w.remove(0, 1);
    while (!w.isEmpty() && !w.back().isLetter())
        w.chop(1);
    return w.toStdString();
}

/* Checks the job's PDF against the page view's lines of `boxes` and against
 * libhyphen: every line as the page view has it, and every hyphen at a line
 * end that the text lacks where the dictionary allows one. The number of
 * such hyphens. */
static int CheckHyphens(const std::string &pdf, const std::vector<GElement *> &boxes, const std::string &text,
                        const std::string &dic)
{
    std::vector<std::vector<PdfWord>> got = PdfLines(pdf);
    size_t at = 0;
    for (GElement *box : boxes)
        for (const Line &l : [box] {
                 std::vector<Line> lines;
                 WalkTextbox(box, TextboxStart(box), Collect, &lines);
                 return lines;
             }()) {
            if (SplitWords(l.text).empty())
                continue;
            std::vector<std::string> words;
            for (const PdfWord &w : at < got.size() ? got[at] : std::vector<PdfWord>())
                words.push_back(Unescape(w.text));
            EXPECT_EQ(words, SplitWords(l.text)) << "the page view's line " << at;
            at++;
        }
    EXPECT_EQ(at, got.size()) << "no line beyond the page view's";
    std::vector<std::string> textwords = SplitWords(text);
    int hyphens = 0;
    for (size_t i = 0; i + 1 < got.size(); i++) {
        std::string end = Unescape(got[i].back().text), next = Unescape(got[i + 1].front().text);
        if (end.size() < 2 || end.back() != '-' ||
            std::find(textwords.begin(), textwords.end(), end + next) != textwords.end() ||
            std::find(textwords.begin(), textwords.end(), end) != textwords.end())
            continue; /* the text's own hyphen */
        std::string part = end.substr(0, end.size() - 1), word = Letters(part + next);
        EXPECT_NE(std::find(textwords.begin(), textwords.end(), part + next), textwords.end())
            << part << next << ": the two parts make a word of the text";
        EXPECT_TRUE(LibhyphenBreaks(dic, word, size_t(QString::fromStdString(Letters(part)).size())))
            << word << " broken after " << part;
        hyphens++;
    }
    return hyphens;
}

/* The mean gap between the words of the PDF's lines that are spread to the
 * box's right edge. */
static double MeanGap(const std::string &pdf, double right)
{
    double gaps = 0;
    int n = 0;
    for (const std::vector<PdfWord> &line : PdfLines(pdf)) {
        if (line.size() < 2 || std::fabs(line.back().xmax - right) > 1.5)
            continue;
        for (size_t i = 0; i + 1 < line.size(); i++, n++)
            gaps += line[i + 1].xmin - line[i].xmax;
    }
    return n ? gaps / n : 0.0;
}

/* A German text in a chain of narrow block-justified boxes over pages,
 * exported by the job: a configuration file of an older version (0xC0,
 * without the bit) hyphenates, and the lines are the page view's; with the
 * preference off (0xE0) the lines are set as before hyphenation, with gaps
 * at least a third wider. */
TEST_F(TextboxJob, GermanTextHyphenatesAtTheDictionarysPointsAsThePageViewShowsIt)
{
    WriteTextFile(HostPath("PGT:PAG4/Texte/de.txt"), GERMAN);
    std::vector<GElement *> boxes;
    for (uint32_t page = 1; page <= 3; page++) {
        AddPageList(nullptr);
        boxes.push_back(Box(page, "PGT:PAG4/Texte/de.txt", 1 - int(page), 60, 60, 170, 700));
    }
    /* The job with the configuration's flags byte `flags`: the hyphens
     * its PDF shows at line ends and the mean word gap. */
    auto Run = [&](uint8_t flags, int *hyphens) {
        std::string cfg(2048, '\0');
        cfg[0] = char(flags);
        WriteTextFile(scratch + "/PagimoOS4.cfg", cfg);
        Config.flags = flags;
        EXPECT_EQ(Job(), "rc=0\n");
        *hyphens = CheckHyphens(pdf, boxes, GERMAN, "/usr/share/hyphen/hyph_de_DE.dic");
        return MeanGap(pdf, 230);
    };
    int hyphens_on = 0, hyphens_off = 0;
    uint8_t flags = Config.flags;
    double on = Run(0xC0, &hyphens_on);
    EXPECT_GE(hyphens_on, 10);
    double off = Run(0xE0, &hyphens_off);
    Config.flags = flags;
    EXPECT_EQ(hyphens_off, 0);
    EXPECT_GT(on, 0.0);
    EXPECT_LE(on, 0.75 * off) << "mean gap with hyphenation " << on << ", without " << off;
}

/* An English text follows iSpellLanguage=English; a language without a
 * dictionary is set as without hyphenation, and the preference's hint
 * says what is missing. */
TEST_F(TextboxJob, EnglishTextHyphenatesWithItsDictionaryAndAMissingOneSetsTextAsBefore)
{
    WriteTextFile(HostPath("PGT:PAG4/Texte/en.txt"), ENGLISH);
    AddPageList(nullptr);
    std::vector<GElement *> boxes = {Box(1, "PGT:PAG4/Texte/en.txt", 0, 60, 60, 150, 760)};
    Strlcpy(Language, "English", sizeof(Language));
    EXPECT_EQ(HyphenationHint(), "Breaks words at the ends of textbox lines with the dictionary en_US.");
    ASSERT_EQ(Job("iSpellLanguage=English"), "rc=0\n");
    EXPECT_GE(CheckHyphens(pdf, boxes, ENGLISH, "/usr/share/hyphen/hyph_en_US.dic"), 3);

    Config.flags = CFG_NO_HYPHENATION;
    std::vector<Line> off;
    WalkTextbox(boxes[0], 0, Collect, &off);
    Config.flags = 0;
    Strlcpy(Language, "xx_XX", sizeof(Language));
    EXPECT_EQ(HyphenationHint(), "Hyphenation needs the dictionary xx_XX, which is not installed.");
    ASSERT_EQ(Job("iSpellLanguage=xx_XX"), "rc=0\n");
    EXPECT_EQ(CheckHyphens(pdf, boxes, ENGLISH, "/usr/share/hyphen/hyph_en_US.dic"), 0);
    std::vector<Line> missing;
    WalkTextbox(boxes[0], 0, Collect, &missing);
    ASSERT_EQ(missing.size(), off.size());
    for (size_t i = 0; i < off.size(); i++)
        EXPECT_EQ(missing[i].text, off[i].text);
    Strlcpy(Language, "Deutsch", sizeof(Language));
}

/* libhyphen's hyphens for each of the words with `dict`. */
static std::string LibhyphenPoints(HyphenDict *dict, const std::vector<std::string> &words)
{
    std::string all;
    for (const std::string &w : words) {
        std::vector<char> hyphens(w.size() + 5);
        char **rep = nullptr;
        int *pos = nullptr, *cut = nullptr;
        hnj_hyphen_hyphenate2(dict, w.data(), int(w.size()), hyphens.data(), nullptr, &rep, &pos, &cut);
        all += std::string(hyphens.data()) + " ";
        for (size_t i = 0; rep && i < w.size(); i++)
            free(rep[i]);
        free(rep), free(pos), free(cut);
    }
    return all;
}

/* A dictionary compiled into the user's cache hyphenates as libhyphen's
 * own. An entry cut short or damaged, or changed to lead libhyphen out of
 * the word or into a loop and made to vouch for itself as a hostile one
 * could, is compiled again; so is an entry changed in place after its note
 * vouched for it. Mapped elsewhere than where it is laid out for, an entry
 * hyphenates alike. */
TEST_F(Textbox, ACompiledDictionaryHyphenatesAsLibhyphensOwnAndABadEntryIsCompiledAgain)
{
    std::string dic = scratch + "/hyph_en_US.dic", folder = scratch + "/cache/pagimo/hyphen";
    WriteTextFile(dic, ReadTextFile("/usr/share/hyphen/hyph_en_US.dic"));
    std::vector<std::string> words;
    for (const std::string &w : SplitWords(std::string(ENGLISH) + GERMAN))
        if (!Letters(w).empty())
            words.push_back(QString::fromStdString(Letters(w)).toLower().toStdString());
    HyphenDict *own = hnj_hyphen_load(dic.c_str());
    ASSERT_NE(own, nullptr);
    std::string want = LibhyphenPoints(own, words);
    hnj_hyphen_free(own);

    HyphenDict *dict = LoadHyphenDictionary(dic);
    ASSERT_TRUE(dict && dict->nextlevel);
    EXPECT_EQ(LibhyphenPoints(dict, words), want);
    glob_t found;
    ASSERT_EQ(glob((folder + "/hyph_en_US.dic-*.bin").c_str(), 0, nullptr, &found), 0);
    std::string entry = found.gl_pathv[0], good = ReadTextFile(entry);
    globfree(&found);

    /* the places of the changes, from the loaded dictionary */
    const HyphenDict *level = dict->nextlevel;
    const HyphenState *states = level->states;
    const HyphenState &root = states[0];
    int first = root.trans[0].new_state, second = root.trans[1].new_state, deep = first;
    while (!states[deep].match || std::strlen(states[deep].match) < 4)
        deep++;
    auto at = [&](const void *p) { return HyphenEntryOffset(dict, p); };
    auto number = [](int n) { return std::string(reinterpret_cast<const char *>(&n), sizeof(n)); };
    auto pointer = [&](const void *p, long long moved = 0) {
        uint64_t v;
        std::memcpy(&v, good.data() + at(p), sizeof(v));
        v += uint64_t(moved);
        return std::string(reinterpret_cast<const char *>(&v), sizeof(v));
    };
    struct Change {
        const char *what;
        size_t at;
        std::string bytes;
    } changes[] = {
        {"a transition back to state 0", at(&root.trans[0].new_state), number(0)},
        {"a transition beyond the states", at(&root.trans[0].new_state), number(level->num_states)},
        {"more transitions than there are", at(&root.num_trans), number(1 << 28)},
        {"transitions off their alignment", at(&root.trans), pointer(&root.trans, 1)},
        {"a fallback to itself", at(&states[first].fallback_state), number(first)},
        {"a fallback to a state as deep", at(&states[second].fallback_state), number(first)},
        {"a pattern beyond the entry", at(&states[deep].match), pointer(&states[deep].match, (long long)good.size())},
        {"a pattern longer than the letters that lead to it", at(&states[first].match),
         pointer(&states[deep].match)},
        {"a level that is its own next", at(&level->nextlevel), pointer(&dict->nextlevel)},
        {"an empty word that may not break", at(dict->nohyphen), std::string(1, '\0')},
    };
    for (const Change &c : changes) {
        std::string bad = good;
        bad.replace(c.at, c.bytes.size(), c.bytes);
        ResealHyphenEntry(&bad);
        WriteTextFile(entry, bad);
        FreeHyphenDictionary(dict);
        dict = LoadHyphenDictionary(dic);
        ASSERT_NE(dict, nullptr) << c.what;
        EXPECT_EQ(LibhyphenPoints(dict, words), want) << c.what;
        EXPECT_TRUE(ReadTextFile(entry) == good) << c.what << ": compiled again";
    }
    size_t digit = at(dict->nextlevel->states[deep].match);
    std::string damaged = good;
    damaged[digit] = damaged[digit] == '9' ? '8' : '9';
    for (const std::string &bad : {good.substr(0, good.size() / 2), damaged}) {
        WriteTextFile(entry, bad);
        FreeHyphenDictionary(dict);
        dict = LoadHyphenDictionary(dic);
        ASSERT_NE(dict, nullptr);
        EXPECT_EQ(LibhyphenPoints(dict, words), want);
        EXPECT_TRUE(ReadTextFile(entry) == good) << "cut short or damaged: compiled again";
    }

    /* an entry that has settled is noted, and changed in place no longer
     * matches its note */
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    FreeHyphenDictionary(dict);
    dict = LoadHyphenDictionary(dic);
    ASSERT_EQ(glob((folder + "/checked-*").c_str(), 0, nullptr, &found), 0);
    globfree(&found);
    FILE *f = std::fopen(entry.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, long(digit), SEEK_SET);
    std::fputc(damaged[digit], f);
    std::fclose(f);
    FreeHyphenDictionary(dict);
    dict = LoadHyphenDictionary(dic);
    EXPECT_EQ(LibhyphenPoints(dict, words), want);
    EXPECT_TRUE(ReadTextFile(entry) == good) << "changed in place: compiled again";

    /* with the entry's address taken, it is moved */
    char *base = reinterpret_cast<char *>(dict) - at(dict);
    FreeHyphenDictionary(dict);
    void *taken = mmap(base, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    ASSERT_EQ(taken, base);
    dict = LoadHyphenDictionary(dic);
    ASSERT_NE(dict, nullptr);
    EXPECT_NE(reinterpret_cast<char *>(dict) - at(dict), base);
    EXPECT_EQ(LibhyphenPoints(dict, words), want);
    FreeHyphenDictionary(dict);
    munmap(taken, 4096);
}

/* A soft hyphen breaks a word with a hyphen and is invisible elsewhere; a
 * word breaks after its own hyphen, which stays single; a no-break space
 * keeps a number and its unit together. */
TEST_F(Textbox, SoftHyphensAndHyphensBreakNoBreakSpacesNever)
{
    AddPageList(nullptr);
    GElement *box = Box(1, "b.txt", 0, 0, 0, 400, 400);
    auto lines = [&](const std::string &text, const std::string &fits) {
        Write("b.txt", text + "\n");
        box->ex = box->sx + Width(fits);
        std::vector<std::string> shown;
        for (const Line &l : Lines(box, 0))
            shown.push_back(l.text);
        return shown;
    };
    std::string shy = "Donau\xC2\xAD" "dampf\xC2\xAD" "schiff";
    EXPECT_EQ(lines(shy, "Donau-"), (std::vector<std::string>{"Donau-", "dampf-", "schiff"}));
    EXPECT_EQ(lines(shy, "Donaudampfschiff"), std::vector<std::string>{"Donaudampfschiff"});
    EXPECT_EQ(lines("E-Mail-Adresse", "E-Mail-Adres"), (std::vector<std::string>{"E-Mail-", "Adresse"}))
        << "no room for Adres- and its hyphen";
    EXPECT_EQ(lines("ab 10\xC2\xA0kg", "ab 10"), (std::vector<std::string>{"ab", "10\xC2\xA0kg"}));
}
