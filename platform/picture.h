/*
 * picture.h - facts about picture files (PNG and JPEG) read without
 * decoding the whole picture, and decoded pictures for the page view.
 */
#ifndef PAGIMO_PLATFORM_PICTURE_H
#define PAGIMO_PLATFORM_PICTURE_H

#include <cstddef>
#include <cstdint>

bool PictureSize(const char *path, uint32_t *width, uint32_t *height);
bool PictureDecodes(const char *path);
bool PictureAsPng(const char *path, const unsigned char **data, size_t *size);

/* A decoded picture for drawing, at its own pixel size: an opaque handle,
 * null when the file is missing or cannot be decoded. Freed with
 * PictureFree (which takes null). */
void *PictureLoad(const char *path, uint32_t *width, uint32_t *height);
void PictureFree(void *picture);

#endif
