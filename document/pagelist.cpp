/*
 * pagelist.cpp - the document's lists: pages in `pages`, elements in each
 * page's list, and the mirror nodes of the object list.
 *
 * Relies on APMemPool: every page, element and mirror node is a pool block.
 * Invariants kept here: PDaten.count equals the length of `pages`, and each
 * page's `count` equals the length of its element list (the element file
 * relies on both). Element lists are ordered by ln_Pri, highest first.
 */
#include "document/pagelist.h"

#include <cstring>

#include "core/settings.h"
#include "platform/files.h"
#include "platform/mempool.h"
#include "platform/strutil.h"
#include "view/pictures.h"

ProjectData PDaten;
List pages;
List objectlist;
List nodeadrlist;
List headlinelist;
List arexxlist;

/* ------------------------------------------------------------ pages */

void InitLists(void)
{
    DebugPrint("-> InitLists()\n");
    NewList(&pages);
    NewList(&objectlist);
    NewList(&nodeadrlist);
    NewList(&headlinelist);
    NewList(&arexxlist);
}

/* A null pnode appends; otherwise the new page goes directly behind pnode. */
PageNode *AddPageList(PageNode *pnode)
{
    DebugPrint("-> AddPageList(%p)\n", (void *)pnode);
    PageNode *pn = static_cast<PageNode *>(AllocPooled(APMemPool, sizeof(PageNode)));
    if (!pn)
        return nullptr;
    NewList(&pn->page);
    if (pnode)
        Insert(&pages, &pn->node, &pnode->node);
    else
        AddTail(&pages, &pn->node);
    pn->count = 0;
    PDaten.count++;
    return pn;
}

/* Null for a number outside 1..PDaten.count. */
PageNode *GetPageNode(uint32_t pageno)
{
    return reinterpret_cast<PageNode *>(GetNthNode(&pages, pageno));
}

/* ------------------------------------------------------------ elements */

/* Stores a copy of newnode; the caller's record stays the caller's. */
GElement *AddGObject(uint32_t page, const GElement *newnode)
{
    DebugPrint("-> AddGObject(%u, type %u)\n", page, newnode->node.ln_Type);
    PageNode *pn = GetPageNode(page);
    if (!pn)
        return nullptr;
    GElement *ge = static_cast<GElement *>(AllocPooled(APMemPool, sizeof(GElement)));
    if (!ge)
        return nullptr;
    std::memcpy(ge, newnode, sizeof(GElement));
    Enqueue(&pn->page, &ge->node);
    pn->count++;
    return ge;
}

/* Row numbers count from 1; null when there is no such row. */
GElement *GetObjListNode(uint32_t nodeno)
{
    Node *n = GetNthNode(&nodeadrlist, nodeno);
    return n ? reinterpret_cast<GElement *>(n->ln_Name) : nullptr;
}

GElement *FindMarkedElement(uint32_t page, GElement *snode)
{
    PageNode *pn = GetPageNode(page);
    if (!pn || IsListEmpty(&pn->page))
        return nullptr;
    Node *n = snode ? GetSucc(&snode->node) : GetHead(&pn->page);
    for (; n; n = GetSucc(n))
        if (reinterpret_cast<GElement *>(n)->marked)
            return reinterpret_cast<GElement *>(n);
    return nullptr;
}

static const char *ElementFile(GElement *ge)
{
    return ge->node.ln_Type == ET_PICTURE ? ge->edata.pd.fn : ge->edata.tbd.fn;
}

/* nr > 0 asks whether any element of the type names the file; nr <= 0 looks
 * for the textbox with that chain number and stores it in *enode. */
bool FindFilename(uint8_t typ, const char *fname, GElement **enode, int32_t nr)
{
    if (typ != ET_PICTURE && typ != ET_TEXTBOX)
        return false;
    for (Node *p = GetHead(&pages); p; p = GetSucc(p)) {
        PageNode *pn = reinterpret_cast<PageNode *>(p);
        for (Node *n = GetHead(&pn->page); n; n = GetSucc(n)) {
            GElement *ge = reinterpret_cast<GElement *>(n);
            if (n->ln_Type != typ || Stricmp(ElementFile(ge), fname) != 0)
                continue;
            if (nr > 0)
                return true;
            if (n->ln_Pri == nr) {
                if (enode)
                    *enode = ge;
                return true;
            }
        }
    }
    return false;
}

/* Text lines, dates, times, page numbers and links: the kinds with a text. */
bool IsTextType(uint32_t type)
{
    return type == ET_TEXT || type == ET_DATE || type == ET_TIME || type == ET_PAGENO || type == ET_LINK;
}

/* Clears the selection byte of every element of the page. */
void UnmarkPage(uint32_t pageno)
{
    PageNode *pn = GetPageNode(pageno);
    for (Node *n = pn ? GetHead(&pn->page) : nullptr; n; n = GetSucc(n))
        reinterpret_cast<GElement *>(n)->marked = 0;
}

/* ------------------------------------------------------------ removal */

/* A file belongs to the project when it lies inside "PGT:PAG4/". Only such
 * files are ever deleted; a name read from a stored file may point anywhere. */
bool IsProjectFile(const char *fn)
{
    static const char root[] = "PGT:PAG4/";
    if (Strnicmp(fn, root, sizeof(root) - 1) != 0)
        return false;
    const char *rest = fn + sizeof(root) - 1;
    for (const char *s = rest; *s; s++)
        if ((s == rest || s[-1] == '/') && s[0] == '.' && s[1] == '.' && (s[2] == '/' || !s[2]))
            return false;
    return *rest != '\0';
}

/* Deleted only inside the project, and only when no element of the kind
 * names it any more (a pasted picture shares its source's file). */
static void DeleteElementFile(uint8_t type, const char *fn)
{
    if (IsProjectFile(fn) && !FindFilename(type, fn, nullptr, 127))
        DeleteFile(fn);
}

static void UnlinkFromPage(GElement *ge)
{
    for (Node *p = GetHead(&pages); p; p = GetSucc(p)) {
        PageNode *pn = reinterpret_cast<PageNode *>(p);
        for (Node *n = GetHead(&pn->page); n; n = GetSucc(n))
            if (n == &ge->node) {
                Remove(n);
                pn->count--;
                return;
            }
    }
}

/* The first box of a chain takes the rest of the chain with it. */
static void RemoveChainAfter(const char *fn)
{
    for (int32_t nr = -1; nr >= -128; nr--) {
        GElement *box = nullptr;
        if (!FindFilename(ET_TEXTBOX, fn, &box, nr))
            return;
        UnlinkFromPage(box);
        FreePooled(APMemPool, box, sizeof(GElement));
    }
}

/* A following box leaves a gap that the boxes behind it close. */
static void CloseChainGap(const char *fn, int32_t k)
{
    for (int32_t nr = k - 1; nr >= -128; nr--) {
        GElement *box = nullptr;
        if (!FindFilename(ET_TEXTBOX, fn, &box, nr))
            return;
        box->node.ln_Pri++;
    }
}

static void ReleaseElement(GElement *node, bool delf)
{
    if (node->node.ln_Type == ET_PICTURE) {
        FreePicResources(node);
        if (delf)
            DeleteElementFile(ET_PICTURE, node->edata.pd.fn);
    } else if (node->node.ln_Type == ET_TEXTBOX) {
        char fn[256];
        std::memcpy(fn, node->edata.tbd.fn, sizeof(fn));
        fn[255] = '\0';
        if (node->node.ln_Pri == 0) {
            RemoveChainAfter(fn);
            if (delf)
                DeleteElementFile(ET_TEXTBOX, fn);
        } else if (node->node.ln_Pri < 0) {
            CloseChainGap(fn, node->node.ln_Pri);
        }
    }
}

void RemoveGObject(uint32_t page, GElement *node, bool delr, bool delf)
{
    DebugPrint("-> RemoveGObject(%u, %p, %d, %d)\n", page, (void *)node, delr, delf);
    PageNode *pn = GetPageNode(page);
    if (!node || !pn)
        return;
    pn->count--;
    Remove(&node->node);
    if (delr)
        ReleaseElement(node, delf);
    FreePooled(APMemPool, node, sizeof(GElement));
}

/* The files of a removed page's pictures and first textboxes go with it,
 * whatever the preference for single deletions says. */
void RemovePageList(uint32_t pageno)
{
    DebugPrint("-> RemovePageList(%u)\n", pageno);
    PageNode *pn = GetPageNode(pageno);
    if (!pn)
        return;
    while (Node *n = GetHead(&pn->page))
        RemoveGObject(pageno, reinterpret_cast<GElement *>(n), true, true);
    Remove(&pn->node);
    FreePooled(APMemPool, pn, sizeof(PageNode));
    PDaten.count--;
}

void FreeLists(int type)
{
    DebugPrint("-> FreeLists(%d)\n", type);
    switch (type) {
    case 0:
        while (PDaten.count != 0 && GetPageNode(PDaten.count))
            RemovePageList(PDaten.count);
        PDaten.count = 0;
        break;
    case 2:
        while (Node *n = RemHead(&arexxlist))
            FreePooled(APMemPool, n, sizeof(ARexxData));
        break;
    case 3:
        while (Node *n = RemHead(&nodeadrlist))
            FreePooled(APMemPool, n, sizeof(Node));
        break;
    default:
        break;
    }
}

/* ------------------------------------------------------------ working area */

bool CreateProjectStructure(void)
{
    DebugPrint("-> CreateProjectStructure()\n");
    return CreateDirTree("PGT:PAG4/Texte") && CreateDirTree("PGT:PAG4/Bilder");
}

void RemoveProjectStructure(void)
{
    DebugPrint("-> RemoveProjectStructure()\n");
    DeleteAll("PGT:PAG4");
}
