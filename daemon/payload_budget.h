// The memory the daemon lets clients' request payloads hold, shared by every connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "assetdb/protocol/kad_request_reader.h"

// Bytes of request payloads held at once: those being received and those of
// requests waiting for or running their handler.
class KADPayloadBudget {
public:
    explicit KADPayloadBudget(std::size_t limit) : limit(limit) {}

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
class KADPayloadClaim {
public:
    KADPayloadClaim() = default;
    KADPayloadClaim(KADPayloadBudget* budget, std::size_t bytes) : budget(budget), bytes(bytes) {}
    ~KADPayloadClaim() { Release(); }
    KADPayloadClaim(KADPayloadClaim&& other) noexcept;
    KADPayloadClaim& operator=(KADPayloadClaim&& other) noexcept;
    KADPayloadClaim(const KADPayloadClaim&) = delete;
    KADPayloadClaim& operator=(const KADPayloadClaim&) = delete;

    void Release();

private:
    KADPayloadBudget* budget = nullptr;
    std::size_t bytes = 0;
};

// One connection's guard: caps each request by its kind and draws its
// payload buffer from the shared budget. The first bytes of every request
// are the connection's own allowance and never drawn, so the ordinary small
// requests of a real client are never refused because others filled the
// budget; the connection limit bounds what those allowances add up to.
class KADConnectionPayloads : public KADPayloadGuard {
public:
    static constexpr std::size_t OwnAllowance = 16 * 1024;

    explicit KADConnectionPayloads(KADPayloadBudget& budget) : budget(budget) {}
    ~KADConnectionPayloads() override;
    KADConnectionPayloads(const KADConnectionPayloads&) = delete;
    KADConnectionPayloads& operator=(const KADConnectionPayloads&) = delete;

    bool Admit(std::int32_t code, std::size_t length) override;
    bool Reserve(std::size_t bytes) override;

    // Hands what the request just completed drew from the budget to a claim
    // that travels with the request until its handler is done.
    KADPayloadClaim TakeClaim();

private:
    KADPayloadBudget& budget;
    std::size_t reserved = 0;
    std::size_t drawn = 0;
};
