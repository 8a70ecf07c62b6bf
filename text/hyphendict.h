/*
 * hyphendict.h - a libhyphen dictionary loaded through a compiled copy in
 * the user's cache: libhyphen builds the German patterns in seconds, the
 * copy is mapped ready to use in a few milliseconds.
 */
#ifndef PAGIMO_TEXT_HYPHENDICT_H
#define PAGIMO_TEXT_HYPHENDICT_H

#include <cstddef>
#include <string>
#include <vector>

#include <hyphen.h>

/* The dictionary of the file `path` (a host path), or null when it cannot
 * be loaded; free it with FreeHyphenDictionary, never hnj_hyphen_free. */
HyphenDict *LoadHyphenDictionary(const std::string &path);
void FreeHyphenDictionary(HyphenDict *dict);
/* The compiled copy of the dictionary `path`, written into each of the
 * folders (host paths) for the program to find there. */
bool CompileHyphenDictionary(const std::string &path, const std::vector<std::string> &folders);

/* Tests: where `p`, in the loaded `dict`, lies in its entry's bytes, and
 * an entry changed by hand made to vouch for itself again, as a hostile
 * one could. */
size_t HyphenEntryOffset(const HyphenDict *dict, const void *p);
void ResealHyphenEntry(std::string *entry);

#endif
