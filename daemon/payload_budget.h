// The memory the daemon lets clients' request payloads hold, shared by every connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "assetdb/protocol/kad_request_reader.h"

// Bytes of request payloads held at once: those being received and those of
// requests waiting for or running their handler.
class KadPayloadBudget {
public:
    explicit KadPayloadBudget(std::size_t limit) : limit(limit) {}

    // False, taking nothing, when the bytes would go over the limit.
    bool Take(std::size_t bytes);
    void Give(std::size_t bytes);
    std::size_t InUse() const;

private:
    mutable std::mutex lock;
    std::size_t limit;
    std::size_t used = 0;
};

// A part of the budget, given back when the claim goes.
class KadPayloadClaim {
public:
    KadPayloadClaim() = default;
    KadPayloadClaim(KadPayloadBudget* budget, std::size_t bytes) : budget(budget), bytes(bytes) {}
    ~KadPayloadClaim() { Release(); }
    KadPayloadClaim(KadPayloadClaim&& other) noexcept;
    KadPayloadClaim& operator=(KadPayloadClaim&& other) noexcept;
    KadPayloadClaim(const KadPayloadClaim&) = delete;
    KadPayloadClaim& operator=(const KadPayloadClaim&) = delete;

    void Release();

private:
    KadPayloadBudget* budget = nullptr;
    std::size_t bytes = 0;
};

// One connection's guard: caps each request by its kind and draws its
// payload buffer from the shared budget. The first bytes of every request
// are the connection's own allowance and never drawn, so the ordinary small
// requests of a real client are never refused because others filled the
// budget; the connection limit bounds what those allowances add up to.
class KadConnectionPayloads : public KadPayloadGuard {
public:
    static constexpr std::size_t OwnAllowance = 16 * 1024;

    explicit KadConnectionPayloads(KadPayloadBudget& budget) : budget(budget) {}
    ~KadConnectionPayloads() override;
    KadConnectionPayloads(const KadConnectionPayloads&) = delete;
    KadConnectionPayloads& operator=(const KadConnectionPayloads&) = delete;

    bool Admit(std::int32_t code, std::size_t length) override;
    bool Reserve(std::size_t bytes) override;

    // Hands what the request just completed drew from the budget to a claim
    // that travels with the request until its handler is done.
    KadPayloadClaim TakeClaim();

private:
    KadPayloadBudget& budget;
    std::size_t reserved = 0;
    std::size_t drawn = 0;
};
