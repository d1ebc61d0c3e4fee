#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class TQuery;

// Fills drop-down lists from a statement, and holds the logged-in member for the whole run.
class TComboPub {
public:
    // Runs the statement on the query and lists the display column's non-blank values in the
    // drop-down, in the order the rows arrive, with nothing selected (index -1), firing none of
    // the drop-down's signals. With an id column, ids
    // receives the matching ids (entry k belongs to drop-down entry k); a blank id column name
    // empties ids. When the statement fails, the drop-down and ids keep what they held.
    void FillCombo(const QString& sql, TQuery& query, const QString& displayColumn,
                   QComboBox* combo, const QString& idColumn, QStringList* ids);
    // The same with the entry "无" first; ids has no entry for it.
    void FillComboWithNone(const QString& sql, TQuery& query, const QString& displayColumn,
                           QComboBox* combo, const QString& idColumn, QStringList* ids);

    QString CurPersonName; // the logged-in member's name
    QString CurPersonID;   // the logged-in member's id, as decimal text

private:
    void Fill(const QString& sql, TQuery& query, const QString& displayColumn, QComboBox* combo,
              const QString& idColumn, QStringList* ids, bool withNone);
};

extern TComboPub* ComboPub;
