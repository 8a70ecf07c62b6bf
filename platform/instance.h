/*
 * instance.h - the running instance, known to others as "PagimoScreen": a
 * per-user local socket in "T:", guarded by a lock file beside it. A second
 * start finds it, asks the first instance to come to the front (and to open
 * the project it was given) and ends.
 */
#ifndef PAGIMO_PLATFORM_INSTANCE_H
#define PAGIMO_PLATFORM_INSTANCE_H

#include <cstddef>

enum InstanceResult {
    INSTANCE_FIRST,        /* this start is the instance */
    INSTANCE_HANDED_OVER,  /* the running instance took the request */
    INSTANCE_NO_ANSWER     /* an instance holds the lock but never listened */
};

int InstanceStart(const char *project);
bool InstanceAskToFront(const char *project);
bool InstanceClaim(void);
int InstanceFd(void);
bool InstanceTakeRequest(char *project, size_t size);
void InstanceRelease(void);
void InstanceEnd(void);

#endif
