/*
 * redraw.cpp - redrawing a page's elements and rebuilding the object list,
 * which always mirrors the page shown.
 */
#include "view/redraw.h"

#include "core/settings.h"
#include "document/properties.h"

void ReDrawPage(uint32_t pageno)
{
    DebugPrint("-> ReDrawPage(%u)\n", pageno);
    CreatePageElementList(pageno);
}
