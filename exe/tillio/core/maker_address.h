// The maker's web address: appended to the browser's command line and shown in
// the About window. Keep it short: the browser command line must fit the
// About window's 100-byte buffer (see browser_path.h).
#pragma once
#include "tillio.h"

namespace kav::tillio {

inline constexpr char kMakerAddress[] = TILLIO_MAKER_ADDRESS;

} // namespace kav::tillio
