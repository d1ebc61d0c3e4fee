#pragma once

#include "legacy/LegacySource.h"

#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <functional>
#include <vector>

// An old ledger read by a separate process of the program (JetRowServer), its rows streamed
// back in batches. A damaged file can send the reading library into an endless loop that
// grows its memory without end, and no check before the call can rule that out; the reading
// process has a limit on its memory, and one that dies, or sends nothing for SilenceMs, is
// ended and the file reported damaged. The original file is only ever read.
class TIsolatedJetReader final : public TLegacySource {
public:
    // Called about ten times a second while the reading process is awaited: may throw to stop
    // (a cancel), which ends the process.
    using TWaiting = std::function<void()>;

    // Starts the reading process on path and waits until it has opened the file.
    explicit TIsolatedJetReader(const QString& path, TWaiting waiting = {});
    ~TIsolatedJetReader() override;
    TIsolatedJetReader(const TIsolatedJetReader&) = delete;
    TIsolatedJetReader& operator=(const TIsolatedJetReader&) = delete;

    void SetWaiting(TWaiting waiting) { FWaiting = std::move(waiting); }

    qint64 RowCount(const QString& table) override;
    void OpenTable(const QString& table, const QStringList& columns) override;
    TType ColumnType(int column) const override { return FTypes[column]; }
    bool Next() override;
    const QVariant& Value(int column) const override { return FBatch[FRow + size_t(column)]; }
    QString Path() const override { return FPath; }

    // The message for a file whose reading process died, ran out of its memory or stalled.
    static QString DamagedText(const QString& path);
    // The program that reads: the one beside the running program.
    static QString Program();

    static constexpr int SilenceMs = 5000;

private:
    void Stop();
    void Request(const QByteArray& frame);
    // The next answer, its kind read; a failure throws.
    QByteArray Receive(quint8& kind);
    [[noreturn]] void Damaged();
    void Wait();

    QString FPath;
    TWaiting FWaiting;
    QProcess FProcess;
    QByteArray FInput;
    qsizetype FInputStart = 0;
    QElapsedTimer FSilence;
    QList<TType> FTypes;
    std::vector<QVariant> FBatch; // the rows of the current batch, one after the other
    size_t FRow = 0;              // where the current row starts in FBatch
    size_t FNextRow = 0;
    bool FRequested = false; // the open table's rows were asked for
    bool FAtEnd = false;
};
