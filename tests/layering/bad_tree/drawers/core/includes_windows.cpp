// The portable core of the drawer library with the Windows headers.
#include <windows.h>
