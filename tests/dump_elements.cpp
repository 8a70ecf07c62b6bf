/*
 * dump_elements.cpp - prints the elements of an element file, one line
 * each: "page type sx sy ex ey apen text-or-file". The real-window tests
 * read a saved project back through it, after Info-ZIP's unzip has taken
 * the element file out of the archive. Relies on the element file's own
 * unpacking routines only, so it shows exactly what the file holds.
 */
#include <cstdio>
#include <vector>

#include "document/elementfile.h"

static const char *Name(const GElement &ge)
{
    switch (ge.node.ln_Type) {
    case ET_PICTURE: return ge.edata.pd.fn;
    case ET_TEXTBOX: return ge.edata.tbd.fn;
    case ET_TEXT: case ET_DATE: case ET_TIME: case ET_PAGENO: case ET_LINK:
        return ge.edata.td.text;
    default: return "-";
    }
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: dump_elements Elemente.pff\n");
        return 2;
    }
    FILE *f = std::fopen(argv[1], "rb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    std::vector<uint8_t> head(EF_IDSIZE + EF_HEADERSIZE), page(EF_PAGESIZE), rec(EF_ELEMENTSIZE);
    if (std::fread(head.data(), head.size(), 1, f) != 1)
        return 1;
    for (uint32_t p = 1; std::fread(page.data(), page.size(), 1, f) == 1; p++) {
        PageNode pn{};
        uint32_t count = UnpackPage(page.data(), &pn);
        for (uint32_t i = 0; i < count; i++) {
            if (std::fread(rec.data(), rec.size(), 1, f) != 1)
                return 1;
            GElement ge{};
            UnpackElement(rec.data(), &ge);
            std::printf("%u %u %u %u %u %u %u %s\n", p, ge.node.ln_Type, ge.sx, ge.sy, ge.ex, ge.ey,
                        ge.apen, Name(ge));
        }
    }
    std::fclose(f);
    return 0;
}
