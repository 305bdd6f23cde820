// KADRequestCode: the request codes of the daemon link, by name, from kad_requests.def.
#pragma once

#include <cstdint>

enum class KADRequestCode : std::int32_t {
#define KAD_REQUEST(code, name, lane) name = code,
#include "assetdb/protocol/kad_requests.def"
};

// The code as it goes on the wire.
constexpr std::int32_t KADRequestNumber(KADRequestCode code)
{
    return static_cast<std::int32_t>(code);
}

// The request's name in the table; null for a code the table does not hold.
constexpr const char* KADRequestName(KADRequestCode code)
{
    switch (code) {
#define KAD_REQUEST(number, name, lane)                                                                                \
    case KADRequestCode::name:                                                                                         \
        return #name;
#include "assetdb/protocol/kad_requests.def"
    }
    return nullptr;
}
