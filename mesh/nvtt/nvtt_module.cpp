// The texture compression module: one call of NVIDIA Texture Tools 2.0 behind a plain-C entry point.
#include "mesh/nvtt/nvtt_module.h"

#include <nvtt/nvtt.h>

#include <cstdio>
#include <exception>

namespace {

class SinkOutput : public nvtt::OutputHandler {
public:
    explicit SinkOutput(const KorvelNvttSink& sink) : sink_(sink) {}

    void beginImage(int size, int width, int height, int /*depth*/, int /*face*/, int /*miplevel*/) override
    {
        sink_.beginImage(sink_.context, size, width, height);
    }

    bool writeData(const void* data, int size) override
    {
        return sink_.writeData(sink_.context, data, size) != 0;
    }

private:
    const KorvelNvttSink& sink_;
};

class SinkErrors : public nvtt::ErrorHandler {
public:
    explicit SinkErrors(const KorvelNvttSink& sink) : sink_(sink) {}

    void error(nvtt::Error code) override
    {
        sink_.error(sink_.context, nvtt::errorString(code));
    }

private:
    const KorvelNvttSink& sink_;
};

nvtt::Format LibraryFormat(int32_t format)
{
    switch (format) {
    case KorvelNvttFormatDXT1:
        return nvtt::Format_DXT1;
    case KorvelNvttFormatDXT1a:
        return nvtt::Format_DXT1a;
    case KorvelNvttFormatDXT3:
        return nvtt::Format_DXT3;
    case KorvelNvttFormatDXT5:
        return nvtt::Format_DXT5;
    default:
        return nvtt::Format_RGBA;
    }
}

bool Run(const KorvelNvttJob& job, const KorvelNvttSink& sink)
{
    nvtt::Compressor compressor;
    nvtt::InputOptions input;
    nvtt::OutputOptions output;
    nvtt::CompressionOptions compression;
    SinkOutput outputHandler(sink);
    SinkErrors errorHandler(sink);

    input.setMipmapGeneration(job.mipmaps != 0, -1);
    if (job.normalMap)
        input.setNormalMap(true);
    input.setWrapMode(job.wrap ? nvtt::WrapMode_Repeat : nvtt::WrapMode_Clamp);
    // Debian's library is built without CUDA: the switch is passed and does nothing.
    compressor.enableCudaAcceleration(job.enableCuda != 0);
    compression.setFormat(LibraryFormat(job.format));
    compression.setQuality(nvtt::Quality_Production);

    // Image data without a layout would be written nowhere (the library
    // does not check): the two go together.
    if (job.layout) {
        input.setTextureLayout(nvtt::TextureType_2D, job.width, job.height, 1);
        input.setMipmapData(job.bgra, job.width, job.height, 1, 0, 0);
    }
    // Filter 3 is not named in this version's enum; it behaves as Kaiser.
    input.setMipmapFilter(job.normalMap ? nvtt::MipmapFilter_Box : static_cast<nvtt::MipmapFilter>(3));

    output.setOutputHandler(&outputHandler);
    output.setErrorHandler(&errorHandler);
    output.setOutputHeader(false);
    return compressor.process(input, compression, output);
}

void Say(char* message, size_t messageSize, const char* text)
{
    if (message && messageSize)
        std::snprintf(message, messageSize, "%s", text);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t KorvelNvttModuleVersion(void)
{
    return KORVEL_NVTT_MODULE_VERSION;
}

// The library reports some faults by throwing (an input without a layout),
// from any of its calls: none may cross into the caller.
extern "C" __attribute__((visibility("default"))) int32_t KorvelNvttCompress(const KorvelNvttJob* job,
                                                                             const KorvelNvttSink* sink,
                                                                             char* message, size_t messageSize)
{
    try {
        return Run(*job, *sink) ? KorvelNvttProcessed : KorvelNvttFailed;
    } catch (const std::exception& thrown) {
        Say(message, messageSize, thrown.what());
    } catch (...) {
        Say(message, messageSize, "Texture compression failed with an unknown exception.");
    }
    return KorvelNvttThrew;
}
