#pragma once

#include "platform/Exception.h"

#include <QList>
#include <QPair>
#include <QString>
#include <functional>

// The user stopped a conversion; nothing was changed.
class EConversionCancelled : public Exception {
public:
    EConversionCancelled() : Exception(QStringLiteral("转换已取消，原文件没有改动。")) {}
};

// What a conversion brought over: rows per table, and the exact sums of the two amount columns
// of fPayout in ten-thousandths of a yuan.
struct TConversionSummary {
    QList<QPair<QString, qint64>> Rows;
    qint64 PayoutSum = 0;
    qint64 IncomeSum = 0;

    qint64 TotalRows() const;
    // An amount in ten-thousandths as text with four decimals: 1612085.7500.
    static QString AmountText(qint64 tenThousandths);
};

// Converts a ledger kept in the old Access (Jet 4) format into a ledger of ours: the tables and
// indexes of our create step, every row of the four tables with its key, text as written, amounts
// exact, dates as the same day numbers, and passwords in the stored form our login compares.
//
// The new file is written under a temporary name beside the target, in one transaction, row by
// row, and moved into place only when complete; any failure or a cancel removes it and leaves
// every existing file as it was. Failures throw Exception with a message that names the file
// and the cause. The old file is read in a separate process (TIsolatedJetReader), so a damaged
// one never hangs the program or takes its memory.
class TLegacyConverter {
public:
    // Told rows done of rows in all, now and then (0 of 0 while the old file is opened, before
    // its rows are counted); returning false cancels.
    using TProgress = std::function<bool(qint64 done, qint64 total)>;

    // Writes a new ledger at target (which must not exist) from the Jet file at source, which
    // stays untouched.
    static TConversionSummary Convert(const QString& source, const QString& target,
                                      const TProgress& progress = {});
    // Replaces the Jet file at path by the converted ledger; the original is kept beside it as
    // Hearthbook.access.mdb (BackupPath), named so only once the new ledger is in place.
    static TConversionSummary ConvertInPlace(const QString& path, const TProgress& progress = {});
    static QString BackupPath(const QString& path);

    // A password read from the old file, in the stored form our login compares with
    // TCommon::EncodeText: the old program's bytes came into the file through the Windows code
    // page 936, so they are taken back through it and kept as our GBK codec keeps bytes.
    static QString StoredPassword(const QString& fileText);
};
