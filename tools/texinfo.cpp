// texinfo: prints what a ".texture" file holds (header fields, format, size, mip chain), for tests and people.
#include <cstdio>
#include <string>

#include "zel/texture_file.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: texinfo FILE.texture\n");
        return 2;
    }
    Zel::TextureFileContents contents;
    std::string error;
    if (!Zel::ReadTextureFile(argv[1], contents, error)) {
        std::printf("error %s\n", error.c_str());
        return 1;
    }
    const Zel::TextureBodyHeader& header = contents.header;
    std::printf("magic %s\n", contents.magic.c_str());
    std::printf("size %u\n", contents.size);
    std::printf("body %s\n", contents.fileType.c_str());
    std::printf("format %s\n", Zel::TextureFormatName(header.format, contents.alpha));
    std::printf("width %u\n", header.width);
    std::printf("height %u\n", header.height);
    std::printf("mips %u\n", header.mipCount);
    for (size_t i = 0; i < contents.mips.size(); ++i) {
        const Zel::TextureFileMip& mip = contents.mips[i];
        std::printf("mip %zu %u %u %zu\n", i, mip.width, mip.height, mip.bytes.size());
    }
    return 0;
}
