// The memory the daemon lets clients' request payloads hold, shared by every connection.
#include "daemon/payload_budget.h"

#include <utility>

#include "daemon/request_limits.h"

bool KADPayloadBudget::Take(std::size_t bytes)
{
    std::lock_guard<std::mutex> hold(lock);
    if (bytes > limit - used)
        return false;
    used += bytes;
    return true;
}

void KADPayloadBudget::Give(std::size_t bytes)
{
    std::lock_guard<std::mutex> hold(lock);
    used -= bytes <= used ? bytes : used;
}

std::size_t KADPayloadBudget::InUse() const
{
    std::lock_guard<std::mutex> hold(lock);
    return used;
}

KADPayloadClaim::KADPayloadClaim(KADPayloadClaim&& other) noexcept
    : budget(std::exchange(other.budget, nullptr)), bytes(std::exchange(other.bytes, 0))
{}

KADPayloadClaim& KADPayloadClaim::operator=(KADPayloadClaim&& other) noexcept
{
    if (this != &other) {
        Release();
        budget = std::exchange(other.budget, nullptr);
        bytes = std::exchange(other.bytes, 0);
    }
    return *this;
}

void KADPayloadClaim::Release()
{
    if (budget != nullptr && bytes > 0)
        budget->Give(bytes);
    budget = nullptr;
    bytes = 0;
}

KADConnectionPayloads::~KADConnectionPayloads()
{
    // A request cut off half-way gives back what it drew.
    budget.Give(drawn);
}

bool KADConnectionPayloads::Admit(std::int32_t code, std::size_t length)
{
    // What an earlier, refused request drew is given back with the
    // connection; a completed one handed its share on.
    budget.Give(drawn);
    reserved = 0;
    drawn = 0;
    return length <= KADMaxRequestPayload(code);
}

bool KADConnectionPayloads::Reserve(std::size_t bytes)
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

KADPayloadClaim KADConnectionPayloads::TakeClaim()
{
    KADPayloadClaim claim(&budget, drawn);
    reserved = 0;
    drawn = 0;
    return claim;
}
