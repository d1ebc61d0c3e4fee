#include "forms/CsvSaveDialog.h"

#include <QDir>
#include <QFileDialog>

namespace CsvSaveDialog {

QString Ask(QWidget* parent, const QString& title, const QString& proposedName) {
    QString path = QFileDialog::getSaveFileName(parent, title, QDir::home().filePath(proposedName),
                                                QStringLiteral("CSV 文件 (*.csv)"));
    if (!path.isEmpty() && !path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        path += QStringLiteral(".csv");
    return path;
}

} // namespace CsvSaveDialog
