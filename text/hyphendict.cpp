/*
 * hyphendict.cpp - libhyphen dictionaries through a compiled cache (see
 * hyphendict.h).
 *
 * The build compiles the installed dictionaries into `hyphen/` beside the
 * program (tools/makehyphen.cpp); others are compiled at their first use
 * into a cache beside the sanitized fonts,
 * `${XDG_CACHE_HOME:-~/.cache}/pagimo/hyphen`. An entry is named by the
 * dictionary file's name and identity (size, time, inode), so an updated
 * dictionary is compiled anew. Entries, and the notes below, are written
 * beside and renamed into place, so that jobs and windows share them
 * safely.
 *
 * An entry is libhyphen's own structures as hyphen.h lays them out in
 * memory, their pointers set for the address ENTRY_BASE: a head, the
 * levels' HyphenDicts, the states of all levels, the transitions and the
 * strings. It is mapped read-only, at ENTRY_BASE when that is free, so that
 * nothing in it is written and jobs share its pages; mapped elsewhere, its
 * pointers are moved once. The head is sealed with SHA-256 and holds a
 * checksum of the rest: an entry cut short or changed anywhere is compiled
 * again. Before libhyphen could follow anything, every pointer is checked
 * to lie in its part of the entry and every string to end inside it, and
 * the automaton to keep within the word it hyphenates (CheckStates).
 *
 * Checking reads all of an entry, some 15 MB for German, where hyphenating
 * a text reads a few pages of it. So once an entry has passed, a note in
 * the user's cache records the identity of its file (inode, size, times),
 * and while the file keeps that identity its head alone is checked.
 *
 * A dictionary loaded here lies in one mapping, freed by
 * FreeHyphenDictionary: never by hnj_hyphen_free.
 */
#include "text/hyphendict.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/settings.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/fontsanitize.h"
#include "platform/sha256.h"

static const char ENTRY_MAGIC[8] = {'P', 'a', 'g', 'i', 'm', 'o', 'H', '2'};
static const char NOTE_MAGIC[8] = {'P', 'a', 'g', 'i', 'm', 'o', 'H', 'C'};

/* Where entries are laid out to lie: far from the program, its heap and
 * its libraries, and outside the sanitizers' shadow memory. */
static const uint64_t ENTRY_BASE = 0x5a0000000000ull;

/* libhyphen builds two levels, of patterns shorter than MAX_CHARS. */
enum { LEVELS_MAX = 8, DEPTH_MAX = 127, ANCHORED = 0x80, ENTRY_MAX = 1 << 30 };
/* The seconds an entry stays unchanged before its identity vouches for
 * it: a file changed again within one tick of the file system's clock
 * keeps its times. */
enum { SETTLED = 2 };

/* ------------------------------------------------------------ the entry */

/* The head of an entry; its seal covers the bytes before the seal. The
 * levels' HyphenDicts follow it, then the states of every level after
 * those of the level before, the transitions and the strings. */
struct EntryHead {
    uint64_t base;      /* the address the entry's pointers are set for */
    uint64_t size;      /* of the whole entry, a multiple of 8 ending with a NUL */
    uint64_t sum;       /* the checksum of all after the head */
    uint64_t trans;     /* where the transitions begin */
    uint64_t strings;   /* where the strings begin */
    uint32_t levels;
    uint32_t states;    /* of all levels */
    uint32_t layout[4]; /* the sizes of hyphen.h's structures, then 0 */
    uint8_t seal[SEAL_SIZE];
};

static const uint64_t DICTS = sizeof(EntryHead);
static_assert(sizeof(EntryHead) % 8 == 0, "the HyphenDicts follow the head aligned");

static const uint32_t LAYOUT[4] = {sizeof(HyphenDict), sizeof(HyphenState), sizeof(HyphenTrans), 0};

static uint64_t Rotl(uint64_t x, int r)
{
    return x << r | x >> (64 - r);
}

/* The checksum of `n` bytes: four words at a time, independent of one
 * another so that the processor overlaps them. */
static uint64_t Checksum(const char *p, uint64_t n)
{
    const uint64_t K = 0x9E3779B185EBCA87ull;
    uint64_t lane[4] = {K, ~K, K >> 1, ~K >> 1}, sum = n;
    uint64_t i = 0;
    for (; n - i >= 32; i += 32)
        for (int k = 0; k < 4; k++) {
            uint64_t w;
            std::memcpy(&w, p + i + 8 * k, 8);
            lane[k] = Rotl((lane[k] ^ w) * K, 29);
        }
    for (; i < n; i++)
        sum = (sum ^ uint8_t(p[i])) * K;
    for (int k = 0; k < 4; k++)
        sum = Rotl((sum ^ lane[k]) * K, 31);
    return sum;
}

/* ------------------------------------------------------------ writing */

struct Writer {
    std::string out;     /* the entry up to its strings */
    std::string strings;
    uint64_t states;     /* where the next level's states go */
    uint64_t trans;      /* where the next transitions go */
};

template <typename T> static T *At(uint64_t address)
{
    return reinterpret_cast<T *>(uintptr_t(address));
}

/* `n` bytes of `s` put among the strings: their address as laid out, or
 * null for none. */
static char *PutString(Writer &w, const char *s, size_t n)
{
    if (!s)
        return nullptr;
    uint64_t at = ENTRY_BASE + w.out.size() + w.strings.size();
    w.strings.append(s, n);
    return At<char>(at);
}

static void Put(Writer &w, uint64_t at, const void *data, size_t n)
{
    std::memcpy(&w.out[at], data, n);
}

/* The words that may not break are nohyphenl + 1 strings one behind the
 * other, each with its NUL. */
static size_t NoHyphenSize(const HyphenDict *d)
{
    size_t n = 0;
    for (int i = 0; d->nohyphen && i <= d->nohyphenl; i++)
        n += std::strlen(d->nohyphen + n) + 1;
    return n;
}

/* The states of a level breadth first from state 0: `order` lists their
 * old numbers, `number` gives each its new one. False when a transition
 * leads nowhere or a state cannot be reached. */
static bool BreadthFirst(const HyphenDict *d, std::vector<int> *order, std::vector<int> *number)
{
    number->assign(size_t(d->num_states), -1);
    order->assign(1, 0);
    (*number)[0] = 0;
    for (size_t i = 0; i < order->size(); i++) {
        const HyphenState &s = d->states[(*order)[i]];
        for (int t = 0; t < s.num_trans; t++) {
            int to = s.trans[t].new_state;
            if (to < 0 || to >= d->num_states)
                return false;
            if ((*number)[size_t(to)] < 0) {
                (*number)[size_t(to)] = int(order->size());
                order->push_back(to);
            }
        }
    }
    return order->size() == size_t(d->num_states);
}

static void PutState(Writer &w, const HyphenState &s, const std::vector<int> &number, uint64_t at)
{
    HyphenState o;
    std::memset(&o, 0, sizeof(o));
    o.match = PutString(w, s.match, s.match ? std::strlen(s.match) + 1 : 0);
    o.repl = PutString(w, s.repl, s.repl ? std::strlen(s.repl) + 1 : 0);
    if (s.repl) /* libhyphen leaves them unset for the others */
        o.replindex = s.replindex, o.replcut = s.replcut;
    o.fallback_state = s.fallback_state < 0 ? -1 : number[size_t(s.fallback_state)];
    o.num_trans = s.num_trans;
    o.trans = s.num_trans ? At<HyphenTrans>(ENTRY_BASE + w.trans) : nullptr;
    for (int t = 0; t < s.num_trans; t++, w.trans += sizeof(HyphenTrans)) {
        HyphenTrans x;
        std::memset(&x, 0, sizeof(x));
        x.ch = s.trans[t].ch;
        x.new_state = number[size_t(s.trans[t].new_state)];
        Put(w, w.trans, &x, sizeof(x));
    }
    Put(w, at, &o, sizeof(o));
}

/* Level `k`, the last when `last`; false when libhyphen's states are not
 * the tree its loader builds. */
static bool PutLevel(Writer &w, const HyphenDict *d, uint32_t k, bool last)
{
    std::vector<int> order, number;
    if (d->num_states < 1 || !BreadthFirst(d, &order, &number))
        return false;
    for (int i = 0; i < d->num_states; i++)
        if (d->states[i].fallback_state >= d->num_states)
            return false;
    HyphenDict o;
    std::memset(&o, 0, sizeof(o));
    o.lhmin = d->lhmin, o.rhmin = d->rhmin, o.clhmin = d->clhmin, o.crhmin = d->crhmin;
    o.nohyphen = PutString(w, d->nohyphen, NoHyphenSize(d));
    o.nohyphenl = d->nohyphenl;
    o.num_states = d->num_states;
    std::memcpy(o.cset, d->cset, MAX_NAME);
    o.cset[MAX_NAME - 1] = '\0';
    o.utf8 = d->utf8;
    o.states = At<HyphenState>(ENTRY_BASE + w.states);
    o.nextlevel = last ? nullptr : At<HyphenDict>(ENTRY_BASE + DICTS + (k + 1) * sizeof(HyphenDict));
    Put(w, DICTS + k * sizeof(HyphenDict), &o, sizeof(o));
    for (size_t i = 0; i < order.size(); i++, w.states += sizeof(HyphenState))
        PutState(w, d->states[order[i]], number, w.states);
    return true;
}

/* The entry of a dictionary libhyphen loaded; empty when it has more
 * levels than an entry holds or states its loader never builds. */
static std::string Compiled(const HyphenDict *dict)
{
    std::vector<const HyphenDict *> levels;
    uint64_t states = 0, trans = 0;
    for (const HyphenDict *d = dict; d && levels.size() <= LEVELS_MAX; d = d->nextlevel) {
        levels.push_back(d);
        states += uint64_t(std::max(d->num_states, 0));
        for (int i = 0; i < d->num_states; i++)
            trans += uint64_t(std::max(d->states[i].num_trans, 0));
    }
    if (levels.empty() || levels.size() > LEVELS_MAX)
        return std::string();
    Writer w;
    w.states = DICTS + levels.size() * sizeof(HyphenDict);
    w.trans = w.states + states * sizeof(HyphenState);
    w.out.assign(w.trans + trans * sizeof(HyphenTrans), '\0');
    EntryHead head;
    std::memset(&head, 0, sizeof(head));
    head.trans = w.trans;
    head.strings = w.out.size();
    for (size_t k = 0; k < levels.size(); k++)
        if (!PutLevel(w, levels[k], uint32_t(k), k + 1 == levels.size()))
            return std::string();
    w.strings.resize((w.strings.size() + 8) / 8 * 8, '\0');
    w.out += w.strings;
    head.base = ENTRY_BASE;
    head.size = w.out.size();
    head.sum = Checksum(w.out.data() + DICTS, head.size - DICTS);
    head.levels = uint32_t(levels.size());
    head.states = uint32_t(states);
    std::memcpy(head.layout, LAYOUT, sizeof(LAYOUT));
    Seal(ENTRY_MAGIC, &head, offsetof(EntryHead, seal), head.seal);
    Put(w, 0, &head, sizeof(head));
    return w.out;
}

/* ------------------------------------------------------------ checking */

/* An entry mapped at `map`, and where its parts begin. */
struct Mapped {
    char *map;
    uint64_t base, size, states, trans, strings;
    bool moved; /* the pointers must be moved from base to map */
};

/* Where `p`, laid out for the entry's base, lies in the mapping when
 * `bytes` from it fit in [from, to) at a multiple of `align`; null
 * otherwise. */
static char *Inside(const Mapped &m, const void *p, uint64_t from, uint64_t to, uint64_t bytes, uint64_t align)
{
    uint64_t at = uint64_t(uintptr_t(p)) - m.base;
    return at >= from && at <= to && to - at >= bytes && at % align == 0 ? m.map + at : nullptr;
}

/* A string among the strings: the entry ends with a NUL, so it ends
 * inside. */
static char *String(const Mapped &m, const char *s)
{
    return Inside(m, s, m.strings, m.size, 1, 1);
}

/* The words that may not break, none empty: libhyphen would look for an
 * empty one beyond the word. */
static char *NoHyphen(const Mapped &m, const HyphenDict *d)
{
    char *first = String(m, d->nohyphen);
    if (!first || d->nohyphenl < 0)
        return nullptr;
    uint64_t at = uint64_t(first - m.map);
    for (int i = 0; i <= d->nohyphenl; i++) {
        if (at >= m.size || !m.map[at])
            return nullptr;
        at += std::strlen(m.map + at) + 1;
    }
    return first;
}

/* The states of a level, their pointers moved if need be. libhyphen walks
 * them from state 0 over the word with a dot before and after it. Each
 * state is reached by one transition from a state before it, so `reached`
 * gives its depth + 1 once its parent is checked, with ANCHORED when the
 * transitions to it begin with the dot before the word. Only such a state
 * can stand after as many characters as its depth: its pattern may be as
 * long as its depth, another's one digit longer (the digit before its first
 * letter), and no pattern reaches before the word. A fallback leads to a
 * shallower state, so libhyphen's search for a transition ends. */
static bool CheckStates(const Mapped &m, HyphenState *states, int n)
{
    std::vector<uint8_t> reached(size_t(n), 0);
    reached[0] = 1;
    for (int i = 0; i < n; i++) {
        HyphenState &s = states[i];
        int depth = (reached[i] & ~ANCHORED) - 1, f = s.fallback_state;
        bool anchored = reached[i] & ANCHORED;
        if (depth < 0 || f < -1 || f >= i || (f >= 0 && (reached[f] & ~ANCHORED) - 1 >= depth) || s.num_trans < 0 ||
            (!s.num_trans && s.trans))
            return false;
        HyphenTrans *trans = nullptr;
        if (s.num_trans && !(trans = reinterpret_cast<HyphenTrans *>(
                                 Inside(m, s.trans, m.trans, m.strings, uint64_t(s.num_trans) * sizeof(HyphenTrans),
                                        alignof(HyphenTrans)))))
            return false;
        for (int t = 0; t < s.num_trans; t++) {
            int to = trans[t].new_state;
            if (to <= i || to >= n || reached[to] || depth + 2 > DEPTH_MAX)
                return false;
            reached[to] = uint8_t(depth + 2) | (anchored || (i == 0 && trans[t].ch == '.') ? ANCHORED : 0);
        }
        char *match = s.match ? String(m, s.match) : nullptr, *repl = s.repl ? String(m, s.repl) : nullptr;
        size_t len = match ? std::strlen(match) : 0;
        if ((s.match && !match) || (s.repl && !repl) || len > size_t(depth + !anchored))
            return false;
        /* a replacement begins in the pattern and replaces something */
        if (repl && (!match || s.replindex < 0 || size_t(s.replindex) > len || s.replcut < 1))
            return false;
        if (m.moved)
            s.match = match, s.repl = repl, s.trans = trans;
    }
    return true;
}

/* Level `k` of `levels`, whose states follow `*first` others of all
 * `total`. */
static bool CheckLevel(const Mapped &m, uint32_t k, uint32_t levels, uint64_t *first, uint64_t total)
{
    HyphenDict *d = reinterpret_cast<HyphenDict *>(m.map + DICTS + k * sizeof(HyphenDict));
    uint64_t states = m.states + *first * sizeof(HyphenState);
    uint64_t next = k + 1 < levels ? DICTS + (k + 1) * sizeof(HyphenDict) : 0;
    char *nohyphen = d->nohyphen ? NoHyphen(m, d) : nullptr;
    if (d->num_states < 1 || uint64_t(d->num_states) > total - *first ||
        uint64_t(uintptr_t(d->states)) - m.base != states ||
        (next ? uint64_t(uintptr_t(d->nextlevel)) - m.base != next : d->nextlevel != nullptr) ||
        (d->nohyphen && !nohyphen) || !std::memchr(d->cset, '\0', MAX_NAME))
        return false;
    HyphenState *s = reinterpret_cast<HyphenState *>(m.map + states);
    if (!CheckStates(m, s, d->num_states))
        return false;
    if (m.moved) {
        d->states = s;
        d->nextlevel = next ? reinterpret_cast<HyphenDict *>(m.map + next) : nullptr;
        d->nohyphen = nohyphen;
    }
    *first += uint64_t(d->num_states);
    return true;
}

/* The dictionary of the entry mapped read-only at `map`, checked and moved
 * there (only its head when it is `noted` and needs no move); null when the
 * entry does not vouch for itself. It stays read-only: libhyphen only reads
 * it. */
static HyphenDict *Adopted(char *map, uint64_t size, bool noted)
{
    EntryHead h;
    uint8_t seal[SEAL_SIZE];
    if (size < sizeof(h))
        return nullptr;
    std::memcpy(&h, map, sizeof(h));
    Seal(ENTRY_MAGIC, &h, offsetof(EntryHead, seal), seal);
    uint64_t states = DICTS + uint64_t(h.levels) * sizeof(HyphenDict);
    if (std::memcmp(seal, h.seal, SEAL_SIZE) || std::memcmp(LAYOUT, h.layout, sizeof(LAYOUT)) || h.size != size ||
        size % 8 || map[size - 1] || h.levels < 1 || h.levels > LEVELS_MAX || h.states < h.levels ||
        h.trans != states + uint64_t(h.states) * sizeof(HyphenState) || h.strings < h.trans ||
        (h.strings - h.trans) % sizeof(HyphenTrans) || h.strings >= size ||
        (!noted && Checksum(map + DICTS, size - DICTS) != h.sum))
        return nullptr;
    Mapped m = {map, h.base, size, states, h.trans, h.strings, uint64_t(uintptr_t(map)) != h.base};
    if (noted && !m.moved)
        return reinterpret_cast<HyphenDict *>(map + DICTS);
    if (m.moved && mprotect(map, size, PROT_READ | PROT_WRITE) != 0)
        return nullptr;
    uint64_t first = 0;
    for (uint32_t k = 0; k < h.levels; k++)
        if (!CheckLevel(m, k, h.levels, &first, h.states))
            return nullptr;
    if (first != h.states || mprotect(map, size, PROT_READ) != 0)
        return nullptr;
    return reinterpret_cast<HyphenDict *>(map + DICTS);
}

/* ------------------------------------------------------------ mapping */

/* `size` bytes of the file `fd` mapped read-only, or of zeros to write
 * for -1: at ENTRY_BASE when that is free. The pages of a file to be
 * checked are read at once, as the checks read them all. */
static char *Map(uint64_t size, int fd, bool populate)
{
    int prot = fd < 0 ? PROT_READ | PROT_WRITE : PROT_READ;
    int flags = MAP_PRIVATE | (fd < 0 ? MAP_ANONYMOUS : 0) | (populate ? MAP_POPULATE : 0);
    void *map = mmap(At<void>(ENTRY_BASE), size, prot, flags | MAP_FIXED_NOREPLACE, fd, 0);
    if (map == MAP_FAILED)
        map = mmap(nullptr, size, prot, flags, fd, 0);
    return map == MAP_FAILED ? nullptr : static_cast<char *>(map);
}

/* ------------------------------------------------------------ notes */

/* A file's identity: a file written again or replaced has another. */
struct Identity {
    uint64_t dev, ino, size;
    int64_t mtime, mtime_ns, ctime, ctime_ns;
};

static Identity IdentityOf(const struct stat &st)
{
    Identity id;
    std::memset(&id, 0, sizeof(id));
    id.dev = uint64_t(st.st_dev), id.ino = uint64_t(st.st_ino), id.size = uint64_t(st.st_size);
    id.mtime = st.st_mtim.tv_sec, id.mtime_ns = st.st_mtim.tv_nsec;
    id.ctime = st.st_ctim.tv_sec, id.ctime_ns = st.st_ctim.tv_nsec;
    return id;
}

/* The note of the entry file `file` in the user's cache `folder`: named
 * by the entry's path, for the program's entries are noted there too. */
static std::string NoteName(const std::string &folder, const std::string &file)
{
    return folder.empty() ? std::string() : folder + "/checked-" + Sha256Hex(file.data(), file.size()).substr(0, 32);
}

static bool Noted(const std::string &note, const Identity &id)
{
    std::string data;
    return !note.empty() && ReadWholeFile(note.c_str(), &data) && SealedSize(NOTE_MAGIC, data) == sizeof(id) &&
           std::memcmp(data.data(), &id, sizeof(id)) == 0;
}

/* Notes that the entry of identity `id` passed, once it has settled. */
static void Note(const std::string &note, const Identity &id)
{
    struct timespec now;
    if (note.empty() || clock_gettime(CLOCK_REALTIME, &now) != 0 || now.tv_sec - id.ctime < SETTLED ||
        now.tv_sec - id.mtime < SETTLED)
        return;
    std::string data(reinterpret_cast<const char *>(&id), sizeof(id));
    uint8_t seal[SEAL_SIZE];
    Seal(NOTE_MAGIC, data.data(), data.size(), seal);
    data.append(reinterpret_cast<const char *>(seal), SEAL_SIZE);
    if (!WriteFileReplacing(note.c_str(), data))
        DebugPrint("   the note %s could not be written\n", note.c_str());
}

/* ------------------------------------------------------------ loading */

/* The entry `file`, checked unless its `note` vouches for it. */
static HyphenDict *MappedEntry(const std::string &file, const std::string &note)
{
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    Identity id;
    char *map = nullptr;
    uint64_t size = 0;
    bool noted = false;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= ENTRY_MAX) {
        id = IdentityOf(st);
        noted = Noted(note, id);
        size = uint64_t(st.st_size), map = Map(size, fd, !noted);
    }
    close(fd);
    HyphenDict *dict = map ? Adopted(map, size, noted) : nullptr;
    if (map && !dict)
        munmap(map, size);
    if (dict && !noted)
        Note(note, id);
    return dict;
}

/* An entry just compiled, loaded as from its file. */
static HyphenDict *CopiedEntry(const std::string &entry)
{
    char *map = entry.empty() ? nullptr : Map(entry.size(), -1, false);
    if (!map)
        return nullptr;
    std::memcpy(map, entry.data(), entry.size());
    HyphenDict *dict = Adopted(map, entry.size(), false);
    if (!dict)
        munmap(map, entry.size());
    return dict;
}

void FreeHyphenDictionary(HyphenDict *dict)
{
    if (!dict)
        return;
    char *map = reinterpret_cast<char *>(dict) - DICTS;
    EntryHead h;
    std::memcpy(&h, map, sizeof(h));
    munmap(map, h.size);
}

size_t HyphenEntryOffset(const HyphenDict *dict, const void *p)
{
    return size_t(static_cast<const char *>(p) - (reinterpret_cast<const char *>(dict) - DICTS));
}

void ResealHyphenEntry(std::string *entry)
{
    EntryHead h;
    if (entry->size() < sizeof(h))
        return;
    std::memcpy(&h, entry->data(), sizeof(h));
    h.sum = Checksum(entry->data() + DICTS, entry->size() - DICTS);
    Seal(ENTRY_MAGIC, &h, offsetof(EntryHead, seal), h.seal);
    entry->replace(0, sizeof(h), reinterpret_cast<const char *>(&h), sizeof(h));
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

/* The entry `name` in `folder`, noted in the user's cache `user`. */
static HyphenDict *ReadEntry(const std::string &folder, const std::string &name, const std::string &user)
{
    std::string file = folder + "/" + name;
    return folder.empty() ? nullptr : MappedEntry(file, NoteName(user, file));
}

/* The entry of the dictionary file `path`, compiled by libhyphen; empty
 * when libhyphen cannot load it. */
static std::string CompiledFile(const std::string &path)
{
    HyphenDict *dict = hnj_hyphen_load(path.c_str());
    if (!dict)
        return std::string();
    std::string entry = Compiled(dict);
    hnj_hyphen_free(dict);
    return entry;
}

/* The build compiles the installed dictionaries beside the program
 * (makehyphen); any other is compiled at its first use into the user's
 * cache. */
HyphenDict *LoadHyphenDictionary(const std::string &path)
{
    std::string name = EntryName(path);
    if (name.empty())
        return nullptr;
    std::string user = UserFolder();
    HyphenDict *dict = ReadEntry(HostPath("PROGDIR:hyphen"), name, user);
    if (!dict)
        dict = ReadEntry(user, name, user);
    if (dict)
        return dict;
    std::string entry = CompiledFile(path);
    dict = CopiedEntry(entry);
    if (dict && !user.empty() && !WriteFileReplacing((user + "/" + name).c_str(), entry))
        DebugPrint("   the compiled dictionary %s/%s could not be written\n", user.c_str(), name.c_str());
    return dict;
}

/* The dictionary compiled into each folder under its entry's name, when
 * the program can load what was compiled. */
bool CompileHyphenDictionary(const std::string &path, const std::vector<std::string> &folders)
{
    std::string name = EntryName(path);
    std::string entry = name.empty() ? std::string() : CompiledFile(path);
    HyphenDict *dict = CopiedEntry(entry);
    if (!dict)
        return false;
    FreeHyphenDictionary(dict);
    bool written = true;
    for (const std::string &folder : folders)
        written = WriteFileReplacing((folder + "/" + name).c_str(), entry) && written;
    return written;
}
