/*
 * pdfharu.h - the parts of libharu the program does itself: the stream
 * that reads a TrueType font's bytes in memory in place, and routines of
 * the library defined again, faster (pdfharu.cpp), among them the writing
 * of the file a document embeds of a font; and the writing of a document
 * to an open file.
 */
#ifndef PAGIMO_PDF_PDFHARU_H
#define PAGIMO_PDF_PDFHARU_H

#include <cstddef>

#include <hpdf.h>

/* A stream of that memory manager reading `size` bytes at `data`, which
 * must outlive it; null when out of memory. */
HPDF_Stream BytesStream(HPDF_MMgr mmgr, HPDF_Error error, const char *data, size_t size);
/* A TrueType definition that serves many documents, whose glyphs and
 * widths are then looked up once; forgotten before it is freed. */
void SteadyFontDef(HPDF_FontDef def);
void ForgetFontDef(HPDF_FontDef def);
/* Writes the document to the open file `fd` as HPDF_SaveToFile writes it
 * to a file of that name; a failure goes to the document's error handler,
 * with the system's reason in errno when writing failed. */
HPDF_STATUS SaveToDescriptor(HPDF_Doc pdf, int fd);

#endif
