/*
 * mainloop.cpp - the main loop: waits for input, fetches the windows'
 * messages in window order and carries out the command of each; the
 * navigation of the project (pages, sections, formats, closing) is here.
 *
 * Relies on gui/windows.h for messages and tabs, view/geometry.h for the
 * page rectangle, and the editing, preference and document operations.
 * Every change of the page shown is followed by a repaint: the empty page,
 * then its elements.
 */
#include "core/mainloop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/editing.h"
#include "core/preferences.h"
#include "core/settings.h"
#include "core/undo.h"
#include "document/archive.h"
#include "document/headlines.h"
#include "document/history.h"
#include "document/pagelist.h"
#include "document/properties.h"
#include "gui/localisation.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "pdf/pdfexport.h"
#include "pdf/pdfmerge.h"
#include "platform/gui.h"
#include "platform/strutil.h"
#include "text/arexxtools.h"
#include "text/editor.h"
#include "text/utilities.h"
#include "view/geometry.h"
#include "view/redraw.h"
#include "view/rubberband.h"
#include "view/selection.h"

LoopState Loop;

static void *loop_mstrip;
static MsgPort *loop_port;

/* ------------------------------------------------------------ helpers */

void Repaint(uint32_t aktpage)
{
    CreateEmptyPage(PDaten.pageformat);
    ReDrawPage(aktpage);
}

void ResetProperties(void)
{
    SetGUIElements(0, false, false);
}

static void UnmarkAll(LoopState *ls)
{
    UnmarkPage(ls->aktpage);
    ls->marked = 0;
}

/* Unmarking that also takes the marks off the page view. */
static void UnmarkShown(LoopState *ls)
{
    while (GElement *ge = FindMarkedElement(ls->aktpage, nullptr))
        SetSelectMarks(ls->aktpage, ge, 0, ls->marked);
    ls->marked = 0;
}

/* The sections in use: one per twelve pages begun. */
void ShowSections(uint32_t count)
{
    int n = int((count + 11) / 12);
    GadgetSetLabels(GID_PAGE_SECTION, page_section, n < 1 ? 1 : n);
}

/* ------------------------------------------------------------ screen state */

void ResetPagimoScreen(uint32_t mode)
{
    DebugPrint("-> ResetPagimoScreen(%u)\n", mode);
    for (int id : {GID_DELETE, GID_COPY, GID_CUT, GID_PASTE, GID_MOVE})
        GadgetSetDisabled(id, mode != GID_CURSOR);
    bool tool = mode >= GID_CURSOR && mode <= GID_LINKS;
    GadgetSetText(GID_STATUS, GetString(&localeinfo, tool ? int32_t(47 + mode) : 65));
    GadgetSetText(GID_TEXTPATH, "");
    GadgetSetText(GID_PICTUREPATH, "");
    GadgetSetMax(GID_LINKPAGE, int32_t(PDaten.count));
}

/* Shows the section of the referenced page: its tabs, the tab of the page
 * and the section in the chooser. A page beyond the project becomes its
 * last page. The page keeps its own number; the tab follows it. */
void CreateTabs(uint32_t *aktpage)
{
    uint32_t count = PDaten.count ? PDaten.count : 1;
    uint32_t page = *aktpage < 1 ? 1 : *aktpage > count ? count : *aktpage;
    uint32_t s = (page - 1) / 12;
    DebugPrint("-> CreateTabs(%u): section %u\n", page, s);
    GUIRemoveAllClickTabs(&ClickTabLists[0], GID_PROJ_PAGES);
    for (uint32_t p = 12 * s + 1; p <= 12 * s + 12 && p <= count; p++) {
        char *label = AllocString(GetString(&localeinfo, 27), long(p), 0);
        GUIAddClickTab(&ClickTabLists[0], GID_PROJ_PAGES, label ? label : "", ProjectPage(), WIN_PROJECT);
        FreeString(label);
    }
    *aktpage = page;
    GUIShowClickTabs(&ClickTabLists[0], GID_PROJ_PAGES, int(page - 1 - 12 * s));
    GadgetSetNumber(GID_PAGE_SECTION, int32_t(s));
}

/* ------------------------------------------------------------ projects */

static void ClearPdfGadgets(void)
{
    GadgetSetNumber(GID_PAGE_FORMAT, int32_t(PDaten.pageformat));
    for (int id : {GID_PDF_TITLE, GID_PDF_AUTHOR, GID_PDF_OPASSWORD, GID_PDF_UPASSWORD})
        GadgetSetText(id, "");
    GadgetSetNumber(GID_PDF_COMPRESSION, COMP_FULL);
}

/* A new project starts without the title, author, passwords and time
 * stamps of the one before, as its emptied gadgets show, and with full
 * compression; a stored project keeps its own. */
static void ClearProjectInfo(void)
{
    PDaten.title[0] = PDaten.author[0] = '\0';
    PDaten.upassword[0] = PDaten.opassword[0] = '\0';
    PDaten.created[0] = PDaten.changed[0] = '\0';
    PDaten.comp = COMP_FULL;
}

bool CloseProject(bool newp, int16_t *saved, uint32_t *xs, uint32_t *ys, uint32_t *xe,
                  uint32_t *ye, uint32_t *aktpage)
{
    (void)xs, (void)ys, (void)xe, (void)ye;
    DebugPrint("-> CloseProject(%d, saved %d)\n", newp, *saved);
    uint32_t atab = 0;
    while (TabsCount(GID_PROJ_PAGES) > 1 &&
           GUIRemoveClickTab(&ClickTabLists[0], GID_PROJ_PAGES, WIN_PROJECT, true, &atab))
        ;
    ClearPdfGadgets();
    HLManager();
    if (newp) {
        FreeLists(0);
        ClearProjectInfo();
        PDaten.pageformat = 2;
        PDaten.count = 0;
        SetProjectName(GetString(&localeinfo, 28));
        GadgetSetNumber(GID_PAGE_FORMAT, 2);
        AddPageList(nullptr);
        CreateEmptyPage(2);
        *saved = 1;
        *aktpage = 1;
        ReDrawPage(*aktpage);
        HistoryReset();
    }
    return true;
}

/* Saving takes the selection off first: the element file keeps the marks,
 * and a project must not open with elements selected. */
static bool SaveCommand(LoopState *ls, bool as)
{
    UnmarkAll(ls);
    bool done = SaveProject(as) == 0;
    if (done) {
        ls->saved = 1;
        HistoryMarkSaved();
        HLManager(); /* the first row shows the project's new name */
    }
    Repaint(ls->aktpage);
    ResetProperties();
    return done;
}

/* A project with changes goes only when the user says: Save saves it as
 * the Save command does (asking for a name when it has none), Discard lets
 * the changes go, Cancel keeps it. A save that fails or is cancelled keeps
 * it too. */
static bool MayClose(LoopState *ls)
{
    if (ls->saved)
        return true;
    int answer = GuiEasyDialog(WIN_PROJECT, GetString(&localeinfo, MSG_HINT),
                               GetString(&localeinfo, MSG_PROJECT_UNSAVED),
                               GetString(&localeinfo, MSG_EDITOR_UNSAVED_BUTTONS));
    if (answer == 1)
        return SaveCommand(ls, false);
    return answer == 2;
}

static bool Close(LoopState *ls, bool newp)
{
    if (!MayClose(ls))
        return false;
    return CloseProject(newp, &ls->saved, &xstart, &ystart, &xend, &yend, &ls->aktpage);
}

/* The gadgets of the project's own settings show the project's values. */
void ShowProjectSettings(void)
{
    GadgetSetNumber(GID_PAGE_FORMAT, int32_t(PDaten.pageformat));
    GadgetSetText(GID_PDF_TITLE, PDaten.title);
    GadgetSetText(GID_PDF_AUTHOR, PDaten.author);
    GadgetSetNumber(GID_PDF_COMPRESSION, PDaten.comp);
    ShowSections(PDaten.count);
}

static void ShowOpenedProject(LoopState *ls)
{
    ShowProjectSettings();
    ls->saved = 1;
    ls->aktmode = GID_CURSOR;
    ls->aktpage = 1;
    ls->mnode = nullptr;
    CreateTabs(&ls->aktpage);
    CreateEmptyPage(PDaten.pageformat);
    ResetPagimoScreen(GID_CURSOR);
    ResetProperties();
    HLManager();
    ReDrawPage(1);
    HistoryReset();
}

/* A null path asks for the project with the file requester. */
static void OpenCommand(LoopState *ls, const char *path)
{
    if (!Close(ls, false))
        return;
    ls->saved = 1; /* the user let the project go: a failed open asks nothing more */
    if ((path ? OpenProjectPath(path) : OpenProject()) != 0) {
        RemoveProjectStructure();
        CreateProjectStructure();
        Close(ls, true);
        CreateTabs(&ls->aktpage);
        ShowSections(PDaten.count);
        return;
    }
    ShowOpenedProject(ls);
}

static void CloseCommand(LoopState *ls)
{
    if (!Close(ls, true))
        return;
    RemoveProjectStructure();
    CreateProjectStructure();
    ls->aktpage = 1;
    ls->aktmode = GID_CURSOR;
    CreateTabs(&ls->aktpage);
    ls->mnode = nullptr;
    ResetPagimoScreen(GID_CURSOR);
    ls->marked = 0;
    ResetProperties();
    ShowSections(1);
    GadgetSetNumber(GID_PAGE_SECTION, 0);
    HLManager();
    CreateEmptyPage(PDaten.pageformat);
}

/* ------------------------------------------------------------ navigation */

static void ToolCommand(LoopState *ls, uint32_t id)
{
    ResetPagimoScreen(id);
    SetARexxChooser(id);
    UnmarkShown(ls);
    ls->mnode = nullptr;
    ResetProperties();
    SetGUIElements(id, true, false);
    /* With the textbox tool the editor writes a text before its box is
     * drawn: it asks for the file (a new name starts an empty one). */
    if (id == GID_TEXTBOX)
        GadgetSetDisabled(GID_TEXTEDT, false);
    ls->aktmode = id;
}

static void FormatCommand(LoopState *ls)
{
    uint32_t format = ls->code;
    if (format == PDaten.pageformat || format > 5)
        return;
    PDaten.pageformat = format;
    PlatformDelay(8);
    CreateEmptyPage(format);
    ReDrawPage(ls->aktpage);
    ResetPagimoScreen(GID_PAGE_FORMAT);
    ResetProperties();
    ls->saved = 0;
    ls->aktmode = GID_CURSOR;
}

static void SectionCommand(LoopState *ls)
{
    uint32_t tab = TabsCurrent(GID_PROJ_PAGES) < 0 ? 0 : uint32_t(TabsCurrent(GID_PROJ_PAGES));
    ls->aktpage = 12 * uint32_t(GadgetNumber(GID_PAGE_SECTION)) + 1 + tab;
    CreateTabs(&ls->aktpage);
    Repaint(ls->aktpage);
}

static void TabCommand(LoopState *ls)
{
    UnmarkAll(ls);
    ls->aktmode = GID_CURSOR;
    PlatformDelay(5);
    uint32_t page = 12 * uint32_t(GadgetNumber(GID_PAGE_SECTION)) + 1 + ls->code;
    ls->aktpage = page <= PDaten.count ? page : PDaten.count;
    Repaint(ls->aktpage);
    ResetPagimoScreen(GID_CURSOR);
    ResetProperties();
}

static void HeadlineCommand(LoopState *ls)
{
    PlatformDelay(5);
    int32_t row = GadgetNumber(GID_HLLIST);
    if (row <= 0)
        return;
    uint32_t page = GetHLPageNo(uint32_t(row));
    if (page == 55555 || page > PDaten.count)
        return;
    ls->aktpage = page;
    UnmarkAll(ls);
    ls->aktmode = GID_CURSOR;
    PlatformDelay(5);
    CreateTabs(&ls->aktpage);
    Repaint(ls->aktpage);
    ResetPagimoScreen(GID_CURSOR);
    ResetProperties();
}

/* A row of the object list: a click selects its element alone; an edited
 * cell moves or renames it. */
static void ObjectListCommand(LoopState *ls)
{
    PlatformDelay(5);
    GElement *ge = GetObjListNode(uint32_t(ls->code) + 1);
    ls->mnode = ge;
    if (!ge)
        return;
    if (GadgetListEvent(GID_OBJLIST) == LBRE_NORMAL) {
        ls->aktmode = GID_CURSOR;
        UnmarkShown(ls);
        ResetProperties();
        SetGUIElements(GID_CURSOR, true, false);
        ls->marked = 1;
        SetSelectMarks(ls->aktpage, ge, 1, 1);
        ResetPagimoScreen(GID_CURSOR);
        SetObjData(ge, ls->filename);
        SetARexxChooser(ge->node.ln_Type);
    } else if (GadgetListEvent(GID_OBJLIST) == LBRE_EDIT) {
        ChangeNodeData(ge);
        Repaint(ls->aktpage);
        ls->saved = 0;
        ge->marked = 0;
    }
}

/* ------------------------------------------------------------ selecting all */

/* Every element of the page shown, as a lasso round the whole page takes
 * them; a drawing tool gives way to select mode. */
static void SelectAll(LoopState *ls)
{
    if (ls->aktmode != GID_CURSOR) {
        ls->aktmode = GID_CURSOR;
        ResetPagimoScreen(GID_CURSOR);
    }
    SetGlobalVariables(0, 0);
    ls->draw = ls->lasso = false;
    PageNode *pn = GetPageNode(ls->aktpage);
    for (Node *n = pn ? GetHead(&pn->page) : nullptr; n; n = GetSucc(n))
        reinterpret_cast<GElement *>(n)->marked = 1;
    ShowSelection(ls);
}

/* ------------------------------------------------------------ dispatch */

/* False when the program is to end. */
static bool GadgetCommand(LoopState *ls, uint32_t id)
{
    DebugPrint("-> Gadget %u code %u\n", id, ls->code);
    if (id >= GID_CURSOR && id <= GID_LINKS) {
        ToolCommand(ls, id);
        return true;
    }
    switch (id) {
    case GID_OPEN: {
        char handed[1024];
        bool given = ls->code == OPEN_HANDED_OVER && PlatformTakeHandedProject(handed, sizeof(handed));
        OpenCommand(ls, given ? handed : nullptr);
        break;
    }
    case GID_CLOSE: CloseCommand(ls); break;
    case GID_SAVE:
    case GID_SAVEAS: SaveCommand(ls, id == GID_SAVEAS); break;
    case GID_PDF:
        UnmarkAll(ls);
        Repaint(ls->aktpage);
        ResetPagimoScreen(GID_CURSOR);
        CreateProject(xstart, ystart, xend, yend, loop_mstrip, loop_port);
        ResetProperties();
        break;
    case CMD_MERGE:
        UnmarkAll(ls);
        Repaint(ls->aktpage);
        ResetPagimoScreen(GID_CURSOR);
        MergeCommand(xstart, ystart, xend, yend, loop_mstrip);
        ResetProperties();
        break;
    case GID_ABOUT:
        GUISetWinAktivPassiv(WIN_PROJECT, true, loop_mstrip);
        if (!GUIOpenWindow(WIN_ABOUT, nullptr, loop_port, false, 0))
            GUISetWinAktivPassiv(WIN_PROJECT, false, loop_mstrip);
        break;
    case GID_ABOUT_OK:
        GUISetWinAktivPassiv(WIN_PROJECT, false, loop_mstrip);
        GUICloseWindow(WIN_ABOUT, false);
        break;
    case GID_QUIT:
        return !Close(ls, false);
    case GID_UNDO:
    case GID_REDO: UndoCommand(ls, id == GID_REDO, loop_mstrip); break;
    case CMD_SELECT_ALL: SelectAll(ls); break;
    case CMD_FIT_PAGE: PlatformSetZoom(ZOOM_FIT_PAGE); break;
    case CMD_FIT_WIDTH: PlatformSetZoom(ZOOM_FIT_WIDTH); break;
    case CMD_ZOOM_100: PlatformSetZoom(100); break;
    case CMD_ZOOM_200: PlatformSetZoom(200); break;
    case CMD_ZOOM_IN: PlatformSetZoom(ZOOM_IN); break;
    case CMD_ZOOM_OUT: PlatformSetZoom(ZOOM_OUT); break;
    case GID_PAGE_FORMAT: FormatCommand(ls); break;
    case GID_PAGE_SECTION: SectionCommand(ls); break;
    case GID_PROJ_PAGES: TabCommand(ls); break;
    case GID_HLLIST: HeadlineCommand(ls); break;
    case GID_TAB_ADD: InsertPage(ls); break;
    case GID_TAB_REMOVE: RemovePage(ls); break;
    case GID_DELETE: DeleteSelection(ls); break;
    /* The PDF settings are saved with the project, so changing them is a
     * change the "not saved" question must know about. */
    case GID_PDF_TITLE: GadgetGetText(id, PDaten.title, sizeof(PDaten.title)), ls->saved = 0; break;
    case GID_PDF_AUTHOR: GadgetGetText(id, PDaten.author, sizeof(PDaten.author)), ls->saved = 0; break;
    case GID_PDF_OPASSWORD: GadgetGetText(id, PDaten.opassword, sizeof(PDaten.opassword)), ls->saved = 0; break;
    case GID_PDF_UPASSWORD: GadgetGetText(id, PDaten.upassword, sizeof(PDaten.upassword)), ls->saved = 0; break;
    case GID_PDF_COMPRESSION: PDaten.comp = uint8_t(GadgetNumber(id)), ls->saved = 0; break;
    case GID_RBLINKS: SetGUIElements(GID_LINKS, true, true); break;
    case GID_PREFS: ControlPreferences(loop_port, loop_mstrip, 0); break;
    case GID_OBJLIST: ObjectListCommand(ls); break;
    case GID_COPY: case GID_CUT: case GID_PASTE: case GID_MOVE:
    case GID_FONTS: case GID_STYLE: case GID_FONTSIZE: case GID_TEXTCONT:
    case GID_HEADLINE_LEVEL: case GID_PICTUREADD: case GID_JUSTIFICATION:
    case GID_TEXTADD: case GID_LINKPAGE: case GID_LINKWEB:
        EditCommand(ls, id);
        break;
    /* The text file is part of the project: what the editor saves is
     * packed by the next project save. */
    case GID_TEXTEDT:
        if (EditTextboxFile(ls->marked, ls->mnode, loop_port, loop_mstrip, EDIT_OPEN, ls->aktpage))
            ls->saved = 0;
        break;
    default:
        ls->saved = CheckPrefsGadgets(loop_port, loop_mstrip, id, ls->saved);
        ls->saved = CheckEditorGadgets(loop_port, loop_mstrip, id, ls->mnode, ls->aktpage,
                                       &ls->aktmode, &ls->marked, ls->saved);
        break;
    }
    return true;
}

/* Menu picks become the gadget ids of the same commands; a command without
 * a gadget has an id of its own above them. */
uint32_t MapMenueSelection(void *mstrip)
{
    static const uint16_t map[][2] = {
        {MENU_OPEN, GID_OPEN},     {MENU_CLOSE, GID_CLOSE},  {MENU_SAVE, GID_SAVE},
        {MENU_SAVEAS, GID_SAVEAS}, {MENU_PDF, GID_PDF},      {MENU_ABOUT, GID_ABOUT},
        {MENU_QUIT, GID_QUIT},     {MENU_CUT, GID_CUT},      {MENU_COPY, GID_COPY},
        {MENU_PASTE, GID_PASTE},   {MENU_PAGE_INSERT, GID_TAB_ADD},
        {MENU_PAGE_REMOVE, GID_TAB_REMOVE}, {MENU_DELETE, GID_DELETE},
        {MENU_MOVE, GID_MOVE},     {MENU_PREFS, GID_PREFS},
        {MENU_MERGE, CMD_MERGE},   {MENU_UNDO, GID_UNDO},    {MENU_REDO, GID_REDO},
        {MENU_SELECT_ALL, CMD_SELECT_ALL}, {MENU_FIT_PAGE, CMD_FIT_PAGE}, {MENU_FIT_WIDTH, CMD_FIT_WIDTH},
        {MENU_ZOOM_100, CMD_ZOOM_100}, {MENU_ZOOM_200, CMD_ZOOM_200}, {MENU_ZOOM_IN, CMD_ZOOM_IN},
        {MENU_ZOOM_OUT, CMD_ZOOM_OUT},
    };
    uint32_t result = 0xFFFF;
    for (int item = PlatformMenuNextSelection(mstrip, -1); item != -1;
         item = PlatformMenuNextSelection(mstrip, item))
        for (const auto &m : map)
            if (m[0] == item)
                result &= m[1];
    return result;
}

/* ------------------------------------------------------------ the pointer */

/* Drawing tools drag out a new element; move mode is no drawing tool. */
static bool DrawingTool(uint32_t mode)
{
    return mode > GID_CURSOR && mode <= GID_LINKS;
}

static void ShowDistance(LoopState *ls, int32_t x, int32_t y)
{
    int32_t dx = x - int32_t(ls->startx), dy = int32_t(ls->starty) - y;
    SetCoordinates(1, 0, 0, 0, 0, dx, dy, PixelToMM(dx), PixelToMM(dy));
}

/* A press on an element becomes a drag once the pointer has gone 3 pixels
 * on the screen, whatever the zoom: a hand that shakes still clicks. */
static bool DraggedFar(const LoopState *ls, int32_t x, int32_t y)
{
    double least = ScreenPixels(3);
    return std::fabs(double(x) - ls->startx) >= least || std::fabs(double(y) - ls->starty) >= least;
}

static void PictureCorner(const LoopState *ls, int32_t *x, int32_t *y);

static void DragOnPage(LoopState *ls, int32_t x, int32_t y)
{
    if (ls->grabbed && DraggedFar(ls, x, y)) {
        ls->grabbed = nullptr;
        StartMove(ls, int32_t(ls->startx), int32_t(ls->starty));
    }
    if (ls->moving) {
        FollowMove(ls, x, y);
    } else if (ls->draw) {
        if (ls->reshaping && ls->reshaped->node.ln_Type == ET_PICTURE)
            PictureCorner(ls, &x, &y);
        ls->draw = DrawConstruct(int32_t(ls->startx), int32_t(ls->starty), x, y, ls->aktmode, true);
        ShowDistance(ls, x, y);
    } else if (ls->lasso) {
        DrawConstruct(int32_t(ls->startx), int32_t(ls->starty), x, y, ET_RECT, true);
    }
}

/* A reshape that ends without a release on the page leaves the element as
 * it was and select mode back. */
static void AbandonReshape(LoopState *ls)
{
    ls->aktmode = GID_CURSOR;
    ResetPagimoScreen(GID_CURSOR);
    Repaint(ls->aktpage);
    ls->reshaped = nullptr;
    ls->reshaping = false;
    ls->draw = false;
    SetGlobalVariables(0, 0);
}

/* Leaving the page ends a drag: its outline goes. */
static void DragOffPage(LoopState *ls, int32_t x, int32_t y)
{
    ls->grabbed = nullptr;
    if (ls->moving) {
        AbandonMove(ls);
    } else if (ls->draw || ls->lasso) {
        DrawConstruct(int32_t(ls->startx), int32_t(ls->starty), x, y,
                      ls->draw ? ls->aktmode : uint32_t(ET_RECT), false);
        if (ls->reshaping)
            AbandonReshape(ls);
        SetGlobalVariables(0, 0);
        ls->reshaping = false;
        ls->draw = false;
        ls->lasso = false;
    }
}

static void MouseMove(LoopState *ls)
{
    int32_t x, y;
    PlatformMousePos(WIN_PROJECT, &x, &y);
    if (PointOnPage(x, y)) {
        int32_t ppx = int32_t(uint32_t(x) - xstart), ppy = int32_t(yend - uint32_t(y));
        SetCoordinates(0, ppx, ppy, PixelToMM(ppx), PixelToMM(ppy));
        DragOnPage(ls, x, y);
        return;
    }
    SetCoordinates(0, 0, 0, 0, 0);
    SetCoordinates(2);
    DragOffPage(ls, x, y);
}

static uint8_t CountMarked(uint32_t page)
{
    uint32_t n = 0;
    for (GElement *ge = FindMarkedElement(page, nullptr); ge; ge = FindMarkedElement(page, ge))
        n++;
    return uint8_t(n > 255 ? 255 : n);
}

/* ------------------------------------------------------------ reshaping */

/* The handle not grabbed stays where it is and anchors the rubber band; the
 * element's own drawing stands for the band's first outline, so the first
 * mouse move complements it away. */
static void StartReshape(LoopState *ls, GElement *ge, int8_t handle, int32_t x, int32_t y)
{
    ls->pressx = uint32_t(x), ls->pressy = uint32_t(y);
    ls->aktmode = ge->node.ln_Type;
    ResetPagimoScreen(ls->aktmode);
    UnmarkShown(ls);
    if (handle == 1) {
        ls->startx = ge->ex, ls->starty = ge->ey;
        SetGlobalVariables(ge->sx, ge->sy);
    } else {
        ls->startx = ge->sx, ls->starty = ge->sy;
        SetGlobalVariables(ge->ex, ge->ey);
    }
    /* A picture is no outline: its band starts with none shown. */
    if (ge->node.ln_Type == ET_PICTURE)
        SetGlobalVariables(0, 0);
    if (ge->node.ln_Type == ET_TEXTBOX) {
        std::snprintf(ls->filename, sizeof(ls->filename), "%s", ge->edata.tbd.fn);
        GadgetSetText(GID_TEXTPATH, ls->filename);
    }
    ls->reshaped = ge;
    ls->draw = true;
    ls->reshaping = true;
    ls->mnode = nullptr;
}

/* The side of the fixed corner (the anchor) that the handle held lies on,
 * where the pointer does not tell. */
static int HandleSide(uint32_t anchor, uint32_t start, double d)
{
    return d > 0 ? 1 : d < 0 ? -1 : anchor == start ? 1 : -1;
}

/* Where a picture's held corner goes for the pointer at (x, y): with Shift
 * wherever the pointer is; without, onto the box of the picture's present
 * proportions that the pointer spans from the fixed corner, the larger of
 * its two spans deciding, and no farther than the page. */
static void PictureCorner(const LoopState *ls, int32_t *x, int32_t *y)
{
    const GElement *ge = ls->reshaped;
    double w = double(ge->ex) - ge->sx, h = double(ge->ey) - ge->sy;
    if ((PlatformMessageQualifier(WIN_PROJECT) & QUAL_SHIFT) || w <= 0 || h <= 0)
        return;
    double ax = ls->startx, ay = ls->starty, dx = *x - ax, dy = *y - ay;
    int sidex = HandleSide(ls->startx, ge->sx, dx), sidey = HandleSide(ls->starty, ge->sy, dy);
    double roomx = sidex > 0 ? double(xend) - 1 - ax : ax - 1 - double(xstart);
    double roomy = sidey > 0 ? double(yend) - 1 - ay : ay - 1 - double(ystart);
    double scale = std::min({std::max(std::fabs(dx) / w, std::fabs(dy) / h), roomx / w, roomy / h});
    scale = scale < 0 ? 0 : scale;
    *x = int32_t(ax + sidex * std::floor(w * scale + 0.5));
    *y = int32_t(ay + sidey * std::floor(h * scale + 0.5));
}

/* The element keeps its record (pen, name, text file, chain place, place in
 * the drawing order) and only takes the new corners: a line from the handle
 * it was not held by to the release point, a rectangle, textbox or picture
 * with its corners in order. A release where the press was changes
 * nothing. */
static void EndReshape(LoopState *ls, int32_t x, int32_t y)
{
    GElement *ge = ls->reshaped;
    bool moved = uint32_t(x) != ls->pressx || uint32_t(y) != ls->pressy;
    if (ge->node.ln_Type == ET_PICTURE)
        PictureCorner(ls, &x, &y);
    uint32_t ax = uint32_t(x), ay = uint32_t(y);
    DrawConstruct(int32_t(ls->startx), int32_t(ls->starty), x, y, ls->aktmode, false);
    SetGlobalVariables(0, 0);
    /* A line dragged onto its other end, or a box flattened to no width or
     * height, would vanish: it stays as it was. */
    bool flat = ge->node.ln_Type == ET_LINE ? ax == ls->startx && ay == ls->starty
                                            : ax == ls->startx || ay == ls->starty;
    if (moved && !flat) {
        if (ge->node.ln_Type == ET_LINE) {
            ge->sx = ls->startx, ge->sy = ls->starty, ge->ex = ax, ge->ey = ay;
        } else {
            ge->sx = std::min(ls->startx, ax), ge->ex = std::max(ls->startx, ax);
            ge->sy = std::min(ls->starty, ay), ge->ey = std::max(ls->starty, ay);
        }
        ls->saved = 0;
    }
    ls->reshaped = nullptr;
    ls->aktmode = GID_CURSOR;
    ResetPagimoScreen(GID_CURSOR);
}

/* A new element is made from the drag; the tool stays for the next one.
 * A drag that makes nothing (no text, or a tool not dragged out) leaves the
 * project unchanged. */
static void EndDrawing(LoopState *ls, int32_t x, int32_t y)
{
    SetCoordinates(2);
    if (ls->reshaping) {
        EndReshape(ls, x, y);
    } else if (EndDrawConstruct(ls->aktpage, ls->startx, ls->starty, uint32_t(x), uint32_t(y),
                                ls->aktmode)) {
        ls->saved = 0;
    }
    ls->draw = false;
    Repaint(ls->aktpage);
    ls->reshaping = false;
    ls->moving = false;
}

/* ------------------------------------------------------------ selecting */

/* With a selection, a press on a handle of the element whose properties
 * are shown reshapes it. */
static bool GrabHandle(LoopState *ls, int32_t x, int32_t y)
{
    if (!ls->marked)
        return false;
    if (!ls->mnode) {
        ls->mnode = FindMarkedElement(ls->aktpage, nullptr);
        return false;
    }
    int8_t handle = MarkerSelected(ls->mnode, uint32_t(x), uint32_t(y));
    if (handle != 1 && handle != 2)
        return false;
    StartReshape(ls, ls->mnode, handle, x, y);
    return true;
}

static void Deselect(LoopState *ls, GElement *ge)
{
    ls->marked--;
    SetSelectMarks(ls->aktpage, ge, 0, ls->marked);
    Repaint(ls->aktpage); /* the cleared circles cut into what lies below */
    ShowSelectMarks(ls->aktpage);
    ls->mnode = FindMarkedElement(ls->aktpage, nullptr);
    SetObjData(ls->mnode, ls->filename);
}

/* A click toggles the element under the pointer in the selection, so
 * clicks add to it (with or without a modifier key); a click on empty paper
 * starts a lasso. A drag from an element moves the selection, the element
 * included: one pressed on unselected joins it at once, one selected is
 * taken out only by a release without a drag. */
static void SelectDown(LoopState *ls, int32_t x, int32_t y)
{
    if (GrabHandle(ls, x, y))
        return;
    GElement *ge = GetElementAtPos(ls->aktpage, uint32_t(x), uint32_t(y), xstart, ystart);
    ls->startx = uint32_t(x), ls->starty = uint32_t(y);
    if (!ge) {
        ls->lasso = true;
        return;
    }
    ls->grabbed = ge;
    ls->untoggle = ge->marked != 0;
    if (!ge->marked) {
        ls->marked++;
        SetSelectMarks(ls->aktpage, ge, 1, ls->marked);
        ls->mnode = ge;
        SetObjData(ge, ls->filename);
        SetARexxChooser(ls->marked == 1 ? ge->node.ln_Type : 0);
    }
}

static void SelectUp(LoopState *ls, int32_t x, int32_t y)
{
    if (ls->grabbed) {
        if (ls->untoggle && ls->grabbed->marked)
            Deselect(ls, ls->grabbed);
        ls->grabbed = nullptr;
    } else if (ls->lasso && uint32_t(x) != ls->startx && uint32_t(y) != ls->starty) {
        DrawConstruct(int32_t(ls->startx), int32_t(ls->starty), x, y, ET_RECT, false);
        SetCoordinates(2);
        SetGlobalVariables(0, 0);
        LassoSelect(ls->aktpage, ls->startx, ls->starty, uint32_t(x), uint32_t(y));
        /* The lasso toggles: what was selected outside it stays selected. */
        ls->marked = CountMarked(ls->aktpage);
        ls->mnode = FindMarkedElement(ls->aktpage, nullptr);
        if (ls->marked == 1)
            SetObjData(ls->mnode, ls->filename);
        Repaint(ls->aktpage);
        ShowSelectMarks(ls->aktpage);
    } else if (!GetElementAtPos(ls->aktpage, uint32_t(x), uint32_t(y), xstart, ystart) && ls->marked) {
        UnmarkShown(ls);
        ls->mnode = nullptr;
        Repaint(ls->aktpage);
    }
    ls->lasso = false;
}

/* Placing and selecting elements start and end here. */
static void MouseButton(LoopState *ls)
{
    int32_t x, y;
    PlatformMousePos(WIN_PROJECT, &x, &y);
    bool drawing = DrawingTool(ls->aktmode);
    if (!PointOnPage(x, y)) {
        /* A drag holds nothing once the button is up. */
        if (ls->code == SELECTUP && ls->reshaping)
            AbandonReshape(ls);
        if (ls->code == SELECTUP && ls->moving)
            AbandonMove(ls);
        if (ls->code == SELECTUP && drawing)
            ls->draw = false;
        if (ls->code == SELECTUP)
            ls->grabbed = nullptr;
        return;
    }
    if (ls->code == SELECTDOWN && drawing) {
        SetGlobalVariables(0, 0);
        ls->draw = DrawConstruct(x, y, x, y, ls->aktmode, true);
        ls->startx = uint32_t(x), ls->starty = uint32_t(y);
    } else if (ls->code == SELECTUP && drawing && ls->draw) {
        EndDrawing(ls, x, y);
    } else if (ls->code == SELECTDOWN && ls->aktmode == GID_CURSOR) {
        SelectDown(ls, x, y);
    } else if (ls->code == SELECTDOWN && ls->aktmode == GID_MOVE) {
        StartMove(ls, x, y);
    } else if (ls->code == SELECTUP && ls->moving) {
        EndMove(ls, x, y);
    } else if (ls->code == SELECTUP && (ls->aktmode == GID_CURSOR || ls->aktmode == GID_MOVE)) {
        SelectUp(ls, x, y);
    }
}

/* ------------------------------------------------------------ keys */

/* Delete takes the selection, an arrow moves it a point, with Shift ten. */
static void KeyCommand(LoopState *ls)
{
    uint16_t key = ls->code & uint16_t(~RAWKEY_SHIFTED);
    int32_t step = (ls->code & RAWKEY_SHIFTED) ? 10 : 1;
    switch (key) {
    case RAWKEY_DELETE: DeleteSelection(ls); break;
    case RAWKEY_UP: NudgeSelection(ls, 0, -step); break;
    case RAWKEY_DOWN: NudgeSelection(ls, 0, step); break;
    case RAWKEY_LEFT: NudgeSelection(ls, -step, 0); break;
    case RAWKEY_RIGHT: NudgeSelection(ls, step, 0); break;
    default: break;
    }
}

/* The keys that act on the page; other keys (Shift pressed during a drag)
 * leave a drag alone. */
static bool PageKey(uint16_t code)
{
    uint16_t key = code & uint16_t(~RAWKEY_SHIFTED);
    return key == RAWKEY_DELETE || (key >= RAWKEY_UP && key <= RAWKEY_LEFT);
}

/* ------------------------------------------------------------ the loop */

static bool Dispatch(LoopState *ls, uint32_t cls, uint32_t value)
{
    switch (cls) {
    case WMHI_CLOSEWINDOW:
        /* The editor's close box leaves it as its own button does. */
        if (ls->winnr == WIN_EDITOR)
            return GadgetCommand(ls, GID_QUITEDITOR);
        return ls->winnr != WIN_PROJECT || !Close(ls, false);
    case WMHI_GADGETUP:
        return GadgetCommand(ls, value);
    case WMHI_MENUPICK:
        return value == 0xFFFF || GadgetCommand(ls, value);
    case WMHI_RAWKEY:
        KeyCommand(ls);
        return true;
    case WMHI_MOUSEMOVE:
        MouseMove(ls);
        return true;
    case WMHI_MOUSEBUTTONS:
        MouseButton(ls);
        return true;
    default:
        return true;
    }
}

/* Every change a message makes becomes a step of the undo history, named
 * as the state before the message says (a release ends a move only while
 * moving). */
static bool HandleMessage(LoopState *ls, uint32_t msg)
{
    uint32_t cls = msg >> 16, value = msg & 0xFFFF;
    /* A reshape or a move lasts from the press to the release; anything
     * else in between (a gadget, a menu, a key that acts) ends it
     * unapplied. */
    bool mouse = cls == WMHI_MOUSEMOVE || cls == WMHI_MOUSEBUTTONS;
    if (!mouse && (cls != WMHI_RAWKEY || PageKey(ls->code))) {
        if (ls->reshaping)
            AbandonReshape(ls);
        if (ls->moving)
            AbandonMove(ls);
        ls->grabbed = nullptr;
    }
    if (cls == WMHI_MENUPICK)
        value = MapMenueSelection(loop_mstrip);
    int step = UndoStepName(ls, cls, value);
    if (!Dispatch(ls, cls, value))
        return false;
    UndoAfterCommand(ls, step);
    if (step != UNDO_SKIP)
        ShowUndoItems(loop_mstrip);
    return true;
}

/* A project named on the command line, opened as soon as the loop runs. */
char StartupProject[1024];

void MainLoop(void *mstrip, MsgPort *SPort)
{
    DebugPrint("-> MainLoop()\n");
    loop_mstrip = mstrip;
    loop_port = SPort;
    LoopState *ls = &Loop;
    std::memset(ls, 0, sizeof(*ls));
    ls->aktpage = 1;
    ls->aktmode = GID_CURSOR;
    ls->saved = 1;
    PDaten.pageformat = 2;
    PDaten.width = ScreenWidth;
    PDaten.height = ScreenHeight;
    CreateEmptyPage(2);
    Close(ls, true);
    ResetPagimoScreen(GID_CURSOR);
    ShowUndoItems(mstrip);
    if (StartupProject[0])
        OpenCommand(ls, StartupProject);
    for (;;) {
        if (!WaitforMsg())
            return;
        uint32_t msg;
        while ((msg = GetMessages(&ls->code, &ls->winnr)) != 0) {
            DebugPrint("-> Message %08x code %u window %u\n", msg, ls->code, ls->winnr);
            if (!HandleMessage(ls, msg))
                return;
        }
    }
}
