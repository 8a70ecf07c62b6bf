/*
 * records.h - the records of the document: the project header, pages,
 * elements with their per-type data, the ARexx tool entries, and the global
 * lists that hold them.
 *
 * Text fields are fixed arrays holding a NUL-terminated string; the usable
 * length is the array size minus one, and they are filled by bounded copies
 * only. Positions are main-window pixels of the page view (x right, y down).
 * The element file writes these records field by field, never as memory.
 */
#ifndef PAGIMO_DOCUMENT_RECORDS_H
#define PAGIMO_DOCUMENT_RECORDS_H

#include <cstdint>

#include "platform/execlist.h"

/* Element type codes: the ids of the tool gadgets that make them. */
enum {
    ET_LINE = 19,
    ET_TEXT = 20,
    ET_PICTURE = 21,
    ET_TEXTBOX = 22,
    ET_DATE = 23,
    ET_TIME = 24,
    ET_RECT = 25,
    ET_PAGENO = 26,
    ET_LINK = 27,
};

/* The most pages a project holds: as many as the 29 page ranges of the
 * page tabs show. Inserting stops there and a larger project is refused. */
enum { MAX_PAGES = 348 };

/* Headline level codes of TextData.level. */
enum { LEVEL_NONE = 0, LEVEL_NO_HEADLINE = 1, LEVEL_FIRST = 2, LEVEL_LAST = 11 };

struct ProjectData {
    uint32_t count;      /* pages in `pages` */
    uint32_t pageformat; /* index into the page-format table */
    uint32_t width;      /* screen size when started or last loaded */
    uint32_t height;
    uint32_t spage;      /* page of the clipboard marks, 0 = none */
    char created[18];
    char changed[18];
    char author[46];
    char title[46];
    char upassword[25];
    char opassword[25];
    uint8_t comp;        /* PDF compression chooser index, COMP_FULL for new projects */
    uint8_t maxlevel;    /* headline depth of the project */
    uint8_t reserve[1848];
};

/* The compression chooser's last entry: text, pictures and meta data. */
enum { COMP_FULL = 4 };

struct PageNode {
    Node node;
    List page;           /* the page's GElements in drawing order */
    uint32_t count;      /* always equal to the length of `page` */
    uint8_t reserve[504];
};

struct TextData {
    char text[81];
    char fontname[81];   /* screen font file name with ".font" */
    uint32_t size;       /* points */
    uint8_t level;       /* headline level code */
    char link[171];      /* web address; empty = link to `page` */
    uint32_t page;
};

struct PicData {
    char fn[256];
    void *dsrc;          /* run-time picture handles, null when not loaded */
    void *binst;
    uint32_t width;
    uint32_t height;
    void *clip;
    void *bitmap;
    void *alpha;
};

struct TextboxData {
    char fn[256];
    uint32_t align;      /* justification chooser index */
    char fontname[81];
    uint32_t size;
    uint32_t textpos;    /* where this box's text begins in the file */
};

enum { EDATA_SIZE = 352 }; /* bytes of the per-type data in the element file */

union EData {
    TextData td;         /* text, date, time, page number, link */
    PicData pd;          /* picture */
    TextboxData tbd;     /* textbox */
    uint8_t raw[EDATA_SIZE]; /* an unknown type's bytes, kept as read */
};

/* ln_Type is the element type, ln_Pri the type code or, for a textbox, its
 * chain number (0, -1, -2, ...). */
struct GElement {
    Node node;
    uint32_t sx, sy, ex, ey;
    uint8_t apen;
    uint8_t bpen;
    EData edata;
    uint8_t marked;
    uint32_t mx, my;     /* pointer during a move (run-time only) */
    uint32_t ox, oy;     /* pointer where the move began (run-time only) */
    char nname[16];
    uint8_t mbits;       /* clipboard mark: 0 none, 1 copy, 2 cut */
    uint8_t reserve[104];
};

struct ARexxData {
    Node node;           /* ln_Name points at `name` */
    char scriptname[255];
    char name[60];
    char portname[25];
    char exepath[255];
    char param[127];
    uint8_t typ;         /* tool mode the tool belongs to */
    uint8_t reserve[512];
};

extern ProjectData PDaten;
extern List pages;
extern List objectlist;
extern List nodeadrlist;
extern List headlinelist;
extern List arexxlist;

#endif
