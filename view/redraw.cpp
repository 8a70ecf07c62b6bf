/*
 * redraw.cpp - redrawing a page's elements and rebuilding the object list.
 *
 * Elements cannot be drawn yet: the object list is emptied so that it
 * never shows the rows of another page.
 */
#include "view/redraw.h"

#include <vector>

#include "core/settings.h"
#include "document/pagelist.h"
#include "gui/layouts.h"
#include "platform/gui.h"

void ReDrawPage(uint32_t pageno)
{
    DebugPrint("-> ReDrawPage(%u)\n", pageno);
    FreeLists(3);
    GadgetSetRows(GID_OBJLIST, std::vector<ListRow>());
}
