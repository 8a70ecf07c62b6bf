/*
 * preferences.h - the preferences window: the two preference flags and the
 * garbage collection of imported files.
 */
#ifndef PAGIMO_CORE_PREFERENCES_H
#define PAGIMO_CORE_PREFERENCES_H

#include <cstdint>

struct MsgPort;

bool ControlPreferences(MsgPort *SPort, void *mstrip, int mode);
int16_t CheckPrefsGadgets(MsgPort *SPort, void *mstrip, uint32_t gadnr, int16_t saved);

#endif
