/*
 * selection.cpp - selection marks. A selected element shows circles of
 * radius 7 at its handles, drawn in pen 1; clearing paints them in pen 2,
 * the paper's default colour. With one element selected the property
 * gadgets show its kind.
 */
#include "view/selection.h"

#include "core/settings.h"
#include "document/pagelist.h"
#include "gui/layouts.h"
#include "gui/windows.h"
#include "platform/gui.h"
#include "platform/rastport.h"

static void DrawHandles(GElement *e, uint8_t set)
{
    RastPort *rp = WindowRastPort(WIN_PROJECT);
    if (!rp)
        return;
    SetDrMd(rp, JAM1);
    SetAPen(rp, set ? 1 : 2);
    uint8_t t = e->node.ln_Type;
    if (t == ET_LINE || t == ET_TEXTBOX || t == ET_RECT) {
        DrawEllipse(rp, int32_t(e->ex), int32_t(e->ey), 7, 7);
        DrawEllipse(rp, int32_t(e->sx), int32_t(e->sy), 7, 7);
    } else if (IsTextType(t)) {
        DrawEllipse(rp, int32_t(e->ex), int32_t(e->ey), 7, 7);
    } else if (t == ET_PICTURE) {
        DrawEllipse(rp, int32_t(e->sx), int32_t(e->sy), 7, 7);
    }
}

/* Only the first box of a chain loads or edits the text file. */
static void ShowProperties(GElement *e, bool on)
{
    SetGUIElements(e->node.ln_Type, on, true);
    if (e->node.ln_Type == ET_TEXTBOX && e->node.ln_Pri != 0) {
        GadgetSetDisabled(GID_TEXTADD, true);
        GadgetSetDisabled(GID_TEXTEDT, true);
    }
}

void SetSelectMarks(uint32_t page, GElement *element, uint8_t set, uint32_t count)
{
    if (!element)
        return;
    element->marked = set;
    DrawHandles(element, set);
    if (element->node.ln_Type == ET_TEXT && count == 1)
        GadgetSetDisabled(GID_HEADLINE_LEVEL, !set);
    if (count != 1) {
        SetGUIElements(0, false, true);
        return;
    }
    GElement *first = FindMarkedElement(page, nullptr);
    if (first == element) {
        ShowProperties(element, set != 0);
    } else if (first) {
        if (first->node.ln_Type == ET_TEXT)
            GadgetSetDisabled(GID_HEADLINE_LEVEL, false);
        ShowProperties(first, true);
    } else {
        SetGUIElements(0, false, true);
    }
}
