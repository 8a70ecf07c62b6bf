/*
 * instance.h - the running instance, known to others as "PagimoScreen": a
 * per-user local socket in "T:". A second start finds it, asks the first
 * instance to come to the front and ends.
 */
#ifndef PAGIMO_PLATFORM_INSTANCE_H
#define PAGIMO_PLATFORM_INSTANCE_H

bool InstanceAskToFront(void);
bool InstanceClaim(void);
int InstanceFd(void);
bool InstanceTakeRequest(void);
void InstanceRelease(void);

#endif
