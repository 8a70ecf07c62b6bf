/*
 * test_pdfpictures.cpp - pictures of every kind the page view shows (PNG
 * of 8 and 16 bits, RGB, grey, with alpha, palette with and without
 * transparency, interlaced; baseline, progressive, grey and CMYK JPEG)
 * exported by the PDF job and read back: each drawn in its element's box
 * in the colours ImageMagick decodes from the file, transparent parts
 * showing the page, JPEGs of RGB and grey kept as JPEG data.
 */
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <vector>

#include <QImage>

#include "testutil.h"

#include "core/settings.h"
#include "document/archive.h"
#include "document/pagelist.h"
#include "gui/windows.h"
#include "platform/assign.h"
#include "view/geometry.h"

namespace {

struct Kind {
    const char *name;    /* the file in the project */
    const char *source;  /* "opaque" or "alpha" */
    const char *options; /* what convert makes of it; null: see MakePicture */
    const char *check;   /* what `identify -verbose` must say of the file */
    int adobe = -1;      /* the colour transform of its Adobe marker */
};

const char ADOBE[] = "\xFF\xEE\x00\x0E" "Adobe";

/* Every kind, from one picture whose colour changes across and down. The
 * alpha source has a half-transparent band from 50 % to 70 % of its width
 * and is transparent beyond. */
const Kind kinds[] = {
    {"rgb8.png", "opaque", "PNG24:", "Type: TrueColor\n"},
    {"rgb16.png", "opaque", "PNG48:", "Depth: 16-bit"},
    {"rgba8.png", "alpha", "PNG32:", "Type: TrueColorAlpha"},
    {"rgba16.png", "alpha", "PNG64:", "png:IHDR.bit-depth-orig: 16"},
    {"grey8.png", "opaque", "-colorspace Gray -define png:color-type=0 -depth 8 PNG:", "png:IHDR.color-type-orig: 0"},
    {"grey16.png", "opaque", "-colorspace Gray -define png:color-type=0 -depth 16 PNG:", "png:IHDR.bit-depth-orig: 16"},
    {"greya8.png", "alpha", "-colorspace Gray -define png:color-type=4 -depth 8 PNG:", "png:IHDR.color-type-orig: 4"},
    {"greya16.png", "alpha", "-colorspace Gray -define png:color-type=4 -depth 16 PNG:", "png:IHDR.color-type-orig: 4"},
    {"palette.png", "opaque", "PNG8:", "png:IHDR.color-type-orig: 3"},
    {"palettetrns.png", "alpha", "PNG8:", "png:tRNS"},
    {"interlaced.png", "opaque", "-interlace PNG PNG24:", "Interlace: PNG"},
    {"interlaced16a.png", "alpha", "-interlace PNG PNG64:", "Interlace: PNG"},
    {"baseline.jpg", "opaque", "JPEG:", "Interlace: None"},
    {"progressive.jpg", "opaque", "-interlace JPEG JPEG:", "Interlace: JPEG"},
    {"grey.jpg", "opaque", "-colorspace Gray JPEG:", "Colorspace: Gray"},
    /* Inverted CMYK as Photoshop writes it, in YCCK and in plain CMYK. */
    {"cmyk.jpg", "opaque", "-colorspace CMYK JPEG:", "Colorspace: CMYK", 2},
    {"cmyk-plain.jpg", "opaque", nullptr, "Colorspace: CMYK", 0},
};
const int KINDS = int(sizeof(kinds) / sizeof(kinds[0]));
const int SRC_W = 120, SRC_H = 90;

/* Boxes of the picture's own size and larger, smaller and stretched. */
const int box_sizes[4][2] = {{120, 90}, {132, 99}, {96, 72}, {90, 110}};

/* Five points of each box, as fractions: two on the left, one in the
 * half-transparent band and two in the transparent part of the alpha
 * pictures. */
const double points[5][2] = {{0.15, 0.15}, {0.35, 0.85}, {0.6, 0.5}, {0.85, 0.2}, {0.85, 0.85}};

struct Placed {
    int x, y, w, h; /* the box in page points from the top left */
};

bool Near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

std::string Rgb(QRgb c)
{
    char buf[32];
    std::snprintf(buf, sizeof(buf), "(%d,%d,%d)", qRed(c), qGreen(c), qBlue(c));
    return buf;
}

bool Paper(QRgb c)
{
    return qRed(c) >= 245 && qGreen(c) >= 245 && qBlue(c) >= 245;
}

} // namespace

class PdfPictures : public JobProjectTest {
protected:
    /* The file of kind k in the project and, in *ref, ImageMagick's
     * decoding of it over white paper, 8 bits of RGB a pixel. */
    void MakePicture(const Kind &k, QImage *ref)
    {
        std::string file = HostPath((std::string("PGT:PAG4/Bilder/") + k.name).c_str());
        if (k.options) {
            Shell("convert '" + scratch + "/" + k.source + ".png' " + k.options + "'" + file + "'");
        } else { /* the CMYK JPEG, its marker saying CMYK instead of YCCK */
            std::string jpeg = ReadTextFile(HostPath("PGT:PAG4/Bilder/cmyk.jpg"));
            size_t at = jpeg.find(ADOBE, 0, sizeof(ADOBE) - 1);
            if (at != std::string::npos && at + 15 < jpeg.size())
                jpeg[at + 15] = 0;
            WriteTextFile(file, jpeg);
        }
        std::string facts = Shell("identify -verbose '" + file + "'");
        EXPECT_NE(facts.find(k.check), std::string::npos) << k.name << " is not what it should be:\n" << facts;
        if (k.adobe >= 0) {
            std::string jpeg = ReadTextFile(file);
            size_t at = jpeg.find(ADOBE, 0, sizeof(ADOBE) - 1);
            ASSERT_NE(at, std::string::npos) << k.name << " has no Adobe marker";
            EXPECT_EQ(int(jpeg[at + 15]), k.adobe) << k.name << ": the marker's colour transform";
        }
        std::string flat = scratch + "/ref-" + k.name + ".png";
        Shell("convert '" + file + "' -background white -alpha remove -alpha off -colorspace sRGB -depth 8 'PNG24:" +
              flat + "'");
        *ref = QImage(QString::fromStdString(flat)).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(ref->size(), QSize(SRC_W, SRC_H)) << k.name;
    }

    void Place(const char *name, const Placed &p)
    {
        GElement ge = MakeElement(ET_PICTURE, ET_PICTURE);
        std::snprintf(ge.edata.pd.fn, sizeof(ge.edata.pd.fn), "PGT:PAG4/Bilder/%s", name);
        ge.edata.pd.width = SRC_W, ge.edata.pd.height = SRC_H;
        ge.sx = xstart + uint32_t(p.x), ge.sy = ystart + uint32_t(p.y);
        ge.ex = ge.sx + uint32_t(p.w), ge.ey = ge.sy + uint32_t(p.h);
        AddGObject(1, &ge);
    }

    /* The PDF job on the saved project; its standard error, "" on success. */
    std::string ExportJob(const char *project, const char *pdf)
    {
        std::string err = scratch + "/.stderr";
        std::string cmd = "cd '" + scratch + "' && timeout 60 '" + PagimoBinary() + "' Debug=Off --pdf " + pdf +
                          " " + project + " 2>'" + err + "'";
        int st = std::system(cmd.c_str());
        std::string text = ReadTextFile(err);
        return WIFEXITED(st) && WEXITSTATUS(st) == 0 ? text : "exit " + std::to_string(st) + ": " + text;
    }

    void Save(const char *name)
    {
        std::strcpy(DataPath, scratch.c_str());
        SetProjectName(name);
        ASSERT_EQ(SaveProject(false), 0u);
    }
};

TEST_F(PdfPictures, EveryKindShowsItsColoursInItsBox)
{
    ASSERT_EQ(Shell("convert -size 120x90 gradient:orange-blue \\( -size 90x120 gradient:white-gray40 -rotate 90 \\) "
                    "-compose multiply -composite 'PNG48:" + scratch + "/opaque.png' && "
                    "convert '" + scratch + "/opaque.png' \\( -size 120x90 xc:white -fill gray50 "
                    "-draw 'rectangle 60,0 83,89' -fill black -draw 'rectangle 84,0 119,89' \\) "
                    "-alpha off -compose copy_opacity -composite 'PNG64:" + scratch + "/alpha.png' && echo made"),
              "made\n");
    AddPageList(nullptr);
    std::vector<QImage> refs;
    std::vector<Placed> boxes;
    for (int i = 0; i < KINDS; i++) {
        refs.emplace_back();
        ASSERT_NO_FATAL_FAILURE(MakePicture(kinds[i], &refs.back()));
        const int *size = box_sizes[(i + 3) % 4]; /* 16-bit RGB and grey at their own size */
        boxes.push_back(Placed{20 + (i % 4) * 142, 20 + (i / 4) * 160, size[0], size[1]});
        Place(kinds[i].name, boxes.back());
    }
    Save("pictures");
    std::string archive = ReadTextFile(scratch + "/pictures.pfz");
    ASSERT_EQ(ExportJob("pictures.pfz", "pictures.pdf"), "");
    EXPECT_EQ(ReadTextFile(scratch + "/pictures.pfz"), archive) << "the project's pictures stay as they were";
    std::string pdf = scratch + "/pictures.pdf";

    /* Every picture in 8 bits a sample; RGB and grey JPEGs kept as JPEG,
     * the CMYK one in the colours the page view shows; one soft mask for
     * each picture with transparency. */
    std::string list = Shell("pdfimages -list '" + pdf + "'");
    std::regex row("\\n\\s*1\\s+\\d+\\s+(image|smask)\\s+(\\d+)\\s+(\\d+)\\s+(\\w+)\\s+(\\d+)\\s+(\\d+)\\s+(\\w+)");
    int images = 0, masks = 0, jpegs = 0;
    for (std::sregex_iterator it(list.begin(), list.end(), row), end; it != end; ++it) {
        const std::smatch &m = *it;
        EXPECT_EQ(m.str(6), "8") << "bits a sample\n" << list;
        EXPECT_NE(m.str(4), "cmyk") << list;
        EXPECT_EQ(m.str(2), std::to_string(SRC_W)) << list;
        (m[1] == "smask" ? masks : images)++;
        jpegs += m[7] == "jpeg";
    }
    EXPECT_EQ(images, KINDS) << list;
    EXPECT_EQ(masks, 6) << list;
    EXPECT_EQ(jpegs, 3) << "baseline, progressive and grey stay JPEG\n" << list;

    /* Each drawn exactly in its box: the image's matrix... */
    std::string content = Shell("qpdf --qdf --object-streams=disable '" + pdf + "' - | tr -d '\\r' | grep -a ' cm$'");
    for (int i = 0; i < KINDS; i++) {
        const Placed &b = boxes[size_t(i)];
        std::string cm = std::to_string(b.w) + " 0 0 " + std::to_string(b.h) + " " + std::to_string(b.x) + " " +
                         std::to_string(842 - b.y - b.h) + " cm";
        EXPECT_NE(content.find(cm), std::string::npos) << kinds[i].name << ": no \"" << cm << "\" in\n" << content;
    }

    /* ...and on the rendered page, in ImageMagick's colours over the paper. */
    ASSERT_EQ(Shell("pdftoppm -r 72 -png -singlefile '" + pdf + "' '" + scratch + "/page' && echo ok"), "ok\n");
    QImage page = QImage(QString::fromStdString(scratch + "/page.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(page.size(), QSize(595, 842));
    for (int i = 0; i < KINDS; i++) {
        const Kind &k = kinds[i];
        const Placed &b = boxes[size_t(i)];
        bool alpha = !std::strcmp(k.source, "alpha");
        for (const auto &pt : points) {
            int px = b.x + int(pt[0] * b.w), py = b.y + int(pt[1] * b.h);
            int sx = int((px + 0.5 - b.x) * SRC_W / b.w), sy = int((py + 0.5 - b.y) * SRC_H / b.h);
            QRgb want = refs[size_t(i)].pixel(sx, sy), got = page.pixel(px, py);
            /* A scaled picture may show a neighbour of that pixel, which
             * differs much in a dithered palette. */
            bool near = false;
            for (int y = sy - 1; y <= sy + 1; y++)
                for (int x = sx - 1; x <= sx + 1; x++)
                    near |= Near(got, refs[size_t(i)].pixel(x, y), 10);
            EXPECT_TRUE(near) << k.name << " at " << pt[0] << "," << pt[1] << ": " << Rgb(got) << " instead of "
                              << Rgb(want);
            if (alpha && pt[0] > 0.8) {
                EXPECT_TRUE(Paper(got)) << k.name << ": the transparent part shows " << Rgb(got);
            }
        }
        /* The picture's ink: its left, top and bottom edges (and the right
         * one of an opaque picture) are the box's, the paper around it.
         * Poppler may touch the pixel past an image's edge. */
        int x1 = 1 << 20, y1 = 1 << 20, x2 = -1, y2 = -1;
        for (int y = b.y - 8; y < b.y + b.h + 8; y++)
            for (int x = b.x - 8; x < b.x + b.w + 8; x++)
                if (!Paper(page.pixel(x, y)))
                    x1 = std::min(x1, x), y1 = std::min(y1, y), x2 = std::max(x2, x), y2 = std::max(y2, y);
        EXPECT_NEAR(x1, b.x, 1) << k.name;
        EXPECT_NEAR(y1, b.y, 1) << k.name;
        EXPECT_NEAR(y2, b.y + b.h - 1, 1) << k.name;
        if (alpha) {
            EXPECT_LT(x2, b.x + b.w * 3 / 4) << k.name << ": the transparent part shows the paper";
        } else {
            EXPECT_NEAR(x2, b.x + b.w - 1, 1) << k.name;
        }
    }
}

/* The content tells PNG from JPEG, not the name; a damaged 16-bit PNG
 * stops the job with a message naming it instead of ending the program. A
 * record without a box (older projects') shows the picture at its own
 * size. */
TEST_F(PdfPictures, DamagedMisnamedAndBoxlessPictures)
{
    std::string png = HostPath("PGT:PAG4/Bilder/photo.jpg");
    ASSERT_EQ(Shell("convert -size 120x90 gradient:orange-blue 'PNG48:" + png + "' && echo made"), "made\n");
    AddPageList(nullptr);
    Place("photo.jpg", Placed{50, 50, SRC_W, SRC_H});
    Place("photo.jpg", Placed{300, 400, 0, 0});
    Elements(1).back()->ex = Elements(1).back()->ey = 0;
    Save("misnamed");
    ASSERT_EQ(ExportJob("misnamed.pfz", "misnamed.pdf"), "");
    EXPECT_TRUE(std::regex_search(Shell("pdfimages -list '" + scratch + "/misnamed.pdf'"),
                                  std::regex("image\\s+120\\s+90\\s+rgb\\s+3\\s+8")));
    std::string content =
        Shell("qpdf --qdf --object-streams=disable '" + scratch + "/misnamed.pdf' - | tr -d '\\r' | grep -a ' cm$'");
    EXPECT_NE(content.find("120 0 0 90 300 352 cm"), std::string::npos) << content;

    WriteTextFile(HostPath("PGT:PAG4/Bilder/cut.png"), ReadTextFile(png).substr(0, 600));
    Place("cut.png", Placed{50, 300, SRC_W, SRC_H});
    Save("damaged");
    std::string err = ExportJob("damaged.pfz", "damaged.pdf");
    EXPECT_EQ(err.rfind("exit 256: ", 0), 0u) << err;
    EXPECT_NE(err.find("pagimo: " + scratch + "/damaged.pfz, page 1: "), std::string::npos) << err;
    EXPECT_NE(err.find("PNG"), std::string::npos) << err;
    EXPECT_NE(err.find("cut.png"), std::string::npos) << err;
    EXPECT_FALSE(HostExists(scratch + "/damaged.pdf"));
}
