// The ".texture" file: its body layout after the container header, the names of its formats, and a reader.
//
// Body (little-endian, after "JIRF", the content size and "MMTF"): u32 body
// version 1; u32 width; u32 height; u32 depth; u32 storage format; u32 flags;
// u32 mip count; then per slice, per level: u32 width, u32 height, u32 byte
// size and the bytes (DXT blocks, or four bytes per pixel B, G, R, A).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Zel {

class TextureResource;

constexpr uint32_t TextureBodyVersion = 1;
// Container type of a texture file.
constexpr char TextureFileType[] = "MMTF";

struct TextureBodyHeader {
    uint32_t version = TextureBodyVersion;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;
    uint32_t format = 0;
    uint32_t flags = 0;
    uint32_t mipCount = 0;
};

struct TextureFileMip {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bytes;
};

struct TextureFileContents {
    std::string magic;     // "JIRF"
    uint32_t size = 0;     // the container's content size field
    std::string fileType;  // "MMTF"
    TextureBodyHeader header;
    bool alpha = false;                // DXT1 with one-bit alpha when the format is DXT1
    std::vector<TextureFileMip> mips;  // slice by slice, level 0 first
};

void AppendTextureBodyHeader(std::vector<uint8_t>& out, const TextureBodyHeader& header);
void AppendTextureMip(std::vector<uint8_t>& out, uint32_t width, uint32_t height, const std::vector<uint8_t>& bytes);

// The format as the writer names it: "DXT1", "DXT1a", "DXT3", "DXT5",
// "uncompressed ARGB", "uncompressed XRGB"; "unknown" otherwise.
const char* TextureFormatName(uint32_t format, bool alpha);
// Bytes a level of that size takes in that format; 0 for an unknown format.
uint64_t TextureLevelBytes(uint32_t format, uint32_t width, uint32_t height);

// Writes a whole ".texture" file: the JIRF container of type "MMTF" around
// the texture's body (its mips locked). The bytes go to "<path>.part" first
// and take the name only when complete, so a failure or a crash never
// leaves a half-written texture under the name. container is a path
// substitution name, or null/"" for an absolute path. False on a failed
// open, write or rename (nothing is left then), with the reason in error.
bool WriteTextureFile(TextureResource& texture, const char* container, const char* path, std::string* error = nullptr);

// Reads a whole ".texture" file. False, with a one-line reason, when it
// cannot be read, is no texture container, or any count or size disagrees
// with the bytes that are there.
bool ReadTextureFile(const char* path, TextureFileContents& out, std::string& error);
bool ParseTextureFile(const std::vector<uint8_t>& bytes, TextureFileContents& out, std::string& error);

}  // namespace Zel
