#pragma once

#include <QString>
#include <QStringList>

// The layout of a member's whole book as the program exports it (pennyvale --export-csv, the
// link 导出账本) and reads it back (TLedgerCsvReader). One row per record, under this header:
//
//   标识,日期,时间,收支类型,收支项目,收支内容,金额,记帐人,备注
//
//   标识      the record's stable identity: the ledger's id (a UUID of its own, bLedgerInfo),
//             ":" and the record's PayoutID; a record imported from such a file keeps the
//             identity it came with
//   日期      yyyy-MM-dd
//   时间      HH:mm:ss (00:00:00 for the program's own entries, which keep no time)
//   收支类型  收入 or 支出
//   收支项目  the category's name (empty for a category deleted since)
//   收支内容  the content
//   金额      the amount, exact to the ten-thousandth, plain and positive, with as few decimals
//             as it needs (49.74, 12.3456, 300)
//   记帐人    the member
//   备注      the note, line breaks kept
//
// The file is UTF-8 with a BOM, RFC 4180 quoting, CRLF row ends; a text cell starting with =, +,
// -, @, a tab, a CR or an apostrophe has an apostrophe put ahead of it (output/CsvWriter.h), which
// the reader takes off again.
namespace LedgerCsvLayout {

inline const QStringList Header = {
    QStringLiteral("标识"),     QStringLiteral("日期"),     QStringLiteral("时间"),
    QStringLiteral("收支类型"), QStringLiteral("收支项目"), QStringLiteral("收支内容"),
    QStringLiteral("金额"),     QStringLiteral("记帐人"),   QStringLiteral("备注"),
};
enum TColumn { Identity, Date, Time, Kind, Category, Content, Amount, Member, Note };

// The bill source of such a file, the key of "never twice" with the identity.
inline const QString Source = QStringLiteral("pennyvale");
inline const QString Format = QStringLiteral("Pennyvale 账本（CSV）");

// "<ledger id>:<PayoutID>"
QString IdentityOf(const QString& ledgerId, qint64 payoutID);
// The PayoutID of an identity given by the ledger ledgerId; 0 when it is another ledger's.
qint64 PayoutIDOf(const QString& identity, const QString& ledgerId);
// The amount with as few decimals as it needs: "49.74", "12.3456", "300", "-0.5".
QString AmountText(qint64 units);
// A text cell as read back: the apostrophe the writer put ahead of it taken off.
QString Unguarded(const QString& cell);

} // namespace LedgerCsvLayout
