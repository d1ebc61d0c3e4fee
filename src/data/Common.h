#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// The program's folder, message boxes, the stored form of passwords and the key filter of
// whole-number fields.
class TCommon {
public:
    // The folder of the program's files (the help file, the tax page), ending with a separator:
    // the program's own folder in the build tree, the data folder (share/pennyvale) of an
    // installation.
    static QString GetAppPath();
    // Puts the program's folder elsewhere (tests keep their settings and help file in a
    // temporary folder); an empty path restores the real one.
    static void SetAppPath(const QString& folder);
    // The folder of the settings file "fClient.ini", ending with a separator: the program's
    // folder when it is writable, as in the build tree. An installation is shared by the users of
    // the machine and owned by the package manager, so there, and wherever the program's folder
    // is read-only, each user keeps the file in the user's configuration folder
    // (~/.config/Pennyvale), which is created when missing.
    static QString GetSettingsPath();

    // Tells that a piece of work is done (an import's counts, say).
    static void ShowInformation(const QString& message);
    static void ShowWarning(const QString& message);
    static void ShowError(const QString& message);
    // True when the user pressed OK; false for Cancel, Escape or closing the box.
    static bool ShowConfirm(const QString& message);

    // A password's stored form: its GBK bytes each lowered by 2, in reverse order, up to the
    // first zero byte. DecodeText undoes it. Bytes that are not valid GBK survive unchanged.
    // Text with a character that GBK lacks has no stored form: EncodeText refuses it with an
    // Exception (check with Gbk::CanEncode first).
    static QString EncodeText(const QString& text);
    static QString DecodeText(const QString& text);

    // Lets digits, backspace, carriage return and line feed through; replaces any other
    // character by the null character, which discards the key.
    static void FilterDigitKey(QChar& key);
};

// The date values taken when the main window is created.
extern quint16 CurYear;
extern quint16 CurMonth;
extern quint16 CurDay;
extern QDateTime MonthFirstDay; // day 1 of the month, at midnight
extern QDateTime MonthLastDay;  // the month's last day (29 February in leap years), at midnight

// Splits today into CurYear, CurMonth, CurDay and bounds its month.
void SetStartDates(const QDate& today);

extern TCommon* Common;
