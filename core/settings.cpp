/*
 * settings.cpp - storage of the program-wide settings (see settings.h) and
 * the debug trace, printed while Debug is on.
 */
#include "core/settings.h"

#include <cstdarg>
#include <cstdio>

int16_t Debug = 1;
char DataPath[256];
char PDFPath[256];
char TempPath[256] = "T:";
bool LocalImages = false;
int32_t PCReg = 2;
char Language[256] = "Deutsch";
char PagiPath[512];
char VNumber[6];
char VDate[11];
char Version[40];
APPool *APMemPool;

static FILE *debug_out;

void DebugToStandardError(bool err)
{
    debug_out = err ? stderr : nullptr;
}

void DebugPrint(const char *fmt, ...)
{
    if (!Debug)
        return;
    va_list ap;
    va_start(ap, fmt);
    FILE *out = debug_out ? debug_out : stdout;
    std::vfprintf(out, fmt, ap);
    va_end(ap);
    std::fflush(out);
}
