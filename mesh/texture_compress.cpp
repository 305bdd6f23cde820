// TextureCompress over the texture compression module: the job, the output and error handlers, and the faults the library does not report.
#include "mesh/texture_compress.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

#include "mesh/nvtt/nvtt_module.h"
#include "mesh/texture_compress_module.h"
#include "zel/texture_resource.h"

namespace {

std::mutex lastErrorLock;
Zel::PString& LastError()
{
    static Zel::PString* text = new Zel::PString();
    return *text;
}

// Collects the module's images into the target. The library ignores a
// false from writeData, so an overflow is remembered here and fails the call.
class ImageCollector {
public:
    explicit ImageCollector(TextureCompress& target) : target_(target) {}

    void beginImage(int size, int width, int height)
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

    bool writeData(const void* data, int size)
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

    // Keeps the library's error text for this call (and, for compatibility,
    // in the shared last error).
    void error(const char* text)
    {
        errorText = text ? text : "";
        TextureCompress::SetLastError(errorText.c_str());
    }

    std::string errorText;

    KorvelNvttSink Sink()
    {
        KorvelNvttSink sink;
        sink.context = this;
        sink.beginImage = [](void* context, int32_t size, int32_t width, int32_t height) {
            static_cast<ImageCollector*>(context)->beginImage(size, width, height);
        };
        sink.writeData = [](void* context, const void* data, int32_t size) -> int32_t {
            return static_cast<ImageCollector*>(context)->writeData(data, size) ? 1 : 0;
        };
        sink.error = [](void* context, const char* text) { static_cast<ImageCollector*>(context)->error(text); };
        return sink;
    }

private:
    TextureCompress& target_;
    std::unique_ptr<Zel::Bitmap> image_;
    int32_t capacity_ = 0;
    int32_t written_ = 0;
    bool overflow_ = false;
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

    std::string unavailable;
    KorvelNvttCompressFunction compress = TextureCompressModule::Entry(&unavailable);
    if (!compress)
        return Refuse(error, unavailable.c_str());

    KorvelNvttJob job{};
    job.bgra = bgra.data();
    job.width = source.Width();
    job.height = source.Height();
    job.layout = 1;
    if (format == Zel::TextureDXT1)
        job.format = alpha ? KorvelNvttFormatDXT1a : KorvelNvttFormatDXT1;
    else if (format == Zel::TextureDXT3)
        job.format = KorvelNvttFormatDXT3;
    else if (format == Zel::TextureDXT5)
        job.format = KorvelNvttFormatDXT5;
    else
        job.format = KorvelNvttFormatRGBA;
    job.wrap = wrap;
    job.normalMap = normalMap;
    job.mipmaps = mipmaps;
    job.enableCuda = enableCuda;
#ifdef KORVEL_TEST_HOOKS
    // Test builds: KORVEL_TEST_NVTT=throw leaves out the input (the library
    // then throws), =fail gives it an empty one (it reports invalid input).
    if (const char* how = std::getenv("KORVEL_TEST_NVTT")) {
        job.layout = std::string_view(how) != "throw";
        if (std::string_view(how) == "fail")
            job.width = job.height = 0;
    }
#endif

    ImageCollector outputHandler(target);
    KorvelNvttSink sink = outputHandler.Sink();
    char thrown[1024] = "";
    int32_t result = compress(&job, &sink, thrown, sizeof(thrown));
    if (result == KorvelNvttThrew)
        return Refuse(error, thrown);
    if (result != KorvelNvttProcessed) {
        const std::string& text = outputHandler.errorText;
        return Refuse(error, text.empty() ? "Texture compression failed." : text.c_str());
    }
    if (outputHandler.Overflowed())
        return Refuse(error, "Texture compression wrote more than the image size it announced.");
    outputHandler.Finish();
    return true;
}
