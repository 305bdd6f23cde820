// Reading a soup in the "ACS$" binary form into a handle.
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"
#include "soup/tdb_binary_file.h"

bool ReadBinarySoup(SoupHandle& soup, TStream& stream)
{
    auto file = ReferenceCountMPPtr<TDBBinaryFile>::Adopt(new TDBBinaryFile());
    const bool result = file->Read(stream);
    soup.Clear();
    if (!result)
        return false;
    soup = SoupHandle::FromChunk(file->GetRoot());
    return true;
}

void ReadBinarySoupUnchecked(SoupHandle& soup, TStream& stream)
{
    ReadBinarySoup(soup, stream);
}
