// Resource ids of the utility's artwork; shared by the .rc file and the view.
#pragma once

#define IDI_PROGRAM 1
#define IDB_TOOLBAR 100 // the eight toolbar icons side by side, 32x32 each
#define IDB_BANNER 101
// The six terminal pictures, in the main window's order.
#define IDB_TERMINAL1 102
#define IDB_TERMINAL2 103
#define IDB_TERMINAL3 104
#define IDB_TERMINAL4 105
#define IDB_TERMINAL5 106
#define IDB_TERMINAL6 107
// The loop test's pictures: the running notice, PASS and FAIL.
#define IDB_RUNNING 110
#define IDB_PASS 111
#define IDB_FAIL 112
#define IDB_PRODUCT 113 // the About window's picture
