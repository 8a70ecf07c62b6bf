/*
 * bench_pdf.cpp - how long the PDF export of a text-heavy project takes:
 * 200 pages of 50 text elements each, exported by the program, beside a
 * minimal program that makes the same libharu calls with the font loaded
 * once (the limit). The export takes the font's sanitized bytes from the
 * font cache, which the first export fills; that lookup is timed apart as
 * well. Each figure is the best of a few rounds, so that a busy machine
 * disturbs the ratio less. Prints the figures and their ratio; asserts
 * nothing.
 */
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <hpdf.h>

#include "benchutil.h"
#include "core/settings.h"
#include "document/pagelist.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/fontinstall.h"
#include "platform/fontsanitize.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "view/geometry.h"

enum { PAGES = 200, TEXTS = 50, ROUNDS = 5 };

static void MakeProject(void)
{
    PDaten.pageformat = 2;
    for (uint32_t p = 1; p <= PAGES; p++) {
        AddPageList(nullptr);
        for (int e = 0; e < TEXTS; e++) {
            GElement ge;
            std::memset(&ge, 0, sizeof(ge));
            ge.node.ln_Type = ET_TEXT;
            ge.node.ln_Pri = ET_TEXT;
            std::snprintf(ge.edata.td.text, 81, "Line %d of page %u with some words", e, p);
            std::strcpy(ge.edata.td.fontname, "DejaVu Sans.font");
            ge.edata.td.size = 12;
            ge.edata.td.level = 1;
            ge.ex = xstart + 40, ge.ey = ystart + 40 + 15 * uint32_t(e);
            AddGObject(p, &ge);
        }
    }
}

/* The same drawing calls, the font loaded once: the fastest possible. */
static double Limit(const std::string &ttf, const std::string &out)
{
    auto t0 = std::chrono::steady_clock::now();
    HPDF_Font font;
    HPDF_Doc pdf = LimitDocument(ttf, &font);
    char text[81];
    for (int p = 1; p <= PAGES; p++) {
        HPDF_Page page = HPDF_AddPage(pdf);
        HPDF_Page_SetWidth(page, 595);
        HPDF_Page_SetHeight(page, 842);
        for (int e = 0; e < TEXTS; e++) {
            std::snprintf(text, sizeof(text), "Line %d of page %d with some words", e, p);
            HPDF_Page_SetFontAndSize(page, font, 12);
            HPDF_Page_SetWordSpace(page, 0);
            HPDF_Page_BeginText(page);
            HPDF_Page_TextOut(page, 40, 802 - 15 * e, text);
            HPDF_Page_EndText(page);
        }
    }
    HPDF_SaveToFile(pdf, out.c_str());
    HPDF_Free(pdf);
    return Seconds(t0);
}

/* The sanitized font as an export gets it, from the cache. */
static double Sanitize(const char *ttf)
{
    FontBytes bytes = {};
    auto t0 = std::chrono::steady_clock::now();
    SanitizeResult r = SanitizeFont(ttf, &bytes);
    double t = Seconds(t0);
    FreeFontBytes(&bytes);
    return r == SANITIZED ? t : -1.0;
}

int main(int argc, char **argv)
{
    std::string dir = BenchExportSetUp(argc, argv);
    MakeProject();
    const char *ttf = BenchFont();
    if (!ttf)
        return 1;
    bool ok = true;
    double program = 1e9, limit = 1e9, sanitize = 1e9;
    for (int round = 0; round < ROUNDS; round++) {
        auto t0 = std::chrono::steady_clock::now();
        ok = ExportProject((dir + "/program.pdf").c_str(), xstart, ystart, xend, yend) && ok;
        program = std::min(program, Seconds(t0));
        limit = std::min(limit, Limit(HostPath(ttf), dir + "/limit.pdf"));
        sanitize = std::min(sanitize, Sanitize(ttf));
    }
    std::printf("project: %d pages x %d text elements, best of %d rounds\n", PAGES, TEXTS, ROUNDS);
    std::printf("program export:          %7.3f s  (%s)\n", program, ok ? "written" : "FAILED");
    std::printf("  of which sanitizing:   %7.3f s  (%s)\n", sanitize, sanitize >= 0 ? "from the cache" : "REFUSED");
    std::printf("minimal libharu program: %7.3f s\n", limit);
    std::printf("ratio program / limit:   %7.2f\n", program / limit);
    std::fflush(stdout);
    DeleteAll(dir.c_str());
    return ok ? 0 : 1;
}
