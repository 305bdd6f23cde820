// Fuzz target: WorldList full-stream and data-stream loads of arbitrary bytes into a list that already holds items.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "foundation/streams/t_buffer.h"
#include "scripthost/world_item_factory.h"
#include "scripthost/world_list.h"

namespace {

constexpr uint32_t OtherType = 0x74736574u;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Reads and writes a string in every form an item has.
class TextItem : public WorldListItem {
public:
    explicit TextItem(uint32_t type) : type_(type) {}
    uint32_t GetTypeId() const override { return type_; }
    uint32_t GetFlags() override { return 1 | WorldList::StateFlag; }
    void Load(TStream& stream) override { text_ = stream.ReadString(); }
    void Save(TStream& stream) override { stream.WriteString(text_); }
    void ReadState(TStream& stream) override { text_ = stream.ReadString(); }
    void WriteState(TStream& stream) override { stream.WriteString(text_); }
    void ReadData(TStream& stream) override { text_ = stream.ReadString(); }
    void WriteData(TStream& stream) override { stream.WriteString(text_); }

private:
    uint32_t type_;
    Zel::String text_;
};

class TextFactory : public WorldItemFactory {
public:
    explicit TextFactory(uint32_t type) : WorldItemFactory(type, Zel::PString("text")) {}
    WorldFactoryItem* Create(void*, TStream& stream) override
    {
        auto* item = new TextItem(GetTypeId());
        item->Load(stream);
        return item;
    }
};

TextFactory dataFactory(WorldTypeDataItem);
TextFactory otherFactory(OtherType);

}  // namespace

// The first byte chooses the reader and its flags; the rest is the stream.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t recipe = data[0];
    TBuffer stream;
    stream.WriteBytes(data + 1, int64_t(size - 1));
    stream.Rewind();

    WorldList list;
    for (int i = 0; i < 4; ++i)
        list.AddItem(new TextItem(i % 2 == 0 ? WorldTypeDataItem : OtherType));
    if ((recipe & 1) != 0)
        list.LoadData(stream);
    else
        list.Load(stream, (recipe & 2) != 0, (recipe & 4) != 0 ? WorldList::StateFlag : 0);
    Check(list.GetSlotCount() <= WorldList::IndexCap + 2);
    for (int32_t i = 0; i < list.GetSlotCount(); ++i) {
        if (WorldListItem* item = list.GetItem(i)) {
            Check(item->GetOwner() == &list && item->GetIndex() == i);
        }
    }
    // Whatever was read saves again.
    TBuffer again;
    list.Save(again, 0, 0);
    return 0;
}
