/*
 * pictures.h - picture elements in the page view: loading the decoded
 * picture once per element, fitting it into a box, releasing it with the
 * element, and importing a chosen PNG or JPEG file into the project.
 */
#ifndef PAGIMO_VIEW_PICTURES_H
#define PAGIMO_VIEW_PICTURES_H

#include <cstdint>

struct GElement;

bool LoadPicture(GElement *ge, bool ask);
void FitPicture(GElement *ge, uint32_t left, uint32_t top, uint32_t width, uint32_t height);
bool PictureResized(const GElement *ge);
void FreePicResources(GElement *node);
bool SetPicture(char *fn, GElement *elem);

#endif
