// Fuzz target: the library image reader on arbitrary bytes, then a walk over
// everything it accepted, as a loader would use it.
#include <cstddef>
#include <cstdint>

#include "script/common/disassembler.h"
#include "script/common/library_image_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GSImage::LibraryHeader header;
    GSImage::ProbeLibraryHeader(data, size, &header);
    GSImage::LibraryImage image;
    GSImage::ImageError error;
    if (!GSImage::ReadLibraryImage(data, size, &image, &error))
        return 0;
    size_t sum = image.name.size();
    for (const GSImage::ClassReference& c : image.classReferences)
        sum += image.String(c.name).size();
    for (const GSImage::FunctionReference& f : image.functionReferences) {
        sum += image.String(f.name).size() + image.String(image.classReferences[f.classReference].name).size();
    }
    for (const GSImage::ClassRecord& cls : image.classes) {
        sum += image.String(cls.name).size();
        for (const GSImage::MethodSlot& slot : cls.methods)
            sum += image.functionReferences[slot.functionReference].name;
        for (const GSImage::FunctionRecord& function : cls.functions) {
            sum += image.String(function.name).size();
            sum += Disassemble(function.code, function.codeLength).size();
        }
    }
    return sum == SIZE_MAX ? -1 : 0;  // keeps the walk from being optimised away
}
