/*
 * spellcheck.cpp - the spell server and the word-by-word check of a text.
 *
 * The server is one `hunspell -a` child per program run, started in UTF-8
 * with the dictionary the tool type iSpellLanguage names. Every word goes
 * out on a line of its own behind "^", so that no word is taken as one of
 * hunspell's commands; hunspell answers each word of the line ("*", "+",
 * "-" known, "& word n off: s1, s2" unknown with suggestions, "# word off"
 * unknown without) and ends the answer with an empty line. Words are sent
 * as they stand and suggestions taken as given: the dictionaries spell
 * umlauts and the suggestions' case is right as it comes.
 *
 * Relies on platform/process (the pipe child), the catalog, and the
 * requester for the question about each unknown word.
 */
#include "text/spellcheck.h"

#include <cstdio>
#include <cstring>
#include <cwctype>
#include <locale.h>
#include <sstream>
#include <vector>

#include "core/settings.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "platform/charset.h"
#include "platform/process.h"
#include "platform/strutil.h"

/* Time for hunspell to load its dictionary, and to answer one word. */
enum { SPELL_START_MILLIS = 15000, SPELL_ANSWER_MILLIS = 5000, SPELL_STOP_MILLIS = 2000 };

/* A part of a checked word that hunspell does not know: where it starts
 * (a byte of the word) and what it offers instead. */
struct SpellPart {
    std::string word;
    size_t start = 0;
    std::vector<std::string> suggestions;
};

static PipeChild server;
static bool server_started; /* started, its greeting not yet read */
static bool server_on;      /* greeted: it answers */
static char unavailable[300] = "";

/* ------------------------------------------------------------ the server */

/* "Deutsch" and "English" are the program's own names; anything else is
 * taken as hunspell's dictionary name as it stands. */
std::string SpellDictionaryName(const char *language)
{
    if (strcasecmp(language, "Deutsch") == 0 || strcasecmp(language, "German") == 0)
        return "de_DE";
    if (strcasecmp(language, "English") == 0)
        return "en_US";
    return language;
}

static void Unavailable(int32_t msg, const char *what)
{
    Strlcpy(unavailable, CatalogMessage(msg, what).c_str(), sizeof(unavailable));
    DebugPrint("   spelling unavailable: %s\n", unavailable);
}

/* The server is started with the program and loads its dictionary while
 * the user works; only the first use waits for it to be ready. */
static void StartServer(void)
{
    std::string dict = SpellDictionaryName(Language);
    if (dict.empty() || dict[0] == '-') {
        Unavailable(MSG_SPELL_NO_DICTIONARY, dict.c_str());
        return;
    }
    if (!PipeChildStart(&server, {"hunspell", "-a", "-i", "utf-8", "-d", dict})) {
        Unavailable(MSG_SPELL_NO_PROGRAM, "hunspell");
        return;
    }
    server_started = true;
    DebugPrint("   spell server hunspell -d %s started\n", dict.c_str());
}

/* hunspell greets with a version line once its dictionary is loaded; one
 * that cannot find the dictionary ends without it. */
static void AwaitServer(void)
{
    if (!server_started)
        return;
    server_started = false;
    std::string greeting;
    if (PipeChildReadLine(&server, &greeting, SPELL_START_MILLIS) != 1 || greeting.compare(0, 1, "@") != 0) {
        PipeChildStop(&server, SPELL_STOP_MILLIS);
        Unavailable(MSG_SPELL_NO_DICTIONARY, SpellDictionaryName(Language).c_str());
        return;
    }
    /* Terse mode: known words give no answer line, only the empty line. */
    server_on = PipeChildWrite(&server, "!\n");
    unavailable[0] = '\0';
}

static void StopServer(void)
{
    if (server_on || server_started)
        PipeChildStop(&server, SPELL_STOP_MILLIS);
    server_on = server_started = false;
}

/* A server that stops answering is given up for the rest of the run. */
static void LoseServer(void)
{
    StopServer();
    Unavailable(MSG_SPELL_LOST, "");
}

/* "& word n off: s1, s2, ..." */
static void TakeSuggestions(const std::string &answer, SpellPart *part)
{
    size_t colon = answer.find(": ");
    if (colon == std::string::npos)
        return;
    size_t pos = colon + 2;
    while (pos < answer.size() && part->suggestions.size() < SPELL_SUGGESTIONS) {
        size_t comma = answer.find(", ", pos);
        size_t end = comma == std::string::npos ? answer.size() : comma;
        if (end > pos)
            part->suggestions.push_back(answer.substr(pos, end - pos));
        pos = end + 2;
    }
}

/* The byte where the character `chars` of a UTF-8 text begins. */
static size_t ByteOfChar(const std::string &text, size_t chars)
{
    size_t pos = 0;
    bool valid;
    for (size_t i = 0; i < chars && pos < text.size(); i++)
        Utf8Next(text, &pos, &valid);
    return pos;
}

/* "& word n off: ..." or "# word off": the unknown part of the checked
 * text, found by its offset (counted in characters from the "^"). */
static bool TakePart(const std::string &sent, const std::string &answer, SpellPart *part)
{
    std::istringstream in(answer);
    std::string tag, word;
    size_t count = 0, offset = 0;
    in >> tag >> word;
    if (tag == "&" || tag == "?")
        in >> count;
    in >> offset;
    if (!in && !in.eof())
        return false;
    part->word = word;
    part->start = offset >= 1 ? ByteOfChar(sent, offset - 1) : 0;
    if (sent.compare(part->start, word.size(), word) != 0) /* an answer that does not fit the text */
        part->start = sent.find(word);
    if (part->start == std::string::npos)
        return false;
    if (tag != "#")
        TakeSuggestions(answer, part);
    return true;
}

/* hunspell checks a text as the words it sees in it (it splits at digits,
 * for one), answering each unknown one with its offset, up to the empty
 * line. The parts come in text order. False when the server is lost. */
static bool CheckParts(const std::string &text, std::vector<SpellPart> *parts)
{
    parts->clear();
    if (!PipeChildWrite(&server, "^" + text + "\n")) {
        LoseServer();
        return false;
    }
    std::string line;
    for (;;) {
        if (PipeChildReadLine(&server, &line, SPELL_ANSWER_MILLIS) != 1) {
            LoseServer();
            return false;
        }
        if (line.empty())
            return true;
        SpellPart part;
        if ((line[0] == '&' || line[0] == '#' || line[0] == '?') && TakePart(text, line, &part) &&
            (parts->empty() || part.start >= parts->back().start + parts->back().word.size()))
            parts->push_back(part);
    }
}

/* Words with a line end inside could smuggle a command to the server. */
static bool SafeWord(const char *word)
{
    return word && *word && !std::strpbrk(word, "\n\r") && std::strlen(word) <= 4 * SPELL_MAX_WORD;
}

bool SpellcheckerManager(int32_t mode, const char *word, std::string cword[SPELL_SUGGESTIONS], uint32_t *size)
{
    if (size)
        *size = 0;
    switch (mode) {
    case SPELL_START:
        if (!server_on && !server_started)
            StartServer();
        return false;
    case SPELL_STOP:
        StopServer();
        return false;
    case SPELL_CHECK: {
        AwaitServer();
        std::vector<SpellPart> parts;
        if (!server_on || !SafeWord(word) || !cword || !size || !CheckParts(word, &parts) || parts.empty())
            return false;
        for (const std::string &sug : parts[0].suggestions)
            cword[(*size)++] = sug;
        return true;
    }
    case SPELL_ACCEPT:
        AwaitServer();
        if (server_on && SafeWord(word))
            PipeChildWrite(&server, std::string("@") + word + "\n");
        return false;
    case SPELL_ADD:
        /* "#" saves the personal dictionary at once. */
        AwaitServer();
        if (server_on && SafeWord(word))
            PipeChildWrite(&server, std::string("*") + word + "\n#\n");
        return false;
    default:
        return false;
    }
}

bool SpellAvailable(void)
{
    AwaitServer();
    return server_on;
}

const char *SpellUnavailableReason(void)
{
    return unavailable;
}

/* ------------------------------------------------------------ characters */

/* The character classes of Unicode, whatever the user's locale is. */
static locale_t Classes(void)
{
    static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    return loc;
}

static bool IsLetter(uint32_t cp, bool valid)
{
    return valid && Classes() && iswalpha_l(wint_t(cp), Classes());
}

static bool EndsWord(uint32_t cp, bool valid)
{
    if (!valid)
        return true;
    return cp == '\n' || (Classes() && (iswspace_l(wint_t(cp), Classes()) || iswpunct_l(wint_t(cp), Classes())));
}

/* ------------------------------------------------------------ asking */

/* Texts of requesters are in the program's 8-bit set; a "|" would split a
 * button. */
static std::string ForRequester(const std::string &utf8)
{
    std::string text(utf8.size() + 1, '\0');
    text.resize(CharsetFromUtf8(utf8.c_str(), &text[0], text.size()));
    for (char &c : text)
        if (c == '|')
            c = '/';
    return text;
}

/* The question about one unknown part: -1 Cancel, 0 Ignore, 1 Add word,
 * 2 + n the suggestion n. */
static int AskAboutPart(const SpellPart &part)
{
    std::string buttons = std::string(GetString(&localeinfo, MSG_SPELL_IGNORE)) + "|" +
                          GetString(&localeinfo, MSG_SPELL_ADD) + "|";
    for (const std::string &sug : part.suggestions)
        buttons += ForRequester(sug) + "|";
    buttons += GetString(&localeinfo, MSG_SPELL_CANCEL);
    int answer = GuiEasyDialog(WIN_EDITOR, GetString(&localeinfo, MSG_SPELL_TITLE),
                               CatalogMessage(MSG_SPELL_QUESTION, ForRequester(part.word).c_str()).c_str(),
                               buttons.c_str());
    if (answer <= 0 || answer > int(part.suggestions.size()) + 2)
        return -1;
    return answer - 1;
}

/* ------------------------------------------------------------ the check */

struct SpellRun {
    std::string out;
    bool changed, cancelled, lost;
};

/* Asks about one unknown part and writes it (or what replaces it). */
static void HandlePart(SpellRun *run, const SpellPart &part)
{
    int answer = AskAboutPart(part);
    if (answer < 0) {
        run->cancelled = true;
    } else if (answer >= 2) {
        run->out += part.suggestions[size_t(answer - 2)];
        run->changed = true;
    } else {
        run->out += part.word;
        SpellcheckerManager(answer == 0 ? SPELL_ACCEPT : SPELL_ADD, part.word.c_str(), nullptr, nullptr);
    }
}

/* A word of more characters than the server takes is passed over. Only
 * the parts hunspell does not know are replaced; the rest of the word (its
 * digits, say) stays as it was. */
static void HandleWord(SpellRun *run, const std::string &word, size_t chars)
{
    std::vector<SpellPart> parts;
    if (chars > SPELL_MAX_WORD || !SafeWord(word.c_str()) || !SpellAvailable()) {
        run->out += word;
        return;
    }
    if (!CheckParts(word, &parts)) {
        run->lost = true;
        run->out += word;
        return;
    }
    size_t done = 0;
    for (const SpellPart &part : parts) {
        run->out += word.substr(done, part.start - done);
        HandlePart(run, part);
        if (run->cancelled)
            return;
        done = part.start + part.word.size();
    }
    run->out += word.substr(done);
}

/* A letter starts a word; a blank, a punctuation mark or a line end ends
 * it; anything else, digits included, belongs to it. What lies between
 * words is copied as it is. */
bool SpellcheckText(const std::string &text, std::string *corrected)
{
    SpellRun run = {std::string(), false, false, false};
    std::string word;
    size_t chars = 0;
    bool inword = false;
    for (size_t pos = 0; pos < text.size() && !run.cancelled && !run.lost;) {
        size_t start = pos;
        bool valid;
        uint32_t cp = Utf8Next(text, &pos, &valid);
        std::string piece = text.substr(start, pos - start);
        if (!inword && IsLetter(cp, valid)) {
            inword = true, word = piece, chars = 1;
        } else if (!inword) {
            run.out += piece;
        } else if (EndsWord(cp, valid)) {
            HandleWord(&run, word, chars);
            run.out += piece;
            inword = false;
        } else {
            word += piece, chars++;
        }
    }
    if (inword && !run.cancelled && !run.lost)
        HandleWord(&run, word, chars);
    if (run.lost)
        GuiEasyDialog(WIN_EDITOR, GetString(&localeinfo, MSG_SPELL_TITLE), GetString(&localeinfo, MSG_SPELL_LOST),
                      GetString(&localeinfo, MSG_OKAY));
    if (run.cancelled || run.lost)
        return false;
    GuiEasyDialog(WIN_EDITOR, GetString(&localeinfo, MSG_SPELL_TITLE), GetString(&localeinfo, MSG_SPELL_COMPLETE),
                  GetString(&localeinfo, MSG_OKAY));
    *corrected = run.out;
    return run.changed;
}
