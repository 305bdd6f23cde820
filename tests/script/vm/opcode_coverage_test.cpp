// Compiler and machine check each other on the whole instruction set: the
// disassembled test corpus shows which instructions code generation emits,
// and every other one runs from patched code bytes, so that each of the 116
// instructions is run by some test; bytes 116 to 255 are illegal.
#include <gtest/gtest.h>

#include <bitset>
#include <cstring>
#include <filesystem>

#include "script/common/disassembler.h"
#include "script_world.h"

namespace {

using GSRuntime::Slot;
using vm_test::LogCapture;

// Every code byte of every function of the library's classes.
std::bitset<256> EmittedOpcodes(const GSRuntime::GSLibrary* library)
{
    std::bitset<256> seen;
    for (uint32_t c = 0; c < library->ClassCount(); ++c) {
        const GSRuntime::GSClass* cls = library->Class(c);
        for (uint32_t f = 0; f < cls->FunctionCount(); ++f) {
            const GSRuntime::GSFunction& function = cls->Function(f);
            for (uint32_t at = 0; at < function.codeLength;) {
                DecodedInstruction instruction;
                if (!DecodeInstruction(function.code, function.codeLength, at, &instruction))
                    break;
                seen.set(instruction.opcode);
                at += instruction.length;
            }
        }
    }
    return seen;
}

// Code written over a method's own: the method gives the frame (arguments,
// result type and stack room), the bytes what runs.
struct Patch {
    const char* signature;  // a method of "Room"
    std::vector<uint8_t> code;
    std::vector<Slot> args;
    const char* outcome;  // "" for a result, else the code the report names
    uint32_t expected;    // the result's 32 bits (ints and floats)
    const char* text;     // the expected text of a string result, or null
};

// Methods with room for a few instructions and a stack of six slots.
const char* const kRoom = R"(include "gs.gs"
class Room {
  public int Ints(int a, int b) { return a + (b + (a + (b + (a + (b + (a + b)))))); }
  public float Floats(float a, float b) { return a + (b + (a + (b + (a + (b + (a + b)))))); }
  public string Text(string s) { return s + (s + (s + (s + (s + (s + (s + s)))))); }
  public int CharOf(string s) { return s.size() + (s.size() + (s.size() + (s.size() + s.size()))); }
};
)";

// "if (a <test>) return 2; return 1;" with the jump as given.
std::vector<uint8_t> Branch(uint8_t jump)
{
    return {OP_LoadLocal,  1, 0, jump, 14, 0, 0, 0, OP_PushInt, 1, 0, 0, 0, OP_ReturnValue, OP_PushInt, 2, 0, 0, 0,
            OP_ReturnValue};
}

uint32_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

class OpcodeCoverage : public vm_test::ScriptWorld {
protected:
    // The instructions code generation emits for the test corpus.
    std::bitset<256> CorpusOpcodes()
    {
        std::bitset<256> emitted;
        const std::string corpus = std::string(KORVEL_TESTS_DIR) + "/script/vm/corpus";
        for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
            if (entry.path().extension() != ".gs")
                continue;
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(folder_.Compile(name, vm_test::ScriptFolder::ReadText(entry.path().string()))) << name;
            const vm_test::Library library = folder_.Register(entry.path().stem().string() + ".gsl");
            GSRuntime::GSLibrary* loaded = vm_test::Load(library);
            EXPECT_NE(loaded, nullptr) << name;
            if (loaded != nullptr)
                emitted |= EmittedOpcodes(loaded);
        }
        return emitted;
    }
};

TEST_F(OpcodeCoverage, EveryInstructionRunsFromTheCorpusOrFromPatchedBytes)
{
    ASSERT_TRUE(Build(kRoom));
    const std::bitset<256> emitted = CorpusOpcodes();
    const std::vector<Patch> patches = {
        {"$int@Room::Ints(int,int)",
         {OP_LoadLocal, 1, 0, OP_LoadLocal, 2, 0, OP_Swap, OP_SubInt, OP_ReturnValue},
         {Slot::FromInt(10), Slot::FromInt(3)},
         "",
         uint32_t(-7),
         nullptr},
        {"$float@Room::Floats(float,float)",
         {OP_LoadLocal, 1, 0, OP_LoadLocal, 2, 0, OP_ModFloat, OP_ReturnValue},
         {Slot::FromFloat(7.5f), Slot::FromFloat(2.0f)},
         "",
         Bits(1.5f),
         nullptr},
        {"$float@Room::Floats(float,float)",
         {OP_LoadLocal, 1, 0, OP_LoadLocal, 2, 0, OP_ModFloat, OP_ReturnValue},
         {Slot::FromFloat(7.5f), Slot::FromFloat(0.0f)},
         "ER_DivideByZero",
         0,
         nullptr},
        {"$string@Room::Text(string)", {OP_NewString, OP_ReturnValue}, {}, "", 0, ""},
        {"$string@Room::Text(string)",
         {OP_LoadLocalRef, 1, 0, OP_DupRef, OP_StringConcat, OP_ReturnValue},
         {},
         "",
         0,
         "abab"},
        // s 1 -> s 1 s 1 -> s 1 c -> s c 1 -> s c -> c s -> c
        {"$int@Room::CharOf(string)",
         {OP_LoadLocalRef, 1, 0, OP_PushInt, 1, 0, 0, 0, OP_Dup2Ref, OP_StringGetChar, OP_Swap, OP_Pop, OP_Swap,
          OP_PopRef, OP_ReturnValue},
         {},
         "",
         'b',
         nullptr},
        {"$int@Room::Ints(int,int)", Branch(OP_JumpIfNotZero), {Slot::FromInt(5)}, "", 2, nullptr},
        {"$int@Room::Ints(int,int)", Branch(OP_JumpIfNotZero), {Slot::FromInt(0)}, "", 1, nullptr},
        {"$int@Room::Ints(int,int)", Branch(OP_JumpIfLess), {Slot::FromInt(-1)}, "", 2, nullptr},
        {"$int@Room::Ints(int,int)", Branch(OP_JumpIfLess), {Slot::FromInt(0)}, "", 1, nullptr},
        {"$int@Room::Ints(int,int)", Branch(OP_JumpIfLessEqual), {Slot::FromInt(0)}, "", 2, nullptr},
        {"$int@Room::Ints(int,int)", Branch(OP_JumpIfLessEqual), {Slot::FromInt(1)}, "", 1, nullptr},
        {"$int@Room::Ints(int,int)", Branch(OP_JumpIfGreater), {Slot::FromInt(1)}, "", 2, nullptr},
        {"$int@Room::Ints(int,int)", Branch(OP_JumpIfGreater), {Slot::FromInt(0)}, "", 1, nullptr},
        {"$int@Room::Ints(int,int)", Branch(OP_JumpIfGreaterEqual), {Slot::FromInt(0)}, "", 2, nullptr},
        {"$int@Room::Ints(int,int)", Branch(OP_JumpIfGreaterEqual), {Slot::FromInt(-1)}, "", 1, nullptr},
        {"$int@Room::Ints(int,int)", {116}, {}, "ER_IllegalInstruction", 0, nullptr},
        {"$int@Room::Ints(int,int)", {200}, {}, "ER_IllegalInstruction", 0, nullptr},
        {"$int@Room::Ints(int,int)", {255}, {}, "ER_IllegalInstruction", 0, nullptr},
    };
    GSRuntime::GSObject* room = Make("Room");
    std::bitset<256> patched;
    for (const Patch& patch : patches) {
        GSRuntime::GSClass* cls = Class("Room");
        GSRuntime::GSFunction& function = cls->Function(static_cast<uint32_t>(cls->FindFunction(patch.signature)));
        ASSERT_LE(patch.code.size(), function.codeLength) << patch.signature;
        // The arguments every method of the class takes.
        std::vector<Slot> args = patch.args;
        const std::string signature = patch.signature;
        if (signature.find("(string)") != std::string::npos)
            args = {Text("ab")};
        else if (args.size() < 2 && signature.find("(int,int)") != std::string::npos)
            args.resize(2, Slot::FromInt(0));
        std::vector<uint8_t> original(function.code, function.code + function.codeLength);
        std::memcpy(const_cast<uint8_t*>(function.code), patch.code.data(), patch.code.size());
        LogCapture log;
        Slot result = Slot::FromInt(0);
        const bool ok = Call(room, patch.signature, args, &result);
        std::memcpy(const_cast<uint8_t*>(function.code), original.data(), original.size());
        const std::string what = FormatInstruction([&] {
            DecodedInstruction first;
            DecodeInstruction(patch.code.data(), uint32_t(patch.code.size()), 0, &first);
            return first;
        }());
        if (patch.outcome[0] != '\0') {
            EXPECT_FALSE(ok) << what;
            EXPECT_EQ(log.Taken().empty() ? "" : log.Taken()[0].substr(0, log.Taken()[0].find(',')),
                      std::string("Thread Exception: ") + patch.outcome)
                << what;
        } else if (patch.text != nullptr) {
            ASSERT_TRUE(ok) << what;
            EXPECT_EQ(GSRuntime::GSString::FromHandle(result.AsHandle())->Text(), patch.text) << what;
            GSRuntime::GSScriptInstance::Release(result.AsHandle());
        } else {
            EXPECT_TRUE(ok) << what;
            EXPECT_EQ(result.AsWord(), patch.expected) << what;
        }
        for (uint32_t at = 0; at < patch.code.size();) {
            DecodedInstruction instruction;
            DecodeInstruction(patch.code.data(), uint32_t(patch.code.size()), at, &instruction);
            patched.set(instruction.opcode);
            at += instruction.length;
        }
    }
    std::string missing;
    for (uint32_t op = 0; op < kOpcodeCount; ++op) {
        if (!emitted.test(op) && !patched.test(op))
            missing += std::string(OpcodeName(static_cast<uint8_t>(op))) + " ";
    }
    EXPECT_EQ(missing, "") << "run by no test";
}

}  // namespace

namespace {

// The budget: a backward jump 9 bytes behind the loop's first byte charges
// 10 bytes an iteration, so the 1,677,722nd iteration passes 0x1000000.
TEST_F(OpcodeCoverage, AnEndlessLoopEndsInTheIterationThatExceedsTheBudget)
{
    ASSERT_TRUE(Build("class Loop {\n  public int count;\n  public int Count() { return count; }\n"
                      "  public void Spin() { count = count + (count + (count + (count + count))); }\n};\n"));
    GSRuntime::GSClass* cls = Class("Loop");
    GSRuntime::GSFunction& spin = cls->Function(static_cast<uint32_t>(cls->FindFunction("$void@Loop::Spin()")));
    // count++ through the member word 2, a filler pair, and the jump back.
    const uint8_t loop[] = {
        OP_GetOwnMember, 2, 0, OP_IncInt, OP_SetOwnMember, 2, 0, OP_PushFalse, OP_Pop, OP_Jump, 0, 0, 0, 0};
    ASSERT_LE(sizeof loop, spin.codeLength);
    std::memcpy(const_cast<uint8_t*>(spin.code), loop, sizeof loop);
    GSRuntime::GSObject* object = Make("Loop");
    LogCapture log;
    EXPECT_FALSE(Call(object, "$void@Loop::Spin()"));
    ASSERT_FALSE(log.Taken().empty());
    EXPECT_EQ(log.Taken()[0].rfind("Thread Exception: ER_Timeout, line ", 0), 0u) << log.Taken()[0];
    EXPECT_EQ(CallInt(object, "$int@Loop::Count()"), 1677722);
}

}  // namespace
