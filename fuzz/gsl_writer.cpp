// Fuzz target: programs that compile become library images, and every image
// the writer produces must read back whole, with all its classes and strings.
#include <cstddef>
#include <cstdint>

#include "fuzz_compile.h"
#include "script/common/byte_buffer.h"
#include "script/common/library_image_reader.h"
#include "script/compiler/library_image_writer.h"
#include "script/compiler/symbols.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    if (!CompileFuzzText(data, size, &front, &log))
        return 0;
    Utils::ByteBuffer out;
    out.Init(512);
    // The writer may refuse (an override with another return type); what it
    // does write must be a sound image.
    if (!GSCompiler::WriteLibraryImage(&front.Context(), &log, "fuzz.gs", &out))
        return 0;
    GSImage::LibraryImage image;
    GSImage::ImageError error;
    if (!GSImage::ReadLibraryImage(out.Data(), out.Length(), &image, &error))
        __builtin_trap();
    if (image.classes.size() != front.Context().compiledClasses.Count())
        __builtin_trap();
    if (image.strings.size() != front.Context().libraryStrings.Count())
        __builtin_trap();
    if (image.header.totalLength != out.Length())
        __builtin_trap();
    return 0;
}
