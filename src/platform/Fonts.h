#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// The program's typeface is "宋体" (SimSun), which Linux does not ship. These helpers map that
// name onto a Song-style CJK font that is installed, so every form keeps the serif look of the
// Chinese text instead of falling back to whatever sans face Qt would choose.

// The CJK families that may stand in for "宋体", in order of preference.
QStringList SongFamilyCandidates();

// The first candidate that is installed, or an empty string when none is.
QString InstalledSongFamily();

// Makes "宋体" and "SimSun" resolve to the installed candidates (best first). Needs a
// QGuiApplication; safe to call more than once.
void InstallFontSubstitutions();

// The program's font: "宋体" at the given pixel size.
QFont SongFont(int pixelSize = 12);
