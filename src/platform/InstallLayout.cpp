#include "platform/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// The data folder seen from the bin folder, as the build configured the installation
// (GNUInstallDirs: "../share/pennyvale").
#ifndef PENNYVALE_DATA_FROM_BIN
#define PENNYVALE_DATA_FROM_BIN "../share/pennyvale"
#endif

QString InstallLayout::DataFolderOf(const QString& programFolder) {
    if (programFolder.isEmpty()) return {};
    const QString folder =
        QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral(PENNYVALE_DATA_FROM_BIN)));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString InstallLayout::DataFolder() {
    return DataFolderOf(QCoreApplication::applicationDirPath());
}

bool InstallLayout::RunsInstalled() {
    return !DataFolder().isEmpty();
}
