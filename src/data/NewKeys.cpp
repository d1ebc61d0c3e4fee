#include "data/NewKeys.h"

#include "platform/Exception.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

// 1 + the highest of the keys the statement's columns give (0 each when empty).
qint64 OneAbove(QSqlDatabase& connection, const QString& highest) {
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select coalesce(max(Id), 0) from (") + highest +
                    QStringLiteral(") as Used")) ||
        !query.next())
        throw EDatabaseError(query.lastError().databaseText().trimmed().isEmpty()
                                 ? query.lastError().text()
                                 : query.lastError().databaseText());
    return query.value(0).toLongLong() + 1;
}

} // namespace

namespace NewKeys {

qint64 PayoutID(QSqlDatabase& connection) {
    return OneAbove(connection, QStringLiteral("select max(PayoutID) as Id from fPayout union all "
                                               "select max(PayoutID) from fBillImport"));
}

qint64 ItemProjectID(QSqlDatabase& connection) {
    return OneAbove(connection,
                    QStringLiteral("select max(ItemProjectID) as Id from bItemProject union all "
                                   "select max(ItemProjectID) from fPayout"));
}

qint64 PersonID(QSqlDatabase& connection) {
    return OneAbove(connection, QStringLiteral("select max(PersonID) as Id from bPerson union all "
                                               "select max(PersonID) from fDiary"));
}

qint64 DiaryID(QSqlDatabase& connection) {
    return OneAbove(connection, QStringLiteral("select max(DiaryID) as Id from fDiary"));
}

TNewKeyRule Payout() {
    return {QStringLiteral("PayoutID"), {QStringLiteral("fPayout"), QStringLiteral("fBillImport")},
            PayoutID};
}

TNewKeyRule ItemProject() {
    return {QStringLiteral("ItemProjectID"),
            {QStringLiteral("bItemProject"), QStringLiteral("fPayout")},
            ItemProjectID};
}

TNewKeyRule Person() {
    return {QStringLiteral("PersonID"), {QStringLiteral("bPerson"), QStringLiteral("fDiary")},
            PersonID};
}

TNewKeyRule Diary() {
    return {QStringLiteral("DiaryID"), {QStringLiteral("fDiary")}, DiaryID};
}

} // namespace NewKeys
