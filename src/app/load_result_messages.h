#pragma once

#include "sequence/piece.h"

namespace ostinel {

// The message for a failed load of a file named on the command line (or the
// last piece at start-up). 0 for a successful load.
int StartupLoadMessage(LoadResult result);

// The message for a failed load from the Open command or a second copy.
int OpenCommandLoadMessage(LoadResult result);

}  // namespace ostinel
