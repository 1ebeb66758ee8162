// The message shown for a scan engine status.
#pragma once

#include "scan/engine_abi.h"

// The string id of the message for an engine status; every status without a
// message of its own (0 and -1 among them) gets "MsgErrorOccured" (11369).
int EngineErrorTextId(EngineStatus status);
