/*
 * hyphenate.h - hyphenation of textbox lines: the dictionary of libhyphen
 * that follows the spell checker's language, whether textboxes hyphenate
 * (the preference, and a dictionary to do it with), and the points at which
 * the words of a text may break.
 */
#ifndef PAGIMO_TEXT_HYPHENATE_H
#define PAGIMO_TEXT_HYPHENATE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/* Where the dictionaries of the hyphen-* packages lie. */
#define HYPHEN_FOLDER "/usr/share/hyphen"

std::string HyphenDictionaryName(void);
bool HyphenDictionaryFound(void);
bool HyphenateTextboxes(void);
std::string HyphenationHint(void);

/* The points at which a word of a text (UTF-8, `len` bytes between two
 * blanks, punctuation and all) may break with a hyphen: byte offsets into
 * it, ascending, before which the line ends. Only the dictionary's points
 * in its words of letters; none without a dictionary. */
const std::vector<uint32_t> &HyphenPoints(const char *word, size_t len);

#endif
