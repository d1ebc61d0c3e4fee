#pragma once

#include <QString>

class TDBGrid;

// What a grid of a statement shows, as a CSV file (output/CsvWriter.h): a header row of the
// visible columns' captions in the screen's order, the rows in the screen's order, and the footer
// row of the sums ("合计"). A grouped grid puts its grouping column (the kind) first, as the
// group rows show it. Amounts are plain numbers with two decimals, four where the stored value
// has them, signed as the grid shows them; dates yyyy-MM-dd.
namespace StatementCsv {

// Writes the file; returns the number of rows (without header and footer). Throws EInOutError
// when the file cannot be written (a file at path is then as it was).
int Write(const TDBGrid& grid, const QString& path);

// An amount as the statement's CSV writes it: "-1234.50", "12.3456".
QString AmountText(qint64 units);

} // namespace StatementCsv
