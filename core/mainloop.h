/*
 * mainloop.h - the program's controller: it waits for the windows' input
 * and turns every message into a command. The interaction state lives in
 * one record, handed by reference to the commands that change it.
 */
#ifndef PAGIMO_CORE_MAINLOOP_H
#define PAGIMO_CORE_MAINLOOP_H

#include <cstdint>

struct GElement;

/* Commands only the menu gives, beyond the gadget ids. */
enum {
    CMD_MERGE = 200, CMD_SELECT_ALL = 201, CMD_FIT_PAGE = 202, CMD_FIT_WIDTH = 203, CMD_ZOOM_100 = 204,
    CMD_ZOOM_200 = 205, CMD_ZOOM_IN = 206, CMD_ZOOM_OUT = 207,
};
struct MsgPort;

struct LoopState {
    uint32_t aktpage;     /* page shown, from 1 */
    uint32_t aktmode;     /* tool mode 18..27, 63 move, or a reshaped type */
    int16_t saved;        /* 1 while nothing is unsaved */
    uint8_t marked;       /* selection count of the current page */
    GElement *mnode;      /* element whose properties the gadgets show */
    bool draw;            /* an outline of a new element is shown */
    uint32_t startx, starty;
    bool lasso, moving, reshaping;
    GElement *grabbed;    /* pressed on in select mode: a drag moves the selection */
    bool untoggle;        /* it was selected: a release without a drag deselects it */
    GElement *reshaped;
    uint32_t pressx, pressy; /* where a reshape's handle was grabbed */
    uint32_t laststyle;
    uint16_t code;
    uint32_t winnr;
    char filename[256];
};

/* The state of the running (or last) main loop; read by tests. */
extern LoopState Loop;

extern char StartupProject[1024];

void MainLoop(void *mstrip, MsgPort *SPort);
uint32_t MapMenueSelection(void *mstrip);
bool CloseProject(bool newp, int16_t *saved, uint32_t *xs, uint32_t *ys, uint32_t *xe,
                  uint32_t *ye, uint32_t *aktpage);
void ResetPagimoScreen(uint32_t mode);
void CreateTabs(uint32_t *aktpage);
void ShowSections(uint32_t count);
void ShowProjectSettings(void);
void Repaint(uint32_t aktpage);
void ResetProperties(void);

#endif
