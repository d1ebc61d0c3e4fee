#pragma once

#include "platform/Exception.h"

#include <QString>

// The message of the program's exception that call throws, or "<no error>" when it throws none.
template <typename F> QString ErrorOf(F call) {
    try {
        call();
    } catch (const Exception& error) {
        return error.Message;
    }
    return QStringLiteral("<no error>");
}
