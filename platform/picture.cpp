/*
 * picture.cpp - picture sizes through Qt's image readers; the format is
 * recognised from the file's content, not its name.
 */
#include "platform/picture.h"

#include <QImageReader>

#include "platform/assign.h"

/* Whether the whole picture can be decoded, not only its header. */
bool PictureDecodes(const char *path)
{
    QImageReader reader(QString::fromStdString(HostPath(path)));
    return !reader.read().isNull();
}

/* False, with both sizes 0, when the file is no readable picture. */
bool PictureSize(const char *path, uint32_t *width, uint32_t *height)
{
    *width = *height = 0;
    QImageReader reader(QString::fromStdString(HostPath(path)));
    QSize size = reader.size();
    if (!reader.canRead() || !size.isValid())
        return false;
    *width = uint32_t(size.width());
    *height = uint32_t(size.height());
    return true;
}
