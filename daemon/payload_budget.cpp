// The memory the daemon lets clients' request payloads hold, shared by every connection.
#include "daemon/payload_budget.h"

#include <utility>

#include "daemon/request_limits.h"

bool KadPayloadBudget::Take(std::size_t bytes)
{
    std::lock_guard<std::mutex> hold(lock);
    if (bytes > limit - used)
        return false;
    used += bytes;
    return true;
}

void KadPayloadBudget::Give(std::size_t bytes)
{
    std::lock_guard<std::mutex> hold(lock);
    used -= bytes <= used ? bytes : used;
}

std::size_t KadPayloadBudget::InUse() const
{
    std::lock_guard<std::mutex> hold(lock);
    return used;
}

KadPayloadClaim::KadPayloadClaim(KadPayloadClaim&& other) noexcept
    : budget(std::exchange(other.budget, nullptr)), bytes(std::exchange(other.bytes, 0))
{
}

KadPayloadClaim& KadPayloadClaim::operator=(KadPayloadClaim&& other) noexcept
{
    if (this != &other) {
        Release();
        budget = std::exchange(other.budget, nullptr);
        bytes = std::exchange(other.bytes, 0);
    }
    return *this;
}

void KadPayloadClaim::Release()
{
    if (budget != nullptr && bytes > 0)
        budget->Give(bytes);
    budget = nullptr;
    bytes = 0;
}

KadConnectionPayloads::~KadConnectionPayloads()
{
    // A request cut off half-way gives back what it drew.
    budget.Give(drawn);
}

bool KadConnectionPayloads::Admit(std::int32_t code, std::size_t length)
{
    // What an earlier, refused request drew is given back with the
    // connection; a completed one handed its share on.
    budget.Give(drawn);
    reserved = 0;
    drawn = 0;
    return length <= KadMaxRequestPayload(code);
}

bool KadConnectionPayloads::Reserve(std::size_t bytes)
{
    std::size_t total = reserved + bytes;
    std::size_t beyondAllowance = total > OwnAllowance ? total - OwnAllowance : 0;
    if (beyondAllowance > drawn) {
        if (!budget.Take(beyondAllowance - drawn))
            return false;
        drawn = beyondAllowance;
    }
    reserved = total;
    return true;
}

KadPayloadClaim KadConnectionPayloads::TakeClaim()
{
    KadPayloadClaim claim(&budget, drawn);
    reserved = 0;
    drawn = 0;
    return claim;
}
