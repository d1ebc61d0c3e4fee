#pragma once

#include <QString>

// Where the program's files are. In the build tree everything sits beside the program (build/bin:
// the program, the help file, the tax page). An installation (`cmake --install`, the Debian
// package) follows the GNU layout: the program in bin/, its files in share/pennyvale beside it.
// The data folder is found relative to the program, so an installation works under any prefix.
namespace InstallLayout {

// The data folder of the installation that the bin folder programFolder belongs to, without a
// trailing separator; empty when there is none (the build tree, or a program copied elsewhere).
QString DataFolderOf(const QString& programFolder);

// The data folder of the running program's installation; empty when it runs from the build tree.
QString DataFolder();

// True when the running program belongs to an installation.
bool RunsInstalled();

} // namespace InstallLayout
