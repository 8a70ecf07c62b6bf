/*
 * testutil.cpp - the shared test scaffolding (see testutil.h).
 */
#include "testutil.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "core/settings.h"
#include "document/pagelist.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/mempool.h"

std::string MakeScratchDir(void)
{
    const char *base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/pagimo-test-XXXXXX";
    char *made = mkdtemp(tmpl.data());
    return made ? std::string(made) : std::string();
}

void ScratchTest::SetUp()
{
    scratch = MakeScratchDir();
    ASSERT_FALSE(scratch.empty());
    mkdir((scratch + "/T").c_str(), 0700);
    mkdir((scratch + "/fonts").c_str(), 0700);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("PAGIMO_SCREEN", "1920x1200", 0);
    setenv("PAGIMO_ASSIGN_T", (scratch + "/T").c_str(), 1);
    setenv("PAGIMO_ASSIGN_FONTS", (scratch + "/fonts").c_str(), 1);
    setenv("PAGIMO_ASSIGN_TBIMAGES", (scratch + "/tbimages").c_str(), 1);
    AssignInit();
    AssignPath("PGT:", "T:");
    Debug = 0;
    PoolSetLimit(APMemPool = PoolCreate(), 0);
    std::memset(&PDaten, 0, sizeof(PDaten));
    InitLists();
}

void ScratchTest::TearDown()
{
    FreeLists(0);
    PoolDelete(APMemPool);
    APMemPool = nullptr;
    DeleteAll(scratch.c_str());
}

void WriteTextFile(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadTextFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool HostExists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

GElement MakeElement(int type, int pri)
{
    GElement ge;
    std::memset(&ge, 0, sizeof(ge));
    ge.node.ln_Type = uint8_t(type);
    ge.node.ln_Pri = int8_t(pri);
    ge.apen = 1;
    return ge;
}

/* The built program and the directory of its data, from the test runner. */
std::string PagimoBinary(void)
{
    const char *bin = std::getenv("PAGIMO_BINARY");
    return bin ? std::string(bin) : std::string();
}

std::string ProgramDataDir(void)
{
    std::string bin = PagimoBinary();
    size_t slash = bin.rfind('/');
    return slash == std::string::npos ? std::string(".") : bin.substr(0, slash);
}
