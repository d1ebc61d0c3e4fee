#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <functional>

class QWidget;

// The program's skin: a style sheet and a face colour, compiled into the program. It draws the
// host panel and every form registered with it as nested in the host panel; other windows keep
// the system's look.
class TSkinData {
public:
    TSkinData();

    bool Active() const { return FActive; }
    void SetActive(bool active) { FActive = active; }

    // The skin's "ButtonFace" colour of its "Colours" section, or the system's button face.
    QColor FaceColor() const { return FFaceColor; }
    const QString& StyleSheet() const { return FStyleSheet; }

    // Draws the host panel's window with the skin.
    void ApplyTo(QWidget* window);
    // Registers a form nested in the skinned window: the skin reaches its controls and runs
    // OnSkinControl for each (except those tagged ExemptTag).
    void AddNestedForm(QWidget* form);

    // Run for every control the skin reaches: the control, its class name, its form.
    std::function<void(QWidget* control, const QString& className, QWidget* form)> OnSkinControl;

    // Controls whose "tag" property holds this value are left unskinned.
    static constexpr int ExemptTag = 99;

private:
    void SkinControls(QWidget* form);

    bool FActive = false;
    QColor FFaceColor;
    QString FStyleSheet;
    QPointer<QWidget> FWindow;
};
