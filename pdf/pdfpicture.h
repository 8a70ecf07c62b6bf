/*
 * pdfpicture.h - a picture file as a PDF image, showing what the page view
 * shows.
 */
#ifndef PAGIMO_PDF_PDFPICTURE_H
#define PAGIMO_PDF_PDFPICTURE_H

#include <hpdf.h>

/* Ends the export through error_handler, naming the file, when it is
 * missing or damaged. */
HPDF_Image PdfPictureImage(HPDF_Doc pdf, const char *fn);

#endif
