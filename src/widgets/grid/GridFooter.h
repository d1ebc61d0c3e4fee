#pragma once

#include <QColor>
#include <QWidget>

class QTreeView;
class TGridModel;

// The thin strip under a grid's rows with its footer sums. Its cells follow the columns'
// positions and widths as the user resizes, moves and scrolls them. It paints the texts the model
// keeps, so painting never walks the rows.
class TGridFooter : public QWidget {
    Q_OBJECT

public:
    TGridFooter(QTreeView* view, TGridModel* model, QWidget* parent = nullptr);

    void SetColor(const QColor& color);
    QColor Color() const { return FColor; }
    // The cell of a model column as painted, in the strip's coordinates (empty when hidden).
    QRect CellRect(int column) const;
    // The text of a model column's cell ("" without a footer).
    QString CellText(int column) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateAccessibleText();

    QTreeView* FView;
    TGridModel* FModel;
    QColor FColor;
};
