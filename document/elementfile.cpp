/*
 * elementfile.cpp - writing and reading the element file (see
 * elementfile.h).
 *
 * Reading trusts nothing in the file: counts are checked against the bytes
 * the file really holds before anything is allocated, every text field is
 * terminated within its array, and a file that ends early ends the read
 * with EF_DAMAGED. A project of more than MAX_PAGES pages is refused
 * before any page is made. Relies on the page lists to store what was read.
 */
#include "document/elementfile.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "core/settings.h"
#include "document/pagelist.h"
#include "gui/localisation.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/strutil.h"
#include "view/geometry.h"

const char ElementFileId[] = "Mivra190706 V2";
const char ElementFileName[] = "PGT:PAG4/Elemente.pff";

/* ------------------------------------------------------------ fields */

static void Put32(uint8_t *b, uint32_t v)
{
    b[0] = uint8_t(v >> 24);
    b[1] = uint8_t(v >> 16);
    b[2] = uint8_t(v >> 8);
    b[3] = uint8_t(v);
}

static uint32_t Get32(const uint8_t *b)
{
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

/* A text field: the string, then zeros to the end of the field. */
static void PutText(uint8_t *b, const char *text, size_t size)
{
    std::memset(b, 0, size);
    size_t n = strnlen(text, size - 1);
    std::memcpy(b, text, n);
}

/* Whatever the file holds, the field ends with a terminator. */
static void GetText(const uint8_t *b, char *text, size_t size)
{
    std::memcpy(text, b, size);
    text[size - 1] = '\0';
}

/* ------------------------------------------------------------ records */

void PackHeader(const ProjectData *pd, uint8_t *b)
{
    std::memset(b, 0, EF_HEADERSIZE);
    Put32(b + 0, pd->count);
    Put32(b + 4, pd->pageformat);
    Put32(b + 8, pd->width);
    Put32(b + 12, pd->height);
    Put32(b + 16, pd->spage);
    PutText(b + 20, pd->created, 18);
    PutText(b + 38, pd->changed, 18);
    PutText(b + 56, pd->author, 46);
    PutText(b + 102, pd->title, 46);
    PutText(b + 148, pd->upassword, 25);
    PutText(b + 173, pd->opassword, 25);
    b[198] = pd->comp;
    b[199] = pd->maxlevel;
    std::memcpy(b + 200, pd->reserve, sizeof(pd->reserve));
}

void UnpackHeader(const uint8_t *b, ProjectData *pd)
{
    pd->count = Get32(b + 0);
    pd->pageformat = Get32(b + 4);
    pd->width = Get32(b + 8);
    pd->height = Get32(b + 12);
    pd->spage = Get32(b + 16);
    GetText(b + 20, pd->created, 18);
    GetText(b + 38, pd->changed, 18);
    GetText(b + 56, pd->author, 46);
    GetText(b + 102, pd->title, 46);
    GetText(b + 148, pd->upassword, 25);
    GetText(b + 173, pd->opassword, 25);
    pd->comp = b[198];
    pd->maxlevel = b[199];
    std::memcpy(pd->reserve, b + 200, sizeof(pd->reserve));
}

void PackPage(const PageNode *pn, uint8_t *b)
{
    Put32(b, pn->count);
    std::memcpy(b + 4, pn->reserve, sizeof(pn->reserve));
}

uint32_t UnpackPage(const uint8_t *b, PageNode *pn)
{
    std::memcpy(pn->reserve, b + 4, sizeof(pn->reserve));
    return Get32(b);
}

static void PackEData(const GElement *ge, uint8_t *b)
{
    uint8_t t = ge->node.ln_Type;
    if (IsTextType(t)) {
        const TextData &d = ge->edata.td;
        PutText(b + 36, d.text, 81);
        PutText(b + 117, d.fontname, 81);
        Put32(b + 200, d.size);
        b[204] = d.level;
        PutText(b + 205, d.link, 171);
        Put32(b + 376, d.page);
    } else if (t == ET_PICTURE) {
        const PicData &d = ge->edata.pd;
        PutText(b + 36, d.fn, 256);
        Put32(b + 300, d.width);
        Put32(b + 304, d.height);
    } else if (t == ET_TEXTBOX) {
        const TextboxData &d = ge->edata.tbd;
        PutText(b + 36, d.fn, 256);
        Put32(b + 292, d.align);
        PutText(b + 296, d.fontname, 81);
        Put32(b + 380, d.size);
        Put32(b + 384, d.textpos);
    } else if (t != ET_LINE && t != ET_RECT) {
        std::memcpy(b + 36, ge->edata.raw, EDATA_SIZE);
    }
}

static void UnpackEData(const uint8_t *b, GElement *ge)
{
    uint8_t t = ge->node.ln_Type;
    if (IsTextType(t)) {
        TextData &d = ge->edata.td;
        GetText(b + 36, d.text, 81);
        GetText(b + 117, d.fontname, 81);
        d.size = Get32(b + 200);
        d.level = b[204];
        GetText(b + 205, d.link, 171);
        d.page = Get32(b + 376);
    } else if (t == ET_PICTURE) {
        PicData &d = ge->edata.pd;
        GetText(b + 36, d.fn, 256);
        d.width = Get32(b + 300);
        d.height = Get32(b + 304);
    } else if (t == ET_TEXTBOX) {
        TextboxData &d = ge->edata.tbd;
        GetText(b + 36, d.fn, 256);
        d.align = Get32(b + 292);
        GetText(b + 296, d.fontname, 81);
        d.size = Get32(b + 380);
        d.textpos = Get32(b + 384);
    } else if (t != ET_LINE && t != ET_RECT) {
        std::memcpy(ge->edata.raw, b + 36, EDATA_SIZE);
    }
}

/* List links, run-time handles and padding are written as zeros. */
void PackElement(const GElement *ge, uint8_t *b)
{
    std::memset(b, 0, EF_ELEMENTSIZE);
    b[8] = ge->node.ln_Type;
    b[9] = uint8_t(ge->node.ln_Pri);
    Put32(b + 16, ge->sx);
    Put32(b + 20, ge->sy);
    Put32(b + 24, ge->ex);
    Put32(b + 28, ge->ey);
    b[32] = ge->apen;
    b[33] = ge->bpen;
    PackEData(ge, b);
    b[388] = ge->marked;
    Put32(b + 392, ge->mx);
    Put32(b + 396, ge->my);
    Put32(b + 400, ge->ox);
    Put32(b + 404, ge->oy);
    PutText(b + 408, ge->nname, 16);
    b[424] = ge->mbits;
    std::memcpy(b + 425, ge->reserve, sizeof(ge->reserve));
}

/* The record's fields into a cleared element; links and handles stay null. */
void UnpackElement(const uint8_t *b, GElement *ge)
{
    std::memset(ge, 0, sizeof(*ge));
    ge->node.ln_Type = b[8];
    ge->node.ln_Pri = int8_t(b[9]);
    ge->sx = Get32(b + 16);
    ge->sy = Get32(b + 20);
    ge->ex = Get32(b + 24);
    ge->ey = Get32(b + 28);
    ge->apen = b[32];
    ge->bpen = b[33];
    UnpackEData(b, ge);
    ge->marked = b[388];
    ge->mx = Get32(b + 392);
    ge->my = Get32(b + 396);
    ge->ox = Get32(b + 400);
    ge->oy = Get32(b + 404);
    GetText(b + 408, ge->nname, 16);
    ge->mbits = b[424];
    std::memcpy(ge->reserve, b + 425, sizeof(ge->reserve));
}

/* ------------------------------------------------------------ writing */

bool WriteElementFile(const char *path)
{
    DebugPrint("-> WriteElementFile(%s)\n", path);
    FILE *f = OpenFile(path, "wb");
    if (!f)
        return false;
    uint8_t header[EF_HEADERSIZE], rec[EF_ELEMENTSIZE];
    PackHeader(&PDaten, header);
    bool ok = std::fwrite(ElementFileId, 1, EF_IDSIZE, f) == EF_IDSIZE &&
              std::fwrite(header, 1, EF_HEADERSIZE, f) == EF_HEADERSIZE;
    for (Node *p = GetHead(&pages); ok && p; p = GetSucc(p)) {
        PageNode *pn = reinterpret_cast<PageNode *>(p);
        PackPage(pn, rec);
        ok = std::fwrite(rec, 1, EF_PAGESIZE, f) == EF_PAGESIZE;
        for (Node *n = GetHead(&pn->page); ok && n; n = GetSucc(n)) {
            PackElement(reinterpret_cast<GElement *>(n), rec);
            ok = std::fwrite(rec, 1, EF_ELEMENTSIZE, f) == EF_ELEMENTSIZE;
        }
    }
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

/* ------------------------------------------------------------ reading */

struct Reader {
    FILE *f;
    long long left; /* bytes of the file not yet read */
};

static bool ReadBytes(Reader &r, uint8_t *buf, size_t n)
{
    if (std::fread(buf, 1, n, r.f) != n)
        return false;
    r.left -= (long long)n;
    return true;
}

static ReadResult Result(uint32_t code, bool v1, const char *reason)
{
    ReadResult rr;
    rr.code = code;
    rr.version1 = v1;
    Strlcpy(rr.reason, reason, sizeof(rr.reason));
    return rr;
}

/* Screen shift and version-1 paths of one read element; the fixes every
 * read element gets. */
static void FixElement(GElement *ge, int32_t dx, int32_t dy)
{
    uint8_t t = ge->node.ln_Type;
    if (dx != 0 || dy != 0) {
        ge->sx += uint32_t(dx);
        ge->ex += uint32_t(dx);
        ge->sy += uint32_t(dy);
        ge->ey += uint32_t(dy);
        char *fn = t == ET_PICTURE ? ge->edata.pd.fn : t == ET_TEXTBOX ? ge->edata.tbd.fn : nullptr;
        if (fn && !Strnicmp(fn, "T:", 2)) {
            std::string moved = std::string("PGT:") + (fn + 2);
            Strlcpy(fn, moved.c_str(), 256);
        }
    }
    if (t == ET_TEXT && ge->edata.td.level > LEVEL_LAST)
        ge->edata.td.level = LEVEL_LAST;
    if (t == ET_TEXTBOX) {
        if (ge->node.ln_Pri == 127) {
            ge->node.ln_Pri = 0;
            ge->edata.tbd.textpos = 0;
        }
    } else {
        ge->node.ln_Pri = int8_t(t);
    }
}

static uint32_t ReadPages(Reader &r, uint32_t n, int32_t dx, int32_t dy, const char **why)
{
    uint8_t rec[EF_ELEMENTSIZE];
    for (uint32_t i = 1; i <= n; i++) {
        PageNode *pn = AddPageList(nullptr);
        if (!pn)
            return *why = "out of memory", EF_DAMAGED;
        if (!ReadBytes(r, rec, EF_PAGESIZE))
            return *why = "a page record is cut short", EF_DAMAGED;
        uint32_t m = UnpackPage(rec, pn);
        if ((long long)m * EF_ELEMENTSIZE > r.left)
            return *why = "a page announces more elements than the file holds", EF_DAMAGED;
        for (uint32_t k = 0; k < m; k++) {
            GElement ge;
            if (!ReadBytes(r, rec, EF_ELEMENTSIZE))
                return *why = "an element record is cut short", EF_DAMAGED;
            UnpackElement(rec, &ge);
            FixElement(&ge, dx, dy);
            if (!AddPageObject(pn, &ge))
                return *why = "out of memory", EF_DAMAGED;
        }
    }
    return EF_OK;
}

static ReadResult ReadOpened(Reader &r, uint32_t screenw, uint32_t screenh)
{
    uint8_t id[EF_IDSIZE + 1] = {0};
    if (!ReadBytes(r, id, EF_IDSIZE))
        return Result(EF_DAMAGED, false, "the element file is shorter than its identifier");
    if (Strnicmp(reinterpret_cast<char *>(id), ElementFileId, 13) != 0)
        return Result(EF_NOTPROJECT, false, "the element file has no project identifier");
    bool v1 = !Strnicmp(reinterpret_cast<char *>(id), "Mivra190706 V1", EF_IDSIZE);
    int32_t dx = v1 ? -175 : 0, dy = 0;
    uint8_t header[EF_HEADERSIZE];
    if (!ReadBytes(r, header, EF_HEADERSIZE))
        return Result(EF_DAMAGED, v1, "the project header is cut short");
    UnpackHeader(header, &PDaten);
    uint32_t n = PDaten.count;
    PDaten.count = 0; /* counts the pages really read, as the list holds them */
    if (n == 0)
        return Result(EF_DAMAGED, v1, "the project has no pages");
    if (n > MAX_PAGES) {
        char why[160];
        std::snprintf(why, sizeof(why), GetString(&localeinfo, MSG_TOO_MANY_PAGES), (unsigned long)n,
                      (unsigned long)MAX_PAGES);
        return Result(EF_DAMAGED, v1, why);
    }
    if (PDaten.width > 65535 || PDaten.height > 65535)
        return Result(EF_DAMAGED, v1, "the project header is damaged");
    if (screenw == 0) { /* keep the screen the project was saved on */
        screenw = PDaten.width;
        screenh = PDaten.height;
    }
    if (PDaten.width != 0 && (PDaten.width != screenw || PDaten.height != screenh)) {
        int32_t oldx, oldy, newx, newy;
        PageOrigin(PDaten.width, PDaten.height, PDaten.pageformat, &oldx, &oldy);
        PageOrigin(screenw, screenh, PDaten.pageformat, &newx, &newy);
        dx += newx - oldx;
        dy = newy - oldy;
    }
    PDaten.width = screenw;
    PDaten.height = screenh;
    if ((long long)n * EF_PAGESIZE > r.left)
        return Result(EF_DAMAGED, v1, "the header announces more pages than the file holds");
    const char *why = "";
    uint32_t code = ReadPages(r, n, dx, dy, &why);
    return Result(code, v1, why);
}

ReadResult ReadElementFile(const char *path, uint32_t screenw, uint32_t screenh)
{
    DebugPrint("-> ReadElementFile(%s)\n", path);
    FILE *f = OpenFile(path, "rb");
    struct stat st;
    if (!f || fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (f)
            std::fclose(f);
        return Result(EF_NOFILE, false, "the archive holds no element file");
    }
    Reader r = {f, (long long)st.st_size};
    ReadResult rr = ReadOpened(r, screenw, screenh);
    std::fclose(f);
    DebugPrint("   read: %u %s\n", rr.code, rr.reason);
    return rr;
}
