/*
 * spellcheck.h - spelling: the one spell server of a program run (hunspell
 * spoken to over a pipe) and the word-by-word check of a text that asks the
 * user about every word the server does not know.
 */
#ifndef PAGIMO_TEXT_SPELLCHECK_H
#define PAGIMO_TEXT_SPELLCHECK_H

#include <cstdint>
#include <string>

enum {
    SPELL_START = -1,   /* start the server (program start) */
    SPELL_STOP = -2,    /* stop it (program end) */
    SPELL_CHECK = -3,   /* check a word: 1 when misspelled */
    SPELL_ACCEPT = -4,  /* accept a word for the rest of the run */
    SPELL_ADD = -5,     /* add a word to the personal dictionary */
};
enum { SPELL_SUGGESTIONS = 5, SPELL_MAX_WORD = 255 };

/* Words and suggestions are UTF-8. */
bool SpellcheckerManager(int32_t mode, const char *word, std::string cword[SPELL_SUGGESTIONS],
                         uint32_t *size);
bool SpellAvailable(void);
const char *SpellUnavailableReason(void);
std::string SpellDictionaryName(const char *language);

/* Checks `text` (UTF-8) and leaves the corrected text in *corrected: true
 * when the user took a suggestion and finished, false when nothing was
 * replaced or the user cancelled. */
bool SpellcheckText(const std::string &text, std::string *corrected);

#endif
