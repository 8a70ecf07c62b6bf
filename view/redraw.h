/*
 * redraw.h - drawing all elements of a page again after the empty page was
 * painted, which also rebuilds the object list.
 */
#ifndef PAGIMO_VIEW_REDRAW_H
#define PAGIMO_VIEW_REDRAW_H

#include <cstdint>

void ReDrawPage(uint32_t pageno);

#endif
