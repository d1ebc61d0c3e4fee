#include "import/readers/LedgerCsvLayout.h"

namespace LedgerCsvLayout {

QString IdentityOf(const QString& ledgerId, qint64 payoutID) {
    return ledgerId + u':' + QString::number(payoutID);
}

qint64 PayoutIDOf(const QString& identity, const QString& ledgerId) {
    if (ledgerId.isEmpty() || identity.size() <= ledgerId.size() + 1 ||
        !identity.startsWith(ledgerId) || identity[ledgerId.size()] != u':')
        return 0;
    bool ok = false;
    const qint64 id = QStringView(identity).sliced(ledgerId.size() + 1).toLongLong(&ok);
    return ok && id > 0 ? id : 0;
}

QString AmountText(qint64 units) {
    const bool negative = units < 0;
    const quint64 magnitude = negative ? 0 - quint64(units) : quint64(units);
    QString text = QString::number(magnitude / 10000);
    if (quint64 fraction = magnitude % 10000; fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += u'.' + digits;
    }
    return negative ? u'-' + text : text;
}

QString Unguarded(const QString& cell) {
    return cell.startsWith(u'\'') ? cell.sliced(1) : cell;
}

} // namespace LedgerCsvLayout
