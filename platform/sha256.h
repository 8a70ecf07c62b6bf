/*
 * sha256.h - the SHA-256 digest (FIPS 180-4) of a block of bytes, as
 * lower-case hex for file names. Processors with the SHA extensions digest
 * several times faster; both ways give the same digest.
 */
#ifndef PAGIMO_PLATFORM_SHA256_H
#define PAGIMO_PLATFORM_SHA256_H

#include <cstddef>
#include <cstdint>
#include <string>

enum { SHA256_SIZE = 32 };

void Sha256(const void *data, size_t size, uint8_t digest[SHA256_SIZE]);
std::string Sha256Hex(const void *data, size_t size);
/* Tests: the digest without the processor's extensions. */
void Sha256Portable(const void *data, size_t size, uint8_t digest[SHA256_SIZE]);

/* A file sealed with its own digest: the data, then a seal of an 8-byte
 * mark naming the kind of file and the SHA-256 of the data. A file changed
 * anywhere, or cut short, no longer matches its seal. */
enum { SEAL_SIZE = 8 + SHA256_SIZE };
void Seal(const char mark[8], const void *data, size_t size, uint8_t seal[SEAL_SIZE]);
/* The size of the data of a sealed file; -1 when its seal does not match. */
long long SealedSize(const char mark[8], const std::string &file);
long long SealedSize(const char mark[8], const void *file, size_t size);

#endif
