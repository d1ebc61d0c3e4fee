#include "import/readers/BillCells.h"

#include "import/BillReader.h"

#include <cmath>

namespace {

constexpr qint64 UnitsPerYuan = 10000;
// The ledger's currency columns hold a qint64 of ten-thousandths.
constexpr qint64 MaxUnits = std::numeric_limits<qint64>::max();

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Reads 1..maxDigits digits from text at pos.
bool Number(QStringView text, qsizetype& pos, int minDigits, int maxDigits, int& value) {
    value = 0;
    int digits = 0;
    while (pos < text.size() && digits < maxDigits && IsDigit(text[pos])) {
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
        ++digits;
    }
    return digits >= minDigits;
}

} // namespace

namespace BillCells {

QString LineError(const QString& fileName, int line, const QString& text) {
    return QStringLiteral("账单 %1 第 %2 行：%3").arg(fileName).arg(line).arg(text);
}

TAmount ParseUnits(QStringView text, qint64& units) {
    text = text.trimmed();
    if (text.isEmpty()) return TAmount::Empty;
    bool negative = false;
    auto sign = [&] {
        if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
            negative = text.front() == u'-';
            text = text.sliced(1).trimmed();
        }
    };
    auto yuan = [&] {
        if (!text.isEmpty() && (text.front() == u'¥' || text.front() == u'￥'))
            text = text.sliced(1).trimmed();
    };
    sign();
    yuan();
    if (!negative) sign();
    __int128 value = 0;
    qsizetype pos = 0;
    int intDigits = 0;
    int groupDigits = -1; // digits since the last thousands separator, -1 before the first
    for (; pos < text.size() && (IsDigit(text[pos]) || text[pos] == u','); ++pos) {
        if (text[pos] == u',') {
            if (intDigits == 0 || (groupDigits >= 0 && groupDigits != 3) ||
                (groupDigits < 0 && intDigits > 3))
                return TAmount::NotANumber;
            groupDigits = 0;
            continue;
        }
        value = value * 10 + (text[pos].unicode() - u'0');
        if (value > MaxUnits) value = __int128(MaxUnits) + 1; // already out of range
        ++intDigits;
        if (groupDigits >= 0) ++groupDigits;
    }
    if (groupDigits >= 0 && groupDigits != 3) return TAmount::NotANumber;
    int decimals = 0;
    bool tooPrecise = false;
    if (pos < text.size() && text[pos] == u'.') {
        ++pos;
        for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
            if (decimals < 4) {
                value = value * 10 + (text[pos].unicode() - u'0');
                ++decimals;
            } else if (text[pos] != u'0') {
                tooPrecise = true;
            }
        }
        if (decimals == 0 && intDigits == 0) return TAmount::NotANumber;
    }
    if (intDigits == 0 && decimals == 0) return TAmount::NotANumber;
    if (pos != text.size()) return TAmount::NotANumber;
    for (; decimals < 4; ++decimals) value *= 10;
    if (tooPrecise) return TAmount::TooPrecise;
    if (negative && value != 0) return TAmount::Negative;
    if (value > MaxUnits) return TAmount::OutOfRange;
    units = static_cast<qint64>(value);
    return TAmount::Ok;
}

QString RoundedToUnits(const QString& text) {
    const qsizetype point = text.indexOf(u'.');
    if (point <= 0 || text.size() - point - 1 <= 4) return text;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (i != point && !IsDigit(text[i])) return text;
    QString digits = text.left(point) + text.mid(point + 1, 4);
    if (text[point + 5] >= u'5') {
        qsizetype i = digits.size() - 1;
        for (; i >= 0 && digits[i] == u'9'; --i) digits[i] = u'0';
        if (i < 0) digits.prepend(u'1');
        else digits[i] = QChar(digits[i].unicode() + 1);
    }
    return digits.left(digits.size() - 4) + u'.' + digits.right(4);
}

QDateTime ParseTime(QStringView text) {
    text = text.trimmed();
    qsizetype pos = 0;
    int year, month, day, hour = 0, minute = 0, second = 0;
    if (!Number(text, pos, 4, 4, year) || pos >= text.size()) return {};
    const QChar separator = text[pos];
    if (separator != u'-' && separator != u'/') return {};
    ++pos;
    if (!Number(text, pos, 1, 2, month) || pos >= text.size() || text[pos] != separator) return {};
    ++pos;
    if (!Number(text, pos, 1, 2, day)) return {};
    if (pos < text.size()) {
        if (text[pos] != u' ' && text[pos] != u'T') return {};
        while (pos < text.size() && (text[pos] == u' ' || text[pos] == u'T')) ++pos;
        if (!Number(text, pos, 1, 2, hour) || pos >= text.size() || text[pos] != u':') return {};
        ++pos;
        if (!Number(text, pos, 2, 2, minute)) return {};
        if (pos < text.size()) {
            if (text[pos] != u':') return {};
            ++pos;
            if (!Number(text, pos, 2, 2, second)) return {};
        }
        if (pos != text.size()) return {};
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid()) return {};
    return QDateTime(date, time);
}

QString SerialTimeText(const QString& text) {
    bool ok = false;
    const double serial = text.toDouble(&ok);
    // From 1900 to 9999, the years a spreadsheet's dates cover.
    if (!ok || !(serial >= 1 && serial < 2958466)) return QString();
    const qint64 seconds = std::llround(serial * 86400);
    const QDateTime time(QDate(1899, 12, 30).addDays(seconds / 86400),
                         QTime(0, 0).addSecs(static_cast<int>(seconds % 86400)));
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QList<int> ColumnsOf(const QStringList& header, const QStringList& names) {
    QList<int> columns;
    for (const QString& name : names) {
        const int column = static_cast<int>(header.indexOf(name));
        if (column < 0) return {};
        columns.append(column);
    }
    return columns;
}

bool IsTableEnd(const QStringList& cells) {
    const QString first = cells.value(0);
    if (first.startsWith(QStringLiteral("---"))) return true;
    if (first.isEmpty()) return false;
    for (qsizetype i = 1; i < cells.size(); ++i)
        if (!cells[i].isEmpty()) return false;
    return !ParseTime(first).isValid();
}

bool IsBlank(const QStringList& cells) {
    for (const QString& cell : cells)
        if (!cell.isEmpty()) return false;
    return true;
}

} // namespace BillCells

QString TBillCells::Text(int column) const {
    const QString& cell = column < FCells.size() ? FCells[column] : QString();
    return cell == u"/" ? QString() : cell;
}

qint64 TBillCells::Units(int column, const QString& label, bool allowEmpty) const {
    const QString text = Raw(column);
    qint64 units = 0;
    switch (BillCells::ParseUnits(text, units)) {
    case BillCells::TAmount::Ok: return units;
    case BillCells::TAmount::Empty:
        if (allowEmpty) return 0;
        Fail(QStringLiteral("%1是空的。").arg(label));
    case BillCells::TAmount::NotANumber:
        Fail(QStringLiteral("%1“%2”不是数字。").arg(label, text));
    case BillCells::TAmount::Negative:
        Fail(QStringLiteral("%1“%2”是负数，账单的金额不会是负数。").arg(label, text));
    case BillCells::TAmount::TooPrecise:
        Fail(QStringLiteral("%1“%2”的小数超过四位。").arg(label, text));
    case BillCells::TAmount::OutOfRange:
        Fail(QStringLiteral("%1“%2”超出了账本能记的范围（最多 922,337,203,685,477.5807 元）。")
                 .arg(label, text));
    }
    Fail(QStringLiteral("%1“%2”不是数字。").arg(label, text));
}

QDateTime TBillCells::Time(int column, const QString& label) const {
    const QString text = Raw(column);
    if (text.isEmpty()) Fail(QStringLiteral("%1是空的。").arg(label));
    const QDateTime time = BillCells::ParseTime(text);
    if (!time.isValid())
        Fail(QStringLiteral("%1“%2”不是日期和时间（应当像 2026-11-03 12:31:05）。").arg(label, text));
    return time;
}

void TBillCells::Fail(const QString& text) const {
    throw EBillError(BillCells::LineError(FFileName, FLine, text));
}
