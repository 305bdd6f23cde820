// KADCompileAsset: compiling and checking the scripts of one asset folder, the entry of the validation.
#pragma once

#include "zel/path.h"
#include "zel/pstring.h"

class ResultsLog;

// Sets up the native libraries on first use, loads the folder's config,
// builds its KorvelBaseSpec and compiles, links and checks its scripts.
// Every problem is an error line in the log; true when the scripts are fine
// (an asset without scripts is). One call at a time: the script toolchain
// and the asset-object registry's default factory are process-wide.
bool KADCompileAsset(const Zel::PString& storeName, const Zel::File::Path& folder, ResultsLog* log);
