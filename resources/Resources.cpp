#include "Resources.h"

#include <QtGlobal>

void InitPennyvaleResources() {
    Q_INIT_RESOURCE(pennyvale);
}
