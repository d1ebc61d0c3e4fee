#pragma once

#include <QObject>

// The change notifications of one query, for models and views over it. The query owns its
// notifier and destroys it first when it goes, while its rows can still be read: a model
// connects to these signals with itself as the context object and to QObject::destroyed to
// let go of the query. Each "about to" signal comes while the store still holds the rows as
// they were, its partner once the change is made, so a QAbstractItemModel can call its
// begin/end pairs from the slots.
class TQueryNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
signals:
    void AboutToReset(); // before Open, Close, a lookup field added: every row changes
    void Reset();        // after it
    void RowAboutToBeInserted(int row); // before Append adds its row (0-based)
    void RowInserted(int row);
    void RowAboutToBeRemoved(int row); // before Delete or Cancel-of-insert removes a row
    void RowRemoved(int row);
    void RowChanged(int row);  // a row's values changed: field set, Post (once per post), Cancel of
                               // an edit, re-read
    void CursorMoved(int row); // the current row changed; -1 when there is none
};
