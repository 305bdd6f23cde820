// SoupHandle: defaults on a null handle, setter order, typed reads through conversion, sharing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "soup/soup_handle.h"
#include "soup/tdb_container_tag.h"
#include "soup_test_support.h"

namespace {

using SoupTest::TagNames;

TEST(SoupHandle, EveryReadOnANullHandleGivesItsDefault)
{
    const SoupHandle soup;
    const Zel::PString name("a");
    EXPECT_EQ(soup.CountTags(), 0);
    EXPECT_TRUE(soup.IsEmpty());
    EXPECT_FALSE(soup.HasNamedTag(name));
    EXPECT_EQ(soup.GetNamedTagType(name), 0);
    EXPECT_TRUE(soup.GetIndexedTagName(0).IsEmpty());
    EXPECT_TRUE(soup.GetNamedSoup(name).IsEmpty());
    EXPECT_TRUE(soup.GetIndexedSoup(0).IsEmpty());
    EXPECT_FALSE(soup.GetNamedTagBlock(name));
    EXPECT_TRUE(soup.GetNamedTag(name).IsEmpty());
    EXPECT_EQ(soup.GetNamedTagAsInt(name, 42), 42);
    EXPECT_TRUE(soup.GetNamedTagAsBool(name, true));
    EXPECT_FLOAT_EQ(soup.GetNamedTagAsFloat(name, 1.5f), 1.5f);
    EXPECT_EQ(soup.GetNamedTagAsKUID(name, KUID(1, 2, 3)), KUID(1, 2, 3));
    FloatArray camera;
    EXPECT_FALSE(soup.GetCameraList(camera));
    EXPECT_STREQ(soup.MakeUniqueTagName().c_str(), "0");
}

TEST(SoupHandle, ResettingATagMovesItToTheEnd)
{
    SoupHandle soup;
    soup.SetNamedTagInt(Zel::PString("a"), 1);
    soup.SetNamedTagInt(Zel::PString("b"), 2);
    soup.SetNamedTagInt(Zel::PString("a"), 3);
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("a"), 0), 3);
}

TEST(SoupHandle, EmptyTagsAndEmptyTexts)
{
    SoupHandle soup;
    soup.SetNamedTagEmpty(Zel::PString("0"));
    EXPECT_FALSE(soup.HasNamedTag(Zel::PString("0")));
    EXPECT_EQ(soup.CountTags(), 1);
    EXPECT_STREQ(soup.MakeUniqueTagName().c_str(), "0");

    soup.SetNamedTag(Zel::PString("t"), "");
    EXPECT_TRUE(soup.HasNamedTag(Zel::PString("t")));
    EXPECT_EQ(soup.GetNamedTagType(Zel::PString("t")), SoupTypeText);
    EXPECT_TRUE(soup.GetNamedTag(Zel::PString("t")).IsEmpty());
    EXPECT_FALSE(soup.GetNamedTagBlock(Zel::PString("t")));
}

TEST(SoupHandle, TypedReadsAlwaysConvert)
{
    SoupHandle soup;
    soup.SetNamedTag(Zel::PString("text5"), "5");
    soup.SetNamedTag(Zel::PString("pair"), "1,2");
    soup.SetNamedTagFloat(Zel::PString("f"), 2.5f);
    soup.SetNamedTagInt(Zel::PString("i"), 3);
    FloatArray two;
    two.Add(1);
    two.Add(2);
    soup.SetNamedTagFloatList(Zel::PString("list"), two);
    soup.SetNamedTagKUID(Zel::PString("k"), KUID(5, 100, 0));

    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("text5"), -1), 5);
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("pair"), -1), -1);
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("f"), -1), 2);
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("list"), -1), -1);
    EXPECT_EQ(soup.GetNamedTagAsKUID(Zel::PString("i"), NullKUID), KUID(-1, 3, 127));
    EXPECT_FLOAT_EQ(soup.GetNamedTagAsFloat(Zel::PString("i"), 0), 3.0f);
    EXPECT_STREQ(soup.GetNamedTag(Zel::PString("f")).c_str(), "2.5");
    EXPECT_STREQ(soup.GetNamedTag(Zel::PString("list")).c_str(), "1,2");
    EXPECT_STREQ(soup.GetNamedTag(Zel::PString("k")).c_str(), "<kuid:5:100>");
    EXPECT_EQ(soup.GetNamedTagAsKUID(Zel::PString("k"), NullKUID), KUID(5, 100, 0));
    EXPECT_TRUE(soup.GetNamedTagAsBool(Zel::PString("text5"), false));
}

TEST(SoupHandle, FloatListsAndTheCamera)
{
    SoupHandle soup;
    FloatArray values;
    for (float v : {1.0f, 2.0f, 3.0f})
        values.Add(v);
    EXPECT_EQ(values.Capacity() % 8, 0);
    soup.SetNamedTagFloatList(Zel::PString("camera"), values);
    FloatArray camera;
    ASSERT_TRUE(soup.GetCameraList(camera));
    ASSERT_EQ(camera.Count(), 3);
    EXPECT_FLOAT_EQ(camera[2], 3.0f);
    // An empty array only removes the tag.
    soup.SetNamedTagFloatList(Zel::PString("camera"), FloatArray());
    EXPECT_EQ(soup.CountTags(), 0);
    // A text camera converts through the float converter.
    soup.SetNamedTag(Zel::PString("camera"), "2.5");
    ASSERT_TRUE(soup.GetCameraList(camera));
    EXPECT_EQ(camera.Count(), 1);
}

TEST(SoupHandle, SubSoupsAreShared)
{
    SoupHandle parent;
    SoupHandle child;
    parent.SetNamedSoup(Zel::PString("child"), child);
    child.SetNamedTagInt(Zel::PString("x"), 7);
    EXPECT_EQ(parent.GetNamedSoup(Zel::PString("child")).GetNamedTagAsInt(Zel::PString("x"), 0), 7);
    // And changes through the looked-up handle show in the parent.
    SoupHandle again = parent.GetNamedSoup(Zel::PString("child"));
    again.SetNamedTagInt(Zel::PString("y"), 8);
    EXPECT_EQ(child.GetNamedTagAsInt(Zel::PString("y"), 0), 8);
}

TEST(SoupHandle, ASoupCannotBeStoredInsideItself)
{
    SoupHandle parent;
    SoupHandle child;
    parent.SetNamedSoup(Zel::PString("child"), child);
    SoupHandle grandchild;
    child.SetNamedSoup(Zel::PString("grandchild"), grandchild);
    grandchild.SetNamedSoup(Zel::PString("loop"), parent);
    parent.SetNamedSoup(Zel::PString("self"), parent);
    EXPECT_EQ(grandchild.CountTags(), 0);
    EXPECT_EQ(parent.CountTags(), 1);
    // Writing terminates because no cycle was made.
    EXPECT_FALSE(SoupTest::WriteText(parent).empty());
}

TEST(SoupHandle, RemovingOneOfTwoNamesOfASharedSubSoupRemovesThatName)
{
    SoupHandle parent;
    SoupHandle shared;
    parent.SetNamedSoup(Zel::PString("a"), shared);
    parent.SetNamedSoup(Zel::PString("b"), shared);
    parent.RemoveNamedTag(Zel::PString("b"));
    EXPECT_EQ(TagNames(parent), (std::vector<std::string>{"a"}));
}

TEST(SoupHandle, CopyIsIndependentAndCopyRefShares)
{
    SoupHandle original;
    original.SetNamedTagInt(Zel::PString("a"), 1);
    SoupHandle inner;
    inner.SetNamedTagInt(Zel::PString("x"), 1);
    original.SetNamedSoup(Zel::PString("inner"), inner);

    SoupHandle copy;
    copy.Copy(original);
    SoupHandle shared;
    original.CopyRef(shared);
    original.SetNamedTagInt(Zel::PString("a"), 2);
    inner.SetNamedTagInt(Zel::PString("x"), 2);
    EXPECT_EQ(copy.GetNamedTagAsInt(Zel::PString("a"), 0), 1);
    EXPECT_EQ(copy.GetNamedSoup(Zel::PString("inner")).GetNamedTagAsInt(Zel::PString("x"), 0), 1);
    EXPECT_EQ(shared.GetNamedTagAsInt(Zel::PString("a"), 0), 2);
    // Copying a soup onto itself keeps its tags.
    copy.Copy(copy);
    EXPECT_EQ(copy.GetNamedTagAsInt(Zel::PString("a"), 0), 1);
}

TEST(SoupHandle, FromChunkRefusesAbsentChunks)
{
    EXPECT_TRUE(SoupHandle::FromChunk(ACSChunk::GetNullChunk()).IsEmpty());
    EXPECT_FALSE(SoupHandle::FromChunk(ACSChunk::GetNullChunk()).Root());
    EXPECT_FALSE(SoupHandle::FromChunk(ChunkRef::Adopt(new TDBDataTag(SoupTypeNone, nullptr))).Root());
    EXPECT_TRUE(SoupHandle::FromChunk(ChunkRef::Adopt(new TDBContainerTag())).Root());
}

TEST(SoupHandle, SettersOnADataChunkRootDoNothing)
{
    int32_t value = 5;
    SoupHandle soup =
        SoupHandle::FromChunk(ChunkRef::Adopt(new TDBDataTag(SoupTypeInt, ACSRawDataCore::Copy(&value, 4))));
    soup.SetNamedTagInt(Zel::PString("a"), 1);
    EXPECT_EQ(soup.CountTags(), 0);
    EXPECT_EQ(soup.Root()->GetType(), SoupTypeInt);
}

TEST(SoupHandle, IndexedTagText)
{
    SoupHandle soup;
    soup.SetNamedTagInt(Zel::PString("n"), 12);
    soup.SetNamedTagEmpty(Zel::PString("e"));
    Zel::PString name;
    Zel::PString text;
    ASSERT_TRUE(soup.GetIndexedTagText(0, name, text));
    EXPECT_STREQ(name.c_str(), "n");
    EXPECT_STREQ(text.c_str(), "12");
    ASSERT_TRUE(soup.GetIndexedTagText(1, name, text));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_FALSE(soup.GetIndexedTagText(2, name, text));
}

}  // namespace
