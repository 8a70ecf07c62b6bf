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

/* A child that reads lines on its standard input and answers on its
 * standard output, running until stopped. */
struct PipeChild {
    int pid = -1;
    int in = -1, out = -1;   /* the program's ends of the two pipes */
    std::string pending;     /* output read but not yet taken as lines */
};
bool PipeChildStart(PipeChild *child, const std::vector<std::string> &argv);
bool PipeChildWrite(PipeChild *child, const std::string &text);
int PipeChildReadLine(PipeChild *child, std::string *line, long long millis);
void PipeChildStop(PipeChild *child, long long millis);

#endif
