/*
 * startup.h - the program's start-up and shutdown: tool types, version
 * texts, the requirement checks, the working area and the configuration,
 * in their fixed order.
 */
#ifndef PAGIMO_CORE_STARTUP_H
#define PAGIMO_CORE_STARTUP_H

#include <string>
#include <vector>

extern const char VersionString[];

/* Tool types are "NAME=VALUE" texts; names compare without regard to case. */
typedef std::vector<std::string> ToolTypes;

ToolTypes ReadToolTypes(int argc, char **argv);
const char *FindToolType(const ToolTypes &tt, const char *name);
bool ApplyToolTypes(const ToolTypes &tt);
void MakeVersionTexts(void);
int PagimoMain(int argc, char **argv);

#endif
