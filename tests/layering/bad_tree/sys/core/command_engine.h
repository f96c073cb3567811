// A driver header the sources below must not reach.
#pragma once
