#pragma once

#include <QSet>
#include <QString>

// One copy of each text the rows repeat (categories, counterparts, methods, statuses), so a
// bill of many rows holds each of them once.
class TStringPool {
public:
    QString operator()(const QString& text);

private:
    QSet<QString> FTexts;
};
