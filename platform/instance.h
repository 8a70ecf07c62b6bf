/*
 * instance.h - the running instance, known to others as "PagimoScreen": a
 * per-user local socket in "T:". A second start finds it, asks the first
 * instance to come to the front (and to open the project it was given)
 * and ends.
 */
#ifndef PAGIMO_PLATFORM_INSTANCE_H
#define PAGIMO_PLATFORM_INSTANCE_H

#include <cstddef>

bool InstanceAskToFront(const char *project);
bool InstanceClaim(void);
int InstanceFd(void);
bool InstanceTakeRequest(char *project, size_t size);
void InstanceRelease(void);

#endif
