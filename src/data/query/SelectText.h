#pragma once

#include <QString>

// Reading the text of a SELECT statement, as far as the updatable query needs it.
namespace SelectText {

// The table of a plain "select * from T ..." statement; empty, with the reason in *reason,
// for anything else: a column list, a join, a union, a sub-select, a group by, an alias,
// several statements. String literals, quoted names and comments are skipped, so a value
// 'union' in a condition changes nothing.
QString PlainTable(const QString& sql, QString* reason = nullptr);

} // namespace SelectText
