/*
 * undo.cpp - the Undo and Redo commands of the project window (see
 * undo.h). The history itself (document/history) finds what a command
 * changed; this file names the change after the message that made it,
 * shows a state taken back or done again, and keeps the menu items and
 * toolbar buttons naming the step they would undo or redo.
 *
 * Relies on the main loop's state and helpers, the window layer and the
 * catalog.
 */
#include "core/undo.h"

#include <string>

#include "core/mainloop.h"
#include "core/settings.h"
#include "document/headlines.h"
#include "document/history.h"
#include "document/pagelist.h"
#include "document/properties.h"
#include "gui/layouts.h"
#include "gui/localisation.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "platform/gui.h"
#include "text/arexxtools.h"
#include "text/utilities.h"
#include "view/geometry.h"
#include "view/selection.h"

/* ------------------------------------------------------------ naming */

static int GadgetStepName(uint32_t id)
{
    switch (id) {
    case GID_DELETE: return MSG_STEP_DELETE;
    case GID_CUT: return MSG_STEP_CUT;
    case GID_PASTE: return MSG_STEP_PASTE;
    case GID_TAB_ADD: return MSG_STEP_PAGE_INSERT;
    case GID_TAB_REMOVE: return MSG_STEP_PAGE_REMOVE;
    case GID_PAGE_FORMAT: return MSG_STEP_PAGE_FORMAT;
    case GID_TEXTADD: case GID_TEXTEDT: return MSG_STEP_TEXT_FILE;
    case GID_PICTUREADD: return MSG_STEP_PICTURE;
    case GID_SAVETEXT: case GID_QUITEDITOR: return MSG_STEP_TEXT_EDIT;
    case GID_PDF_TITLE: case GID_PDF_AUTHOR: case GID_PDF_OPASSWORD: case GID_PDF_UPASSWORD:
    case GID_PDF_COMPRESSION:
        return MSG_STEP_PDF_SETTINGS;
    case GID_FILES_GC: return MSG_GARBAGE_COLLECTION;
    /* A copy marks the clipboard only; saving, exporting, opening and
     * selecting change nothing the user could take back. */
    case GID_COPY: case GID_SAVE: case GID_SAVEAS: case GID_PDF: case CMD_MERGE:
    case GID_OPEN: case GID_CLOSE: case CMD_SELECT_ALL:
        return UNDO_NO_STEP;
    case GID_UNDO: case GID_REDO: return UNDO_SKIP;
    /* The zoom belongs to the window, not to the project. */
    case CMD_FIT_PAGE: case CMD_FIT_WIDTH: case CMD_ZOOM_100: case CMD_ZOOM_200: case CMD_ZOOM_IN:
    case CMD_ZOOM_OUT:
        return UNDO_SKIP;
    default: return MSG_STEP_CHANGE;
    }
}

/* A release of the mouse button ends a drawing, a move or a reshape. */
static int MouseStepName(const LoopState *ls)
{
    if (ls->reshaping)
        return MSG_STEP_RESHAPE;
    if (ls->moving)
        return MSG_STEP_MOVE;
    if (ls->aktmode == GID_PICTURES)
        return MSG_STEP_PICTURE;
    if (ls->aktmode > GID_CURSOR && ls->aktmode <= GID_LINKS)
        return MSG_STEP_DRAW;
    return MSG_STEP_CHANGE;
}

/* Delete deletes and an arrow moves the selection; without one, and for
 * any other key, nothing happens. */
static int KeyStepName(const LoopState *ls)
{
    uint16_t key = ls->code & uint16_t(~RAWKEY_SHIFTED);
    if (!ls->marked)
        return UNDO_SKIP;
    if (key == RAWKEY_DELETE)
        return MSG_STEP_DELETE;
    if (key >= RAWKEY_UP && key <= RAWKEY_LEFT)
        return MSG_STEP_MOVE;
    return UNDO_SKIP;
}

/* A gesture of the mouse is one step, made when the button comes up:
 * what the press and the moves before change (a move's start) belongs to
 * it. */
int UndoStepName(const LoopState *ls, uint32_t cls, uint32_t id)
{
    switch (cls) {
    case WMHI_MOUSEMOVE: return UNDO_SKIP;
    case WMHI_MOUSEBUTTONS: return ls->code == SELECTDOWN ? int(UNDO_SKIP) : MouseStepName(ls);
    case WMHI_RAWKEY: return KeyStepName(ls);
    case WMHI_CLOSEWINDOW: return ls->winnr == WIN_EDITOR ? int(MSG_STEP_TEXT_EDIT) : int(UNDO_NO_STEP);
    case WMHI_GADGETUP: case WMHI_MENUPICK: return GadgetStepName(id);
    default: return MSG_STEP_CHANGE;
    }
}

/* ------------------------------------------------------------ the items */

/* The menu item says "Undo Move" (its shortcut stays), the button's hint
 * the same; with no step both are disabled and plain. */
static void ShowItem(void *mstrip, int menu, int gadget, int named, int plain, int hint, int step)
{
    std::string label = GetString(&localeinfo, plain), what;
    if (step) {
        size_t bar = label.find('|');
        what = CatalogMessage(named, GetString(&localeinfo, step));
        label = (bar == std::string::npos ? std::string() : label.substr(0, bar + 1)) + what;
    }
    PlatformMenuSetItem(mstrip, menu, label.c_str(), step != 0);
    GadgetSetDisabled(gadget, step == 0);
    GadgetSetHint(gadget, step ? what.c_str() : GetString(&localeinfo, hint));
}

void ShowUndoItems(void *mstrip)
{
    ShowItem(mstrip, MENU_UNDO, GID_UNDO, MSG_UNDO_WHAT, MSG_UNDO, MSG_UNDO_HINT, HistoryUndoName());
    ShowItem(mstrip, MENU_REDO, GID_REDO, MSG_REDO_WHAT, MSG_REDO, MSG_REDO_HINT, HistoryRedoName());
}

/* ------------------------------------------------------------ after a command */

/* The change a command made becomes a step; a command that is no step
 * leaves what it changed (a copy's marks) without one. A project that
 * went back to its saved state by undoing and changing again is unsaved,
 * as the command said. */
void UndoAfterCommand(LoopState *ls, int name)
{
    (void)ls;
    if (name == UNDO_SKIP)
        return;
    if (name == UNDO_NO_STEP)
        HistoryAbsorb();
    else
        HistoryCheckpoint(name, ls->aktpage);
}

/* ------------------------------------------------------------ undo and redo */

/* The window shows the state taken back or done again: its page, with the
 * elements the step touched selected, the gadgets of the project and the
 * table of contents and object list made anew. */
static void ShowRestored(LoopState *ls, const HistoryShown &shown)
{
    /* The page shown now has its marks from the history already. */
    if (shown.page != ls->aktpage)
        UnmarkPage(ls->aktpage);
    ls->aktmode = GID_CURSOR;
    ls->draw = ls->moving = ls->lasso = false;
    ResetPagimoScreen(GID_CURSOR);
    SetARexxChooser(GID_CURSOR);
    ShowProjectSettings();
    /* A step may take back a password typed into its gadget. */
    GadgetSetText(GID_PDF_OPASSWORD, PDaten.opassword);
    GadgetSetText(GID_PDF_UPASSWORD, PDaten.upassword);
    ls->aktpage = shown.page;
    CreateTabs(&ls->aktpage);
    HLManager();
    Repaint(ls->aktpage);
    ShowSelectMarks(ls->aktpage);
    ResetProperties();
    ls->marked = uint8_t(shown.touched > 255 ? 255 : shown.touched);
    ls->mnode = FindMarkedElement(ls->aktpage, nullptr);
    if (ls->marked == 1)
        SetObjData(ls->mnode, ls->filename);
}

/* The editor holds a text of its own while it is open: the history waits
 * until it is closed. */
void UndoCommand(LoopState *ls, bool redo, void *mstrip)
{
    if (PlatformWindowExists(WIN_EDITOR))
        return;
    HistoryShown shown;
    if (!(redo ? HistoryRedo(&shown) : HistoryUndo(&shown)))
        return;
    DebugPrint("-> %s: page %u, %u touched\n", redo ? "Redo" : "Undo", shown.page, shown.touched);
    ShowRestored(ls, shown);
    ls->saved = HistoryAtSaved() ? 1 : 0;
    ShowUndoItems(mstrip);
}
