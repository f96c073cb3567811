// Finds a driver header by its name, as a wider include path would let it.
#include "command_engine.h"
