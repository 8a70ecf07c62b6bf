/*
 * pdftextbox.h - the lines of a textbox set into its PDF page: the lines
 * the page view shows, in any Unicode characters, placed by the PDF font's
 * widths for right, centred and block-justified lines; and what the boxes
 * could not show, for the export to say.
 */
#ifndef PAGIMO_PDF_PDFTEXTBOX_H
#define PAGIMO_PDF_PDFTEXTBOX_H

#include <cstdint>
#include <string>
#include <vector>

#include <hpdf.h>

struct GElement;

/* The least word spacing libharu accepts. */
#define PDF_MIN_WORDSPACE (-30.0f)

int DrawOwnPDFTextboxElement(HPDF_Page page, GElement *element, HPDF_Font font, float ssize,
                             uint32_t xstart, uint32_t yend);
float BlockWordSpace(HPDF_Page page, const char *line, float width);

/* What the textboxes set since the last call could not show, as the
 * messages that say so (8-bit): each chain whose text does not fit its
 * boxes (per record in a merge), then the characters each font lacks,
 * named once per font. */
std::vector<std::string> TakeTextboxNotes(void);

#endif
