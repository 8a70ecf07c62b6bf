/*
 * windows.cpp - the window table, the screen, messages, requesters, page
 * tabs and the enabling of property gadgets.
 *
 * Relies on platform/gui.h for the windows themselves. The page tabs are
 * kept as a list of TabNodes; the tab gadget shows that list, so the list
 * is the truth and the gadget is refreshed from it after every change.
 */
#include "gui/windows.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "gui/localisation.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/instance.h"
#include "platform/mempool.h"
#include "platform/strutil.h"

void *winobjs[WIN_LAST];
void *win[WIN_LAST];
MsgPort *winmsgport[WIN_LAST];
List ClickTabLists[CLICKTAB_LISTS];
uint32_t ScreenWidth, ScreenHeight;
void *MenuStrip;

const uint8_t defCColors[16][3] = {
    {207, 207, 207}, {0, 0, 0},       {255, 255, 255}, {74, 138, 189},
    {255, 28, 28},   {214, 215, 214}, {189, 188, 188}, {170, 170, 170},
    {142, 142, 142}, {110, 111, 111}, {60, 60, 60},    {97, 142, 206},
    {63, 105, 180},  {66, 65, 90},    {25, 35, 77},    {48, 48, 136},
};

/* ------------------------------------------------------------ start and screen */

bool InitGui(MsgPort **SPort)
{
    DebugPrint("-> InitGui()\n");
    std::memset(winobjs, 0, sizeof(winobjs));
    std::memset(win, 0, sizeof(win));
    std::memset(winmsgport, 0, sizeof(winmsgport));
    *SPort = static_cast<MsgPort *>(AllocPooled(APMemPool, sizeof(MsgPort)));
    if (!*SPort)
        return false;
    for (List &l : ClickTabLists)
        NewList(&l);
    PlatformTrace = Debug != 0;
    return PlatformGuiInit(0, nullptr);
}

void FreeGui(MsgPort *SPort)
{
    PDArea = nullptr;
    FreePooled(APMemPool, SPort, sizeof(MsgPort));
}

/* The program's screen is its main window on the desktop; its size is the
 * screen's. The instance socket was bound at start; from now on this
 * instance answers other starts. */
bool GUIOpenScreen(void)
{
    DebugPrint("-> GUIOpenScreen()\n");
    PlatformScreenSize(&ScreenWidth, &ScreenHeight);
    PlatformSetPalette(defCColors);
    if (InstanceFd() >= 0)
        PlatformWatchInstance();
    DebugPrint("   screen %ux%u\n", ScreenWidth, ScreenHeight);
    return true;
}

void GUICloseScreen(void)
{
    DebugPrint("-> GUICloseScreen()\n");
    PlatformUnwatchInstance();
    InstanceRelease();
}

/* ------------------------------------------------------------ windows */

bool GUIOpenWindow(int winID, void *pointer, MsgPort *SPort, bool msgport, int ntab)
{
    DebugPrint("-> GUIOpenWindow(%d)\n", winID);
    if (winID < 0 || winID >= WIN_LAST || win[winID])
        return false;
    MsgPort *port = SPort;
    if (msgport && !(port = static_cast<MsgPort *>(AllocPooled(APMemPool, sizeof(MsgPort)))))
        return false;
    winmsgport[winID] = port;
    if (!DefineWindow(winID, pointer, port, ntab, 0, nullptr) || !PlatformWindowOpen(winID)) {
        GUICloseWindow(winID, msgport);
        return false;
    }
    win[winID] = winobjs[winID];
    PlatformDumpGadgets(winID);
    return true;
}

bool GUICloseWindow(int winID, bool msgport)
{
    DebugPrint("-> GUICloseWindow(%d)\n", winID);
    win[winID] = nullptr;
    PlatformWindowDestroy(winID);
    winobjs[winID] = nullptr;
    if (msgport && winmsgport[winID])
        FreePooled(APMemPool, winmsgport[winID], sizeof(MsgPort));
    winmsgport[winID] = nullptr;
    return true;
}

/* A passive window has no menus, shows the busy pointer and takes no
 * input; its messages wait in its queue. */
void GUISetWinAktivPassiv(int winID, bool passiv, void *mstrip)
{
    DebugPrint("-> GUISetWinAktivPassiv(%d, %d)\n", winID, passiv);
    PlatformMenuAttach(winID, mstrip, !passiv);
    PlatformWindowSetBusy(winID, passiv);
}

/* ------------------------------------------------------------ messages */

bool WaitforMsg(void)
{
    return PlatformWaitEvents();
}

/* Windows are asked in the order 0 to 4; the first with input wins. */
uint32_t GetMessages(uint16_t *code, uint32_t *index)
{
    GuiMessage m;
    for (int i = 0; i < WIN_LAST; i++) {
        if (!PlatformTakeMessage(i, &m))
            continue;
        *code = m.code;
        *index = uint32_t(i);
        return (m.cls << 16) | m.value;
    }
    *index = WIN_LAST - 1;
    return 0;
}

int GuiEasyDialog(int win, const char *title, const char *text, const char *gadgets)
{
    DebugPrint("-> GuiEasyDialog(%s, %s, %s)\n", title, text, gadgets);
    int answer = PlatformEasyRequest(win, title, text, gadgets);
    DebugPrint("   answer %d\n", answer);
    return answer;
}

/* A catalog message with its one "%s" filled in. */
std::string CatalogMessage(int32_t msg, const char *what)
{
    const char *form = GetString(&localeinfo, msg);
    std::vector<char> text(std::strlen(form) + std::strlen(what) + 1);
    std::snprintf(text.data(), text.size(), form, what);
    return text.data();
}

std::string FileFaultMessage(const char *file, int err)
{
    if (DiskFull(err))
        return CatalogMessage(MSG_DISK_FULL, file);
    if (!err)
        return CatalogMessage(MSG_FILE_FAILED, file);
    const char *form = GetString(&localeinfo, MSG_FILE_FAILED_WHY), *why = std::strerror(err);
    std::vector<char> text(std::strlen(form) + std::strlen(file) + std::strlen(why) + 1);
    std::snprintf(text.data(), text.size(), form, file, why);
    return text.data();
}

/* That message shown under "Hint" with the Okay button. */
void GuiHint(int win, int32_t msg, const char *what)
{
    GuiEasyDialog(win, GetString(&localeinfo, MSG_HINT), CatalogMessage(msg, what).c_str(),
                  GetString(&localeinfo, MSG_OKAY));
}

void GuiFileFault(int win, const char *file, int err)
{
    GuiEasyDialog(win, GetString(&localeinfo, MSG_HINT), FileFaultMessage(file, err).c_str(),
                  GetString(&localeinfo, MSG_OKAY));
}

/* ------------------------------------------------------------ page tabs */

static TabNode *TabAt(List *l, int index)
{
    return reinterpret_cast<TabNode *>(GetNthNode(l, uint32_t(index + 1)));
}

void GUIShowClickTabs(List *clicktablist, int clicktab, int current)
{
    std::vector<std::string> labels;
    for (Node *n = GetHead(clicktablist); n; n = GetSucc(n))
        labels.push_back(reinterpret_cast<TabNode *>(n)->label);
    TabsSet(clicktab, labels, current);
}

TabNode *GUIAddClickTab(List *clicktablist, int clicktab, const char *label, PageObj *page, int win)
{
    (void)win;
    if (!page)
        return nullptr;
    int current = TabsCurrent(clicktab);
    TabNode *t = static_cast<TabNode *>(AllocPooled(APMemPool, sizeof(TabNode)));
    if (!t)
        return nullptr;
    Strlcpy(t->label, label, sizeof(t->label));
    t->node.ln_Name = t->label;
    t->page = page;
    AddTail(clicktablist, &t->node);
    GUIShowClickTabs(clicktablist, clicktab, current < 0 ? 0 : current);
    return t;
}

static void FreeTab(TabNode *t)
{
    Remove(&t->node);
    if (t->page != PDArea)
        FreeProjectPage(t->page);
    FreePooled(APMemPool, t, sizeof(TabNode));
}

void GUIRemoveAllClickTabs(List *clicktablist, int clicktab)
{
    while (Node *n = GetHead(clicktablist))
        FreeTab(reinterpret_cast<TabNode *>(n));
    GUIShowClickTabs(clicktablist, clicktab, -1);
}

/* Removes the current tab. With `rename` the tabs behind it take over the
 * labels of the tabs before them, so the labels stay a gapless sequence. */
bool GUIRemoveClickTab(List *clicktablist, int clicktab, int win, bool rename, uint32_t *atab)
{
    (void)win;
    int count = int(ListLength(clicktablist));
    int current = TabsCurrent(clicktab);
    if (count <= 1) {
        (*atab)++;
        return false;
    }
    if (current < 0 || current >= count)
        current = count - 1;
    TabNode *gone = TabAt(clicktablist, current);
    char label[256];
    Strlcpy(label, gone->label, sizeof(label));
    FreeTab(gone);
    count--;
    if (rename) {
        for (int i = current; i < count; i++) {
            TabNode *t = TabAt(clicktablist, i);
            char mine[256];
            Strlcpy(mine, t->label, sizeof(mine));
            Strlcpy(t->label, label, sizeof(t->label));
            Strlcpy(label, mine, sizeof(label));
        }
    }
    if (current >= count)
        current = count - 1;
    GUIShowClickTabs(clicktablist, clicktab, current);
    *atab = uint32_t(current + 1);
    return true;
}

/* ------------------------------------------------------------ property gadgets */

static const int text_gadgets[] = {GID_FONTS, GID_STYLE, GID_FONTSIZE};
static const int all_properties[] = {
    GID_TEXTCONT, GID_HEADLINE_LEVEL, GID_FONTS, GID_STYLE, GID_FONTSIZE, GID_PICTUREADD,
    GID_PICTUREPATH, GID_TEXTADD, GID_TEXTEDT, GID_JUSTIFICATION, GID_TEXTPATH, GID_LINKPAGE,
    GID_LINKWEB, GID_RBLINKS,
};

static void Enable(const int *ids, size_t n, bool on)
{
    for (size_t i = 0; i < n; i++)
        GadgetSetDisabled(ids[i], !on);
}

static void ResetProperties(void)
{
    Enable(all_properties, sizeof(all_properties) / sizeof(int), false);
    GadgetSetText(GID_TEXTCONT, "");
    GadgetSetText(GID_LINKWEB, "");
    GadgetSetNumber(GID_HEADLINE_LEVEL, 0);
    GadgetSetNumber(GID_RBLINKS, 0);
    GadgetSetNumber(GID_LINKPAGE, 1);
}

/* The link kind decides which of the two target fields is in use. */
static void LinkKind(void)
{
    if (GadgetNumber(GID_RBLINKS) == 0) {
        GadgetSetDisabled(GID_LINKPAGE, true);
        GadgetSetNumber(GID_LINKPAGE, 1);
        GadgetSetDisabled(GID_LINKWEB, false);
    } else {
        GadgetSetDisabled(GID_LINKWEB, true);
        GadgetSetText(GID_LINKWEB, "");
        GadgetSetDisabled(GID_LINKPAGE, false);
    }
}

void SetGUIElements(uint32_t typ, bool on, bool change)
{
    DebugPrint("-> SetGUIElements(%u, %d, %d)\n", typ, on, change);
    switch (typ) {
    case 0:
    case GID_CURSOR:
        ResetProperties();
        break;
    case GID_TEXTE: {
        static const int ids[] = {GID_TEXTCONT, GID_HEADLINE_LEVEL, GID_FONTS, GID_STYLE, GID_FONTSIZE};
        Enable(ids, 5, on);
        break;
    }
    case GID_PICTURES:
        if (change)
            GadgetSetDisabled(GID_PICTUREADD, !on);
        break;
    case GID_TEXTBOX: {
        static const int files[] = {GID_TEXTADD, GID_TEXTEDT};
        if (change)
            Enable(files, 2, on);
        GadgetSetDisabled(GID_JUSTIFICATION, !on);
        Enable(text_gadgets, 3, on);
        break;
    }
    case GID_DATEBOX:
    case GID_TIMEBOX:
    case GID_PAGENO:
        Enable(text_gadgets, 3, on);
        break;
    case GID_LINKS: {
        static const int ids[] = {GID_LINKPAGE, GID_LINKWEB, GID_RBLINKS, GID_FONTS,
                                  GID_STYLE, GID_FONTSIZE, GID_TEXTCONT};
        Enable(ids, 7, on);
        if (change)
            LinkKind();
        break;
    }
    default:
        break;
    }
}
