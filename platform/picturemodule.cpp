/*
 * picturemodule.cpp - the entry of the module `pagimo-pictures.so`: the
 * picture readers of picture.cpp, for the `pagimo` program (see
 * picturecalls.h). The module takes HostPath from the program.
 */
#include "platform/picturecalls.h"

#include "platform/picture.h"

extern "C" const PictureCalls *PagimoPictureCalls(void)
{
    static const PictureCalls calls = {PictureSize, PictureDecodes, PictureLoad, PictureFree,
                                       PictureRead, PictureDecode,  PictureRelease};
    return &calls;
}
