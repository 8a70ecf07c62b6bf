/*
 * picture.cpp - picture sizes and decoded pictures through Qt's image
 * readers (QImage needs no application object); the format is recognised
 * from the file's content, not its name.
 */
#include "platform/picture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <vector>

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

/* ------------------------------------------------------------ for the PDF */

/* The file last read and its decoded samples, kept for the PDF library to
 * copy: a libharu error may jump past any caller, so nothing of them lives
 * in a caller's frame. */
static QByteArray file_bytes;
static std::vector<unsigned char> samples_kept, alpha_kept;

bool PictureRead(const char *path, PictureData *pd)
{
    *pd = PictureData();
    PictureRelease();
    QFile file(QString::fromStdString(HostPath(path)));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    file_bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    pd->file = reinterpret_cast<const unsigned char *>(file_bytes.constData());
    pd->filesize = size_t(file_bytes.size());
    return true;
}

/* Colours as they stand in the file, not multiplied by their alpha: the
 * PDF lays the soft mask over them. Samples beyond what a PDF image of
 * 32-bit length can hold are refused like a damaged file. */
static bool KeepSamples(const QImage &decoded, PictureData *pd)
{
    bool alpha = decoded.hasAlphaChannel();
    QImage img = decoded.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (img.isNull())
        return false;
    pd->grey = img.allGray();
    size_t pixels = size_t(img.width()) * size_t(img.height());
    if (pixels * 3 > 0xFFFFFFFFu)
        return false;
    samples_kept.resize(pixels * (pd->grey ? 1 : 3));
    alpha_kept.resize(alpha ? pixels : 0);
    unsigned char *s = samples_kept.data(), *a = alpha_kept.data();
    bool translucent = false;
    for (int y = 0; y < img.height(); y++) {
        const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); x++) {
            QRgb c = line[x];
            *s++ = uchar(qRed(c));
            if (!pd->grey)
                *s++ = uchar(qGreen(c)), *s++ = uchar(qBlue(c));
            if (alpha)
                translucent |= (*a++ = uchar(qAlpha(c))) != 255;
        }
    }
    pd->samples = samples_kept.data();
    pd->alpha = translucent ? alpha_kept.data() : nullptr;
    return true;
}

/* Read the way the page view reads it (PictureLoad), so that both show
 * the same pixels. */
bool PictureDecode(PictureData *pd, bool samples)
{
    QBuffer buffer(&file_bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    QImageReader reader(&buffer);
    pd->turned = reader.autoTransform() && reader.transformation() != QImageIOHandler::TransformationNone;
    QImage img = reader.read();
    if (img.isNull())
        return false;
    pd->width = uint32_t(img.width());
    pd->height = uint32_t(img.height());
    return !samples || KeepSamples(img, pd);
}

void PictureRelease(void)
{
    file_bytes = QByteArray();
    std::vector<unsigned char>().swap(samples_kept);
    std::vector<unsigned char>().swap(alpha_kept);
}
