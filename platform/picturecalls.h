/*
 * picturecalls.h - the picture readers of picture.h as the module
 * `pagimo-pictures.so` hands them to the `pagimo` program, which loads Qt's
 * image readers only for a job that has pictures (nowindow.cpp).
 */
#ifndef PAGIMO_PLATFORM_PICTURECALLS_H
#define PAGIMO_PLATFORM_PICTURECALLS_H

#include <cstdint>

struct PictureData;

struct PictureCalls {
    bool (*size)(const char *path, uint32_t *width, uint32_t *height);
    bool (*decodes)(const char *path);
    void *(*load)(const char *path, uint32_t *width, uint32_t *height);
    void (*free)(void *picture);
    bool (*read)(const char *path, PictureData *pd);
    bool (*decode)(PictureData *pd, bool samples);
    void (*release)(void);
};

extern "C" const PictureCalls *PagimoPictureCalls(void);

#endif
