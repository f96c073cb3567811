// The driver's contract: the one part of sys/ user-mode code may reach.
#pragma once
