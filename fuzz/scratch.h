/*
 * scratch.h - what every fuzz harness shares: a private scratch directory
 * with the assigns "T:", "PGT:" and "FONTS:" pointed into it, the memory
 * pool, and writing the input there as a file. Nothing a harness does
 * touches the user's home or the real "T:".
 */
#ifndef PAGIMO_FUZZ_SCRATCH_H
#define PAGIMO_FUZZ_SCRATCH_H

#include <cstddef>
#include <cstdint>
#include <string>

/* Sets everything up on the first call (later calls return the same
 * directory); the directory is removed when the process ends normally. */
const std::string &FuzzScratch(void);

/* The input as the host file scratch/name; false when it cannot be written. */
bool FuzzWriteFile(const std::string &name, const uint8_t *data, size_t size);

#endif
