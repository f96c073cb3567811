// The console tool reaching into the utility.
#include "main_menu.h"
