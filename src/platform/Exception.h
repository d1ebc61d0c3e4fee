#pragma once

#include <QString>
#include <exception>

// The program's error type: a message meant for the user, as the error report shows it.
class Exception : public std::exception {
public:
    explicit Exception(QString message) : Message(std::move(message)), FUtf8(Message.toUtf8()) {}
    const char* what() const noexcept override { return FUtf8.constData(); }

    QString Message;

private:
    QByteArray FUtf8;
};

// A statement the engine refused, a failed write, or a closed connection.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// A file that exists but cannot be read, or cannot be written.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// A value given on the command line or in a setting that cannot be used as it stands.
class EArgumentError : public Exception {
public:
    using Exception::Exception;
};

// The text an error shows the user, whatever its type.
QString ErrorText(const std::exception& error);
