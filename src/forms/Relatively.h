#pragma once

#include "forms/base/FormBase.h"

#include <QPointer>

class TImage;
class TLinkLabel;

// The related-tools page: links to the finance diary, the system's calculator, the income-tax
// calculator page and the import of payment bills and the export of the book, over a stretched background picture. It
// keeps no data; the import works on the ledger through the importer.
class TfrmRelatively : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmRelatively(QWidget* parent = nullptr);

    TImage* Image1;
    TLinkLabel* Label1; // "理财日志"
    TLinkLabel* Label2; // "理财计算器"
    TLinkLabel* Label3; // "个人所得税计算"
    TLinkLabel* Label4; // "导入账单"
    TLinkLabel* Label5; // "导出账本"

    // Opens the diary on top of this page in the host panel.
    void Label1Click();
    // Starts the system's calculator.
    void Label2Click();
    // Opens the income-tax calculator page in the web browser.
    void Label3Click();
    // Imports an Alipay or WeChat Pay bill into the logged-in member's records.
    void Label4Click();
    // Exports the logged-in member's whole book to a CSV file the import reads back.
    void Label5Click();

    // The income-tax calculator page installed beside the program.
    static QString TaxPagePath();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> FHost; // the panel the diary fills
};

extern QPointer<TfrmRelatively> frmRelatively;
