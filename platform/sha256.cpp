/*
 * sha256.cpp - SHA-256 (see sha256.h).
 *
 * The compression function runs on 64-byte blocks; the last one or two
 * blocks are padded in a buffer of their own. On x86 processors that have
 * the SHA extensions (CPUID leaf 7, EBX bit 29) the blocks go through the
 * sha256rnds2/msg1/msg2 instructions, four rounds a step; elsewhere through
 * the plain rounds of the standard.
 */
#include "platform/sha256.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define SHA256_X86 1
#endif

static const uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

typedef void (*BlockFunction)(uint32_t state[8], const uint8_t *data, size_t blocks);

/* ------------------------------------------------------------ the plain rounds */

static uint32_t Rotr(uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

static void BlocksPortable(uint32_t state[8], const uint8_t *data, size_t blocks)
{
    for (; blocks; blocks--, data += 64) {
        uint32_t w[64];
        for (int t = 0; t < 16; t++)
            w[t] = uint32_t(data[4 * t]) << 24 | uint32_t(data[4 * t + 1]) << 16 | uint32_t(data[4 * t + 2]) << 8 |
                   data[4 * t + 3];
        for (int t = 16; t < 64; t++) {
            uint32_t s0 = Rotr(w[t - 15], 7) ^ Rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
            uint32_t s1 = Rotr(w[t - 2], 17) ^ Rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
            w[t] = w[t - 16] + s0 + w[t - 7] + s1;
        }
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int t = 0; t < 64; t++) {
            uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + K[t] + w[t];
            uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g, g = f, f = e, e = d + t1;
            d = c, c = b, b = a, a = t1 + t2;
        }
        state[0] += a, state[1] += b, state[2] += c, state[3] += d;
        state[4] += e, state[5] += f, state[6] += g, state[7] += h;
    }
}

/* ------------------------------------------------------------ the SHA extensions */

#ifdef SHA256_X86
/* The state is kept as the instructions want it: ABEF and CDGH. Each step
 * of four rounds takes four message words; from the fifth step on they
 * come from the words of the four steps before. */
__attribute__((target("sha,sse4.1,ssse3"))) static void BlocksShaNi(uint32_t state[8], const uint8_t *data,
                                                                     size_t blocks)
{
    const __m128i bytes = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i tmp = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(state)), 0xB1);
    __m128i s1 = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(state + 4)), 0x1B);
    __m128i s0 = _mm_alignr_epi8(tmp, s1, 8);
    s1 = _mm_blend_epi16(s1, tmp, 0xF0);
    for (; blocks; blocks--, data += 64) {
        __m128i abef = s0, cdgh = s1, w[4];
        for (int step = 0; step < 16; step++) {
            __m128i &m = w[step & 3];
            if (step < 4) {
                m = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(data + 16 * step)), bytes);
            } else {
                __m128i prev = w[(step - 1) & 3], prev2 = w[(step - 2) & 3];
                m = _mm_sha256msg1_epu32(m, w[(step - 3) & 3]);
                m = _mm_add_epi32(m, _mm_alignr_epi8(prev, prev2, 4));
                m = _mm_sha256msg2_epu32(m, prev);
            }
            __m128i k = _mm_add_epi32(m, _mm_loadu_si128(reinterpret_cast<const __m128i *>(K + 4 * step)));
            s1 = _mm_sha256rnds2_epu32(s1, s0, k);
            s0 = _mm_sha256rnds2_epu32(s0, s1, _mm_shuffle_epi32(k, 0x0E));
        }
        s0 = _mm_add_epi32(s0, abef);
        s1 = _mm_add_epi32(s1, cdgh);
    }
    tmp = _mm_shuffle_epi32(s0, 0x1B);
    s1 = _mm_shuffle_epi32(s1, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(state), _mm_blend_epi16(tmp, s1, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(state + 4), _mm_alignr_epi8(s1, tmp, 8));
}

static bool HasShaExtensions(void)
{
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSE4_1) || !(c & bit_SSSE3))
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29));
}
#endif

static BlockFunction FastestBlocks(void)
{
#ifdef SHA256_X86
    static const BlockFunction chosen = HasShaExtensions() ? BlocksShaNi : BlocksPortable;
    return chosen;
#else
    return BlocksPortable;
#endif
}

/* ------------------------------------------------------------ digests */

static void Digest(BlockFunction blocks, const void *data, size_t size, uint8_t digest[SHA256_SIZE])
{
    uint32_t state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    size_t whole = size / 64;
    blocks(state, bytes, whole);
    /* The rest, the bit 1, zeros and the length in bits, big-endian. */
    uint8_t tail[128] = {0};
    size_t rest = size - whole * 64;
    std::memcpy(tail, bytes + whole * 64, rest);
    tail[rest] = 0x80;
    size_t tailsize = rest < 56 ? 64 : 128;
    uint64_t bits = uint64_t(size) * 8;
    for (int i = 0; i < 8; i++)
        tail[tailsize - 1 - i] = uint8_t(bits >> (8 * i));
    blocks(state, tail, tailsize / 64);
    for (int i = 0; i < 8; i++)
        for (int j = 0; j < 4; j++)
            digest[4 * i + j] = uint8_t(state[i] >> (24 - 8 * j));
}

void Sha256(const void *data, size_t size, uint8_t digest[SHA256_SIZE])
{
    Digest(FastestBlocks(), data, size, digest);
}

void Sha256Portable(const void *data, size_t size, uint8_t digest[SHA256_SIZE])
{
    Digest(BlocksPortable, data, size, digest);
}

/* ------------------------------------------------------------ seals */

void Seal(const char mark[8], const void *data, size_t size, uint8_t seal[SEAL_SIZE])
{
    std::memcpy(seal, mark, 8);
    Sha256(data, size, seal + 8);
}

long long SealedSize(const char mark[8], const std::string &file)
{
    return SealedSize(mark, file.data(), file.size());
}

long long SealedSize(const char mark[8], const void *file, size_t size)
{
    if (size < SEAL_SIZE)
        return -1;
    size_t body = size - SEAL_SIZE;
    uint8_t seal[SEAL_SIZE];
    Seal(mark, file, body, seal);
    return std::memcmp(static_cast<const uint8_t *>(file) + body, seal, SEAL_SIZE) ? -1 : (long long)body;
}

std::string Sha256Hex(const void *data, size_t size)
{
    uint8_t d[SHA256_SIZE];
    Sha256(data, size, d);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : d) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}
