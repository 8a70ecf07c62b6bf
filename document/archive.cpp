/*
 * archive.cpp - opening and saving projects.
 *
 * The project's name is the main window's title: the archive's name
 * without ".pfz", or "unnamend" before the first save. Relies on the
 * element file, the archive layer and the requesters. Failures the user
 * must know about are shown with their reason; a cancelled requester is
 * silent.
 */
#include "document/archive.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "document/elementfile.h"
#include "document/pagelist.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/strutil.h"
#include "platform/ziparchive.h"
#include "text/utilities.h"

static char project_name[256];
static char project_file[1024]; /* the archive last opened or saved; "" for none */

static const char *S(int msg)
{
    return GetString(&localeinfo, msg);
}

/* ------------------------------------------------------------ the name */

const char *ProjectName(void)
{
    return project_name[0] ? project_name : S(28);
}

void SetProjectName(const char *name)
{
    Strlcpy(project_name, name, sizeof(project_name));
    PlatformWindowSetTitle(WIN_PROJECT, project_name);
}

/* The archive the project was last opened from or saved to. */
const char *ProjectFile(void)
{
    return project_file;
}

static bool Untitled(void)
{
    return !Stricmp(ProjectName(), S(28));
}

/* The text of a menu item without its shortcut, as a requester title. */
static const char *MenuText(int msg)
{
    const char *bar = std::strchr(S(msg), '|');
    return bar ? bar + 1 : S(msg);
}

static void ShowFailure(int msg, const std::string &reason)
{
    GuiHint(WIN_PROJECT, msg, reason.c_str());
}

/* Why the archive `path` failed: a failure of the system names its file
 * and says why (a full disk, say); any other is said in the archive
 * layer's words. The archive is named unless the failure names it. */
static std::string Reason(const char *path, const std::string &error, const FileFault &fault)
{
    std::string why = fault.err ? FileFaultMessage(fault.file.c_str(), fault.err) : error;
    return fault.file == HostPath(path) ? why : std::string(path) + "\n" + why;
}

/* The chosen drawer becomes DataPath; `file` receives the name. A drawer
 * or name that does not fit its field is refused with a message and changes
 * nothing: cut short, it would name another file. */
static bool SplitChoice(const char *chosen, char *file, size_t size)
{
    const char *name = FilePart(chosen);
    size_t drawer = size_t(name - chosen);
    if (drawer >= sizeof(DataPath) || std::strlen(name) >= size) {
        ShowFailure(MSG_PATH_TOO_LONG, chosen);
        return false;
    }
    std::memcpy(DataPath, chosen, drawer);
    DataPath[drawer] = '\0';
    Strlcpy(file, name, size);
    return true;
}

/* ------------------------------------------------------------ opening */

uint32_t OpenProject(void)
{
    DebugPrint("-> OpenProject()\n");
    std::string chosen;
    if (!PlatformFileRequest(WIN_PROJECT, MenuText(2), DataPath, ProjectName(), "(#?.pfz|#?.ptz)",
                             false, chosen))
        return 1;
    return OpenProjectPath(chosen.c_str());
}

/* A template (".ptz") opens untitled; a project is named after its file. */
static void NameFromFile(const char *file)
{
    size_t len = std::strlen(file);
    if (len >= 2 && (file[len - 2] == 't' || file[len - 2] == 'T')) {
        SetProjectName(S(28));
        return;
    }
    char name[256];
    Strlcpy(name, file, sizeof(name));
    ReplaceString(name, sizeof(name), ".pfz", "", 1);
    SetProjectName(name);
}

uint32_t OpenProjectPath(const char *chosen)
{
    DebugPrint("-> OpenProjectPath(%s)\n", chosen);
    char file[256], path[1024];
    if (!SplitChoice(chosen, file, sizeof(file)))
        return 1;
    Strlcpy(path, DataPath, sizeof(path));
    if (!AddPart(path, file, sizeof(path)) || !FileExists(path)) {
        ShowFailure(178, std::string(chosen) + "\nthe file does not exist");
        return 1;
    }
    FreeLists(0);
    DeleteAll("PGT:PAG4");
    std::string error;
    FileFault fault;
    int unzipped = UnzipArchive(path, "PGT:", "PAG4", error, &fault);
    if (unzipped != UNZIP_OK) {
        ShowFailure(178, Reason(path, error, fault));
        return unzipped == UNZIP_REFUSED ? 2 : 1;
    }
    ReadResult rr = ReadElementFile(ElementFileName, ScreenWidth, ScreenHeight);
    if (rr.code != EF_OK) {
        ShowFailure(178, std::string(path) + "\n" + rr.reason);
        return rr.code;
    }
    MatchFileNamesToProject();
    CreateProjectStructure();
    NameFromFile(file);
    Strlcpy(project_file, path, sizeof(project_file));
    return 0;
}

/* ------------------------------------------------------------ saving */

/* Asks for a new name until it is free or may be overwritten. False when
 * cancelled; else `path` is the archive and `name` the project's name. */
static bool AskSaveName(char *path, size_t size, char *name, size_t nsize)
{
    for (;;) {
        std::string chosen;
        if (!PlatformFileRequest(WIN_PROJECT, MenuText(5), DataPath, ProjectName(), "#?.pfz", true,
                                 chosen))
            return false;
        if (!SplitChoice(chosen.c_str(), name, nsize))
            continue;
        size_t len = std::strlen(name);
        if (len >= 4 && name[len - 4] == '.')
            name[len - 4] = '\0';
        if (!name[0])
            continue;
        Strlcpy(path, DataPath, size);
        if (!AddPart(path, name, size) || std::strlen(path) + 5 > size) {
            ShowFailure(MSG_PATH_TOO_LONG, chosen);
            continue;
        }
        std::strcat(path, ".pfz");
        if (!FileExists(path) || GuiEasyDialog(WIN_PROJECT, S(75), S(76), S(78)) != 0)
            return true;
    }
}

/* The archive of an already named project. */
static bool NamedPath(char *path, size_t size)
{
    Strlcpy(path, DataPath, size);
    if (!AddPart(path, ProjectName(), size) || std::strlen(path) + 5 > size)
        return false;
    size_t len = std::strlen(path);
    if (len >= 4 && path[len - 4] == '.')
        path[len - 1] = 'z';
    else
        std::strcat(path, ".pfz");
    return true;
}

/* The first save stamps `created`, every later one `changed`. */
static char *StampField(void)
{
    return PDaten.created[0] ? PDaten.changed : PDaten.created;
}

uint32_t SaveProject(bool state)
{
    DebugPrint("-> SaveProject(%d)\n", state);
    char path[1024], name[256] = "", drawer[256];
    Strlcpy(drawer, DataPath, sizeof(drawer));
    bool asked = state || Untitled();
    if (asked && !AskSaveName(path, sizeof(path), name, sizeof(name))) {
        Strlcpy(DataPath, drawer, sizeof(DataPath));
        return 9;
    }
    if (!asked && !NamedPath(path, sizeof(path))) {
        ShowFailure(177, "the file name is too long");
        return 1;
    }
    if (!FileExists("PGT:PAG4"))
        CreateProjectStructure();
    char *stamp = StampField(), before[18];
    Strlcpy(before, stamp, sizeof(before));
    ActualDate(DATE_STAMP, stamp, 18);
    std::string error;
    FileFault fault;
    if (!WriteElementFile(ElementFileName)) {
        fault = FileFault{HostPath(ElementFileName), errno}; /* what its last write or close said */
        error = "the element file could not be written";
    } else {
        ZipDirectory("PGT:", "PAG4", path, error, &fault);
    }
    if (!error.empty()) {
        Strlcpy(stamp, before, sizeof(before));
        Strlcpy(DataPath, drawer, sizeof(DataPath));
        ShowFailure(177, Reason(path, error, fault));
        return 1;
    }
    if (asked)
        SetProjectName(name);
    Strlcpy(project_file, path, sizeof(project_file));
    return 0;
}
