#pragma once

#include <QString>

// Writes a synthetic Alipay bill (the app's CSV layout, GBK, with its preamble) of the given
// number of rows, for the benchmarks: payments of a few dozen made-up shops with repeating
// categories and methods, some income, neutral transfers, closed payments and refunds of the
// payment before them (its order number with "_1"); unique order numbers; the same file for the
// same count.
void WriteAlipayBill(const QString& path, int rows);
