/*
 * system.h - facts about the running system that the start-up checks.
 */
#ifndef PAGIMO_PLATFORM_SYSTEM_H
#define PAGIMO_PLATFORM_SYSTEM_H

bool SystemRecentEnough(void);

#endif
