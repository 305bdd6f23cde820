// gsldump: prints a compiled library image (.gsl) section by section, with
// its classes, layouts, method tables, disassembled code and line tables.
// A damaged image is reported with what was wrong and where.
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "script/common/disassembler.h"
#include "script/common/library_image_format.h"
#include "script/common/library_image_reader.h"

namespace {

// The text with quotes, backslashes and unprintable bytes escaped.
std::string Escaped(std::string_view text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Quoted(std::string_view text)
{
    return "\"" + Escaped(text) + "\"";
}

class Dumper {
public:
    explicit Dumper(const GSImage::LibraryImage& image) : image_(image) {}

    void Print() const
    {
        const GSImage::LibraryHeader& header = image_.header;
        std::printf("library %s\n", Quoted(image_.name).c_str());
        std::printf("  total length %" PRIu32 ", version bits 0x%08" PRIX32 "\n", header.totalLength,
                    header.versionBits);
        std::printf("  id %08" PRIx32 "%08" PRIx32 "\n", header.sourceCrc, header.fileNameCrc);
        PrintSections();
        for (size_t i = 0; i < image_.classes.size(); ++i)
            PrintClass(i, image_.classes[i]);
    }

private:
    std::string Text(uint32_t index) const { return Quoted(image_.String(index)); }
    std::string ClassName(int64_t reference) const
    {
        if (reference < 0)
            return "-";
        return std::string(image_.String(image_.classReferences[size_t(reference)].name));
    }

    void PrintSections() const
    {
        std::printf("dependencies (%zu)\n", image_.dependencies.size());
        for (size_t i = 0; i < image_.dependencies.size(); ++i) {
            const GSImage::Dependency& d = image_.dependencies[i];
            std::printf("  [%zu] %08" PRIx32 "%08" PRIx32 "\n", i, d.sourceCrc, d.fileNameCrc);
        }
        std::printf("strings (%zu)\n", image_.strings.size());
        for (size_t i = 0; i < image_.strings.size(); ++i)
            std::printf("  [%zu] %s\n", i, Quoted(image_.strings[i]).c_str());
        std::printf("class references (%zu)\n", image_.classReferences.size());
        for (size_t i = 0; i < image_.classReferences.size(); ++i) {
            const GSImage::ClassReference& c = image_.classReferences[i];
            std::printf("  [%zu] %s in dependency %" PRIu32 "\n", i, Text(c.name).c_str(), c.dependency);
        }
        std::printf("function references (%zu)\n", image_.functionReferences.size());
        for (size_t i = 0; i < image_.functionReferences.size(); ++i) {
            const GSImage::FunctionReference& f = image_.functionReferences[i];
            std::printf("  [%zu] %s of %s, slot %" PRId32 "\n", i, Text(f.name).c_str(),
                        ClassName(f.classReference).c_str(), f.slot);
        }
    }

    void PrintClass(size_t index, const GSImage::ClassRecord& cls) const
    {
        std::printf("class [%zu] %s, flags 0x%" PRIX32 ", instance size %" PRIu32 " words\n", index,
                    Text(cls.name).c_str(), cls.flags, cls.instanceSize);
        for (const GSImage::BaseEntry& base : cls.bases) {
            std::printf("  base %s at word %" PRIu32 "%s\n", ClassName(base.classReference).c_str(), base.blockOffset,
                        base.direct ? "" : " (inherited)");
        }
        for (const GSImage::MemberEntry& member : cls.members) {
            std::printf("  member %s type %" PRIu32 " class %s slot %" PRId32 "%s\n", Text(member.name).c_str(),
                        member.type, ClassName(member.classReference).c_str(), member.slot,
                        member.isPublic ? " public" : "");
        }
        std::printf("  method table (%zu)\n", cls.methods.size());
        for (size_t slot = 0; slot < cls.methods.size(); ++slot) {
            const GSImage::MethodSlot& method = cls.methods[slot];
            const GSImage::FunctionReference& f = image_.functionReferences[method.functionReference];
            std::printf("    [%zu] %s at word %" PRIu32 "\n", slot, Text(f.name).c_str(), method.blockOffset);
        }
        std::printf("  layout (%zu)\n", cls.layout.size());
        for (const GSImage::LayoutEntry& entry : cls.layout) {
            if (entry.kind == GSImage::kLayoutMethodTable) {
                std::printf("    word %" PRIu32 " = method table + %" PRIu32 "\n", entry.word, entry.value);
            } else {
                std::printf("    word %" PRIu32 " = %" PRId32 "\n", entry.word, static_cast<int32_t>(entry.value));
            }
        }
        std::printf("  reference slots:");
        for (uint32_t i = 0; i < cls.referenceSlots.size(); ++i)
            std::printf(" %" PRIu32, cls.referenceSlots[i]);
        std::printf("\n");
        for (const GSImage::FunctionRecord& function : cls.functions)
            PrintFunction(function);
    }

    void PrintFunction(const GSImage::FunctionRecord& f) const
    {
        std::printf("  function %s returns type %" PRIu32 " class %s, flags 0x%" PRIX32 ", slot %" PRId32 "\n",
                    Text(f.name).c_str(), f.returnType, ClassName(f.returnClass).c_str(), f.flags, f.slot);
        std::printf("    frame: advance %" PRId32 ", argument base %" PRId32 ", frame offset %" PRId32
                    ", stack need %" PRId32 ", argument words %" PRId32 ", locals %" PRIu32 " + %" PRIu32 "\n",
                    f.stackAdvance, f.argumentBase, f.frameOffset, f.stackNeed, f.argumentWords, f.localWords[0],
                    f.localWords[1]);
        std::printf("    reference locals:");
        for (uint32_t i = 0; i < f.referenceLocals.size(); ++i)
            std::printf(" %" PRIu32, f.referenceLocals[i]);
        std::printf("\n    code (%" PRIu32 " bytes)\n", f.codeLength);
        const StringNamer names = [this](uint32_t index) {
            // The listing puts its own quotes around the text.
            return index < image_.strings.size() ? Escaped(image_.strings[index]) : "s" + std::to_string(index);
        };
        const std::string listing = Disassemble(f.code, f.codeLength, names);
        size_t start = 0;
        while (start < listing.size()) {
            const size_t end = listing.find('\n', start);
            std::printf("      %s\n", listing.substr(start, end - start).c_str());
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        if (!f.hasLineTable) {
            std::printf("    no line table\n");
            return;
        }
        std::printf("    lines (%" PRIu32 "):", f.lines.size());
        for (uint32_t i = 0; i < f.lines.size(); ++i)
            std::printf(" %" PRIu32 "->%" PRIu32, f.lines[i].position, f.lines[i].line);
        std::printf("\n");
    }

    const GSImage::LibraryImage& image_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gsldump LIBRARY.gsl\n");
        return 1;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "gsldump: cannot read %s\n", argv[1]);
        return 2;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    GSImage::LibraryImage image;
    GSImage::ImageError error;
    if (!GSImage::ReadLibraryImage(bytes.data(), bytes.size(), &image, &error)) {
        std::fprintf(stderr, "gsldump: %s: %s at byte %" PRIu32 "\n", argv[1], GSImage::ImageFaultText(error.fault),
                     error.offset);
        return 3;
    }
    Dumper(image).Print();
    return 0;
}
