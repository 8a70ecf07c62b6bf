/*
 * utilities.h - small string and file helpers used throughout the program:
 * file existence, free names for imported files, pooled strings, the date
 * and time texts, and case-blind search and replace.
 */
#ifndef PAGIMO_TEXT_UTILITIES_H
#define PAGIMO_TEXT_UTILITIES_H

#include <cstddef>
#include <cstdint>

enum { DATE_STAMP = 15, DATE_TEXT = 23, TIME_TEXT = 24 };

struct Hook {
    void *h_Data;
};

extern uint8_t bufferidx;

bool FileExists(const char *file);
int CreateFreeFilename(const char *path, const char *fn, char *nfn);
char *AllocString(const char *string, long index, size_t size);
void FreeString(char *string);
void ActualDate(uint32_t id, char *text, size_t size);
uint32_t putcharfunc(Hook *hook, void *loc, uint32_t c);
uint32_t IdenticalChar(const char *str1, const char *str2);
bool InString(const char *sstr, const char *istr);
void ReplaceString(char *sstr, size_t ssize, const char *rstr, const char *nstr, int otf);

#endif
