#include "platform/Fonts.h"

#include <QFontDatabase>

QStringList SongFamilyCandidates() {
    return {QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"),
            QStringLiteral("WenQuanYi Zen Hei")};
}

static QStringList InstalledSongFamilies() {
    const QStringList installed = QFontDatabase::families();
    QStringList found;
    for (const QString& candidate : SongFamilyCandidates()) {
        for (const QString& family : installed) {
            // Families may carry a foundry suffix ("Noto Serif CJK SC [GOOG]").
            if (family.compare(candidate, Qt::CaseInsensitive) == 0 ||
                family.startsWith(candidate + QLatin1String(" ["), Qt::CaseInsensitive)) {
                found << candidate;
                break;
            }
        }
    }
    return found;
}

QString InstalledSongFamily() {
    const QStringList found = InstalledSongFamilies();
    return found.isEmpty() ? QString() : found.first();
}

void InstallFontSubstitutions() {
    const QStringList found = InstalledSongFamilies();
    if (found.isEmpty()) return;
    for (const QString& name : {QStringLiteral("宋体"), QStringLiteral("SimSun")}) {
        QFont::removeSubstitutions(name);
        QFont::insertSubstitutions(name, found);
    }
}

QFont SongFont(int pixelSize) {
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::Serif);
    return font;
}
