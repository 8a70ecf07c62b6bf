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

/* The memory the system can give the program without swapping, in bytes. */
unsigned long long AvailableMemory(void);

/* For tests: when PAGIMO_EXIT_REPORT names a file, what the process used
 * of the window system is written there as it ends (see system.cpp). */
void WriteExitReport(void);

#endif
