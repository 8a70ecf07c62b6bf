/*
 * system.h - facts about the running system that the start-up checks.
 */
#ifndef PAGIMO_PLATFORM_SYSTEM_H
#define PAGIMO_PLATFORM_SYSTEM_H

bool SystemRecentEnough(void);

/* Whether the window can be opened: a display is named for the platform Qt
 * will use, and an X server named by DISPLAY answers. */
enum { DISPLAY_USABLE, DISPLAY_NONE, DISPLAY_UNREACHABLE };
int CheckDisplay(void);
/* Closes the connection the check keeps open until Qt has its own. */
void X11ProbeRelease(void);

#endif
