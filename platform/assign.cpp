/*
 * assign.cpp - the assign table and the path resolver (see assign.h).
 *
 * Defaults and overrides:
 *   T:        ${TMPDIR:-/tmp}/pagimo-<uid>, created 0700   PAGIMO_ASSIGN_T
 *   FONTS:    ${XDG_DATA_HOME:-~/.local/share}/pagimo/fonts PAGIMO_ASSIGN_FONTS
 *   tbimages: <program directory>/tbimages                  PAGIMO_ASSIGN_TBIMAGES
 *   PROGDIR:  the executable's directory
 * "PGT:" is made by the start-up with AssignPath.
 */
#include "platform/assign.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

struct AssignKeyLess {
    bool operator()(const std::string &a, const std::string &b) const
    {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

static std::map<std::string, std::string, AssignKeyLess> assigns;

/* ------------------------------------------------------------ defaults */

std::string ProgramDirectory(void)
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return ".";
    buf[n] = '\0';
    char *slash = std::strrchr(buf, '/');
    if (slash)
        *slash = '\0';
    return buf[0] ? buf : "/";
}

static std::string EnvOr(const char *name, const std::string &fallback)
{
    const char *v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

/* A directory that is really ours: not a link, owned by us, no access for
 * anyone else. Another user's (or a planted) directory is never used. */
static bool IsPrivateDir(const std::string &dir)
{
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    return st.st_uid == getuid() && (st.st_mode & 077) == 0;
}

static std::string MakeUserTemp(void)
{
    std::string base = EnvOr("TMPDIR", "/tmp");
    std::string dir = base + "/pagimo-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    if (IsPrivateDir(dir))
        return dir;
    std::string tmpl = dir + "-XXXXXX";
    std::string made(tmpl);
    if (mkdtemp(made.data()))
        return made;
    return base;
}

static std::string DefaultFonts(void)
{
    std::string data = EnvOr("XDG_DATA_HOME", EnvOr("HOME", ".") + "/.local/share");
    return data + "/pagimo/fonts";
}

bool AssignInit(void)
{
    assigns.clear();
    const char *t = std::getenv("PAGIMO_ASSIGN_T");
    assigns["T"] = (t && *t) ? std::string(t) : MakeUserTemp();
    if (t && *t)
        mkdir(t, 0700);
    assigns["FONTS"] = EnvOr("PAGIMO_ASSIGN_FONTS", DefaultFonts());
    assigns["PROGDIR"] = ProgramDirectory();
    assigns["tbimages"] = EnvOr("PAGIMO_ASSIGN_TBIMAGES", assigns["PROGDIR"] + "/tbimages");
    return true;
}

/* ------------------------------------------------------------ resolving */

/* The volume is the part before a ":" that comes before any "/". */
static bool SplitVolume(const char *path, std::string &volume, const char **rest)
{
    const char *colon = std::strchr(path, ':');
    const char *slash = std::strchr(path, '/');
    if (!colon || colon == path || (slash && slash < colon))
        return false;
    volume.assign(path, colon - path);
    *rest = colon + 1;
    return true;
}

static std::string JoinHost(const std::string &dir, const char *rest)
{
    if (!*rest)
        return dir;
    if (!dir.empty() && dir.back() == '/')
        return dir + rest;
    return dir + "/" + rest;
}

/* A path of an unknown volume is taken as a plain host name, so a file
 * called "a:b" in the current directory still works. */
std::string HostPath(const char *path)
{
    if (!path)
        return std::string();
    std::string volume;
    const char *rest;
    if (SplitVolume(path, volume, &rest)) {
        auto it = assigns.find(volume);
        if (it != assigns.end())
            return JoinHost(it->second, rest);
    }
    return std::string(path);
}

static std::string AssignKey(const char *name)
{
    std::string key(name);
    if (!key.empty() && key.back() == ':')
        key.pop_back();
    return key;
}

/* A null target removes the assign. The target may itself be a program path
 * ("T:"); it is resolved now, as an assign to a lock would be. */
bool AssignPath(const char *name, const char *target)
{
    std::string key = AssignKey(name);
    if (key.empty())
        return false;
    if (!target) {
        assigns.erase(key);
        return true;
    }
    assigns[key] = HostPath(target);
    return true;
}

bool AssignExists(const char *name)
{
    return assigns.count(AssignKey(name)) != 0;
}

/* ------------------------------------------------------------ names */

/* Joins file to dir in place: a "/" goes between them unless dir is empty or
 * ends in ":" or "/". False (dir unchanged) when the result does not fit. */
bool AddPart(char *dir, const char *file, size_t size)
{
    size_t dl = std::strlen(dir), fl = std::strlen(file);
    bool sep = dl > 0 && dir[dl - 1] != ':' && dir[dl - 1] != '/';
    if (dl + sep + fl + 1 > size)
        return false;
    if (sep)
        dir[dl++] = '/';
    std::memcpy(dir + dl, file, fl + 1);
    return true;
}

const char *FilePart(const char *path)
{
    const char *p = path;
    for (const char *s = path; *s; s++)
        if (*s == '/' || *s == ':')
            p = s + 1;
    return p;
}
