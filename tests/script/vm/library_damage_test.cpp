// Damaged library images: truncated, with huge counts, indexes out of range
// or mutated at random, they load with -1 (or a link result) and the
// machine's message, never a crash or a read past the image.
#include <gtest/gtest.h>

#include <random>

#include "vm_test_support.h"

namespace {

using GSRuntime::GSLibrary;
using vm_test::LogCapture;
using vm_test::MachineTest;
using vm_test::ScriptFolder;

const char* const kCart =
    "class Wheel { public int r = 1; public int Roll(int n) { return n * r; } };\n"
    "class Cart isclass Wheel {\n"
    "  Wheel[] wheels; string label = \"cart\";\n"
    "  public int Roll(int n) { int i; int sum = 0; for (i = 0; i < n; i++) sum = sum + i; return sum; }\n"
    "  public string Label() { return label + \" \" + r; }\n"
    "};\n";

class LibraryDamage : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        ASSERT_TRUE(folder_.Compile("cart.gs", kCart));
        good_ = folder_.Bytes("cart.gsl");
        library_ = folder_.Register("cart.gsl");
    }
    // Loads `image` under the registered id; the load result.
    int LoadAs(const std::vector<uint8_t>& image)
    {
        folder_.Write("cart.gsl", image);
        int result = 0;
        GSLibrary* library = vm_test::Load(library_, &result);
        EXPECT_EQ(library != nullptr, result == 0);
        // Start the next attempt from an unloaded machine with the same entry.
        if (library != nullptr) {
            GSMachine::Get()->Init();
            library_ = folder_.Register("cart.gsl");
        }
        return result;
    }
    std::string MachineLine(int result) const
    {
        return "GSMachine: Error " + std::to_string(result) + " loading library " + folder_.Root() +
               "/cart.gsl (cart.gs)";
    }

    ScriptFolder folder_;
    std::vector<uint8_t> good_;
    vm_test::Library library_;
};

TEST_F(LibraryDamage, EveryTruncationIsAFormatError)
{
    ASSERT_EQ(LoadAs(good_), 0);
    LogCapture log;
    for (size_t length = 0; length < good_.size(); ++length) {
        log.Clear();
        const std::vector<uint8_t> image(good_.begin(), good_.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(LoadAs(image), -1) << "length " << length;
        ASSERT_FALSE(log.Taken().empty()) << "length " << length;
        // The header's name is in the message once it can be read.
        const std::string& last = log.Taken().back();
        EXPECT_EQ(last.rfind("GSMachine: Error -1 loading library " + folder_.Root() + "/cart.gsl (", 0), 0u) << last;
    }
}

TEST_F(LibraryDamage, HugeCountsAndIndexesOutOfRangeAreFormatErrors)
{
    const std::vector<size_t> sections = vm_test::SectionStarts(good_);
    ASSERT_EQ(sections.size(), 5u);
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    };
    const Case cases[] = {
        {"dependency count", sections[0] + 8, 0x7FFFFFFF},
        {"string count", sections[1] + 8, 0xFFFFFFFF},
        {"first string offset", sections[1] + 12, 0x10000000},
        {"class reference count", sections[2] + 8, 0x20000000},
        {"dependency of class reference 0", sections[2] + 12, 7},
        {"name of class reference 0", sections[2] + 16, 100000},
        {"function reference count", sections[3] + 8, 0x15555556},
        {"class of function reference 0", sections[3] + 12, 99},
        {"class count", sections[4] + 8, 0xFFFFFFFF},
        {"section 2 size", sections[0], 0xFFFFFFF0},
        {"section 3 id", sections[1] + 4, 4},
        {"name length", 20, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image = good_;
        vm_test::WriteU32(&image, c.at, c.value);
        LogCapture log;
        EXPECT_EQ(LoadAs(image), -1) << c.what;
        EXPECT_FALSE(log.Taken().empty()) << c.what;
        if (!log.Taken().empty() && c.at != 20) {
            EXPECT_EQ(log.Taken().back(), MachineLine(-1)) << c.what;
        }
    }
}

TEST_F(LibraryDamage, AClassRecordThatCannotBeReadIsNamed)
{
    const std::vector<size_t> sections = vm_test::SectionStarts(good_);
    ASSERT_EQ(sections.size(), 5u);
    // Class 0 starts after the section header; its name index is word 2.
    const size_t first = sections[4] + 12;
    const size_t second = first + vm_test::ReadU32(good_, first);
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        const char* named;
    };
    const Case cases[] = {
        {"second class's sub-record 8 id", second + 20 + 12 * vm_test::ReadU32(good_, second + 16) + 4, 99, "Cart"},
        {"first class's base count", first + 16, 0x40000000, "Wheel"},
        {"first class's record id", first + 4, 8, "(unnamed)"},
        {"second class's instance size", second + vm_test::ReadU32(good_, second) - 4, 0, nullptr},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image = good_;
        vm_test::WriteU32(&image, c.at, c.value);
        LogCapture log;
        const int result = LoadAs(image);
        if (c.named == nullptr)
            continue;  // a position that need not hit a checked field
        EXPECT_EQ(result, -1) << c.what;
        EXPECT_EQ(log.Taken(),
                  (std::vector<std::string>{std::string("GS Link error: Unable to initialise class '") + c.named + "'",
                                            MachineLine(-1)}))
            << c.what;
    }
}

TEST_F(LibraryDamage, RandomMutationsNeverCrash)
{
    std::mt19937 random(20240611);
    LogCapture log;
    int loaded = 0;
    for (int round = 0; round < 1000; ++round) {
        std::vector<uint8_t> image = good_;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            const size_t at = random() % image.size();
            switch (random() % 3) {
            case 0:
                image[at] = static_cast<uint8_t>(random());
                break;
            case 1:
                image[at] ^= static_cast<uint8_t>(1u << (random() % 8));
                break;
            default:
                if (at + 4 <= image.size())
                    vm_test::WriteU32(&image, at & ~size_t(3), 0xFFFFFFFFu >> (random() % 32));
                break;
            }
        }
        const int result = LoadAs(image);
        EXPECT_TRUE(result == 0 || result == -1 || result == -2 || result == -3) << result;
        loaded += result == 0;
        log.Clear();
    }
    // Code bytes and the version are not checked: some mutants still load.
    EXPECT_GT(loaded, 0);
}

}  // namespace
