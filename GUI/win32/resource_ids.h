// Resource ids of the utility's artwork; shared by the .rc file and the view.
#pragma once

#define IDI_PROGRAM 1
#define IDB_TOOLBAR 100 // the eight toolbar icons side by side, 32x32 each
#define IDB_BANNER 101
#define IDB_TERMINAL1 102 // IDB_TERMINAL1 .. IDB_TERMINAL1 + 5: the six terminal pictures
