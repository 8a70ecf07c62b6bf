/*
 * job_limit.cpp - the limit of bench_job: the least program that writes
 * the job's page, one A4 page with one text line in an embedded TrueType
 * font, straight through libharu and nothing else.
 *
 *     bench_job_limit OUT.pdf FONT.ttf X Y SIZE TEXT
 */
#include <cstdio>
#include <cstdlib>

#include <hpdf.h>

static void Quiet(HPDF_STATUS, HPDF_STATUS, void *) {}

int main(int argc, char **argv)
{
    if (argc != 7) {
        std::fputs("usage: bench_job_limit OUT.pdf FONT.ttf X Y SIZE TEXT\n", stderr);
        return 2;
    }
    HPDF_Doc pdf = HPDF_New(Quiet, nullptr);
    HPDF_SetCompressionMode(pdf, HPDF_COMP_NONE);
    const char *name = HPDF_LoadTTFontFromFile(pdf, argv[2], HPDF_TRUE);
    HPDF_Font font = name ? HPDF_GetFont(pdf, name, "CP1252") : nullptr;
    HPDF_Page page = HPDF_AddPage(pdf);
    HPDF_Page_SetWidth(page, 595);
    HPDF_Page_SetHeight(page, 842);
    HPDF_Page_BeginText(page);
    HPDF_Page_SetFontAndSize(page, font, float(std::atof(argv[5])));
    HPDF_Page_TextOut(page, float(std::atof(argv[3])), float(std::atof(argv[4])), argv[6]);
    HPDF_Page_EndText(page);
    HPDF_STATUS rc = HPDF_SaveToFile(pdf, argv[1]);
    HPDF_Free(pdf);
    return font && rc == HPDF_OK ? 0 : 1;
}
