/*
 * bench_textbox.cpp - how long the `--pdf` job takes for a project whose
 * textboxes, one on each of 200 pages, hold a text of 1 MB, beside a
 * minimal libharu program that sets the same lines with the font loaded
 * once (the limit). Chain numbers are signed bytes, so the 200 boxes form
 * two chains of 100, each with half of the text. The lines for the limit
 * come from the program's own layout, untimed. Each figure is the best of
 * a few rounds. Prints the figures and their ratio, and to tell the costs
 * apart: the same export inside this process, its layout of the chains
 * alone, the job of a project of one empty page and the job with
 * hyphenation off; asserts nothing.
 */
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <hpdf.h>

#include "benchutil.h"
#include "core/config.h"
#include "core/settings.h"
#include "document/archive.h"
#include "document/pagelist.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/fontinstall.h"
#include "platform/gui.h"
#include "text/textbox.h"
#include "view/geometry.h"

enum { PAGES = 200, CHAIN = 100, ROUNDS = 3, TEXT_BYTES = 1 << 20 };

struct SetLine {
    uint32_t page;
    float x, y;
    std::string text;
};

static std::vector<SetLine> lines;
static uint32_t line_page;
static float line_left;

static void Collect(void *data, char *line, int result, uint32_t top, uint32_t size)
{
    (void)data, (void)result;
    lines.push_back(SetLine{line_page, line_left, float(int64_t(yend) - int64_t(top + size)), line});
}

/* Words of many lengths in paragraphs of a few hundred words. */
static void WriteText(const char *name, size_t bytes)
{
    static const char *words[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dogs",
                                  "Gr\xC3\xBC\xC3\x9F" "e", "typesetting", "a", "paragraph", "of", "text"};
    std::string text;
    unsigned seed = 1;
    for (int n = 1; text.size() < bytes; n++) {
        seed = seed * 1103515245u + 12345u;
        text += words[(seed >> 16) % 14];
        text += n % 300 == 0 ? "\n" : " ";
    }
    FILE *f = OpenFile(name, "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

static void MakeProject(void)
{
    WriteText("PGT:PAG4/Texte/first.txt", TEXT_BYTES / 2);
    WriteText("PGT:PAG4/Texte/second.txt", TEXT_BYTES / 2);
    for (uint32_t p = 1; p <= PAGES; p++) {
        AddPageList(nullptr);
        GElement ge;
        std::memset(&ge, 0, sizeof(ge));
        ge.node.ln_Type = ET_TEXTBOX;
        ge.node.ln_Pri = int8_t(-int((p - 1) % CHAIN));
        std::strcpy(ge.edata.tbd.fn, p <= CHAIN ? "PGT:PAG4/Texte/first.txt" : "PGT:PAG4/Texte/second.txt");
        std::strcpy(ge.edata.tbd.fontname, "DejaVu Sans.font");
        ge.edata.tbd.size = 10;
        ge.apen = 1;
        ge.sx = xstart + 40, ge.sy = ystart + 40, ge.ex = xstart + 555, ge.ey = ystart + 800;
        AddGObject(p, &ge);
    }
}

/* The program's lines, in page order. */
static void ProgramLines(void)
{
    LayoutTextboxChains();
    uint32_t p = 1;
    for (Node *pn = GetHead(&pages); pn; pn = GetSucc(pn), p++)
        for (Node *n = GetHead(&reinterpret_cast<PageNode *>(pn)->page); n; n = GetSucc(n)) {
            GElement *ge = reinterpret_cast<GElement *>(n);
            line_page = p;
            line_left = float(ge->sx - xstart);
            WalkTextbox(ge, TextboxStart(ge), Collect, nullptr);
        }
}

static double Limit(const std::string &ttf, const std::string &out)
{
    auto t0 = std::chrono::steady_clock::now();
    HPDF_Font font;
    HPDF_Doc pdf = LimitDocument(ttf, &font);
    /* the lines are UTF-8, set in the font's CID face as the program does */
    HPDF_UseUTFEncodings(pdf);
    font = HPDF_GetFont(pdf, HPDF_Font_GetFontName(font), "UTF-8");
    size_t i = 0;
    for (uint32_t p = 1; p <= PAGES; p++) {
        HPDF_Page page = HPDF_AddPage(pdf);
        HPDF_Page_SetWidth(page, 595);
        HPDF_Page_SetHeight(page, 842);
        HPDF_Page_BeginText(page);
        HPDF_Page_SetFontAndSize(page, font, 10);
        for (; i < lines.size() && lines[i].page == p; i++)
            HPDF_Page_TextOut(page, lines[i].x, lines[i].y, lines[i].text.c_str());
        HPDF_Page_EndText(page);
    }
    HPDF_SaveToFile(pdf, out.c_str());
    HPDF_Free(pdf);
    return Seconds(t0);
}

/* The job's best time with the preference Hyphenate textboxes off, which
 * it reads from the configuration file of the folder it runs in: what the
 * loading of the hyphenation dictionary and the hyphenation cost. */
static double Unhyphenated(const std::string &dir, const std::string &job, int *rc)
{
    std::string file = dir + "/" + ConfigFileName;
    CConfig config;
    std::memset(&config, 0, sizeof(config));
    config.flags = CFG_DEFAULT_FLAGS | CFG_NO_HYPHENATION;
    FILE *f = std::fopen(file.c_str(), "wb");
    if (!f || std::fwrite(&config, sizeof(config), 1, f) != 1) {
        *rc |= 1;
        if (f)
            std::fclose(f);
        return 0.0;
    }
    std::fclose(f);
    double best = 1e9;
    for (int round = 0; round < ROUNDS; round++) {
        auto t0 = std::chrono::steady_clock::now();
        *rc |= std::system(job.c_str());
        best = std::min(best, Seconds(t0));
    }
    std::remove(file.c_str());
    return best;
}

int main(int argc, char **argv)
{
    std::string dir = BenchSetUp(argc, argv);
    InstallFonts();
    LookforTTFonts();
    CreateProjectStructure();
    PlatformScreenSize(&ScreenWidth, &ScreenHeight);
    PlacePage(ScreenWidth, ScreenHeight, 2);
    PDaten.pageformat = 2;
    PDaten.width = ScreenWidth, PDaten.height = ScreenHeight;
    MakeProject();
    ProgramLines();
    const char *ttf = BenchFont();
    if (!ttf)
        return 1;
    std::strcpy(DataPath, dir.c_str());
    SetProjectName("book");
    if (SaveProject(false) != 0) {
        std::printf("the project could not be saved\n");
        return 1;
    }
    FreeLists(0);
    PDaten.count = 0;
    AddPageList(nullptr);
    SetProjectName("empty");
    SaveProject(false);
    FreeLists(0);
    PDaten.count = 0;
    MakeProject();
    std::string job = "cd '" + dir + "' && '" + BenchBeside(argv[0], "pagimo") + "' --pdf '" + dir +
                      "/program.pdf' book.pfz";
    std::string empty = "cd '" + dir + "' && '" + BenchBeside(argv[0], "pagimo") + "' --pdf '" + dir +
                        "/empty.pdf' empty.pfz";
    double program = 1e9, limit = 1e9, inprocess = 1e9, startup = 1e9, layout = 1e9;
    int rc = 0;
    for (int round = 0; round < ROUNDS; round++) {
        auto t0 = std::chrono::steady_clock::now();
        rc |= std::system(job.c_str());
        program = std::min(program, Seconds(t0));
        t0 = std::chrono::steady_clock::now();
        PdfBatch = true;
        ExportProject((dir + "/inprocess.pdf").c_str(), xstart, ystart, xend, yend);
        inprocess = std::min(inprocess, Seconds(t0));
        t0 = std::chrono::steady_clock::now();
        LayoutTextboxChains();
        layout = std::min(layout, Seconds(t0));
        t0 = std::chrono::steady_clock::now();
        rc |= std::system(empty.c_str());
        startup = std::min(startup, Seconds(t0));
        limit = std::min(limit, Limit(HostPath(ttf), dir + "/limit.pdf"));
    }
    double plain = Unhyphenated(dir, job, &rc);
    size_t bytes = 0;
    for (const SetLine &l : lines)
        bytes += l.text.size();
    std::printf("project: %d pages, one textbox each, %d bytes of text, %zu lines (%zu bytes) set, best of %d rounds\n",
                PAGES, TEXT_BYTES, lines.size(), bytes, ROUNDS);
    if (rc)
        std::printf("the --pdf job failed\n");
    std::printf("the same export inside this process: %.3f s, its layout of the chains alone %.3f s; the job for "
                "a project of one empty page: %.3f s\n",
                inprocess, layout, startup);
    std::printf("the job with hyphenation off: %.3f s\n", plain);
    std::printf("textbox export: %.3f s, limit %.3f s, ratio %.2f\n", program, limit, program / limit);
    if (!getenv("BENCH_KEEP"))
        DeleteAll(dir.c_str());
    else
        std::printf("kept %s\n", dir.c_str());
    return rc ? 1 : 0;
}
