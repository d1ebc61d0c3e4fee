#include "platform/Exception.h"

QString ErrorText(const std::exception& error) {
    if (auto* own = dynamic_cast<const Exception*>(&error)) return own->Message;
    return QString::fromUtf8(error.what());
}
