// The anchor of the texture benchmarks: NVIDIA Texture Tools called directly, with the options our compressor passes.
#pragma once

#include <nvtt/nvtt.h>

#include <cstdint>
#include <vector>

namespace bench {

// Takes the images and drops them, as a caller that only measures would.
class DropOutput : public nvtt::OutputHandler {
public:
    void beginImage(int, int, int, int, int, int) override {}
    bool writeData(const void*, int) override { return true; }
};

// Compresses a side x side image of B, G, R, A bytes at production quality.
inline bool DirectNvtt(const std::vector<uint8_t>& bgra, int side, nvtt::Format format, bool mipmaps, bool wrap)
{
    nvtt::Compressor compressor;
    nvtt::InputOptions input;
    nvtt::OutputOptions output;
    nvtt::CompressionOptions compression;
    DropOutput handler;
    input.setMipmapGeneration(mipmaps, -1);
    input.setWrapMode(wrap ? nvtt::WrapMode_Repeat : nvtt::WrapMode_Clamp);
    compressor.enableCudaAcceleration(false);
    compression.setFormat(format);
    compression.setQuality(nvtt::Quality_Production);
    input.setTextureLayout(nvtt::TextureType_2D, side, side, 1);
    input.setMipmapData(bgra.data(), side, side, 1, 0, 0);
    input.setMipmapFilter(static_cast<nvtt::MipmapFilter>(3));
    output.setOutputHandler(&handler);
    output.setOutputHeader(false);
    return compressor.process(input, compression, output);
}

}  // namespace bench
