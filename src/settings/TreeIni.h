#pragma once

#include "settings/BigIni.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// Presents an INI file like a small registry: a key is a path of names separated by "\", and
// each path names one section of the file. Values are stored in double quotes and come back
// without them.
//
// Names and values are program strings; they become GBK bytes only on their way into the file.
// The file is read once, when the object is made, and written back once, when it is destroyed,
// and only if a value changed.
class TTreeIni {
public:
    explicit TTreeIni(const QString& fileName);
    ~TTreeIni();
    TTreeIni(const TTreeIni&) = delete;
    TTreeIni& operator=(const TTreeIni&) = delete;

    // Makes key (relative to the current key, or from the root when it starts with "\") the
    // current key. With canCreate it always succeeds; otherwise only a section that existed
    // when the object was made, or one below it, can be opened.
    bool OpenKey(const QString& key, bool canCreate);
    // Goes up one level from the current key.
    void CloseKey();
    // The value name of the current key, without its quotes and trimmed; empty when missing.
    QString ReadValue(const QString& name);
    // Stores value in quotes under name in the current key.
    void WriteValue(const QString& name, const QString& value);
    // The full path of key given relative to the current key.
    QString ExpandKey(const QString& key) const;

    const QString& FileName() const { return FFileName; }
    const QString& CurrentKey() const { return FCurrentKey; }

private:
    QString FFileName;
    QString FCurrentKey;
    std::unique_ptr<TBigIniFile> FIniFile;
    QList<QByteArray> FSections; // the file's sections when it was loaded, never refreshed
};

// The program's settings object over "fClient.ini".
class TIniSetting : public TTreeIni {
public:
    using TTreeIni::TTreeIni;
};
