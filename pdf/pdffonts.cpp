/*
 * pdffonts.cpp - fonts of the PDF export.
 *
 * Texts are 8-bit Windows-1252 strings (what the screen shows), so the
 * TrueType fonts use libharu's "CP1252" encoding. Textboxes hold any
 * Unicode text: they set it in the same file embedded once more as a CID
 * font (Type0, Identity-H, with a ToUnicode map) through libharu's UTF-8
 * encoder. Each TrueType file is loaded into a document once and its
 * libharu name reused for every later element, since libharu reads the
 * whole file again on every load.
 *
 * libharu never sees a font file as the catalogue found it: it gets the
 * bytes the sanitizer made of the file (fontsanitize.h), from memory, in a
 * stream of the document's own that lives as long as the document
 * (pdfharu.h). Where
 * no font cache can be kept, the sanitizer writes into a private folder
 * made in the working area "PGT:" at the first load and removed when the
 * export ends (CloseharuFonts), after an error too. A merge reads each
 * font once for all the documents it writes (KeepFontCopies), and libharu
 * parses it once: each document borrows the definition and gives it back
 * before it is freed (ReturnharuFonts).
 *
 * Invariant: nothing here owns an object with a destructor, because the
 * export's error recovery may jump out of any libharu call made here.
 */
#include "pdf/pdffonts.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

#include <hpdf_doc.h>
#include <hpdf_font.h>
#include <hpdf_fontdef.h>
#include <hpdf_streams.h>

#include "core/settings.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfharu.h"
#include "platform/assign.h"
#include "platform/screenfont.h"
#include "platform/strutil.h"
#include "pdf/pdfexport.h"
#include "text/utilities.h"

enum { LOADED_MAX = 321 };

const char *errinfo = "";

/* TrueType files loaded into the current document, with their names. */
static const char *loaded_file[LOADED_MAX];
static const char *loaded_name[LOADED_MAX];
static int loaded_count;
static char described[LOADED_MAX][256]; /* files named only by a description */
static int described_count;
static HPDF_Doc font_doc;  /* the document fonts were last asked for */
static HPDF_Doc utf8_doc;  /* the document whose UTF-8 encoders are on */
static HPDF_Font unicode_font[LOADED_MAX]; /* its Unicode faces, their maps mended */
static int unicode_count;

/* The sanitized fonts of this export, by file; a merge writes many
 * documents from the same fonts and keeps them from one document to the
 * next until it ends, each with its libharu definition, parsed at its
 * first use and lent to each document in turn (Lend). The documents read
 * the bytes where they lie, so adding a font moves none of them. */
struct KeptFont {
    std::string file;
    FontBytes bytes;
    HPDF_FontDef def;
};
static bool keep_copies;
static std::deque<KeptFont> kept;
static HPDF_Error_Rec kept_error; /* the definitions' own, between documents */
static HPDF_MMgr kept_mmgr;       /* holds the definitions */

static void DropCopies(void)
{
    if (keep_copies)
        return;
    for (KeptFont &k : kept) {
        ForgetFontDef(k.def);
        HPDF_FontDef_Free(k.def);
        FreeFontBytes(&k.bytes);
    }
    kept.clear();
    FontCopiesClose();
}

void KeepFontCopies(bool keep)
{
    keep_copies = keep;
    DropCopies();
}

void ResetharuFonts(void)
{
    loaded_count = 0;
    described_count = 0;
    font_doc = utf8_doc = nullptr;
    unicode_count = 0;
    DropCopies();
}

/* Before the document is freed: the definitions it was lent go back. */
void ReturnharuFonts(HPDF_Doc pdf)
{
    for (KeptFont &k : kept) {
        if (!k.def)
            continue;
        HPDF_List_Remove(pdf->fontdef_list, k.def);
        k.def->error = &kept_error;
        static_cast<HPDF_TTFontDefAttr>(k.def->attr)->stream->error = &kept_error;
    }
}

/* Called once the document is freed: libharu no longer reads the copies. */
void CloseharuFonts(void)
{
    loaded_count = 0;
    described_count = 0;
    font_doc = utf8_doc = nullptr;
    unicode_count = 0;
    DropCopies();
}

const char *GetharuFont(const char *afont, int16_t *disk)
{
    for (uint32_t i = 0; i < fontconv_count; i++) {
        if (!fontconv[i][1] || Stricmp(fontconv[i][1], afont) != 0)
            continue;
        bool file = fontconv[i][0] && fontconv[i][0][0];
        *disk = file ? 1 : 0;
        errinfo = file ? fontconv[i][0] : fontconv[i][2];
        return errinfo;
    }
    errinfo = afont;
    return nullptr;
}

/* ------------------------------------------------------------ fonts from memory */

/* A failed libharu call: the document's error handler is told. */
static const char *LoadFailed(HPDF_Doc pdf)
{
    HPDF_CheckError(&pdf->error);
    return nullptr;
}

/* libharu's own reading of a TrueType definition, from a stream over the
 * font's bytes instead of the file; errors go to the document. */
static HPDF_FontDef OwnDefinition(HPDF_Doc pdf, const FontBytes &bytes)
{
    HPDF_Stream stream = BytesStream(pdf->mmgr, &pdf->error, FontData(bytes), bytes.size);
    return stream ? HPDF_TTFontDef_Load(pdf->mmgr, stream, HPDF_TRUE) : nullptr;
}

/* A merge's definition of a kept font, read at its first use, cleaned of
 * what the last document used of it and made to report to `pdf`: each
 * document of a merge would read the same definition again. */
static HPDF_FontDef Lend(HPDF_Doc pdf, KeptFont *k)
{
    if (!kept_mmgr) {
        HPDF_Error_Init(&kept_error, nullptr);
        kept_mmgr = HPDF_MMgr_New(&kept_error, 0, nullptr, nullptr);
    }
    if (!k->def) {
        HPDF_Stream stream = kept_mmgr ? BytesStream(kept_mmgr, &kept_error, FontData(k->bytes), k->bytes.size) : nullptr;
        k->def = stream ? HPDF_TTFontDef_Load(kept_mmgr, stream, HPDF_TRUE) : nullptr;
        if (k->def)
            SteadyFontDef(k->def);
    }
    if (!k->def) {
        HPDF_STATUS why = HPDF_Error_GetCode(&kept_error);
        HPDF_SetError(&pdf->error, why ? why : HPDF_FAILD_TO_ALLOC_MEM, HPDF_Error_GetDetailCode(&kept_error));
        HPDF_Error_Reset(&kept_error);
        return nullptr;
    }
    HPDF_FontDef_Cleanup(k->def);
    k->def->error = &pdf->error;
    static_cast<HPDF_TTFontDefAttr>(k->def->attr)->stream->error = &pdf->error;
    return k->def;
}

/* libharu's own loading of a TrueType file, from its sanitized bytes: the
 * definition is read (or lent, in a merge), refused when the document has
 * a font of that name already, and given the next subset tag of the
 * document. Errors go to the document's error handler, as they do from
 * HPDF_LoadTTFontFromFile. */
static const char *LoadFromMemory(HPDF_Doc pdf, KeptFont *k)
{
    static_assert(HPDF_VERSION_ID == 20300, "the document and font definition of libharu 2.3.0");
    HPDF_FontDef def = keep_copies ? Lend(pdf, k) : OwnDefinition(pdf, k->bytes);
    if (!def)
        return LoadFailed(pdf);
    bool own = def != k->def;
    if (HPDF_Doc_FindFontDef(pdf, def->base_font)) {
        if (own)
            HPDF_FontDef_Free(def);
        HPDF_SetError(&pdf->error, HPDF_FONT_EXISTS, 0);
        return LoadFailed(pdf);
    }
    if (HPDF_List_Add(pdf->fontdef_list, def) != HPDF_OK) {
        if (own)
            HPDF_FontDef_Free(def);
        return LoadFailed(pdf);
    }
    HPDF_BYTE *tag = pdf->ttfont_tag;
    if (!tag[0]) {
        std::memcpy(tag, "HPDFAA", 6);
    } else {
        for (int i = 5; i >= 0 && ++tag[i] > 'Z'; i--)
            tag[i] = 'A';
    }
    HPDF_TTFontDef_SetTagName(def, reinterpret_cast<char *>(tag));
    return def->base_font;
}

/* ------------------------------------------------------------ TrueType files */

/* The sanitized font `file` for this export, read and kept at its first
 * use; null when the sanitizer refused it, *result tells why. */
static KeptFont *SanitizedFont(const char *file, SanitizeResult *result)
{
    for (KeptFont &k : kept)
        if (k.file == file) {
            *result = SANITIZED;
            return &k;
        }
    if (FontCacheFolder().empty() && !FontCopiesFolder()[0] && !FontCopiesOpen("PGT:")) {
        *result = SANITIZE_NO_FOLDER;
        return nullptr;
    }
    kept.push_back(KeptFont{file, FontBytes{std::string(), nullptr, 0, 0}, nullptr});
    *result = SanitizeFont(file, &kept.back().bytes);
    if (*result == SANITIZED)
        return &kept.back();
    FreeFontBytes(&kept.back().bytes);
    kept.pop_back();
    return nullptr;
}

/* The libharu name of the TrueType file `file` (a program path), loaded
 * from its sanitized bytes; null when it was not loaded. *result tells why:
 * SANITIZED means the font was sanitized and libharu refused it. */
const char *LoadSanitizedFont(HPDF_Doc pdf, const char *file, SanitizeResult *result)
{
    KeptFont *k = SanitizedFont(file, result);
    return k ? LoadFromMemory(pdf, k) : nullptr;
}

/* The document's name of a TrueType file, loading it the first time. A
 * failure ends the export through error_handler; errinfo names the file. */
static const char *LoadOnce(HPDF_Doc pdf, const char *file)
{
    for (int i = 0; i < loaded_count; i++)
        if (loaded_file[i] == file)
            return loaded_name[i];
    SanitizeResult result;
    const char *name = LoadSanitizedFont(pdf, file, &result);
    if (result == SANITIZE_NO_PROGRAM) {
        errinfo = SANITIZER_PROGRAM;
        error_handler(PDF_NO_SANITIZER, 0, nullptr);
    } else if (result == SANITIZE_NO_FOLDER) {
        errinfo = "PGT:";
        error_handler(HPDF_FILE_IO_ERROR, 0, nullptr);
    } else if (result == SANITIZE_REFUSED) {
        error_handler(HPDF_TTF_INVALID_FOMAT, 0, nullptr);
    }
    if (name && loaded_count < LOADED_MAX) {
        loaded_file[loaded_count] = file;
        loaded_name[loaded_count++] = name;
    }
    return name;
}

/* ------------------------------------------------------------ font handles */

/* The file "FONTS:<afont>.font" describes, when it is there: the page view
 * measures the font from that file, so a font the catalogue lacks (its file
 * replaced by one of another name, or none) is still embedded from it, and
 * a damaged file is refused by the sanitizer like any other. The paths
 * stay until the next export, as LoadOnce keeps them. */
static const char *DescribedFile(const char *afont)
{
    char desc[96], path[256];
    if (std::strchr(afont, '/') || std::snprintf(desc, sizeof(desc), "%s.font", afont) >= int(sizeof(desc)) ||
        !ReadFontFile(desc, path, sizeof(path)) || !FileExists(path))
        return nullptr;
    for (int i = 0; i < described_count; i++)
        if (!std::strcmp(described[i], path))
            return described[i];
    if (described_count >= LOADED_MAX)
        return nullptr;
    Strlcpy(described[described_count], path, sizeof(described[0]));
    return described[described_count++];
}

HPDF_Font GetharuFontHandler(HPDF_Doc pdf, const char *fontname, float *intern)
{
    font_doc = pdf;
    int16_t disk = 0;
    const char *name = GetharuFont(fontname, &disk);
    if (!name && (name = DescribedFile(fontname)) != nullptr) {
        disk = 1;
        errinfo = name;
    }
    if (disk == 1) {
        *intern = 1.42f;
        return HPDF_GetFont(pdf, LoadOnce(pdf, name), "CP1252");
    }
    *intern = 0.0f;
    return HPDF_GetFont(pdf, name, nullptr);
}

/* ------------------------------------------------------------ Unicode */

/* The codes of libharu's UTF-8 CID fonts are the characters' own (BMP)
 * code points, and its ToUnicode map says so with "cidrange" operators,
 * which belong to other maps: readers warn and may take the text for
 * nothing. The map is written anew as what it means, the identity, in
 * ranges that differ in the last byte only. */
static void MendToUnicode(HPDF_Font font)
{
    HPDF_FontAttr attr = static_cast<HPDF_FontAttr>(font->attr);
    if (!attr || !attr->cmap_stream || !attr->cmap_stream->stream)
        return;
    static char map[8192];
    size_t at = size_t(std::snprintf(map, sizeof(map), "%s",
                                     "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                                     "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                                     "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n"));
    /* 248 ranges in blocks of 100, 100 and 48: the surrogates (D8 to DF)
     * are no characters */
    for (unsigned h = 0; h < 256; h++) {
        if (h % 100 == 0)
            at += size_t(std::snprintf(map + at, sizeof(map) - at, "%s%u beginbfrange\n", h ? "endbfrange\n" : "",
                                       h < 200 ? 100u : 48u));
        if (h < 0xD8 || h > 0xDF)
            at += size_t(std::snprintf(map + at, sizeof(map) - at, "<%02X00> <%02XFF> <%02X00>\n", h, h, h));
    }
    std::snprintf(map + at, sizeof(map) - at, "%s",
                  "endbfrange\nendcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n");
    HPDF_MemStream_FreeData(attr->cmap_stream->stream);
    HPDF_Stream_WriteStr(attr->cmap_stream->stream, map);
}

/* The face of a TrueType font of GetharuFontHandler (its "CP1252" font)
 * that sets UTF-8 texts: the same embedded file as a CID font. libharu
 * takes the UTF-8 encoders into a document once. Null for a built-in
 * font, which has no glyphs beyond its 8-bit set. */
HPDF_Font GetharuUnicodeFont(HPDF_Font font)
{
    const char *encoding = font ? HPDF_Font_GetEncodingName(font) : nullptr;
    if (!font_doc || !encoding || std::strcmp(encoding, "CP1252") != 0)
        return nullptr;
    if (utf8_doc != font_doc) {
        HPDF_UseUTFEncodings(font_doc);
        utf8_doc = font_doc;
    }
    HPDF_Font face = HPDF_GetFont(font_doc, HPDF_Font_GetFontName(font), "UTF-8");
    for (int i = 0; i < unicode_count; i++)
        if (unicode_font[i] == face)
            return face;
    MendToUnicode(face);
    if (unicode_count < LOADED_MAX)
        unicode_font[unicode_count++] = face;
    return face;
}

/* libharu 2.3.0 embeds, of a composite glyph, only the glyphs it names
 * itself, not the glyphs those are built from in turn: DejaVu Sans builds
 * U+1EBF (e with circumflex and acute) of e and a composite of circumflex
 * and acute, and it would print as a bare e. The glyphs are marked as used in the font definition,
 * whose layout libharu's headers give, before the document is written. */
void EmbedGlyphs(HPDF_Font font, const std::vector<uint32_t> &glyphs)
{
    static_assert(HPDF_VERSION_ID == 20300, "the font definition of libharu 2.3.0");
    HPDF_FontAttr attr = font ? static_cast<HPDF_FontAttr>(font->attr) : nullptr;
    if (!attr || !attr->fontdef || attr->fontdef->type != HPDF_FONTDEF_TYPE_TRUETYPE)
        return;
    HPDF_TTFontDefAttr tt = static_cast<HPDF_TTFontDefAttr>(attr->fontdef->attr);
    if (!tt || !tt->glyph_tbl.flgs)
        return;
    for (uint32_t g : glyphs)
        if (g < tt->num_glyphs)
            tt->glyph_tbl.flgs[g] = 1;
}
