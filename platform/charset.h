/*
 * charset.h - the 8-bit character set of the program's texts.
 *
 * Element texts, names and catalog texts are 8-bit strings in Windows-1252,
 * which holds every printable character of ISO 8859-1 at the same code and
 * adds the typographic ones (quotes, dashes, the euro sign) in 0x80-0x9F.
 * The user interface and the files of other programs speak UTF-8; texts are
 * converted at that boundary with this one pair of functions. The texts of
 * textboxes are the exception: they stay UTF-8 (Utf8At reads them).
 */
#ifndef PAGIMO_PLATFORM_CHARSET_H
#define PAGIMO_PLATFORM_CHARSET_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

std::string CharsetToUtf8(const char *text);
size_t CharsetFromUtf8(const char *utf8, char *out, size_t size);
uint32_t CharsetToUnicode(unsigned char c);
int CharsetFromUnicode(uint32_t u);
unsigned char CharToLower(unsigned char c);
uint32_t Utf8Next(const std::string &s, size_t *pos, bool *valid);
bool IsUtf8(const std::string &s);
std::string TextFileToUtf8(const std::string &bytes);
uint32_t Utf8At(const char *text, size_t *pos);
void PutUtf8(std::string &out, uint32_t u);
std::string CodePointNames(const std::vector<uint32_t> &codes, size_t most);

#endif
