#pragma once

#include <QString>

class QPushButton;
class QWidget;

// A button of a form's button bar: named for the tests, never pressed by Enter in a field.
QPushButton* BarButton(const QString& name, const QString& text, QWidget* parent);
