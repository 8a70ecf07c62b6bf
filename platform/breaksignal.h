/*
 * breaksignal.h - the break signal (Ctrl-C, SIGINT; also SIGTERM, so a
 * logout shuts the program down cleanly) as a readable file descriptor, so
 * that an event loop can wait on it beside its other input.
 */
#ifndef PAGIMO_PLATFORM_BREAKSIGNAL_H
#define PAGIMO_PLATFORM_BREAKSIGNAL_H

bool BreakInit(void);
/* Writes to a closed pipe (standard error read by head or a pager) fail
 * instead of ending the program: its working area must still be removed. */
void IgnoreBrokenPipes(void);
int BreakFd(void);
bool BreakTake(void);

#endif
