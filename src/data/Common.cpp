#include "data/Common.h"

#include "platform/Exception.h"
#include "platform/GbkCodec.h"
#include "platform/InstallLayout.h"
#include "platform/MessagePresenter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

TCommon* Common = nullptr;
quint16 CurYear = 0;
quint16 CurMonth = 0;
quint16 CurDay = 0;
QDateTime MonthFirstDay;
QDateTime MonthLastDay;

namespace {

QString Shifted(const QString& text, int delta) {
    QByteArray bytes = Gbk::FromUnicode(text);
    for (char& b : bytes)
        b = char(uchar(b) + delta);
    std::reverse(bytes.begin(), bytes.end());
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0) bytes.truncate(zero);
    return Gbk::ToUnicode(bytes);
}

} // namespace

namespace {
QString& AppPathOverride() {
    static QString folder;
    return folder;
}
} // namespace

QString TCommon::GetAppPath() {
    const QString& folder = AppPathOverride();
    if (!folder.isEmpty()) return folder + u'/';
    const QString installed = InstallLayout::DataFolder();
    return (installed.isEmpty() ? QCoreApplication::applicationDirPath() : installed) + u'/';
}

QString TCommon::GetSettingsPath() {
    const QString& folder = AppPathOverride();
    if (!folder.isEmpty()) return folder + u'/';
    if (!InstallLayout::RunsInstalled()) {
        const QString program = QCoreApplication::applicationDirPath();
        if (QFileInfo(program).isWritable()) return program + u'/';
    }
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(user); // a folder that cannot be made shows when the file is written back
    return user + u'/';
}

void TCommon::SetAppPath(const QString& folder) {
    AppPathOverride() = folder;
}

void TCommon::ShowInformation(const QString& message) {
    MessagePresenter().Show(TMessageKind::Information, message);
}

void TCommon::ShowWarning(const QString& message) {
    MessagePresenter().Show(TMessageKind::Warning, message);
}

void TCommon::ShowError(const QString& message) {
    MessagePresenter().Show(TMessageKind::Error, message);
}

bool TCommon::ShowConfirm(const QString& message) {
    return MessagePresenter().Show(TMessageKind::Confirm, message);
}

QString TCommon::EncodeText(const QString& text) {
    // "?" in place of a character GBK lacks would make any two such passwords alike.
    if (!Gbk::CanEncode(text))
        throw Exception(QStringLiteral("密码中含有无法保存的字符（如表情符号），请换用其他字符。"));
    return Shifted(text, -2);
}

QString TCommon::DecodeText(const QString& text) {
    return Shifted(text, +2);
}

void TCommon::FilterDigitKey(QChar& key) {
    const char16_t c = key.unicode();
    const bool passes = (c >= u'0' && c <= u'9') || c == 8 || c == 13 || c == 10;
    if (!passes) key = QChar(0);
}

void SetStartDates(const QDate& today) {
    CurYear = quint16(today.year());
    CurMonth = quint16(today.month());
    CurDay = quint16(today.day());
    const QDate first(today.year(), today.month(), 1);
    MonthFirstDay = QDateTime(first, QTime(0, 0));
    MonthLastDay = QDateTime(first.addDays(first.daysInMonth() - 1), QTime(0, 0));
}
