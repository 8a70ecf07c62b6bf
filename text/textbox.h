/*
 * textbox.h - the text of textboxes: choosing and importing a text file into
 * the project's text folder, loading it as a UTF-8 text of any characters,
 * the line iterator that breaks it into the lines of a box by the screen
 * font's widths, the walk through one box that the page view, the PDF and
 * the chain layout all share, with the decision whether a block-justified
 * line is spread and the blank widening of such lines, and the lines the
 * chain layout keeps for the PDF that follows it.
 *
 * A text position is a byte index into the loaded (UTF-8) text; lines are
 * UTF-8 as well.
 */
#ifndef PAGIMO_TEXT_TEXTBOX_H
#define PAGIMO_TEXT_TEXTBOX_H

#include <cstddef>
#include <cstdint>

struct GElement;
struct ScreenFont;

/* The line buffer of the page view and the PDF. */
enum { TEXTBOX_LINE = 2560 };

/* Results of GetTextboxLine; the walk hands a line of a block box that
 * is broken to the box width but cannot be spread over it as TBL_RAGGED. */
enum { TBL_END = 0, TBL_BROKEN = 3, TBL_PARAGRAPH = 4, TBL_RAGGED = 5 };

/* The most a blank of a spread line may widen, in pixels of the page view
 * (points of the PDF): the PDF library refuses a wider word spacing. */
enum { TEXTBOX_MAX_GAP = 300 };

/* The drawer the project's text files are imported into. */
#define TEXT_DRAWER "PGT:PAG4/Texte"

int SetTextboxFile(char *fn, bool check);
char *GetTextFile(const char *filename);
bool TextboxFileReadable(const char *fn);
void FreeTextFile(char *text);
int GetTextboxLine(GElement *ge, char *line, size_t linesize, uint32_t *size, uint32_t *tpos);
void EndTextboxLines(void);
int CreateBlockLine(char *line, size_t linesize, uint32_t count, bool otf);

/* One line of a box as the walk hands it over: the line (which the
 * receiver may change within TEXTBOX_LINE bytes), how the iterator ended it
 * (TBL_PARAGRAPH, TBL_BROKEN, TBL_RAGGED, or TBL_END for the text's last
 * line), the top of its slot and its pitch in pixels. A block box spreads
 * only the TBL_BROKEN lines; it sets the others flush left. */
typedef void (*TextboxLineFunc)(void *data, char *line, int result, uint32_t top, uint32_t size);

const ScreenFont *TextboxFont(void);

uint32_t TextboxStart(const GElement *ge);
uint32_t WalkTextbox(GElement *ge, uint32_t start, TextboxLineFunc setline, void *data);
/* The characters of a chain's text that its last box leaves over (a text
 * that does not fit its boxes); called with where that box stopped. */
uint32_t TextboxLeftOver(const GElement *ge, uint32_t end);
void LayoutTextboxChains(void);
/* WalkTextbox for the drawing that follows LayoutTextboxChains, which sets
 * the lines it kept of the box instead of reading them again; the box
 * begins at LaidOutTextboxStart, the chains as the layout found them. */
uint32_t WalkLaidOutTextbox(GElement *ge, uint32_t start, TextboxLineFunc setline, void *data);
uint32_t LaidOutTextboxStart(const GElement *ge);

#endif
