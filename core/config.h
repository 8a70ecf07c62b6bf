/*
 * config.h - the configuration record kept between runs in "PagimoOS4.cfg"
 * (current directory): 2048 bytes, byte 0 the preference flags, the rest
 * reserved and zero. No header, no version. The PDF job reads it without
 * ever writing it (ReadConfig), so that it exports as the window does.
 */
#ifndef PAGIMO_CORE_CONFIG_H
#define PAGIMO_CORE_CONFIG_H

#include <cstdint>

enum {
    CONFIG_SIZE = 2048,
    CFG_DELETE_FILES = 0x80, /* delete a picture's or text's file with its element */
    CFG_LINK_CORRECTION = 0x40, /* correct page links on page insert and remove */
    /* Textboxes hyphenate unless this bit is set. It is kept inverted
     * because the file has no version: every file written before the
     * preference existed holds 0 in this bit, and reads as "hyphenate",
     * the default, instead of turning hyphenation off for everyone who
     * upgrades; a new file keeps the old default byte, 0xC0. */
    CFG_NO_HYPHENATION = 0x20,
    CFG_DEFAULT_FLAGS = 0xC0,
};

struct CConfig {
    uint8_t flags;
    uint8_t reserve[CONFIG_SIZE - 1];
};
static_assert(sizeof(CConfig) == CONFIG_SIZE, "the file is the record");

extern CConfig Config;
extern const char ConfigFileName[];

void ReadConfig(void);
void LoadConfig(void);
void SaveConfig(void);

#endif
