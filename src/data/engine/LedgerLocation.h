#pragma once

#include <QSqlDatabase>
#include <QString>

// Where the book is: the ledger file below the ledger folder, or a database on a PostgreSQL
// server. Parsed once at start, from --ledger or from the computer's setting beside DataBase,
// and then asked by the data module alone.
class TLedgerLocation {
public:
    enum class TKind { File, Server };

    // The ledger file below the ledger folder, the book of every start that names no other.
    static inline const QString DefaultFile = QStringLiteral("DataBase/Hearthbook.mdb");

    // The ledger file at path (relative to the ledger folder, the current directory).
    static TLedgerLocation File(const QString& path);
    // The text of --ledger or of the setting: a "postgresql://" (or "postgres://") URI in
    // libpq's own form names a server, anything else a file path. Throws EArgumentError with a
    // plain message for a URI that cannot be taken apart or names no database.
    static TLedgerLocation Parse(const QString& text);

    TKind Kind() const { return FKind; }
    bool IsServer() const { return FKind == TKind::Server; }
    QString FilePath() const { return FFilePath; }

    // A server's fields, as the URI gave them (empty where it left one to libpq's defaults).
    QString Host() const { return FHost; } // a name, an address, or a socket folder
    int Port() const { return FPort; }     // -1: libpq's default
    QString Database() const { return FDatabase; }
    QString User() const { return FUser; }
    // libpq's other options ("sslmode=require", …), in Qt SQL's form "key=value;key=value".
    QString Options() const { return FOptions; }

    // For messages: the file's path, or the server's URI without its password.
    QString Shown() const;
    // The Qt SQL driver that opens it: QSQLITE or QPSQL.
    QString DriverName() const;
    // Sets a server's fields on a QPSQL connection (the driver takes no URI whole); a password
    // given in the URI is used, never written anywhere. The file's own opening stays with the
    // data module.
    void ApplyTo(QSqlDatabase& connection) const;
    // A password given in the URI itself (libpq allows it); empty otherwise.
    QString Password() const { return FPassword; }
    // A password the user typed for this run (the window asks when the server wants one); kept
    // in memory only.
    void SetPassword(const QString& password) { FPassword = password; }

    bool operator==(const TLedgerLocation& other) const = default;

    // The file, below the ledger folder, that makes a server book the default of every start
    // on this computer: one line, the server's URI (lines starting with # are comments).
    static inline const QString SettingFileName = QStringLiteral("Ledger.uri");
    // The location that file names, read from folder; the ledger file at defaultPath when there
    // is no such file. Throws EArgumentError naming the file when its text is no location.
    static TLedgerLocation FromSetting(const QString& folder, const QString& defaultPath);

    // The book of this run: set once at start; the ledger file DataBase/Hearthbook.mdb until then.
    static const TLedgerLocation& Current();
    static void SetCurrent(const TLedgerLocation& location);

private:
    TKind FKind = TKind::File;
    QString FFilePath;
    QString FHost;
    int FPort = -1;
    QString FDatabase;
    QString FUser;
    QString FPassword;
    QString FOptions;
};
