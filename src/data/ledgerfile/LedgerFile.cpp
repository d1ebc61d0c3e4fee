#include "data/ledgerfile/LedgerFile.h"

#include "data/engine/Engine.h"
#include "platform/FileKind.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlRecord>
#include <QUrl>

namespace LedgerFile {

const QList<TTableColumns>& Tables() {
    static const QList<TTableColumns> tables = {
        {QStringLiteral("bPerson"),
         {"PersonID", "PersonName", "RoleName", "LoginAccount", "LoginPassword", "Memos"}},
        {QStringLiteral("bItemProject"), {"ItemProjectID", "ItemProject", "ItemType", "Memos"}},
        {QStringLiteral("fPayout"),
         {"PayoutID", "ItemProjectID", "Payout", "PayoutAccount", "IncomeAccount", "UseDate",
          "PersonName", "Memos", "ItemType", "MonthNum", "YearNum", "QuarterNum"}},
        {QStringLiteral("fDiary"), {"DiaryID", "Diary", "DiaryDate", "PersonID"}},
    };
    return tables;
}

namespace {

// Every table of this program with every column it reads or writes: None, or what is wrong.
TLedgerProblem TablesProblem(QSqlDatabase& connection, QString* reason) {
    const QStringList present = connection.tables();
    QStringList missing;
    bool anyOfOurs = false;
    for (const TTableColumns& table : Tables()) {
        // The table's name as the engine keeps it (a server folds names to lower case).
        QString found;
        for (const QString& name : present)
            if (name.compare(table.Name, Qt::CaseInsensitive) == 0) found = name;
        if (found.isEmpty()) {
            missing << QStringLiteral("缺少数据表 %1").arg(table.Name);
            continue;
        }
        anyOfOurs = true;
        const QSqlRecord columns = connection.record(found);
        for (const QString& column : table.Columns)
            if (columns.indexOf(column) < 0)
                missing << QStringLiteral("数据表 %1 缺少列 %2").arg(table.Name, column);
    }
    if (!anyOfOurs) {
        *reason = QStringLiteral("其中没有本程序的数据表");
        return TLedgerProblem::NotALedger;
    }
    *reason = missing.join(QStringLiteral("，"));
    return missing.isEmpty() ? TLedgerProblem::None : TLedgerProblem::Damaged;
}

} // namespace

TLedgerProblem CheckTables(QSqlDatabase& connection, QString* reason) {
    QString found;
    const TLedgerProblem problem = TablesProblem(connection, &found);
    if (reason) *reason = found;
    return problem;
}

TLedgerProblem InspectFile(const QString& path, QString* reason) {
    const QFileInfo info(path);
    if (!info.exists()) return TLedgerProblem::Missing;
    if (info.isDir()) return TLedgerProblem::Folder;
    for (const QString& file :
         {path, path + QStringLiteral("-wal"), path + QStringLiteral("-journal")})
        if (FileKindOf(file) == TFileKind::Special) {
            if (reason) *reason = NotAFileText(file);
            return TLedgerProblem::NotAFile;
        }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (reason) *reason = file.errorString();
        return TLedgerProblem::Unreadable;
    }
    const QByteArray header = file.read(100);
    if (header.isEmpty() && file.error() != QFileDevice::NoError) {
        if (reason) *reason = file.errorString();
        return TLedgerProblem::Unreadable;
    }
    if (header.isEmpty()) return TLedgerProblem::Empty;
    // Jet 3 and 4 files carry "Standard Jet DB" at bytes 4 to 19, Access 2007 files
    // "Standard ACE DB".
    const QByteArray jet = header.mid(4, 15);
    if (jet == "Standard Jet DB" || jet == "Standard ACE DB") return TLedgerProblem::AccessFormat;
    if (!header.startsWith(QByteArrayView("SQLite format 3\0", 16))) {
        return TLedgerProblem::NotALedger;
    }
    return TLedgerProblem::None;
}

void SetReadOnlyFile(QSqlDatabase& connection, const QString& path) {
    QUrl uri = QUrl::fromLocalFile(QDir::current().absoluteFilePath(path));
    uri.setQuery(QStringLiteral("mode=ro"));
    connection.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    connection.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
}

} // namespace LedgerFile
