/*
 * pdfexport.cpp - the PDF export. Not written yet: the command answers that
 * nothing was exported.
 */
#include "pdf/pdfexport.h"

#include "core/settings.h"

bool CreateProject(uint32_t xstart, uint32_t ystart, uint32_t xend, uint32_t yend, void *mstrip,
                   MsgPort *SPort)
{
    (void)mstrip;
    (void)SPort;
    DebugPrint("-> CreateProject(%u, %u, %u, %u): no PDF export yet\n", xstart, ystart, xend, yend);
    return false;
}
