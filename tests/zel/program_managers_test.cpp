// Built-in program texts: their headers, and looking programs and combiners up, found or not.
#include <gtest/gtest.h>

#include "zel/program_text.h"
#include "zel/texture_combiner_manager.h"
#include "zel/vertex_program_manager.h"

namespace {

TEST(ProgramTextTest, HeadersAreReadOrRefused)
{
    struct Case {
        const char* text;
        bool ok;
        size_t programs;
        size_t constants;
    };
    const Case cases[] = {
        {"version 2.0\nprogram A\nprogram B\nAPI(common)\nbody\n", true, 2, 0},
        {"// set\r\n\r\nversion 1.1\r\nconstant 2 Specular 0.9 0.9 0.9 0.75\r\nAPI(common)\r\n", true, 0, 1},
        {"program A\nAPI(common)\n", false, 0, 0},                                // no version
        {"version 2.0\nprogram A\n", false, 0, 0},                                // no body
        {"version 2.0\nconstant 0 LightDiff 0 0 1\nAPI(common)\n", false, 0, 0},  // three values
        {"version 2.0\nconstant -1 X 0 0 0 1\nAPI(common)\n", false, 0, 0},
        {"version 2.0\nprogram A B\nAPI(common)\n", false, 0, 0},
        {"version 2.0\nprograms A\nAPI(common)\n", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        Zel::ProgramTextHeader header;
        ASSERT_EQ(Zel::ParseProgramTextHeader(c.text, header), c.ok) << c.text;
        EXPECT_EQ(header.programs.size(), c.programs) << c.text;
        EXPECT_EQ(header.constants.size(), c.constants) << c.text;
    }
}

TEST(ProgramManagersTest, ProgramsAreFoundOnlyInTheirRegisteredSet)
{
    ASSERT_TRUE(Zel::VertexProgramManager::RegisterBuiltInPrograms(
        "LookupSet", "version 2.0\nprogram P_Parallel\nprogram P_Spot\nAPI(common)\n"));
    EXPECT_FALSE(Zel::VertexProgramManager::RegisterBuiltInPrograms("BadSet", "program P\n"));
    EXPECT_FALSE(Zel::VertexProgramManager::RegisterBuiltInPrograms(nullptr, "version 2.0\nAPI(common)\n"));
    Zel::VertexProgramManager programs;
    struct Case {
        const char* program;
        const char* set;
        bool found;
    };
    const Case cases[] = {
        {"P_Spot", "LookupSet", true},   {"P_Other", "LookupSet", false}, {"P_Spot", "BadSet", false},
        {"P_Spot", "UnknownSet", false}, {nullptr, "LookupSet", false},   {"P_Spot", nullptr, false},
    };
    for (const Case& c : cases) {
        Zel::VertexProgram* program = programs.Lookup(c.program, c.set, 99);
        EXPECT_EQ(program != nullptr, c.found) << (c.program ? c.program : "null") << " " << (c.set ? c.set : "null");
        if (program) {
            EXPECT_EQ(program->GetName(), c.program);
            EXPECT_EQ(program->GetVertexType(), 99u);
            EXPECT_EQ(program->GetReferenceCount(), 1);
            program->ReleaseReference();
        }
    }
    programs.SetRefuse("P_Spot", true);
    EXPECT_EQ(programs.Lookup("P_Spot", "LookupSet", 99), nullptr);
    Zel::VertexProgram* other = programs.Lookup("P_Parallel", "LookupSet", 99);
    ASSERT_NE(other, nullptr);
    other->ReleaseReference();
    // A refusal belongs to one manager only.
    Zel::VertexProgramManager second;
    Zel::VertexProgram* again = second.Lookup("P_Spot", "LookupSet", 99);
    ASSERT_NE(again, nullptr);
    again->ReleaseReference();
}

TEST(ProgramManagersTest, CombinersStartAtTheirDefaultsAndHandlesDoNotShareWrites)
{
    ASSERT_TRUE(Zel::TextureCombinerManager::RegisterBuiltInPrograms(
        "LookupComb", "version 1.1\nconstant 0 LightDiff 0 0 0 1\nconstant 1 LightAmb 0 0 0 1\n"
                      "constant 2 Specular 0.9 0.9 0.9 0.75\nAPI(common)\nps.1.1\n"));
    Zel::TextureCombinerManager combiners;
    EXPECT_EQ(combiners.Lookup("Unregistered"), nullptr);
    EXPECT_EQ(combiners.Lookup(nullptr), nullptr);
    Zel::TextureCombiner* first = combiners.Lookup("LookupComb");
    Zel::TextureCombiner* second = combiners.Lookup("LookupComb");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->FindConstant("Specular"), 2);
    EXPECT_EQ(first->FindConstant("Lerp"), -1);
    EXPECT_EQ(*first->GetConstant(2), (Zel::Vector4{0.9f, 0.9f, 0.9f, 0.75f}));
    EXPECT_TRUE(first->SetConstant(0, {1, 1, 1, 1}));
    EXPECT_FALSE(first->SetConstant(3, {1, 1, 1, 1}));
    EXPECT_EQ(*second->GetConstant(0), (Zel::Vector4{0, 0, 0, 1}));
    EXPECT_EQ(first->GetConstant(3), nullptr);
    combiners.SetRefuse("LookupComb", true);
    EXPECT_EQ(combiners.Lookup("LookupComb"), nullptr);
    first->ReleaseReference();
    second->ReleaseReference();
}

}  // namespace
