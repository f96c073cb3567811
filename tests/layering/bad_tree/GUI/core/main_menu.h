// A window's header the console tool must not include.
#pragma once
