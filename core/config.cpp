/*
 * config.cpp - reading and writing the configuration file (see config.h).
 *
 * A missing file is created with the defaults; a file that cannot be read or
 * written leaves what is in memory. Saving writes a new file beside the old
 * one and renames it over, so a full disk never leaves a cut-off file.
 */
#include "core/config.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/settings.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "text/utilities.h"

CConfig Config;
const char ConfigFileName[] = "PagimoOS4.cfg";

static bool WriteConfigFile(void)
{
    std::string tmp = std::string(ConfigFileName) + ".new";
    FILE *f = OpenFile(tmp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(&Config, 1, CONFIG_SIZE, f) == CONFIG_SIZE;
    ok = (std::fclose(f) == 0) && ok;
    if (ok)
        ok = std::rename(HostPath(tmp.c_str()).c_str(), HostPath(ConfigFileName).c_str()) == 0;
    if (!ok)
        DeleteFile(tmp.c_str());
    return ok;
}

/* The defaults, then what the file holds, when there is one. */
void ReadConfig(void)
{
    std::memset(&Config, 0, sizeof(Config));
    Config.flags = CFG_DEFAULT_FLAGS;
    FILE *f = FileExists(ConfigFileName) ? OpenFile(ConfigFileName, "rb") : nullptr;
    if (!f)
        return;
    size_t n = std::fread(&Config, 1, CONFIG_SIZE, f);
    std::fclose(f);
    DebugPrint("   read %zu bytes, flags 0x%02x\n", n, Config.flags);
}

/* A missing file is written with the defaults. */
void LoadConfig(void)
{
    DebugPrint("-> LoadConfig()\n");
    ReadConfig();
    if (!FileExists(ConfigFileName))
        WriteConfigFile();
}

void SaveConfig(void)
{
    DebugPrint("-> SaveConfig(0x%02x)\n", Config.flags);
    WriteConfigFile();
}
