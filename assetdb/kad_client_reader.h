// The reader thread of the daemon link: owns the socket between replies.
#pragma once

struct KADClientState;

// Called under the connection lock by Connect and Disconnect.
void StartReaderThread(KADClientState& state);
// Wakes the reader (socket shut down, socket-free set) and waits for it to end.
void StopReaderThread(KADClientState& state);
