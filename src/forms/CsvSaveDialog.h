#pragma once

#include <QString>

class QWidget;

// Asks where to save a CSV file: the save dialog, in the user's home folder with the proposed
// name; the chosen path ending in .csv, or empty when the user cancelled.
namespace CsvSaveDialog {

QString Ask(QWidget* parent, const QString& title, const QString& proposedName);

} // namespace CsvSaveDialog
