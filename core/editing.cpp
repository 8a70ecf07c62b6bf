/*
 * editing.cpp - editing commands of the main loop on its state.
 *
 * Relies on the page lists, the page tabs and the link correction, the
 * clipboard marks, the rubber band for moves and re-made elements, and
 * the property gadgets. Page numbers shown in tabs are rebuilt by
 * CreateTabs after every change. Invariant kept: `marked` counts the
 * elements of the current page whose `marked` byte is set (at most 255).
 */
#include "core/editing.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/config.h"
#include "core/mainloop.h"
#include "core/settings.h"
#include "document/headlines.h"
#include "document/marks.h"
#include "document/pagelist.h"
#include "document/properties.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "pdf/fontcatalog.h"
#include "platform/gui.h"
#include "platform/strutil.h"
#include "text/arexxtools.h"
#include "text/textbox.h"
#include "text/utilities.h"
#include "view/geometry.h"
#include "view/pictures.h"
#include "view/rubberband.h"
#include "view/selection.h"

enum { MSG_MOVE_MODE = 139 }; /* the status text of move mode */

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

/* ------------------------------------------------------------ clipboard */

/* Takes the selection markers off the page view as well. */
static void UnmarkShown(LoopState *ls)
{
    while (GElement *ge = FindMarkedElement(ls->aktpage, nullptr))
        SetSelectMarks(ls->aktpage, ge, 0, ls->marked);
    ls->marked = 0;
    ls->mnode = nullptr;
}

/* The flagged elements are no longer selected: the count follows them, so
 * a Delete after a copy finds nothing to delete. */
static void ClipSelection(LoopState *ls, uint8_t oper)
{
    if (!ls->marked)
        return;
    SetMBitFlags(ls->aktpage, ls->marked, oper);
    ls->marked = 0;
    ls->mnode = nullptr;
    ResetProperties();
    Repaint(ls->aktpage);
}

static bool PastedHeadline(uint32_t page)
{
    for (GElement *ge = FindMarkedElement(page, nullptr); ge; ge = FindMarkedElement(page, ge))
        if (ge->node.ln_Type == ET_TEXT && ge->edata.td.level >= LEVEL_FIRST)
            return true;
    return false;
}

/* The pasted elements become the selection, replacing the one before; a
 * paste with nothing to bring (a second one after a cut) changes nothing. */
static void Paste(LoopState *ls)
{
    if (!ClipboardHolds())
        return;
    UnmarkShown(ls);
    uint8_t n = ProcessMBitFlags(ls->aktpage);
    Repaint(ls->aktpage);
    ShowSelectMarks(ls->aktpage);
    PlatformDelay(8);
    ls->marked = n;
    ls->mnode = FindMarkedElement(ls->aktpage, nullptr);
    if (!ls->mnode)
        return;
    if (PastedHeadline(ls->aktpage))
        HLManager();
    ls->saved = 0;
    SetObjData(ls->mnode, ls->filename);
    SetARexxChooser(n == 1 ? ls->mnode->node.ln_Type : 0);
}

/* ------------------------------------------------------------ the selection */

static std::vector<GElement *> Selection(uint32_t page)
{
    std::vector<GElement *> v;
    for (GElement *ge = FindMarkedElement(page, nullptr); ge; ge = FindMarkedElement(page, ge))
        v.push_back(ge);
    return v;
}

/* The page drawn anew with the marks of every selected element, the count,
 * and the property gadgets of a single one, as a lasso leaves them; the
 * element whose properties were shown stays so while it is selected. */
void ShowSelection(LoopState *ls)
{
    Repaint(ls->aktpage);
    uint32_t n = 0;
    bool shown = false;
    for (GElement *ge : Selection(ls->aktpage)) {
        SetSelectMarks(ls->aktpage, ge, 1, ++n);
        shown |= ge == ls->mnode;
    }
    ls->marked = uint8_t(n > 255 ? 255 : n);
    if (!shown)
        ls->mnode = FindMarkedElement(ls->aktpage, nullptr);
    if (n == 0)
        ResetProperties();
    if (n == 1)
        SetObjData(ls->mnode, ls->filename);
    SetARexxChooser(n == 1 ? ls->mnode->node.ln_Type : 0);
}

/* ------------------------------------------------------------ moving */

static void EnterMoveMode(LoopState *ls)
{
    GadgetSetText(GID_STATUS, GetString(&localeinfo, MSG_MOVE_MODE));
    ls->aktmode = GID_MOVE;
}

/* The move state the elements had before the move: a move abandoned, or
 * one that ends where it began, leaves the records as they were, so it is
 * no change to save or undo. */
struct MoveStart {
    GElement *ge;
    uint32_t ox, oy, mx, my;
};
static std::vector<MoveStart> move_start;

static void RestoreMoveState(void)
{
    for (const MoveStart &m : move_start)
        m.ge->ox = m.ox, m.ge->oy = m.oy, m.ge->mx = m.mx, m.ge->my = m.my;
    move_start.clear();
}

void StartMove(LoopState *ls, int32_t x, int32_t y)
{
    if (!ls->marked)
        return;
    move_start.clear();
    for (GElement *ge : Selection(ls->aktpage)) {
        move_start.push_back({ge, ge->ox, ge->oy, ge->mx, ge->my});
        MoveConstruct(ge, x, y, true, true);
    }
    ls->moving = true;
}

void FollowMove(LoopState *ls, int32_t x, int32_t y)
{
    for (GElement *ge = FindMarkedElement(ls->aktpage, nullptr); ge; ge = FindMarkedElement(ls->aktpage, ge))
        MoveConstruct(ge, x, y, false, true);
}

/* The pointer left the page: the outlines go, the selection stays. */
void AbandonMove(LoopState *ls)
{
    RestoreMoveState();
    ls->aktmode = GID_CURSOR;
    ls->mnode = nullptr;
    ResetPagimoScreen(GID_CURSOR);
    ls->draw = false;
    Repaint(ls->aktpage);
    ShowSelectMarks(ls->aktpage);
    ls->moving = false;
}

static int32_t Room(int32_t d, uint32_t lo, uint32_t hi, uint32_t start, uint32_t end);

/* A drag in select mode goes only as far as the page's edges allow the
 * whole selection: the same step for every element, as a nudge takes. */
static void KeepDragOnPage(const std::vector<GElement *> &moved)
{
    if (moved.empty())
        return;
    int32_t dx = int32_t(moved[0]->mx - moved[0]->ox), dy = int32_t(moved[0]->my - moved[0]->oy);
    for (GElement *ge : moved) {
        dx = Room(dx, std::min(ge->sx, ge->ex), std::max(ge->sx, ge->ex), xstart, xend);
        dy = Room(dy, std::min(ge->sy, ge->ey), std::max(ge->sy, ge->ey), ystart, yend);
    }
    for (GElement *ge : moved)
        ge->mx = ge->ox + uint32_t(dx), ge->my = ge->oy + uint32_t(dy);
}

/* The last outline shown is what is applied. With the Move tool an
 * element that leaves the page is deleted, but its file stays: a slip of
 * the hand must not cost the imported picture or text, which garbage
 * collection takes later if nothing names it. A drag in select mode stops
 * at the page's edges instead, and an element whose measured text would
 * still stick out stays where it was; the moved elements stay selected.
 * The Move tool ends with nothing selected. */
void EndMove(LoopState *ls, int32_t x, int32_t y)
{
    bool keep = ls->aktmode == GID_CURSOR;
    std::vector<GElement *> moved = Selection(ls->aktpage);
    bool shifted = false, headline = false;
    if (keep)
        KeepDragOnPage(moved);
    for (GElement *ge : moved)
        shifted |= ge->mx != ge->ox || ge->my != ge->oy;
    if (!shifted)
        RestoreMoveState();
    move_start.clear();
    for (GElement *ge : moved) {
        if (!keep)
            ge->marked = 0;
        if (!shifted)
            continue;
        headline |= ge->node.ln_Type == ET_TEXT && ge->edata.td.level >= LEVEL_FIRST;
        GElement before = *ge;
        EndMoveConstruct(ge, x, y, ls->aktpage, true);
        if (ElementOnPage(ge, xstart, xend, ystart, yend))
            continue;
        if (keep)
            ge->sx = before.sx, ge->sy = before.sy, ge->ex = before.ex, ge->ey = before.ey;
        else
            RemoveGObject(ls->aktpage, ge, true, false);
    }
    if (shifted)
        ls->saved = 0;
    if (headline)
        HLManager();
    ls->draw = false;
    ls->moving = false;
    if (keep) {
        ShowSelection(ls);
        return;
    }
    ls->marked = 0;
    ls->mnode = nullptr;
    Repaint(ls->aktpage);
    ls->aktmode = GID_CURSOR;
    ResetPagimoScreen(GID_CURSOR);
    ResetProperties();
}

/* ------------------------------------------------------------ nudging */

/* The part of the step d that keeps lo..hi strictly inside start..end, as
 * an element on the page lies; nothing towards an edge already reached. */
static int32_t Room(int32_t d, uint32_t lo, uint32_t hi, uint32_t start, uint32_t end)
{
    int64_t room = d > 0 ? int64_t(end) - 1 - int64_t(hi) : int64_t(lo) - 1 - int64_t(start);
    room = room < 0 ? 0 : room;
    return int32_t(d > 0 ? std::min<int64_t>(d, room) : std::max<int64_t>(d, -room));
}

/* The selection moves as a whole and never off the page: a step that would
 * take an element over an edge goes only as far as that edge allows. */
void NudgeSelection(LoopState *ls, int32_t dx, int32_t dy)
{
    std::vector<GElement *> sel = Selection(ls->aktpage);
    for (GElement *ge : sel) {
        dx = Room(dx, std::min(ge->sx, ge->ex), std::max(ge->sx, ge->ex), xstart, xend);
        dy = Room(dy, std::min(ge->sy, ge->ey), std::max(ge->sy, ge->ey), ystart, yend);
    }
    if (sel.empty() || (dx == 0 && dy == 0))
        return;
    bool headline = false;
    for (GElement *ge : sel) {
        ge->sx += uint32_t(dx), ge->ex += uint32_t(dx);
        ge->sy += uint32_t(dy), ge->ey += uint32_t(dy);
        headline |= ge->node.ln_Type == ET_TEXT && ge->edata.td.level >= LEVEL_FIRST;
    }
    if (headline)
        HLManager();
    ls->saved = 0;
    ShowSelection(ls);
}

/* ------------------------------------------------------------ properties */

static void Reselect(LoopState *ls, GElement *ge)
{
    Repaint(ls->aktpage);
    ls->marked = 1;
    SetSelectMarks(ls->aktpage, ge, 1, 1);
    ls->mnode = ge;
    ls->saved = 0;
}

/* A text-like element is made anew from the gadgets, standing on the old
 * one's anchor; fields keep their other corner too. A new text that cannot
 * be made (no text) leaves the old element as it was. */
static void RecreateText(LoopState *ls, uint32_t id)
{
    GElement *old = ls->mnode;
    uint8_t type = old->node.ln_Type;
    if (id == GID_STYLE)
        SetFontData(GetFontStyle(old->edata.td.fontname), ls->code);
    bool anchored = type == ET_TEXT || type == ET_LINK;
    GElement *ge = EndDrawConstruct(ls->aktpage, anchored ? 0 : old->sx, anchored ? 0 : old->sy, old->ex,
                                    old->ey, type);
    if (!ge) {
        Repaint(ls->aktpage);
        SetSelectMarks(ls->aktpage, old, 1, 1);
        return;
    }
    RemoveGObject(ls->aktpage, old, true, false);
    HLManager();
    Reselect(ls, ge);
}

static void ChangeTextbox(LoopState *ls, uint32_t id)
{
    TextboxData &tb = ls->mnode->edata.tbd;
    if (id == GID_JUSTIFICATION) {
        tb.align = uint32_t(GadgetNumber(GID_JUSTIFICATION));
    } else if (id == GID_FONTS || id == GID_FONTSIZE || id == GID_STYLE) {
        if (id == GID_STYLE)
            SetFontData(GetFontStyle(tb.fontname), ls->code);
        char text[81];
        uint8_t level = 0;
        GetTextData(ET_TEXTBOX, tb.fontname, &tb.size, text, &level);
    } else {
        return;
    }
    Reselect(ls, ls->mnode);
}

static void ChangeLevel(LoopState *ls)
{
    GElement *ge = ls->mnode;
    if (!ge || ge->node.ln_Type != ET_TEXT)
        return;
    int32_t chosen = GadgetNumber(GID_HEADLINE_LEVEL);
    uint8_t level = uint8_t(chosen + 1);
    if (chosen < 0 || level == ge->edata.td.level)
        return;
    ge->edata.td.level = level;
    HLManager();
    ls->saved = 0;
}

/* A selected picture shows the new one at its place: within its box,
 * with the new one's proportions, when the user had sized it, else at the
 * new one's own size (or the size an ARexx tool made it). Without a
 * selection the path is kept for the next picture placed. */
static void NewPicture(LoopState *ls)
{
    GElement *ge = ls->mnode;
    bool single = ge && ls->marked == 1 && ge->node.ln_Type == ET_PICTURE;
    bool resized = single && PictureResized(ge);
    uint32_t w = single ? ge->ex - ge->sx : 0, h = single ? ge->ey - ge->sy : 0;
    if (!SetPicture(ls->filename, single ? ge : nullptr))
        return;
    GadgetSetText(GID_PICTUREPATH, ls->filename);
    if (!single)
        return;
    FreePicResources(ge);
    if (LoadPicture(ge, false)) {
        const PicData &pd = ge->edata.pd;
        bool boxed = resized && !ARexxToolChosen();
        FitPicture(ge, ge->sx, ge->sy, boxed ? w : pd.width, boxed ? h : pd.height);
    }
    Reselect(ls, ge);
}

/* A selected textbox, whichever box of its chain it is, takes the new
 * text file with its whole chain: the chain has one text. Without a
 * textbox selected the path is kept for the next textbox placed. */
static void NewTextFile(LoopState *ls)
{
    if (!SetTextboxFile(ls->filename, true))
        return;
    GadgetSetText(GID_TEXTPATH, ls->filename);
    GElement *ge = ls->mnode;
    if (!ge || ls->marked != 1 || ge->node.ln_Type != ET_TEXTBOX)
        return;
    char old[256];
    Strlcpy(old, ge->edata.tbd.fn, sizeof(old));
    /* The boxes are found by the old name, so all are found first. */
    std::vector<GElement *> chain = {ge};
    GElement *box = nullptr;
    for (int32_t nr = 0; nr >= -128 && FindFilename(ET_TEXTBOX, old, &box, nr); nr--)
        if (box != ge)
            chain.push_back(box);
    for (GElement *b : chain)
        Strlcpy(b->edata.tbd.fn, ls->filename, sizeof(b->edata.tbd.fn));
    Reselect(ls, ge);
}

static bool TextGadget(uint32_t id)
{
    return id == GID_FONTS || id == GID_STYLE || id == GID_FONTSIZE || id == GID_JUSTIFICATION ||
           id == GID_TEXTCONT || id == GID_LINKPAGE || id == GID_LINKWEB;
}

/* The gadgets describe the single selected element; without one they
 * keep their values for the next element placed. */
static void ChangeProperty(LoopState *ls, uint32_t id)
{
    bool single = ls->mnode && ls->marked == 1;
    if (!single) {
        if (id == GID_STYLE) {
            SetFontData(ls->laststyle, ls->code);
            ls->laststyle = ls->code;
        }
        return;
    }
    uint8_t type = ls->mnode->node.ln_Type;
    if (IsTextType(type) && id != GID_JUSTIFICATION)
        RecreateText(ls, id);
    else if (type == ET_TEXTBOX)
        ChangeTextbox(ls, id);
}

/* ------------------------------------------------------------ dispatch */

void EditCommand(LoopState *ls, uint32_t id)
{
    DebugPrint("-> EditCommand(%u) with %u selected\n", id, ls->marked);
    switch (id) {
    case GID_COPY: ClipSelection(ls, MBIT_COPY); break;
    case GID_CUT: ClipSelection(ls, MBIT_CUT); break;
    case GID_PASTE: Paste(ls); break;
    case GID_MOVE: EnterMoveMode(ls); break;
    case GID_HEADLINE_LEVEL: ChangeLevel(ls); break;
    case GID_PICTUREADD: NewPicture(ls); break;
    case GID_TEXTADD: NewTextFile(ls); break;
    default:
        if (TextGadget(id))
            ChangeProperty(ls, id);
        break;
    }
}
