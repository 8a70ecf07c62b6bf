/*
 * pagelist.cpp - the document's lists: pages in `pages`, elements in each
 * page's list, and the mirror nodes of the object list.
 *
 * Relies on APMemPool: every page, element and mirror node is a pool block.
 * Invariants kept here: PDaten.count equals the length of `pages`, and each
 * page's `count` equals the length of its element list (the element file
 * relies on both). Element lists are ordered by ln_Pri, highest first.
 * File names compare as Linux compares them, exactly; only a volume name
 * ("PGT:") is matched without regard to case, as assigns are.
 */
#include "document/pagelist.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/settings.h"
#include "document/history.h"
#include "platform/charset.h"
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
    return pn ? AddPageObject(pn, newnode) : nullptr;
}

/* For walks that hold the page already: no search for it. */
GElement *AddPageObject(PageNode *pn, const GElement *newnode)
{
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

static char *ElementFile(GElement *ge)
{
    return ge->node.ln_Type == ET_PICTURE ? ge->edata.pd.fn : ge->edata.tbd.fn;
}

/* ------------------------------------------------------------ file names */

/* The length of a name's volume with its colon ("PGT:" of
 * "PGT:PAG4/Texte/a.txt"), 0 for a name without one. */
static size_t VolumeLength(const char *fn)
{
    const char *colon = std::strchr(fn, ':'), *slash = std::strchr(fn, '/');
    return colon && colon != fn && (!slash || colon < slash) ? size_t(colon - fn) + 1 : 0;
}

/* Volumes are assigns, whose names are matched without regard to case; the
 * rest is a Linux path, where "a.txt" and "A.txt" are two files. */
static bool SameFileName(const char *a, const char *b)
{
    size_t va = VolumeLength(a);
    return va == VolumeLength(b) && Strnicmp(a, b, va) == 0 && std::strcmp(a + va, b + va) == 0;
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
            if (n->ln_Type != typ || !SameFileName(ElementFile(ge), fname))
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
    if (VolumeLength(fn) != 4 || Strnicmp(fn, "PGT:", 4) != 0 || std::strncmp(fn + 4, "PAG4/", 5) != 0)
        return false;
    const char *rest = fn + 9;
    for (const char *s = rest; *s; s++)
        if ((s == rest || s[-1] == '/') && s[0] == '.' && s[1] == '.' && (s[2] == '/' || !s[2]))
            return false;
    return *rest != '\0';
}

/* ------------------------------------------------------------ files of removed elements */

/* A file that lost an element. Deletion waits until the removal is over,
 * so that one walk over the project tells which files are still named
 * (a pasted picture shares its source's file), however many go at once. */
struct DoomedFile {
    uint8_t type;
    std::string fn;
};
static std::vector<DoomedFile> doomed;

/* Equal for names SameFileName takes as one file. */
static std::string FileKey(uint8_t type, const char *fn)
{
    std::string key(1, char(type));
    size_t volume = VolumeLength(fn);
    for (size_t i = 0; i < volume; i++)
        key += char(CharToLower((unsigned char)fn[i]));
    return key + (fn + volume);
}

/* Deleted only inside the project, and only when no element of the kind
 * names it any more. */
static void DeleteUnusedFiles(void)
{
    if (doomed.empty())
        return;
    std::set<std::string> named;
    for (Node *p = GetHead(&pages); p; p = GetSucc(p))
        for (Node *n = GetHead(&reinterpret_cast<PageNode *>(p)->page); n; n = GetSucc(n))
            if (n->ln_Type == ET_PICTURE || n->ln_Type == ET_TEXTBOX)
                named.insert(FileKey(n->ln_Type, ElementFile(reinterpret_cast<GElement *>(n))));
    for (const DoomedFile &d : doomed)
        if (IsProjectFile(d.fn.c_str()) && named.insert(FileKey(d.type, d.fn.c_str())).second)
            HistoryDeleteFile(d.fn.c_str());
    doomed.clear();
}

/* ------------------------------------------------------------ textbox chains */

/* The boxes of a chain after its first, found in one walk: box[k] is the
 * first box (in page and list order) with chain number -k, and page[k]
 * the page that holds it; null where there is none. */
struct Chain {
    GElement *box[129];
    PageNode *page[129];
};

static void FindChain(const char *fn, Chain *c)
{
    std::memset(c, 0, sizeof(*c));
    for (Node *p = GetHead(&pages); p; p = GetSucc(p))
        for (Node *n = GetHead(&reinterpret_cast<PageNode *>(p)->page); n; n = GetSucc(n)) {
            GElement *ge = reinterpret_cast<GElement *>(n);
            int k = -n->ln_Pri;
            if (n->ln_Type != ET_TEXTBOX || k < 1 || c->box[k] || !SameFileName(ge->edata.tbd.fn, fn))
                continue;
            c->box[k] = ge;
            c->page[k] = reinterpret_cast<PageNode *>(p);
        }
}

/* The first box of a chain takes the boxes -1, -2, ... with it, up to the
 * first missing number. */
static void RemoveChainAfter(const char *fn)
{
    Chain c;
    FindChain(fn, &c);
    for (int k = 1; k <= 128 && c.box[k]; k++) {
        Remove(&c.box[k]->node);
        c.page[k]->count--;
        FreePooled(APMemPool, c.box[k], sizeof(GElement));
    }
}

/* A following box leaves a gap that the boxes behind it close. */
static void CloseChainGap(const char *fn, int32_t nr)
{
    Chain c;
    FindChain(fn, &c);
    for (int k = 1 - nr; k <= 128 && c.box[k]; k++)
        c.box[k]->node.ln_Pri++;
}

/* ------------------------------------------------------------ removal */

static void ReleaseElement(GElement *node, bool delf)
{
    if (node->node.ln_Type == ET_PICTURE) {
        FreePicResources(node);
        if (delf)
            doomed.push_back(DoomedFile{ET_PICTURE, node->edata.pd.fn});
    } else if (node->node.ln_Type == ET_TEXTBOX) {
        char fn[256];
        std::memcpy(fn, node->edata.tbd.fn, sizeof(fn));
        fn[255] = '\0';
        if (node->node.ln_Pri == 0) {
            RemoveChainAfter(fn);
            if (delf)
                doomed.push_back(DoomedFile{ET_TEXTBOX, fn});
        } else if (node->node.ln_Pri < 0) {
            CloseChainGap(fn, node->node.ln_Pri);
        }
    }
}

/* Invariant: node lies on pn. */
static void RemoveFromPage(PageNode *pn, GElement *node, bool delr, bool delf)
{
    pn->count--;
    Remove(&node->node);
    if (delr)
        ReleaseElement(node, delf);
    FreePooled(APMemPool, node, sizeof(GElement));
}

void RemoveGObject(uint32_t page, GElement *node, bool delr, bool delf)
{
    DebugPrint("-> RemoveGObject(%u, %p, %d, %d)\n", page, (void *)node, delr, delf);
    PageNode *pn = GetPageNode(page);
    if (node && pn)
        RemovePageObject(pn, node, delr, delf);
}

/* For walks that hold the page already: no search for it. */
void RemovePageObject(PageNode *pn, GElement *node, bool delr, bool delf)
{
    RemoveFromPage(pn, node, delr, delf);
    DeleteUnusedFiles();
}

/* The files of a removed page's pictures and first textboxes go with it,
 * whatever the preference for single deletions says. */
static void RemovePage(PageNode *pn)
{
    while (Node *n = GetHead(&pn->page))
        RemoveFromPage(pn, reinterpret_cast<GElement *>(n), true, true);
    Remove(&pn->node);
    FreePooled(APMemPool, pn, sizeof(PageNode));
    PDaten.count--;
}

void RemovePageList(uint32_t pageno)
{
    DebugPrint("-> RemovePageList(%u)\n", pageno);
    PageNode *pn = GetPageNode(pageno);
    if (!pn)
        return;
    RemovePage(pn);
    DeleteUnusedFiles();
}

/* Every element goes, so no chain needs closing or following: each
 * element is released once and its page given back, last page first. */
static void EmptyProject(void)
{
    while (Node *p = RemTail(&pages)) {
        PageNode *pn = reinterpret_cast<PageNode *>(p);
        while (Node *n = RemHead(&pn->page)) {
            GElement *ge = reinterpret_cast<GElement *>(n);
            if (n->ln_Type == ET_PICTURE) {
                FreePicResources(ge);
                doomed.push_back(DoomedFile{ET_PICTURE, ge->edata.pd.fn});
            } else if (n->ln_Type == ET_TEXTBOX && n->ln_Pri == 0) {
                doomed.push_back(DoomedFile{ET_TEXTBOX, ge->edata.tbd.fn});
            }
            FreePooled(APMemPool, ge, sizeof(GElement));
        }
        FreePooled(APMemPool, pn, sizeof(PageNode));
    }
    PDaten.count = 0;
    DeleteUnusedFiles();
}

/* ------------------------------------------------------------ restoring */

/* An element leaves memory and nothing else happens: no chain is closed or
 * removed and no file deleted. */
static void FreeElementOnly(PageNode *pn, GElement *ge)
{
    Remove(&ge->node);
    pn->count--;
    FreePicResources(ge);
    FreePooled(APMemPool, ge, sizeof(GElement));
}

/* The page's elements become copies of `recs`, in their order. Made for
 * the undo history, whose records describe a whole earlier state of the
 * project: chains and files are as they were then. False when memory ran
 * out; the page then holds the records copied so far. */
bool SetPageElements(PageNode *pn, const GElement *recs, size_t n)
{
    while (Node *nd = GetHead(&pn->page))
        FreeElementOnly(pn, reinterpret_cast<GElement *>(nd));
    for (size_t i = 0; i < n; i++) {
        GElement *ge = static_cast<GElement *>(AllocPooled(APMemPool, sizeof(GElement)));
        if (!ge)
            return false;
        std::memcpy(ge, &recs[i], sizeof(GElement));
        AddTail(&pn->page, &ge->node);
        pn->count++;
    }
    return true;
}

/* Empty pages are added at the end, or the last pages taken away with
 * their elements as above, until the project has `count` pages. */
bool SetPageCount(uint32_t count)
{
    while (PDaten.count < count)
        if (!AddPageList(nullptr))
            return false;
    while (PDaten.count > count) {
        PageNode *pn = reinterpret_cast<PageNode *>(GetTail(&pages));
        while (Node *nd = GetHead(&pn->page))
            FreeElementOnly(pn, reinterpret_cast<GElement *>(nd));
        Remove(&pn->node);
        FreePooled(APMemPool, pn, sizeof(PageNode));
        PDaten.count--;
    }
    return true;
}

/* ------------------------------------------------------------ freeing */

void FreeLists(int type)
{
    DebugPrint("-> FreeLists(%d)\n", type);
    switch (type) {
    case 0:
        EmptyProject();
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

/* ------------------------------------------------------------ names from other systems */

/* The one entry of `drawer` that is `name` but for case; "" when there is
 * none or more than one (then no entry is more right than another). */
static std::string CaseTwin(const std::string &drawer, const std::string &name)
{
    std::vector<DirEntry> entries;
    if (!ListDirectory(drawer.c_str(), entries))
        return std::string();
    std::string twin;
    int found = 0;
    for (const DirEntry &e : entries)
        if (Stricmp(e.name.c_str(), name.c_str()) == 0)
            twin = e.name, found++;
    return found == 1 ? twin : std::string();
}

/* `fn` with every part that does not exist as written replaced by its case
 * twin, the drawers too; false (fn unchanged) when a part has no single
 * twin. */
static bool MatchCase(char *fn)
{
    std::string path(fn, VolumeLength(fn));
    const char *part = fn + path.size();
    while (*part) {
        size_t len = std::strcspn(part, "/");
        std::string name(part, len), drawer = path;
        if (!drawer.empty() && drawer.back() == '/')
            drawer.pop_back();
        if (!PathExists((path + name).c_str()) && (name = CaseTwin(drawer, name)).empty())
            return false;
        path += name;
        part += len;
        if (*part == '/')
            path += '/', part++;
    }
    Strlcpy(fn, path.c_str(), 256); /* only the case changed: as long as before */
    return true;
}

/* A project made where names ignore case (Windows, macOS, AmigaOS) may name
 * a text or picture in another case than its archive holds it. Such an
 * element, whose file is missing as named, takes the name of the one file
 * of the project that differs from it only in case. A name that exists as
 * written is kept: "a.txt" and "A.txt" stay two files. */
void MatchFileNamesToProject(void)
{
    for (Node *p = GetHead(&pages); p; p = GetSucc(p))
        for (Node *n = GetHead(&reinterpret_cast<PageNode *>(p)->page); n; n = GetSucc(n)) {
            if (n->ln_Type != ET_PICTURE && n->ln_Type != ET_TEXTBOX)
                continue;
            char *fn = ElementFile(reinterpret_cast<GElement *>(n)), found[256];
            Strlcpy(found, fn, sizeof(found));
            if (Strnicmp(fn, "PGT:PAG4/", 9) == 0 && !PathExists(fn) && MatchCase(found) &&
                IsProjectFile(found)) {
                DebugPrint("   %s found as %s\n", fn, found);
                Strlcpy(fn, found, 256);
            }
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
