/*
 * pictures.h - the run-time resources of picture elements in the page view.
 */
#ifndef PAGIMO_VIEW_PICTURES_H
#define PAGIMO_VIEW_PICTURES_H

struct GElement;

void FreePicResources(GElement *node);

#endif
