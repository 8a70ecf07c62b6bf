/*
 * picture.cpp - picture sizes through Qt's image readers; the format is
 * recognised from the file's content, not its name.
 */
#include "platform/picture.h"

#include <QBuffer>
#include <QImageReader>

#include "platform/assign.h"

/* Whether the whole picture can be decoded, not only its header. */
bool PictureDecodes(const char *path)
{
    QImageReader reader(QString::fromStdString(HostPath(path)));
    return !reader.read().isNull();
}

/* The picture decoded and written again as a plain PNG (not interlaced,
 * 8 bits a channel) into a buffer that lives until the next call. */
bool PictureAsPng(const char *path, const unsigned char **data, size_t *size)
{
    static QByteArray png;
    QImageReader reader(QString::fromStdString(HostPath(path)));
    QImage img = reader.read();
    if (img.isNull())
        return false;
    png.clear();
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!img.save(&buffer, "PNG"))
        return false;
    *data = reinterpret_cast<const unsigned char *>(png.constData());
    *size = size_t(png.size());
    return true;
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

/* ------------------------------------------------------------ drawing */

/* Kept premultiplied, the form the window's painter blends fastest. */
void *PictureLoad(const char *path, uint32_t *width, uint32_t *height)
{
    *width = *height = 0;
    QImageReader reader(QString::fromStdString(HostPath(path)));
    QImage img = reader.read();
    if (img.isNull())
        return nullptr;
    auto *pic = new QImage(img.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    *width = uint32_t(pic->width());
    *height = uint32_t(pic->height());
    return pic;
}

void PictureFree(void *picture)
{
    delete static_cast<QImage *>(picture);
}
