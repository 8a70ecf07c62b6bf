/*
 * pictures.h - picture elements in the page view: loading the decoded
 * picture once per element, releasing it with the element, and importing a
 * chosen PNG or JPEG file into the project.
 */
#ifndef PAGIMO_VIEW_PICTURES_H
#define PAGIMO_VIEW_PICTURES_H

struct GElement;

bool LoadPicture(GElement *ge, bool ask);
void FreePicResources(GElement *node);
bool SetPicture(char *fn, GElement *elem);

#endif
