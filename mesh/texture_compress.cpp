// TextureCompress over libnvtt 2.0: options, the output and error handlers, and the faults the library does not report.
#include "mesh/texture_compress.h"

#include <nvtt/nvtt.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <string_view>

#include "zel/texture_resource.h"

namespace {

std::mutex lastErrorLock;
Zel::PString& LastError()
{
    static Zel::PString* text = new Zel::PString();
    return *text;
}

// Collects nvtt's images into the target. The library ignores a false from
// writeData, so an overflow is remembered here and fails the call.
class OurOutputHandler : public nvtt::OutputHandler {
public:
    explicit OurOutputHandler(TextureCompress& target) : target_(target) {}

    void beginImage(int size, int width, int height, int /*depth*/, int /*face*/, int /*miplevel*/) override
    {
        Finish();
        image_ = std::make_unique<Zel::Bitmap>();
        if (!image_->Init(width, height, Zel::Bitmap::FormatCompressed, size)) {
            image_.reset();
            overflow_ = true;
            return;
        }
        capacity_ = size;
#ifdef KORVEL_TEST_HOOKS
        // Test builds: KORVEL_TEST_NVTT=overflow makes every image one byte
        // too small for what the library writes.
        if (const char* how = std::getenv("KORVEL_TEST_NVTT"); how && std::string_view(how) == "overflow")
            capacity_ = size - 1;
#endif
        written_ = 0;
    }

    bool writeData(const void* data, int size) override
    {
        if (!image_ || size < 0 || int64_t(written_) + size > capacity_) {
            overflow_ = true;
            return false;
        }
        std::memcpy(image_->MutablePixels().data() + written_, data, size_t(size));
        written_ += size;
        return true;
    }

    // The image being filled goes to the target.
    void Finish()
    {
        if (image_)
            target_.Append(std::move(image_));
    }

    bool Overflowed() const
    {
        return overflow_;
    }

private:
    TextureCompress& target_;
    std::unique_ptr<Zel::Bitmap> image_;
    int32_t capacity_ = 0;
    int32_t written_ = 0;
    bool overflow_ = false;
};

// Keeps the library's error text for this call (and, for compatibility, in
// the shared last error).
class OurErrorHandler : public nvtt::ErrorHandler {
public:
    void error(nvtt::Error code) override
    {
        text = nvtt::errorString(code);
        TextureCompress::SetLastError(text.c_str());
    }
    std::string text;
};

bool Refuse(std::string* error, const char* text)
{
    TextureCompress::SetLastError(text);
    if (error)
        *error = text;
    return false;
}

}  // namespace

Zel::PString TextureCompress::GetLastError()
{
    std::lock_guard<std::mutex> hold(lastErrorLock);
    return LastError();
}

void TextureCompress::SetLastError(const char* text)
{
    std::lock_guard<std::mutex> hold(lastErrorLock);
    LastError() = Zel::PString(text && *text ? text : nullptr);
}

bool TextureCompress::Compress(Zel::Bitmap& source, TextureCompress& target, uint32_t format, bool alpha, bool wrap,
                               bool normalMap, bool mipmaps, bool enableCuda, std::string* error)
{
    using Zel::Bitmap;
    if (format != Zel::TextureAlpha32 && format != Zel::TextureOpaque32 && format != Zel::TextureDXT1 &&
        format != Zel::TextureDXT3 && format != Zel::TextureDXT5)
        return false;
    if (source.GetFormat() != Bitmap::FormatAlpha32 && source.GetFormat() != Bitmap::FormatOpaque32)
        return false;
    SetLastError(nullptr);
    // The library throws on an empty image; it never gets one.
    if (source.Width() <= 0 || source.Height() <= 0)
        return Refuse(error, "The image is empty.");

    std::vector<uint8_t>& pixels = source.MutablePixels();
    if (source.GetFormat() == Bitmap::FormatOpaque32 || format == Zel::TextureOpaque32) {
        for (size_t i = 0; i < pixels.size(); i += 4) {
            if (pixels[i] | pixels[i + 1] | pixels[i + 2] | pixels[i + 3])
                pixels[i + 3] = 0xFF;
        }
    }
    // The library reads B, G, R, A bytes (the engine's ARGB word in memory).
    std::vector<uint8_t> bgra(pixels.size());
    for (size_t i = 0; i < pixels.size(); i += 4) {
        bgra[i] = pixels[i + 2];
        bgra[i + 1] = pixels[i + 1];
        bgra[i + 2] = pixels[i];
        bgra[i + 3] = pixels[i + 3];
    }

    OurOutputHandler outputHandler(target);
    OurErrorHandler errorHandler;
    // The library reports some faults by throwing (an input without a
    // layout), from any of its calls: none may leave this function.
    auto run = [&]() -> bool {
        nvtt::Compressor compressor;
        nvtt::InputOptions input;
        nvtt::OutputOptions output;
        nvtt::CompressionOptions compression;

        input.setMipmapGeneration(mipmaps, -1);
        if (normalMap)
            input.setNormalMap(true);
        input.setWrapMode(wrap ? nvtt::WrapMode_Repeat : nvtt::WrapMode_Clamp);
        // Debian's library is built without CUDA: the switch is passed and does nothing.
        compressor.enableCudaAcceleration(enableCuda);

        if (format == Zel::TextureDXT1)
            compression.setFormat(alpha ? nvtt::Format_DXT1a : nvtt::Format_DXT1);
        else if (format == Zel::TextureDXT3)
            compression.setFormat(nvtt::Format_DXT3);
        else if (format == Zel::TextureDXT5)
            compression.setFormat(nvtt::Format_DXT5);
        else
            compression.setFormat(nvtt::Format_RGBA);
        compression.setQuality(nvtt::Quality_Production);

        int width = source.Width();
        int height = source.Height();
        bool layout = true;
#ifdef KORVEL_TEST_HOOKS
        // Test builds: KORVEL_TEST_NVTT=throw leaves out the input (the library
        // then throws), =fail gives it an empty one (it reports invalid input).
        if (const char* how = std::getenv("KORVEL_TEST_NVTT")) {
            layout = std::string_view(how) != "throw";
            if (std::string_view(how) == "fail")
                width = height = 0;
        }
#endif
        // Image data without a layout would be written nowhere (the library
        // does not check): the two go together.
        if (layout) {
            input.setTextureLayout(nvtt::TextureType_2D, width, height, 1);
            input.setMipmapData(bgra.data(), width, height, 1, 0, 0);
        }
        // Filter 3 is not named in this version's enum; it behaves as Kaiser.
        input.setMipmapFilter(normalMap ? nvtt::MipmapFilter_Box : static_cast<nvtt::MipmapFilter>(3));

        output.setOutputHandler(&outputHandler);
        output.setErrorHandler(&errorHandler);
        output.setOutputHeader(false);

        return compressor.process(input, compression, output);
    };
    bool processed = false;
    try {
        processed = run();
    } catch (const std::exception& thrown) {
        return Refuse(error, thrown.what());
    } catch (...) {
        return Refuse(error, "Texture compression failed with an unknown exception.");
    }
    if (!processed)
        return Refuse(error, errorHandler.text.empty() ? "Texture compression failed." : errorHandler.text.c_str());
    if (outputHandler.Overflowed())
        return Refuse(error, "Texture compression wrote more than the image size it announced.");
    outputHandler.Finish();
    return true;
}
