// A driver header in angle brackets, found through an include directory.
#include <command_engine.h>
