// KadRequestCode: the request codes of the daemon link, by name, from kad_requests.def.
#pragma once

#include <cstdint>

enum class KadRequestCode : std::int32_t {
#define KAD_REQUEST(code, name, lane) name = code,
#include "assetdb/protocol/kad_requests.def"
};

// The code as it goes on the wire.
constexpr std::int32_t KadRequestNumber(KadRequestCode code)
{
    return static_cast<std::int32_t>(code);
}

// The request's name in the table; null for a code the table does not hold.
constexpr const char* KadRequestName(KadRequestCode code)
{
    switch (code) {
#define KAD_REQUEST(number, name, lane) \
    case KadRequestCode::name:          \
        return #name;
#include "assetdb/protocol/kad_requests.def"
    }
    return nullptr;
}
