/*
 * benchutil.cpp - the benchmarks' common start (see benchutil.h).
 */
#include "benchutil.h"

#include <cstdio>
#include <cstdlib>

#include "core/settings.h"
#include "document/pagelist.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "pdf/pdffonts.h"
#include "platform/fontinstall.h"
#include "platform/assign.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "view/geometry.h"

/* A fresh temporary folder holding "T:" (and so "PGT:"); returned. */
std::string BenchSetUp(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char tmpl[] = "/tmp/pagimo-bench-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    setenv("PAGIMO_ASSIGN_T", (dir + "/T").c_str(), 1);
    setenv("PAGIMO_ASSIGN_FONTS", (dir + "/fonts").c_str(), 1);
    setenv("XDG_CACHE_HOME", (dir + "/cache").c_str(), 1); /* the font cache */
    AssignInit();
    AssignPath("PGT:", "T:");
    Debug = 0;
    APMemPool = PoolCreate();
    InitLists();
    PlatformGuiInit(argc, argv);
    return dir;
}

/* BenchSetUp and what an export without a window needs: the fonts found
 * and an A4 page where the page view puts it. */
std::string BenchExportSetUp(int argc, char **argv)
{
    std::string dir = BenchSetUp(argc, argv);
    InstallFonts();
    LookforTTFonts();
    PdfBatch = true;
    xstart = 100, ystart = 50, xend = 695, yend = 892;
    return dir;
}

static void Quiet(HPDF_STATUS, HPDF_STATUS, void *) {}

/* The limits' document: uncompressed, the TrueType file `ttf` (a host
 * path) loaded once, as the export embeds it. */
HPDF_Doc LimitDocument(const std::string &ttf, HPDF_Font *font)
{
    HPDF_Doc pdf = HPDF_New(Quiet, nullptr);
    HPDF_SetCompressionMode(pdf, HPDF_COMP_NONE);
    const char *name = HPDF_LoadTTFontFromFile(pdf, ttf.c_str(), HPDF_TRUE);
    *font = HPDF_GetFont(pdf, name, "CP1252");
    return pdf;
}

/* The program `name` in the folder of the benchmark `argv0`. */
std::string BenchBeside(const char *argv0, const char *name)
{
    char *real = realpath(argv0, nullptr);
    std::string self = real ? real : argv0;
    std::free(real);
    size_t slash = self.rfind('/');
    return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/" + name;
}

/* The TrueType file of DejaVu Sans, the font every benchmark sets, as the
 * export finds it; null, and said, when it is not installed. */
const char *BenchFont(void)
{
    int16_t disk = 0;
    const char *ttf = GetharuFont("DejaVu Sans", &disk);
    if (ttf && disk == 1)
        return ttf;
    std::printf("DejaVu Sans is not installed\n");
    return nullptr;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}
