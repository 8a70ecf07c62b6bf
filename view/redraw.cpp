/*
 * redraw.cpp - redrawing a page's elements and rebuilding the object list,
 * which always mirrors the page shown.
 *
 * Relies on the empty page having been painted just before (geometry.cpp):
 * every element is drawn over it in list order, so later elements lie on
 * top of earlier ones, as in the PDF.
 */
#include "view/redraw.h"

#include "core/settings.h"
#include "document/pagelist.h"
#include "document/properties.h"
#include "document/records.h"
#include "view/drawing.h"

void ReDrawPage(uint32_t pageno)
{
    DebugPrint("-> ReDrawPage(%u)\n", pageno);
    if (PageNode *pn = GetPageNode(pageno))
        for (Node *n = GetHead(&pn->page); n; n = GetSucc(n))
            DrawGraphicElements(reinterpret_cast<GElement *>(n), false, pageno);
    CreatePageElementList(pageno);
}
