#pragma once

#include "import/BillReader.h"
#include "import/readers/XlsxPartDevice.h"

#include <QStringList>
#include <QXmlStreamReader>
#include <quazip/quazip.h>

// A workbook holding more than a bill can (a part, a text, the shared strings beyond their
// bounds): refused even while the readers only look at the file, so the import says why.
class EXlsxTooLarge : public EBillError {
public:
    using EBillError::EBillError;
};

// One row of a spreadsheet: its number in the sheet and its cells' text by column (a missing
// cell is empty), with which of them were numbers (dates and amounts are numbers there).
struct TXlsxRow {
    int Number = 0;
    QStringList Cells;
    QList<bool> Numeric;
};

// Streams the rows of the first sheet of an .xlsx workbook: the zip through QuaZip, the
// workbook's parts (xl/workbook.xml and its relations, the shared strings, the sheet) through
// QXmlStreamReader. Every part is read as it is inflated, never whole, within the bounds of
// TXlsxPartDevice; a cell's text is held to the CSV bills' limit, and so is the shared-string
// table as a whole, so that a small file inflating to gigabytes is refused (EBillError), not
// held. Cells are trimmed of spaces and tabs as the CSV bills' are.
class TXlsxSheetReader {
public:
    // What stands in a file, as far as a workbook goes.
    enum class TKind { NotZip, Damaged, Zip, Workbook };
    static TKind Probe(const QString& path);

    // Opens the first sheet; throws EBillError when the file is not a workbook that can be read
    // (EXlsxTooLarge when it holds more than a bill can).
    // stringLimit caps the shared strings loaded (a glance at the first rows needs few of them);
    // a cell whose string lies beyond reads as empty.
    explicit TXlsxSheetReader(const QString& path, const TBillProgress& progress = {},
                              int stringLimit = -1);

    // The next row that has cells; false after the last. Throws EBillError for a damaged sheet,
    // EXlsxTooLarge for one beyond the bounds.
    bool Next(TXlsxRow& row);
    const QString& FileName() const { return FFileName; }

private:
    QString FirstSheet();
    void ReadStrings(int limit);
    void OpenPart(TXlsxPartDevice& device, const QString& name) const;
    void ClosePart(TXlsxPartDevice& device, const QString& name) const;
    // Refuses the part when the device stopped at one of its bounds.
    void Refuse(const TXlsxPartDevice& device, const QString& name) const;
    [[noreturn]] void Damaged(const QString& what) const;
    [[noreturn]] void TooLarge(const QString& what, const QString& limit) const;

    QString FFileName;
    TBillProgress FProgress;
    QuaZip FZip;
    TXlsxPartDevice FSheet;
    QString FSheetName;
    QXmlStreamReader FXml;
    QStringList FStrings;
    bool FStringsCut = false;
    qint64 FSheetSize = 0;
    qint64 FReported = 0;
    int FRow = 0;
};
