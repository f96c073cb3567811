// A source that gets round the include path: the check must refuse it.
#include "../../sys/core/command_engine.h"
