/*
 * ttfcheck.cpp - the structural check of TrueType files (see ttfcheck.h).
 * The whole file is read once; every offset is checked before it is used.
 */
#include "platform/ttfcheck.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace {

struct Table {
    uint32_t offset, length;
    bool found;
};

struct Font {
    std::vector<uint8_t> data;
    Table head, hhea, maxp, hmtx, loca, glyf, cmap;
};

}

static uint32_t U16(const Font &f, size_t at)
{
    return at + 2 <= f.data.size() ? uint32_t(f.data[at]) << 8 | f.data[at + 1] : 0;
}

static uint32_t U32(const Font &f, size_t at)
{
    return at + 4 <= f.data.size() ? U16(f, at) << 16 | U16(f, at + 2) : 0;
}

static bool ReadWhole(const char *path, std::vector<uint8_t> &data)
{
    FILE *fp = OpenFile(path, "rb");
    if (!fp)
        return false;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), fp)) > 0 && data.size() < (64u << 20))
        data.insert(data.end(), buf, buf + n);
    std::fclose(fp);
    return data.size() >= 12 && data.size() < (64u << 20);
}

static bool ReadDirectory(Font &f)
{
    uint32_t tables = U16(f, 4);
    if (12 + 16ull * tables > f.data.size())
        return false;
    struct { const char *tag; Table *t; } wanted[] = {
        {"head", &f.head}, {"hhea", &f.hhea}, {"maxp", &f.maxp}, {"hmtx", &f.hmtx},
        {"loca", &f.loca}, {"glyf", &f.glyf}, {"cmap", &f.cmap},
    };
    for (uint32_t i = 0; i < tables; i++) {
        size_t rec = 12 + 16 * size_t(i);
        uint32_t offset = U32(f, rec + 8), length = U32(f, rec + 12);
        if (uint64_t(offset) + length > f.data.size())
            return false;
        for (auto &w : wanted)
            if (!std::memcmp(&f.data[rec], w.tag, 4))
                *w.t = Table{offset, length, true};
    }
    for (auto &w : wanted)
        if (!w.t->found)
            return false; /* no glyf: an outline font of another kind */
    return f.head.length >= 54 && f.hhea.length >= 36 && f.maxp.length >= 6;
}

/* Glyph offsets rise and stay inside glyf. */
static bool LocaFits(const Font &f, uint32_t glyphs)
{
    bool longs = U16(f, f.head.offset + 50) != 0;
    uint64_t need = uint64_t(glyphs + 1) * (longs ? 4 : 2);
    if (need > f.loca.length)
        return false;
    uint32_t prev = 0;
    for (uint32_t g = 0; g <= glyphs; g++) {
        size_t at = f.loca.offset + size_t(g) * (longs ? 4 : 2);
        uint32_t off = longs ? U32(f, at) : U16(f, at) * 2;
        if (off < prev || off > f.glyf.length)
            return false;
        prev = off;
    }
    return true;
}

static bool CmapFits(const Font &f)
{
    uint32_t subtables = U16(f, f.cmap.offset + 2);
    if (4 + 8ull * subtables > f.cmap.length)
        return false;
    for (uint32_t i = 0; i < subtables; i++) {
        uint32_t off = U32(f, f.cmap.offset + 4 + 8 * size_t(i) + 4);
        if (uint64_t(off) + 4 > f.cmap.length)
            return false;
    }
    return true;
}

bool TrueTypeUsable(const char *path)
{
    Font f = {};
    if (!ReadWhole(path, f.data) || !ReadDirectory(f))
        return false;
    uint32_t glyphs = U16(f, f.maxp.offset + 4);
    uint32_t metrics = U16(f, f.hhea.offset + 34);
    if (glyphs == 0 || metrics == 0 || metrics > glyphs)
        return false;
    if (4ull * metrics + 2ull * (glyphs - metrics) > f.hmtx.length)
        return false;
    return LocaFits(f, glyphs) && CmapFits(f);
}
