// Settings groups in the index: one binary soup per section.
#include "daemon/settings_store.h"

#include "foundation/streams/t_buffer.h"
#include "daemon/store_connection.h"
#include "soup/binary_soup.h"

bool KADSettingsStore::LoadSection(std::string_view section, SoupHandle& soup)
{
    soup.Clear();
    KADStatement query(connection, "SELECT soup FROM settings WHERE section = ?");
    query.BindText(1, section);
    if (!query.Step())
        return query.IsValid();
    std::vector<std::uint8_t> bytes = query.ColumnBlob(0);
    TBuffer stream;
    stream.WriteBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.Rewind();
    return ReadBinarySoup(soup, stream);
}

bool KADSettingsStore::SaveSection(std::string_view section, const SoupHandle& soup)
{
    if (soup.CountTags() == 0)
        return RemoveSection(section);
    TBuffer stream;
    WriteBinarySoup(stream, soup);
    KADStatement store(connection, "INSERT OR REPLACE INTO settings (section, soup) VALUES (?, ?)");
    store.BindText(1, section);
    store.BindBlob(2, stream.Data(), static_cast<std::size_t>(stream.DataLength()));
    return store.Run();
}

bool KADSettingsStore::RemoveSection(std::string_view section)
{
    KADStatement remove(connection, "DELETE FROM settings WHERE section = ?");
    remove.BindText(1, section);
    return remove.Run();
}

Zel::PString KADSettingsStore::GetValue(std::string_view section, const Zel::PString& key)
{
    SoupHandle soup;
    LoadSection(section, soup);
    return soup.GetNamedTag(key);
}

bool KADSettingsStore::SetValue(std::string_view section, const Zel::PString& key, const Zel::PString& value)
{
    if (!connection.Exec("BEGIN IMMEDIATE"))
        return false;
    SoupHandle soup;
    LoadSection(section, soup);
    // A stored section is copied before it is changed: the loaded handle may
    // read from the bytes it was loaded from.
    SoupHandle changed;
    changed.Copy(soup);
    changed.SetNamedTag(key, value);
    if (!SaveSection(section, changed)) {
        connection.Exec("ROLLBACK");
        return false;
    }
    return connection.Exec("COMMIT");
}
