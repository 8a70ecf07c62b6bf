/*
 * headlines.cpp - the headline list and the correction of page links when
 * pages are inserted or removed.
 *
 * Relies on the page lists. The headline list itself is not built yet: it
 * stays empty and the headline depth stays at its least, 2.
 */
#include "document/headlines.h"

#include "core/settings.h"
#include "document/pagelist.h"
#include "gui/layouts.h"
#include "gui/localisation.h"
#include "platform/gui.h"

bool HLManager(void)
{
    DebugPrint("-> HLManager()\n");
    PDaten.maxlevel = 2;
    GadgetSetLabels(GID_HEADLINE_LEVEL, level_chooser, PDaten.maxlevel);
    return true;
}

/* 55555 means no such headline: the caller stays on its page. */
uint32_t GetHLPageNo(uint32_t entryno)
{
    DebugPrint("-> GetHLPageNo(%u)\n", entryno);
    return 55555;
}

/* ------------------------------------------------------------ page links */

/* The new target of a page link, 0 when the link goes, or t unchanged.
 * `del` false: a page was inserted behind apage; true: apage goes. */
static uint32_t LinkTarget(uint32_t t, uint32_t apage, bool del, bool correct)
{
    bool exists = t <= PDaten.count;
    if (!del) {
        if (exists && t <= apage)
            return t;
        return correct ? t + 1 : t;
    }
    if (!exists)
        return 0;
    if (t == apage)
        return correct ? 0 : t;
    if (t < apage)
        return t;
    return correct ? t - 1 : t;
}

void CheckPageLinks(uint32_t apage, bool del, bool correct)
{
    DebugPrint("-> CheckPageLinks(%u, %d, %d)\n", apage, del, correct);
    for (uint32_t p = 1; p <= PDaten.count; p++) {
        PageNode *pn = GetPageNode(p);
        Node *n = GetHead(&pn->page);
        while (n) {
            Node *next = GetSucc(n);
            GElement *ge = reinterpret_cast<GElement *>(n);
            if (n->ln_Type == ET_LINK && ge->edata.td.link[0] == '\0') {
                uint32_t t = LinkTarget(ge->edata.td.page, apage, del, correct);
                if (t == 0)
                    RemoveGObject(p, ge, false, false);
                else
                    ge->edata.td.page = t;
            }
            n = next;
        }
    }
}
