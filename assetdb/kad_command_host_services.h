// The command host's current services (a copy, taken under their lock), for the host's own files.
#pragma once

#include "assetdb/kad_command_host.h"

KADCommandHostServices CommandHostServices();
