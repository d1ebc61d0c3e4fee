#pragma once

#include "import/BillReader.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringList>
#include <functional>
#include <optional>

// Splits a bill's CSV text into records (RFC 4180): quoted cells, doubled quotes, commas and
// line breaks inside quotes, trailing commas. Bills pad their cells with spaces and put a tab
// after order numbers, inside or outside the quotes; no cell means anything by that padding, so
// spaces and tabs around every cell are trimmed.
//
// The file is read a line at a time, never whole: a bill of 100,000 rows is read in little more
// memory than its rows. The text is UTF-8 when the file starts with a BOM or its first part is
// valid UTF-8 (a bill saved again by a spreadsheet), else GB18030 (which GBK is part of).
class TCsvRecordReader {
public:
    // How cells are taken: trimmed of the bills' padding, or exactly as written (the program's
    // own files, where a note's spaces and its line breaks, CRLF or LF, are its own).
    enum class TCells { Trimmed, Exact };

    // Opens the file; throws EBillError when it cannot be read. progress is told the bytes read
    // and may stop the reading (EBillCancelled).
    explicit TCsvRecordReader(const QString& path, const TBillProgress& progress = {},
                              TCells cells = TCells::Trimmed);

    // The next record's cells; false at the end of the file. Throws EBillError for bytes that
    // are no text in the file's encoding and for a quote that never ends.
    bool Next(QStringList& cells);
    // Reads records up to the header row, the first that isHeader accepts among the first
    // HeaderSearch records; false when there is none. header is set to its cells.
    bool FindHeader(const std::function<bool(const QStringList&)>& isHeader, QStringList& header);
    // Hands each row of the table under the header to row, until a dashed or summary line or the
    // end of the file; blank lines are passed over. A row with fewer cells than the header names,
    // or with text beyond the header's cells, is refused; so is a row of the table's width after
    // its end (the table would be cut short).
    void ReadTable(const QStringList& header,
                   const std::function<void(const QStringList& cells)>& row);
    static constexpr int HeaderSearch = 200;

    // The line of the file the last record started on, from 1.
    int Line() const { return FRecordLine; }
    // The file's name, as messages show it.
    const QString& FileName() const { return FFileName; }
    // True when the file was taken as UTF-8.
    bool IsUtf8() const { return FUtf8; }

    // A line longer than this is no bill's (a large file of another kind is not read whole).
    static constexpr qint64 MaxLineBytes = 1 << 20;
    // A record longer than this (a quote left open) is refused rather than read to the end.
    static constexpr qsizetype MaxRecordChars = 1 << 16;

private:
    bool ReadLine(QString& line);
    void Report(bool last);

    QFile FFile;
    QString FFileName;
    TBillProgress FProgress;
    // Built in place: a decoder by name moved into place stops telling its errors (Qt 6.4).
    std::optional<QStringDecoder> FDecoder;
    bool FUtf8 = false;
    bool FExact = false;
    QString FLineEnd; // how the last line read ended: "\r\n", "\n" or nothing
    qint64 FSize = 0;
    qint64 FReported = 0;
    int FLine = 0;
    int FRecordLine = 0;
};
