// The OpenSSL lock table: one lock per library lock, driven by OpenSSL's callback.
#pragma once

#include <cstdint>

// Builds the table (as many locks as the library asks for) and installs the
// locking and thread-id callbacks. OpenSSL 3 locks internally: it asks for one
// lock and never calls the callbacks (their installers are empty macros there);
// the table is kept so the interface stays the same on every OpenSSL.
void CreateOpenSSLLockTable();
void DestroyOpenSSLLockTable();

// The locking callback: bit 1 locks, bit 2 unlocks a lock this program holds;
// an index outside the table is ignored.
void OpenSSLLockingCallback(int mode, int lockIndex, const char* file, int line);
unsigned long OpenSSLThreadIdCallback();

int32_t GetOpenSSLLockCountForTesting();
bool IsOpenSSLLockHeldForTesting(int lockIndex);
