/*
 * pdfpicture.h - a picture file as a PDF image, showing what the page view
 * shows.
 */
#ifndef PAGIMO_PDF_PDFPICTURE_H
#define PAGIMO_PDF_PDFPICTURE_H

#include <hpdf.h>

/* Ends the export through error_handler, naming the file, when it is
 * missing or damaged. A document holds each file's image once: every
 * element and every record that shows it uses that one image, until
 * ResetPdfPictures, which each new document calls first. */
HPDF_Image PdfPictureImage(HPDF_Doc pdf, const char *fn);
void ResetPdfPictures(void);

#endif
