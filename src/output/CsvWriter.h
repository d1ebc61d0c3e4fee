#pragma once

#include "platform/PartialFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// Writes a CSV file that spreadsheets open without a question: UTF-8 with a BOM, a header row,
// CRLF at the end of each row, cells quoted as RFC 4180 says (a cell with a comma, a quote or a
// line break is put in quotes, its quotes doubled; line breaks inside a cell are kept as they
// are).
//
// A text cell that a spreadsheet would run as a formula (it starts with =, +, -, @, a tab or a
// CR) is written with an apostrophe ahead, so the spreadsheet shows it as text; so is a text
// that starts with an apostrophe itself, so that the rule reads back: our reader takes exactly
// one leading apostrophe off a text cell (LedgerCsvLayout::Unguarded). Number cells are written as
// they are.
//
// The rows go out as they come, through a small buffer, into a partial file beside the target
// that takes the target's name only when Finish succeeds: a failed or abandoned write leaves the
// file that was there before.
class TCsvWriter {
public:
    // Starts the file; throws EInOutError saying why when the folder takes no file.
    explicit TCsvWriter(const QString& target);
    ~TCsvWriter();
    TCsvWriter(const TCsvWriter&) = delete;
    TCsvWriter& operator=(const TCsvWriter&) = delete;

    // Cells of the current row, in order.
    void Text(const QString& text);
    void Number(const QString& number);
    // Ends the current row.
    void EndRow();
    // A whole row of text cells.
    void TextRow(const QStringList& cells);

    // Writes the rest and puts the file in place of the target; throws EInOutError saying why
    // it cannot (the target is then as it was).
    void Finish();

    // A text cell as written: guarded, then quoted where needed.
    static QString TextCell(const QString& text);

private:
    void Separate();
    void Flush();
    [[noreturn]] void Fail(const QString& systemReason) const;

    QString FTarget;
    TPartialFile FPartial;
    QFile FFile;
    QByteArray FBuffer;
    bool FRowStarted = false;
};
