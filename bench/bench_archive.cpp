/*
 * bench_archive.cpp - how long saving and opening a large project takes:
 * 348 pages of 40 elements each and 20 pictures of 1 MB, saved and opened
 * by the program and emptied again, an element file of 100,000 pages
 * refused, beside Info-ZIP's zip -r and unzip of the same directory
 * on the same machine. Prints the figures; asserts nothing.
 */
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "benchutil.h"
#include "core/settings.h"
#include "document/archive.h"
#include "document/elementfile.h"
#include "document/pagelist.h"
#include "gui/localisation.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "platform/process.h"

static void MakeProject(const std::string &bilder)
{
    uint32_t seed = 7;
    std::string noise(1 << 20, '\0');
    for (int i = 0; i < 20; i++) {
        for (char &c : noise)
            c = char((seed = seed * 1103515245 + 12345) >> 16);
        FILE *f = std::fopen((bilder + "/pic" + std::to_string(i) + ".png").c_str(), "wb");
        std::fwrite(noise.data(), 1, noise.size(), f);
        std::fclose(f);
    }
    for (uint32_t p = 1; p <= 348; p++) {
        AddPageList(nullptr);
        for (int e = 0; e < 40; e++) {
            GElement ge;
            std::memset(&ge, 0, sizeof(ge));
            int type = ET_LINE + e % 9;
            ge.node.ln_Type = uint8_t(type);
            ge.node.ln_Pri = int8_t(type == ET_TEXTBOX ? 0 : type);
            ge.sx = 400 + e, ge.sy = 200 + 10 * e, ge.ex = 600, ge.ey = 220 + 10 * e;
            if (type == ET_PICTURE)
                std::snprintf(ge.edata.pd.fn, 256, "PGT:PAG4/Bilder/pic%d.png", e % 20);
            else if (type != ET_LINE && type != ET_RECT && type != ET_TEXTBOX)
                std::snprintf(ge.edata.td.text, 81, "Text %u.%d", p, e);
            AddGObject(p, &ge);
        }
    }
}

/* An element file announcing 100,000 empty pages, all of them present. */
static double RefuseHugeProject(void)
{
    uint8_t header[EF_HEADERSIZE] = {0};
    header[1] = 0x01, header[2] = 0x86, header[3] = 0xA0; /* 100000, big-endian */
    FILE *f = std::fopen(HostPath(ElementFileName).c_str(), "wb");
    std::fwrite(ElementFileId, 1, EF_IDSIZE, f);
    std::fwrite(header, 1, sizeof(header), f);
    std::fclose(f);
    truncate(HostPath(ElementFileName).c_str(), EF_IDSIZE + EF_HEADERSIZE + 100000LL * EF_PAGESIZE);
    auto t0 = std::chrono::steady_clock::now();
    ReadResult rr = ReadElementFile(ElementFileName, 0, 0);
    double took = Seconds(t0);
    std::printf("refusal: %s\n", rr.reason);
    FreeLists(0);
    return took;
}

int main(int argc, char **argv)
{
    std::string dir = BenchSetUp(argc, argv);
    CreateProjectStructure();
    MakeProject(HostPath("PGT:PAG4/Bilder"));
    std::strcpy(DataPath, dir.c_str());
    SetProjectName("bench");

    auto t0 = std::chrono::steady_clock::now();
    uint32_t saved = SaveProject(false);
    double save = Seconds(t0);
    FreeLists(0);
    t0 = std::chrono::steady_clock::now();
    uint32_t opened = OpenProjectPath((dir + "/bench.pfz").c_str());
    double open = Seconds(t0);
    uint32_t pages = PDaten.count;
    t0 = std::chrono::steady_clock::now();
    FreeLists(0);
    double close = Seconds(t0);
    double refuse = RefuseHugeProject();

    std::string pag = HostPath("PGT:");
    t0 = std::chrono::steady_clock::now();
    RunCommand({"sh", "-c", "cd '" + pag + "' && zip -qr '" + dir + "/infozip.pfz' PAG4"}, RUN_WAIT);
    double zip = Seconds(t0);
    t0 = std::chrono::steady_clock::now();
    RunCommand({"unzip", "-qo", dir + "/infozip.pfz", "-d", dir + "/unzipped"}, RUN_WAIT);
    double unzip = Seconds(t0);

    std::printf("project: 348 pages x 40 elements, 20 pictures of 1 MB\n");
    std::printf("save (element file + archive): %7.3f s  (result %u)\n", save, saved);
    std::printf("open (archive + element file): %7.3f s  (result %u, %u pages)\n", open, opened, pages);
    std::printf("close (empty the project):     %7.3f s\n", close);
    std::printf("refuse 100,000 empty pages:    %7.3f s\n", refuse);
    std::printf("Info-ZIP zip -r:                %7.3f s\n", zip);
    std::printf("Info-ZIP unzip:                 %7.3f s\n", unzip);
    std::printf("save / zip: %.2f   open / unzip: %.2f\n", save / zip, open / unzip);
    std::fflush(stdout);
    DeleteAll(dir.c_str());
    return 0;
}
