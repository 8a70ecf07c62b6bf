/*
 * system.h - facts about the running system that the start-up checks.
 */
#ifndef PAGIMO_PLATFORM_SYSTEM_H
#define PAGIMO_PLATFORM_SYSTEM_H

bool SystemRecentEnough(void);
/* Whether the X server that DISPLAY names accepts a connection; true when
 * this cannot be found out here (no libxcb), so Qt decides. */
bool X11DisplayReachable(void);
/* Closes the connection the check keeps open until Qt has its own. */
void X11ProbeRelease(void);

#endif
