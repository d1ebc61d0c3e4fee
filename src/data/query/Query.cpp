#include "data/query/Query.h"

#include "data/engine/ServerConnection.h"
#include "data/engine/WriteTransaction.h"
#include "data/query/DayNumber.h"
#include "data/query/FieldValue.h"
#include "data/query/QueryNotifier.h"
#include "data/query/QueryWriter.h"
#include "data/query/StatementReader.h"
#include "platform/Exception.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <type_traits>

using namespace FieldValue;

namespace {

TRow NewRow(int columns) {
    return TRow(new QVariant[std::max(columns, 1)]);
}

TRow CopyRow(const QVariant* source, int columns) {
    TRow row = NewRow(columns);
    std::copy(source, source + columns, row.get());
    return row;
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

    // Where writes go, for a one-table "select *", and which columns hold dates.
    TQueryWriter Writer;
    std::vector<bool> DateTimeColumns;

    // The pending edit.
    TRow OldRow;                // the row as it was at Edit
    std::vector<bool> Assigned; // columns set since Edit or Append
    bool ModifiedFlag = false;
    int InsertReturn = -1; // the row that was current before Append
    bool InsertBof = true;
    bool InsertEof = true;

    std::vector<TLookup> Lookups;
    TNewKeyRule KeyRule;
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
    void CheckConnection() {
        if (!Db.isValid()) throw EDatabaseError(QStringLiteral("数据库连接无效"));
        if (!Db.isOpen() && TQuery::Reconnect) TQuery::Reconnect(Db);
        if (!Db.isOpen())
            throw EDatabaseError(QStringLiteral("数据库连接没有打开：") +
                                 (Db.lastError().isValid() ? TQueryWriter::ErrorText(Db.lastError())
                                                           : Db.databaseName()));
    }
    void CheckCanModify() const {
        if (!Writer.Updatable())
            throw EDatabaseError(QStringLiteral("数据集不能修改：") + Writer.Reason());
    }
    // Before a move or a new row: post a pending change, or drop an untouched one.
    void CheckBrowseMode() {
        if (!Editing()) return;
        if (ModifiedFlag)
            Q->Post();
        else
            Q->Cancel();
    }

    // Runs a statement of the query. A connection it finds broken is closed, so that the next
    // statement opens it again, and the failure says so; a write then has written nothing (each
    // is one statement, or one transaction that the server rolls back).
    template <class TStep> auto OnConnection(bool writing, TStep&& step) -> decltype(step()) {
        try {
            if constexpr (std::is_void_v<decltype(step())>) {
                step();
                CloseIfLost();
            } else {
                auto result = step();
                CloseIfLost();
                return result;
            }
        } catch (const ERecordChanged&) {
            throw;
        } catch (const EDatabaseError& error) {
            if (!ConnectionLost(Db)) throw;
            Db.close();
            // libpq's text runs over several lines with hints for administrators; its first
            // line says what happened.
            const QString cause = error.Message.section(u'\n', 0, 0).simplified();
            throw EDatabaseError(
                (writing ? QStringLiteral("与账本服务器的连接断开了，这次保存没有完成，"
                                          "账本中没有写入任何内容。")
                         : QStringLiteral("与账本服务器的连接断开了。")) +
                QStringLiteral("下一次操作时程序会重新连接。") +
                (cause.isEmpty() ? QString() : QStringLiteral("（%1）").arg(cause)));
        }
    }
    void CloseIfLost() {
        if (ConnectionLost(Db)) Db.close();
    }

    // Writes the appended row, taking its key by the query's rule when the caller set none.
    QString InsertRow(QVariant* row) {
        const int key = KeyRule.Next ? ColumnIndex(KeyRule.Field) : -1;
        if (key < 0 || Assigned[size_t(key)]) return Writer.Insert(row, Assigned);
        const QVariant before = row[key];
        try {
            TWriteTransaction transaction(Db);
            transaction.Lock(KeyRule.Tables);
            row[key] = QVariant(KeyRule.Next(Db));
            Assigned[size_t(key)] = true;
            const QString rereadError = Writer.Insert(row, Assigned);
            transaction.Commit();
            return rereadError;
        } catch (...) {
            row[key] = before;
            Assigned[size_t(key)] = false;
            throw;
        }
    }

    // Drops the current row from memory (deleted), making the following one current.
    void RemoveCurrentRow() {
        const int removed = Cursor;
        emit Notifier->RowAboutToBeRemoved(removed);
        Rows.erase(Rows.begin() + removed);
        ClearEdit();
        if (Rows.empty()) {
            Cursor = -1;
            BofFlag = EofFlag = true;
        } else if (removed >= RowCount()) { // the last row went: the new last row, at the end
            Cursor = RowCount() - 1;
            BofFlag = false;
            EofFlag = true;
        } else {
            Cursor = removed;
            BofFlag = EofFlag = false;
        }
        emit Notifier->RowRemoved(removed);
        NotifyCursor();
        SetState(TDataSetState::Browse);
        FireAfterScroll();
    }

    // Shows the current row as the table holds it after another program's change.
    void ShowChangedRow(const ERecordChanged& changed) {
        if (changed.Deleted) {
            RemoveCurrentRow();
            return;
        }
        QVariant* row = Rows[size_t(Cursor)].get();
        for (int c = 0; c < ColCount && size_t(c) < changed.Current.size(); ++c)
            row[c] = changed.Current[size_t(c)];
        ClearEdit();
        emit Notifier->RowChanged(Cursor);
        SetState(TDataSetState::Browse);
        FireAfterScroll();
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
};

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
    return Active() && d->Writer.Updatable();
}

bool TQuery::Modified() const {
    return d->Editing() && d->ModifiedFlag;
}

void TQuery::Open() {
    if (Active()) return;
    d->CheckConnection();
    const QString sql = SQL.join(u'\n');
    if (sql.trimmed().isEmpty()) throw EDatabaseError(QStringLiteral("没有要执行的查询语句"));

    TStatementRows read = d->OnConnection(false, [&] {
        TStatementRows rows = StatementReader::Read(d->Db, sql);
        d->Writer.Prepare(d->Db, sql, rows.Names);
        return rows;
    });

    emit d->Notifier->AboutToReset();
    d->ColCount = read.Columns;
    d->Names = std::move(read.Names);
    d->Rows = std::move(read.Rows);
    d->DateTimeColumns = std::move(read.DateTimeColumns);
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
    d->Writer.Clear();
    d->DateTimeColumns.clear();
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
    // Throws when the write fails: state and values stay as they are. A row changed elsewhere
    // shows as it is now.
    QString rereadError;
    try {
        rereadError = d->OnConnection(true, [&] {
            return d->State == TDataSetState::Insert
                       ? d->InsertRow(row)
                       : d->Writer.Update(row, d->OldRow.get(), d->Assigned);
        });
    } catch (const ERecordChanged& changed) {
        d->ShowChangedRow(changed);
        throw;
    }
    d->ClearEdit();
    emit d->Notifier->RowChanged(d->Cursor);
    d->SetState(TDataSetState::Browse);
    // The row is written, so the post is done; but what the table made of it is not known.
    if (!rereadError.isEmpty())
        throw EDatabaseError(
            QStringLiteral("记录已保存到表 %1，但保存后无法读回：%2。显示的可能不是表中的值，"
                           "请重新打开查询核对。")
                .arg(d->Writer.Table(), rereadError));
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
    try {
        d->OnConnection(true, [&] {
            d->Writer.Delete(d->State == TDataSetState::Edit ? d->OldRow.get()
                                                             : d->Rows[size_t(d->Cursor)].get());
        });
    } catch (const ERecordChanged& changed) {
        d->ShowChangedRow(changed);
        throw;
    }
    d->RemoveCurrentRow();
}

void TQuery::SetNewKeyRule(TNewKeyRule rule) {
    d->KeyRule = std::move(rule);
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
    return FieldValue::AsString(Value());
}

qint64 TField::AsInteger() const {
    return FieldValue::AsInteger(Value(), FieldName());
}

double TField::AsFloat() const {
    return FieldValue::AsFloat(Value(), FieldName());
}

QDateTime TField::AsDateTime() const {
    return FieldValue::AsDateTime(Value(), FieldName());
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

    const bool dateTimeColumn =
        size_t(FIndex) < d.DateTimeColumns.size() && d.DateTimeColumns[size_t(FIndex)];
    const QVariant stored = Stored(value, dateTimeColumn, FieldName());
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
