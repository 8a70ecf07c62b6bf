/*
 * fontinstall.cpp - the host's TrueType fonts as the program's fonts (see
 * fontinstall.h).
 *
 * Relies on fontconfig to find the installed TrueType files (loaded only
 * then: a start finds the drawer made and never needs it), on the screen
 * font service for the metrics the tag files carry, on FontFileName (the font
 * catalogue) for the full name the catalogue will read back, and on the
 * assign FONTS: (assign.h). Descriptions already present are never
 * rewritten, so a user's own files win.
 */
#include "platform/fontinstall.h"
#include "platform/ttfcheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>
#include <vector>

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include "core/settings.h"
#include "pdf/fontcatalog.h"
#include "platform/assign.h"
#include "platform/filefacts.h"
#include "platform/files.h"
#include "platform/screenfont.h"
#include "platform/strutil.h"
#include "text/utilities.h"

#define TT_DRAWER "FONTS:_TrueType"

enum { MAX_LINKS = 80 };

/* An installed TrueType file as fontconfig reports it. */
struct SystemFont {
    std::string path, base;
    bool preferred; /* DejaVu or Liberation: the families the program ships with */
};

/* What a tag file says about a font. */
struct FontMetrics {
    uint32_t d;     /* line height in percent of the em */
    uint32_t space; /* width of a blank, see WriteTagFile */
};

static void MakeDrawer(void);
static void DescribeDrawer(void);

bool InstallFonts(void)
{
    DebugPrint("-> InstallFonts()\n");
    if (!CreateDirTree("FONTS:"))
        return false;
    if (FileKindOf(TT_DRAWER) == FK_NONE)
        MakeDrawer();
    DescribeDrawer();
    SaveFileFacts();
    return true;
}

/* ------------------------------------------------------------ the drawer */

/* The fontconfig calls the installer makes, from the library loaded for
 * them; all null when it cannot be loaded. */
static struct {
    decltype(&FcPatternCreate) PatternCreate;
    decltype(&FcPatternDestroy) PatternDestroy;
    decltype(&FcPatternGetString) PatternGetString;
    decltype(&FcObjectSetCreate) ObjectSetCreate;
    decltype(&FcObjectSetAdd) ObjectSetAdd;
    decltype(&FcObjectSetDestroy) ObjectSetDestroy;
    decltype(&FcFontList) FontList;
    decltype(&FcFontSetDestroy) FontSetDestroy;
} fc;

static bool LoadFontconfig(void)
{
    if (fc.FontSetDestroy)
        return true;
    void *lib = dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return false;
    auto load = [lib](auto &call, const char *name) {
        call = reinterpret_cast<std::remove_reference_t<decltype(call)>>(dlsym(lib, name));
        return call != nullptr;
    };
    if (load(fc.PatternCreate, "FcPatternCreate") && load(fc.PatternDestroy, "FcPatternDestroy") &&
        load(fc.PatternGetString, "FcPatternGetString") && load(fc.ObjectSetCreate, "FcObjectSetCreate") &&
        load(fc.ObjectSetAdd, "FcObjectSetAdd") && load(fc.ObjectSetDestroy, "FcObjectSetDestroy") &&
        load(fc.FontList, "FcFontList") && load(fc.FontSetDestroy, "FcFontSetDestroy"))
        return true;
    fc.FontSetDestroy = nullptr;
    return false;
}

static bool HasSuffix(const char *s, const char *suffix)
{
    size_t ls = std::strlen(s), lx = std::strlen(suffix);
    return ls >= lx && Stricmp(s + ls - lx, suffix) == 0;
}

static bool PreferredFamily(FcPattern *p)
{
    FcChar8 *family;
    if (fc.PatternGetString(p, FC_FAMILY, 0, &family) != FcResultMatch)
        return false;
    const char *f = reinterpret_cast<const char *>(family);
    return !Strnicmp(f, "DejaVu", 6) || !Strnicmp(f, "Liberation", 10);
}

static void AddSystemFont(FcPattern *p, std::vector<SystemFont> &found)
{
    FcChar8 *file, *format;
    if (fc.PatternGetString(p, FC_FILE, 0, &file) != FcResultMatch ||
        fc.PatternGetString(p, FC_FONTFORMAT, 0, &format) != FcResultMatch)
        return;
    const char *path = reinterpret_cast<const char *>(file);
    const char *slash = std::strrchr(path, '/');
    const char *base = slash ? slash + 1 : path;
    if (std::strcmp(reinterpret_cast<const char *>(format), "TrueType") != 0 || !HasSuffix(base, ".ttf") ||
        std::strchr(base, '\n'))
        return;
    /* Fonts of mathematical symbols set no ordinary text; offering one
     * first in the font chooser only confuses. */
    FcChar8 *family;
    if (fc.PatternGetString(p, FC_FAMILY, 0, &family) == FcResultMatch &&
        std::strstr(reinterpret_cast<const char *>(family), "Math"))
        return;
    found.push_back(SystemFont{path, base, PreferredFamily(p)});
}

static std::vector<SystemFont> FindSystemFonts(void)
{
    std::vector<SystemFont> found;
    if (!LoadFontconfig())
        return found;
    FcPattern *pattern = fc.PatternCreate();
    FcObjectSet *os = fc.ObjectSetCreate();
    bool built = os && fc.ObjectSetAdd(os, FC_FILE) && fc.ObjectSetAdd(os, FC_FONTFORMAT) &&
                 fc.ObjectSetAdd(os, FC_FAMILY);
    FcFontSet *set = (pattern && built) ? fc.FontList(nullptr, pattern, os) : nullptr;
    for (int i = 0; set && i < set->nfont; i++)
        AddSystemFont(set->fonts[i], found);
    if (set)
        fc.FontSetDestroy(set);
    if (os)
        fc.ObjectSetDestroy(os);
    if (pattern)
        fc.PatternDestroy(pattern);
    return found;
}

/* The families the program knows first, then the rest by file name, so the
 * same 80 come every time; a base name is linked once. `drawer` is a host
 * path. */
static void LinkSystemFonts(const std::string &drawer)
{
    std::vector<SystemFont> fonts = FindSystemFonts();
    std::sort(fonts.begin(), fonts.end(), [](const SystemFont &a, const SystemFont &b) {
        if (a.preferred != b.preferred)
            return a.preferred;
        return a.base != b.base ? a.base < b.base : a.path < b.path;
    });
    std::vector<std::string> linked;
    for (const SystemFont &f : fonts) {
        if (linked.size() >= MAX_LINKS)
            break;
        if (std::find(linked.begin(), linked.end(), f.base) != linked.end())
            continue;
        std::string link = drawer + "/" + f.base;
        if (symlink(f.path.c_str(), link.c_str()) == 0)
            linked.push_back(f.base);
    }
    DebugPrint("InstallFonts: %zu fonts linked\n", linked.size());
}

/* The drawer is filled under a name of its own and renamed into place, so
 * that another start at the same time finds it whole or not at all; when
 * another was quicker, its drawer stays and this one goes. */
static void MakeDrawer(void)
{
    std::string drawer = HostPath(TT_DRAWER), temp = drawer + ".XXXXXX";
    if (drawer.empty() || !mkdtemp(&temp[0]))
        return;
    chmod(temp.c_str(), 0755); /* as CreateDirTree makes folders */
    LinkSystemFonts(temp);
    if (rename(temp.c_str(), drawer.c_str()) != 0)
        DeleteAll(temp.c_str());
}

/* ------------------------------------------------------------ descriptions */

/* d must fit the one byte in which the catalogue reads it back. */
static bool MeasureFont(const char *ttpath, FontMetrics *m)
{
    TrueTypeMetrics tt;
    if (!ReadTrueTypeMetrics(ttpath, &tt) || tt.unitsPerEm == 0 || tt.blank < 0)
        return false;
    double upm = tt.unitsPerEm;
    long d = std::lround(100.0 * (double(tt.ascender) - tt.descender) / upm);
    if (d < 1 || d > 255)
        return false;
    m->d = uint32_t(d);
    m->space = uint32_t(std::lround(tt.blank / upm * (100.0 / d) * 2540.0 * 250.0 / 72.0));
    return true;
}

/* Written beside and renamed into place: another start installing the
 * same fonts at once, or a job reading them, never finds a file half
 * written. */
static bool WriteWhole(const std::string &path, const void *data, size_t size)
{
    return WriteFileReplacing(path.c_str(), std::string(static_cast<const char *>(data), size));
}

static void PutBe32(uint8_t *p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

/* OT_YSizeFactor comes first: the catalogue finds d as the byte two places
 * after the first byte of value 100 in the file. OT_SpaceWidth is chosen so
 * that (SW / 2540) x (N / 250) x 72 is the blank's width in points at the
 * PDF size N x 100 / d. */
static bool WriteTagFile(const std::string &path, const FontMetrics &m)
{
    uint8_t tags[24];
    PutBe32(tags, OT_YSizeFactor);
    PutBe32(tags + 4, 100u << 16 | m.d);
    PutBe32(tags + 8, OT_SpaceWidth);
    PutBe32(tags + 12, m.space);
    PutBe32(tags + 16, 0);
    PutBe32(tags + 20, 0);
    return WriteWhole(path, tags, sizeof(tags));
}

static bool WriteFontFile(const std::string &path, const std::string &ttpath)
{
    std::string text = SCREENFONT_MAGIC "\n" + ttpath + "\n";
    return WriteWhole(path, text.data(), text.size());
}

/* The tag file is written first, so a ".font" never stands without it. */
static void DescribeFont(const std::string &entry)
{
    std::string ttpath = TT_DRAWER "/" + entry;
    char name[256];
    if (ttpath.size() > 255 || entry.find('\n') != std::string::npos || !FontFileName(ttpath.c_str(), name) ||
        std::strchr(name, '/'))
        return;
    std::string base = std::string("FONTS:") + name;
    FontMetrics m;
    /* Only whole TrueType outline fonts: a damaged one, or one of another
     * outline kind under a .ttf name, could be shown but never embedded. */
    if (FileExists((base + ".font").c_str()) || !TrueTypeUsable(ttpath.c_str()) ||
        !MeasureFont(ttpath.c_str(), &m))
        return;
    if (WriteTagFile(base + ".otag", m) && WriteFontFile(base + ".font", ttpath))
        DebugPrint("InstallFonts: %s from %s\n", name, ttpath.c_str());
}

static void DescribeDrawer(void)
{
    std::vector<DirEntry> entries;
    if (!ListDirectory(TT_DRAWER, entries))
        return;
    for (const DirEntry &e : entries)
        if (e.kind == FK_FILE || e.kind == FK_LINK)
            DescribeFont(e.name);
}
