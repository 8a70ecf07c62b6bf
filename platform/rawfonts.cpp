/*
 * rawfonts.cpp - the screen fonts' TrueType files as Qt raw fonts, so that
 * the page view draws a text's glyphs from the same outlines the PDF
 * embeds, unhinted, through Qt's glyph cache, sharp at every zoom.
 *
 * Relies on screenfont.cpp naming the file each face was read from; Qt
 * reads each file once, makes each size asked from it, and the fonts stay
 * for the run.
 */
#include "platform/qtprivate.h"

#include <map>
#include <string>
#include <utility>

#include <QFile>
#include <QRawFont>

/* By file, and by file and pixels per em; never destroyed, as Qt's font
 * machinery may be gone at the process's end. */
static std::map<std::string, QRawFont> &files = *new std::map<std::string, QRawFont>;
static std::map<std::pair<std::string, double>, QRawFont> &rawfonts =
    *new std::map<std::pair<std::string, double>, QRawFont>;

/* The file's face at `em` pixels per em; an invalid font when Qt cannot
 * read it, and then the text is not drawn, as with a face FreeType lost. */
const QRawFont &FaceRawFont(const std::string &file, double em)
{
    auto key = std::make_pair(file, em);
    auto it = rawfonts.find(key);
    if (it != rawfonts.end())
        return it->second;
    auto read = files.find(file);
    if (read == files.end()) {
        QRawFont raw;
        raw.loadFromFile(QFile::decodeName(file.c_str()), em, QFont::PreferNoHinting);
        read = files.emplace(file, raw).first;
    }
    QRawFont sized = read->second;
    if (sized.isValid())
        sized.setPixelSize(em);
    return rawfonts[key] = sized;
}
