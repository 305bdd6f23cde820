// Properties on result lines and their wire record.
#include <gtest/gtest.h>

#include <string>

#include "foundation/streams/t_buffer.h"
#include "soup/korvel_property.h"
#include "soup_test_support.h"

namespace {

using SoupTest::BytesOf;
using SoupTest::U32;

TEST(Property, NullHandleIsFourZeroBytes)
{
    TBuffer buffer;
    WritePropertyToBuffer(buffer, PropertyHandle());
    EXPECT_EQ(BytesOf(buffer), U32(0));
    buffer.Rewind();
    PropertyHandle read = PropertyHandle::Adopt(new KorvelPropertyAssetID(AssetIDPropertyName(), KUID(1, 2, 0)));
    ReadPropertyFromBuffer(buffer, read);
    EXPECT_TRUE(read.IsNull());
}

TEST(Property, AssetIDRoundTrip)
{
    TBuffer buffer;
    PropertyHandle property = PropertyHandle::Adopt(new KorvelPropertyAssetID(AssetIDPropertyName(), 5, 100, 0));
    WritePropertyToBuffer(buffer, property);
    EXPECT_EQ(BytesOf(buffer), U32(8) + U32(7) + "AssetID" + U32(12) + "<kuid:5:100>");
    buffer.Rewind();
    PropertyHandle read;
    ReadPropertyFromBuffer(buffer, read);
    ASSERT_FALSE(read.IsNull());
    EXPECT_STREQ(read.GetValueText().c_str(), "<kuid:5:100>");
    EXPECT_EQ(static_cast<KorvelPropertyAssetID*>(read.Get())->GetAssetID(), KUID(5, 100, 0));
}

TEST(Property, OtherTypesAreConsumedWholeAndDropped)
{
    TBuffer buffer;
    const std::string record = U32(3) + U32(4) + "name" + U32(5) + "value" + U32(77);
    buffer.Write(record.data(), int64_t(record.size()));
    buffer.Rewind();
    PropertyHandle read;
    ReadPropertyFromBuffer(buffer, read);
    EXPECT_TRUE(read.IsNull());
    EXPECT_EQ(buffer.ReadInt32(0), 77);
}

TEST(Property, TrailingZeroBytesAreAcceptedAndBadValuesGiveTheNullId)
{
    TBuffer buffer;
    const std::string record = U32(8) + U32(8) + std::string("AssetID\0", 8) + U32(13) +
                               std::string("<kuid:5:100>\0", 13) + U32(8) + U32(7) + "AssetID" + U32(3) + "???";
    buffer.Write(record.data(), int64_t(record.size()));
    buffer.Rewind();
    PropertyHandle read;
    ReadPropertyFromBuffer(buffer, read);
    ASSERT_FALSE(read.IsNull());
    EXPECT_EQ(read.Get()->GetName(), AssetIDPropertyName());
    EXPECT_STREQ(read.GetValueText().c_str(), "<kuid:5:100>");
    ReadPropertyFromBuffer(buffer, read);
    ASSERT_FALSE(read.IsNull());
    EXPECT_STREQ(read.GetValueText().c_str(), "<NULL>");
}

TEST(Property, AShortBufferLeavesTheHandleNullAndTheStreamFailed)
{
    TBuffer buffer;
    buffer.Write("\x08\x00", 2);
    buffer.Rewind();
    PropertyHandle read = PropertyHandle::Adopt(new KorvelPropertyAssetID(AssetIDPropertyName(), KUID()));
    ReadPropertyFromBuffer(buffer, read);
    EXPECT_TRUE(read.IsNull());
    EXPECT_EQ(buffer.GetError(), TStream::ErrorShortRead);
}

TEST(Property, HandlesCountReferences)
{
    auto* property = new KorvelPropertyAssetID(AssetIDPropertyName(), KUID(1, 2, 0));
    PropertyHandle first = PropertyHandle::Adopt(property);
    {
        PropertyHandle second = first;
        PropertyHandle third = PropertyHandle::Acquire(property);
        EXPECT_EQ(property->GetReferenceCount(), 3);
        third.Assign(third);
        EXPECT_EQ(property->GetReferenceCount(), 3);
        third.SetNull();
        EXPECT_EQ(property->GetReferenceCount(), 2);
    }
    EXPECT_EQ(property->GetReferenceCount(), 1);
    property->SetValueText("<kuid2:1:2:3>");
    EXPECT_STREQ(first.GetValueText().c_str(), "<kuid2:1:2:3>");
}

}  // namespace
