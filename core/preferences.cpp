/*
 * preferences.cpp - the preferences window. Its check boxes change the
 * flags of the configuration at once; the configuration file is written at
 * shutdown.
 */
#include "core/preferences.h"

#include <cstdio>

#include "core/config.h"
#include "core/mainloop.h"
#include "core/settings.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "platform/gui.h"
#include "text/garbage.h"
#include "view/redraw.h"

/* Mode 0 opens the window over the passive main window, mode 1 closes it. */
bool ControlPreferences(MsgPort *SPort, void *mstrip, int mode)
{
    DebugPrint("-> ControlPreferences(%d)\n", mode);
    if (mode == 0) {
        GUISetWinAktivPassiv(WIN_PROJECT, true, mstrip);
        if (!GUIOpenWindow(WIN_PREFERENCE, nullptr, SPort, false, 0)) {
            GUISetWinAktivPassiv(WIN_PROJECT, false, mstrip);
            return true;
        }
        GadgetSetNumber(GID_DEL_FILES, (Config.flags & CFG_DELETE_FILES) != 0);
        GadgetSetNumber(GID_DEL_MLINKS, (Config.flags & CFG_LINK_CORRECTION) != 0);
        GadgetSetNumber(GID_HYPHENATE, (Config.flags & CFG_NO_HYPHENATION) == 0);
    } else if (mode == 1) {
        GUISetWinAktivPassiv(WIN_PROJECT, false, mstrip);
        GUICloseWindow(WIN_PREFERENCE, false);
    }
    return true;
}

static void SetFlag(uint8_t bit, bool on)
{
    Config.flags = uint8_t(on ? Config.flags | bit : Config.flags & ~bit);
}

int16_t CheckPrefsGadgets(MsgPort *SPort, void *mstrip, uint32_t gadnr, int16_t saved)
{
    switch (gadnr) {
    case GID_DEL_FILES:
        SetFlag(CFG_DELETE_FILES, GadgetNumber(GID_DEL_FILES) != 0);
        break;
    case GID_DEL_MLINKS:
        SetFlag(CFG_LINK_CORRECTION, GadgetNumber(GID_DEL_MLINKS) != 0);
        break;
    case GID_HYPHENATE:
        /* the page shows its textboxes set anew */
        SetFlag(CFG_NO_HYPHENATION, GadgetNumber(GID_HYPHENATE) == 0);
        ReDrawPage(Loop.aktpage);
        break;
    case GID_FILES_GC: {
        uint32_t removed = GarbageCollection();
        char text[128];
        std::snprintf(text, sizeof(text), GetString(&localeinfo, 163), long(removed));
        GuiEasyDialog(WIN_PROJECT, GetString(&localeinfo, 75), text, GetString(&localeinfo, 88));
        if (removed)
            saved = 0;
        break;
    }
    case GID_PREFS_OKAY:
        ControlPreferences(SPort, mstrip, 1);
        break;
    default:
        break;
    }
    return saved;
}
