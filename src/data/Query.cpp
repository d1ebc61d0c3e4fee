#include "data/Query.h"

#include "data/DayNumber.h"
#include "data/QueryNotifier.h"
#include "platform/Exception.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <cmath>

namespace {

// One row of the store: a fixed array of the statement's columns.
using TRow = std::unique_ptr<QVariant[]>;

TRow NewRow(int columns) {
    return TRow(new QVariant[std::max(columns, 1)]);
}

TRow CopyRow(const QVariant* source, int columns) {
    TRow row = NewRow(columns);
    std::copy(source, source + columns, row.get());
    return row;
}

QString EngineText(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) text = error.text().trimmed();
    if (text.isEmpty()) text = QStringLiteral("数据库操作失败");
    return text;
}

QString QuoteName(const QString& name) {
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString UnquoteName(const QString& name) {
    if (name.size() >= 2) {
        const QChar first = name.front(), last = name.back();
        if (first == u'"' && last == u'"')
            return name.mid(1, name.size() - 2)
                .replace(QStringLiteral("\"\""), QStringLiteral("\""));
        if ((first == u'[' && last == u']') || (first == u'`' && last == u'`'))
            return name.mid(1, name.size() - 2);
    }
    return name;
}

bool IsIntegral(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool IsFloating(const QVariant& value) {
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

bool IsNumber(const QVariant& value) {
    return IsIntegral(value) || IsFloating(value);
}

// A number in its natural text: 100 -> "100", 12.5 -> "12.5".
QString NumberText(double number) {
    if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 1e15)
        return QString::number(qint64(number));
    return QString::number(number, 'g', 15);
}

// A whole day number is kept as an integer, so midnight dates are stored as integers.
QVariant DayNumberValue(double dayNumber) {
    if (std::isfinite(dayNumber) && dayNumber == std::trunc(dayNumber) &&
        std::fabs(dayNumber) < 1e15)
        return QVariant(qint64(dayNumber));
    return QVariant(dayNumber);
}

// Two values are the same when both are NULL, or both are set with the same type and value.
bool SameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    if (IsIntegral(a) && IsIntegral(b)) return a.toLongLong() == b.toLongLong();
    if (a.typeId() != b.typeId()) return false;
    return a == b;
}

// The text a key is matched by in a lookup: numbers in their natural text, so 3 and 3.0 and "3"
// all find the same row.
QString KeyText(const QVariant& value) {
    if (value.isNull()) return QString();
    if (IsIntegral(value)) return QString::number(value.toLongLong());
    if (IsFloating(value)) return NumberText(value.toDouble());
    return value.toString();
}

bool IsDateTimeType(const QString& declaredType) {
    return declaredType.contains(QStringLiteral("date"), Qt::CaseInsensitive) ||
           declaredType.contains(QStringLiteral("time"), Qt::CaseInsensitive);
}

// A date or date-time written as text, in the forms the program and its users write them.
QDateTime ParseDateTime(const QString& text) {
    static const char* const Formats[] = {
        "yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-ddTHH:mm:ss",
        "yyyy-M-d H:mm:ss",        "yyyy-M-d H:mm",       "yyyy/M/d H:mm:ss", "yyyy/M/d H:mm",
        "yyyy.M.d H:mm:ss",        "yyyy.M.d H:mm",
    };
    static const char* const DateFormats[] = {"yyyy-MM-dd", "yyyy-M-d", "yyyy/M/d", "yyyy.M.d",
                                              "yyyyMMdd"};
    for (const char* format : Formats) {
        const QDateTime moment = QDateTime::fromString(text, QLatin1String(format));
        if (moment.isValid()) return moment;
    }
    for (const char* format : DateFormats) {
        const QDate day = QDate::fromString(text, QLatin1String(format));
        if (day.isValid()) return QDateTime(day, QTime(0, 0));
    }
    const QLocale locale;
    QDateTime moment = locale.toDateTime(text, QLocale::ShortFormat);
    if (moment.isValid()) return moment;
    const QDate day = locale.toDate(text, QLocale::ShortFormat);
    if (day.isValid()) return QDateTime(day, QTime(0, 0));
    return QDateTime();
}

struct TLookup {
    QString Name;
    QString KeyField;
    int KeyIndex = -1; // the key column of the owning query while it is open
    QHash<QString, QVariant> Values;
};

} // namespace

struct TQuery::TImpl {
    TQuery* Q;
    QSqlDatabase Db;
    TDataSetState State = TDataSetState::Inactive;

    // The open statement: its columns and rows, and the cursor.
    int ColCount = 0;
    QStringList Names;
    QHash<QString, int> IndexByName; // lower-case name -> field index, lookup fields included
    std::vector<TRow> Rows;
    int Cursor = -1;
    bool BofFlag = true;
    bool EofFlag = true;

    // Where writes go, for a one-table "select *".
    bool Updatable = false;
    QString Reason; // why not, when it is not
    QString Table;
    std::vector<int> KeyColumns;
    QStringList DeclaredTypes;

    // The pending edit.
    TRow OldRow;                // the row as it was at Edit
    std::vector<bool> Assigned; // columns set since Edit or Append
    bool ModifiedFlag = false;
    int InsertReturn = -1; // the row that was current before Append
    bool InsertBof = true;
    bool InsertEof = true;

    std::vector<TLookup> Lookups;
    std::unique_ptr<TQueryNotifier> Notifier = std::make_unique<TQueryNotifier>();

    explicit TImpl(TQuery* query, QSqlDatabase connection) : Q(query), Db(std::move(connection)) {}

    int RowCount() const { return int(Rows.size()); }
    bool Editing() const { return State == TDataSetState::Edit || State == TDataSetState::Insert; }

    // Events and notifications.
    void SetState(TDataSetState state) {
        if (State == state) return;
        State = state;
        FireStateChange();
    }
    void FireStateChange() {
        auto handler = Q->OnStateChange;
        if (handler) handler(*Q);
    }
    void FireAfterScroll() {
        auto handler = Q->AfterScroll;
        if (handler) handler(*Q);
    }
    void NotifyCursor() { emit Notifier->CursorMoved(Cursor); }

    // Checks.
    void CheckActive() const {
        if (State == TDataSetState::Inactive)
            throw EDatabaseError(QStringLiteral("数据集没有打开，不能执行此操作"));
    }
    void CheckConnection() const {
        if (!Db.isValid()) throw EDatabaseError(QStringLiteral("数据库连接无效"));
        if (!Db.isOpen())
            throw EDatabaseError(
                QStringLiteral("数据库连接没有打开：") +
                (Db.lastError().isValid() ? EngineText(Db.lastError()) : Db.databaseName()));
    }
    void CheckCanModify() const {
        if (!Updatable) throw EDatabaseError(QStringLiteral("数据集不能修改：") + Reason);
    }
    // Before a move or a new row: post a pending change, or drop an untouched one.
    void CheckBrowseMode() {
        if (!Editing()) return;
        if (ModifiedFlag)
            Q->Post();
        else
            Q->Cancel();
    }

    void ClearEdit() {
        OldRow.reset();
        Assigned.assign(size_t(ColCount), false);
        ModifiedFlag = false;
    }

    void MoveTo(int row) {
        Cursor = row;
        NotifyCursor();
        FireAfterScroll();
    }

    void RebuildIndex() {
        IndexByName.clear();
        for (int i = ColCount - 1; i >= 0; --i)
            IndexByName.insert(Names[i].toLower(), i);
        for (int i = int(Lookups.size()) - 1; i >= 0; --i) {
            const QString key = Lookups[size_t(i)].Name.toLower();
            if (!IndexByName.contains(key) || IndexByName.value(key) >= ColCount)
                IndexByName.insert(key, ColCount + i);
        }
    }

    int ColumnIndex(const QString& name) const {
        for (int i = 0; i < ColCount; ++i)
            if (Names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
        return -1;
    }

    QVariant LookupValue(const TLookup& lookup, int row) const {
        if (lookup.KeyIndex < 0 || row < 0 || row >= RowCount()) return QVariant();
        const QString key = KeyText(Rows[size_t(row)][lookup.KeyIndex]);
        if (key.isEmpty()) return QVariant();
        return lookup.Values.value(key);
    }

    void DetectUpdatable(const QString& sql);
    void ExecWrite(QSqlQuery& query, const QString& sql, const QVariantList& values) const;
    QString KeyCondition(const QVariant* row, QVariantList& values) const;
    void Reread(const QString& condition, const QVariantList& values);
};

// Only "select * from T" with nothing after T but a where, order by or limit clause is carried
// back to T, and only when T has a primary key and the result has exactly T's columns.
void TQuery::TImpl::DetectUpdatable(const QString& sql) {
    static const QRegularExpression Pattern(
        QStringLiteral(R"(^\s*select\s+\*\s+from\s+("(?:[^"]|"")+"|\[[^\]]+\]|`[^`]+`|)"
                       R"([A-Za-z_][A-Za-z0-9_]*)(?:\s*;?\s*$|\s+(?:where|order|limit)\b))"),
        QRegularExpression::CaseInsensitiveOption);
    Updatable = false;
    Table.clear();
    KeyColumns.clear();
    DeclaredTypes.clear();
    const QRegularExpressionMatch match = Pattern.match(sql);
    if (!match.hasMatch()) {
        Reason = QStringLiteral("只有单表的 select * 查询才能修改数据");
        return;
    }
    const QString table = UnquoteName(match.captured(1));
    QSqlQuery info(Db);
    info.setForwardOnly(true);
    QStringList names;
    QStringList types;
    std::vector<std::pair<int, int>> keys; // (position in key, column)
    if (info.exec(QStringLiteral("pragma table_info(") + QuoteName(table) + u')')) {
        while (info.next()) {
            names.append(info.value(1).toString());
            types.append(info.value(2).toString());
            if (const int pk = info.value(5).toInt(); pk > 0)
                keys.emplace_back(pk, int(names.size()) - 1);
        }
    }
    bool same = names.size() == ColCount;
    for (int i = 0; same && i < ColCount; ++i)
        same = names[i].compare(Names[i], Qt::CaseInsensitive) == 0;
    if (!same) {
        Reason = QStringLiteral("只有单表的 select * 查询才能修改数据");
        return;
    }
    if (keys.empty()) {
        Reason = QStringLiteral("表 %1 没有主键").arg(table);
        return;
    }
    std::sort(keys.begin(), keys.end());
    for (const auto& key : keys)
        KeyColumns.push_back(key.second);
    Table = table;
    DeclaredTypes = types;
    Updatable = true;
    Reason.clear();
}

void TQuery::TImpl::ExecWrite(QSqlQuery& query, const QString& sql,
                              const QVariantList& values) const {
    if (!query.prepare(sql)) throw EDatabaseError(EngineText(query.lastError()));
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (!query.exec()) throw EDatabaseError(EngineText(query.lastError()));
}

// "k = ?" for each key column (or "k is null"), the values appended to values.
QString TQuery::TImpl::KeyCondition(const QVariant* row, QVariantList& values) const {
    QStringList parts;
    for (int column : KeyColumns) {
        if (row[column].isNull()) {
            parts.append(QuoteName(Names[column]) + QStringLiteral(" is null"));
        } else {
            parts.append(QuoteName(Names[column]) + QStringLiteral(" = ?"));
            values.append(row[column]);
        }
    }
    return parts.join(QStringLiteral(" and "));
}

// Reads the current row back from the table, so it holds what the file holds.
void TQuery::TImpl::Reread(const QString& condition, const QVariantList& values) {
    QSqlQuery query(Db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("select * from ") + QuoteName(Table) +
                       QStringLiteral(" where ") + condition))
        return;
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (!query.exec() || !query.next()) return;
    const QSqlRecord record = query.record();
    QVariant* row = Rows[size_t(Cursor)].get();
    for (int i = 0; i < record.count(); ++i) {
        const int column = ColumnIndex(record.fieldName(i));
        if (column >= 0) row[column] = query.value(i);
    }
}

// ---------------------------------------------------------------------------------------------
// TQuery

TQuery::TQuery(QSqlDatabase connection) : d(std::make_unique<TImpl>(this, std::move(connection))) {}

// The notifier goes first, while the rows can still be read, so a model that hears of its end
// can reset itself over the query as it is.
TQuery::~TQuery() {
    d->Notifier.reset();
}

bool TQuery::Active() const {
    return d->State != TDataSetState::Inactive;
}

TDataSetState TQuery::State() const {
    return d->State;
}

bool TQuery::CanModify() const {
    return Active() && d->Updatable;
}

bool TQuery::Modified() const {
    return d->Editing() && d->ModifiedFlag;
}

void TQuery::Open() {
    if (Active()) return;
    d->CheckConnection();
    const QString sql = SQL.join(u'\n');
    if (sql.trimmed().isEmpty()) throw EDatabaseError(QStringLiteral("没有要执行的查询语句"));

    QSqlQuery query(d->Db);
    query.setForwardOnly(true);
    if (!query.exec(sql)) throw EDatabaseError(EngineText(query.lastError()));
    const QSqlRecord record = query.record();
    const int columns = record.count();
    if (columns == 0) throw EDatabaseError(QStringLiteral("语句没有返回记录集：") + sql);

    std::vector<TRow> rows;
    while (query.next()) {
        TRow row = NewRow(columns);
        const QVariant* previous = rows.empty() ? nullptr : rows.back().get();
        for (int c = 0; c < columns; ++c) {
            row[c] = query.value(c);
            // A text equal to the one above it shares its storage: lists repeat the member's
            // name and the kind in every row.
            if (previous && row[c].typeId() == QMetaType::QString &&
                previous[c].typeId() == QMetaType::QString &&
                *static_cast<const QString*>(row[c].constData()) ==
                    *static_cast<const QString*>(previous[c].constData()))
                row[c] = previous[c];
        }
        rows.push_back(std::move(row));
    }
    if (query.lastError().isValid()) throw EDatabaseError(EngineText(query.lastError()));
    query.finish();

    emit d->Notifier->AboutToReset();
    d->ColCount = columns;
    d->Names.clear();
    for (int c = 0; c < columns; ++c)
        d->Names.append(record.fieldName(c));
    d->Rows = std::move(rows);
    d->DetectUpdatable(sql);
    for (TLookup& lookup : d->Lookups)
        lookup.KeyIndex = d->ColumnIndex(lookup.KeyField);
    d->RebuildIndex();
    d->ClearEdit();
    d->Cursor = d->Rows.empty() ? -1 : 0;
    d->BofFlag = true;
    d->EofFlag = d->Rows.empty();

    // Open before the models hear of it, so that they read the new rows.
    d->State = TDataSetState::Browse;
    emit d->Notifier->Reset();
    d->NotifyCursor();
    d->FireStateChange();
    d->FireAfterScroll();
}

void TQuery::Close() {
    if (!Active()) return;
    // A pending change is dropped, as Cancel would, without its events.
    emit d->Notifier->AboutToReset();
    d->Rows.clear();
    d->Rows.shrink_to_fit();
    d->ColCount = 0;
    d->Names.clear();
    d->ClearEdit();
    d->Updatable = false;
    d->Table.clear();
    d->KeyColumns.clear();
    d->DeclaredTypes.clear();
    for (TLookup& lookup : d->Lookups)
        lookup.KeyIndex = -1;
    d->RebuildIndex();
    d->Cursor = -1;
    d->BofFlag = d->EofFlag = true;
    d->State = TDataSetState::Inactive;
    emit d->Notifier->Reset();
    d->NotifyCursor();
    d->FireStateChange();
}

// ---------------------------------------------------------------------------------------------
// Navigation

void TQuery::First() {
    d->CheckActive();
    d->CheckBrowseMode();
    d->BofFlag = true;
    d->EofFlag = d->Rows.empty();
    d->MoveTo(d->Rows.empty() ? -1 : 0);
}

void TQuery::Last() {
    d->CheckActive();
    d->CheckBrowseMode();
    d->EofFlag = true;
    d->BofFlag = d->Rows.empty();
    d->MoveTo(d->RowCount() - 1);
}

void TQuery::Next() {
    MoveBy(1);
}

void TQuery::Prior() {
    MoveBy(-1);
}

void TQuery::MoveBy(int distance) {
    d->CheckActive();
    d->CheckBrowseMode();
    if (distance == 0) return;
    if ((distance > 0 && d->EofFlag) || (distance < 0 && d->BofFlag)) return;
    d->BofFlag = d->EofFlag = false;
    if (d->Rows.empty()) {
        d->BofFlag = d->EofFlag = true;
        return;
    }
    qint64 target = qint64(d->Cursor) + distance;
    if (target > d->RowCount() - 1) {
        target = d->RowCount() - 1;
        d->EofFlag = true;
    } else if (target < 0) {
        target = 0;
        d->BofFlag = true;
    }
    if (target != d->Cursor) d->MoveTo(int(target));
}

void TQuery::SetRecNo(int recNo) {
    d->CheckActive();
    d->CheckBrowseMode();
    if (d->Rows.empty()) return;
    const int row = std::clamp(recNo, 1, d->RowCount()) - 1;
    if (row == d->Cursor) return;
    d->BofFlag = d->EofFlag = false;
    d->MoveTo(row);
}

int TQuery::RecNo() const {
    return Active() && !d->Rows.empty() ? d->Cursor + 1 : 0;
}

bool TQuery::Eof() const {
    return !Active() || d->EofFlag || d->Rows.empty();
}

bool TQuery::Bof() const {
    return !Active() || d->BofFlag || d->Rows.empty();
}

int TQuery::RecordCount() const {
    return Active() ? d->RowCount() : 0;
}

bool TQuery::IsEmpty() const {
    return RecordCount() == 0;
}

// ---------------------------------------------------------------------------------------------
// Editing

void TQuery::Append() {
    d->CheckActive();
    d->CheckCanModify();
    d->CheckBrowseMode();
    d->InsertReturn = d->Cursor;
    d->InsertBof = d->BofFlag;
    d->InsertEof = d->EofFlag;
    const int row = d->RowCount();
    emit d->Notifier->RowAboutToBeInserted(row);
    d->Rows.push_back(NewRow(d->ColCount));
    d->ClearEdit();
    d->Cursor = row;
    d->BofFlag = d->EofFlag = false;
    emit d->Notifier->RowInserted(row);
    d->NotifyCursor();
    d->SetState(TDataSetState::Insert);
    d->FireAfterScroll();
}

void TQuery::Edit() {
    d->CheckActive();
    if (d->Editing()) return;
    if (d->Rows.empty()) throw EDatabaseError(QStringLiteral("无法编辑：没有当前记录"));
    d->CheckCanModify();
    d->ClearEdit();
    d->OldRow = CopyRow(d->Rows[size_t(d->Cursor)].get(), d->ColCount);
    d->SetState(TDataSetState::Edit);
}

void TQuery::Post() {
    if (!d->Editing()) return;
    d->CheckConnection();
    QVariant* row = d->Rows[size_t(d->Cursor)].get();
    QSqlQuery query(d->Db);
    QString rereadCondition;
    QVariantList rereadValues;

    if (d->State == TDataSetState::Insert) {
        QStringList columns;
        QVariantList values;
        for (int c = 0; c < d->ColCount; ++c) {
            if (!d->Assigned[size_t(c)]) continue; // never assigned: left to the table (NULL)
            columns.append(QuoteName(d->Names[c]));
            values.append(row[c]);
        }
        QString sql = QStringLiteral("insert into ") + QuoteName(d->Table);
        if (columns.isEmpty())
            sql += QStringLiteral(" default values");
        else
            sql += QStringLiteral(" (") + columns.join(QStringLiteral(", ")) +
                   QStringLiteral(") values (") +
                   QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")) +
                   u')';
        d->ExecWrite(query, sql, values);
        const bool keyAssigned =
            std::all_of(d->KeyColumns.begin(), d->KeyColumns.end(),
                        [&](int c) { return d->Assigned[size_t(c)] && !row[c].isNull(); });
        if (keyAssigned) {
            rereadCondition = d->KeyCondition(row, rereadValues);
        } else {
            rereadCondition = QStringLiteral("rowid = ?");
            rereadValues.append(query.lastInsertId());
        }
    } else {
        QStringList sets;
        QVariantList values;
        for (int c = 0; c < d->ColCount; ++c) {
            if (!d->Assigned[size_t(c)] || SameValue(row[c], d->OldRow[c])) continue;
            sets.append(QuoteName(d->Names[c]) + QStringLiteral(" = ?"));
            values.append(row[c]);
        }
        if (!sets.isEmpty()) {
            // Keyed on the key the row had when it was read, so a changed key is written too.
            const QString where = d->KeyCondition(d->OldRow.get(), values);
            d->ExecWrite(query,
                         QStringLiteral("update ") + QuoteName(d->Table) + QStringLiteral(" set ") +
                             sets.join(QStringLiteral(", ")) + QStringLiteral(" where ") + where,
                         values);
            if (query.numRowsAffected() == 0)
                throw EDatabaseError(QStringLiteral("找不到要更新的记录，它可能已被删除"));
            rereadCondition = d->KeyCondition(row, rereadValues);
        }
    }
    if (!rereadCondition.isEmpty()) d->Reread(rereadCondition, rereadValues);

    d->ClearEdit();
    emit d->Notifier->RowChanged(d->Cursor);
    d->SetState(TDataSetState::Browse);
}

void TQuery::Cancel() {
    if (d->State == TDataSetState::Edit) {
        QVariant* row = d->Rows[size_t(d->Cursor)].get();
        std::copy(d->OldRow.get(), d->OldRow.get() + d->ColCount, row);
        d->ClearEdit();
        emit d->Notifier->RowChanged(d->Cursor);
        d->SetState(TDataSetState::Browse);
        d->FireAfterScroll();
    } else if (d->State == TDataSetState::Insert) {
        const int removed = d->Cursor;
        emit d->Notifier->RowAboutToBeRemoved(removed);
        d->Rows.erase(d->Rows.begin() + removed);
        d->ClearEdit();
        d->Cursor = d->Rows.empty() ? -1 : std::clamp(d->InsertReturn, 0, d->RowCount() - 1);
        d->BofFlag = d->InsertBof;
        d->EofFlag = d->InsertEof;
        emit d->Notifier->RowRemoved(removed);
        d->NotifyCursor();
        d->SetState(TDataSetState::Browse);
        d->FireAfterScroll();
    }
}

void TQuery::Delete() {
    d->CheckActive();
    if (d->State == TDataSetState::Insert) {
        Cancel();
        return;
    }
    if (d->Rows.empty()) throw EDatabaseError(QStringLiteral("无法删除：没有当前记录"));
    d->CheckCanModify();
    d->CheckConnection();
    const QVariant* keyRow =
        d->State == TDataSetState::Edit ? d->OldRow.get() : d->Rows[size_t(d->Cursor)].get();
    QVariantList values;
    const QString where = d->KeyCondition(keyRow, values);
    QSqlQuery query(d->Db);
    d->ExecWrite(query,
                 QStringLiteral("delete from ") + QuoteName(d->Table) + QStringLiteral(" where ") +
                     where,
                 values);

    const int removed = d->Cursor;
    emit d->Notifier->RowAboutToBeRemoved(removed);
    d->Rows.erase(d->Rows.begin() + removed);
    d->ClearEdit();
    if (d->Rows.empty()) {
        d->Cursor = -1;
        d->BofFlag = d->EofFlag = true;
    } else if (removed >= d->RowCount()) { // the last row went: the new last row, at the end
        d->Cursor = d->RowCount() - 1;
        d->BofFlag = false;
        d->EofFlag = true;
    } else {
        d->Cursor = removed;
        d->BofFlag = d->EofFlag = false;
    }
    emit d->Notifier->RowRemoved(removed);
    d->NotifyCursor();
    d->SetState(TDataSetState::Browse);
    d->FireAfterScroll();
}

// ---------------------------------------------------------------------------------------------
// Fields

int TQuery::FieldCount() const {
    return Active() ? d->ColCount + int(d->Lookups.size()) : 0;
}

QString TQuery::FieldNameAt(int index) const {
    if (index < 0 || index >= FieldCount()) return QString();
    return index < d->ColCount ? d->Names[index] : d->Lookups[size_t(index - d->ColCount)].Name;
}

int TQuery::FieldIndex(const QString& name) const {
    if (!Active()) return -1;
    return d->IndexByName.value(name.toLower(), -1);
}

TField TQuery::FieldByName(const QString& name) {
    const int index = FieldIndex(name);
    if (index < 0) {
        if (!Active())
            throw EDatabaseError(QStringLiteral("数据集没有打开，字段 %1 不存在").arg(name));
        throw EDatabaseError(QStringLiteral("字段 %1 不存在").arg(name));
    }
    return TField(this, index);
}

TField TQuery::Fields(int index) {
    if (index < 0 || index >= FieldCount())
        throw EDatabaseError(QStringLiteral("字段序号 %1 超出范围").arg(index));
    return TField(this, index);
}

QVariant TQuery::ValueAt(int row, int field) const {
    if (!Active() || row < 0 || row >= d->RowCount() || field < 0) return QVariant();
    if (field < d->ColCount) return d->Rows[size_t(row)][field];
    const size_t lookup = size_t(field - d->ColCount);
    if (lookup >= d->Lookups.size()) return QVariant();
    return d->LookupValue(d->Lookups[lookup], row);
}

void TQuery::AddLookupField(const QString& name, const QString& keyField, TQuery& source,
                            const QString& sourceKeyField, const QString& resultField) {
    if (!source.Active())
        throw EDatabaseError(QStringLiteral("查找字段 %1 的来源数据集没有打开").arg(name));
    const int sourceKey = source.FieldIndex(sourceKeyField);
    if (sourceKey < 0) throw EDatabaseError(QStringLiteral("字段 %1 不存在").arg(sourceKeyField));
    const int sourceResult = source.FieldIndex(resultField);
    if (sourceResult < 0) throw EDatabaseError(QStringLiteral("字段 %1 不存在").arg(resultField));
    if (Active()) {
        if (d->ColumnIndex(name) >= 0)
            throw EDatabaseError(QStringLiteral("字段 %1 已存在").arg(name));
        if (d->ColumnIndex(keyField) < 0)
            throw EDatabaseError(QStringLiteral("字段 %1 不存在").arg(keyField));
    }

    TLookup lookup;
    lookup.Name = name;
    lookup.KeyField = keyField;
    lookup.KeyIndex = Active() ? d->ColumnIndex(keyField) : -1;
    const int count = source.RecordCount();
    lookup.Values.reserve(count);
    for (int row = 0; row < count; ++row) {
        const QString key = KeyText(source.ValueAt(row, sourceKey));
        if (key.isEmpty() || lookup.Values.contains(key)) continue; // the first row of a key wins
        lookup.Values.insert(key, source.ValueAt(row, sourceResult));
    }

    if (Active()) emit d->Notifier->AboutToReset();
    auto same = std::find_if(d->Lookups.begin(), d->Lookups.end(), [&](const TLookup& l) {
        return l.Name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (same != d->Lookups.end())
        *same = std::move(lookup);
    else
        d->Lookups.push_back(std::move(lookup));
    d->RebuildIndex();
    if (Active()) emit d->Notifier->Reset();
}

TQueryNotifier* TQuery::Notifier() const {
    return d->Notifier.get();
}

// ---------------------------------------------------------------------------------------------
// TField

QString TField::FieldName() const {
    return FQuery->FieldNameAt(FIndex);
}

QVariant TField::Value() const {
    if (!FQuery->Active()) return QVariant();
    if (FIndex < 0 || FIndex >= FQuery->FieldCount())
        throw EDatabaseError(QStringLiteral("字段序号 %1 超出范围").arg(FIndex));
    return FQuery->ValueAt(FQuery->d->Cursor, FIndex);
}

bool TField::IsNull() const {
    return Value().isNull();
}

QString TField::AsString() const {
    const QVariant value = Value();
    if (value.isNull()) return QString();
    if (IsIntegral(value)) return QString::number(value.toLongLong());
    if (IsFloating(value)) return NumberText(value.toDouble());
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (value.typeId() == QMetaType::QByteArray) return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

qint64 TField::AsInteger() const {
    const QVariant value = Value();
    if (value.isNull()) return 0;
    if (IsIntegral(value)) return value.toLongLong();
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1 : 0;
    double number = 0;
    bool ok = false;
    if (IsFloating(value)) {
        number = value.toDouble();
        ok = true;
    } else {
        const QString text = value.toString().trimmed();
        const qint64 whole = text.toLongLong(&ok);
        if (ok) return whole;
        number = text.toDouble(&ok);
    }
    if (!ok || !std::isfinite(number) || std::fabs(number) >= 9.2e18)
        throw EDatabaseError(
            QStringLiteral("“%1”不是有效的整数值（字段 %2）").arg(value.toString(), FieldName()));
    return qRound64(number);
}

double TField::AsFloat() const {
    const QVariant value = Value();
    if (value.isNull()) return 0;
    if (IsNumber(value)) return value.toDouble();
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1 : 0;
    bool ok = false;
    const double number = value.toString().trimmed().toDouble(&ok);
    if (!ok)
        throw EDatabaseError(
            QStringLiteral("“%1”不是有效的数值（字段 %2）").arg(value.toString(), FieldName()));
    return number;
}

QDateTime TField::AsDateTime() const {
    const QVariant value = Value();
    if (value.isNull()) return QDateTime();
    if (IsNumber(value)) return DayNumber::ToDateTime(value.toDouble());
    if (value.typeId() == QMetaType::QDateTime) return value.toDateTime();
    if (value.typeId() == QMetaType::QDate) return QDateTime(value.toDate(), QTime(0, 0));
    const QString text = value.toString().trimmed();
    if (text.isEmpty()) return QDateTime();
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (ok) return DayNumber::ToDateTime(number);
    const QDateTime moment = ParseDateTime(text);
    if (!moment.isValid())
        throw EDatabaseError(
            QStringLiteral("“%1”不是有效的日期（字段 %2）").arg(text, FieldName()));
    return moment;
}

void TField::SetValue(const QVariant& value) {
    TQuery::TImpl& d = *FQuery->d;
    d.CheckActive();
    if (FIndex < 0 || FIndex >= FQuery->FieldCount())
        throw EDatabaseError(QStringLiteral("字段序号 %1 超出范围").arg(FIndex));
    if (FIndex >= d.ColCount)
        throw EDatabaseError(QStringLiteral("字段 %1 是查找字段，不能修改").arg(FieldName()));
    if (!d.Editing())
        throw EDatabaseError(
            QStringLiteral("数据集不在编辑或插入状态，不能修改字段 %1").arg(FieldName()));

    QVariant stored = value;
    if (value.isNull()) {
        stored = QVariant();
    } else if (value.typeId() == QMetaType::QDateTime) {
        stored = DayNumberValue(DayNumber::FromDateTime(value.toDateTime()));
    } else if (value.typeId() == QMetaType::QDate) {
        stored = DayNumberValue(DayNumber::FromDate(value.toDate()));
    } else if (value.typeId() == QMetaType::QString && FIndex < d.DeclaredTypes.size() &&
               IsDateTimeType(d.DeclaredTypes[FIndex])) {
        // Date text for a date-time column is stored as its day number, as the column holds.
        const QString text = value.toString().trimmed();
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (text.isEmpty()) {
            stored = QVariant();
        } else if (ok) {
            stored = DayNumberValue(number);
        } else {
            const QDateTime moment = ParseDateTime(text);
            if (!moment.isValid())
                throw EDatabaseError(
                    QStringLiteral("“%1”不是有效的日期（字段 %2）").arg(text, FieldName()));
            stored = DayNumberValue(DayNumber::FromDateTime(moment));
        }
    }
    d.Rows[size_t(d.Cursor)][FIndex] = stored;
    d.Assigned[size_t(FIndex)] = true;
    d.ModifiedFlag = true;
    emit d.Notifier->RowChanged(d.Cursor);
}

void TField::SetAsString(const QString& value) {
    SetValue(QVariant(value));
}

void TField::SetAsInteger(qint64 value) {
    SetValue(QVariant(value));
}

void TField::SetAsFloat(double value) {
    SetValue(QVariant(value));
}

void TField::SetAsDateTime(const QDateTime& value) {
    if (!value.isValid()) {
        Clear();
        return;
    }
    SetValue(DayNumberValue(DayNumber::FromDateTime(value)));
}

void TField::Clear() {
    SetValue(QVariant());
}
