/*
 * pdffonts.cpp - fonts of the PDF export.
 *
 * Texts are 8-bit Windows-1252 strings (what the screen shows), so the
 * TrueType fonts use libharu's "CP1252" encoding. Each TrueType file is
 * loaded into a document once and its libharu name reused for every later
 * element, since libharu reads the whole file again on every load.
 *
 * Invariant: nothing here owns an object with a destructor, because the
 * export's error recovery may jump out of any libharu call made here.
 */
#include "pdf/pdffonts.h"

#include "core/settings.h"
#include "pdf/fontcatalog.h"
#include "platform/assign.h"
#include "platform/strutil.h"
#include "platform/ttfcheck.h"
#include "pdf/pdfexport.h"

enum { LOADED_MAX = 321 };

const char *errinfo = "";

/* TrueType files loaded into the current document, with their names. */
static const char *loaded_file[LOADED_MAX];
static const char *loaded_name[LOADED_MAX];
static int loaded_count;
static char host_path[1024];

void ResetharuFonts(void)
{
    loaded_count = 0;
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

/* The document's name of a TrueType file, loading it the first time. */
static const char *LoadOnce(HPDF_Doc pdf, const char *file)
{
    for (int i = 0; i < loaded_count; i++)
        if (loaded_file[i] == file)
            return loaded_name[i];
    if (!TrueTypeUsable(file))
        error_handler(HPDF_TTF_INVALID_FOMAT, 0, nullptr); /* errinfo names the file */
    Strlcpy(host_path, HostPath(file).c_str(), sizeof(host_path));
    const char *name = HPDF_LoadTTFontFromFile(pdf, host_path, HPDF_TRUE);
    if (name && loaded_count < LOADED_MAX) {
        loaded_file[loaded_count] = file;
        loaded_name[loaded_count++] = name;
    }
    return name;
}

HPDF_Font GetharuFontHandler(HPDF_Doc pdf, const char *fontname, float *intern)
{
    int16_t disk = 0;
    const char *name = GetharuFont(fontname, &disk);
    if (disk == 1) {
        *intern = 1.42f;
        return HPDF_GetFont(pdf, LoadOnce(pdf, name), "CP1252");
    }
    *intern = 0.0f;
    return HPDF_GetFont(pdf, name, nullptr);
}
