/*
 * fuzz_font.cpp - libFuzzer harness of the PDF export's font path. The input
 * becomes a font file in a working area of the harness's own; it is
 * sanitized and loaded into a fresh libharu document by the export's own
 * LoadSanitizedFont, and a font libharu takes is then used for a line of
 * every character and the document written to memory, so that libharu's
 * reading, subsetting and writing of the font all run on it.
 *
 * Relies on ots-sanitize in PATH. libharu's errors go to a handler that
 * only returns: libharu then answers the failed call with its error value.
 */
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <hpdf.h>

#include "fuzz/scratch.h"
#include "pdf/pdffonts.h"
#include "platform/fontsanitize.h"

static void Ignore(HPDF_STATUS, HPDF_STATUS, void *)
{
}

/* ------------------------------------------------------------ one input */

/* What the export does with a loaded font: text in it, then the file. */
static void UseFont(HPDF_Doc pdf, const char *name)
{
    HPDF_Font font = HPDF_GetFont(pdf, name, "CP1252");
    HPDF_Page page = HPDF_AddPage(pdf);
    if (!font || !page)
        return;
    char text[225];
    for (int i = 0; i < 224; i++)
        text[i] = char(32 + i);
    text[224] = '\0';
    HPDF_Page_SetFontAndSize(page, font, 12);
    HPDF_Page_SetWordSpace(page, 1.5f);
    HPDF_Page_BeginText(page);
    HPDF_Page_TextOut(page, 20, 700, text);
    HPDF_Page_EndText(page);
    HPDF_Page_TextWidth(page, text);
    HPDF_SaveToStream(pdf);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!FuzzWriteFile("T/input.ttf", data, size))
        std::abort();

    HPDF_Doc pdf = HPDF_New(Ignore, nullptr);
    SanitizeResult result;
    const char *name = LoadSanitizedFont(pdf, "PGT:input.ttf", &result);
    if (result == SANITIZE_NO_PROGRAM || result == SANITIZE_NO_FOLDER) {
        std::fprintf(stderr, "fuzz_font: %s cannot run here\n", SANITIZER_PROGRAM);
        std::abort();
    }
    if (name)
        UseFont(pdf, name);
    HPDF_Free(pdf);
    CloseharuFonts();
    return 0;
}
