/*
 * windows.h - the program's windows, its screen and its messages: the
 * window table, opening and closing windows, waiting for and fetching
 * input, requesters, the page tabs and the property gadgets that follow the
 * selected element kind.
 */
#ifndef PAGIMO_GUI_WINDOWS_H
#define PAGIMO_GUI_WINDOWS_H

#include <cstdint>
#include <string>

#include "gui/layouts.h"
#include "platform/execlist.h"

enum { WIN_PROJECT, WIN_ABOUT, WIN_EDITOR, WIN_PROGRESS, WIN_PREFERENCE, WIN_LAST };
enum { CLICKTAB_LISTS = 99 };

/* The port windows report to; all share the program's one port. */
struct MsgPort {
    int windows;
};

/* A page tab: its label and the page object it shows. */
struct TabNode {
    Node node;           /* ln_Name points at label */
    PageObj *page;
    char label[256];
};

extern void *winobjs[WIN_LAST];
extern void *win[WIN_LAST];
extern MsgPort *winmsgport[WIN_LAST];
extern List ClickTabLists[CLICKTAB_LISTS];
extern uint32_t ScreenWidth, ScreenHeight;
extern const uint8_t defCColors[16][3];
extern void *MenuStrip;

bool InitGui(MsgPort **SPort);
void FreeGui(MsgPort *SPort);
bool GUIOpenScreen(void);
void GUICloseScreen(void);
bool GUIOpenWindow(int winID, void *pointer, MsgPort *SPort, bool msgport, int ntab);
bool GUICloseWindow(int winID, bool msgport);
void GUISetWinAktivPassiv(int winID, bool passiv, void *mstrip);
bool WaitforMsg(void);
uint32_t GetMessages(uint16_t *code, uint32_t *index);
int GuiEasyDialog(int win, const char *title, const char *text, const char *gadgets);
std::string CatalogMessage(int32_t msg, const char *what);
void GuiHint(int win, int32_t msg, const char *what);
/* A file that could not be read or written: a full disk says so, another
 * reason of the system is named. */
std::string FileFaultMessage(const char *file, int err);
void GuiFileFault(int win, const char *file, int err);
TabNode *GUIAddClickTab(List *clicktablist, int clicktab, const char *label, PageObj *page, int win);
bool GUIRemoveClickTab(List *clicktablist, int clicktab, int win, bool rename, uint32_t *atab);
void GUIShowClickTabs(List *clicktablist, int clicktab, int current);
void GUIRemoveAllClickTabs(List *clicktablist, int clicktab);
void SetGUIElements(uint32_t typ, bool on, bool change);

#endif
