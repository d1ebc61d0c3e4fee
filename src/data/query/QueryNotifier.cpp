// The notifier is all signals; this file gives the build its moc output.
#include "data/query/QueryNotifier.h"
