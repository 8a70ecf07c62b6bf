/*
 * layouts.cpp - the contents of the program's five windows: groups and
 * gadgets with their ids, labels, hints, images and first values, built in
 * the order listed here. Texts come from the catalog.
 *
 * Relies on the label arrays of localisation.h and the image names of
 * menus.h; the platform lays the groups out.
 */
#include "gui/layouts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/settings.h"
#include "gui/localisation.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "text/hyphenate.h"
#include "view/geometry.h"

static_assert(int(GID_LAST) <= int(PLATFORM_GADGETS), "the platform keeps a state for every gadget");

PageObj *PDArea;
const char *ciobjectlist[5];
const char *fontlabels[81];

static uint32_t page_serial;

static const char *S(int msg)
{
    return GetString(&localeinfo, msg);
}

/* ------------------------------------------------------------ page objects */

PageObj *ProjectPage(void)
{
    PageObj *p = static_cast<PageObj *>(AllocPooled(APMemPool, sizeof(PageObj)));
    if (!p)
        return nullptr;
    p->serial = ++page_serial;
    if (!PDArea)
        PDArea = p;
    return p;
}

void FreeProjectPage(PageObj *page)
{
    if (page && page != PDArea)
        FreePooled(APMemPool, page, sizeof(PageObj));
}

/* ------------------------------------------------------------ project window */

static void ImageButton(int id, int hint, int gobj)
{
    GAddButton(id, nullptr, S(hint), graphics[gobj]);
}

static int CountLabels(const char *const *labels)
{
    int n = 0;
    while (labels[n])
        n++;
    return n;
}

/* A menu item's text without its shortcut. */
static const char *MenuText(int msg)
{
    const char *text = S(msg), *bar = std::strchr(text, '|');
    return bar ? bar + 1 : text;
}

static void FileRow(void)
{
    GBeginGroup(false, nullptr, 0);
    GGroupHeight(FILE_ROW_HEIGHT);
    ImageButton(GID_OPEN, 35, GOBJ_OPEN_U);
    ImageButton(GID_CLOSE, 36, GOBJ_CLOSE_U);
    ImageButton(GID_SAVE, 37, GOBJ_SAVE_U);
    ImageButton(GID_SAVEAS, 38, GOBJ_SAVEAS_U);
    ImageButton(GID_PDF, 39, GOBJ_PDF_U);
    ImageButton(GID_TAB_ADD, 40, GOBJ_TAB_ADD_U);
    ImageButton(GID_TAB_REMOVE, 41, GOBJ_TAB_REM_U);
    ImageButton(GID_UNDO, MSG_UNDO_HINT, GOBJ_UNDO_U);
    ImageButton(GID_REDO, MSG_REDO_HINT, GOBJ_REDO_U);
    GAddChooser(GID_PAGE_FORMAT, page_chooser, CountLabels(page_chooser), 2, S(42));
    GAddChooser(GID_PAGE_SECTION, page_section, CountLabels(page_section), 0, S(43));
    GAddZoomChooser(MenuText(MSG_FIT_PAGE), MenuText(MSG_FIT_WIDTH), S(MSG_ZOOM_HINT));
    GAddSpace();
    GEndGroup();
}

static void CoordinatesGroup(void)
{
    static const struct { int x, y, hint; const char *text; } rows[] = {
        {GID_PIXEL_POS_X, GID_PIXEL_POS_Y, 45, "0"},
        {GID_POS_X, GID_POS_Y, 46, "0mm"},
        {GID_PDIFF_X, GID_PDIFF_Y, 47, "0"},
        {GID_MDIFF_X, GID_MDIFF_Y, 48, "0mm"},
    };
    GBeginGroup(true, S(44), 0);
    for (const auto &r : rows) {
        GBeginGroup(false, nullptr, 0);
        GAddString(r.x, 12, r.text, S(r.hint), true);
        GAddString(r.y, 12, r.text, S(r.hint), true);
        GEndGroup();
    }
    GEndGroup();
}

static void ToolsGroup(void)
{
    static const int tools[10][3] = {
        {GID_CURSOR, 50, GOBJ_CURSOR_U},   {GID_LINE, 51, GOBJ_LINE_U},
        {GID_TEXTE, 52, GOBJ_TEXT_U},      {GID_PICTURES, 98, GOBJ_PICTURE_U},
        {GID_TEXTBOX, 102, GOBJ_TEXTBOX_U}, {GID_DATEBOX, 118, GOBJ_DATEBOX_U},
        {GID_TIMEBOX, 119, GOBJ_TIMEBOX_U}, {GID_RECT, 103, GOBJ_RECT_U},
        {GID_PAGENO, 120, GOBJ_PAGENO_U},  {GID_LINKS, 172, GOBJ_LINKS_U},
    };
    GBeginGroup(true, S(49), 0);
    for (int row = 0; row < 2; row++) {
        GBeginGroup(false, nullptr, 0);
        for (int i = row * 5; i < row * 5 + 5; i++)
            ImageButton(tools[i][0], tools[i][1], tools[i][2]);
        GEndGroup();
    }
    GEndGroup();
}

static void LinksGroup(void)
{
    GBeginGroup(true, S(169), 0);
    GAddRadio(GID_RBLINKS, rblinks, 2, 0, nullptr);
    GAddString(GID_LINKWEB, 80, "", S(174), false);
    GAddInteger(GID_LINKPAGE, 1, 1, 1, S(173));
    GEndGroup();
    for (int id : {GID_RBLINKS, GID_LINKWEB, GID_LINKPAGE})
        GadgetSetDisabled(id, true);
}

static void TextboxGroup(void)
{
    GBeginGroup(true, S(104), 0);
    GBeginGroup(false, nullptr, 0);
    ImageButton(GID_TEXTADD, 105, GOBJ_TEXTADD_U);
    ImageButton(GID_TEXTEDT, 106, GOBJ_TEXTEDT_U);
    GAddChooser(GID_JUSTIFICATION, justification_chooser, 4, 0, S(108));
    GEndGroup();
    GAddString(GID_TEXTPATH, 255, "", S(107), true);
    GEndGroup();
    for (int id : {GID_TEXTADD, GID_TEXTEDT, GID_JUSTIFICATION, GID_TEXTPATH})
        GadgetSetDisabled(id, true);
}

/* The font a new text starts with: a plain, legible face when one is
 * installed, rather than whatever comes first in the alphabet (a hairline
 * "ExtraLight" would lose the dots of umlauts on the screen). */
static int PreferredFont(void)
{
    for (const char *want : {"DejaVu Sans", "Liberation Sans", "DejaVu Serif"})
        for (int i = 0; fontlabels[i]; i++)
            if (!std::strcmp(fontlabels[i], want))
                return i;
    return 0;
}

static void TextGroup(void)
{
    GBeginGroup(true, S(56), 0);
    GAddChooser(GID_FONTS, fontlabels, CountLabels(fontlabels), PreferredFont(), S(57));
    GBeginGroup(false, nullptr, 0);
    GAddChooser(GID_STYLE, style_chooser, 4, 0, S(53));
    GAddInteger(GID_FONTSIZE, 8, 144, 12, S(58));
    GEndGroup();
    GAddString(GID_TEXTCONT, 80, "", S(59), false);
    GAddChooser(GID_HEADLINE_LEVEL, level_chooser, 2, 0, S(109));
    GEndGroup();
    for (int id : {GID_FONTS, GID_STYLE, GID_FONTSIZE, GID_TEXTCONT, GID_HEADLINE_LEVEL})
        GadgetSetDisabled(id, true);
}

static void PictureGroup(void)
{
    GBeginGroup(false, S(99), 0);
    ImageButton(GID_PICTUREADD, 100, GOBJ_PICTUREADD_U);
    GAddString(GID_PICTUREPATH, 255, "", S(101), true);
    GEndGroup();
    GadgetSetDisabled(GID_PICTUREADD, true);
    GadgetSetDisabled(GID_PICTUREPATH, true);
}

static void FunctionGroup(void)
{
    GBeginGroup(false, S(60), 0);
    ImageButton(GID_DELETE, 61, GOBJ_DELETE_U);
    ImageButton(GID_COPY, 62, GOBJ_COPY_U);
    ImageButton(GID_CUT, 63, GOBJ_CUT_U);
    ImageButton(GID_PASTE, 64, GOBJ_PASTE_U);
    ImageButton(GID_MOVE, 138, GOBJ_MOVE_U);
    GAddSpace();
    GEndGroup();
}

static void LeftColumn(void)
{
    GBeginGroup(true, nullptr, 0);
    GGroupWidth(LEFT_COLUMN_WIDTH);
    GGroupScrolls();
    CoordinatesGroup();
    ToolsGroup();
    LinksGroup();
    TextboxGroup();
    TextGroup();
    PictureGroup();
    FunctionGroup();
    GBeginGroup(true, S(134), 0);
    GAddChooser(GID_AREXX_SEL, arexx_chooser, CountLabels(arexx_chooser), 0, S(135));
    GEndGroup();
    GBeginGroup(true, S(54), 0);
    GAddString(GID_STATUS, 80, S(65), S(55), true);
    GEndGroup();
    GAddSpace();
    GEndGroup();
}

/* The page area stands for the box the page box gives it on this screen,
 * so the page lies where the PDF job, which has no window, puts it; on
 * the screen it takes the room left and scrolls. */
static void PageColumn(void)
{
    PageBox box;
    PageBoxFor(ScreenWidth, ScreenHeight, 2, &box);
    GBeginGroup(true, nullptr, 1);
    GBeginGroup(false, nullptr, 0);
    GGroupHeight(PAGE_TABS_HEIGHT);
    GAddClickTab(GID_PROJ_PAGES, nullptr);
    GEndGroup();
    GAddPageArea(box.left, box.top, box.width, box.height);
    GEndGroup();
}

static void AdvancedColumn(void)
{
    GBeginGroup(true, S(122), 0);
    GGroupWidth(RIGHT_COLUMN_WIDTH);
    GGroupScrolls();
    GAddListBrowser(GID_OBJLIST, ciobjectlist, 5, false, S(133));
    GAddLabel(S(157), true);
    GAddListBrowser(GID_HLLIST, nullptr, 0, true, S(156));
    GBeginGroup(true, S(140), 0);
    GAddField(S(141));
    GAddString(GID_PDF_TITLE, 45, "", S(145), false);
    GAddField(S(142));
    GAddString(GID_PDF_AUTHOR, 45, "", S(146), false);
    GAddField(S(143));
    GAddString(GID_PDF_OPASSWORD, 24, "", S(147), false);
    GAddField(S(144));
    GAddString(GID_PDF_UPASSWORD, 24, "", S(147), false);
    GAddChooser(GID_PDF_COMPRESSION, compression_chooser, 5, 0, S(148));
    GadgetSetSecret(GID_PDF_OPASSWORD);
    GadgetSetSecret(GID_PDF_UPASSWORD);
    GEndGroup();
    GEndGroup();
}

static bool ProjectWindow(void *mstrip)
{
    const int top = SCREEN_TITLE;
    ciobjectlist[0] = S(123);
    ciobjectlist[1] = "X1";
    ciobjectlist[2] = "Y1";
    ciobjectlist[3] = "X2";
    ciobjectlist[4] = "Y2";
    if (!PlatformWindowCreate(WIN_PROJECT, S(28), int(ScreenWidth), int(ScreenHeight) - top, true))
        return false;
    PlatformMenuAttach(WIN_PROJECT, mstrip, true);
    GMenuBarHeight(MENU_BAR_HEIGHT);
    FileRow();
    GBeginGroup(false, nullptr, 1);
    LeftColumn();
    PageColumn();
    AdvancedColumn();
    GEndGroup();
    return true;
}

/* ------------------------------------------------------------ other windows */

static bool AboutWindow(void)
{
    const char *title = std::strchr(S(9), '|');
    if (!PlatformWindowCreate(WIN_ABOUT, title ? title + 1 : S(9), 200, 10, false))
        return false;
    char name[64];
    std::snprintf(name, sizeof(name), "Pagimo %s (%s)", VNumber, VDate);
    GAddImage(AboutLogoFile, 128);
    GAddLabel(name, true);
    GAddLabel(Version, false);
    GAddLabel(S(26), false);
    GAddLabel(S(22), true);
    GAddLabel("The Pagimo users", false);
    GAddLabel(S(23), true);
    GAddLabel("Qt, libharu, libzip, Hunspell, Regina REXX", false);
    GAddLabel(S(25), true);
    GAddLabel("The Pagimo team", false);
    GBeginGroup(false, nullptr, 0);
    GAddSpace();
    GAddButton(GID_ABOUT_OK, nullptr, nullptr, graphics[GOBJ_OK_U]);
    GAddSpace();
    GEndGroup();
    return true;
}

static bool EditorWindow(void)
{
    if (!PlatformWindowCreate(WIN_EDITOR, S(114), 600, 400, false))
        return false;
    GAddTextEditor(GID_TEXTEDITOR);
    GBeginGroup(false, nullptr, 0);
    ImageButton(GID_CORRECTOR, 117, GOBJ_EDITCORRECTOR_U);
    ImageButton(GID_SAVETEXT, 115, GOBJ_EDITSAVE_U);
    ImageButton(GID_QUITEDITOR, 116, GOBJ_EDITQUIT_U);
    GAddSpace();
    GEndGroup();
    GadgetSetDisabled(GID_CORRECTOR, true);
    return true;
}

static bool ProgressWindow(void)
{
    if (!PlatformWindowCreate(WIN_PROGRESS, S(121), 250, 50, false))
        return false;
    GAddGauge(GID_GAUGE);
    return true;
}

static bool PreferencesWindow(void)
{
    if (!PlatformWindowCreate(WIN_PREFERENCE, S(168), 250, 50, false))
        return false;
    GBeginGroup(true, S(164), 0);
    GAddCheckBox(GID_DEL_FILES, S(165), false, nullptr);
    GAddButton(GID_FILES_GC, S(166), S(167), nullptr);
    GEndGroup();
    GBeginGroup(true, S(175), 0);
    GAddCheckBox(GID_DEL_MLINKS, S(176), false, nullptr);
    GEndGroup();
    GBeginGroup(true, S(127), 0);
    GAddCheckBox(GID_HYPHENATE, S(MSG_HYPHENATE), false, HyphenationHint().c_str());
    GEndGroup();
    GBeginGroup(false, nullptr, 0);
    GAddSpace();
    GAddButton(GID_PREFS_OKAY, nullptr, nullptr, graphics[GOBJ_OK_U]);
    GEndGroup();
    return true;
}

bool DefineWindow(int winID, void *pointer, void *mport, int number, int count, const char *text)
{
    (void)mport;
    (void)number;
    (void)count;
    (void)text;
    bool made = false;
    switch (winID) {
    case WIN_PROJECT: made = ProjectWindow(pointer); break;
    case WIN_ABOUT: made = AboutWindow(); break;
    case WIN_EDITOR: made = EditorWindow(); break;
    case WIN_PROGRESS: made = ProgressWindow(); break;
    case WIN_PREFERENCE: made = PreferencesWindow(); break;
    default: return false;
    }
    winobjs[winID] = made ? &winobjs[winID] : nullptr;
    return made;
}
