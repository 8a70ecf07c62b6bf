/*
 * picture.h - facts about picture files (PNG and JPEG) read without
 * decoding the whole picture.
 */
#ifndef PAGIMO_PLATFORM_PICTURE_H
#define PAGIMO_PLATFORM_PICTURE_H

#include <cstddef>
#include <cstdint>

bool PictureSize(const char *path, uint32_t *width, uint32_t *height);
bool PictureDecodes(const char *path);
bool PictureAsPng(const char *path, const unsigned char **data, size_t *size);

#endif
