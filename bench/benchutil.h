/*
 * benchutil.h - what the benchmarks share: a private working area, the
 * program's pool and lists, and the offscreen GUI, and a stopwatch.
 */
#ifndef PAGIMO_BENCH_BENCHUTIL_H
#define PAGIMO_BENCH_BENCHUTIL_H

#include <chrono>
#include <string>

#include <hpdf.h>

std::string BenchSetUp(int argc, char **argv);
std::string BenchExportSetUp(int argc, char **argv);
HPDF_Doc LimitDocument(const std::string &ttf, HPDF_Font *font);
const char *BenchFont(void);
double Seconds(std::chrono::steady_clock::time_point since);
std::string BenchBeside(const char *argv0, const char *name);

#endif
