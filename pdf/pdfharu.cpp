/*
 * pdfharu.cpp - the parts of libharu the program does itself (see
 * pdfharu.h).
 *
 * Some of libharu's own routines are defined here again, the library
 * calling them through its symbol table: the copying and filling of
 * memory, the lookup of a character's glyph and of a glyph's width, the
 * writing of the file a document embeds of a TrueType font, and of one
 * stream into another. All but the last give what libharu's give, byte
 * for byte, only faster: libharu copies and fills memory a byte at a time,
 * searches the character map one segment at a time, for each of the 65,536
 * codes when a document takes a font's Unicode face, and copies and sums
 * every table of the embedded file four bytes at a time through its
 * stream calls. A merge writing one PDF per record spent most of its time
 * there. A compressed stream comes out as libharu's inflates, but
 * compressed in parts and with what was kept from the documents before
 * (see "compressed streams").
 *
 * Relies on the layout of libharu 2.3.0's streams and TrueType font
 * definitions (hpdf_streams.h, hpdf_fontdef.h). Invariant: nothing here
 * owns an object with a destructor (the export's error recovery may jump
 * out of the libharu calls around it); the buffers are the program's own.
 */
#include "pdf/pdfharu.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <dlfcn.h>
#include <vector>

#include <hpdf_conf.h>
#include <hpdf_encrypt.h>
#include <hpdf_fontdef.h>
#include <hpdf_streams.h>
#include <hpdf_utils.h>
#include <zlib.h>

#include "platform/files.h"

static_assert(HPDF_VERSION_ID == 20300, "the streams and TrueType font definitions of libharu 2.3.0");

/* ------------------------------------------------------------ memory */

/* Both return the end of what they wrote, as libharu's do. Most of
 * libharu's copies are of two or four bytes, which a call into the C
 * library would only slow; longer overlapping copies are moved whole. */
HPDF_BYTE *HPDF_MemCpy(HPDF_BYTE *out, const HPDF_BYTE *in, HPDF_UINT n)
{
    if (n <= 8) {
        while (n--)
            *out++ = *in++;
        return out;
    }
    std::memmove(out, in, n);
    return out + n;
}

void *HPDF_MemSet(void *s, HPDF_BYTE c, HPDF_UINT n)
{
    if (n)
        std::memset(s, c, n);
    return static_cast<HPDF_BYTE *>(s) + n;
}

/* ------------------------------------------------------------ fonts from memory */

/* A stream that reads the kept bytes of a font in place: libharu reads a
 * font in pieces of a few bytes, and its own memory streams copy each
 * piece byte by byte. */
struct BytesReader {
    const char *data;
    size_t size, pos;
};

static HPDF_STATUS ReadBytes(HPDF_Stream stream, HPDF_BYTE *ptr, HPDF_UINT *size)
{
    BytesReader *r = static_cast<BytesReader *>(stream->attr);
    size_t left = r->size - r->pos, n = std::min<size_t>(*size, left);
    HPDF_MemCpy(ptr, reinterpret_cast<const HPDF_BYTE *>(r->data) + r->pos, HPDF_UINT(n));
    r->pos += n;
    if (n == *size)
        return HPDF_OK;
    std::memset(ptr + n, 0, *size - n);
    *size = HPDF_UINT(n);
    return HPDF_STREAM_EOF;
}

static HPDF_STATUS SeekBytes(HPDF_Stream stream, HPDF_INT pos, HPDF_WhenceMode mode)
{
    BytesReader *r = static_cast<BytesReader *>(stream->attr);
    long long to = pos + (mode == HPDF_SEEK_CUR ? (long long)r->pos : mode == HPDF_SEEK_END ? (long long)r->size : 0);
    if (to < 0 || to > (long long)r->size)
        return HPDF_SetError(stream->error, HPDF_STREAM_EOF, 0);
    r->pos = size_t(to);
    return HPDF_OK;
}

static HPDF_INT32 TellBytes(HPDF_Stream stream)
{
    return HPDF_INT32(static_cast<BytesReader *>(stream->attr)->pos);
}

static HPDF_UINT32 SizeBytes(HPDF_Stream stream)
{
    return HPDF_UINT32(static_cast<BytesReader *>(stream->attr)->size);
}

static void FreeBytes(HPDF_Stream stream)
{
    HPDF_FreeMem(stream->mmgr, stream->attr);
    stream->attr = nullptr;
}

HPDF_Stream BytesStream(HPDF_MMgr mmgr, HPDF_Error error, const char *data, size_t size)
{
    HPDF_Stream stream = static_cast<HPDF_Stream>(HPDF_GetMem(mmgr, sizeof(HPDF_Stream_Rec)));
    BytesReader *r = stream ? static_cast<BytesReader *>(HPDF_GetMem(mmgr, sizeof(BytesReader))) : nullptr;
    if (!r) {
        HPDF_FreeMem(mmgr, stream);
        return nullptr;
    }
    *r = BytesReader{data, size, 0};
    std::memset(stream, 0, sizeof(HPDF_Stream_Rec));
    stream->sig_bytes = HPDF_STREAM_SIG_BYTES;
    stream->type = HPDF_STREAM_CALLBACK;
    stream->mmgr = mmgr;
    stream->error = error;
    stream->size = HPDF_UINT(size);
    stream->read_fn = ReadBytes;
    stream->seek_fn = SeekBytes;
    stream->tell_fn = TellBytes;
    stream->size_fn = SizeBytes;
    stream->free_fn = FreeBytes;
    stream->attr = r;
    return stream;
}

/* ------------------------------------------------------------ glyphs */

/* The segment that holds `unicode`, if any: the first whose end is not
 * below it. Codes come in ascending order mostly, so the segment found
 * last is tried first; it is taken only when it is the one the halving
 * would find. */
static HPDF_UINT FindSegment(const HPDF_TTF_CmapRange &cmap, HPDF_UINT segs, HPDF_UINT16 unicode)
{
    static HPDF_UINT last;
    if (last < segs && cmap.end_count[last] >= unicode && (last == 0 || cmap.end_count[last - 1] < unicode))
        return last;
    last = HPDF_UINT(std::lower_bound(cmap.end_count, cmap.end_count + segs, unicode) - cmap.end_count);
    return last;
}

/* The segments are in ascending order, as the sanitizer makes sure, so the
 * one found is the one libharu's search finds. */
static HPDF_UINT16 LookUpGlyph(HPDF_FontDef fontdef, HPDF_UINT16 unicode)
{
    const HPDF_TTF_CmapRange &cmap = static_cast<HPDF_TTFontDefAttr>(fontdef->attr)->cmap;
    if (cmap.format == 0)
        return cmap.glyph_id_array[unicode & 0xFF];
    if (cmap.seg_count_x2 == 0) {
        HPDF_SetError(fontdef->error, HPDF_TTF_INVALID_CMAP, 0);
        return 0;
    }
    HPDF_UINT segs = cmap.seg_count_x2 / 2;
    HPDF_UINT i = FindSegment(cmap, segs, unicode);
    if (i == segs || cmap.start_count[i] > unicode)
        return 0;
    if (cmap.id_range_offset[i] == 0)
        return HPDF_UINT16(unicode + cmap.id_delta[i]);
    HPDF_UINT idx = cmap.id_range_offset[i] / 2 + (unicode - cmap.start_count[i]) - (segs - i);
    return idx >= cmap.glyph_id_array_count ? 0 : cmap.glyph_id_array[idx];
}

/* libharu's width of a glyph, in thousandths of the em; an em of no
 * units (which the sanitizer refuses) gives no width, not a fault. */
static HPDF_INT16 GlyphWidth(HPDF_FontDef fontdef, HPDF_UINT16 gid)
{
    HPDF_TTFontDefAttr attr = static_cast<HPDF_TTFontDefAttr>(fontdef->attr);
    if (gid >= attr->num_glyphs)
        return HPDF_INT16(fontdef->missing_width);
    HPDF_UINT em = attr->header.units_per_em;
    return em ? HPDF_INT16(HPDF_UINT16(HPDF_UINT(attr->h_metric[gid].advance_width) * 1000 / em)) : 0;
}

/* A definition that serves many documents, with the glyph of every code
 * and the width of every glyph looked up once: each document that takes
 * its Unicode face asks for all 65,536 of them. */
struct SteadyDef {
    HPDF_FontDef def;
    std::vector<HPDF_UINT16> glyph;
    std::vector<HPDF_INT16> width;
};
static std::deque<SteadyDef> steady_defs;

static const SteadyDef *Steady(HPDF_FontDef def)
{
    for (const SteadyDef &s : steady_defs)
        if (s.def == def)
            return &s;
    return nullptr;
}

/* A character map without segments stays with the lookup, which reports it. */
void SteadyFontDef(HPDF_FontDef def)
{
    HPDF_TTFontDefAttr attr = static_cast<HPDF_TTFontDefAttr>(def->attr);
    if (Steady(def) || (attr->cmap.format != 0 && attr->cmap.seg_count_x2 == 0))
        return;
    SteadyDef s{def, std::vector<HPDF_UINT16>(65536), std::vector<HPDF_INT16>(attr->num_glyphs)};
    for (HPDF_UINT code = 0; code < 65536; code++)
        s.glyph[code] = LookUpGlyph(def, HPDF_UINT16(code));
    for (HPDF_UINT16 gid = 0; gid < attr->num_glyphs; gid++)
        s.width[gid] = GlyphWidth(def, gid);
    steady_defs.push_back(std::move(s));
}

void ForgetFontDef(HPDF_FontDef def)
{
    for (size_t i = 0; i < steady_defs.size(); i++)
        if (steady_defs[i].def == def)
            steady_defs.erase(steady_defs.begin() + long(i--));
}

HPDF_UINT16 HPDF_TTFontDef_GetGlyphid(HPDF_FontDef fontdef, HPDF_UINT16 unicode)
{
    const SteadyDef *s = Steady(fontdef);
    return s ? s->glyph[unicode] : LookUpGlyph(fontdef, unicode);
}

/* A character's width as the text is set: libharu's own routine marks a
 * glyph used (and the glyphs a composite one is made of) the first time;
 * after that, a definition with its tables answers from them. Without the
 * tables, or for a glyph not yet used, libharu's routine answers, found
 * behind this one. */
HPDF_INT16 HPDF_TTFontDef_GetCharWidth(HPDF_FontDef fontdef, HPDF_UINT16 unicode)
{
    typedef HPDF_INT16 (*CharWidthFn)(HPDF_FontDef, HPDF_UINT16);
    static CharWidthFn libharu = reinterpret_cast<CharWidthFn>(dlsym(RTLD_NEXT, "HPDF_TTFontDef_GetCharWidth"));
    if (const SteadyDef *s = Steady(fontdef)) {
        HPDF_TTFontDefAttr attr = static_cast<HPDF_TTFontDefAttr>(fontdef->attr);
        HPDF_UINT16 gid = s->glyph[unicode];
        if (gid < attr->num_glyphs && attr->glyph_tbl.flgs[gid])
            return s->width[gid];
    }
    return libharu ? libharu(fontdef, unicode) : HPDF_INT16(fontdef->missing_width);
}

HPDF_INT16 HPDF_TTFontDef_GetGidWidth(HPDF_FontDef fontdef, HPDF_UINT16 gid)
{
    const SteadyDef *s = Steady(fontdef);
    if (!s)
        return GlyphWidth(fontdef, gid);
    return gid < s->width.size() ? s->width[gid] : HPDF_INT16(fontdef->missing_width);
}

/* ------------------------------------------------------------ the embedded file */

/* The tables libharu embeds, in its order; a missing one is embedded
 * empty. The file starts with the offset table and their directory. */
enum { TABLES = 13, DIRECTORY = 12 + 16 * TABLES };
static const char Tags[TABLES][5] = {"OS/2", "cmap", "cvt ", "fpgm", "glyf", "head", "hhea",
                                     "hmtx", "loca", "maxp", "name", "post", "prep"};
static const uint32_t CHECKSUM_BASE = 0xB1B0AFBA;

static std::vector<uint8_t> out;      /* the file being written */
static std::vector<uint32_t> located; /* the new loca table, before it is written */
static std::vector<uint8_t> strings;  /* the name table's strings */
static std::string copied;            /* a font not read from memory */

/* The bytes of a font. */
struct FontSpan {
    const char *data;
    size_t size;
};

static void Put16(std::vector<uint8_t> &v, uint32_t x)
{
    v.push_back(uint8_t(x >> 8));
    v.push_back(uint8_t(x));
}

static void Put32(std::vector<uint8_t> &v, uint32_t x)
{
    Put16(v, x >> 16);
    Put16(v, x);
}

static void Set32(uint8_t *p, uint32_t x)
{
    p[0] = uint8_t(x >> 24), p[1] = uint8_t(x >> 16), p[2] = uint8_t(x >> 8), p[3] = uint8_t(x);
}

/* `n` bytes of the font from `at`; false when the font is shorter. */
static bool Append(std::vector<uint8_t> &v, const FontSpan &font, uint64_t at, uint64_t n)
{
    if (at > font.size || n > font.size - at)
        return false;
    const uint8_t *p = reinterpret_cast<const uint8_t *>(font.data) + at;
    v.insert(v.end(), p, p + n);
    return true;
}

/* The bytes of the font the definition reads: in place for a font from
 * memory, else a copy through its stream. False when they cannot be read. */
static bool FontBytes(HPDF_TTFontDefAttr attr, FontSpan *font)
{
    HPDF_Stream s = attr->stream;
    if (s->read_fn == ReadBytes) {
        const BytesReader *r = static_cast<const BytesReader *>(s->attr);
        *font = FontSpan{r->data, r->size};
        return true;
    }
    HPDF_UINT size = HPDF_Stream_Size(s);
    copied.assign(size, '\0');
    if (size && (HPDF_Stream_Seek(s, 0, HPDF_SEEK_SET) != HPDF_OK ||
                 HPDF_Stream_Read(s, reinterpret_cast<HPDF_BYTE *>(copied.data()), &size) != HPDF_OK))
        return false;
    *font = FontSpan{copied.data(), copied.size()};
    return true;
}

static const HPDF_TTFTable *FindTable(HPDF_TTFontDefAttr attr, const char *tag)
{
    for (HPDF_UINT i = 0; i < attr->offset_tbl.num_tables; i++)
        if (!std::memcmp(attr->offset_tbl.table[i].tag, tag, 4))
            return &attr->offset_tbl.table[i];
    return nullptr;
}

/* The head table from its parsed fields, the checksum adjustment 0 until
 * the whole file is summed; *adjust is where it goes. */
static void WriteHead(HPDF_TTFontDefAttr attr, size_t *adjust)
{
    const HPDF_TTF_FontHeader &h = attr->header;
    out.insert(out.end(), h.version_number, h.version_number + 4);
    Put32(out, h.font_revision);
    *adjust = out.size();
    Put32(out, 0);
    Put32(out, h.magic_number);
    Put16(out, h.flags);
    Put16(out, h.units_per_em);
    out.insert(out.end(), h.created, h.created + 8);
    out.insert(out.end(), h.modified, h.modified + 8);
    for (int v : {h.x_min, h.y_min, h.x_max, h.y_max})
        Put16(out, uint16_t(v));
    Put16(out, h.mac_style);
    Put16(out, h.lowest_rec_ppem);
    for (int v : {h.font_direction_hint, h.index_to_loc_format, h.glyph_data_format})
        Put16(out, uint16_t(v));
}

/* The glyphs the document uses, the others left empty; their new offsets
 * (halved in the short form) go to `located` for the loca table. */
static bool WriteGlyphs(HPDF_TTFontDefAttr attr, const FontSpan &font)
{
    bool shortform = attr->header.index_to_loc_format == 0;
    const HPDF_UINT32 *offsets = attr->glyph_tbl.offsets;
    size_t start = out.size();
    uint32_t next = 0;
    located.assign(size_t(attr->num_glyphs) + 1, 0);
    for (HPDF_UINT i = 0; i < attr->num_glyphs; i++) {
        if (attr->glyph_tbl.flgs[i] != 1) {
            located[i] = next;
            continue;
        }
        uint32_t from = offsets[i], len = offsets[i + 1] - from;
        located[i] = uint32_t(out.size() - start) / (shortform ? 2 : 1);
        uint64_t at = attr->glyph_tbl.base_offset + uint64_t(from) * (shortform ? 2 : 1);
        if (offsets[i + 1] < from || !Append(out, font, at, uint64_t(len) * (shortform ? 2 : 1)))
            return false;
        next = uint32_t(out.size() - start) / (shortform ? 2 : 1);
    }
    located[attr->num_glyphs] = next;
    return true;
}

static void WriteLoca(HPDF_TTFontDefAttr attr)
{
    bool shortform = attr->header.index_to_loc_format == 0;
    size_t at = out.size();
    out.resize(at + located.size() * (shortform ? 2 : 4));
    for (uint32_t o : located) {
        if (!shortform)
            out[at++] = uint8_t(o >> 24), out[at++] = uint8_t(o >> 16);
        out[at++] = uint8_t(o >> 8), out[at++] = uint8_t(o);
    }
}

/* The names with the subset tag before the family and full names (in
 * UTF-16 for the Unicode and Windows platforms), their strings after the
 * records, the string offset as the font had it. */
static bool WriteNames(HPDF_TTFontDefAttr attr, const FontSpan &font, const HPDF_TTFTable *tbl)
{
    const HPDF_TTF_NamingTable &names = attr->name_tbl;
    Put16(out, names.format);
    Put16(out, names.count);
    Put16(out, names.string_offset);
    strings.clear();
    for (HPDF_UINT i = 0; i < names.count; i++) {
        const HPDF_TTF_NameRecord &rec = names.name_records[i];
        size_t at = strings.size(), len = rec.length;
        if (rec.name_id == 1 || rec.name_id == 4) {
            bool wide = rec.platform_id == 0 || rec.platform_id == 3;
            const char *tag = wide ? attr->tag_name2 : attr->tag_name;
            size_t n = wide ? sizeof(attr->tag_name2) : sizeof(attr->tag_name);
            strings.insert(strings.end(), tag, tag + n);
            len += n;
        }
        for (uint32_t v : {rec.platform_id, rec.encoding_id, rec.language_id, rec.name_id})
            Put16(out, v);
        Put16(out, uint32_t(len));
        Put16(out, uint32_t(at));
        if (!Append(strings, font, uint64_t(tbl->offset) + names.string_offset + rec.offset, rec.length))
            return false;
    }
    out.insert(out.end(), strings.begin(), strings.end());
    return true;
}

static bool WriteTable(HPDF_TTFontDefAttr attr, const FontSpan &font, const char *tag, size_t *adjust)
{
    const HPDF_TTFTable *tbl = FindTable(attr, tag);
    if (!std::strcmp(tag, "head")) {
        WriteHead(attr, adjust);
        return true;
    }
    if (!std::strcmp(tag, "glyf"))
        return WriteGlyphs(attr, font);
    if (!std::strcmp(tag, "loca")) {
        WriteLoca(attr);
        return true;
    }
    if (!tbl)
        return true;
    if (!std::strcmp(tag, "name"))
        return WriteNames(attr, font, tbl);
    return Append(out, font, tbl->offset, tbl->length);
}

/* The sum of the big-endian words of `n` bytes, a last part word filled
 * with zeros; without `part`, a last part word does not count. */
static uint32_t Sum(const uint8_t *p, size_t n, bool part)
{
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 4 <= n; i += 4)
        sum += uint32_t(p[i]) << 24 | uint32_t(p[i + 1]) << 16 | uint32_t(p[i + 2]) << 8 | p[i + 3];
    uint8_t last[4] = {0, 0, 0, 0};
    if (part && i < n) {
        std::memcpy(last, p + i, n - i);
        sum += uint32_t(last[0]) << 24 | uint32_t(last[1]) << 16 | uint32_t(last[2]) << 8 | last[3];
    }
    return sum;
}

/* The offset table and the directory: each table's checksum, offset and
 * length, the tables unpadded one after the other; then the checksum
 * adjustment, summed over the tables alone. */
static void WriteDirectory(HPDF_TTFontDefAttr attr, const size_t start[TABLES + 1], size_t adjust)
{
    uint8_t *p = out.data();
    Set32(p, attr->offset_tbl.sfnt_version);
    uint32_t counts[3] = {attr->offset_tbl.search_range, attr->offset_tbl.entry_selector, attr->offset_tbl.range_shift};
    p[4] = 0, p[5] = TABLES;
    for (int i = 0; i < 3; i++)
        p[6 + 2 * i] = uint8_t(counts[i] >> 8), p[7 + 2 * i] = uint8_t(counts[i]);
    for (int i = 0; i < TABLES; i++) {
        uint8_t *e = p + 12 + 16 * i;
        std::memcpy(e, Tags[i], 4);
        Set32(e + 4, Sum(p + start[i], start[i + 1] - start[i], true));
        Set32(e + 8, uint32_t(start[i]));
        Set32(e + 12, uint32_t(start[i + 1] - start[i]));
    }
    Set32(p + adjust, CHECKSUM_BASE - Sum(p + DIRECTORY, out.size() - DIRECTORY, false));
}

static void KeepFontFile(HPDF_Stream stream, const size_t start[TABLES + 1]);

/* The file a document embeds of a TrueType font, written to `stream` as
 * libharu writes it; its length goes to the definition's length1. */
HPDF_STATUS HPDF_TTFontDef_SaveFontData(HPDF_FontDef fontdef, HPDF_Stream stream)
{
    HPDF_TTFontDefAttr attr = static_cast<HPDF_TTFontDefAttr>(fontdef->attr);
    FontSpan font = {};
    bool read = FontBytes(attr, &font);
    size_t start[TABLES + 1], adjust = 0;
    out.assign(DIRECTORY, 0);
    if (read)
        out.reserve(font.size + located.size() * 4);
    for (int i = 0; read && i < TABLES; i++) {
        start[i] = out.size();
        read = WriteTable(attr, font, Tags[i], &adjust);
    }
    if (!read)
        return HPDF_SetError(fontdef->error, HPDF_TTF_INVALID_FOMAT, 0);
    start[TABLES] = out.size();
    WriteDirectory(attr, start, adjust);
    attr->length1 = HPDF_UINT(out.size());
    KeepFontFile(stream, start);
    return HPDF_Stream_Write(stream, out.data(), HPDF_UINT(out.size()));
}

/* ------------------------------------------------------------ compressed streams */

/* libharu compresses every stream of every document anew, even when its
 * bytes are those it compressed for the last document of a merge: the
 * tables of an embedded font but its glyphs, their locations and its head,
 * and a Unicode face's map of glyphs. Those bytes are kept with their
 * compressed form and written again. An embedded font file is written as
 * a zlib stream of parts, each compressed on its own and flushed to a byte
 * boundary, the parts that change made anew, the others taken as kept;
 * its checksum is put together from the parts'. A font file is known by
 * its directory, which sums every table; another stream is taken as kept
 * only when its bytes are the kept ones, compared in full. Other streams
 * are kept from PACK_LEAST to PACK_MOST bytes: a picture of several
 * megabytes is compressed anew rather than held twice. */
enum { PACKED_MOST = 32, PACK_LEAST = 32768, PACK_MOST = 1 << 20, FONT_PARTS = 7 };

/* A run of tables of a font file written by SaveFontData; `steady` when it
 * is the same in every document. */
struct FontPart {
    size_t from, to;
    bool steady;
};

/* A font file waiting to be written: its size, its directory (which
 * tells its parts, each table's place and checksum) and parts. */
struct FontFile {
    HPDF_Stream stream;
    size_t size;
    uint8_t directory[DIRECTORY];
    FontPart parts[FONT_PARTS];
};

/* Bytes compressed before: as a part (raw, flushed) or as a whole zlib
 * stream, with the checksum of the bytes. */
struct Packed {
    std::string plain, packed;
    bool whole;
    uLong adler;
};

static std::deque<FontFile> font_files; /* of the document being written */
static std::deque<Packed> packed;       /* the newest last */
static std::string plain;               /* a stream's bytes, read out */
static std::string zout;                /* a compressed stream being made */

/* The parts: the directory, then the tables in libharu's order, the glyphs,
 * head and loca tables each a part of its own. */
static void KeepFontFile(HPDF_Stream stream, const size_t start[TABLES + 1])
{
    static const int Cuts[FONT_PARTS + 1] = {-1, 0, 4, 5, 6, 8, 9, TABLES};
    FontFile f{stream, out.size(), {}, {}};
    std::memcpy(f.directory, out.data(), DIRECTORY);
    for (int i = 0; i < FONT_PARTS; i++) {
        f.parts[i].from = Cuts[i] < 0 ? 0 : start[Cuts[i]];
        f.parts[i].to = start[Cuts[i + 1]];
        f.parts[i].steady = i == 1 || i == 4 || i == 6;
    }
    for (FontFile &old : font_files)
        if (old.stream == stream) {
            old = f;
            return;
        }
    if (font_files.size() >= PACKED_MOST)
        font_files.pop_front();
    font_files.push_back(f);
}

/* Appends the deflated `n` bytes to `to`: raw and flushed to a byte
 * boundary for a part, a whole zlib stream otherwise. */
static bool Deflate(const char *p, size_t n, bool whole, std::string *to)
{
    z_stream z;
    std::memset(&z, 0, sizeof(z));
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, whole ? 15 : -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    size_t at = to->size();
    to->resize(at + deflateBound(&z, uLong(n)) + 16);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(p));
    z.avail_in = uInt(n);
    z.next_out = reinterpret_cast<Bytef *>(to->data() + at);
    z.avail_out = uInt(to->size() - at);
    int rc = deflate(&z, whole ? Z_FINISH : Z_SYNC_FLUSH);
    bool ok = whole ? rc == Z_STREAM_END : rc == Z_OK && z.avail_in == 0 && z.avail_out > 0;
    to->resize(ok ? to->size() - z.avail_out : at);
    deflateEnd(&z);
    return ok;
}

/* The kept compressed form of those bytes, made and kept when there is none. */
static const Packed *Pack(const char *p, size_t n, bool whole)
{
    for (const Packed &k : packed)
        if (k.whole == whole && k.plain.size() == n && !std::memcmp(k.plain.data(), p, n))
            return &k;
    uLong adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef *>(p), uInt(n));
    Packed k{std::string(p, n), std::string(), whole, adler};
    if (!Deflate(p, n, whole, &k.packed))
        return nullptr;
    if (packed.size() >= PACKED_MOST)
        packed.pop_front();
    packed.push_back(std::move(k));
    return &packed.back();
}

/* The font file in `plain` as a zlib stream in `zout`. */
static bool PackFontFile(const FontFile &f)
{
    zout.assign("\x78\x9c", 2);
    uLong adler = adler32(0, nullptr, 0);
    for (const FontPart &part : f.parts) {
        const char *p = plain.data() + part.from;
        size_t n = part.to - part.from;
        const Packed *k = part.steady ? Pack(p, n, false) : nullptr;
        if (k)
            zout += k->packed;
        else if (part.steady || !Deflate(p, n, false, &zout))
            return false;
        uLong a = k ? k->adler : adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef *>(p), uInt(n));
        adler = adler32_combine(adler, a, z_off_t(n));
    }
    zout.append("\x03\x00", 2); /* the last block, empty */
    for (int shift = 24; shift >= 0; shift -= 8)
        zout += char(adler >> shift);
    return true;
}

/* The whole of a stream, read out into `plain`. */
static bool ReadOut(HPDF_Stream src)
{
    HPDF_UINT size = HPDF_Stream_Size(src);
    plain.resize(size);
    return HPDF_Stream_Seek(src, 0, HPDF_SEEK_SET) == HPDF_OK &&
           HPDF_Stream_Read(src, reinterpret_cast<HPDF_BYTE *>(plain.data()), &size) == HPDF_OK;
}

/* A font file or a large stream, compressed with what is kept of it; false
 * when it is neither, or cannot be, and libharu compresses it. */
static bool WritePacked(HPDF_Stream src, HPDF_Stream dst, HPDF_STATUS *rc)
{
    const FontFile *font = nullptr;
    for (const FontFile &f : font_files)
        if (f.stream == src)
            font = &f;
    HPDF_UINT size = HPDF_Stream_Size(src);
    if ((!font && (size < PACK_LEAST || size > PACK_MOST)) || !ReadOut(src))
        return false;
    const std::string *bytes = nullptr;
    if (font && font->size == plain.size() && !std::memcmp(font->directory, plain.data(), DIRECTORY)) {
        if (PackFontFile(*font))
            bytes = &zout;
    } else if (const Packed *k = Pack(plain.data(), plain.size(), true)) {
        bytes = &k->packed;
    }
    if (!bytes)
        return false;
    *rc = HPDF_Stream_Write(dst, reinterpret_cast<const HPDF_BYTE *>(bytes->data()), HPDF_UINT(bytes->size()));
    return true;
}

/* Exported by libharu 2.3.0 but in none of its headers. */
extern "C" HPDF_STATUS HPDF_Stream_WriteToStreamWithDeflate(HPDF_Stream src, HPDF_Stream dst, HPDF_Encrypt e);

/* libharu's writing of a stream into another, compressed when the filter
 * says so, encrypted when the document is; compressed through what was
 * kept of it when it can be. */
HPDF_STATUS HPDF_Stream_WriteToStream(HPDF_Stream src, HPDF_Stream dst, HPDF_UINT filter, HPDF_Encrypt e)
{
    if (!dst || !dst->write_fn) {
        HPDF_SetError(src->error, HPDF_INVALID_OBJECT, 0);
        return HPDF_INVALID_OBJECT;
    }
    if (HPDF_Error_GetCode(src->error) != HPDF_NOERROR || HPDF_Error_GetCode(dst->error) != HPDF_NOERROR)
        return HPDF_THIS_FUNC_WAS_SKIPPED;
    if (HPDF_Stream_Size(src) == 0)
        return HPDF_OK;
    HPDF_STATUS rc = HPDF_OK;
    if ((filter & HPDF_STREAM_FILTER_FLATE_DECODE) && !e && WritePacked(src, dst, &rc))
        return rc;
    if (filter & HPDF_STREAM_FILTER_FLATE_DECODE)
        return HPDF_Stream_WriteToStreamWithDeflate(src, dst, e);
    if ((rc = HPDF_Stream_Seek(src, 0, HPDF_SEEK_SET)) != HPDF_OK)
        return rc;
    HPDF_BYTE buf[HPDF_STREAM_BUF_SIZ], ebuf[HPDF_STREAM_BUF_SIZ];
    for (bool last = false; !last;) {
        HPDF_UINT size = HPDF_STREAM_BUF_SIZ;
        rc = HPDF_Stream_Read(src, buf, &size);
        if (rc != HPDF_OK && rc != HPDF_STREAM_EOF)
            return rc;
        last = rc == HPDF_STREAM_EOF;
        if (last && size == 0)
            break;
        if (e)
            HPDF_Encrypt_CryptBuf(e, buf, ebuf, size);
        if ((rc = HPDF_Stream_Write(dst, e ? ebuf : buf, size)) != HPDF_OK)
            return rc;
    }
    return HPDF_OK;
}

/* ------------------------------------------------------------ writing the document */

/* libharu hands its output stream a few bytes at a time: through the C
 * library's file calls each piece cost a locked call, and every 4 KB a
 * system call. The document's own stream gathers 64 KB first, few enough
 * pages for a short job to touch. */
enum { WRITE_BUFFER = 1 << 16 };
static char buffer[WRITE_BUFFER];
static size_t buffered;
static int out_fd = -1;

static bool Flush(void)
{
    bool ok = WriteAll(out_fd, buffer, buffered);
    buffered = 0;
    return ok;
}

/* A failed write: the system's reason stays in errno for the export. */
static HPDF_STATUS WriteOut(HPDF_Stream stream, const HPDF_BYTE *ptr, HPDF_UINT size)
{
    if (buffered + size > WRITE_BUFFER && !Flush())
        return HPDF_SetError(stream->error, HPDF_FILE_IO_ERROR, HPDF_STATUS(errno));
    if (size >= WRITE_BUFFER)
        return WriteAll(out_fd, reinterpret_cast<const char *>(ptr), size)
                   ? HPDF_OK
                   : HPDF_SetError(stream->error, HPDF_FILE_IO_ERROR, HPDF_STATUS(errno));
    std::memcpy(buffer + buffered, ptr, size);
    buffered += size;
    return HPDF_OK;
}

HPDF_STATUS SaveToDescriptor(HPDF_Doc pdf, int fd)
{
    HPDF_Stream stream = static_cast<HPDF_Stream>(HPDF_GetMem(pdf->mmgr, sizeof(HPDF_Stream_Rec)));
    if (!stream)
        return HPDF_CheckError(&pdf->error);
    std::memset(stream, 0, sizeof(HPDF_Stream_Rec));
    stream->sig_bytes = HPDF_STREAM_SIG_BYTES;
    stream->type = HPDF_STREAM_CALLBACK;
    stream->mmgr = pdf->mmgr;
    stream->error = &pdf->error;
    stream->write_fn = WriteOut;
    HPDF_Stream_Free(pdf->stream);
    pdf->stream = stream; /* the document's to free */
    out_fd = fd;
    buffered = 0;
    font_files.clear(); /* those of documents written before */
    HPDF_STATUS rc = HPDF_SaveToStream(pdf);
    if (rc == HPDF_OK && !Flush())
        return HPDF_RaiseError(&pdf->error, HPDF_FILE_IO_ERROR, HPDF_STATUS(errno));
    return rc;
}
