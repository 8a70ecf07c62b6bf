/*
 * hyphenate.cpp - hyphenation points from libhyphen (see hyphenate.h).
 *
 * Relies on libhyphen and the dictionaries of Debian's hyphen-* packages
 * ("hyph_<name>.dic" in HYPHEN_FOLDER), on the spell checker's naming of
 * languages (the tool type iSpellLanguage: "Deutsch" is de_DE, "English"
 * en_US, any other value the dictionary's own name) and on the
 * configuration's preference.
 *
 * A dictionary is loaded at the first word that asks for it (through the
 * compiled copy of hyphendict.h) and kept for the run. The points of every word are kept too: a text's words recur, and
 * the line iterator asks once for each line a word overflows. Dictionaries
 * are written in lower case, in UTF-8 or ISO 8859-1 (the German one); a
 * word is lowered and converted for the dictionary, and a word in capitals
 * only (an abbreviation) is left whole.
 */
#include "text/hyphenate.h"

#include <cstdlib>
#include <cwctype>
#include <locale.h>
#include <sys/stat.h>
#include <unordered_map>

#include "core/config.h"
#include "core/settings.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "platform/charset.h"
#include "text/hyphendict.h"
#include "text/spellcheck.h"

/* libhyphen's patterns serve words of up to 100 bytes; a cache of that
 * many words holds the vocabulary of a book. */
enum { WORD_MAX = 100, KNOWN_MAX = 100000 };

static struct {
    std::string name; /* the dictionary asked for last */
    HyphenDict *dict; /* null when it could not be loaded */
    bool tried;
} hy;

static std::unordered_map<std::string, std::vector<uint32_t>> known;

/* ------------------------------------------------------------ the dictionary */

std::string HyphenDictionaryName(void)
{
    return SpellDictionaryName(Language);
}

/* Empty for a name that would lead out of the folder. */
static std::string DictionaryPath(const std::string &name)
{
    if (name.empty() || name[0] == '.' || name.find('/') != std::string::npos)
        return std::string();
    return std::string(HYPHEN_FOLDER "/hyph_") + name + ".dic";
}

bool HyphenDictionaryFound(void)
{
    std::string path = DictionaryPath(HyphenDictionaryName());
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

/* The preference is on and there is a dictionary to hyphenate with. */
bool HyphenateTextboxes(void)
{
    return !(Config.flags & CFG_NO_HYPHENATION) && HyphenDictionaryFound();
}

/* The hint of the preference: the dictionary it uses, or that it lacks. */
std::string HyphenationHint(void)
{
    return CatalogMessage(HyphenDictionaryFound() ? MSG_HYPHENATE_HINT : MSG_HYPHENATE_MISSING,
                          HyphenDictionaryName().c_str());
}

/* Another language (another tool type, in tests) brings its own. */
static HyphenDict *Dictionary(void)
{
    std::string name = HyphenDictionaryName();
    if (name != hy.name) {
        if (hy.dict)
            FreeHyphenDictionary(hy.dict);
        hy.dict = nullptr;
        hy.name = name;
        hy.tried = false;
        known.clear();
    }
    if (!hy.tried) {
        hy.tried = true;
        std::string path = DictionaryPath(name);
        hy.dict = path.empty() ? nullptr : LoadHyphenDictionary(path);
        DebugPrint("   hyphenation dictionary %s %s\n", path.c_str(), hy.dict ? "loaded" : "not loaded");
    }
    return hy.dict;
}

/* ------------------------------------------------------------ words */

/* The character classes of Unicode, whatever the user's locale is. */
static locale_t Unicode(void)
{
    static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    return loc;
}

static bool IsLetter(uint32_t cp)
{
    return Unicode() && iswalpha_l(wint_t(cp), Unicode());
}

static bool IsDigit(uint32_t cp)
{
    return Unicode() && iswalnum_l(wint_t(cp), Unicode()) && !iswalpha_l(wint_t(cp), Unicode());
}

/* The word lowered, in the dictionary's encoding, with the offset in
 * `word` of the character each of its bytes belongs to; false for a word
 * in capitals only, or with a letter the encoding lacks. */
static bool Lowered(const HyphenDict *dict, const std::string &word, std::string *low, std::vector<size_t> *at)
{
    bool capitals = true;
    for (size_t i = 0; i < word.size();) {
        size_t start = i;
        uint32_t cp = Utf8At(word.c_str(), &i);
        uint32_t lower = Unicode() ? uint32_t(towlower_l(wint_t(cp), Unicode())) : cp;
        capitals = capitals && lower != cp;
        size_t before = low->size();
        if (dict->utf8)
            PutUtf8(*low, lower);
        else if (lower <= 0xFF)
            *low += char(lower);
        else
            return false;
        at->insert(at->end(), low->size() - before, start);
    }
    return !capitals;
}

/* The points of a word of letters only (`word`, from `base` in the text's
 * word), in the standard hyphenation of the dictionary: a point that
 * changes the letters around it (old German "Schiff-fahrt") is left out. */
static void LetterPoints(HyphenDict *dict, const std::string &word, size_t base, std::vector<uint32_t> *points)
{
    std::string low;
    std::vector<size_t> at;
    if (!Lowered(dict, word, &low, &at) || low.size() > WORD_MAX)
        return;
    std::vector<char> hyphens(low.size() + 5);
    char **rep = nullptr;
    int *pos = nullptr, *cut = nullptr;
    if (hnj_hyphen_hyphenate2(dict, low.data(), int(low.size()), hyphens.data(), nullptr, &rep, &pos, &cut) == 0) {
        for (size_t k = 0; k + 1 < low.size(); k++)
            if ((hyphens[k] & 1) && !(rep && rep[k]) && at[k + 1] != at[k])
                points->push_back(uint32_t(base + at[k + 1]));
    }
    for (size_t k = 0; rep && k < low.size(); k++)
        std::free(rep[k]);
    std::free(rep);
    std::free(pos);
    std::free(cut);
}

/* The runs of letters of the word, each hyphenated on its own ("E-Mail-
 * Adresse" has three); a run joined to digits ("A4") is no word. A word
 * with soft hyphens breaks only where its author put them, and web and
 * mail addresses and paths are no words at all. */
static void WordPoints(HyphenDict *dict, const std::string &word, std::vector<uint32_t> *points)
{
    if (word.find("\xC2\xAD") != std::string::npos || word.find_first_of("/\\@") != std::string::npos ||
        word.compare(0, 4, "www.") == 0)
        return;
    bool after_digit = false;
    for (size_t i = 0; i < word.size();) {
        size_t start = i;
        uint32_t cp = Utf8At(word.c_str(), &i);
        if (!IsLetter(cp)) {
            after_digit = IsDigit(cp);
            continue;
        }
        size_t end = i;
        for (size_t k = end; k < word.size() && IsLetter(Utf8At(word.c_str(), &k));)
            end = k;
        size_t k = end;
        bool digit_after = end < word.size() && IsDigit(Utf8At(word.c_str(), &k));
        if (!after_digit && !digit_after)
            LetterPoints(dict, word.substr(start, end - start), start, points);
        i = end;
        after_digit = false;
    }
}

const std::vector<uint32_t> &HyphenPoints(const char *word, size_t len)
{
    static const std::vector<uint32_t> none;
    HyphenDict *dict = Dictionary();
    if (!dict || !len)
        return none;
    std::string key(word, len);
    auto found = known.find(key);
    if (found != known.end())
        return found->second;
    if (known.size() >= KNOWN_MAX)
        known.clear();
    std::vector<uint32_t> &points = known[key];
    WordPoints(dict, key, &points);
    return points;
}
