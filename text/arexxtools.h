/*
 * arexxtools.h - the ARexx tools run on placed pictures, and the chooser
 * that offers the tools of the current tool mode.
 *
 * The tools are declared in "PROGDIR:ARexx/ARexxTools_<language>.config",
 * six lines a tool (script, name, port, program, parameter keywords, mode),
 * read once at start-up into `arexxlist`. A tool runs as the child process
 * "rexx PROGDIR:ARexx/<script> <parameters>" (Regina), never through a shell.
 */
#ifndef PAGIMO_TEXT_AREXXTOOLS_H
#define PAGIMO_TEXT_AREXXTOOLS_H

#include <cstdint>
#include <string>

struct ARexxData;
struct GElement;

/* Parameter keyword codes (GetARexxParam); 0 ends the list. */
enum {
    RXP_NONE = 0,
    RXP_POX = 1,
    RXP_POY = 2,
    RXP_WID = 3,
    RXP_HEI = 4,
    RXP_WIP = 5,
    RXP_HEP = 6,
    RXP_SFN = 7,
    RXP_DFN = 8,
    RXP_R09 = 9,
    RXP_R18 = 10,
    RXP_R27 = 11,
};

enum { AREXX_COMMAND_SIZE = 1024 };
/* The longest a tool may run before it counts as failed. */
extern long long ARexxToolMillis;

bool ReadARexxTools(void);
std::string ARexxToolsFile(void);
void SetARexxChooser(uint32_t typ);
uint32_t GetARexxParam(char *params);
bool AddRXScriptParameter(const ARexxData *ardata, const GElement *elem, char *arexxcom);
bool ARexxToolChosen(void);
bool CheckARexxTool(GElement *elem);

#endif
