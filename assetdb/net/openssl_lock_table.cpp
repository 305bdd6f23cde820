// The OpenSSL lock table and its callbacks.
#include "assetdb/net/openssl_lock_table.h"

#include <memory>
#include <mutex>
#include <openssl/crypto.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

struct LockTable {
    std::vector<std::unique_ptr<std::recursive_mutex>> locks;
    std::vector<uint8_t> held;
};

LockTable table;

}  // namespace

void OpenSSLLockingCallback(int mode, int lockIndex, const char*, int)
{
    if (lockIndex < 0 || lockIndex >= static_cast<int>(table.locks.size()))
        return;
    if (mode & 1) {
        table.locks[lockIndex]->lock();
        table.held[lockIndex] = 1;
        return;
    }
    if ((mode & 2) && table.held[lockIndex]) {
        table.held[lockIndex] = 0;
        table.locks[lockIndex]->unlock();
    }
}

unsigned long OpenSSLThreadIdCallback()
{
    return static_cast<unsigned long>(syscall(SYS_gettid));
}

void CreateOpenSSLLockTable()
{
    int count = CRYPTO_num_locks();
    table.locks.clear();
    table.held.assign(count > 0 ? count : 0, 0);
    for (int i = 0; i < count; ++i)
        table.locks.push_back(std::make_unique<std::recursive_mutex>());
    CRYPTO_set_locking_callback(OpenSSLLockingCallback);
    CRYPTO_set_id_callback(OpenSSLThreadIdCallback);
}

void DestroyOpenSSLLockTable()
{
    CRYPTO_set_locking_callback(nullptr);
    CRYPTO_set_id_callback(nullptr);
    table.locks.clear();
    table.held.clear();
}

int32_t GetOpenSSLLockCountForTesting()
{
    return static_cast<int32_t>(table.locks.size());
}

bool IsOpenSSLLockHeldForTesting(int lockIndex)
{
    if (lockIndex < 0 || lockIndex >= static_cast<int>(table.held.size()))
        return false;
    return table.held[lockIndex] != 0;
}
