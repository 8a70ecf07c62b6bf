/*
 * localisation.h - every text the user sees, looked up by message id, and
 * the label arrays of the choosers and radio buttons made from them.
 *
 * The English texts are built in (CatCompBlock); a catalog for the user's
 * language replaces those it holds. Catalogs are UTF-8 text files
 * "catalogs/<language>/pagimo.catalog" in the program's directory, one
 * "<id> <text>" per line (see the README).
 */
#ifndef PAGIMO_GUI_LOCALISATION_H
#define PAGIMO_GUI_LOCALISATION_H

#include <cstddef>
#include <cstdint>
#include <string>

enum { MSG_COUNT = 253 };

/* Messages of the original catalog that are used by name. */
enum {
    MSG_INSERT_PICTURE = 68, /* also the title of the picture requester */
    MSG_HINT = 75,
    MSG_REPLACE_FONT = 79,   /* a missing font and its replacement */
    MSG_FONT_NOT_FOUND = 80,
    MSG_PROJECT_UNSAVED = 86, /* closing or quitting with changes */
    MSG_OKAY = 88,
    MSG_AREXX_NOTHING = 136, /* the chooser's entry for no tool */
    MSG_AREXX_NO_PORT = 137, /* a tool's program that cannot be found */
    MSG_GARBAGE_COLLECTION = 166, /* also the name of its undo step */
    MSG_SPELL_IGNORE = 158,   /* the spell question's buttons and texts */
    MSG_SPELL_CANCEL = 159,
    MSG_SPELL_TITLE = 160,
    MSG_SPELL_QUESTION = 161, /* the unknown word */
    MSG_SPELL_ADD = 162,
    MSG_FILE_FAILED = 179, /* a file that could not be read or written */
    MSG_PDF_FAILED = 180,  /* an export error without a file to name */
};

/* Messages added after the original catalog. */
enum {
    MSG_TOO_MANY_PAGES = 181, /* a project beyond the page limit */
    MSG_PATH_TOO_LONG = 182,  /* a path that does not fit where it is kept */
    MSG_PDF_IS_PROJECT = 183, /* the PDF would replace the project's archive */
    MSG_READ_ONLY = 184,      /* a write-protected file is not replaced */
    MSG_ON_PAGE = 185,        /* project, page, message: an export error of the job */
    MSG_NO_SANITIZER = 186,   /* the font checker could not be started */
    MSG_REMOVE_FULL_PAGE = 187, /* page number, element count: remove a page that holds elements? */
    MSG_REMOVE_PAGE_BUTTONS = 188,
    MSG_EXPORT_STOPPED = 189, /* the PDF job was told to stop */
    MSG_AREXX_TOOL_FAILED = 190, /* a tool that failed on a picture, by name */
    MSG_SPELL_NO_PROGRAM = 191,    /* the spell checker that cannot be started */
    MSG_SPELL_NO_DICTIONARY = 192, /* the dictionary that is not installed */
    MSG_MERGE_TABLE_FAILED = 193, /* the table that cannot be read, and why */
    MSG_MERGE_NO_RECORDS = 194, /* the table without records */
    MSG_MERGE_NO_FIELD = 195, /* page, field, table: a placeholder the table cannot fill */
    MSG_MERGE_NO_FIELD_NAME = 196, /* name pattern, field, table */
    MSG_MERGE_DONE = 197, /* how many PDFs a merge wrote */
    MSG_MERGE_MENU = 198, /* the menu item */
    MSG_MERGE_CHOICE = 199, /* one PDF or one per record? */
    MSG_MERGE_CHOICE_BUTTONS = 200,
    MSG_MERGE_TABLE_TITLE = 201, /* the table requester */
    MSG_MERGE_PATTERN_TITLE = 202, /* the name pattern requester */
    MSG_MERGE_NO_PATTERN = 203, /* a per-record name without a placeholder */
    MSG_SPELL_LOST = 204, /* the spell checker died or hangs */
    MSG_TEXT_EXISTS = 205, /* a text file name the project already holds */
    MSG_TEXT_EXISTS_BUTTONS = 206,
    MSG_EDITOR_UNSAVED = 207, /* leaving the editor with changes */
    MSG_EDITOR_UNSAVED_BUTTONS = 208,
    MSG_MERGE_ONE_DONE = 209, /* a merge that wrote one PDF */
    MSG_NOT_A_PICTURE = 210, /* a chosen file that is no picture */
    MSG_DISK_FULL = 211, /* a file that could not be written for want of space */
    MSG_FILE_FAILED_WHY = 212, /* a file that failed, with the system's reason */
    MSG_SPELL_COMPLETE = 213, /* a spell check that has nothing more to ask */
    MSG_MERGE_VALUE_TOO_LONG = 214, /* record, field, page, length */
    MSG_MERGE_UNSHOWN = 215, /* record, field, the characters a text line cannot hold */
    MSG_UNDO = 216, /* the menu items */
    MSG_REDO = 217,
    MSG_UNDO_WHAT = 218, /* the menu item naming the change it takes back */
    MSG_REDO_WHAT = 219,
    MSG_UNDO_HINT = 220, /* the toolbar buttons' hints */
    MSG_REDO_HINT = 221,
    MSG_STEP_DRAW = 222, /* the names of the changes, in this order */
    MSG_STEP_DELETE = 223,
    MSG_STEP_CUT = 224,
    MSG_STEP_PASTE = 225,
    MSG_STEP_MOVE = 226,
    MSG_STEP_RESHAPE = 227,
    MSG_STEP_CHANGE = 228,
    MSG_STEP_PAGE_INSERT = 229,
    MSG_STEP_PAGE_REMOVE = 230,
    MSG_STEP_PAGE_FORMAT = 231,
    MSG_STEP_TEXT_FILE = 232,
    MSG_STEP_PICTURE = 233,
    MSG_STEP_TEXT_EDIT = 234,
    MSG_STEP_PDF_SETTINGS = 235,
    MSG_HYPHENATE = 236, /* the preference */
    MSG_HYPHENATE_HINT = 237, /* its hint, naming the dictionary */
    MSG_HYPHENATE_MISSING = 238, /* its hint when the dictionary is missing */
    MSG_TEXT_OVERFLOW = 239, /* page, text file, characters left over */
    MSG_MISSING_GLYPHS = 240, /* font, the characters it lacks */
    MSG_MERGE_TOO_LARGE = 241, /* pages of one PDF beyond memory */
    MSG_MERGE_OVERFLOW = 242, /* record, page, text file, characters left over */
    MSG_MERGE_NO_SLICE = 243, /* table, its records, the slice of --records that names none */
    MSG_SELECT_ALL = 244,
    MSG_VIEW_MENU = 245,
    MSG_FIT_PAGE = 246,  /* also an entry of the zoom chooser, after its "|" */
    MSG_FIT_WIDTH = 247, /* the same */
    MSG_ZOOM_100 = 248,
    MSG_ZOOM_200 = 249,
    MSG_ZOOM_IN = 250,
    MSG_ZOOM_OUT = 251,
    MSG_ZOOM_HINT = 252, /* the zoom chooser's */
};

struct Catalog;

struct LocaleInfo {
    void *li_LocaleBase;  /* the locale service; null: built-in texts only */
    Catalog *li_Catalog;  /* the user's catalog; null when there is none */
};

extern LocaleInfo localeinfo;
extern const unsigned char *const CatCompBlock;
extern const size_t CatCompBlockSize;

extern const char *page_chooser[7];
extern const char *style_chooser[5];
extern const char *justification_chooser[4];
extern const char *arexx_chooser[25];
extern const char *compression_chooser[6];
extern const char *level_chooser[12];
extern const char *page_section[30];
extern const char *rblinks[3];

const char *GetString(LocaleInfo *li, int32_t stringNum);
bool InitLocalisation(void);
void CloseLocalisation(void);
void LocalizeChooser(void);
void LocalizeRadioButtons(void);
void LocalizeHints(void);

Catalog *OpenCatalogFile(const char *path);
void CloseCatalog(Catalog *cat);
std::string CatalogPathFor(void);

#endif
