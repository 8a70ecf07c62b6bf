/*
 * editing.cpp - editing commands of the main loop on its state.
 *
 * Relies on the page lists, the page tabs and the link correction. Page
 * numbers shown in tabs are rebuilt by CreateTabs after every change.
 */
#include "core/editing.h"

#include <cstdio>

#include "core/config.h"
#include "core/mainloop.h"
#include "core/settings.h"
#include "document/headlines.h"
#include "document/marks.h"
#include "document/pagelist.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "platform/gui.h"
#include "text/utilities.h"

/* ------------------------------------------------------------ pages */

/* The new page follows the current one, which stays current. */
void InsertPage(LoopState *ls)
{
    DebugPrint("-> InsertPage(after %u)\n", ls->aktpage);
    if (PDaten.count >= MAX_PAGES)
        return;
    int n = TabsCount(GID_PROJ_PAGES);
    char *label = AllocString(GetString(&localeinfo, 27), n + 1, 0);
    GUIAddClickTab(&ClickTabLists[0], GID_PROJ_PAGES, label ? label : "", ProjectPage(), WIN_PROJECT);
    FreeString(label);
    if (!AddPageList(GetPageNode(ls->aktpage)))
        return;
    UnmarkPage(ls->aktpage);
    ls->marked = 0;
    ls->aktmode = GID_CURSOR;
    HLManager();
    CreateTabs(&ls->aktpage);
    CheckPageLinks(ls->aktpage, false, Config.flags & CFG_LINK_CORRECTION);
    MoveClipboardPage(ls->aktpage, false);
    Repaint(ls->aktpage);
    ResetProperties();
    ResetPagimoScreen(GID_CURSOR);
    ls->saved = 0;
    if (PDaten.count % 12 == 1)
        ShowSections(PDaten.count);
}

/* A page with elements goes only when the user says so; an empty page
 * goes without a question. */
static bool MayRemovePage(uint32_t pageno)
{
    PageNode *pn = GetPageNode(pageno);
    if (!pn || pn->count == 0)
        return true;
    char text[300];
    std::snprintf(text, sizeof(text), GetString(&localeinfo, MSG_REMOVE_FULL_PAGE), (unsigned long)pageno,
                  (unsigned long)pn->count);
    return GuiEasyDialog(WIN_PROJECT, GetString(&localeinfo, MSG_HINT), text,
                         GetString(&localeinfo, MSG_REMOVE_PAGE_BUTTONS)) == 1;
}

/* The last page is never removed. The page removed is the one shown when
 * the command came, whichever tab the tab gadget shows afterwards. */
void RemovePage(LoopState *ls)
{
    DebugPrint("-> RemovePage(%u)\n", ls->aktpage);
    if (PDaten.count <= 1 || !MayRemovePage(ls->aktpage))
        return;
    uint32_t gone = ls->aktpage;
    CheckPageLinks(gone, true, Config.flags & CFG_LINK_CORRECTION);
    if (PDaten.count <= 12) {
        uint32_t atab = ls->aktpage;
        if (!GUIRemoveClickTab(&ClickTabLists[0], GID_PROJ_PAGES, WIN_PROJECT, true, &atab))
            return;
        ls->aktpage = atab;
    }
    RemovePageList(gone);
    if (PDaten.count < ls->aktpage)
        ls->aktpage = PDaten.count;
    HLManager();
    ls->marked = 0;
    ls->mnode = nullptr;
    ls->aktmode = GID_CURSOR;
    MoveClipboardPage(gone, true);
    ResetPagimoScreen(GID_CURSOR);
    CreateTabs(&ls->aktpage);
    Repaint(ls->aktpage);
    ResetProperties();
    ls->saved = 0;
    if (PDaten.count % 12 == 0)
        ShowSections(PDaten.count);
}

/* ------------------------------------------------------------ elements */

void DeleteSelection(LoopState *ls)
{
    if (!ls->marked)
        return;
    DebugPrint("-> DeleteSelection(%u)\n", ls->marked);
    while (GElement *ge = FindMarkedElement(ls->aktpage, nullptr))
        RemoveGObject(ls->aktpage, ge, true, Config.flags & CFG_DELETE_FILES);
    ResetProperties();
    SetGUIElements(GID_CURSOR, true, false);
    Repaint(ls->aktpage);
    ls->marked = 0;
    ls->mnode = nullptr;
    ls->saved = 0;
    HLManager();
}

/* Copy, cut, paste, move and the property gadgets act on a selection,
 * which only the page view can make; without one they do nothing. */
void EditCommand(LoopState *ls, uint32_t id)
{
    DebugPrint("-> EditCommand(%u) with %u selected\n", id, ls->marked);
    if (id == GID_STYLE && !(ls->mnode && ls->marked == 1)) {
        SetFontData(ls->laststyle, ls->code);
        ls->laststyle = ls->code;
    }
}
