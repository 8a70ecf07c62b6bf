/*
 * process.h - starting other programs with an argument vector, never through
 * a shell, so no name or text the user typed is ever interpreted.
 */
#ifndef PAGIMO_PLATFORM_PROCESS_H
#define PAGIMO_PLATFORM_PROCESS_H

#include <string>
#include <vector>

enum { RUN_WAIT = 1, RUN_KEEP_OUTPUT = 2 };
enum { RUN_NOT_STARTED = -1, RUN_TIMED_OUT = -2, RUN_LOST = -3 /* could not be waited for */ };

int RunCommand(const std::vector<std::string> &argv, int flags);
int RunCommandFor(const std::vector<std::string> &argv, long long millis);

#endif
