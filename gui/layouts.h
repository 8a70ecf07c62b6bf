/*
 * layouts.h - the gadget ids of the program's windows and the building of
 * each window's contents.
 *
 * The ids of the tool buttons (18 to 27) are also the tool modes and the
 * element type codes.
 */
#ifndef PAGIMO_GUI_LAYOUTS_H
#define PAGIMO_GUI_LAYOUTS_H

#include <cstdint>

enum {
    GID_MAIN = 17, GID_CURSOR, GID_LINE, GID_TEXTE, GID_PICTURES, GID_TEXTBOX, GID_DATEBOX,
    GID_TIMEBOX, GID_RECT, GID_PAGENO, GID_LINKS, GID_NEW, GID_OPEN, GID_CLOSE, GID_SAVE,
    GID_SAVEAS, GID_PDF, GID_ABOUT, GID_QUIT, GID_TAB_ADD, GID_TAB_REMOVE, GID_PAGE_FORMAT,
    GID_PAGE_SECTION, GID_PIXEL_POS_X, GID_PIXEL_POS_Y, GID_POS_X, GID_POS_Y, GID_PDIFF_X,
    GID_PDIFF_Y, GID_MDIFF_X, GID_MDIFF_Y, GID_FONTS, GID_STYLE, GID_FONTSIZE, GID_TEXTCONT,
    GID_HEADLINE_LEVEL, GID_PICTUREADD, GID_PICTUREPATH, GID_JUSTIFICATION, GID_TEXTADD,
    GID_TEXTEDT, GID_TEXTPATH, GID_DELETE, GID_COPY, GID_CUT, GID_PASTE, GID_MOVE, GID_PREFS,
    GID_STATUS, GID_PROJ_PAGES, GID_ABOUT_LOGO, GID_ABOUT_OK, GID_CORRECTOR, GID_TEXTEDITOR,
    GID_SAVETEXT, GID_QUITEDITOR, GID_GAUGE, GID_OBJLIST, GID_HLLIST, GID_PDF_TITLE,
    GID_PDF_AUTHOR, GID_PDF_OPASSWORD, GID_PDF_UPASSWORD, GID_PDF_COMPRESSION, GID_AREXX_SEL,
    GID_DEL_FILES, GID_FILES_GC, GID_DEL_MLINKS, GID_PREFS_OKAY, GID_RBLINKS, GID_LINKPAGE,
    GID_LINKWEB, GID_UNDO, GID_REDO, GID_HYPHENATE, GID_LAST,
};
static_assert(GID_LINKS == 27 && GID_MOVE == 63 && GID_LINKWEB == 88 && GID_LAST == 92, "ids");

/* A page object of the page tabs. */
struct PageObj {
    uint32_t serial;
};

extern PageObj *PDArea;
extern const char *ciobjectlist[5];
extern const char *fontlabels[81]; /* the font chooser's names, null-terminated */

bool DefineWindow(int winID, void *pointer, void *mport, int number, int count, const char *text);
PageObj *ProjectPage(void);
void FreeProjectPage(PageObj *page);

#endif
