#include "data/ComboPub.h"

#include "data/CommonDB.h"
#include "data/query/Query.h"
#include "data/TextRules.h"

#include <QComboBox>
#include <QSignalBlocker>

TComboPub* ComboPub = nullptr;

void TComboPub::FillCombo(const QString& sql, TQuery& query, const QString& displayColumn,
                          QComboBox* combo, const QString& idColumn, QStringList* ids) {
    Fill(sql, query, displayColumn, combo, idColumn, ids, false);
}

void TComboPub::FillComboWithNone(const QString& sql, TQuery& query, const QString& displayColumn,
                                  QComboBox* combo, const QString& idColumn, QStringList* ids) {
    Fill(sql, query, displayColumn, combo, idColumn, ids, true);
}

void TComboPub::Fill(const QString& sql, TQuery& query, const QString& displayColumn,
                     QComboBox* combo, const QString& idColumn, QStringList* ids, bool withNone) {
    TCommonDB::OpenSQL(sql, query); // throws before anything is cleared
    // Filling is not a choice of the user's: no signal of the drop-down fires, and no entry is
    // selected afterwards (a drop-down selects its first entry when the first one is added).
    const QSignalBlocker silence(combo);
    combo->clear();
    if (withNone) combo->addItem(QStringLiteral("无"));
    const bool withIds = !Trimmed(idColumn).isEmpty();
    QStringList found;
    for (query.First(); !query.Eof(); query.Next()) {
        const QString text = query.FieldByName(displayColumn).AsString();
        if (Trimmed(text).isEmpty()) continue;
        combo->addItem(text);
        if (withIds) found.append(query.FieldByName(idColumn).AsString());
    }
    if (ids) *ids = found;
    combo->setCurrentIndex(-1);
}
