#pragma once

#include <QString>

// The synthetic payment bills under tests/fixtures/bills (alipay-new.csv, alipay-old.txt,
// wechat.csv, wechat.xlsx), written by its make.py; its README.md lists their rows and sums.
namespace BillFixture {
QString Path(const QString& name);
} // namespace BillFixture
