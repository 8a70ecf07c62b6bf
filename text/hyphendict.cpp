/*
 * hyphendict.cpp - libhyphen dictionaries through a compiled cache (see
 * hyphendict.h).
 *
 * The build compiles the installed dictionaries into `hyphen/` beside the
 * program (tools/makehyphen.cpp); others are compiled at their first use
 * into a cache beside the sanitized fonts,
 * `${XDG_CACHE_HOME:-~/.cache}/pagimo/hyphen`. An entry is named by the
 * dictionary file's name and identity (size, time, inode), so an updated
 * dictionary is compiled anew. It holds the states of libhyphen's automaton
 * level by level, in the layout hyphen.h publishes, and ends with
 * ENTRY_MAGIC and the SHA-256 of all before it: an entry cut short or
 * changed is compiled again, and every state number is checked before a
 * word could follow it. Entries are written beside and renamed into place,
 * so that jobs and windows share them safely.
 *
 * What is built here is freed by hnj_hyphen_free, as libhyphen's own: every
 * part of malloc's, in the pieces libhyphen frees.
 */
#include "text/hyphendict.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "core/settings.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/fontsanitize.h"
#include "platform/sha256.h"

static const char ENTRY_MAGIC[8] = {'P', 'a', 'g', 'i', 'm', 'o', 'H', '1'};

/* ------------------------------------------------------------ writing */

static void Put32(std::string &out, int32_t v)
{
    out.append(reinterpret_cast<const char *>(&v), sizeof(v));
}

/* A string of `n` bytes, or -1 for none. */
static void PutBytes(std::string &out, const char *s, int32_t n)
{
    Put32(out, s ? n : -1);
    if (s)
        out.append(s, size_t(n));
}

/* The words that may not break are nohyphenl + 1 strings one behind the
 * other, each with its NUL. */
static int32_t NoHyphenSize(const HyphenDict *d)
{
    size_t n = 0;
    for (int i = 0; d->nohyphen && i <= d->nohyphenl; i++)
        n += std::strlen(d->nohyphen + n) + 1;
    return int32_t(n);
}

static void PutLevel(std::string &out, const HyphenDict *d)
{
    Put32(out, d->num_states);
    Put32(out, d->utf8);
    out += d->lhmin, out += d->rhmin, out += d->clhmin, out += d->crhmin;
    out.append(d->cset, MAX_NAME);
    Put32(out, d->nohyphenl);
    PutBytes(out, d->nohyphen, NoHyphenSize(d));
    for (int i = 0; i < d->num_states; i++) {
        const HyphenState &s = d->states[i];
        Put32(out, s.fallback_state);
        out += char(s.replindex), out += char(s.replcut);
        PutBytes(out, s.match, s.match ? int32_t(std::strlen(s.match) + 1) : 0);
        PutBytes(out, s.repl, s.repl ? int32_t(std::strlen(s.repl) + 1) : 0);
        Put32(out, s.num_trans);
        for (int t = 0; t < s.num_trans; t++) {
            out += s.trans[t].ch;
            Put32(out, s.trans[t].new_state);
        }
    }
}

static std::string Compiled(const HyphenDict *dict)
{
    std::string out;
    for (const HyphenDict *d = dict; d; d = d->nextlevel) {
        out += '\1';
        PutLevel(out, d);
    }
    out += '\0';
    uint8_t seal[SEAL_SIZE];
    Seal(ENTRY_MAGIC, out.data(), out.size(), seal);
    out.append(reinterpret_cast<const char *>(seal), SEAL_SIZE);
    return out;
}

/* ------------------------------------------------------------ reading */

struct Reader {
    const char *p, *end;
    bool ok;
};

static int32_t Get32(Reader &r)
{
    int32_t v = 0;
    if (r.end - r.p < 4)
        r.ok = false;
    else
        std::memcpy(&v, r.p, 4), r.p += 4;
    return v;
}

static char Get8(Reader &r)
{
    if (r.p >= r.end) {
        r.ok = false;
        return 0;
    }
    return *r.p++;
}

/* A string of malloc's (null for none) that must end with a NUL. */
static char *GetBytes(Reader &r)
{
    int32_t n = Get32(r);
    if (!r.ok || n < 0)
        return nullptr;
    if (n == 0 || r.end - r.p < n || r.p[n - 1] != '\0') {
        r.ok = false;
        return nullptr;
    }
    char *s = static_cast<char *>(std::malloc(size_t(n)));
    if (!s) {
        r.ok = false;
        return nullptr;
    }
    std::memcpy(s, r.p, size_t(n));
    r.p += n;
    return s;
}

/* A state's transitions, every one to a state of the level. */
static void GetTransitions(Reader &r, HyphenState &s, int32_t states)
{
    s.num_trans = Get32(r);
    if (!r.ok || s.num_trans < 0 || (r.end - r.p) / 5 < s.num_trans) {
        s.num_trans = 0;
        r.ok = false;
        return;
    }
    s.trans = s.num_trans ? static_cast<HyphenTrans *>(std::malloc(sizeof(HyphenTrans) * size_t(s.num_trans))) : nullptr;
    if (s.num_trans && !s.trans) {
        s.num_trans = 0;
        r.ok = false;
        return;
    }
    for (int t = 0; t < s.num_trans; t++) {
        s.trans[t].ch = Get8(r);
        s.trans[t].new_state = Get32(r);
        if (s.trans[t].new_state < 0 || s.trans[t].new_state >= states)
            r.ok = false;
    }
}

static HyphenDict *GetLevel(Reader &r)
{
    HyphenDict *d = static_cast<HyphenDict *>(std::calloc(1, sizeof(HyphenDict)));
    if (!d)
        return nullptr;
    int32_t states = Get32(r);
    d->utf8 = Get32(r);
    d->lhmin = Get8(r), d->rhmin = Get8(r), d->clhmin = Get8(r), d->crhmin = Get8(r);
    for (int i = 0; i < MAX_NAME; i++)
        d->cset[i] = Get8(r);
    d->cset[MAX_NAME - 1] = '\0';
    d->nohyphenl = Get32(r);
    d->nohyphen = GetBytes(r);
    /* a state takes 15 bytes at least */
    if (!r.ok || states <= 0 || (r.end - r.p) / 15 < states || d->nohyphenl < 0 ||
        (!d->nohyphen && d->nohyphenl) ||
        !(d->states = static_cast<HyphenState *>(std::calloc(size_t(states), sizeof(HyphenState))))) {
        r.ok = false;
        return d;
    }
    d->num_states = states;
    for (int i = 0; i < states && r.ok; i++) {
        HyphenState &s = d->states[i];
        s.fallback_state = Get32(r);
        s.replindex = (signed char)Get8(r), s.replcut = (signed char)Get8(r);
        s.match = GetBytes(r);
        s.repl = GetBytes(r);
        r.ok = r.ok && s.fallback_state >= -1 && s.fallback_state < states;
        GetTransitions(r, s, states);
    }
    return d;
}

/* The levels of an entry whose trailer vouches for it; null otherwise. */
static HyphenDict *Parsed(const std::string &entry)
{
    long long body = SealedSize(ENTRY_MAGIC, entry);
    if (body < 1)
        return nullptr;
    Reader r = {entry.data(), entry.data() + body, true};
    HyphenDict *first = nullptr, **next = &first;
    while (r.ok && Get8(r) == '\1') {
        *next = GetLevel(r);
        if (!*next)
            r.ok = false;
        else
            next = &(*next)->nextlevel;
    }
    if (r.ok && r.p == r.end && first)
        return first;
    if (first)
        hnj_hyphen_free(first);
    return nullptr;
}

/* ------------------------------------------------------------ the cache */

/* The entry's name: the dictionary's file (links followed, so that
 * hyph_de.dic and hyph_de_DE.dic share one) and its identity. */
static std::string EntryName(const std::string &path)
{
    char *real = realpath(path.c_str(), nullptr);
    std::string file = real ? real : "";
    std::free(real);
    struct stat st;
    if (file.empty() || stat(file.c_str(), &st) != 0)
        return std::string();
    return file.substr(file.rfind('/') + 1) + "-" + std::to_string(st.st_size) + "-" +
           std::to_string(st.st_mtime) + "-" + std::to_string(st.st_ino) + ".bin";
}

/* The user's cache folder, beside the fonts' cache; empty without one. */
static std::string UserFolder(void)
{
    std::string fonts = FontCacheFolder();
    size_t slash = fonts.rfind('/');
    if (fonts.empty() || slash == std::string::npos)
        return std::string();
    std::string folder = fonts.substr(0, slash) + "/hyphen";
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST ? folder : std::string();
}

static HyphenDict *ReadEntry(const std::string &folder, const std::string &name)
{
    std::string entry;
    return !folder.empty() && ReadWholeFile((folder + "/" + name).c_str(), &entry) ? Parsed(entry) : nullptr;
}

/* The build compiles the installed dictionaries beside the program
 * (makehyphen); any other is compiled at its first use into the user's
 * cache. */
HyphenDict *LoadHyphenDictionary(const std::string &path)
{
    std::string name = EntryName(path);
    if (name.empty())
        return nullptr;
    HyphenDict *dict = ReadEntry(HostPath("PROGDIR:hyphen"), name);
    std::string user = dict ? std::string() : UserFolder();
    if (!dict)
        dict = ReadEntry(user, name);
    if (dict)
        return dict;
    dict = hnj_hyphen_load(path.c_str());
    if (dict && !user.empty() && !WriteFileReplacing((user + "/" + name).c_str(), Compiled(dict)))
        DebugPrint("   the compiled dictionary %s/%s could not be written\n", user.c_str(), name.c_str());
    return dict;
}

/* The dictionary compiled into each folder under its entry's name. */
bool CompileHyphenDictionary(const std::string &path, const std::vector<std::string> &folders)
{
    std::string name = EntryName(path);
    HyphenDict *dict = name.empty() ? nullptr : hnj_hyphen_load(path.c_str());
    if (!dict)
        return false;
    std::string entry = Compiled(dict);
    hnj_hyphen_free(dict);
    bool written = true;
    for (const std::string &folder : folders)
        written = WriteFileReplacing((folder + "/" + name).c_str(), entry) && written;
    return written;
}
