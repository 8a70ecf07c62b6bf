/*
 * editor.cpp - the text editor window of textboxes.
 *
 * The editor shows a textbox's text file as text, whatever its encoding:
 * a file that is UTF-8 is shown as it is, any other is taken as the
 * program's 8-bit set; saving writes UTF-8, which the textboxes read back
 * the same. A save replaces the file in one step (a new file beside it,
 * renamed over it), so a failed save keeps the old text. The spell check
 * works on what the editor holds, typed and unsaved text included, and
 * puts the corrected text back into the editor.
 *
 * While the editor is open the project window is passive. Relies on the
 * window layer (gui/windows), the spell checker and the file operations.
 */
#include "text/editor.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/settings.h"
#include "document/history.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "platform/assign.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/strutil.h"
#include "text/spellcheck.h"
#include "text/textbox.h"
#include "text/utilities.h"
#include "view/geometry.h"
#include "view/redraw.h"
#include "view/selection.h"

/* ------------------------------------------------------------ messages */

static void FileFailed(const char *name)
{
    GuiHint(PlatformWindowExists(WIN_EDITOR) ? WIN_EDITOR : WIN_PROJECT, MSG_FILE_FAILED, name);
}

/* ------------------------------------------------------------ opening */

/* The spell-check button works only with a running spell checker; its
 * hint then says what is missing. */
static void ShowSpellButton(void)
{
    bool on = SpellAvailable();
    GadgetSetDisabled(GID_CORRECTOR, !on);
    GadgetSetHint(GID_CORRECTOR, on ? GetString(&localeinfo, 117) : SpellUnavailableReason());
}

static bool OpenEditor(MsgPort *SPort, void *mstrip, const std::string &text)
{
    GUISetWinAktivPassiv(WIN_PROJECT, true, mstrip);
    if (!GUIOpenWindow(WIN_EDITOR, nullptr, SPort, false, 0)) {
        GUISetWinAktivPassiv(WIN_PROJECT, false, mstrip);
        return false;
    }
    ShowSpellButton();
    GadgetSetUtf8Text(GID_TEXTEDITOR, text);
    return true;
}

/* The file the editor shows and saves to, whatever the path field shows
 * by then, and what that file holds: the text at opening or last saved. */
static char edited[256];
static std::string clean_text;

/* A text file's text as the editor shows it; an existing file that cannot
 * be read is said. */
static bool ReadEdited(const char *name, std::string *text)
{
    std::string bytes;
    if (FileExists(name) && !ReadWholeFile(name, &bytes)) {
        FileFailed(name);
        return false;
    }
    Strlcpy(edited, name, sizeof(edited));
    *text = TextFileToUtf8(bytes);
    return true;
}

/* The selected textbox's file; the path field already shows its name. */
static bool OpenOnTextbox(GElement *mnode, std::string *text)
{
    if (!mnode || mnode->node.ln_Type != ET_TEXTBOX)
        return false;
    if (!FileExists(mnode->edata.tbd.fn)) {
        FileFailed(mnode->edata.tbd.fn);
        return false;
    }
    return ReadEdited(mnode->edata.tbd.fn, text);
}

/* With nothing selected, a text file of the project's text folder, chosen
 * or made new (empty) by the requester; the path field shows its name. The
 * name is taken as the user gave it. */
static bool OpenOnChosenFile(std::string *text)
{
    static char name[1024];
    if (!SetTextboxFile(name, false) || !ReadEdited(name, text))
        return false;
    GadgetSetText(GID_TEXTPATH, name);
    return true;
}

/* ------------------------------------------------------------ saving */

/* A write-protected file is not replaced. */
static bool SaveEditorText(void)
{
    if (!edited[0])
        return false;
    if (FileExists(edited) && access(HostPath(edited).c_str(), W_OK) != 0) {
        FileFailed(edited);
        return false;
    }
    std::string text = GadgetUtf8Text(GID_TEXTEDITOR);
    /* The text before goes into the undo history, which brings it back. */
    HistoryKeepFile(edited);
    if (WriteFileReplacing(edited, text)) {
        clean_text = text;
        return true;
    }
    FileFailed(edited);
    return false;
}

bool EditTextboxFile(uint8_t marked, GElement *mnode, MsgPort *SPort, void *mstrip, int mode,
                     uint32_t aktpage)
{
    DebugPrint("-> EditTextboxFile(%u, %d, page %u)\n", marked, mode, aktpage);
    if (mode == EDIT_SAVE)
        return SaveEditorText();
    if (mode != EDIT_OPEN || marked > 1)
        return false;
    std::string text;
    bool opened = marked == 1 ? OpenOnTextbox(mnode, &text) : OpenOnChosenFile(&text);
    if (!opened)
        return false;
    clean_text = text;
    return OpenEditor(SPort, mstrip, text);
}

/* ------------------------------------------------------------ the buttons */

/* Leaving shows the page again, with nothing selected and select mode. */
static void LeaveEditor(void *mstrip, GElement *mnode, uint32_t aktpage, uint32_t *aktmode, uint8_t *marked)
{
    CreateEmptyPage(PDaten.pageformat);
    GUISetWinAktivPassiv(WIN_PROJECT, false, mstrip);
    GUICloseWindow(WIN_EDITOR, false);
    ReDrawPage(aktpage);
    *marked = 0;
    if (mnode)
        mnode->marked = 0;
    *aktmode = GID_CURSOR;
    SetGUIElements(0, false, true);
}

/* Leaving with changes that are not saved asks first: save them, discard
 * them, or stay. */
static bool MayLeave(void)
{
    if (GadgetUtf8Text(GID_TEXTEDITOR) == clean_text)
        return true;
    int answer = GuiEasyDialog(WIN_EDITOR, GetString(&localeinfo, MSG_HINT), GetString(&localeinfo, MSG_EDITOR_UNSAVED),
                               GetString(&localeinfo, MSG_EDITOR_UNSAVED_BUTTONS));
    if (answer == 1)
        return SaveEditorText();
    return answer == 2;
}

/* True when the check changed the editor's text. */
static bool CheckSpelling(void)
{
    GadgetSetDisabled(GID_CORRECTOR, true);
    std::string corrected;
    bool changed = SpellcheckText(GadgetUtf8Text(GID_TEXTEDITOR), &corrected);
    if (changed)
        GadgetSetUtf8Text(GID_TEXTEDITOR, corrected);
    ShowSpellButton();
    return changed;
}

/* The page behind the editor shows the saved text at once, the box still
 * selected. */
static void ShowSavedText(uint32_t aktpage)
{
    CreateEmptyPage(PDaten.pageformat);
    ReDrawPage(aktpage);
    ShowSelectMarks(aktpage);
}

int16_t CheckEditorGadgets(MsgPort *SPort, void *mstrip, uint32_t id, GElement *mnode,
                           uint32_t aktpage, uint32_t *aktmode, uint8_t *marked, int16_t saved)
{
    switch (id) {
    case GID_SAVETEXT:
        if (EditTextboxFile(*marked, mnode, SPort, mstrip, EDIT_SAVE, aktpage))
            ShowSavedText(aktpage);
        return saved;
    case GID_QUITEDITOR:
        if (MayLeave())
            LeaveEditor(mstrip, mnode, aktpage, aktmode, marked);
        return saved;
    case GID_CORRECTOR:
        return CheckSpelling() ? 0 : saved;
    default:
        return saved;
    }
}
