#pragma once

#include <QString>
#include <QStringList>

// What poppler's tools read from a PDF file, for the tests of printed statements.
namespace PdfFile {

// The text a PDF reader finds (pdftotext), page after page.
QString Text(const QString& file);
// The number of pages (pdfinfo); -1 when the file cannot be read.
int Pages(const QString& file);
// The fonts (pdffonts), one line each: name, type, encoding, embedded, subset, unicode.
QStringList Fonts(const QString& file);

} // namespace PdfFile
