// The HID interfaces as the system lists them, each tried the way tillio.dll
// tries them (opened for reading and writing) and asked for string 106 by
// the test itself, and the drawer numbering that listing gives.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace kavwine {

struct ListedInterface {
    std::string path;
    bool opens;
    DWORD refusal; // the error of the test's own string-106 request; 0 if answered
};

std::vector<ListedInterface> list_hid_interfaces();

// Drawer n's interface (index n-1): the first five of members 0 to 7 that open.
std::vector<ListedInterface> numbered(const std::vector<ListedInterface>& listed);

// Wine's own virtual mouse and keyboard.
bool is_wines_own(const ListedInterface& entry);

} // namespace kavwine
