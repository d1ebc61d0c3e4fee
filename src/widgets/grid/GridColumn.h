#pragma once

#include <QString>
#include <Qt>

// How a grid column shows its field's value.
enum class TColumnFormat {
    Text,     // the value as text
    Integer,  // a whole number
    Currency, // "￥1,766.00", "-￥1,234.00" (widgets/Currency.h)
    Date,     // a day number as "2026-12-07"
};

// What a column's cell in the footer strip (and in the group rows of a grid with summary groups)
// shows.
enum class TFooterKind {
    None,
    Sum, // the sum of the column's non-empty values, in the currency format
};

// One column of a grid: which field of the query it shows, and how.
struct TGridColumn {
    QString Name;    // the component name, e.g. "dbgPersonPersonName"
    QString Field;   // the query's field (case-insensitive, lookup fields included)
    QString Caption; // the header text
    bool Visible = true;
    Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;       // of the cells
    Qt::Alignment HeaderAlignment = Qt::AlignLeft | Qt::AlignVCenter; // of the header text
    TColumnFormat Format = TColumnFormat::Text;
    TFooterKind Footer = TFooterKind::None;
    int Width = 0; // pixels; 0 leaves the width to the header's default
};
