/*
 * pdfharu.h - the parts of libharu the program does itself: the stream
 * that reads a TrueType font's bytes in memory in place, and routines of
 * the library defined again, faster (pdfharu.cpp), among them the writing
 * of the file a document embeds of a font.
 */
#ifndef PAGIMO_PDF_PDFHARU_H
#define PAGIMO_PDF_PDFHARU_H

#include <string>

#include <hpdf.h>

/* A stream of the document reading `bytes`, which must outlive the
 * document; null when out of memory. */
HPDF_Stream BytesStream(HPDF_Doc pdf, const std::string *bytes);

#endif
