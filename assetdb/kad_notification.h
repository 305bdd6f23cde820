// KADNotification: one message the daemon sent outside a reply (progress, host question, async call, result lines).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class TBuffer;

class KADNotification {
public:
    explicit KADNotification(int32_t type);
    ~KADNotification();
    KADNotification(const KADNotification&) = delete;
    KADNotification& operator=(const KADNotification&) = delete;

    // Stores the payload and rewinds the buffer over it.
    void SetPayload(const void* bytes, size_t count);
    int32_t GetType() const { return type; }
    TBuffer& GetBuffer() { return *buffer; }

private:
    int32_t type;
    std::unique_ptr<TBuffer> buffer;
};
