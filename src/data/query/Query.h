#pragma once

#include "data/query/RecordChanged.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class TQuery;
class TQueryNotifier;

// How a query takes the key of a row it appends: Next reads the ledger and gives the key, and
// Tables are the tables it reads. The query runs it at Post, in the short transaction that
// writes the row, with those tables locked against other programs (TWriteTransaction), so two
// programs saving at once never take the same key. A key the caller set itself is kept.
struct TNewKeyRule {
    QString Field;
    QStringList Tables;
    std::function<qint64(QSqlDatabase&)> Next;
};

// The states of a query.
enum class TDataSetState { Inactive, Browse, Edit, Insert };

// One field of the current row: a light handle that reads and writes through its query.
class TField {
public:
    TField(TQuery* query, int index) : FQuery(query), FIndex(index) {}

    QString FieldName() const;
    bool IsNull() const;
    QVariant Value() const;
    QString AsString() const;     // NULL reads as ""
    qint64 AsInteger() const;     // NULL reads as 0; text is converted, failure throws
    double AsFloat() const;       // NULL reads as 0
    QDateTime AsDateTime() const; // a day number column read as a local date-time; NULL -> invalid

    void SetValue(const QVariant& value); // needs Edit or Insert state, else throws
    void SetAsString(const QString& value);
    void SetAsInteger(qint64 value);
    void SetAsFloat(double value);
    void SetAsDateTime(const QDateTime& value); // stored as its day number
    void Clear();                               // sets NULL

private:
    TQuery* FQuery;
    int FIndex;
};

// Runs one SELECT on a connection and holds all its rows in memory with a cursor, like a
// static-cursor data set. For a plain "select * from T [where ...] [order by ...]" over one
// table it is updatable (see TQueryWriter): Post writes at once with the driver's parameterised
// INSERT/UPDATE/DELETE keyed on T's primary key. Models follow it through Notifier().
class TQuery {
public:
    explicit TQuery(QSqlDatabase connection = QSqlDatabase::database());
    ~TQuery();
    TQuery(const TQuery&) = delete;
    TQuery& operator=(const TQuery&) = delete;

    // The statement (the old component's SQL text list, joined by newlines).
    QStringList SQL;

    // Open runs SQL; on failure it throws EDatabaseError and stays closed. Opening an open query
    // does nothing (close it first to run a new statement). Close drops a pending change without
    // writing it.
    void Open();  // runs SQL; on failure throws EDatabaseError and stays closed
    void Close(); // a no-op when closed
    bool Active() const;
    TDataSetState State() const;
    bool CanModify() const; // open on a one-table "select * from T ..." whose T has a primary key
    bool Modified() const;  // a field was set since Edit or Append

    // Navigation. Moving while in Edit or Insert state posts first (a row with no field set is
    // cancelled instead, as the old component did); if that post throws, the cursor stays.
    // Next at the last row sets Eof and stays there; Prior at the first row sets Bof. First and
    // Last always fire AfterScroll; Next, Prior, MoveBy and SetRecNo only when they reach another
    // row. SetRecNo clamps to the existing rows. On a closed query the moves throw.
    void First();
    void Next();
    void Prior();
    void Last();
    void MoveBy(int distance);
    void SetRecNo(int recNo); // 1-based, as RecNo
    int RecNo() const;        // 1-based; 0 when empty
    bool Eof() const;
    bool Bof() const;
    int RecordCount() const;
    bool IsEmpty() const;

    // Editing. Append, Edit and Delete throw on a query that cannot be written (CanModify).
    // Post sends only the columns set since Append (the rest stay as the table leaves them) or
    // those changed since Edit, keyed on the key the row was read with, then reads the row back
    // from the table; it fires OnStateChange but no AfterScroll. Cancel fires OnStateChange and
    // AfterScroll, in Edit as in Insert state. Delete in Insert state cancels; otherwise the
    // following row becomes current, or the new last row with Eof set.
    void Append(); // adds an empty row at the end, makes it current, state Insert
    void Edit();   // state Edit on the current row; throws on an empty query
    // Post writes the row; on failure throws with the engine's text, state and values kept. When
    // the row was written but cannot be read back, the post is done (Browse state, the values
    // as sent) and it throws saying so. An edit of a row that another program changed or
    // deleted since it was read writes nothing: the row shows what the table holds now (or is
    // dropped), state Browse, AfterScroll fires, and Post throws ERecordChanged saying so.
    void Post();
    void Cancel(); // drops the changes (and the appended row)
    // Deletes the current row in the table and in memory; throws when empty. A row another
    // program changed since it was read is not deleted: it shows as it is now, AfterScroll
    // fires, and Delete throws ERecordChanged. One deleted already just leaves the list.
    void Delete();

    // The rule that gives an appended row its key at Post (see TNewKeyRule); none by default.
    void SetNewKeyRule(TNewKeyRule rule);

    // A connection found broken by a statement (a server gone, see ConnectionLost) is closed,
    // and the statement fails saying so; the next one finds it closed and calls Reconnect, which
    // opens it again (the data module sets it for the ledger's connection) or throws.
    static inline std::function<void(QSqlDatabase&)> Reconnect;

    // Fields. Setting a QDateTime or QDate value stores its day number, and date text set on a
    // column declared as a date or time is stored as its day number too.
    int FieldCount() const;
    QString FieldNameAt(int index) const;
    int FieldIndex(const QString& name) const; // case-insensitive; -1 when absent
    TField FieldByName(const QString& name);   // throws when absent
    TField Fields(int index);
    QVariant ValueAt(int row, int field) const; // 0-based row, for grid models

    // A lookup field: its value in each row is ResultField of the row of Source whose KeyField
    // equals this row's KeyField. Source is read when the field is added (and again only when
    // the field is added anew). Survives Close/Open.
    void AddLookupField(const QString& name, const QString& keyField, TQuery& source,
                        const QString& sourceKeyField, const QString& resultField);

    // Events, as the old component's: after every move to another row (including the row
    // Append adds and the row that is current after Delete or Cancel, and after Open), and
    // whenever State changes.
    std::function<void(TQuery&)> AfterScroll;
    std::function<void(TQuery&)> OnStateChange;

    // Change notifications for models: two-phase, see TQueryNotifier. Owned by the query and
    // destroyed with it (first, while the rows can still be read); connect with a context object.
    TQueryNotifier* Notifier() const;

private:
    friend class TField;
    struct TImpl;
    std::unique_ptr<TImpl> d;
};
