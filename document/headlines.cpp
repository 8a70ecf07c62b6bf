/*
 * headlines.cpp - the headline list (table of contents) and the correction
 * of page links when pages are inserted or removed.
 *
 * Headlines are text lines with a level of 2 or more. The list shows the
 * project's name as its first row and then the headlines page by page,
 * each page from top to bottom; the headline elements are moved to the end
 * of their page's list in that order, which is the order the PDF outline
 * meets them in. Only what the scan listed is a headline to the row lookup
 * and the outline. Relies on the page lists and the list-browser gadget.
 */
#include "document/headlines.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "core/settings.h"
#include "document/archive.h"
#include "document/pagelist.h"
#include "gui/layouts.h"
#include "gui/localisation.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "platform/strutil.h"

/* What each headline row after the project name stands for: the element
 * the scan listed and its page. The row-to-page lookup and the PDF outline
 * answer from this record, so they show exactly the rows of the list; a
 * text line the scan missed is no headline to either. Rebuilt with the
 * list; an element removed since then is never looked up by address. */
struct HLEntry {
    uint32_t page;
    const GElement *element;
};
static std::vector<HLEntry> listed;
static std::unordered_map<const GElement *, uint32_t> listed_row;

/* A row of the headline list. */
struct HLRow {
    Node node;        /* ln_Name points at text */
    uint8_t generation;
    char text[81];
};

enum { HL_SCAN_END = 989, HL_NOT_FOUND = 55555 };

/* ------------------------------------------------------------ the rows */

static void FreeRows(void)
{
    while (Node *n = RemHead(&headlinelist))
        FreePooled(APMemPool, n, sizeof(HLRow));
    listed.clear();
    listed_row.clear();
}


static bool AddRow(const char *text, uint8_t generation)
{
    HLRow *r = static_cast<HLRow *>(AllocPooled(APMemPool, sizeof(HLRow)));
    if (!r)
        return false;
    Strlcpy(r->text, text, sizeof(r->text));
    r->node.ln_Name = r->text;
    r->generation = generation;
    AddTail(&headlinelist, &r->node);
    return true;
}

/* Only rows really made are recorded, so row n is listed[n - 1]. */
static void ListHeadline(uint32_t pageno, const GElement *ge)
{
    if (!AddRow(ge->edata.td.text, ge->edata.td.level))
        return;
    listed.push_back(HLEntry{pageno, ge});
    listed_row[ge] = uint32_t(listed.size());
}

static void ShowRows(void)
{
    std::vector<ListRow> rows;
    for (Node *n = GetHead(&headlinelist); n; n = GetSucc(n)) {
        HLRow *r = reinterpret_cast<HLRow *>(n);
        rows.push_back(ListRow{{r->text}, r->generation - 1, 0});
    }
    GadgetSetRows(GID_HLLIST, rows);
}

static void OfferLevels(uint8_t maxlevel)
{
    PDaten.maxlevel = maxlevel;
    GadgetSetLabels(GID_HEADLINE_LEVEL, level_chooser, std::min<int>(maxlevel, 11));
}

/* ------------------------------------------------------------ the scan */

static int64_t Top(const GElement *ge)
{
    return std::min(ge->sy, ge->ey);
}

/* The first scan line (from `from` in steps of 4) that comes within 7
 * pixels of a text line's top, or -1 when it would lie beyond `last`. */
static int64_t FirstScanLine(int64_t top, int64_t from, int64_t last)
{
    int64_t y = from;
    if (top - 7 > from)
        y = from + (top - 7 - from + 3) / 4 * 4;
    return (y <= last && std::llabs(y - top) <= 7) ? y : -1;
}

/* The first text line of the list whose top lies within 7 pixels of a scan
 * line moving down from `from` to `last` in steps of 4. The scan line is
 * found from the tops directly, so far-off tops cost no time. */
static GElement *NextTextLine(PageNode *pn, int64_t from, int64_t last)
{
    int64_t best = -1;
    for (Node *n = GetHead(&pn->page); n; n = GetSucc(n)) {
        if (n->ln_Type != ET_TEXT)
            continue;
        int64_t y = FirstScanLine(Top(reinterpret_cast<GElement *>(n)), from, last);
        if (y >= 0 && (best < 0 || y < best))
            best = y;
    }
    if (best < 0)
        return nullptr;
    for (Node *n = GetHead(&pn->page); n; n = GetSucc(n))
        if (n->ln_Type == ET_TEXT && std::llabs(best - Top(reinterpret_cast<GElement *>(n))) <= 7)
            return reinterpret_cast<GElement *>(n);
    return nullptr;
}

/* The scan reaches the lowest text line of the page even when it lies
 * below the fixed end of the scan. */
static int64_t ScanEnd(PageNode *pn)
{
    int64_t last = HL_SCAN_END;
    for (Node *n = GetHead(&pn->page); n; n = GetSucc(n))
        if (n->ln_Type == ET_TEXT)
            last = std::max(last, Top(reinterpret_cast<GElement *>(n)) + 7);
    return last;
}

static void ScanPage(PageNode *pn, uint32_t pageno, uint8_t *deepest)
{
    int64_t from = 8, last = ScanEnd(pn);
    for (uint32_t i = 0; i < pn->count; i++) {
        GElement *ge = NextTextLine(pn, from, last);
        if (!ge)
            return;
        if (ge->edata.td.level >= LEVEL_FIRST && ge->edata.td.level <= LEVEL_LAST) {
            ListHeadline(pageno, ge);
            *deepest = std::max(*deepest, ge->edata.td.level);
            Remove(&ge->node);
            AddTail(&pn->page, &ge->node);
        }
        from = Top(ge) + 8;
    }
}

bool HLManager(void)
{
    DebugPrint("-> HLManager()\n");
    FreeRows();
    if (!AddRow(ProjectName(), 1)) {
        ShowRows();
        OfferLevels(2);
        return true;
    }
    uint8_t deepest = 0;
    uint32_t pageno = 0;
    for (Node *p = GetHead(&pages); p; p = GetSucc(p)) {
        PageNode *pn = reinterpret_cast<PageNode *>(p);
        if (++pageno, pn->count)
            ScanPage(pn, pageno, &deepest);
    }
    ShowRows();
    OfferLevels(deepest ? uint8_t(deepest + 1) : 2);
    return true;
}

/* The page of the headline in row `entryno` of the list. */
uint32_t GetHLPageNo(uint32_t entryno)
{
    DebugPrint("-> GetHLPageNo(%u)\n", entryno);
    if (entryno < 1 || entryno > listed.size())
        return HL_NOT_FOUND;
    return listed[entryno - 1].page;
}

uint32_t HeadlineRow(const GElement *ge)
{
    auto it = listed_row.find(ge);
    return it == listed_row.end() ? 0 : it->second;
}

/* ------------------------------------------------------------ page links */

/* The new target of a page link; false when the link goes.
 * `del` false: a page was inserted behind apage; true: apage goes. */
static bool LinkTarget(uint32_t *t, uint32_t apage, bool del, bool correct)
{
    bool exists = *t <= PDaten.count;
    if (!del) {
        if (correct && (!exists || *t > apage))
            (*t)++;
        return true;
    }
    if (!exists)
        return false;
    if (*t == apage)
        return !correct;
    if (*t > apage && correct)
        (*t)--;
    return true;
}

void CheckPageLinks(uint32_t apage, bool del, bool correct)
{
    DebugPrint("-> CheckPageLinks(%u, %d, %d)\n", apage, del, correct);
    for (Node *p = GetHead(&pages); p; p = GetSucc(p)) {
        PageNode *pn = reinterpret_cast<PageNode *>(p);
        Node *n = GetHead(&pn->page);
        while (n) {
            Node *next = GetSucc(n);
            GElement *ge = reinterpret_cast<GElement *>(n);
            if (n->ln_Type == ET_LINK && ge->edata.td.link[0] == '\0') {
                if (!LinkTarget(&ge->edata.td.page, apage, del, correct))
                    RemovePageObject(pn, ge, false, false);
            }
            n = next;
        }
    }
}
