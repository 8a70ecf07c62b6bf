/*
 * bench_merge.cpp - how long merging a table takes: a one-page letter of
 * twelve text lines with placeholders, a link and a textbox whose text of
 * four paragraphs names fields too, filled from a table of 200 records,
 * into one PDF and into one PDF per record, uncompressed and compressed
 * as a new project is; then the same letter whose textbox text is 1 MB of
 * braces that start no placeholder ("{x{x..."), filled alone and merged
 * for two records. Each figure is the best of a few rounds. Prints the
 * figures; asserts nothing. Its folder goes at the end unless BENCH_KEEP
 * is set.
 */
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "benchutil.h"
#include "core/settings.h"
#include "document/mergetable.h"
#include "document/pagelist.h"
#include "document/placeholders.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "pdf/pdfmerge.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/fontinstall.h"
#include "view/geometry.h"

enum { RECORDS = 200, LINES = 12, ROUNDS = 3 };

static void Line(int type, const char *text, uint32_t y)
{
    GElement ge;
    std::memset(&ge, 0, sizeof(ge));
    ge.node.ln_Type = uint8_t(type);
    ge.node.ln_Pri = int8_t(type);
    std::snprintf(ge.edata.td.text, 81, "%s", text);
    std::strcpy(ge.edata.td.fontname, "DejaVu Sans.font");
    ge.edata.td.size = 12;
    ge.edata.td.level = 1;
    ge.ex = xstart + 60, ge.ey = ystart + y;
    if (type == ET_LINK)
        std::strcpy(ge.edata.td.link, "https://example.org/customer/{Id}");
    AddGObject(1, &ge);
}

static void MakeLetter(void)
{
    PDaten.pageformat = 2;
    AddPageList(nullptr);
    Line(ET_TEXT, "{Anrede} {Vorname} {Name}", 100);
    Line(ET_TEXT, "{Strasse}", 115);
    Line(ET_TEXT, "{PLZ} {Ort}", 130);
    for (int i = 0; i < LINES - 4; i++)
        Line(ET_TEXT, i == 0 ? "Sehr geehrte/r {Anrede} {Name}," : "wir freuen uns, Ihnen heute zu schreiben.",
             uint32_t(200 + 15 * i));
    Line(ET_LINK, "Ihr Kundenkonto {Id}", 400);
    std::string text = "Liebe/r {Vorname} {Name},\n\n";
    for (int p = 0; p < 4; p++)
        text += "wir danken Ihnen, {Anrede} {Name}, f\xC3\xBCr Ihre Treue in {Ort} und schreiben Ihnen heute "
                "einen Absatz, der sich \xC3\xBC" "ber mehrere Zeilen des Kastens erstreckt.\n";
    CreateProjectStructure();
    FILE *f = OpenFile("PGT:PAG4/Texte/brief.txt", "w");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    GElement tb;
    std::memset(&tb, 0, sizeof(tb));
    tb.node.ln_Type = ET_TEXTBOX;
    tb.sx = xstart + 60, tb.sy = ystart + 430, tb.ex = xstart + 500, tb.ey = ystart + 760;
    std::strcpy(tb.edata.tbd.fn, "PGT:PAG4/Texte/brief.txt");
    std::strcpy(tb.edata.tbd.fontname, "DejaVu Sans.font");
    tb.edata.tbd.size = 11;
    AddGObject(1, &tb);
}

static void WriteFile(const std::string &path, const std::string &bytes)
{
    FILE *f = std::fopen(path.c_str(), "w");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

static void MakeTable(const std::string &path, int records)
{
    std::string csv = "Id,Anrede,Vorname,Name,Strasse,PLZ,Ort\n";
    for (int r = 1; r <= records; r++)
        csv += std::to_string(r) + ",Frau,Anna,M\xC3\xBCller " + std::to_string(r) +
               ",\"Hauptstra\xC3\x9F" "e " + std::to_string(r) + "\",12345,K\xC3\xB6ln\n";
    WriteFile(path, csv);
}

/* 1 MB of braces in the textbox: the fill alone, and the merge of two
 * records; the best of a few rounds each. */
static bool Braces(const std::string &dir, double *fill, double *merge)
{
    std::string braces;
    while (braces.size() < (1u << 20))
        braces += "{x";
    braces += " {Name}\n";
    WriteFile(HostPath("PGT:PAG4/Texte/brief.txt"), braces);
    std::string table = dir + "/two.csv";
    MakeTable(table, 2);
    MergeTable t;
    std::string why, out, missing;
    ReadMergeTable(table.c_str(), &t, &why);
    bool ok = true;
    for (int round = 0; round < ROUNDS; round++) {
        auto t0 = std::chrono::steady_clock::now();
        ok = FillPlaceholders(braces, &t, 0, false, &out, &missing) && ok;
        *fill = std::min(*fill, Seconds(t0));
        t0 = std::chrono::steady_clock::now();
        ok = MergeExport((dir + "/braces.pdf").c_str(), table.c_str(), xstart, ystart, xend, yend) == 1 && ok;
        *merge = std::min(*merge, Seconds(t0));
    }
    return ok;
}

int main(int argc, char **argv)
{
    std::string dir = BenchExportSetUp(argc, argv);
    MakeLetter();
    std::string table = dir + "/table.csv";
    MakeTable(table, RECORDS);
    double one = 1e9, each = 1e9;
    long written_one = 0, written_each = 0;
    for (int round = 0; round < ROUNDS; round++) {
        auto t0 = std::chrono::steady_clock::now();
        written_one = MergeExport((dir + "/all.pdf").c_str(), table.c_str(), xstart, ystart, xend, yend);
        one = std::min(one, Seconds(t0));
        t0 = std::chrono::steady_clock::now();
        written_each = MergeExport((dir + "/each/{Id}.pdf").c_str(), table.c_str(), xstart, ystart, xend, yend);
        each = std::min(each, Seconds(t0));
    }
    std::printf("letter: 1 page, %d texts and a textbox with placeholders; table: %d records; best of %d rounds\n", LINES,
                RECORDS, ROUNDS);
    std::printf("one PDF of all records: %.3f s (%ld written)\n", one, written_one);
    std::printf("one PDF per record: %.3f s (%ld written)\n", each, written_each);
    std::printf("merge %d records: one PDF %.3f s, one per record %.3f s\n", RECORDS, one, each);
    double packed = 1e9;
    PDaten.comp = COMP_FULL;
    for (int round = 0; round < ROUNDS; round++) {
        auto t0 = std::chrono::steady_clock::now();
        written_each = MergeExport((dir + "/packed/{Id}.pdf").c_str(), table.c_str(), xstart, ystart, xend, yend);
        packed = std::min(packed, Seconds(t0));
    }
    PDaten.comp = 0;
    std::printf("one PDF per record, compressed as a new project is: %.3f s (%ld written)\n", packed, written_each);
    double fill = 1e9, merge = 1e9;
    bool braces = Braces(dir, &fill, &merge);
    std::printf("1 MB of braces in the textbox: filled in %.3f s, two records merged in %.3f s\n", fill, merge);
    if (!std::getenv("BENCH_KEEP"))
        DeleteAll(dir.c_str()); /* some hundred megabytes of PDFs */
    else
        std::printf("kept %s\n", dir.c_str());
    return written_one == 1 && written_each == RECORDS && braces ? 0 : 1;
}
