/*
 * benchutil.cpp - the benchmarks' common start (see benchutil.h).
 */
#include "benchutil.h"

#include <cstdlib>

#include "core/settings.h"
#include "document/pagelist.h"
#include "platform/assign.h"
#include "platform/gui.h"
#include "platform/mempool.h"

/* A fresh temporary folder holding "T:" (and so "PGT:"); returned. */
std::string BenchSetUp(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char tmpl[] = "/tmp/pagimo-bench-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    setenv("PAGIMO_ASSIGN_T", (dir + "/T").c_str(), 1);
    setenv("PAGIMO_ASSIGN_FONTS", (dir + "/fonts").c_str(), 1);
    AssignInit();
    AssignPath("PGT:", "T:");
    Debug = 0;
    APMemPool = PoolCreate();
    InitLists();
    PlatformGuiInit(argc, argv);
    return dir;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}
