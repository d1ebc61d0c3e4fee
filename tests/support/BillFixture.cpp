#include "BillFixture.h"

QString BillFixture::Path(const QString& name) {
    return QStringLiteral(PENNYVALE_TEST_FIXTURES "/bills/") + name;
}
