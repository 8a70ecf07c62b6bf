/*
 * test_icons.cpp - the toolbar and menu images that makeicons drew into the
 * build directory (PAGIMO_BUILD_DIR): every name the program asks for is
 * there in all its looks, each is a real 24x24 picture on a clear ground,
 * the disabled look is grey and fainter, the selected look adds a pressed
 * ground under the same picture, and the About logo is there. Relies on Qt
 * Gui for reading PNG only.
 */
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <QFile>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace {

/* The names the program's toolbars and menus look up. */
const std::vector<std::string> kNames = {
    "open", "close", "save", "saveas", "pdf", "tabadd", "tabremove",
    "list_pointer", "line", "text", "picture", "textframesimple", "date",
    "time", "rectangle", "page", "link", "pictureadd", "filedocument",
    "editor", "delete", "copy", "cut", "paste", "movefile", "ok",
    "spellchecker", "exporttext", "quit", "info", "prefs", "undo", "redo",
};

const std::vector<std::string> kLooks = {"", "_g", "_s"};

std::string toolbarPath(const std::string &name)
{
    return std::string(PAGIMO_BUILD_DIR) + "/tbimages/" + name;
}

std::string menuPath(const std::string &name)
{
    return std::string(PAGIMO_BUILD_DIR) + "/Images/" + name;
}

/* Straight (not premultiplied) ARGB, so colours compare as written. */
QImage load(const std::string &path)
{
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_ARGB32);
}

bool isPng(const std::string &path)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) && f.read(8) == QByteArray("\x89PNG\r\n\x1a\n", 8);
}

template <typename F>
void forEachPixel(const QImage &img, F f)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            f(img.pixel(x, y));
}

int countPixels(const QImage &img, int minAlpha)
{
    int n = 0;
    forEachPixel(img, [&](QRgb c) { n += qAlpha(c) >= minAlpha; });
    return n;
}

size_t distinctVisibleColours(const QImage &img)
{
    std::set<QRgb> seen;
    forEachPixel(img, [&](QRgb c) {
        if (qAlpha(c))
            seen.insert(c);
    });
    return seen.size();
}

/* How much dark colour an image lays down: what a fainter look reduces. */
double inkWeight(const QImage &img)
{
    double sum = 0;
    forEachPixel(img, [&](QRgb c) { sum += qAlpha(c) / 255.0 * (255 - qGray(c)); });
    return sum;
}

bool cornersClear(const QImage &img)
{
    const int m = img.width() - 1, n = img.height() - 1;
    return qAlpha(img.pixel(0, 0)) == 0 && qAlpha(img.pixel(m, 0)) == 0 &&
           qAlpha(img.pixel(0, n)) == 0 && qAlpha(img.pixel(m, n)) == 0;
}

}  // namespace

TEST(Icons, EveryNameHasAllItsFilesAsPng)
{
    for (const std::string &name : kNames) {
        for (const std::string &look : kLooks)
            EXPECT_TRUE(isPng(toolbarPath(name + look))) << toolbarPath(name + look);
        EXPECT_TRUE(isPng(menuPath(name))) << menuPath(name);
    }
}

TEST(Icons, EachIsA24PixelPictureWithContent)
{
    for (const std::string &name : kNames) {
        std::vector<std::string> paths = {menuPath(name)};
        for (const std::string &look : kLooks)
            paths.push_back(toolbarPath(name + look));
        for (const std::string &path : paths) {
            const QImage img = load(path);
            ASSERT_FALSE(img.isNull()) << path;
            EXPECT_EQ(img.width(), 24) << path;
            EXPECT_EQ(img.height(), 24) << path;
            EXPECT_GE(countPixels(img, 128), 40) << path << " is (nearly) empty";
            EXPECT_GE(distinctVisibleColours(img), 3u) << path << " is one flat colour";
        }
    }
}

TEST(Icons, NormalLookStandsOnAClearGround)
{
    for (const std::string &name : kNames) {
        const QImage img = load(toolbarPath(name));
        EXPECT_TRUE(img.hasAlphaChannel()) << name;
        EXPECT_TRUE(cornersClear(img)) << name;
        EXPECT_LT(countPixels(img, 1), 24 * 24 * 9 / 10) << name << " fills its square";
    }
}

TEST(Icons, MenuImageIsTheNormalToolbarImage)
{
    for (const std::string &name : kNames)
        EXPECT_TRUE(load(menuPath(name)) == load(toolbarPath(name))) << name;
}

TEST(Icons, DisabledLookIsTheSameShapeInFainterGrey)
{
    for (const std::string &name : kNames) {
        const QImage normal = load(toolbarPath(name));
        const QImage grey = load(toolbarPath(name + "_g"));
        EXPECT_FALSE(grey == normal) << name;
        EXPECT_TRUE(cornersClear(grey)) << name;
        EXPECT_LT(inkWeight(grey), inkWeight(normal) * 0.8) << name << " does not look off";
        int colouredPixels = 0, shapeMismatches = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) {
                const QRgb g = grey.pixel(x, y);
                shapeMismatches += (qAlpha(g) == 0) != (qAlpha(normal.pixel(x, y)) == 0);
                if (qAlpha(g) && (std::abs(qRed(g) - qGreen(g)) > 2 ||
                                  std::abs(qGreen(g) - qBlue(g)) > 2))
                    ++colouredPixels;
            }
        EXPECT_EQ(colouredPixels, 0) << name << " is not grey";
        EXPECT_EQ(shapeMismatches, 0) << name << " is another picture";
    }
}

TEST(Icons, SelectedLookPutsAPressedGroundUnderTheSamePicture)
{
    for (const std::string &name : kNames) {
        const QImage normal = load(toolbarPath(name));
        const QImage selected = load(toolbarPath(name + "_s"));
        EXPECT_FALSE(selected == normal) << name;
        EXPECT_GT(countPixels(selected, 255), countPixels(normal, 255) + 100) << name;
        int covered = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                if (qAlpha(normal.pixel(x, y)) == 255 && selected.pixel(x, y) != normal.pixel(x, y))
                    ++covered;
        EXPECT_EQ(covered, 0) << name << ": the ground hides part of the picture";
    }
}

TEST(Icons, EveryNameHasItsOwnPicture)
{
    for (size_t i = 0; i < kNames.size(); ++i)
        for (size_t j = i + 1; j < kNames.size(); ++j)
            EXPECT_FALSE(load(toolbarPath(kNames[i])) == load(toolbarPath(kNames[j])))
                << kNames[i] << " and " << kNames[j] << " look the same";
}

TEST(Icons, AboutLogoIsALargePicture)
{
    const std::string path = menuPath("Pagimo.png");
    const QImage logo = load(path);
    ASSERT_FALSE(logo.isNull()) << path;
    EXPECT_GE(logo.width(), 64);
    EXPECT_GE(logo.height(), 64);
    EXPECT_GE(countPixels(logo, 255), logo.width() * logo.height() / 3);
    EXPECT_GE(distinctVisibleColours(logo), 5u);
}
