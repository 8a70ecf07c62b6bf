/*
 * arexxtools.cpp - the ARexx tool chooser. No tools are read yet, so every
 * mode offers only "nothing".
 */
#include "text/arexxtools.h"

#include "gui/layouts.h"
#include "platform/gui.h"

void SetARexxChooser(uint32_t mode)
{
    (void)mode;
    GadgetSetNumber(GID_AREXX_SEL, 0);
}
