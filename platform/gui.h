/*
 * gui.h - the window system as the program sees it: windows built from
 * nested groups of gadgets addressed by gadget id, one message queue per
 * window, menus, requesters and the screen size. Qt stays behind this
 * header; the program's logic sees only plain ids, numbers and 8-bit texts.
 *
 * Setting a gadget's value from code never raises a message; only the user's
 * input does. Texts cross this boundary in the program's 8-bit character
 * set (charset.h).
 */
#ifndef PAGIMO_PLATFORM_GUI_H
#define PAGIMO_PLATFORM_GUI_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum { PLATFORM_WINDOWS = 5, PLATFORM_GADGETS = 92 };

/* Message classes: the upper 16 bits of a message word. */
enum {
    WMHI_CLOSEWINDOW = 1,
    WMHI_GADGETUP = 2,
    WMHI_MENUPICK = 6,
    WMHI_RAWKEY = 11,
    WMHI_MOUSEMOVE = 15,
    WMHI_MOUSEBUTTONS = 16,
};
enum { RAWKEY_DELETE = 0x46, SELECTDOWN = 0x68, SELECTUP = 0xE8 };
/* The arrow keys; the code of an arrow with Shift held has RAWKEY_SHIFTED
 * added. */
enum { RAWKEY_UP = 0x4C, RAWKEY_DOWN = 0x4D, RAWKEY_RIGHT = 0x4E, RAWKEY_LEFT = 0x4F, RAWKEY_SHIFTED = 0x100 };
enum { QUAL_SHIFT = 1 }; /* qualifier bits: keys held when a message was sent */
enum { LBRE_NORMAL = 1, LBRE_EDIT = 8 }; /* list browser events */

struct GuiMessage {
    uint32_t cls;
    uint16_t value; /* gadget id or menu id */
    uint16_t code;
    int32_t mx, my; /* pointer in window coordinates when it was sent */
    uint16_t qual;  /* QUAL_ bits */
};

/* ------------------------------------------------------------ application */

extern bool PlatformTrace; /* print the platform's traces to standard output */

/* A window start hands the process over to the program that has the
 * window, where the job's program has none (nowindow.cpp); returns where
 * this program has it. */
void PlatformRunWindowProgram(char **argv);
bool PlatformGuiInit(int argc, char **argv);
int PlatformApplicationsMade(void); /* how often this process started the window system */
bool PlatformApplicationExists(void);
bool PlatformRecentEnough(void); /* the Qt running is as new as the Qt built with */
void PlatformGuiExit(void);
void PlatformWatchInstance(void);
void PlatformUnwatchInstance(void);
enum { GADGET_OPEN = 29, OPEN_HANDED_OVER = 0xFFFF }; /* the Open command, for a handed-over project */
bool PlatformTakeHandedProject(char *path, size_t size);
void PlatformScreenSize(uint32_t *width, uint32_t *height);
void PlatformSetPalette(const uint8_t rgb[16][3]);
bool PlatformWaitEvents(void);
bool PlatformTakeBreak(void);
void PlatformRaiseBreak(void);
void PlatformProcessEvents(void);
void PlatformDelay(uint32_t ticks);

/* ------------------------------------------------------------ messages */

void PlatformPostMessage(int win, uint32_t cls, uint16_t value, uint16_t code, int32_t mx, int32_t my,
                         uint16_t qual = 0);
bool PlatformTakeMessage(int win, GuiMessage *msg);
bool PlatformMessagePending(void);
void PlatformMousePos(int win, int32_t *x, int32_t *y);
uint16_t PlatformMessageQualifier(int win); /* of the message last taken */
void PlatformSetIdleHook(void (*hook)(void));

/* ------------------------------------------------------------ windows */

bool PlatformWindowCreate(int win, const char *title, int width, int height, bool main);
bool PlatformWindowOpen(int win);
/* The window's size, and the least size its laid-out contents need;
 * false (and zeros) when the window is not open. */
bool PlatformWindowSize(int win, int *width, int *height);
bool PlatformWindowLeastSize(int win, int *width, int *height);
void PlatformWindowDestroy(int win);
bool PlatformWindowExists(int win);
void PlatformWindowSetTitle(int win, const char *title);
void PlatformWindowSetBusy(int win, bool busy);
bool PlatformWindowBusy(int win);
void PlatformWindowToFront(int win);
void PlatformWindowRefreshFrame(int win);
void PlatformDumpGadgets(int win);

/* Building a window's content: groups nest; gadgets go into the innermost
 * open group. Labels of groups draw a frame with that title. */
void GBeginGroup(bool vertical, const char *label, int weight);
void GEndGroup(void);
void GGroupWidth(int width);
void GGroupHeight(int height);
/* The main window's menu bar has this height; without a menu bar the
 * window keeps the same room free, so its contents never move. */
void GMenuBarHeight(int height);
void GAddButton(int id, const char *text, const char *hint, const char *image);
void GAddChooser(int id, const char *const *labels, int count, int selected, const char *hint);
void GAddInteger(int id, int32_t min, int32_t max, int32_t value, const char *hint);
void GAddString(int id, int maxchars, const char *text, const char *hint, bool readonly);
void GAddCheckBox(int id, const char *text, bool checked, const char *hint);
void GAddRadio(int id, const char *const *labels, int count, int selected, const char *hint);
void GAddListBrowser(int id, const char *const *columns, int ncols, bool tree, const char *hint);
void GAddClickTab(int id, const char *hint);
/* The page view, standing for the box (left, top, width, height) of
 * window coordinates, and the chooser of its zoom. */
void GAddPageArea(int left = 0, int top = 0, int width = 0, int height = 0);
void GAddZoomChooser(const char *fitpage, const char *fitwidth, const char *hint);
/* The innermost group scrolls up and down when the window is too low. */
void GGroupScrolls(void);
void GAddGauge(int id);
void GAddTextEditor(int id);
void GAddImage(const char *file, int maxwidth);
void GAddLabel(const char *text, bool bold);
void GAddField(const char *label); /* a caption for the next gadget */
void GAddSpace(void);

/* ------------------------------------------------------------ gadgets */

bool GadgetExists(int id);
void GadgetSetDisabled(int id, bool disabled);
void GadgetSetSecret(int id); /* a string gadget that hides what is typed */
bool GadgetDisabled(int id);
void GadgetSetText(int id, const char *text);
void GadgetGetText(int id, char *buf, size_t size);
void GadgetSetUtf8Text(int id, const std::string &text);
std::string GadgetUtf8Text(int id);
void GadgetSetHint(int id, const char *hint);
std::string GadgetHint(int id);
void GadgetSetNumber(int id, int32_t value);
int32_t GadgetNumber(int id);
void GadgetSetMax(int id, int32_t max);
void GadgetSetLabels(int id, const char *const *labels, int count);
int GadgetLabelCount(int id);
std::string GadgetLabel(int id, int index);
int GadgetListEvent(int id);

/* List browsers: rows of columns; a tree row has a depth. */
struct ListRow {
    std::vector<std::string> cells;
    int depth;
    uint32_t editable; /* bit c: column c can be edited */
};
void GadgetSetRows(int id, const std::vector<ListRow> &rows);
int GadgetRowCount(int id);
bool GadgetEditCell(int id, int row, int column, const char *text);
bool GadgetClickRow(int id, int row);
std::string GadgetCell(int id, int row, int column);

/* Tabs of a click-tab gadget. */
void TabsSet(int id, const std::vector<std::string> &labels, int current);
int TabsCurrent(int id);
int TabsCount(int id);
std::string TabsLabel(int id, int index);

/* The page area: its box in window coordinates. */
void PageAreaBox(int16_t *left, int16_t *top, int16_t *width, int16_t *height);

/* The page view shows the page area at a zoom of its own, which belongs to
 * the window: window coordinates (pixels at 100 %) stay what the program
 * sees, and the zoom only maps them to the screen. The page's rectangle
 * in window coordinates tells the view what to centre and fit. */
enum { ZOOM_FIT_PAGE = -1, ZOOM_FIT_WIDTH = -2, ZOOM_IN = -3, ZOOM_OUT = -4, ZOOM_LEAST = 25, ZOOM_MOST = 800 };
void PlatformShowPage(int32_t left, int32_t top, int32_t right, int32_t bottom);
void PlatformSetZoom(int how); /* a percentage or ZOOM_ */
double PlatformZoom(void);     /* screen pixels per window pixel; 1 without a view */

/* ------------------------------------------------------------ menus */

struct MenuDef {
    int level;         /* 0 menu, 1 item, 2 item of a sub-menu */
    std::string label; /* "key|text" gives the item a shortcut */
    int id;            /* menu id; -1 for a separator */
    const char *image; /* image name or null */
};
void *PlatformMenuCreate(const std::vector<MenuDef> &defs, bool localimages);
void PlatformMenuDispose(void *strip);
void PlatformMenuAttach(int win, void *strip, bool attach);
int PlatformMenuNextSelection(void *strip, int previous);
std::string PlatformMenuImageFile(void *strip, int id);
std::string PlatformMenuShortcut(void *strip, int id);
bool PlatformMenuPick(void *strip, int id);
void PlatformMenuSetItem(void *strip, int id, const char *label, bool enabled);
std::string PlatformMenuItemText(void *strip, int id);
bool PlatformMenuItemEnabled(void *strip, int id);

/* ------------------------------------------------------------ requesters */

int PlatformEasyRequest(int win, const char *title, const char *text, const char *buttons);
bool PlatformFileRequest(int win, const char *title, const char *drawer, const char *file,
                         const char *pattern, bool save, std::string &path);
void RequesterScriptAdd(const char *answer);
void RequesterScriptClear(void);
void RequesterSetPrint(bool print); /* runs without windows print requesters on standard error */
extern std::vector<std::string> RequesterLog; /* "title|text|buttons" of each requester */

#endif
