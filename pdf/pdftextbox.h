/*
 * pdftextbox.h - the lines of a textbox set into its PDF page: the lines
 * the page view shows, placed by the PDF font's widths for right, centred
 * and block-justified lines.
 */
#ifndef PAGIMO_PDF_PDFTEXTBOX_H
#define PAGIMO_PDF_PDFTEXTBOX_H

#include <cstdint>

#include <hpdf.h>

struct GElement;

/* The least word spacing libharu accepts. */
#define PDF_MIN_WORDSPACE (-30.0f)

int DrawOwnPDFTextboxElement(HPDF_Page page, GElement *element, HPDF_Font font, float ssize,
                             uint32_t xstart, uint32_t yend);
float BlockWordSpace(HPDF_Page page, const char *line, float width);

#endif
