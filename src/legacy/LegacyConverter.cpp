#include "legacy/LegacyConverter.h"

#include "data/Schema.h"
#include "legacy/JetHeader.h"
#include "legacy/IsolatedJetReader.h"
#include "platform/FileKind.h"
#include "platform/FileRename.h"
#include "platform/PartialFile.h"
#include "platform/GbkCodec.h"
#include "data/engine/SqliteEngine.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <cmath>
#include <cstring>
#include <vector>
#include <sqlite3.h>

namespace {

// The ledger's tables, in the order they are converted.
const char* const LedgerTables[] = {"bPerson", "bItemProject", "fPayout", "fDiary"};

// How often the progress is told, in rows.
constexpr qint64 ProgressStep = 64;

constexpr qint64 Scale = 10000; // currency: ten-thousandths of a yuan

enum class TTarget { Integer, Money, DayNumber, Text };

struct TTargetColumn {
    QString Name;
    TTarget Kind = TTarget::Text;
    bool Key = false;
};

struct TTable {
    QString Name;
    std::vector<TTargetColumn> Columns;
    QString CreateText; // the table's create statement, for naming the column of a failed check
};

QString SqlError(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

bool DiskFull(const QSqlError& error) {
    return SqlitePrimaryCode(error) == SQLITE_FULL ||
           error.databaseText().contains(QLatin1String("disk is full"));
}

// The columns of a table of our schema, from the new file itself, so the conversion follows the
// create step without a second copy of it.
TTable TargetTable(QSqlDatabase& connection, const QString& name) {
    TTable table;
    table.Name = name;
    QSqlQuery query(connection);
    if (!query.exec(QStringLiteral("pragma table_info(%1)").arg(name)))
        throw EDatabaseError(SqlError(query.lastError()));
    while (query.next()) {
        TTargetColumn column;
        column.Name = query.value(1).toString();
        const QString type = query.value(2).toString().toLower();
        column.Kind = type == QLatin1String("integer")    ? TTarget::Integer
                      : type == QLatin1String("currency") ? TTarget::Money
                      : type == QLatin1String("datetime") ? TTarget::DayNumber
                                                          : TTarget::Text;
        column.Key = query.value(5).toInt() > 0;
        table.Columns.push_back(column);
    }
    query.prepare(QStringLiteral("select sql from sqlite_master where type = 'table' and name = ?"));
    query.addBindValue(name);
    if (query.exec() && query.next()) table.CreateText = query.value(0).toString();
    return table;
}

QString TypeName(TTarget kind) {
    switch (kind) {
    case TTarget::Integer:
        return QStringLiteral("整数");
    case TTarget::Money:
        return QStringLiteral("货币");
    case TTarget::DayNumber:
        return QStringLiteral("日期/时间");
    case TTarget::Text:
        return QStringLiteral("文本");
    }
    return {};
}

bool Accepts(TTarget kind, TLegacySource::TType type) {
    using T = TLegacySource::TType;
    switch (kind) {
    case TTarget::Integer:
        return type == T::Integer || type == T::Money || type == T::Float;
    case TTarget::Money:
        return type == T::Money || type == T::Integer || type == T::Float;
    case TTarget::DayNumber:
        return type == T::DateTime || type == T::Float;
    case TTarget::Text:
        return type == T::Text || type == T::Memo;
    }
    return false;
}

// A number as our ledger stores it: whole values as 64-bit integers (summed exactly), others as
// doubles.
QVariant Number(double value) {
    if (std::trunc(value) == value && std::fabs(value) < 9.0e15) return qint64(value);
    return value;
}

// Converts one value; an empty reason means it fits.
QVariant Convert(TTarget kind, TLegacySource::TType type, const QVariant& value, QString& reason) {
    using T = TLegacySource::TType;
    if (value.isNull()) return {};
    switch (kind) {
    case TTarget::Integer:
        if (type == T::Integer) return value.toLongLong();
        if (type == T::Money) {
            if (value.toLongLong() % Scale == 0) return value.toLongLong() / Scale;
        } else if (const double number = value.toDouble();
                   std::isfinite(number) && std::trunc(number) == number &&
                   std::fabs(number) < 9.0e15) {
            return qint64(number);
        }
        reason = QStringLiteral("不是整数");
        return {};
    case TTarget::Money:
        if (type == T::Money) {
            const qint64 amount = value.toLongLong();
            if (amount % Scale == 0) return amount / Scale;
            return double(amount) / double(Scale); // the nearest double to the exact amount
        }
        if (type == T::Integer) return value.toLongLong();
        if (!std::isfinite(value.toDouble())) {
            reason = QStringLiteral("不是有效的数字");
            return {};
        }
        return Number(value.toDouble());
    case TTarget::DayNumber:
        if (!std::isfinite(value.toDouble())) {
            reason = QStringLiteral("不是有效的日期");
            return {};
        }
        return Number(value.toDouble());
    case TTarget::Text:
        return value.toString();
    }
    return {};
}

// An amount in ten-thousandths, for the summary.
qint64 TenThousandths(TLegacySource::TType type, const QVariant& value) {
    if (value.isNull()) return 0;
    if (type == TLegacySource::TType::Money) return value.toLongLong();
    if (type == TLegacySource::TType::Integer) return value.toLongLong() * Scale;
    return qint64(std::llround(value.toDouble() * double(Scale)));
}

// The column that a failed check of the create statement guards: each check reads
// constraint "…" check (function(Column) …).
QString CheckedColumn(const TTable& table, const QString& constraint) {
    const QRegularExpression pattern(
        QStringLiteral("constraint\\s+\"%1\"\\s+check\\s*\\(\\s*\\w+\\s*\\(\\s*(\\w+)")
            .arg(QRegularExpression::escape(constraint)),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(table.CreateText).captured(1);
}

class TWriter {
public:
    TWriter(TLegacySource& reader, const QString& partial,
            const TLegacyConverter::TProgress& progress)
        : FReader(reader), FPartial(partial), FProgress(progress),
          FConnectionName(QStringLiteral("legacy-") + QUuid::createUuid().toString()) {}

    ~TWriter() {
        {
            QSqlDatabase connection = QSqlDatabase::database(FConnectionName, false);
            if (connection.isOpen()) {
                connection.rollback();
                connection.close();
            }
        }
        QSqlDatabase::removeDatabase(FConnectionName);
    }

    TConversionSummary Run() {
        // Every table is there before anything is written, so a missing one is named at once.
        qint64 total = 0;
        for (const char* name : LedgerTables)
            total += FReader.RowCount(QString::fromLatin1(name));

        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                            FConnectionName);
        connection.setDatabaseName(FPartial);
        const QString folder = QFileInfo(FPartial).absolutePath();
        // The file is thrown away on any failure and flushed as a whole before it is moved into
        // place, so it needs neither a journal on disk nor a flush at every step.
        if (connection.open()) {
            QSqlQuery pragma(connection);
            pragma.exec(QStringLiteral("pragma journal_mode = memory"));
            pragma.exec(QStringLiteral("pragma synchronous = off"));
        }
        if (!connection.isOpen() || !connection.transaction())
            throw EInOutError(QStringLiteral("无法在文件夹 %1 中写入新数据库：%2")
                                  .arg(QDir::toNativeSeparators(folder),
                                       SqlError(connection.lastError())));
        try {
            Schema::CreateTables(connection);
        } catch (const Exception& error) {
            throw EInOutError(DiskFull(connection.lastError())
                                  ? FullMessage()
                                  : QStringLiteral("无法在文件夹 %1 中写入新数据库：%2")
                                        .arg(QDir::toNativeSeparators(folder), error.Message));
        }

        std::vector<TTable> tables;
        for (const char* name : LedgerTables) {
            tables.push_back(TargetTable(connection, QString::fromLatin1(name)));
            CheckColumns(tables.back()); // a missing or mistyped column is named before writing
        }

        TConversionSummary summary;
        qint64 done = 0;
        Tell(done, total);
        for (const TTable& table : tables)
            summary.Rows.append({table.Name, CopyTable(connection, table, summary, done, total)});
        Tell(done, total);

        if (!connection.commit()) {
            const QSqlError error = connection.lastError();
            throw EInOutError(DiskFull(error) ? FullMessage()
                                              : QStringLiteral("无法写入新数据库 %1：%2")
                                                    .arg(FPartial, SqlError(error)));
        }
        connection.close();
        return summary;
    }

private:
    QString FullMessage() const {
        return QStringLiteral("磁盘空间不足，无法在文件夹 %1 中写入新数据库。原文件没有改动。")
            .arg(QDir::toNativeSeparators(QFileInfo(FPartial).absolutePath()));
    }

public:
    // Tells the progress once more while the reader is awaited, so a cancel is heard.
    void TellAgain() { Tell(FDone, FTotal); }

private:
    void Tell(qint64 done, qint64 total) {
        FDone = done;
        FTotal = total;
        if (FProgress && !FProgress(done, total)) throw EConversionCancelled();
    }

    QStringList ColumnNames(const TTable& table) const {
        QStringList names;
        for (const auto& column : table.Columns)
            names << column.Name;
        return names;
    }

    void CheckColumns(const TTable& table) {
        FReader.OpenTable(table.Name, ColumnNames(table));
        for (size_t c = 0; c < table.Columns.size(); ++c) {
            const TTargetColumn& column = table.Columns[c];
            if (!Accepts(column.Kind, FReader.ColumnType(int(c))))
                throw EInOutError(
                    QStringLiteral("Access 数据库 %1 中表 %2 的列 %3 类型不符（应为%4），无法转换。")
                        .arg(FReader.Path(), table.Name, column.Name, TypeName(column.Kind)));
        }
    }

    qint64 CopyTable(QSqlDatabase& connection, const TTable& table, TConversionSummary& summary,
                     qint64& done, qint64 total) {
        const QStringList names = ColumnNames(table);
        FReader.OpenTable(table.Name, names);
        QSqlQuery insert(connection);
        const QString marks = QStringList(names.size(), QStringLiteral("?")).join(u',');
        if (!insert.prepare(QStringLiteral("insert into %1 (%2) values (%3)")
                                .arg(table.Name, names.join(u','), marks)))
            throw EInOutError(QStringLiteral("无法写入新数据库 %1：%2")
                                  .arg(FPartial, SqlError(insert.lastError())));
        const bool isPerson = table.Name == QLatin1String("bPerson");
        const bool isPayout = table.Name == QLatin1String("fPayout");
        const int payoutColumn = int(names.indexOf(QStringLiteral("PayoutAccount")));
        const int incomeColumn = int(names.indexOf(QStringLiteral("IncomeAccount")));

        qint64 rows = 0;
        while (FReader.Next()) {
            const QString key = FReader.Value(0).isNull() ? QStringLiteral("（空）")
                                                          : FReader.Value(0).toString();
            for (size_t c = 0; c < table.Columns.size(); ++c) {
                const TTargetColumn& column = table.Columns[c];
                const TLegacySource::TType type = FReader.ColumnType(int(c));
                QString reason;
                QVariant value = Convert(column.Kind, type, FReader.Value(int(c)), reason);
                if (column.Key && FReader.Value(int(c)).isNull()) reason = QStringLiteral("编号为空");
                if (!reason.isEmpty())
                    throw EInOutError(NoFitMessage(table, key, column.Name, reason));
                if (isPerson && column.Name == QLatin1String("LoginPassword") && !value.isNull())
                    value = TLegacyConverter::StoredPassword(value.toString());
                insert.bindValue(int(c), value);
            }
            if (!insert.exec()) throw EInOutError(InsertMessage(table, key, insert.lastError()));
            if (isPayout) {
                if (payoutColumn >= 0)
                    summary.PayoutSum +=
                        TenThousandths(FReader.ColumnType(payoutColumn), FReader.Value(payoutColumn));
                if (incomeColumn >= 0)
                    summary.IncomeSum +=
                        TenThousandths(FReader.ColumnType(incomeColumn), FReader.Value(incomeColumn));
            }
            ++rows;
            if (++done % ProgressStep == 0) Tell(done, total);
        }
        return rows;
    }

    QString NoFitMessage(const TTable& table, const QString& key, const QString& column,
                         const QString& reason) const {
        return QStringLiteral("Access 数据库 %1 中表 %2 编号为 %3 的记录，列 %4 的值无法转换（%5）。"
                              "原文件没有改动。")
            .arg(FReader.Path(), table.Name, key, column, reason);
    }

    QString InsertMessage(const TTable& table, const QString& key, const QSqlError& error) const {
        if (DiskFull(error)) return FullMessage();
        const QString text = error.databaseText();
        static const QString Check = QStringLiteral("CHECK constraint failed: ");
        if (text.startsWith(Check)) {
            const QString constraint = text.mid(Check.size()).trimmed();
            const QString column = CheckedColumn(table, constraint);
            return NoFitMessage(table, key, column.isEmpty() ? QStringLiteral("？") : column,
                                constraint);
        }
        if (text.contains(QLatin1String("UNIQUE constraint failed")))
            return QStringLiteral("Access 数据库 %1 中表 %2 的编号 %3 重复，无法转换。原文件没有改动。")
                .arg(FReader.Path(), table.Name, key);
        return QStringLiteral("Access 数据库 %1 中表 %2 编号为 %3 的记录无法写入新数据库：%4")
            .arg(FReader.Path(), table.Name, key, SqlError(error));
    }

    TLegacySource& FReader;
    QString FPartial;
    const TLegacyConverter::TProgress& FProgress;
    QString FConnectionName;
    qint64 FDone = 0;
    qint64 FTotal = 0;
};

// Checks that the source is a plain file (a named pipe would never answer) with a header that
// can be converted.
void CheckSource(const QString& source) {
    QString problem = NotAFileText(source);
    if (problem.isEmpty()) problem = TJetHeader::Read(source).Problem(source);
    if (!problem.isEmpty()) throw EInOutError(problem);
}

// The progress told while the reader opens the file, before any row is counted.
TIsolatedJetReader::TWaiting Opening(const TLegacyConverter::TProgress& progress) {
    return [&progress] {
        if (progress && !progress(0, 0)) throw EConversionCancelled();
    };
}

void MakeFolder(const QString& target) {
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        throw EInOutError(
            QStringLiteral("无法创建文件夹 %1。").arg(QDir::toNativeSeparators(folder)));
}

} // namespace

qint64 TConversionSummary::TotalRows() const {
    qint64 total = 0;
    for (const auto& table : Rows)
        total += table.second;
    return total;
}

QString TConversionSummary::AmountText(qint64 tenThousandths) {
    const bool negative = tenThousandths < 0;
    const quint64 magnitude = negative ? 0 - quint64(tenThousandths) : quint64(tenThousandths);
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / Scale)
        .arg(magnitude % Scale, 4, 10, QLatin1Char('0'));
}

TConversionSummary TLegacyConverter::Convert(const QString& source, const QString& target,
                                             const TProgress& progress) {
    CheckSource(source);
    if (QFileInfo::exists(target))
        throw EInOutError(QStringLiteral("数据库文件 %1 已经存在，不会覆盖。").arg(target));
    MakeFolder(target);
    TIsolatedJetReader reader(source, Opening(progress));
    TPartialFile partial(target); // removed unless placed, after the writer has closed it
    TWriter writer(reader, partial.Path(), progress);
    reader.SetWaiting([&writer] { writer.TellAgain(); });
    TConversionSummary summary = writer.Run();
    QString reason;
    if (!partial.Place(target, &reason))
        throw EInOutError(QFileInfo::exists(target)
                              ? QStringLiteral("数据库文件 %1 已经存在，不会覆盖。").arg(target)
                              : QStringLiteral("无法创建数据库文件 %1：%2").arg(target, reason));
    return summary;
}

QString TLegacyConverter::BackupPath(const QString& path) {
    const QFileInfo file(path);
    return QDir(file.path()).filePath(file.completeBaseName() + QStringLiteral(".access.") +
                                      file.suffix());
}

TConversionSummary TLegacyConverter::ConvertInPlace(const QString& path,
                                                    const TProgress& progress) {
    CheckSource(path);
    const QString backup = BackupPath(path);
    // A second name left by a conversion that stopped before its last step is dropped; any
    // other file of that name is kept.
    if (QFileInfo::exists(backup) && FileRename::SameFile(path, backup)) QFile::remove(backup);
    if (QFileInfo::exists(backup))
        throw EInOutError(QStringLiteral("文件 %1 已经存在，为免覆盖，没有转换。请先把它移走。")
                              .arg(backup));
    TIsolatedJetReader reader(path, Opening(progress));
    TPartialFile partial(path); // removed unless placed, after the writer has closed it
    TWriter writer(reader, partial.Path(), progress);
    reader.SetWaiting([&writer] { writer.TellAgain(); });
    TConversionSummary summary = writer.Run();

    // The original gets its second name first, so it is never without one; then the new ledger
    // takes the ledger's name in one atomic step.
    QString reason;
    if (!FileRename::LinkNoReplace(path, backup, &reason))
        throw EInOutError(QStringLiteral("无法保留原文件为 %1：%2").arg(backup, reason));
    if (!partial.PlaceOver(path, &reason)) {
        QFile::remove(backup);
        throw EInOutError(QStringLiteral("无法用新数据库替换 %1：%2").arg(path, reason));
    }
    return summary;
}

QString TLegacyConverter::StoredPassword(const QString& fileText) {
    QByteArray bytes;
    for (const QChar c : fileText) {
        // Windows' code page 936 reads a lone byte FF as U+F8F5 (and 80 as the euro sign, which
        // our GBK codec gives back as 80).
        if (c.unicode() == 0xF8F5) {
            bytes += char(0xff);
            continue;
        }
        const QByteArray encoded = Gbk::FromUnicode(QString(c));
        // A character that never came from GBK bytes: the text is kept as it is.
        if (encoded.isEmpty() || (encoded == "?" && c != u'?')) return fileText;
        bytes += encoded;
    }
    return Gbk::ToUnicode(bytes);
}
