/*
 * menus.cpp - the menu tree with its ids, shortcuts and images, and the
 * table of toolbar image names by image slot.
 *
 * Menu images come from "tbimages:" or, with local images, from the
 * program's "Images/" folder; toolbar images always from "tbimages:". The
 * About logo is always the program's own "Images/Pagimo.png" (PNG).
 */
#include "gui/menus.h"

#include <vector>

#include "core/settings.h"
#include "gui/localisation.h"
#include "platform/gui.h"

const char AboutLogoFile[] = "PROGDIR:Images/Pagimo.png";

/* The image name of each slot; the "_U" slot of a pair names the files N
 * and N_g, the "_S" slot N_s. */
const char *const graphics[GOBJ_LAST] = {
    nullptr, nullptr, nullptr,
    "open", "open", "close", "close", "save", "save", "saveas", "saveas", "pdf", "pdf",
    "tabadd", "tabadd", "tabremove", "tabremove", "list_pointer", "list_pointer",
    "line", "line", "text", "text", "picture", "picture", "textframesimple", "textframesimple",
    "date", "date", "time", "time", "rectangle", "rectangle", "page", "page", "link", "link",
    "pictureadd", "pictureadd", "filedocument", "filedocument", "editor", "editor",
    "delete", "delete", "copy", "copy", "cut", "cut", "paste", "paste", "movefile", "movefile",
    nullptr, "ok", "ok", "spellchecker", "spellchecker", "exporttext", "exporttext",
    "quit", "quit", "undo", "undo", "redo", "redo",
};

static MenuDef Item(int level, int msg, int id, const char *image)
{
    return MenuDef{level, GetString(&localeinfo, msg), id, image};
}

static MenuDef Separator(void)
{
    return MenuDef{1, "", -1, nullptr};
}

void *InitMenu(bool locimages)
{
    DebugPrint("-> InitMenu(%d)\n", locimages);
    std::vector<MenuDef> defs = {
        Item(0, 0, MENU_PROJECT, nullptr),
        Item(1, 2, MENU_OPEN, "open"),
        Item(1, 3, MENU_CLOSE, "close"),
        Separator(),
        Item(1, 4, MENU_SAVE, "save"),
        Item(1, 5, MENU_SAVEAS, "saveas"),
        Separator(),
        Item(1, 8, MENU_PDF, "pdf"),
        Item(1, MSG_MERGE_MENU, MENU_MERGE, "pdf"),
        Item(1, 9, MENU_ABOUT, "info"),
        Separator(),
        Item(1, 10, MENU_QUIT, "quit"),
        Item(0, 11, -2, nullptr),
        Item(1, MSG_UNDO, MENU_UNDO, "undo"),
        Item(1, MSG_REDO, MENU_REDO, "redo"),
        Separator(),
        Item(1, 12, MENU_PAGE, nullptr),
        Item(2, 13, MENU_PAGE_INSERT, "tabadd"),
        Item(2, 14, MENU_PAGE_REMOVE, "tabremove"),
        Item(1, 15, MENU_CUT, "cut"),
        Item(1, 16, MENU_COPY, "copy"),
        Item(1, 17, MENU_PASTE, "paste"),
        Item(1, 18, MENU_DELETE, "delete"),
        Item(1, 19, MENU_MOVE, "movefile"),
        Item(1, MSG_SELECT_ALL, MENU_SELECT_ALL, nullptr),
        Item(0, MSG_VIEW_MENU, -4, nullptr),
        Item(1, MSG_FIT_PAGE, MENU_FIT_PAGE, nullptr),
        Item(1, MSG_FIT_WIDTH, MENU_FIT_WIDTH, nullptr),
        Item(1, MSG_ZOOM_100, MENU_ZOOM_100, nullptr),
        Item(1, MSG_ZOOM_200, MENU_ZOOM_200, nullptr),
        Item(1, MSG_ZOOM_IN, MENU_ZOOM_IN, nullptr),
        Item(1, MSG_ZOOM_OUT, MENU_ZOOM_OUT, nullptr),
        Item(0, 20, -3, nullptr),
        Item(1, 21, MENU_PREFS, "prefs"),
    };
    return PlatformMenuCreate(defs, locimages);
}

void DisposeMenu(void *mstrip)
{
    PlatformMenuDispose(mstrip);
}
