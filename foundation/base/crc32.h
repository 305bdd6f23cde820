// CRC-32 (ISO 3309 / ITU-T V.42) that names compiled script libraries and cache files.
#pragma once

#include <cstddef>
#include <cstdint>

// Checksum of `length` bytes: reflected polynomial 0xEDB88320, register preset
// to all ones, final inversion. Crc32("abc", 3) == 0x352441C2; no bytes give 0.
uint32_t Crc32(const void* bytes, size_t length);

// Continues a checksum: Crc32Update(Crc32(a), b) == Crc32(a followed by b).
// A fresh computation starts from 0.
uint32_t Crc32Update(uint32_t crc, const void* bytes, size_t length);

// Checksum of a zero-terminated text with every character lower-cased (ASCII
// A-Z only, whatever the process locale). A null text gives 0.
uint32_t Crc32LowerCase(const char* text);
