/*
 * fontinstall.h - makes the host's TrueType fonts the program's fonts: the
 * drawer "FONTS:_TrueType" and, for each file in it, the system font
 * description "FONTS:<full name>.font" with its tag file ".otag".
 *
 * Run once at start-up, before the font catalogue is scanned.
 */
#ifndef PAGIMO_PLATFORM_FONTINSTALL_H
#define PAGIMO_PLATFORM_FONTINSTALL_H

bool InstallFonts(void);

#endif
