/*
 * arexxtools.h - the ARexx tools run on placed pictures, and the chooser
 * that offers the tools of the current tool mode.
 */
#ifndef PAGIMO_TEXT_AREXXTOOLS_H
#define PAGIMO_TEXT_AREXXTOOLS_H

#include <cstdint>

void SetARexxChooser(uint32_t mode);

#endif
