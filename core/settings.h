/*
 * settings.h - the program-wide settings filled once at start-up from the
 * tool types and the version string, and the program's memory pool.
 */
#ifndef PAGIMO_CORE_SETTINGS_H
#define PAGIMO_CORE_SETTINGS_H

#include <cstdint>

struct APPool;

extern int16_t Debug;
extern char DataPath[256];
extern char PDFPath[256];
extern char TempPath[256];
extern bool LocalImages;
extern int32_t PCReg;
extern char Language[256];
extern char PagiPath[512];
extern char VNumber[6];
extern char VDate[11];
extern char Version[40];
extern APPool *APMemPool;

/* Traces go to standard output in the window and to standard error in the
 * PDF job, whose standard output stays empty. */
void DebugToStandardError(bool err);
void DebugPrint(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

#endif
