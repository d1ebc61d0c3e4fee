#include "forms/base/Skin.h"

#include "settings/BigIni.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

namespace {

QString ReadResource(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The face colour from the skin description, an INI file with a "Colours" section.
QColor ReadFaceColor(const QString& path) {
    TBigIniFile description(path);
    return QColor(QString::fromUtf8(description.ReadString("Colours", "ButtonFace", "")));
}

// The kinds of control the skin draws.
bool IsSkinnedKind(const QWidget* w) {
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QProgressBar*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QGroupBox*>(w) ||
           qobject_cast<const QStatusBar*>(w) || qobject_cast<const QTabWidget*>(w) ||
           qobject_cast<const QTabBar*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QFrame*>(w);
}

} // namespace

TSkinData::TSkinData() {
    FStyleSheet = ReadResource(QStringLiteral(":/skin/skin.qss"));
    FFaceColor = ReadFaceColor(QStringLiteral(":/skin/skin.ini"));
    if (!FFaceColor.isValid()) FFaceColor = QApplication::palette().color(QPalette::Button);
}

void TSkinData::ApplyTo(QWidget* window) {
    if (!FActive || !window) return;
    FWindow = window;
    window->setStyleSheet(FStyleSheet); // cascades to every form placed in the window
    SkinControls(window);
}

void TSkinData::AddNestedForm(QWidget* form) {
    if (!FActive || !form) return;
    // A form embedded in the window inherits its style sheet; a dialog is a window of its own.
    if (form->isWindow()) form->setStyleSheet(FStyleSheet);
    SkinControls(form);
}

void TSkinData::SkinControls(QWidget* form) {
    if (!OnSkinControl) return;
    const auto controls = form->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (control->property("tag").toInt() == ExemptTag) continue;
        if (!IsSkinnedKind(control)) continue;
        OnSkinControl(control, QString::fromLatin1(control->metaObject()->className()), form);
    }
}
