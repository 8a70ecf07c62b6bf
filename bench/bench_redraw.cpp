/*
 * bench_redraw.cpp - how long the page view takes to draw a page again: one
 * ReDrawPage of an A4 page with 200 elements (text lines in three fonts,
 * rectangles, lines and 10 pictures) and of one with 20, and the view's
 * painting of what it shows, at 100 % and at 200 %, in the real main
 * window under the offscreen platform. The empty page is painted before
 * each round and not timed; each figure is the best of a few rounds, the
 * first round (which opens the fonts and decodes the pictures) included.
 * Prints the figures, the last line "redraw 200 elements: N ms", the
 * slower zoom; asserts nothing. The goal is under 16 ms, one frame.
 */
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include <QImage>

#include "benchutil.h"
#include "core/settings.h"
#include "core/startup.h"
#include "document/pagelist.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/qtprivate.h"
#include "platform/mempool.h"
#include "view/geometry.h"
#include "view/redraw.h"

enum { ROUNDS = 10, PICTURES = 10 };

static const char *const fonts[3] = {"DejaVu Sans.font", "DejaVu Serif.font", "Liberation Mono.font"};
static const int zooms[2] = {100, 200};
static double best[2][2]; /* [zoom][200 elements, 20] */
static int loaded; /* pictures the page view decoded: all of them, or the figures lie */

/* ------------------------------------------------------------ the pages */

static GElement Element(int type, uint32_t x, uint32_t y)
{
    GElement ge;
    std::memset(&ge, 0, sizeof(ge));
    ge.node.ln_Type = uint8_t(type);
    ge.node.ln_Pri = int8_t(type);
    ge.apen = 1;
    ge.sx = ge.ex = xstart + x;
    ge.sy = ge.ey = ystart + y;
    return ge;
}

/* `count` elements spread over the page: one in ten a picture (at most
 * PICTURES), the rest text lines, rectangles and lines by turns. */
static void FillPage(uint32_t page, int count)
{
    for (int i = 0, pics = 0; i < count; i++) {
        uint32_t x = 20 + uint32_t(i % 4) * 140, y = 30 + uint32_t(i / 4) * 16 % 780;
        GElement ge = Element(ET_TEXT, x, y);
        if (i % 10 == 9 && pics < PICTURES) {
            ge = Element(ET_PICTURE, x, y);
            std::snprintf(ge.edata.pd.fn, 256, "PGT:PAG4/Bilder/pic%d.png", pics++);
        } else if (i % 3 == 0) {
            ge.node.ln_Type = ge.node.ln_Pri = ET_TEXT;
            std::snprintf(ge.edata.td.text, 81, "Text line %d of the page", i);
            std::strcpy(ge.edata.td.fontname, fonts[i % 3 == 0 ? (i / 3) % 3 : 0]);
            ge.edata.td.size = 12;
            ge.edata.td.level = 1;
            ge.sx += 100;
        } else if (i % 3 == 1) {
            ge = Element(ET_RECT, x, y);
            ge.ex += 120, ge.ey += 12;
        } else {
            ge = Element(ET_LINE, x, y);
            ge.ex += 120, ge.ey += 6;
        }
        AddGObject(page, &ge);
    }
}

static void MakePictures(void)
{
    CreateDirTree("PGT:PAG4/Bilder");
    for (int i = 0; i < PICTURES; i++) {
        QImage img(60, 40, QImage::Format_RGB32);
        img.fill(QColor::fromHsv(i * 30, 200, 200));
        char path[64];
        std::snprintf(path, sizeof(path), "PGT:PAG4/Bilder/pic%d.png", i);
        img.save(QString::fromStdString(HostPath(path)), "PNG");
    }
}

/* ------------------------------------------------------------ timing */

/* The page drawn again and the part of it the view shows painted. */
static double TimeRedraw(uint32_t page)
{
    double t = 1e9;
    for (int round = 0; round < ROUNDS; round++) {
        CreateEmptyPage(PDaten.pageformat);
        auto t0 = std::chrono::steady_clock::now();
        ReDrawPage(page);
        QPixmap shown = pagearea->grab(pagearea->visibleRegion().boundingRect());
        t = std::min(t, Seconds(t0));
    }
    return t * 1000.0;
}

/* Runs once the window is up and idle, then ends the program. */
static void Measure(void)
{
    PlatformSetIdleHook(nullptr);
    MakePictures();
    AddPageList(nullptr);
    FillPage(1, 200);
    FillPage(2, 20);
    for (int z = 0; z < 2; z++) {
        PlatformSetZoom(zooms[z]);
        best[z][0] = TimeRedraw(1);
        best[z][1] = TimeRedraw(2);
    }
    for (Node *n = GetHead(&GetPageNode(1)->page); n; n = GetSucc(n))
        loaded += n->ln_Type == ET_PICTURE && reinterpret_cast<GElement *>(n)->edata.pd.dsrc;
    PlatformRaiseBreak();
}

static std::string ProgramDir(void)
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    std::string path(exe, n > 0 ? size_t(n) : 0);
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

int main(int, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("PAGIMO_SCREEN", "1920x1200", 0);
    char tmpl[] = "/tmp/pagimo-bench-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    setenv("PAGIMO_ASSIGN_T", (dir + "/T").c_str(), 1);
    setenv("PAGIMO_ASSIGN_FONTS", (dir + "/fonts").c_str(), 1);
    setenv("PAGIMO_ASSIGN_TBIMAGES", (ProgramDir() + "/tbimages").c_str(), 1);
    if (chdir(dir.c_str()) != 0)
        return 1;
    PlatformSetIdleHook(Measure);
    std::vector<char *> av = {argv[0], const_cast<char *>("Debug=Off")};
    int rc = PagimoMain(int(av.size()), av.data());
    std::printf("pictures drawn: %d of %d\n", loaded, PICTURES);
    std::printf("best of %d rounds, the empty page painted before each and not timed\n", ROUNDS);
    for (int z = 0; z < 2; z++) {
        std::printf("redraw 20 elements at %d %%: %.2f ms\n", zooms[z], best[z][1]);
        std::printf("redraw 200 elements at %d %%: %.2f ms\n", zooms[z], best[z][0]);
    }
    std::printf("redraw 200 elements: %.2f ms\n", std::max(best[0][0], best[1][0]));
    std::fflush(stdout);
    AssignInit();
    DeleteAll(dir.c_str());
    return rc;
}
