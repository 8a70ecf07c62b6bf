/*
 * pdfpicture.cpp - a picture file as a PDF image. JPEGs that every PDF
 * reader shows as the page view does stay JPEG data; every other picture
 * reaches libharu decoded (platform/picture.h): 8-bit RGB or grey samples
 * with a soft mask of its alpha. libharu's own PNG reader never sees a
 * file: it garbles 16-bit pictures, refuses interlaced ones and ends the
 * whole program on a damaged one.
 *
 * Invariant: no object with a destructor lives in these frames; a libharu
 * error jumps from inside them back to the export. The images made are
 * kept by file name outside the frames, and only once made whole.
 */
#include "pdf/pdfpicture.h"

#include <cstring>
#include <map>
#include <string>

#include "pdf/pdfexport.h"
#include "pdf/pdffonts.h"
#include "platform/picture.h"
#include "text/utilities.h"

/* ------------------------------------------------------------ kinds */

static bool IsPng(const PictureData &pd)
{
    return pd.filesize >= 8 && !std::memcmp(pd.file, "\x89PNG\r\n\x1a\n", 8);
}

static bool IsJpeg(const PictureData &pd)
{
    return pd.filesize >= 3 && !std::memcmp(pd.file, "\xFF\xD8\xFF", 3);
}

/* What a picture that cannot be decoded is called: its content's format,
 * else the one its name gives (PNG when the second-to-last character is
 * "n"). */
static HPDF_STATUS DamagedStatus(const PictureData &pd, const char *fn)
{
    if (IsPng(pd) || IsJpeg(pd))
        return IsPng(pd) ? HPDF_INVALID_PNG_IMAGE : HPDF_INVALID_JPEG_DATA;
    size_t len = std::strlen(fn);
    bool png = len >= 2 && (fn[len - 2] == 'n' || fn[len - 2] == 'N');
    return png ? HPDF_INVALID_PNG_IMAGE : HPDF_INVALID_JPEG_DATA;
}

/* A JPEG kept as it is: baseline or progressive, 8 bits, grey or three
 * components, with its segments laid out the way libharu's header reader
 * walks them (each marker followed by its length, up to the frame header),
 * so that libharu finds the same frame. CMYK is decoded instead: PDF
 * readers turn CMYK into other colours than the page view does. */
static bool KeptAsJpeg(const PictureData &pd, uint32_t *width, uint32_t *height)
{
    const unsigned char *d = pd.file;
    size_t n = pd.filesize, at = 2;
    if (n > 0xFFFFFFFFu || !IsJpeg(pd))
        return false;
    while (at + 4 <= n && d[at] == 0xFF) {
        unsigned marker = d[at + 1];
        size_t len = size_t(d[at + 2]) << 8 | d[at + 3];
        if (len < 2 || at + 2 + len > n)
            return false;
        if (marker == 0xC0 || marker == 0xC2) {
            const unsigned char *f = d + at + 4;
            if (len < 8)
                return false;
            *height = uint32_t(f[1]) << 8 | f[2];
            *width = uint32_t(f[3]) << 8 | f[4];
            return f[0] == 8 && (f[5] == 1 || f[5] == 3) && *width && *height;
        }
        /* Other frames, the scan, and markers that have no length. */
        if ((marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xCC) || marker == 0x01 ||
            (marker >= 0xD0 && marker <= 0xDA) || marker == 0xFF)
            return false;
        at += 2 + len;
    }
    return false;
}

/* ------------------------------------------------------------ images */

static HPDF_Image DecodedImage(HPDF_Doc pdf, const PictureData &pd)
{
    HPDF_Image img = HPDF_LoadRawImageFromMem(pdf, pd.samples, pd.width, pd.height,
                                              pd.grey ? HPDF_CS_DEVICE_GRAY : HPDF_CS_DEVICE_RGB, 8);
    if (img && pd.alpha) {
        HPDF_Image mask = HPDF_LoadRawImageFromMem(pdf, pd.alpha, pd.width, pd.height, HPDF_CS_DEVICE_GRAY, 8);
        if (mask)
            HPDF_Image_AddSMask(img, mask);
    }
    return img;
}

/* The images of the document being written, by file. */
static std::map<std::string, HPDF_Image> doc_images;

void ResetPdfPictures(void)
{
    doc_images.clear();
}

/* The file is decoded once, whether or not its data stays: libharu's JPEG
 * reader looks at the header only and would take a damaged file. */
static HPDF_Image LoadImage(HPDF_Doc pdf, const char *fn)
{
    errinfo = fn;
    PictureData pd;
    if (!FileExists(fn) || !PictureRead(fn, &pd)) {
        PictureRelease();
        error_handler(HPDF_FILE_OPEN_ERROR, 0, nullptr);
        return nullptr;
    }
    uint32_t width = 0, height = 0;
    bool jpeg = KeptAsJpeg(pd, &width, &height);
    bool decoded = PictureDecode(&pd, !jpeg);
    /* A reader that turns the picture shows other pixels than its data. */
    if (decoded && jpeg && (pd.turned || pd.width != width || pd.height != height))
        jpeg = false, decoded = PictureDecode(&pd, true);
    if (!decoded) {
        HPDF_STATUS status = DamagedStatus(pd, fn);
        PictureRelease();
        error_handler(status, 0, nullptr);
        return nullptr;
    }
    HPDF_Image img = jpeg ? HPDF_LoadJpegImageFromMem(pdf, pd.file, HPDF_UINT(pd.filesize)) : DecodedImage(pdf, pd);
    HPDF_STATUS status = DamagedStatus(pd, fn);
    PictureRelease();
    if (!img || HPDF_Image_GetWidth(img) == 0)
        error_handler(status, 0, nullptr);
    return img;
}

HPDF_Image PdfPictureImage(HPDF_Doc pdf, const char *fn)
{
    auto known = doc_images.find(fn);
    if (known != doc_images.end())
        return known->second;
    HPDF_Image img = LoadImage(pdf, fn);
    if (img)
        doc_images.emplace(fn, img);
    return img;
}
