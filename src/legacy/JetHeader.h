#pragma once

#include <QByteArray>
#include <QString>

// What the first page of a file says about it: whether it is an Access (Jet) database, of which
// version, and whether it is encrypted or protected by a database password. Only the header is
// read, never the name, so a ledger file is recognised whatever it is called.
struct TJetHeader {
    enum TKind {
        Missing,    // no such file, not a plain file, or it cannot be read
        NotJet,     // not an Access database
        Truncated,  // starts like one but ends within its first page
        Jet3,       // Access 97
        Jet4,       // Access 2000 to 2003
        Ace,        // Access 2007 and later (.accdb)
    };

    TKind Kind = Missing;
    bool Encrypted = false;   // pages encoded with the database key
    bool HasPassword = false; // a database password is set

    static TJetHeader Read(const QString& path);
    static TJetHeader FromBytes(const QByteArray& firstPage);

    bool IsJet() const { return Kind == Truncated || Kind == Jet3 || Kind == Jet4 || Kind == Ace; }
    // Empty when the file is a Jet 4 database that can be converted; otherwise the message that
    // names the file and says why it cannot.
    QString Problem(const QString& path) const;

    // The size of a Jet 4 page and where the encoded part of the first page lies.
    static constexpr int PageSize = 4096;
    static constexpr int MaskedStart = 0x18;
    static constexpr int MaskedLength = 128;
    static constexpr int KeyOffset = 0x3e;
    static constexpr int PasswordOffset = 0x42;
    static constexpr int PasswordLength = 40;
    static constexpr int CreationDateOffset = 0x72;

    // Encodes or decodes (the same operation) the masked part of a Jet 4 first page in place.
    static void ToggleMask(QByteArray& firstPage);
};
