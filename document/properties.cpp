/*
 * properties.cpp - element properties and the object list.
 *
 * Relies on the font catalogue for font names and metrics, the screen font
 * service for text widths, the picture reader for picture sizes and the
 * page rectangle of the page view for page-relative coordinates. Rows of
 * the object list and the nodes of `nodeadrlist` are made together, so row
 * n always belongs to node n.
 */
#include "document/properties.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/settings.h"
#include "document/pagelist.h"
#include "gui/layouts.h"
#include "gui/localisation.h"
#include "pdf/fontcatalog.h"
#include "platform/gui.h"
#include "platform/mempool.h"
#include "platform/picture.h"
#include "platform/screenfont.h"
#include "platform/strutil.h"
#include "text/utilities.h"
#include "view/geometry.h"

uint32_t ObjWidth, ObjHeight;

/* ------------------------------------------------------------ gadgets to element */

void GetTextData(uint32_t aktmode, char *fontname, uint32_t *size, char *text, uint8_t *level)
{
    switch (aktmode) {
    case ET_TEXT:
        *level = uint8_t(GadgetNumber(GID_HEADLINE_LEVEL) + 1);
        GadgetGetText(GID_TEXTCONT, text, 81);
        break;
    case ET_DATE:
    case ET_TIME:
        ActualDate(aktmode, text, 81);
        break;
    case ET_PAGENO:
        Strlcpy(text, "000", 81); /* room for three digits, as "%3u" shows them */
        break;
    case ET_LINK:
        GadgetGetText(GID_TEXTCONT, text, 81);
        if (!text[0])
            GadgetGetText(GID_LINKWEB, text, 81);
        break;
    default:
        break;
    }
    int32_t index = GadgetNumber(GID_FONTS), style = GadgetNumber(GID_STYLE);
    *size = uint32_t(GadgetNumber(GID_FONTSIZE));
    ObjHeight = *size;
    const char *const *names = FontNames(style);
    if (names && index >= 0 && index < 80 && names[index])
        Strlcpy(fontname, names[index], 81);
    size_t len = std::strlen(fontname);
    Strlcpy(fontname + len, ".font", 81 - len);
}

/* ------------------------------------------------------------ element to gadgets */

/* Selects the element's font in the list of its style; nothing when the
 * style's list does not hold it. */
static void ShowFont(const char *fontname, uint32_t size)
{
    GadgetSetNumber(GID_FONTSIZE, int32_t(size));
    uint8_t style = GetFontStyle(fontname);
    GadgetSetNumber(GID_STYLE, style);
    size_t len = std::strlen(fontname);
    size_t want = len >= 5 ? len - 5 : 0;
    const char *const *names = FontNames(style);
    for (int i = 0; names && i < 80 && names[i]; i++) {
        if (std::strlen(names[i]) != want || Strnicmp(names[i], fontname, want) != 0)
            continue;
        const char *const *labels = FontLabels(style);
        int n = 0;
        while (labels[n])
            n++;
        GadgetSetLabels(GID_FONTS, labels, n);
        GadgetSetNumber(GID_FONTS, i);
    }
}

static void ShowLink(const TextData &td)
{
    bool page = td.link[0] == '\0';
    GadgetSetNumber(GID_RBLINKS, page ? 1 : 0);
    GadgetSetText(GID_LINKWEB, page ? "" : td.link);
    GadgetSetDisabled(GID_LINKWEB, page);
    GadgetSetNumber(GID_LINKPAGE, page ? int32_t(td.page) : 1);
    GadgetSetDisabled(GID_LINKPAGE, !page);
}

void SetObjData(GElement *elem, char *fn)
{
    if (!elem)
        return;
    uint8_t t = elem->node.ln_Type;
    if (t == ET_TEXT)
        GadgetSetNumber(GID_HEADLINE_LEVEL, int32_t(elem->edata.td.level) - 1);
    if (IsTextType(t)) {
        const TextData &td = elem->edata.td;
        GadgetSetText(GID_TEXTCONT, (t == ET_LINK && !td.text[0]) ? td.link : td.text);
        ShowFont(td.fontname, td.size);
    }
    if (t == ET_TEXTBOX) {
        GadgetSetNumber(GID_JUSTIFICATION, int32_t(elem->edata.tbd.align));
        GadgetSetText(GID_TEXTPATH, elem->edata.tbd.fn);
        Strlcpy(fn, elem->edata.tbd.fn, 256);
        ShowFont(elem->edata.tbd.fontname, elem->edata.tbd.size);
    }
    if (t == ET_PICTURE) {
        Strlcpy(fn, elem->edata.pd.fn, 256);
        GadgetSetText(GID_PICTUREPATH, fn);
    }
    if (t == ET_LINK)
        ShowLink(elem->edata.td);
}

/* ------------------------------------------------------------ measuring */

/* Width of `text` and the baseline of its font, both in pixels. */
static void MeasureText(const char *fontname, uint32_t size, const char *text)
{
    TextAttr ta;
    Strlcpy(ta.ta_Name, fontname, sizeof(ta.ta_Name));
    ta.ta_YSize = uint16_t(size);
    uint32_t base = 0;
    GetFontData(&ta, &base, nullptr);
    ObjHeight = base;
    ScreenFont *sf = OpenScreenFont(fontname, uint16_t(size));
    ObjWidth = sf ? ScreenFontTextLength(sf, text, std::strlen(text)) : 0;
    CloseScreenFont(sf);
}

int GetObjSize(uint32_t type, bool calc, GElement *gnode, uint32_t *width, uint32_t *height,
               const char *textline)
{
    if (IsTextType(type) && (gnode || calc)) {
        char fontname[81] = "", text[81] = "";
        uint32_t size = 0;
        uint8_t level = 0;
        if (calc || !gnode) {
            GetTextData(type, fontname, &size, text, &level);
        } else {
            Strlcpy(fontname, gnode->edata.td.fontname, sizeof(fontname));
            Strlcpy(text, gnode->edata.td.text, sizeof(text));
            size = gnode->edata.td.size;
        }
        MeasureText(fontname, size, text);
    } else if (type == ET_TEXTBOX) {
        char fontname[81] = "", text[81] = "";
        uint32_t size = 0;
        uint8_t level = 0;
        if (gnode) {
            Strlcpy(fontname, gnode->edata.tbd.fontname, sizeof(fontname));
            size = gnode->edata.tbd.size;
        } else {
            GetTextData(type, fontname, &size, text, &level);
        }
        MeasureText(fontname, size, textline ? textline : "");
    } else if (type == ET_PICTURE) {
        char path[256];
        if (gnode)
            Strlcpy(path, gnode->edata.pd.fn, sizeof(path));
        else
            GadgetGetText(GID_PICTUREPATH, path, sizeof(path));
        PictureSize(path, &ObjWidth, &ObjHeight);
    }
    *width = ObjWidth;
    *height = ObjHeight;
    return 1;
}

/* ------------------------------------------------------------ the object list */

/* Which coordinate columns a type shows (bit c for column c). */
static uint32_t ShownColumns(uint8_t t)
{
    switch (t) {
    case ET_LINE: case ET_TEXTBOX: case ET_RECT: return 0x1E;
    case ET_PICTURE: return 0x06;
    case ET_TEXT: case ET_DATE: case ET_TIME: case ET_PAGENO: case ET_LINK: return 0x18;
    default: return 0;
    }
}

static std::string Number(int64_t v)
{
    char buf[24];
    std::snprintf(buf, sizeof(buf), "%ld", long(v));
    return buf;
}

static ListRow MakeRow(const GElement *ge)
{
    uint8_t t = ge->node.ln_Type;
    uint32_t shown = ShownColumns(t);
    ListRow row;
    row.depth = 0;
    row.editable = 1u | shown;
    const char *label = (t >= ET_LINE && t <= ET_LINK) ? GetString(&localeinfo, t + 105) : "?";
    row.cells.push_back(ge->nname[0] ? ge->nname : label);
    int64_t v[5] = {0, int64_t(ge->sx) - xstart, int64_t(yend) - ge->sy, int64_t(ge->ex) - xstart,
                    int64_t(yend) - ge->ey};
    for (int c = 1; c <= 4; c++)
        row.cells.push_back((shown & (1u << c)) ? Number(v[c]) : std::string());
    return row;
}

void CreatePageElementList(uint32_t aktpage)
{
    FreeLists(3);
    std::vector<ListRow> rows;
    PageNode *pn = GetPageNode(aktpage);
    for (Node *n = pn ? GetHead(&pn->page) : nullptr; n; n = GetSucc(n)) {
        Node *mirror = static_cast<Node *>(AllocPooled(APMemPool, sizeof(Node)));
        if (!mirror)
            break; /* no row without its mirror node */
        mirror->ln_Name = reinterpret_cast<char *>(n);
        mirror->ln_Pri = n->ln_Pri;
        AddTail(&nodeadrlist, mirror);
        rows.push_back(MakeRow(reinterpret_cast<GElement *>(n)));
    }
    GadgetSetRows(GID_OBJLIST, rows);
}

/* A decimal number with optional blanks and sign; false for anything else. */
static bool ReadLong(const std::string &text, int64_t *v)
{
    const char *s = text.c_str();
    char *end;
    long long n = std::strtoll(s, &end, 10);
    if (end == s)
        return false;
    *v = n;
    return true;
}

void ChangeNodeData(GElement *mnode)
{
    if (!mnode)
        return;
    uint8_t t = mnode->node.ln_Type;
    uint32_t pw = uint32_t(std::llabs(int64_t(mnode->sx) - mnode->ex));
    uint32_t ph = uint32_t(std::llabs(int64_t(mnode->sy) - mnode->ey));
    int row = GadgetNumber(GID_OBJLIST);
    std::string name = GadgetCell(GID_OBJLIST, row, 0);
    const char *label = (t >= ET_LINE && t <= ET_LINK) ? GetString(&localeinfo, t + 105) : "";
    if (Stricmp(name.c_str(), label) != 0)
        Strlcpy(mnode->nname, name.c_str(), 15);
    int64_t v, width = int64_t(xend) - xstart, height = int64_t(yend) - ystart;
    if (ReadLong(GadgetCell(GID_OBJLIST, row, 1), &v) && v >= 0 && v <= width)
        mnode->sx = uint32_t(v + xstart);
    if (ReadLong(GadgetCell(GID_OBJLIST, row, 2), &v) && v >= 0 && v <= height)
        mnode->sy = uint32_t(int64_t(yend) - v);
    if (ReadLong(GadgetCell(GID_OBJLIST, row, 3), &v) && v >= 0 && v <= width)
        mnode->ex = uint32_t(v + xstart);
    if (ReadLong(GadgetCell(GID_OBJLIST, row, 4), &v) && v >= 0 && v <= height)
        mnode->ey = uint32_t(int64_t(yend) - v);
    if (t == ET_PICTURE) {
        mnode->ex = mnode->sx + pw;
        mnode->ey = mnode->sy + ph;
    }
}

/* ------------------------------------------------------------ field texts */

/* Date and time fields show the moment they are drawn, page-number fields
 * their page ("%3u"). The page view and the PDF both write them as they
 * draw, so a page not drawn since opening (every page of the PDF job)
 * shows the moment of export rather than that of saving. */
void RefreshFieldText(GElement *ge, uint32_t pageno)
{
    TextData &td = ge->edata.td;
    if (ge->node.ln_Type == ET_DATE)
        ActualDate(DATE_TEXT, td.text, sizeof(td.text));
    else if (ge->node.ln_Type == ET_TIME)
        ActualDate(TIME_TEXT, td.text, sizeof(td.text));
    else if (ge->node.ln_Type == ET_PAGENO)
        std::snprintf(td.text, sizeof(td.text), "%3u", pageno);
}
