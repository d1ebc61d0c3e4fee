#pragma once

#include "import/BillReader.h"

#include <QStringList>
#include <QXmlStreamReader>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

// One row of a spreadsheet: its number in the sheet and its cells' text by column (a missing
// cell is empty), with which of them were numbers (dates and amounts are numbers there).
struct TXlsxRow {
    int Number = 0;
    QStringList Cells;
    QList<bool> Numeric;
};

// Streams the rows of the first sheet of an .xlsx workbook: the zip through QuaZip, the
// workbook's parts (xl/workbook.xml and its relations, the shared strings, the sheet) through
// QXmlStreamReader. The sheet is read as it is inflated, never whole. Cells are trimmed of
// spaces and tabs as the CSV bills' are.
class TXlsxSheetReader {
public:
    // What stands in a file, as far as a workbook goes.
    enum class TKind { NotZip, Damaged, Zip, Workbook };
    static TKind Probe(const QString& path);

    // Opens the first sheet; throws EBillError when the file is not a workbook that can be read.
    // stringLimit caps the shared strings loaded (a glance at the first rows needs few of them);
    // a cell whose string lies beyond reads as empty.
    explicit TXlsxSheetReader(const QString& path, const TBillProgress& progress = {},
                              int stringLimit = -1);

    // The next row that has cells; false after the last. Throws EBillError for a damaged sheet.
    bool Next(TXlsxRow& row);
    const QString& FileName() const { return FFileName; }

private:
    QByteArray Part(const QString& name);
    QString FirstSheet();
    void ReadStrings(int limit);
    [[noreturn]] void Damaged(const QString& what) const;

    QString FFileName;
    TBillProgress FProgress;
    QuaZip FZip;
    QuaZipFile FSheet;
    QXmlStreamReader FXml;
    QStringList FStrings;
    bool FStringsCut = false;
    qint64 FSheetSize = 0;
    qint64 FReported = 0;
    int FRow = 0;
};
