/*
 * bench_undo.cpp - how long an undo and a redo take in the largest project:
 * 348 pages of 40 elements each (text lines, rectangles, lines). Two steps
 * are timed: a move of every element of one page, and the removal of an
 * early page, which shifts every page behind it. Each figure is the slower
 * of undo and redo, the best of a few rounds; the checkpoint that makes a
 * step is timed too. Prints the figures, the last line
 * "undo 348 pages: N ms" (the slower of the two steps); asserts nothing.
 * The goal is under 30 ms.
 */
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "benchutil.h"
#include "document/history.h"
#include "document/pagelist.h"
#include "document/records.h"
#include "platform/files.h"
#include "view/geometry.h"

enum { PAGES = MAX_PAGES, PER_PAGE = 40, ROUNDS = 5 };

static void FillProject(void)
{
    static const int types[3] = {ET_TEXT, ET_RECT, ET_LINE};
    for (uint32_t p = 1; p <= PAGES; p++) {
        AddPageList(nullptr);
        for (int i = 0; i < PER_PAGE; i++) {
            GElement ge;
            std::memset(&ge, 0, sizeof(ge));
            ge.node.ln_Type = uint8_t(types[i % 3]);
            ge.node.ln_Pri = int8_t(ge.node.ln_Type);
            ge.apen = 1;
            ge.sx = xstart + 20 + uint32_t(i % 4) * 140, ge.sy = ystart + 30 + uint32_t(i) * 19;
            ge.ex = ge.sx + 100, ge.ey = ge.sy + 12;
            if (ge.node.ln_Type == ET_TEXT) {
                std::snprintf(ge.edata.td.text, sizeof(ge.edata.td.text), "Line %d of page %u", i, p);
                std::strcpy(ge.edata.td.fontname, "DejaVu Sans.font");
                ge.edata.td.size = 12;
                ge.edata.td.level = LEVEL_NO_HEADLINE;
            }
            AddGObject(p, &ge);
        }
    }
}

static double Ms(std::chrono::steady_clock::time_point since)
{
    return Seconds(since) * 1000.0;
}

/* The slower of undo and redo of the step just made, best of ROUNDS. */
static double TimeStep(void)
{
    double best = 1e9;
    HistoryShown shown;
    for (int r = 0; r < ROUNDS; r++) {
        auto t = std::chrono::steady_clock::now();
        HistoryUndo(&shown);
        double undo = Ms(t);
        t = std::chrono::steady_clock::now();
        HistoryRedo(&shown);
        best = std::min(best, std::max(undo, Ms(t)));
    }
    return best;
}

int main(int argc, char **argv)
{
    std::string dir = BenchSetUp(argc, argv);
    CreateDirTree("PGT:PAG4/Texte");
    CreateDirTree("PGT:PAG4/Bilder");
    xstart = 100, ystart = 50, xend = 695, yend = 892;
    FillProject();
    auto t = std::chrono::steady_clock::now();
    HistoryReset();
    std::printf("history of %u pages of %d elements taken: %.1f ms\n", PAGES, PER_PAGE, Ms(t));

    PageNode *pn = GetPageNode(200);
    for (Node *n = GetHead(&pn->page); n; n = GetSucc(n)) {
        GElement *ge = reinterpret_cast<GElement *>(n);
        ge->sx += 10, ge->ex += 10;
    }
    t = std::chrono::steady_clock::now();
    HistoryCheckpoint(226, 200);
    std::printf("move of a page's elements: checkpoint %.1f ms\n", Ms(t));
    double move = TimeStep();
    std::printf("move of a page's elements: undo or redo %.2f ms\n", move);

    RemovePageList(3);
    t = std::chrono::steady_clock::now();
    HistoryCheckpoint(230, 3);
    std::printf("removal of page 3: checkpoint %.1f ms\n", Ms(t));
    double removal = TimeStep();
    std::printf("removal of page 3: undo or redo %.2f ms\n", removal);
    std::printf("history: %zu steps, %zu bytes\n", HistorySteps(), HistoryBytes());
    std::printf("undo %u pages: %.1f ms\n", PAGES, std::max(move, removal));
    HistoryEnd();
    DeleteAll(dir.c_str());
    return 0;
}
