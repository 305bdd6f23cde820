// Shared by the soup fuzz targets: touches every part of a soup the way callers do.
#pragma once

#include <string>

#include "foundation/streams/t_buffer.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"
#include "soup/text_soup.h"

namespace SoupFuzz {

// Reads every tag as every type, recursing into containers.
inline void Walk(const SoupHandle& soup, int depth)
{
    if (depth > 1100)
        __builtin_trap();  // the readers' nesting limit did not hold
    const int32_t count = soup.CountTags();
    for (int32_t i = 0; i < count && i < 4096; ++i) {
        const Zel::PString name = soup.GetIndexedTagName(i);
        soup.GetNamedTag(name);
        soup.GetNamedTagAsInt(name, 0);
        soup.GetNamedTagAsFloat(name, 0.0f);
        soup.GetNamedTagAsKUID(name, NullKUID);
        const SoupHandle inner = soup.GetIndexedSoup(i);
        if (!inner.IsEmpty())
            Walk(inner, depth + 1);
    }
    FloatArray camera;
    soup.GetCameraList(camera);
}

// Writes both forms, reads the binary form back and changes the loaded copy.
inline void WriteAndReload(const SoupHandle& soup)
{
    TBuffer text;
    WriteTextSoup(soup, text);
    TBuffer binary;
    WriteBinarySoup(binary, soup);
    binary.Rewind();
    SoupHandle loaded;
    if (!ReadBinarySoup(loaded, binary))
        __builtin_trap();  // our own writer's output must load
    const Zel::PString first = loaded.GetIndexedTagName(0);
    loaded.SetNamedTagInt(first, 1);
    loaded.RemoveNamedTag(loaded.GetIndexedTagName(0));
    SoupHandle copy;
    copy.Copy(loaded);
    TBuffer again;
    WriteBinarySoup(again, copy);
}

}  // namespace SoupFuzz
