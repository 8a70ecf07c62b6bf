/*
 * pictures.cpp - run-time resources of picture elements.
 *
 * A picture element holds handles of its loaded picture while the page view
 * shows it; they mean nothing outside one run. The page view loads pictures
 * through the platform's image layer; until it does, an element never holds
 * a handle and releasing only forgets what is recorded.
 */
#include "view/pictures.h"

#include "document/records.h"

void FreePicResources(GElement *node)
{
    if (!node || node->node.ln_Type != ET_PICTURE)
        return;
    PicData &pd = node->edata.pd;
    pd.dsrc = pd.binst = pd.clip = pd.bitmap = pd.alpha = nullptr;
}
