/*
 * arexxtools.cpp - reading the tools, the chooser of the current mode's
 * tools, and running the chosen tool on a placed picture (see arexxtools.h).
 *
 * Relies on `arexxlist` and APMemPool for the tool records, on the catalog
 * for the language and the messages, and on the platform's child processes.
 * The tools file is UTF-8; the names shown are kept in the program's 8-bit
 * set, the paths as they stand. A tool's "ARexx port" is its program (the fourth line of its record): it
 * must exist and be executable, or be found on PATH by that name.
 *
 * A tool works on the project's copy of the picture. The copy is kept
 * before the tool runs; a tool that fails or leaves no readable picture
 * gets the copy back and the user is told, so a picture is never left
 * broken.
 */
#include "text/arexxtools.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/settings.h"
#include "document/properties.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "platform/assign.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "platform/picture.h"
#include "platform/process.h"
#include "platform/strutil.h"

long long ARexxToolMillis = 120000;

/* The chooser's selection per mode 18..37 (index mode - 18), and the mode
 * it shows now. Modes outside that range (none selected, move mode) offer
 * no tool and remember nothing. */
enum { FIRST_MODE = GID_CURSOR, MODES = 20, MAX_TOOLS = 23 };
static uint32_t remembered[MODES];
static uint32_t shown_mode = FIRST_MODE;

static const char BACKUP[] = "T:PagimoToolBackup";

/* ------------------------------------------------------------ the tools file */

/* The program's language in the naming of the tools files. */
static std::string LanguageName(void)
{
    std::string path = CatalogPathFor(); /* "PROGDIR:catalogs/<code>/pagimo.catalog" */
    size_t start = path.find("catalogs/");
    if (start == std::string::npos)
        return "english";
    start += 9;
    std::string code = path.substr(start, path.find('/', start) - start);
    if (code.compare(0, 2, "de") == 0)
        return "deutsch";
    if (code.compare(0, 2, "en") == 0)
        return "english";
    return code;
}

/* The tools file of the user's language, else the English one; "" when
 * there is none. */
std::string ARexxToolsFile(void)
{
    std::string own = "PROGDIR:ARexx/ARexxTools_" + LanguageName() + ".config";
    if (FileKindOf(own.c_str()) == FK_FILE)
        return own;
    std::string english = "PROGDIR:ARexx/ARexxTools_english.config";
    return FileKindOf(english.c_str()) == FK_FILE ? english : std::string();
}

/* The next line that is neither a comment nor empty, without its line end
 * (a last line without one counts whole); false at the end of the file. */
static bool NextRecordLine(FILE *f, std::string &line)
{
    for (;;) {
        line.clear();
        int c;
        while ((c = std::fgetc(f)) != EOF && c != '\n')
            line.push_back(char(c));
        if (c == EOF && line.empty())
            return false;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] != '#')
            return true;
    }
}

/* The script of a record's first line, "ARexx/<name>", when it exists. */
static bool ScriptExists(const std::string &name, char *scriptname)
{
    std::string path = "ARexx/" + name;
    if (path.size() >= sizeof(ARexxData::scriptname))
        return false;
    Strlcpy(scriptname, path.c_str(), sizeof(ARexxData::scriptname));
    return FileKindOf(("PROGDIR:" + path).c_str()) == FK_FILE;
}

/* Reads the records into `arexxlist`. A record is added when its sixth
 * line is read; one still incomplete at the end is dropped. A script that
 * does not exist ends the reading: the tools before it stay. */
static bool ReadToolRecords(FILE *f)
{
    ARexxData *rec = nullptr;
    int pos = 0;
    bool whole = true;
    std::string line;
    while (NextRecordLine(f, line)) {
        if (pos == 0) {
            char script[sizeof(ARexxData::scriptname)];
            if (!ScriptExists(line, script)) {
                whole = false;
                break;
            }
            rec = static_cast<ARexxData *>(AllocPooled(APMemPool, sizeof(ARexxData)));
            if (!rec)
                return false;
            std::memset(rec, 0, sizeof(*rec));
            Strlcpy(rec->scriptname, script, sizeof(rec->scriptname));
        } else if (pos == 1) {
            CharsetFromUtf8(line.c_str(), rec->name, sizeof(rec->name));
            rec->node.ln_Name = rec->name;
        } else if (pos == 2) {
            Strlcpy(rec->portname, line.c_str(), sizeof(rec->portname));
        } else if (pos == 3) {
            Strlcpy(rec->exepath, line.c_str(), sizeof(rec->exepath));
        } else if (pos == 4) {
            Strlcpy(rec->param, line.c_str(), sizeof(rec->param));
        } else {
            rec->typ = uint8_t(std::strtol(line.c_str(), nullptr, 10));
            AddTail(&arexxlist, &rec->node);
            rec = nullptr;
        }
        pos = (pos + 1) % 6;
    }
    if (rec)
        FreePooled(APMemPool, rec, sizeof(ARexxData));
    return whole && !std::ferror(f);
}

/* True when a tools file was read to its end. The chooser's memory starts
 * afresh with the tools. */
bool ReadARexxTools(void)
{
    DebugPrint("-> ReadARexxTools()\n");
    std::memset(remembered, 0, sizeof(remembered));
    shown_mode = FIRST_MODE;
    std::string file = ARexxToolsFile();
    if (file.empty())
        return false;
    FILE *f = OpenFile(file.c_str(), "r");
    if (!f)
        return false;
    bool whole = ReadToolRecords(f);
    std::fclose(f);
    DebugPrint("   %s: %s\n", file.c_str(), whole ? "read" : "not read to its end");
    return whole;
}

/* ------------------------------------------------------------ the chooser */

static bool ModeRemembers(uint32_t typ)
{
    return typ >= FIRST_MODE && typ < FIRST_MODE + MODES;
}

/* The n-th tool (from 1) of a mode, in file order. */
static ARexxData *ToolOfMode(uint32_t typ, uint32_t n)
{
    for (Node *nd = GetHead(&arexxlist); nd; nd = GetSucc(nd)) {
        ARexxData *ad = reinterpret_cast<ARexxData *>(nd);
        if (ad->typ == typ && --n == 0)
            return ad;
    }
    return nullptr;
}

/* Offers the tools of mode `typ`, with the selection that mode had last.
 * The mode shown keeps its selection even when it is set again (the tool
 * button pressed anew for the next picture): it is stored first. */
void SetARexxChooser(uint32_t typ)
{
    if (ModeRemembers(shown_mode)) {
        int32_t sel = GadgetNumber(GID_AREXX_SEL);
        remembered[shown_mode - FIRST_MODE] = sel > 0 ? uint32_t(sel) : 0;
    }
    arexx_chooser[0] = GetString(&localeinfo, MSG_AREXX_NOTHING);
    uint32_t count = 0;
    ARexxData *ad;
    while (count < MAX_TOOLS && ModeRemembers(typ) && (ad = ToolOfMode(typ, count + 1)))
        arexx_chooser[++count] = ad->name;
    arexx_chooser[count + 1] = nullptr;
    uint32_t sel = 0;
    if (ModeRemembers(typ) && typ != GID_CURSOR) {
        sel = remembered[typ - FIRST_MODE];
        if (sel > count)
            sel = remembered[typ - FIRST_MODE] = 0;
    }
    GadgetSetLabels(GID_AREXX_SEL, arexx_chooser, int(count + 1));
    GadgetSetNumber(GID_AREXX_SEL, int32_t(sel));
    shown_mode = typ;
}

/* ------------------------------------------------------------ parameters */

static const char *const keywords[] = {"POX", "POY", "WID", "HEI", "WIP", "HEP",
                                       "SFN", "DFN", "R09", "R18", "R27"};

/* The code of the keyword at the front of `params`, which loses the blanks
 * before it and its three characters; 0 at the end or for no keyword. */
uint32_t GetARexxParam(char *params)
{
    char *p = params;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')
        p++;
    if (!*p)
        return RXP_NONE;
    uint32_t code = RXP_NONE;
    for (uint32_t i = 0; i < sizeof(keywords) / sizeof(keywords[0]) && !code; i++)
        if (std::strlen(p) >= 3 && Strnicmp(p, keywords[i], 3) == 0)
            code = i + 1;
    size_t skip = size_t(p - params) + std::min<size_t>(3, std::strlen(p));
    std::memmove(params, params + skip, std::strlen(params + skip) + 1);
    return code;
}

/* "name" with the picture's host path, every blank a "#". */
static std::string QuotedName(const GElement *elem)
{
    std::string host = HostPath(elem->edata.pd.fn);
    for (char &c : host)
        if (c == ' ')
            c = '#';
    return "\"" + host + "\"";
}

/* The percentage of the dragged size to the natural one; false when the
 * picture has no natural size to divide by. */
static bool Percent(uint32_t a, uint32_t b, uint32_t natural, std::string &value)
{
    if (natural == 0)
        return false;
    uint64_t span = a > b ? a - b : b - a;
    value = std::to_string(span * 100 / natural);
    return true;
}

/* The value of one keyword; false when the keyword has none. */
static bool ParamValue(uint32_t code, const GElement *elem, std::string &value)
{
    uint32_t w = 0, h = 0;
    switch (code) {
    case RXP_POX: value = std::to_string(elem->sx); return true;
    case RXP_POY: value = std::to_string(elem->sy); return true;
    case RXP_WIP:
        GetObjSize(ET_PICTURE, false, const_cast<GElement *>(elem), &w, &h, nullptr);
        return Percent(elem->ex, elem->sx, w, value);
    case RXP_HEP:
        GetObjSize(ET_PICTURE, false, const_cast<GElement *>(elem), &w, &h, nullptr);
        return Percent(elem->ey, elem->sy, h, value);
    case RXP_SFN: case RXP_DFN: value = QuotedName(elem); return true;
    case RXP_R09: value = "90"; return true;
    case RXP_R18: value = "180"; return true;
    case RXP_R27: value = "270"; return true;
    default: return false; /* WID, HEI */
    }
}

/* Appends " value" for each of the tool's keywords to `arexxcom` (1024
 * bytes). False when a keyword has no value or the line would not hold
 * them all: a cut line would name another file. */
bool AddRXScriptParameter(const ARexxData *ardata, const GElement *elem, char *arexxcom)
{
    char work[128];
    Strlcpy(work, ardata->param, sizeof(work));
    if (!elem || elem->node.ln_Type != ET_PICTURE)
        return false;
    bool all = true;
    uint32_t code;
    while ((code = GetARexxParam(work)) != RXP_NONE) {
        std::string value;
        if (!ParamValue(code, elem, value)) {
            all = false;
            continue;
        }
        size_t len = std::strlen(arexxcom);
        if (len + 1 + value.size() >= AREXX_COMMAND_SIZE)
            return false;
        arexxcom[len] = ' ';
        std::memcpy(arexxcom + len + 1, value.c_str(), value.size() + 1);
    }
    return all;
}

/* ------------------------------------------------------------ running */

/* The tool's program exists and may be run, as a path or a name on PATH. */
static bool ProgramFound(const char *exepath)
{
    if (!exepath[0])
        return false;
    if (std::strchr(exepath, '/') || std::strchr(exepath, ':'))
        return access(HostPath(exepath).c_str(), X_OK) == 0 && FileKindOf(exepath) == FK_FILE;
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t stop = dirs.find(':', start);
        std::string dir = dirs.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
        std::string full = (dir.empty() ? "." : dir) + "/" + exepath;
        if (access(full.c_str(), X_OK) == 0 && FileKindOf(full.c_str()) == FK_FILE)
            return true;
        if (stop == std::string::npos)
            return false;
        start = stop + 1;
    }
}

/* Runs the script on the picture; a run that fails or leaves no readable
 * picture puts the kept copy back. `args` starts with the blank before the
 * first parameter. */
static bool RunTool(const ARexxData *ad, GElement *elem, const char *args)
{
    const char *fn = elem->edata.pd.fn;
    if (!CopyFile(fn, BACKUP))
        return false;
    std::vector<std::string> argv = {"rexx", HostPath(("PROGDIR:" + std::string(ad->scriptname)).c_str()),
                                     args[0] == ' ' ? args + 1 : args};
    int rc = RunCommandFor(argv, ARexxToolMillis);
    DebugPrint("   rexx %s %s: %d\n", ad->scriptname, argv[2].c_str(), rc);
    bool ok = rc == 0 && PictureDecodes(fn);
    if (!ok)
        CopyFile(BACKUP, fn);
    DeleteFile(BACKUP);
    return ok;
}

/* True when the chooser names a tool of the current mode: the next
 * picture placed is then a new one for the tool to work on. */
bool ARexxToolChosen(void)
{
    int32_t sel = GadgetNumber(GID_AREXX_SEL);
    return sel > 0 && ToolOfMode(shown_mode, uint32_t(sel)) != nullptr;
}

/* Runs the tool chosen among the current mode's tools on the picture just
 * placed. False only when the tool's program cannot be found; a tool that
 * fails is reported and leaves the picture as it was. */
bool CheckARexxTool(GElement *elem)
{
    int32_t sel = GadgetNumber(GID_AREXX_SEL);
    DebugPrint("-> CheckARexxTool(%d)\n", sel);
    if (sel <= 0 || !elem)
        return true;
    ARexxData *ad = ToolOfMode(shown_mode, uint32_t(sel));
    if (!ad)
        return true;
    if (!ProgramFound(ad->exepath)) {
        GuiHint(WIN_PROJECT, MSG_AREXX_NO_PORT, ad->portname);
        return false;
    }
    char arexxcom[AREXX_COMMAND_SIZE] = "";
    if (!AddRXScriptParameter(ad, elem, arexxcom))
        return true;
    if (!RunTool(ad, elem, arexxcom))
        GuiHint(WIN_PROJECT, MSG_AREXX_TOOL_FAILED, ad->name);
    return true;
}
