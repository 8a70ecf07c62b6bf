/*
 * textbox.cpp - the text of textboxes (see textbox.h).
 *
 * Relies on the screen fonts (screenfont.h) for every width: a line is as
 * long as it can be in the element's screen font, measured with the font's
 * own glyph for every Unicode character, and the PDF sets the very same
 * lines. Relies on charset.h for UTF-8 and the program's 8-bit set.
 *
 * Text files are kept in the project's text folder as the user gave them,
 * byte for byte (normally UTF-8). They are loaded as UTF-8, whatever
 * characters they hold; a file that is not valid UTF-8 is taken as the
 * 8-bit set (Windows-1252) and converted. Text positions (`textpos`) count
 * bytes of the loaded UTF-8 text and always stand at a character's first
 * byte.
 *
 * The iterator keeps the texts of the files last loaded (its own memory,
 * not the pool, so they outlive a project) until the files change on disk:
 * a chain of boxes loads its file once, not once per box, nor once per page
 * when pages hold boxes of several chains. Invariant: no object with a
 * destructor lives in the frames of the walk while it calls a line back,
 * since the PDF export may jump out of a line callback (its error recovery
 * ends the iteration with EndTextboxLines); reading a line may use them,
 * as it has returned by then.
 *
 * A line breaks at its last blank, or within the word that overflows it:
 * after a hyphen of the text, at a soft hyphen (U+00AD, shown as "-" only
 * there and invisible elsewhere) and, when textboxes hyphenate, at the
 * dictionary's points (hyphenate.h), whichever comes last and fits with
 * the hyphen it shows. A no-break space (U+00A0) never breaks.
 */
#include "text/textbox.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "core/settings.h"
#include "document/placeholders.h"
#include "document/pagelist.h"
#include "document/records.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "platform/assign.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "platform/screenfont.h"
#include "platform/strutil.h"
#include "text/hyphenate.h"
#include "text/utilities.h"

/* The title of the text file requester: the textbox tool's own words. */
enum { MSG_INSERT_TEXTBOX = 69 };

/* A break point shown only where a line breaks at it; never a break: the
 * no-break space (U+00A0), which the iterator takes as any character. */
enum : uint32_t { SOFT_HYPHEN = 0xAD };

static char lastdrawer[256]; /* the drawer the text requester showed last */

/* ------------------------------------------------------------ choosing */

static std::string DrawerOf(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

static bool SameFile(const char *a, const char *b)
{
    struct stat sa, sb;
    return stat(HostPath(a).c_str(), &sa) == 0 && stat(HostPath(b).c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

/* A chosen file is copied into the text folder under its own name; a name
 * that does not exist yet starts an empty text there. A file of that name
 * already in the folder is never emptied: the new box then continues its
 * text. */
/* Brings the chosen file into the project as `target`. A text of that name
 * the project already holds is never overwritten: with the same contents
 * it is taken as it is (a further box continues its chain); with other
 * contents (edited in the project, or another file of the same name) the
 * user chooses between the project's text and the chosen file under a free
 * name. False when nothing is to be used. */
static bool ImportText(const char *chosen, char *target)
{
    std::string mine, theirs;
    if (!ReadWholeFile(chosen, &theirs)) {
        GuiHint(WIN_PROJECT, MSG_FILE_FAILED, chosen);
        return false;
    }
    if (FileExists(target)) {
        if (ReadWholeFile(target, &mine) && mine == theirs)
            return true;
        int answer = GuiEasyDialog(WIN_PROJECT, GetString(&localeinfo, MSG_HINT),
                                   CatalogMessage(MSG_TEXT_EXISTS, FilePart(target)).c_str(),
                                   GetString(&localeinfo, MSG_TEXT_EXISTS_BUTTONS));
        if (answer == 1)
            return true;
        char free_name[256];
        if (answer != 2 || !CreateFreeFilename(TEXT_DRAWER, FilePart(target), free_name) ||
            std::snprintf(target, 256, "%s/%s", TEXT_DRAWER, free_name) >= 256)
            return false;
    }
    FileFault fault;
    if (WriteFileReplacing(target, theirs, &fault))
        return true;
    GuiFileFault(WIN_PROJECT, fault.file.c_str(), fault.err);
    return false;
}

int SetTextboxFile(char *fn, bool check)
{
    DebugPrint("-> SetTextboxFile(%d)\n", int(check));
    std::string chosen;
    if (!PlatformFileRequest(WIN_PROJECT, GetString(&localeinfo, MSG_INSERT_TEXTBOX), lastdrawer, "",
                             "(#?.txt)", true, chosen))
        return 0;
    std::string drawer = DrawerOf(chosen);
    Strlcpy(lastdrawer, drawer.c_str(), sizeof(lastdrawer));
    const char *name = FilePart(chosen.c_str());
    if (!*name)
        return 0;
    char target[256];
    if (std::snprintf(target, sizeof(target), "%s/%s", TEXT_DRAWER, name) >= int(sizeof(target))) {
        GuiHint(WIN_PROJECT, MSG_PATH_TOO_LONG, chosen.c_str());
        return 0;
    }
    if (FileExists(chosen.c_str())) {
        if (!SameFile(chosen.c_str(), target) && !ImportText(chosen.c_str(), target))
            return 0;
    } else if (!FileExists(target)) {
        FILE *f = OpenFile(target, "wb");
        if (!f)
            return 0;
        std::fclose(f);
    }
    Strlcpy(fn, target, 256);
    if (FileExists(fn))
        return 1;
    return check ? 0 : 1;
}

/* ------------------------------------------------------------ loading */

/* The text is UTF-8 throughout. Only its runs of bytes beyond ASCII are
 * looked at, each on its own: no sequence holds an ASCII byte, so a text
 * in ASCII needs no look at its sequences, nor a text of a few accents
 * more than a glance at them. ASCII is passed over eight bytes at a
 * time. */
static bool Utf8Text(const std::string &text)
{
    const char *p = text.data(), *end = p + text.size();
    while (p < end) {
        uint64_t bytes = 0x8080808080808080ull;
        if (end - p >= 8)
            std::memcpy(&bytes, p, 8);
        if (!(bytes & 0x8080808080808080ull)) {
            p += 8;
            continue;
        }
        if (!((unsigned char)*p & 0x80)) {
            p++;
            continue;
        }
        const char *run = p;
        while (p < end && ((unsigned char)*p & 0x80))
            p++;
        if (!IsUtf8(std::string(run, p)))
            return false;
    }
    return true;
}

/* The program's form of a text, made in place: UTF-8 without a byte-order
 * mark, a blank for each tab (and for a stray NUL, which would end the
 * text early), a newline for CR LF or a lone CR. A file that is not valid
 * UTF-8 is taken as the 8-bit set, as files of older versions are. */
static void Normalise(std::string *text)
{
    if (text->compare(0, 3, "\xEF\xBB\xBF") == 0)
        text->erase(0, 3);
    if (!Utf8Text(*text))
        *text = TextFileToUtf8(*text);
    char *t = &(*text)[0];
    size_t to = 0, size = text->size();
    if (!std::memchr(t, '\r', size) && !std::memchr(t, '\t', size) && !std::memchr(t, 0, size))
        return;
    for (size_t i = 0; i < size; i++) {
        char c = t[i];
        if (c == '\r') {
            if (i + 1 < size && t[i + 1] == '\n')
                continue;
            c = '\n';
        }
        t[to++] = c == '\t' || c == 0 ? ' ' : c;
    }
    text->resize(to);
}

/* The file's text; false when it cannot be read. */
static bool ReadText(const char *filename, std::string *text)
{
    if (!filename || !*filename || !ReadWholeFile(filename, text))
        return false;
    Normalise(text);
    return true;
}

/* While a record of a merge is exported, a text shows its placeholders
 * filled (the file itself keeps them). */
static void FillMergedText(const char *filename, std::string *text)
{
    const char *filled = MergedFileText(filename, text->c_str());
    if (filled != text->c_str())
        *text = filled;
}

/* The text from the memory pool (free it with FreeTextFile), or null. */
char *GetTextFile(const char *filename)
{
    DebugPrint("-> GetTextFile(%s)\n", filename ? filename : "");
    std::string text;
    if (!ReadText(filename, &text))
        return nullptr;
    FillMergedText(filename, &text);
    char *pooled = static_cast<char *>(AllocPooled(APMemPool, text.size() + 1));
    if (pooled)
        std::memcpy(pooled, text.c_str(), text.size() + 1);
    return pooled;
}

/* The loaded text holds no NUL before its end (Normalise sees to that). */
void FreeTextFile(char *text)
{
    if (text)
        FreePooled(APMemPool, text, std::strlen(text) + 1);
}

/* ------------------------------------------------------------ the iterator */

/* The texts loaded last, the one taken last first: the export draws page
 * by page, and a page may hold boxes of several chains, each taking up its
 * text again. At most CACHED_BYTES of them are kept beside the first. */
enum { CACHED_TEXTS = 8, CACHED_BYTES = 64 << 20 };

struct CachedText {
    std::string *text; /* the cached text of `key` */
    std::string *key;  /* host path and identity of the file it came from */
};
static CachedText cache[CACHED_TEXTS];

static struct {
    const char *text;  /* the box's text, or null between boxes */
    size_t len;
    uint32_t tidx;     /* next byte to read */
    int64_t lspc;      /* index of the last blank read, -1 for none */
    ScreenFont *font;  /* the box's screen font, null when it cannot open */
    bool held;         /* the font is one of heldfonts */
    uint32_t base;
    double scale;      /* pixels per font unit of the box's font */
    double ascii[128]; /* advances of the ASCII characters in font units */
    bool hyphenate;    /* words break at the dictionary's points too */
    bool hyphen;       /* the line breaks inside a word and shows a hyphen */
} it = {nullptr, 0, 0, -1, nullptr, false, 0, 0.0, {}, false, false};

static std::string FileKey(const char *fn)
{
    std::string host = HostPath(fn);
    struct stat st;
    if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::string();
    char id[128];
    std::snprintf(id, sizeof(id), "|%llu:%llu:%lld:%lld.%09ld", (unsigned long long)st.st_dev,
                  (unsigned long long)st.st_ino, (long long)st.st_size, (long long)st.st_mtim.tv_sec,
                  long(st.st_mtim.tv_nsec));
    return host + id;
}

/* A text file the textboxes can load: a regular, readable file of at most
 * READ_WHOLE_MAX bytes. */
bool TextboxFileReadable(const char *fn)
{
    struct stat st;
    std::string host = HostPath(fn);
    return fn[0] && stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= READ_WHOLE_MAX &&
           access(host.c_str(), R_OK) == 0;
}

static bool holding; /* the layout runs, or a box it kept is taken up */

/* The files' identities and the preference to hyphenate as looked at last
 * while `holding`: a layout looks at each text's file and at the
 * dictionary once, not once for each box, and a kept box once, as it is
 * checked and then loaded. */
static std::unordered_map<std::string, std::string> lookedkeys;
static int lookedhyphenate = -1;

static void LookAfresh(void)
{
    lookedkeys.clear();
    lookedhyphenate = -1;
}

static std::string LookedFileKey(const char *fn)
{
    if (!holding)
        return FileKey(fn);
    auto looked = lookedkeys.find(fn);
    if (looked == lookedkeys.end())
        looked = lookedkeys.emplace(fn, FileKey(fn)).first;
    return looked->second;
}

static bool Hyphenates(void)
{
    if (!holding)
        return HyphenateTextboxes();
    if (lookedhyphenate < 0)
        lookedhyphenate = HyphenateTextboxes();
    return lookedhyphenate != 0;
}

/* The file's identity and the record being merged, which fills its text;
 * empty for a file that cannot be read. */
static std::string TextKey(const GElement *ge)
{
    std::string key = LookedFileKey(ge->edata.tbd.fn);
    if (!key.empty() && MergedRecord() >= 0)
        key += "#" + std::to_string(MergedRecord());
    return key;
}

/* The entry `n` comes first, the others move down behind it. */
static void TakeFirst(size_t n)
{
    CachedText taken = cache[n];
    std::memmove(cache + 1, cache, n * sizeof(CachedText));
    cache[0] = taken;
}

/* The last entry goes when the cache is full; older ones go too while the
 * texts behind the first hold more than CACHED_BYTES. */
static void MakeRoom(void)
{
    size_t bytes = 0, keep = 1;
    while (keep < CACHED_TEXTS - 1 && cache[keep].key && bytes + cache[keep].text->size() <= CACHED_BYTES)
        bytes += cache[keep++].text->size();
    for (size_t n = keep; n < CACHED_TEXTS; n++) {
        delete cache[n].text;
        delete cache[n].key;
        cache[n] = CachedText{nullptr, nullptr};
    }
}

/* The box's text (filled for the record being merged) as the cache's first
 * entry. */
static bool CacheBoxText(const GElement *ge)
{
    const TextboxData &tbd = ge->edata.tbd;
    std::string key = TextKey(ge);
    if (key.empty())
        return false;
    for (size_t n = 0; n < CACHED_TEXTS && cache[n].key; n++)
        if (*cache[n].key == key) {
            TakeFirst(n);
            return true;
        }
    std::string *text = new std::string;
    if (!ReadText(tbd.fn, text)) {
        delete text;
        return false;
    }
    FillMergedText(tbd.fn, text);
    MakeRoom();
    TakeFirst(CACHED_TEXTS - 1);
    cache[0] = CachedText{text, new std::string(key)};
    return true;
}

/* ------------------------------------------------------------ fonts */

/* The screen fonts the last layout of the chains opened, with what the
 * iterator measures with, held until the next layout: each box would open
 * its font anew, reading its description files, once for the layout and
 * once more for the drawing that follows it. Like the kept lines, they
 * take the font files to stay as they are in between. */
struct HeldFont {
    std::string name;
    uint16_t size;
    ScreenFont *font;
    uint32_t base;
    double scale;
    double ascii[128];
};
/* Never destroyed, so that the fonts stay the process's until it ends. */
static std::vector<HeldFont *> &heldfonts = *new std::vector<HeldFont *>;

static void ForgetHeldFonts(void)
{
    for (HeldFont *h : heldfonts) {
        CloseScreenFont(h->font);
        delete h;
    }
    heldfonts.clear();
}

/* The box's font and measures into the iterator; false when it cannot
 * open. */
static bool TakeFont(const char *name, uint16_t size)
{
    for (const HeldFont *h : heldfonts)
        if (holding && h->size == size && h->name == name) {
            it.font = h->font, it.held = true;
            it.base = h->base, it.scale = h->scale;
            std::memcpy(it.ascii, h->ascii, sizeof(it.ascii));
            return true;
        }
    it.font = OpenScreenFont(name, size);
    if (!it.font)
        return false;
    it.base = ScreenFontBaseline(it.font);
    it.scale = ScreenFontUnitsScale(it.font);
    for (uint32_t c = 0; c < 128; c++)
        it.ascii[c] = ScreenFontAdvance(it.font, c);
    if (holding) {
        HeldFont *h = new HeldFont{name, size, it.font, it.base, it.scale, {}};
        std::memcpy(h->ascii, it.ascii, sizeof(h->ascii));
        heldfonts.push_back(h);
        it.held = true;
    }
    return true;
}

static bool LoadBoxText(GElement *ge)
{
    const TextboxData &tbd = ge->edata.tbd;
    if (!CacheBoxText(ge))
        return false;
    if (!TakeFont(tbd.fontname, uint16_t(tbd.size)))
        return false; /* no line of it could be measured */
    it.text = cache[0].text->c_str();
    it.len = cache[0].text->size();
    it.hyphenate = Hyphenates();
    return true;
}

/* The screen font of the box being walked (null between boxes), for a
 * receiver of its lines that looks at their glyphs. */
const ScreenFont *TextboxFont(void)
{
    return it.font;
}

/* The next box starts afresh; the cached text stays. */
void EndTextboxLines(void)
{
    if (!it.held)
        CloseScreenFont(it.font);
    it.held = false;
    it.text = nullptr;
    it.len = 0;
    it.tidx = 0;
    it.lspc = -1;
    it.font = nullptr;
    it.base = 0;
    it.hyphen = false;
}

/* Ends the box: `tpos` is where reading stopped, the text's length once
 * the text has ended, so that a following box starts behind it. */
static void Finish(uint32_t *tpos)
{
    if (it.text)
        *tpos = uint32_t(it.tidx < it.len ? it.tidx : it.len);
    EndTextboxLines();
}

static uint32_t BoxWidth(const GElement *ge)
{
    return ge->sx > ge->ex ? ge->sx - ge->ex : ge->ex - ge->sx;
}

/* The advance of the character at text[*at] in the box's font, in font
 * units, and *at moved behind it; a soft hyphen has none, being shown only
 * where a line breaks at it. */
static inline double Advance(const char *text, size_t *at)
{
    unsigned char c = (unsigned char)text[*at];
    if (c < 0x80) {
        ++*at;
        return it.ascii[c];
    }
    uint32_t cp = Utf8At(text, at);
    return cp == SOFT_HYPHEN ? 0.0 : ScreenFontAdvance(it.font, cp);
}

/* The advances of the characters of line[from, to). */
static double Units(const char *line, size_t from, size_t to)
{
    double units = 0.0;
    for (size_t i = from; i < to && line[i];)
        units += Advance(line, &i);
    return units;
}

/* A place the word that overflows a line may break at: the bytes of the
 * word before it stay on the line, the next line starts `skip` bytes
 * later, and `hyphen` tells whether a hyphen ends the line. */
struct WordBreak {
    uint32_t at, skip;
    bool hyphen;
};

/* The word's own break points, ascending: after a hyphen inside it, at a
 * soft hyphen (which is dropped), and with hyphenation at the dictionary's
 * points when the word is `whole`. Kept in the iterator's own vector, as a
 * line breaks in a word nearly every time. */
static const std::vector<WordBreak> &WordBreaks(const char *word, size_t len, bool whole)
{
    static std::vector<WordBreak> breaks;
    breaks.clear();
    for (size_t i = 0; i < len;) {
        size_t start = i;
        uint32_t cp = Utf8At(word, &i);
        if (cp == SOFT_HYPHEN && start > 0)
            breaks.push_back({uint32_t(start), uint32_t(i - start), true});
        else if ((cp == '-' || cp == 0x2010) && start > 0 && i < len)
            breaks.push_back({uint32_t(i), 0, false});
    }
    if (it.hyphenate && whole)
        for (uint32_t at : HyphenPoints(word, len))
            breaks.push_back({at, 0, true});
    std::sort(breaks.begin(), breaks.end(), [](const WordBreak &a, const WordBreak &b) { return a.at < b.at; });
    return breaks;
}

static bool Blank(char c)
{
    return c == ' ' || c == '\n';
}

/* The line (`idx` bytes, `units` wide, too wide) breaks inside its last
 * word, which starts at `word` in the line or on a line before and reaches
 * on in the text to the next blank, at the last of the word's break points
 * whose part of the line fits, hyphen included. A word is looked at within
 * WORD_SCAN bytes either way, so that a text without blanks costs no more
 * than any other; one longer than that breaks at its hyphens only. */
static bool BreakInWord(GElement *ge, char *line, uint32_t word, uint32_t idx, double units)
{
    enum { WORD_SCAN = 512 };
    int64_t linestart = int64_t(it.tidx) - int64_t(idx), from = linestart + word, start = from;
    while (start > 0 && from - start < WORD_SCAN && !Blank(it.text[start - 1]))
        start--;
    while (((unsigned char)it.text[start] & 0xC0) == 0x80)
        start++;
    size_t len = 0;
    while (size_t(start) + len < it.len && len < 2 * WORD_SCAN && !Blank(it.text[start + int64_t(len)]))
        len++;
    char after = it.text[start + int64_t(len)];
    bool whole = (start == 0 || Blank(it.text[start - 1])) && (!after || Blank(after));
    const std::vector<WordBreak> &breaks = WordBreaks(it.text + start, len, whole);
    /* The part after each cut is measured, growing from the end, as the
     * cuts move left. */
    double room = double(BoxWidth(ge)) + 0.5, hyphen = it.ascii['-'] * it.scale, tail = 0.0;
    size_t measured = idx;
    for (auto b = breaks.rbegin(); b != breaks.rend(); ++b) {
        int64_t cut = start + int64_t(b->at) - linestart;
        if (cut >= int64_t(idx))
            continue;
        if (cut <= int64_t(word))
            break;
        tail += Units(line, size_t(cut), measured);
        measured = size_t(cut);
        if ((units - tail) * it.scale + (b->hyphen ? hyphen : 0.0) >= room)
            continue;
        line[cut] = '\0';
        it.tidx = uint32_t(linestart + cut + b->skip);
        it.hyphen = b->hyphen;
        return true;
    }
    return false;
}

/* A line wider than the box with no blank to break at (a word wider than
 * the box) ends before its last character, which is read again for the
 * next line; a single character always stays, so the text moves on even
 * in a box narrower than one glyph. */
static int BreakWord(char *line, uint32_t idx, uint32_t *tpos)
{
    uint32_t last = idx - 1;
    while (last > 0 && ((unsigned char)line[last] & 0xC0) == 0x80)
        last--;
    if (last > 0) {
        it.tidx -= idx - last;
        line[last] = '\0';
    }
    *tpos = it.tidx;
    return TBL_BROKEN;
}

/* The line (`idx` bytes, `units` wide) is wider than the box: it breaks at
 * its last break point that fits, within its last word, else at its last
 * blank, else within the word that is wider than the box. */
static int Overflow(GElement *ge, char *line, uint32_t idx, double units, uint32_t *tpos)
{
    int64_t linestart = int64_t(it.tidx) - int64_t(idx);
    uint32_t word = it.lspc >= linestart ? uint32_t(it.lspc - linestart + 1) : 0;
    if (!BreakInWord(ge, line, word, idx, units)) {
        if (it.lspc < linestart)
            return BreakWord(line, idx, tpos);
        line[it.lspc - linestart] = '\0';
        it.tidx = uint32_t(it.lspc + 1);
    }
    *tpos = it.tidx;
    return TBL_BROKEN;
}

/* A full buffer is a line as wide as a box can be: it breaks at its last
 * blank when it has one, else before the next character. */
static int FullBuffer(char *line, uint32_t idx, uint32_t *tpos)
{
    int64_t linestart = int64_t(it.tidx) - int64_t(idx);
    if (it.lspc >= 0 && it.lspc >= linestart) {
        line[it.lspc - linestart] = '\0';
        it.tidx = uint32_t(it.lspc + 1);
    }
    *tpos = it.tidx;
    return TBL_BROKEN;
}

/* The line as it shows: without its soft hyphens, and with a hyphen at
 * its end when it breaks inside a word (there is room: the break lies at
 * least one character before where the line was read to). */
static void Shown(char *line)
{
    char *soft = std::strstr(line, "\xC2\xAD");
    size_t to = soft ? size_t(soft - line) : std::strlen(line);
    for (size_t from = to; soft && line[from]; from++) {
        if (line[from] == '\xC2' && line[from + 1] == '\xAD')
            from++;
        else
            line[to++] = line[from];
    }
    if (it.hyphen)
        line[to++] = '-';
    line[to] = '\0';
    it.hyphen = false;
}

static int ReadLine(GElement *ge, char *line, size_t linesize, uint32_t *size, uint32_t *tpos);

/* The next line of the box into `line` (at most linesize - 1 bytes,
 * linesize >= 5, never a character cut in two): TBL_PARAGRAPH for a line
 * ended by a newline, TBL_BROKEN for one broken to the box width, TBL_END
 * when the text has ended (with its last line in `line`, maybe empty) or
 * could not be read. A null `ge` ends the iteration. `size` becomes the
 * line pitch once a line holds a character. */
int GetTextboxLine(GElement *ge, char *line, size_t linesize, uint32_t *size, uint32_t *tpos)
{
    int result = ReadLine(ge, line, linesize, size, tpos);
    Shown(line);
    return result;
}

/* The line's `idx` bytes, read up to it.tidx, into `line`. */
static void TakeLine(char *line, uint32_t idx, uint32_t *size)
{
    std::memcpy(line, it.text + it.tidx - idx, idx);
    line[idx] = '\0';
    if (idx)
        *size = it.base + 1;
}

/* How reading a line stopped. */
enum LineStop { STOP_END, STOP_NEWLINE, STOP_FULL, STOP_WIDE };

/* Reads on from it.tidx, measuring each character as it is read, until the
 * text or the paragraph ends, the next character would fill the buffer or
 * the line is wider than the box: `idx` bytes read, `units` wide. The line
 * fits while its width, rounded as the screen rounds it, stays within the
 * box: while units * scale stays below the width + 0.5. */
static LineStop ScanLine(size_t linesize, double room, uint32_t *idx, double *units)
{
    const char *text = it.text;
    const double scale = it.scale;
    size_t at = it.tidx, from = at;
    int64_t lspc = it.lspc;
    double width = 0.0;
    LineStop stop;
    for (;;) {
        char c = text[at];
        if (!c || c == '\n') {
            stop = c ? STOP_NEWLINE : STOP_END;
            break;
        }
        size_t next = at;
        double advance = Advance(text, &next);
        if (next - from >= linesize) {
            stop = STOP_FULL;
            break;
        }
        if (c == ' ')
            lspc = int64_t(at);
        at = next;
        width += advance;
        if (width * scale >= room) {
            stop = STOP_WIDE;
            break;
        }
    }
    it.tidx = uint32_t(at);
    it.lspc = lspc;
    *idx = uint32_t(at - from);
    *units = width;
    return stop;
}

static int ReadLine(GElement *ge, char *line, size_t linesize, uint32_t *size, uint32_t *tpos)
{
    line[0] = '\0';
    if (!ge) {
        Finish(tpos);
        return TBL_END;
    }
    if (!it.text) {
        if (!LoadBoxText(ge)) {
            EndTextboxLines();
            return TBL_END;
        }
        it.tidx = *tpos < it.len ? *tpos : uint32_t(it.len);
        it.lspc = -1;
    }
    uint32_t idx;
    double units;
    LineStop stop = ScanLine(linesize, double(BoxWidth(ge)) + 0.5, &idx, &units);
    TakeLine(line, idx, size);
    switch (stop) {
    case STOP_END: Finish(tpos); return TBL_END;
    case STOP_NEWLINE: *tpos = ++it.tidx; return TBL_PARAGRAPH;
    case STOP_FULL: return FullBuffer(line, idx, tpos);
    default: return Overflow(ge, line, idx, units, tpos);
    }
}

/* ------------------------------------------------------------ block lines */

/* With otf false every blank becomes count - 1 blanks; with otf set the
 * first run of count blanks becomes count - 1. Runs are at most 49 blanks.
 * The result is cut to linesize - 1 characters. */
int CreateBlockLine(char *line, size_t linesize, uint32_t count, bool otf)
{
    uint32_t n = count > 49 ? 49 : count;
    std::string out;
    if (!otf) {
        for (const char *p = line; *p; p++)
            out.append(*p == ' ' ? size_t(n ? n - 1 : 0) : 1, *p);
    } else {
        std::string search(n, ' ');
        const char *run = n ? std::strstr(line, search.c_str()) : nullptr;
        if (!run)
            return 0;
        out.assign(line, size_t(run - line));
        out.append(n - 1, ' ');
        out.append(run + n);
    }
    Strlcpy(line, out.c_str(), linesize);
    return 1;
}

/* How a block box sets a line the iterator broke to the box width:
 * spread to both edges (TBL_BROKEN) when it has blanks and none of them
 * has to widen by more than TEXTBOX_MAX_GAP, else flush left like the last
 * line of a paragraph (TBL_RAGGED). Decided here, where the page view and
 * the PDF take their lines, so that the two cannot set a line differently.
 * Measured in the box's screen font, which the broken line leaves open. */
static int BlockSetting(const GElement *ge, const char *line, int result)
{
    if (result != TBL_BROKEN || ge->edata.tbd.align != 3 || !it.font)
        return result;
    size_t len = std::strlen(line);
    uint32_t blanks = 0;
    for (size_t i = 0; i < len; i++)
        blanks += line[i] == ' ';
    double room = double(BoxWidth(ge)) - double(ScreenFontUtf8Length(it.font, line, len));
    return blanks && room <= double(blanks) * double(TEXTBOX_MAX_GAP) ? TBL_BROKEN : TBL_RAGGED;
}

/* ------------------------------------------------------------ chains */

/* The boxes of every chain, found in one walk over the pages while the
 * chains are laid out, where FindFilename would walk them all again for
 * each box: box[k] is the first box (in page and list order) numbered -k
 * of the file. Keyed as FindFilename matches names: the volume without
 * regard to case, the rest as it is. */
struct ChainBoxes {
    GElement *box[129];
};
static std::unordered_map<std::string, ChainBoxes> chains;
static bool chains_found; /* only while LayoutTextboxChains runs */

/* What the layout found of a box's chain, for the drawing that follows
 * it. */
struct ChainLink {
    GElement *prev; /* the box before it, null for a chain's first */
    bool last;      /* no box continues it */
};
static std::unordered_map<const GElement *, ChainLink> links;

static std::string ChainKey(const char *fn)
{
    const char *colon = std::strchr(fn, ':'), *slash = std::strchr(fn, '/');
    size_t volume = colon && colon != fn && (!slash || colon < slash) ? size_t(colon - fn) + 1 : 0;
    std::string key;
    for (size_t i = 0; i < volume; i++)
        key += char(CharToLower((unsigned char)fn[i]));
    return key + "|" + (fn + volume);
}

static void FindChains(void)
{
    chains.clear();
    for (Node *p = GetHead(&pages); p; p = GetSucc(p))
        for (Node *n = GetHead(&reinterpret_cast<PageNode *>(p)->page); n; n = GetSucc(n)) {
            int k = -n->ln_Pri;
            if (n->ln_Type != ET_TEXTBOX || k < 0 || k > 128)
                continue;
            GElement *ge = reinterpret_cast<GElement *>(n);
            auto found = chains.try_emplace(ChainKey(ge->edata.tbd.fn));
            if (found.second)
                std::memset(&found.first->second, 0, sizeof(ChainBoxes));
            if (!found.first->second.box[k])
                found.first->second.box[k] = ge;
        }
}

/* FindFilename for textboxes. */
static bool FindChainBox(const char *fn, GElement **box, int32_t nr)
{
    if (!chains_found || nr > 0)
        return FindFilename(ET_TEXTBOX, fn, box, nr);
    auto chain = chains.find(ChainKey(fn));
    GElement *found = chain != chains.end() && nr >= -128 ? chain->second.box[-nr] : nullptr;
    if (found && box)
        *box = found;
    return found != nullptr;
}

/* ------------------------------------------------------------ boxes */

/* The box before this one in its chain, or null for a chain's first box
 * (and for a box whose predecessor is gone). */
static GElement *Predecessor(const GElement *ge)
{
    GElement *prev = nullptr;
    if (ge->node.ln_Pri >= 0)
        return nullptr;
    if (!FindChainBox(ge->edata.tbd.fn, &prev, ge->node.ln_Pri + 1))
        return nullptr;
    return prev;
}

/* The last box of its chain: no box continues it. */
static bool ChainEnd(const GElement *ge)
{
    auto link = links.find(ge);
    if (link != links.end())
        return link->second.last;
    return ge->node.ln_Pri <= -128 || !FindChainBox(ge->edata.tbd.fn, nullptr, ge->node.ln_Pri - 1);
}

/* Where the box begins in the drawing that follows LayoutTextboxChains:
 * the `textpos` of the box before it in its chain, 0 for a chain's first. */
uint32_t LaidOutTextboxStart(const GElement *ge)
{
    auto link = links.find(ge);
    GElement *prev = link != links.end() ? link->second.prev : Predecessor(ge);
    return prev ? prev->edata.tbd.textpos : 0;
}

/* The characters of the box's text that no box shows: those behind `end`
 * (where the box stopped) when the box ends its chain, up to the last
 * that is not a blank or a line end; 0 for any other box. */
uint32_t TextboxLeftOver(const GElement *ge, uint32_t end)
{
    if (!ChainEnd(ge) || !CacheBoxText(ge) || end >= cache[0].text->size())
        return 0;
    const char *text = cache[0].text->c_str();
    size_t last = cache[0].text->size();
    while (last > end && (text[last - 1] == ' ' || text[last - 1] == '\n'))
        last--;
    uint32_t chars = 0;
    for (size_t i = end; i < last; i++)
        chars += ((unsigned char)text[i] & 0xC0) != 0x80;
    return chars;
}

/* Where the box's text begins: behind the text of every box before it in
 * its chain, laid out now, so that no stale stored position counts. The
 * positions of those boxes are brought up to date on the way. */
uint32_t TextboxStart(const GElement *ge)
{
    GElement *chain[128];
    int n = 0;
    for (GElement *p = Predecessor(ge); p && n < 128; p = Predecessor(p))
        chain[n++] = p;
    uint32_t pos = 0;
    while (n > 0) {
        GElement *box = chain[--n];
        pos = box->edata.tbd.textpos = WalkTextbox(box, pos, nullptr, nullptr);
    }
    return pos;
}

/* Sets the lines of one box from `start` through `setline` (null only lays
 * them out) and returns where the next box of the chain begins. A line is
 * set while its slot ends above the bottom; the first that does not fit
 * ends the box and begins the next one. When the text ends in this box the
 * next one begins behind it and stays empty. */
uint32_t WalkTextbox(GElement *ge, uint32_t start, TextboxLineFunc setline, void *data)
{
    static char line[TEXTBOX_LINE];
    uint32_t top = ge->sy < ge->ey ? ge->sy : ge->ey, bottom = ge->sy < ge->ey ? ge->ey : ge->sy;
    uint32_t pos = start, endpos = start, size = 0;
    bool full = false;
    int result;
    EndTextboxLines();
    while ((result = GetTextboxLine(ge, line, sizeof(line), &size, &pos)) != TBL_END) {
        if (uint64_t(top) + size >= bottom) {
            full = true;
            break;
        }
        if (setline)
            setline(data, line, BlockSetting(ge, line, result), top, size);
        top += size;
        endpos = pos;
    }
    if (!full && !line[0]) {
        endpos = pos;
    } else if (!full && uint64_t(top) + size < bottom) {
        if (setline)
            setline(data, line, TBL_END, top, size);
        endpos = pos;
    }
    GetTextboxLine(nullptr, line, sizeof(line), &size, &pos);
    return endpos;
}

/* ------------------------------------------------------------ kept lines */

/* The lines the last layout of the chains set in each box, as the walk
 * handed them over, for the export that draws the boxes right after it: a
 * box drawn from where the layout began it, with nothing changed that its
 * lines depend on, is set from them instead of being read and measured
 * again. At most KEPT_BYTES of lines are kept; boxes beyond are read
 * again. */
enum { KEPT_BYTES = 32 << 20, KEPT_LINES = 1 << 18 };

struct KeptLine {
    size_t at; /* in kepttext, ended by a NUL */
    int result;
    uint32_t top, size;
};

struct KeptBox {
    uint32_t start, end;
    size_t first, count; /* in keptlines */
    std::string shape;   /* what the lines depend on */
};

static std::string kepttext;
static std::vector<KeptLine> keptlines;
static std::unordered_map<const GElement *, KeptBox> keptboxes;

/* Everything a box's lines depend on besides the font files. */
static std::string Shape(const GElement *ge, uint32_t start)
{
    const TextboxData &tbd = ge->edata.tbd;
    char shape[160];
    std::snprintf(shape, sizeof(shape), "%u %u %u %u %u %u %u %d|", unsigned(ge->sx), unsigned(ge->sy),
                  unsigned(ge->ex), unsigned(ge->ey), unsigned(tbd.size), unsigned(tbd.align), unsigned(start),
                  int(Hyphenates()));
    return shape + std::string(tbd.fontname) + "|" + HyphenDictionaryName() + "|" + TextKey(ge);
}

static void KeepLine(void *data, char *line, int result, uint32_t top, uint32_t size)
{
    (void)data;
    keptlines.push_back(KeptLine{kepttext.size(), result, top, size});
    kepttext.append(line, std::strlen(line) + 1);
}

/* Lays the box out from `start`, keeping its lines while there is room. */
static uint32_t KeepBox(GElement *ge, uint32_t start)
{
    size_t first = keptlines.size(), bytes = kepttext.size();
    if (bytes >= KEPT_BYTES)
        return WalkTextbox(ge, start, nullptr, nullptr);
    uint32_t end = WalkTextbox(ge, start, KeepLine, nullptr);
    keptboxes[ge] = KeptBox{start, end, first, keptlines.size() - first, Shape(ge, start)};
    return end;
}

/* The lines' room is taken at once: grown as they come, a megabyte of
 * them would be copied over and over, each copy into memory the system
 * has yet to hand over. Room not written to costs nothing. */
static void ForgetKeptLines(void)
{
    kepttext.clear();
    kepttext.reserve(KEPT_BYTES);
    keptlines.clear();
    keptlines.reserve(KEPT_LINES);
    keptboxes.clear();
    links.clear();
    EndTextboxLines();
    ForgetHeldFonts();
}

/* The lines kept for the box from `start`, or null when they are not what
 * a walk would set now. */
static const KeptBox *KeptLines(const GElement *ge, uint32_t start)
{
    auto kept = keptboxes.find(ge);
    if (kept == keptboxes.end() || kept->second.start != start || kept->second.shape != Shape(ge, start))
        return nullptr;
    return &kept->second;
}

/* WalkTextbox for the drawing that follows LayoutTextboxChains: a box the
 * layout kept sets its kept lines, with its screen font open (TextboxFont)
 * as while it is walked. */
uint32_t WalkLaidOutTextbox(GElement *ge, uint32_t start, TextboxLineFunc setline, void *data)
{
    static char line[TEXTBOX_LINE];
    LookAfresh();
    holding = true;
    const KeptBox *box = KeptLines(ge, start);
    EndTextboxLines();
    bool loaded = box && LoadBoxText(ge);
    holding = false;
    if (!loaded) {
        EndTextboxLines();
        return WalkTextbox(ge, start, setline, data);
    }
    for (size_t n = box->first; n < box->first + box->count; n++) {
        const KeptLine &kept = keptlines[n];
        Strlcpy(line, kepttext.c_str() + kept.at, sizeof(line));
        setline(data, line, kept.result, kept.top, kept.size);
    }
    EndTextboxLines();
    return box->end;
}

/* Every chain laid out in chain order, each box's `textpos` set to where
 * the next box begins: what the PDF reads, whatever the screen last drew.
 * The lines are kept for WalkLaidOutTextbox. */
void LayoutTextboxChains(void)
{
    ForgetKeptLines();
    FindChains();
    LookAfresh();
    chains_found = holding = true;
    for (Node *p = GetHead(&pages); p; p = GetSucc(p))
        for (Node *n = GetHead(&reinterpret_cast<PageNode *>(p)->page); n; n = GetSucc(n)) {
            GElement *head = reinterpret_cast<GElement *>(n);
            if (n->ln_Type != ET_TEXTBOX)
                continue;
            GElement *prev = Predecessor(head);
            bool last = ChainEnd(head);
            links[head] = ChainLink{prev, last};
            if (prev)
                continue;
            uint32_t pos = 0;
            GElement *box = head;
            for (int32_t nr = head->node.ln_Pri; box && nr >= -128;) {
                pos = box->edata.tbd.textpos = KeepBox(box, pos);
                if (--nr < -128 || !FindChainBox(head->edata.tbd.fn, &box, nr))
                    break;
            }
        }
    chains_found = holding = false;
    chains.clear();
}
