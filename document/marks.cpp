/*
 * marks.cpp - the clipboard of the page editor. The marks live in the
 * elements (`mbits`) of the page PDaten.spage, so they are saved with the
 * project. A pasted copy of a textbox gets its own copy of the text file.
 *
 * Relies on the page lists, the selection marks and the file operations.
 */
#include "document/marks.h"

#include <cstdio>
#include <cstring>

#include "core/settings.h"
#include "document/pagelist.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/strutil.h"
#include "text/utilities.h"
#include "view/selection.h"

void SetMBitFlags(uint32_t aktpage, uint32_t marked, uint8_t oper)
{
    DebugPrint("-> SetMBitFlags(%u, %u, %u)\n", aktpage, marked, oper);
    PDaten.spage = aktpage;
    PageNode *pn = GetPageNode(aktpage);
    for (Node *n = pn ? GetHead(&pn->page) : nullptr; n; n = GetSucc(n))
        reinterpret_cast<GElement *>(n)->mbits = MBIT_NONE;
    uint32_t count = 0;
    while (GElement *ge = FindMarkedElement(aktpage, nullptr)) {
        ge->marked = 0;
        ge->mbits = oper;
        SetSelectMarks(aktpage, ge, 0, ++count);
    }
}

/* The copy's own text file, under a free name in "PGT:PAG4/Texte". */
static void CopyTextFile(GElement *dup, const GElement *src)
{
    char name[256], path[512];
    if (!CreateFreeFilename("PGT:PAG4/Texte", FilePart(src->edata.tbd.fn), name))
        return;
    std::snprintf(path, sizeof(path), "PGT:PAG4/Texte/%s", name);
    CopyFile(src->edata.tbd.fn, path);
    Strlcpy(dup->edata.tbd.fn, path, sizeof(dup->edata.tbd.fn));
}

static void PrepareCopy(GElement *dup, const GElement *src, uint32_t aktpage)
{
    dup->mbits = MBIT_NONE;
    if (PDaten.spage == aktpage) {
        dup->sx += 25, dup->sy += 25, dup->ex += 25, dup->ey += 25;
    }
    uint8_t t = src->node.ln_Type;
    if (t == ET_TEXT && src->edata.td.level != 0) {
        dup->sy += 8;
        dup->ey += 8;
    } else if (t == ET_PICTURE) {
        PicData &pd = dup->edata.pd;
        pd.dsrc = pd.binst = pd.clip = pd.bitmap = pd.alpha = nullptr;
    } else if (t == ET_TEXTBOX) {
        CopyTextFile(dup, src);
    }
}

/* True when a paste would bring something: copies stay on the clipboard,
 * cut elements only until they are pasted once. */
bool ClipboardHolds(void)
{
    PageNode *source = PDaten.spage ? GetPageNode(PDaten.spage) : nullptr;
    for (Node *n = source ? GetHead(&source->page) : nullptr; n; n = GetSucc(n)) {
        uint8_t oper = reinterpret_cast<GElement *>(n)->mbits;
        if (oper == MBIT_COPY || oper == MBIT_CUT)
            return true;
    }
    return false;
}

/* Copies are made every time; cut elements move once. The pasted
 * elements are the new selection; their number is returned. */
uint8_t ProcessMBitFlags(uint32_t aktpage)
{
    DebugPrint("-> ProcessMBitFlags(%u)\n", aktpage);
    PageNode *source = PDaten.spage ? GetPageNode(PDaten.spage) : nullptr;
    if (!source)
        return 0;
    uint8_t count = 0;
    Node *n = GetHead(&source->page);
    while (n) {
        Node *next = GetSucc(n);
        GElement *src = reinterpret_cast<GElement *>(n);
        uint8_t oper = src->mbits;
        if (oper == MBIT_COPY || oper == MBIT_CUT) {
            if (oper == MBIT_CUT)
                src->mbits = MBIT_NONE;
            GElement dup;
            std::memcpy(&dup, src, sizeof(dup));
            dup.marked = uint8_t(count + 1);
            if (oper == MBIT_COPY)
                PrepareCopy(&dup, src, aktpage);
            GElement *added = AddGObject(aktpage, &dup);
            if (!added)
                return count;
            count++;
            if (oper == MBIT_CUT)
                RemoveGObject(PDaten.spage, src, false, false);
            SetSelectMarks(aktpage, added, 1, count);
        }
        n = next;
    }
    return count;
}

/* ------------------------------------------------------------ page changes */

/* The clipboard names its page by number, so the number follows its page
 * when a page is inserted behind `apage` (del false) or when `apage` is
 * removed (del true); removing the clipboard's own page empties it. */
void MoveClipboardPage(uint32_t apage, bool del)
{
    if (PDaten.spage == 0)
        return;
    if (!del) {
        if (PDaten.spage > apage)
            PDaten.spage++;
    } else if (PDaten.spage == apage) {
        PDaten.spage = 0;
    } else if (PDaten.spage > apage) {
        PDaten.spage--;
    }
}
