/*
 * process.h - starting other programs with an argument vector, never through
 * a shell, so no name or text the user typed is ever interpreted.
 */
#ifndef PAGIMO_PLATFORM_PROCESS_H
#define PAGIMO_PLATFORM_PROCESS_H

#include <string>
#include <vector>

enum { RUN_WAIT = 1, RUN_KEEP_OUTPUT = 2 };

int RunCommand(const std::vector<std::string> &argv, int flags);

#endif
