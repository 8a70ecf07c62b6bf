/*
 * picture.h - facts about picture files (PNG and JPEG) read without
 * decoding the whole picture, decoded pictures for the page view, and
 * pictures decoded for the PDF.
 */
#ifndef PAGIMO_PLATFORM_PICTURE_H
#define PAGIMO_PLATFORM_PICTURE_H

#include <cstddef>
#include <cstdint>

bool PictureSize(const char *path, uint32_t *width, uint32_t *height);
bool PictureDecodes(const char *path);

/* A decoded picture for drawing, at its own pixel size: an opaque handle,
 * null when the file is missing or cannot be decoded. Freed with
 * PictureFree (which takes null). */
void *PictureLoad(const char *path, uint32_t *width, uint32_t *height);
void PictureFree(void *picture);

/* A picture file for the PDF: its bytes as read, and what decoding them
 * gives (the pixels the page view shows). Samples have 8 bits and run row
 * by row from the top without padding: one a pixel for a grey picture,
 * else three (RGB); `alpha` has one a pixel and is null where the picture
 * is opaque everywhere. Everything lives until PictureRelease or the next
 * PictureRead. */
struct PictureData {
    const unsigned char *file = nullptr;
    size_t filesize = 0;
    uint32_t width = 0, height = 0; /* as decoded */
    bool turned = false;            /* the reader turns or mirrors it */
    bool grey = false;
    const unsigned char *samples = nullptr, *alpha = nullptr;
};

/* False when the file cannot be read. */
bool PictureRead(const char *path, PictureData *pd);
/* Decodes the file read last, with its samples when `samples` is true;
 * false when it is damaged or no picture. */
bool PictureDecode(PictureData *pd, bool samples);
void PictureRelease(void);

#endif
