// Per-asset local data of the online-access scripts: one binary soup per asset and name in the index.
#include "daemon/online_local_store.h"

#include "daemon/store_connection.h"
#include "foundation/streams/t_buffer.h"
#include "soup/binary_soup.h"

bool KADOnlineLocalStore::Load(const KUID& asset, std::string_view name, SoupHandle& soup)
{
    soup.Clear();
    KADStatement query(connection, "SELECT soup FROM online_local WHERE user = ? AND content = ? AND name = ?");
    query.BindInt64(1, asset.user);
    query.BindInt64(2, asset.content);
    query.BindText(3, name);
    if (!query.Step())
        return query.Done();
    std::vector<std::uint8_t> bytes = query.ColumnBlob(0);
    TBuffer stream;
    stream.WriteBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.Rewind();
    SoupHandle loaded;
    if (!ReadBinarySoup(loaded, stream))
        return false;
    // A copy of its own: the loaded handle may still read from the stream.
    soup.Copy(loaded);
    return true;
}

bool KADOnlineLocalStore::Save(const KUID& asset, std::string_view name, const SoupHandle& soup)
{
    if (soup.CountTags() == 0) {
        KADStatement remove(connection, "DELETE FROM online_local WHERE user = ? AND content = ? AND name = ?");
        remove.BindInt64(1, asset.user);
        remove.BindInt64(2, asset.content);
        remove.BindText(3, name);
        return remove.Run();
    }
    TBuffer stream;
    WriteBinarySoup(stream, soup);
    KADStatement store(connection,
                       "INSERT OR REPLACE INTO online_local (user, content, name, soup) VALUES (?, ?, ?, ?)");
    store.BindInt64(1, asset.user);
    store.BindInt64(2, asset.content);
    store.BindText(3, name);
    store.BindBlob(4, stream.Data(), static_cast<std::size_t>(stream.DataLength()));
    return store.Run();
}
