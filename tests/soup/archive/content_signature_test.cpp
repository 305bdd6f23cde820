// Content signatures: the word checksum, combining, the text form, and signing and checking entries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "archive_test_support.h"
#include "soup/content_signature.h"

using namespace ArchiveTest;

namespace {

std::string Words(std::initializer_list<uint32_t> words, size_t extra = 0)
{
    std::string out;
    for (uint32_t word : words) {
        for (int i = 0; i < 4; ++i)
            out.push_back(char(word >> (8 * i)));
    }
    out.append(extra, '\x7f');
    return out;
}

// The checksum as a plain loop, for comparing with the coder's unrolled one.
uint32_t PlainChecksum(const std::string& bytes)
{
    uint32_t s = 0;
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        uint32_t w = 0;
        memcpy(&w, bytes.data() + i, 4);
        s += w;
        s = (s >> 30) | (s << 1);
    }
    return s == 0 ? 1 : s;
}

}  // namespace

TEST(ContentSignature, ComputeOverWholeWords)
{
    struct Case {
        const char* name;
        std::string bytes;
        uint32_t length;
        uint32_t checksum;
    };
    const Case cases[] = {
        {"empty", "", 0, 0},
        {"four bytes", Words({7}), 0, 0},
        {"five bytes count one word", Words({0x40000000}, 1), 4, 0x80000001},
        {"seven bytes", Words({0x80000000}, 3), 4, 2},
        {"top bits fold into bit 1", Words({0xC0000000}, 1), 4, 0x80000003},
        {"zero result becomes one", std::string(8, '\0'), 8, 1},
        {"three words", Words({1, 2, 3}), 12, 22},
    };
    for (const Case& c : cases) {
        const Dsid dsid = Dsid::Compute(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(dsid.length, c.length) << c.name;
        EXPECT_EQ(dsid.checksum, c.checksum) << c.name;
    }
    for (size_t size : {5u, 17u, 63u, 64u, 1001u, 4099u}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = char(i * 37 + size);
        EXPECT_EQ(Dsid::Compute(bytes.data(), size).checksum, PlainChecksum(bytes)) << size;
    }
}

TEST(ContentSignature, CombineAndFormat)
{
    EXPECT_EQ(Dsid::Combine({0x80000000u, 4}, {0x80000000u, 8}), (Dsid{1, 12}));
    EXPECT_EQ(Dsid::Combine({5, 4}, {6, 8}), (Dsid{11, 12}));
    EXPECT_EQ(Dsid::Combine({}, {}), Dsid{});
    EXPECT_STREQ((Dsid{0xFFFFFFFFu, 0x80000000u}).Format().c_str(), "-2147483648:-1");
    EXPECT_STREQ(Dsid{}.Format().c_str(), "0:0");
    Dsid dsid{3, 4};
    dsid.Clear();
    EXPECT_EQ(dsid, Dsid{});
}

TEST(ContentSignature, FilesTree)
{
    SoupHandle entry = Entry(KUID(1, 2, 0));
    SoupHandle files;
    SetFile(files, "a.txt", Words({1, 2, 3}));
    entry.SetNamedSoup(Zel::PString("files"), files);
    EXPECT_STREQ(ComputeAssetDsid(entry).Format().c_str(), "12:22");

    // A zero-result file (checksum 1) and one of checksum 0xFFFFFFFF wrap to 1.
    SoupHandle wrap;
    SetFile(wrap, "zero.dat", std::string(8, '\0'));
    SetFile(wrap, "ones.dat", Words({0x7FFFFFFF}, 1));
    EXPECT_STREQ(ComputeFilesDsid(wrap).Format().c_str(), "12:1");

    SoupHandle empty;
    SoupHandle sub;
    SoupHandle subSub;
    sub.SetNamedSoup(Zel::PString("deeper"), subSub);
    empty.SetNamedSoup(Zel::PString("folder"), sub);
    EXPECT_STREQ(ComputeFilesDsid(empty).Format().c_str(), "0:0");
    EXPECT_STREQ(ComputeAssetDsid(Entry(KUID(1, 2, 0))).Format().c_str(), "0:0");
}

TEST(ContentSignature, FoldersCountTheirFilesAndOtherTagsNothing)
{
    SoupHandle files;
    SoupHandle folder;
    SetFile(folder, "b.txt", Words({1, 2, 3}));
    files.SetNamedSoup(Zel::PString("art"), folder);
    SetFile(files, "c.txt", Words({5}, 2));
    files.SetNamedTag(Zel::PString("note.txt"), "text tags count nothing");
    files.SetNamedTagInt(Zel::PString("n.txt"), 77);
    const Dsid expected = Dsid::Combine(Dsid{22, 12}, Dsid::Compute(Words({5}, 2).data(), 6));
    EXPECT_EQ(ComputeFilesDsid(files), expected);
}

TEST(ContentSignature, DuplicateNamesCountTheFirstTwice)
{
    SoupHandle files;
    ChunkRef root = files.GetContainer();
    const std::string first = Words({1, 2, 3});
    const std::string second = Words({9, 9});
    root->AddNamedTag(Zel::PString("x.txt"), root->CreateDataTag(SoupTypeRaw, Block(first)));
    root->AddNamedTag(Zel::PString("x.txt"), root->CreateDataTag(SoupTypeRaw, Block(second)));
    EXPECT_STREQ(ComputeFilesDsid(files).Format().c_str(), "24:44");
}

TEST(ContentSignature, StoreAndVerify)
{
    SoupHandle entry = Entry(KUID(1, 2, 0));
    EXPECT_FALSE(VerifyAssetDsid(entry));
    SoupHandle files;
    SetFile(files, "mesh.pm", std::string(100, 'm'));
    entry.SetNamedSoup(Zel::PString("files"), files);
    StoreAssetDsid(entry);
    EXPECT_TRUE(VerifyAssetDsid(entry));
    SetFile(files, "mesh.pm", std::string(100, 'n'));
    EXPECT_FALSE(VerifyAssetDsid(entry));
    entry.SetNamedTag(Zel::PString("dsid"), ComputeAssetDsid(entry).Format().c_str());
    EXPECT_TRUE(VerifyAssetDsid(entry));
}
