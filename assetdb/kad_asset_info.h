// KADAssetInfo: what the daemon tells about one asset (the reply of GetAssetInfo).
#pragma once

#include <cstdint>

#include "kuid/kuid.h"
#include "zel/pstring.h"
#include "zel/string.h"

class TStream;

// The reply always carries every field in this order, whatever the field
// mask asked for, so one reader serves every mask.
class KADAssetInfo {
public:
    // Bits of status byte 0.
    static constexpr uint8_t StatusLocallyModified = 0x04;  // "L"
    static constexpr uint8_t StatusInstalled = 0x08;        // "I"
    static constexpr uint8_t StatusBuiltIn = 0x10;
    static constexpr uint8_t StatusContentServiceItem = 0x20;
    static constexpr uint8_t StatusOnContentService = 0x40;  // "D"
    static constexpr uint8_t StatusArchived = 0x80;          // "A"
    // Bits of status byte 1.
    static constexpr uint8_t StatusOpenForEdit = 0x01;          // "E"
    static constexpr uint8_t StatusFaulty = 0x02;               // "F"
    static constexpr uint8_t StatusMissingDependencies = 0x08;  // "M"

    static constexpr uint8_t NoLocalRating = 255;

    // The defaults that a failed request leaves in place.
    KADAssetInfo() = default;

    // Reads the 20 fields in order. Each typed read gives its own default on
    // a short reply (0, false, empty text, null id), not the constructor's.
    void Read(TStream& reply);

    // A local rating of 4 or 5 marks a favourite.
    bool IsFavorite() const { return localRating == 4 || localRating == 5; }
    // Whole hundredths: found, and the build version times 100 truncated is
    // at least the asked version times 100 truncated.
    bool IsBuildAtLeast(float version) const;

    KUID assetId;
    Zel::String name;
    Zel::String regionList;
    // Category codes followed by the asset's keywords as "#" tags.
    Zel::String keywordList;
    uint8_t statusByte0 = 1;
    uint8_t statusByte1 = 0;
    uint8_t flagPair = 0;
    int32_t authorId = 0;
    Zel::PString textA;
    Zel::String eraList;
    int32_t numberB = -1;
    Zel::PString textB;
    Zel::String categoryText;
    uint8_t flagTriple = 0;
    uint8_t localRating = NoLocalRating;
    float buildVersion = 0.0f;
    int64_t valueD = 0;
    int64_t valueE = 0;
    KUID parentAssetId;
    bool found = false;
};
