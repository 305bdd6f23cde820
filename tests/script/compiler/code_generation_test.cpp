// Code generation: listings of statements and expressions, the code-holder
// contents the image writer relies on, and every code-generation error.
#include <gtest/gtest.h>

#include <string>

#include "script/compiler/code_generation_helpers.h"
#include "script/compiler/code_generator.h"
#include "script/compiler/compile_unit.h"

namespace {

using compiler_test::Generated;

// A class with members of every kind and a function f whose parameters are
// i (slot 1), x (2), t (3) and o (4); f's own locals and temporaries follow
// from slot 5. Members of A: m 2, s 3, b 4, ia 5, sa 6; of B: v 2, arr 3.
// Methods of A: g 0, h 1, f 2.
std::string InF(const std::string& body)
{
    return "class B { public int v; public int[] arr; };\n"
           "class A {\n"
           "  int m;\n  string s;\n  B b;\n  int[] ia;\n  string[] sa;\n"
           "  void g(int q) {}\n"
           "  int h() { return 1; }\n"
           "  void f(int i, float x, string t, B o) {\n" +
           body + "\n  }\n};\n";
}

struct ListingCase {
    const char* body;
    const char* listing;  // f's code; every body ends with the implicit OP_Return
};

void ExpectListings(const ListingCase* cases, size_t count)
{
    for (size_t c = 0; c < count; ++c) {
        Generated g(InF(cases[c].body));
        ASSERT_TRUE(g.ok) << cases[c].body << "\n" << (g.lines.empty() ? "" : g.lines[0]);
        GSCompiler::GSCFunction* f = g.Function("A", "f");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(g.Listing(f->emitter), cases[c].listing) << cases[c].body;
        EXPECT_EQ(f->emitter.depth, 0) << cases[c].body;
    }
}

TEST(CodeGeneration, ConstantsLoadsAndConversions)
{
    const ListingCase cases[] = {
        // 0 and 1 have one-byte forms, 2 does not; floats travel as their bits.
        {"i = 0; i = 1; i = 2;",
         "0: OP_PushFalse\n1: OP_StoreLocal 1\n4: OP_PushTrue\n5: OP_StoreLocal 1\n8: OP_PushInt 2\n"
         "13: OP_StoreLocal 1\n16: OP_Return\n"},
        {"i = 2147483647; i = -1; x = 1.5; x = 0.0;",
         "0: OP_PushInt 2147483647\n5: OP_StoreLocal 1\n8: OP_PushInt -1\n13: OP_StoreLocal 1\n"
         "16: OP_PushInt 1069547520\n21: OP_StoreLocal 2\n24: OP_PushInt 0\n29: OP_StoreLocal 2\n32: OP_Return\n"},
        {"x = i; i = x;",
         "0: OP_LoadLocal 1\n3: OP_IntToFloat\n4: OP_StoreLocal 2\n7: OP_LoadLocal 2\n10: OP_FloatToInt\n"
         "11: OP_StoreLocal 1\n14: OP_Return\n"},
        {"t = \"a\" + i;",
         "0: OP_PushString \"a\"\n3: OP_LoadLocal 1\n6: OP_IntToString\n7: OP_StringConcat\n8: OP_StoreLocalRef 3\n"
         "11: OP_Return\n"},
        {"t = o.isclass(B) + \"\";",
         "0: OP_LoadLocalRef 4\n3: OP_IsInstance 0\n6: OP_BoolToString\n7: OP_PushString \"\"\n10: OP_StringConcat\n"
         "11: OP_StoreLocalRef 3\n14: OP_Return\n"},
        // A string that someone else holds is copied; a declarator's initializer is not.
        {"t = s; string u = t;",
         "0: OP_GetOwnMemberRef 3\n3: OP_StringCopy\n4: OP_StoreLocalRef 3\n7: OP_LoadLocalRef 3\n"
         "10: OP_StoreLocalRef 5\n13: OP_Return\n"},
        {"int k = 5; k = k + 1;",
         "0: OP_PushInt 5\n5: OP_StoreLocal 5\n8: OP_LoadLocal 5\n11: OP_PushTrue\n12: OP_AddInt\n"
         "13: OP_StoreLocal 5\n16: OP_Return\n"},
        {"i = (int) x; x = i * 2; x = x + i;",
         "0: OP_LoadLocal 2\n3: OP_FloatToInt\n4: OP_StoreLocal 1\n7: OP_LoadLocal 1\n10: OP_PushInt 2\n"
         "15: OP_MulInt\n16: OP_IntToFloat\n17: OP_StoreLocal 2\n20: OP_LoadLocal 2\n23: OP_LoadLocal 1\n"
         "26: OP_IntToFloat\n27: OP_AddFloat\n28: OP_StoreLocal 2\n31: OP_Return\n"},
        {"i = -i; x = -x; i = ~i; i = !i; i = !o; i = !x;",
         "0: OP_LoadLocal 1\n3: OP_NegInt\n4: OP_StoreLocal 1\n7: OP_LoadLocal 2\n10: OP_NegFloat\n"
         "11: OP_StoreLocal 2\n14: OP_LoadLocal 1\n17: OP_ComplementInt\n18: OP_StoreLocal 1\n21: OP_LoadLocal 1\n"
         "24: OP_Not\n25: OP_StoreLocal 1\n28: OP_LoadLocalRef 4\n31: OP_IsNull\n32: OP_StoreLocal 1\n"
         "35: OP_LoadLocal 2\n38: OP_NotFloat\n39: OP_StoreLocal 1\n42: OP_Return\n"},
        {"i = i << 2 >> 1; i = i % 3 - i / 5;",
         "0: OP_LoadLocal 1\n3: OP_PushInt 2\n8: OP_ShlInt\n9: OP_PushTrue\n10: OP_ShrInt\n11: OP_StoreLocal 1\n"
         "14: OP_LoadLocal 1\n17: OP_PushInt 3\n22: OP_ModInt\n23: OP_LoadLocal 1\n26: OP_PushInt 5\n"
         "31: OP_DivInt\n32: OP_SubInt\n33: OP_StoreLocal 1\n36: OP_Return\n"},
        // A comma list leaves its last value; the others are dropped.
        {"i = (i, 4);", "0: OP_LoadLocal 1\n3: OP_Pop\n4: OP_PushInt 4\n9: OP_StoreLocal 1\n12: OP_Return\n"},
        {"o = new B(); ia = new int[3]; sa = new string[i]; t = new string();",
         "0: OP_NewObject 0\n3: OP_StoreLocalRef 4\n6: OP_PushInt 3\n11: OP_NewArray\n12: OP_SetOwnMemberRef 5\n"
         "15: OP_LoadLocal 1\n18: OP_NewRefArray\n19: OP_SetOwnMemberRef 6\n22: OP_NewString\n23: OP_StoreLocalRef 3\n"
         "26: OP_Return\n"},
        {"i = t.size(); i = ia.size();",
         "0: OP_LoadLocalRef 3\n3: OP_StringLength\n4: OP_StoreLocal 1\n7: OP_GetOwnMemberRef 5\n10: OP_ArraySize\n"
         "11: OP_StoreLocal 1\n14: OP_Return\n"},
    };
    ExpectListings(cases, std::size(cases));
}

TEST(CodeGeneration, StoresByTarget)
{
    const ListingCase cases[] = {
        // A used assignment keeps the value, an unused one consumes it.
        {"m = i = 3;", "0: OP_PushInt 3\n5: OP_StoreLocalKeep 1\n8: OP_SetOwnMember 2\n11: OP_Return\n"},
        {"o.v = i; i = o.v;",
         "0: OP_LoadLocalRef 4\n3: OP_LoadLocal 1\n6: OP_SetMember 2\n9: OP_LoadLocalRef 4\n12: OP_GetMember 2\n"
         "15: OP_StoreLocal 1\n18: OP_Return\n"},
        {"b.arr[0] = 1;",
         "0: OP_GetOwnMemberRef 4\n3: OP_GetMemberRef 3\n6: OP_PushFalse\n7: OP_PushTrue\n8: OP_ArraySet\n"
         "9: OP_Return\n"},
        {"t[0] = 'x';",
         "0: OP_LoadLocalRef 3\n3: OP_PushFalse\n4: OP_PushInt 120\n9: OP_StringSetChar\n10: OP_Return\n"},
        {"sa[1] = t;",
         "0: OP_GetOwnMemberRef 6\n3: OP_PushTrue\n4: OP_LoadLocalRef 3\n7: OP_StringCopy\n8: OP_ArraySetRef\n"
         "9: OP_Return\n"},
        {"ia[1,2] = null;",
         "0: OP_GetOwnMemberRef 5\n3: OP_PushInt 2\n8: OP_PushTrue\n9: OP_PushFalse\n10: OP_ArrayReplace\n"
         "11: OP_Return\n"},
        {"s[2,3] = \"ab\";", "0: OP_GetOwnMemberRef 3\n3: OP_PushInt 3\n8: OP_PushInt 2\n13: OP_PushString \"ab\"\n"
                             "16: OP_StringReplace\n17: OP_Return\n"},
        // A missing end or start is -1; a slice is an l-value, so its string is copied.
        {"t = t[1,];", "0: OP_LoadLocalRef 3\n3: OP_PushInt -1\n8: OP_PushTrue\n9: OP_StringSlice\n10: OP_StringCopy\n"
                       "11: OP_StoreLocalRef 3\n14: OP_Return\n"},
        {"sa = sa[,2];", "0: OP_GetOwnMemberRef 6\n3: OP_PushInt 2\n8: OP_PushInt -1\n13: OP_RefArraySlice\n"
                         "14: OP_SetOwnMemberRef 6\n17: OP_Return\n"},
        {"ia.copy(ia);", "0: OP_GetOwnMemberRef 5\n3: OP_ArrayCopy\n4: OP_SetOwnMemberRef 5\n7: OP_Return\n"},
    };
    ExpectListings(cases, std::size(cases));
}

TEST(CodeGeneration, Increments)
{
    const ListingCase cases[] = {
        // Postfix on a variable: the copy below the store is the old value, dropped when unused.
        {"x++;", "0: OP_LoadLocal 2\n3: OP_Dup\n4: OP_IncFloat\n5: OP_StoreLocal 2\n8: OP_Pop\n9: OP_Return\n"},
        {"++i; i--;",
         "0: OP_LoadLocal 1\n3: OP_IncInt\n4: OP_StoreLocal 1\n7: OP_LoadLocal 1\n10: OP_Dup\n11: OP_DecInt\n"
         "12: OP_StoreLocal 1\n15: OP_Pop\n16: OP_Return\n"},
        // An unused postfix member increment needs no temporary.
        {"o.v++;",
         "0: OP_LoadLocalRef 4\n3: OP_DupRef\n4: OP_GetMember 2\n7: OP_IncInt\n8: OP_SetMember 2\n11: OP_Return\n"},
        // A used one keeps the old value in temporary slot 5 and frees it, so
        // the second one takes the same slot.
        {"i = o.v++; m = o.v++;",
         "0: OP_LoadLocalRef 4\n3: OP_DupRef\n4: OP_GetMember 2\n7: OP_StoreLocalKeep 5\n10: OP_IncInt\n"
         "11: OP_SetMember 2\n14: OP_LoadLocal 5\n17: OP_StoreLocal 1\n20: OP_LoadLocalRef 4\n23: OP_DupRef\n"
         "24: OP_GetMember 2\n27: OP_StoreLocalKeep 5\n30: OP_IncInt\n31: OP_SetMember 2\n34: OP_LoadLocal 5\n"
         "37: OP_SetOwnMember 2\n40: OP_Return\n"},
        {"i = ++o.v;", "0: OP_LoadLocalRef 4\n3: OP_DupRef\n4: OP_GetMember 2\n7: OP_IncInt\n8: OP_SetMemberKeep 2\n"
                       "11: OP_StoreLocal 1\n14: OP_Return\n"},
        {"i = ia[0]--;",
         "0: OP_GetOwnMemberRef 5\n3: OP_PushFalse\n4: OP_Dup2Ref\n5: OP_ArrayGet\n6: OP_StoreLocalKeep 5\n"
         "9: OP_DecInt\n10: OP_ArraySet\n11: OP_LoadLocal 5\n14: OP_StoreLocal 1\n17: OP_Return\n"},
        {"i = --t[2];", "0: OP_LoadLocalRef 3\n3: OP_PushInt 2\n8: OP_Dup2Ref\n9: OP_StringGetChar\n10: OP_DecInt\n"
                        "11: OP_StringSetCharKeep\n12: OP_StoreLocal 1\n15: OP_Return\n"},
    };
    ExpectListings(cases, std::size(cases));
}

TEST(CodeGeneration, ConditionsAndCalls)
{
    const ListingCase cases[] = {
        {"if (x < i) g(1);",
         "0: OP_LoadLocal 2\n3: OP_LoadLocal 1\n6: OP_IntToFloat\n7: OP_CmpFloat\n8: OP_Less\n9: OP_JumpIfZero 23\n"
         "14: OP_LoadLocalRef 0\n17: OP_PushTrue\n18: OP_Call -1 0\n23: OP_Return\n"},
        {"if (o == null) return;",
         "0: OP_LoadLocalRef 4\n3: OP_PushFalse\n4: OP_RefNotEqual\n5: OP_Not\n6: OP_JumpIfZero 12\n"
         "11: OP_Return\n12: OP_Return\n"},
        {"if (t != \"\") i = 0; else i = 1;",
         "0: OP_LoadLocalRef 3\n3: OP_PushString \"\"\n6: OP_StringCompare\n7: OP_ToBool\n8: OP_JumpIfZero 22\n"
         "13: OP_PushFalse\n14: OP_StoreLocal 1\n17: OP_Jump 26\n22: OP_PushTrue\n23: OP_StoreLocal 1\n"
         "26: OP_Return\n"},
        {"if (i >= 3) i = 0;",
         "0: OP_LoadLocal 1\n3: OP_PushInt 3\n8: OP_CmpInt\n9: OP_GreaterEqual\n10: OP_JumpIfZero 19\n"
         "15: OP_PushFalse\n16: OP_StoreLocal 1\n19: OP_Return\n"},
        // A reference condition is tested with OP_IsNotNull.
        {"if (o) i = 1;",
         "0: OP_LoadLocalRef 4\n3: OP_IsNotNull\n4: OP_JumpIfZero 13\n9: OP_PushTrue\n10: OP_StoreLocal 1\n"
         "13: OP_Return\n"},
        {"i = i and o;",
         "0: OP_LoadLocal 1\n3: OP_JumpIfZeroKeep 13\n8: OP_Pop\n9: OP_LoadLocalRef 4\n12: OP_IsNotNull\n"
         "13: OP_StoreLocal 1\n16: OP_Return\n"},
        {"i = i or m;",
         "0: OP_LoadLocal 1\n3: OP_JumpIfNotZeroKeep 12\n8: OP_Pop\n9: OP_GetOwnMember 2\n12: OP_StoreLocal 1\n"
         "15: OP_Return\n"},
        // The receiver, the arguments, then the call with 1 - A and the method slot.
        {"i = h(); h(); g(i);",
         "0: OP_LoadLocalRef 0\n3: OP_Call 0 1\n8: OP_StoreLocal 1\n11: OP_LoadLocalRef 0\n14: OP_Call 0 1\n"
         "19: OP_Pop\n20: OP_LoadLocalRef 0\n23: OP_LoadLocal 1\n26: OP_Call -1 0\n31: OP_Return\n"},
        {"f(i, x, t, o);", "0: OP_LoadLocalRef 0\n3: OP_LoadLocal 1\n6: OP_LoadLocal 2\n9: OP_LoadLocalRef 3\n"
                           "12: OP_LoadLocalRef 4\n15: OP_Call -4 2\n20: OP_Return\n"},
    };
    ExpectListings(cases, std::size(cases));
}

// Native, thread and inherited calls; static classes are pushed.
TEST(CodeGeneration, CallKindsAndStaticClasses)
{
    Generated g(R"(static class S { public int k; public native int Twice(int v); };
class P { public int over(int a) { return a; } };
class G isclass P {
  public thread void run(int a) { }
  public native string nat(string s);
  public int over(int a) { return inherited(a) + S.k + S.Twice(a); }
  void go(G other) { other.run(1); me.run(2); string t = other.nat("z"); }
};
)");
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.Listing("G", "over"),
              "0: OP_LoadLocalRef 0\n3: OP_LoadLocal 1\n6: OP_CallInherited -1\n9: OP_PushStatic 1\n"
              "12: OP_GetMember 2\n15: OP_AddInt\n16: OP_PushStatic 1\n19: OP_LoadLocal 1\n22: OP_CallNative -1 0\n"
              "27: OP_AddInt\n28: OP_ReturnValue\n");
    // Method slots of G: P's over 0, then run 1, nat 2, over 3, go 4.
    EXPECT_EQ(g.Listing("G", "go"),
              "0: OP_LoadLocalRef 1\n3: OP_PushTrue\n4: OP_StartThread -1 1\n9: OP_LoadLocalRef 0\n12: OP_PushInt 2\n"
              "17: OP_StartThread -1 1\n22: OP_LoadLocalRef 1\n25: OP_PushString \"z\"\n28: OP_CallNative -1 2\n"
              "33: OP_StoreLocalRef 2\n36: OP_Return\n");
    for (const char* name : {"over", "go"})
        EXPECT_EQ(g.Function("G", name)->emitter.depth, 0) << name;
}

TEST(CodeGeneration, LoopsJumpsAndSwitch)
{
    const ListingCase cases[] = {
        // for(;;): OP_PushTrue, a jump out that is never taken, the jump back.
        {"for (;;) ;", "0: OP_PushTrue\n1: OP_JumpIfZero 11\n6: OP_Jump 0\n11: OP_Return\n"},
        {"for (i = 0; i < 3; i++) g(i);",
         "0: OP_PushFalse\n1: OP_StoreLocal 1\n4: OP_LoadLocal 1\n7: OP_PushInt 3\n12: OP_CmpInt\n13: OP_Less\n"
         "14: OP_JumpIfZero 44\n19: OP_LoadLocalRef 0\n22: OP_LoadLocal 1\n25: OP_Call -1 0\n30: OP_LoadLocal 1\n"
         "33: OP_Dup\n34: OP_IncInt\n35: OP_StoreLocal 1\n38: OP_Pop\n39: OP_Jump 4\n44: OP_Return\n"},
        {"for (;; i++) { if (i) continue; break; }",
         "0: OP_PushTrue\n1: OP_JumpIfZero 38\n6: OP_LoadLocal 1\n9: OP_JumpIfZero 19\n14: OP_Jump 24\n"
         "19: OP_Jump 38\n24: OP_LoadLocal 1\n27: OP_Dup\n28: OP_IncInt\n29: OP_StoreLocal 1\n32: OP_Pop\n"
         "33: OP_Jump 0\n38: OP_Return\n"},
        {"while (1) { if (i) break; continue; }",
         "0: OP_PushTrue\n1: OP_JumpIfZero 29\n6: OP_LoadLocal 1\n9: OP_JumpIfZero 19\n14: OP_Jump 29\n"
         "19: OP_Jump 0\n24: OP_Jump 0\n29: OP_Return\n"},
        {"goto L; i = 1; L: i = 0;",
         "0: OP_Jump 9\n5: OP_PushTrue\n6: OP_StoreLocal 1\n9: OP_PushFalse\n10: OP_StoreLocal 1\n13: OP_Return\n"},
        // Cases in ascending order whatever their order in the source.
        {"switch (i) { case 7: break; case -5: break; default: break; case 0: i = 1; }",
         "0: OP_LoadLocal 1\n3: OP_Switch 3 (-5 -> 39) (0 -> 49) (7 -> 34) default -> 44\n34: OP_Jump 53\n"
         "39: OP_Jump 53\n44: OP_Jump 53\n49: OP_PushTrue\n50: OP_StoreLocal 1\n53: OP_Return\n"},
        // A case of the default's value after the default is a normal case.
        {"switch (i) { default: case 2147483647: i = 0; }",
         "0: OP_LoadLocal 1\n3: OP_Switch 1 (2147483647 -> 18) default -> 18\n18: OP_PushFalse\n"
         "19: OP_StoreLocal 1\n22: OP_Return\n"},
    };
    ExpectListings(cases, std::size(cases));
}

TEST(CodeGeneration, WaitWithThreeClausesAndAStandaloneOn)
{
    Generated g(R"(class Message { public string major; };
class A {
  Message keep;
  Message[] keeps;
  void f(int i) {
    Message msg;
    wait() {
      on "Ping", "": { i = 1; }
      on "Pong", "x", msg: break;
      on "Stop", "", keeps[i]: continue;
    }
    on "Alone", "y", keep: i = 2;
  }
};
)");
    ASSERT_TRUE(g.ok) << (g.lines.empty() ? "" : g.lines[0]);
    GSCompiler::GSCFunction* f = g.Function("A", "f");
    // The second and third clauses start with a jump to the end of the wait;
    // a message for anything but a named variable waits in temporary slot 3
    // while the target's prefix is generated.
    EXPECT_EQ(g.Listing(f->emitter),
              "0: OP_Wait 3 (\"Ping\" \"\" -> 27) (\"Pong\" \"x\" -> 37) (\"Stop\" \"\" -> 53)\n"
              "27: OP_PopRef\n28: OP_PushTrue\n29: OP_StoreLocal 1\n32: OP_Jump 74\n"
              "37: OP_Cast 0\n40: OP_StoreLocalRef 2\n43: OP_Jump 74\n"
              "48: OP_Jump 74\n53: OP_StoreLocal 3\n56: OP_GetOwnMemberRef 3\n59: OP_LoadLocal 1\n62: OP_LoadLocal 3\n"
              "65: OP_Cast 0\n68: OP_ArraySetRef\n69: OP_Jump 0\n"
              "74: OP_Wait 1 (\"Alone\" \"y\" -> 85)\n85: OP_Cast 0\n88: OP_SetOwnMemberRef 2\n"
              "91: OP_PushInt 2\n96: OP_StoreLocal 1\n99: OP_Return\n");
    EXPECT_EQ(f->emitter.depth, 0);
    EXPECT_EQ(f->temporaryCount, 1);
    EXPECT_EQ(f->LocalWords(), 2);
    EXPECT_EQ(f->ArgumentWords(), 2);
    ASSERT_EQ(f->referenceLocalCount, 1u);
    EXPECT_EQ(f->referenceLocals.Data()[0], 2);
}

TEST(CodeGeneration, InitializersNativesAndReferenceLists)
{
    Generated g(R"(class A {
  native int n(string a, int b, A c);
  int m = 3;
  string s = "q";
  A other;
  define int K = 4;
};
class B { int z; string w; };
)");
    ASSERT_TRUE(g.ok);
    GSCompiler::GSCClass* a = g.Class("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(
        g.Listing(a->initializer),
        "0: OP_PushInt 3\n5: OP_SetOwnMember 2\n8: OP_PushString \"q\"\n11: OP_SetOwnMemberRef 3\n14: OP_Return\n");
    EXPECT_EQ(a->initializer.depth, 0);
    ASSERT_EQ(a->referenceMemberCount, 2u);
    const uint8_t* members = a->referenceMembers.Data();
    EXPECT_EQ(members[0], 3);
    EXPECT_EQ(members[4], 4);
    // A native function has a record without code; its reference parameters are listed.
    GSCompiler::GSCFunction* native = g.Function("A", "n");
    ASSERT_NE(native, nullptr);
    EXPECT_EQ(native->emitter.code.Length(), 0u);
    EXPECT_EQ(native->lines.Count(), 0u);
    ASSERT_EQ(native->referenceLocalCount, 2u);
    EXPECT_EQ(native->referenceLocals.Data()[0], 1);
    EXPECT_EQ(native->referenceLocals.Data()[4], 3);
    // Members without initialisers: an empty initializer, no OP_Return.
    GSCompiler::GSCClass* b = g.Class("B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->initializer.code.Length(), 0u);
    EXPECT_EQ(b->referenceMemberCount, 1u);
    // Classes in declaration order.
    EXPECT_EQ(g.front.Context().compiledClasses.First(), a);
}

// A reference points at the member block of its class: a value of another
// class, derived or base, reaches a variable, member or result through
// OP_Cast; null needs none.
TEST(CodeGeneration, ObjectsOfAnotherClassAreCast)
{
    Generated g(R"(class B { public int v; };
class C isclass B { public int w; };
class A {
  B keep;
  B up(C c) { B b = c; keep = c; return c; }
  C down(B b) { return cast<C>b; }
  B none() { return null; }
};
)");
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.Listing("A", "up"),
              "0: OP_LoadLocalRef 1\n3: OP_Cast 0\n6: OP_StoreLocalRef 2\n9: OP_LoadLocalRef 1\n12: OP_Cast 0\n"
              "15: OP_SetOwnMemberRef 2\n18: OP_LoadLocalRef 1\n21: OP_Cast 0\n24: OP_ReturnRef\n");
    EXPECT_EQ(g.Listing("A", "down"), "0: OP_LoadLocalRef 1\n3: OP_Cast 1\n6: OP_ReturnRef\n");
    EXPECT_EQ(g.Listing("A", "none"), "0: OP_PushFalse\n1: OP_ReturnRef\n");
}

// A temporary of a class initializer must not overwrite word 0 (the object).
TEST(CodeGeneration, InitializerTemporariesStartBehindTheObject)
{
    Generated g(R"(class B { public int v; };
class A {
  B b;
  int m = b.v++;
};
)");
    ASSERT_TRUE(g.ok);
    GSCompiler::GSCClass* a = g.Class("A");
    EXPECT_EQ(g.Listing(a->initializer),
              "0: OP_GetOwnMemberRef 2\n3: OP_DupRef\n4: OP_GetMember 2\n7: OP_StoreLocalKeep 1\n10: OP_IncInt\n"
              "11: OP_SetMember 2\n14: OP_LoadLocal 1\n17: OP_SetOwnMember 3\n20: OP_Return\n");
    EXPECT_EQ(a->initializerLocalCount, 1);
}

TEST(CodeGeneration, LineTableRecordsEachNewLine)
{
    Generated g("class A {\n  void f(int i) {\n    i = 1;\n\n    i = 2; if (i)\n      i = 3;\n  }\n};\n");
    ASSERT_TRUE(g.ok);
    GSCompiler::GSCFunction* f = g.Function("A", "f");
    std::string table;
    for (uint32_t i = 0; i < f->lines.Count(); ++i) {
        table += "{" + std::to_string(f->lines[i].position) + "," + std::to_string(f->lines[i].line) + "}";
    }
    // The jump written back into the if's hole (position 15) adds no entry.
    EXPECT_EQ(table, "{0,3}{4,5}{20,6}{28,7}");
    EXPECT_EQ(f->emitter.maxDepth, 2);
}

struct ErrorCase {
    const char* source;
    const char* message;
};

TEST(CodeGeneration, ErrorsFailTheGeneration)
{
    const ErrorCase cases[] = {
        {"class A {\n  void p();\n  void f() { }\n};\n", "t.gs(2) : Function p not implemented"},
        {"class A {\n  native void n(string a, int b) { }\n};\n", "t.gs(2) : Native function n has been implemented"},
        {"class A {\n  void f(int i) {\n    switch (i) { case 1: i = 0;\n case 1: default: break; } }\n};\n",
         "t.gs(3) : case has duplicate value, line 3"},
        // The default enters 2147483647: such a case before it is a duplicate.
        {"class A {\n  void f(int i) { switch (i) { case 2147483647: default: break; } }\n};\n",
         "t.gs(2) : case has duplicate value, line 2"},
        {"class A {\n  void f(int i) {\n    goto Nowhere;\n  }\n};\n", "t.gs(3) : no matching label, line 3"},
        {"class A {\n  void f(int i) {\n    Twice: i = 1;\n    Twice: i = 2;\n  }\n};\n",
         "t.gs(4) : label Twice defined twice, line 4."},
    };
    for (const ErrorCase& c : cases) {
        Generated g(c.source);
        EXPECT_EQ(g.frontErrors, 0) << c.source;
        EXPECT_FALSE(g.ok) << c.source;
        ASSERT_EQ(g.lines.size(), 1u) << c.source;
        EXPECT_EQ(g.lines[0], c.message);
    }
}

TEST(CodeGeneration, NeedsACheckedTree)
{
    Generated broken("class A { void f() { i = 1; } };\n");
    EXPECT_NE(broken.frontErrors, 0);
    EXPECT_FALSE(GSCompiler::GenerateCode(&broken.generator, &broken.front.Context()));
    EXPECT_EQ(broken.front.Context().compiledClasses.Count(), 0u);
}

TEST(CodeGeneration, RunningAgainReplacesTheClasses)
{
    Generated g("class A { int m = 2; };\nclass B { };\n");
    ASSERT_TRUE(g.ok);
    ASSERT_TRUE(GSCompiler::GenerateCode(&g.generator, &g.front.Context()));
    EXPECT_EQ(g.front.Context().compiledClasses.Count(), 2u);
}

// A string pool already full: the next string cannot be named by a u16.
TEST(CodeGeneration, TooManyStringsIsALocatedError)
{
    Generated g("class A {\n  void f(string t) {\n    t = \"last\";\n  }\n};\n", false);
    ASSERT_EQ(g.frontErrors, 0);
    for (int i = 0; i < 65536; ++i) {
        ASSERT_GE(GSCompiler::InternString(("pool" + std::to_string(i)).c_str(), &g.front.Context()), 0);
    }
    GSCompileLog log;
    g.front.MainUnit().log = &log;
    EXPECT_FALSE(GSCompiler::GenerateCode(&g.generator, &g.front.Context()));
    ASSERT_EQ(log.LineCount(), 1u);
    EXPECT_STREQ(log.Line(0), "t.gs(3) : too many strings in library, line 3.");
}

// Temporaries are eight slots at most; a ninth at once is a located error.
TEST(CodeGeneration, ANinthTemporaryIsALocatedError)
{
    Generated g("class A { };\n");
    GSCompiler::GSGeneratorContext generator;
    GSCompiler::CodeGenerator walker(&generator, &g.front.Context());
    int32_t flag = -1;
    uint16_t slot = 0;
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(walker.AcquireTemporary(7, &flag, &slot));
        EXPECT_EQ(slot, 1 + i);  // behind the object word of an initializer
    }
    const uint32_t before = g.log.LineCount();
    EXPECT_FALSE(walker.AcquireTemporary(7, &flag, &slot));
    ASSERT_EQ(g.log.LineCount(), before + 1);
    EXPECT_STREQ(g.log.Line(before), "t.gs(7) : too many temporaries in expression, line 7.");
    walker.ReleaseTemporary(3);
    ASSERT_TRUE(walker.AcquireTemporary(7, &flag, &slot));
    EXPECT_EQ(slot, 4);
}

// The bounds of the narrow operands: u16 slots, indices and counts; the i16
// argument offset of a call.
TEST(CodeGeneration, NarrowOperandBounds)
{
    Generated g("class A { };\n");
    GSCompiler::GSGeneratorContext generator;
    GSCompiler::CodeGenerator walker(&generator, &g.front.Context());
    struct Case {
        int64_t value;
        bool wide;  // u16 when set, else i16
        bool fits;
    };
    const Case cases[] = {{0, true, true},       {65535, true, true},  {65536, true, false},  {-1, true, false},
                          {-32768, false, true}, {32767, false, true}, {32768, false, false}, {-32769, false, false}};
    for (const Case& c : cases) {
        const uint32_t before = g.log.LineCount();
        const bool fits =
            c.wide ? walker.FitsU16(c.value, "members in class", 9) : walker.FitsI16(c.value, "arguments in call", 9);
        EXPECT_EQ(fits, c.fits) << c.value;
        if (c.fits) {
            EXPECT_EQ(g.log.LineCount(), before) << c.value;
        } else {
            ASSERT_EQ(g.log.LineCount(), before + 1) << c.value;
            EXPECT_STREQ(g.log.Line(before), c.wide ? "t.gs(9) : too many members in class, line 9."
                                                    : "t.gs(9) : too many arguments in call, line 9.");
        }
    }
}

GSCompiler::GSTreeNode* FindNode(GSCompiler::GSTreeNode* node, bool (*match)(const GSCompiler::GSTreeNode*))
{
    for (; node != nullptr; node = node->next) {
        if (match(node))
            return node;
        for (GSCompiler::GSTreeNode* child : node->child) {
            if (GSCompiler::GSTreeNode* found = FindNode(child, match))
                return found;
        }
    }
    return nullptr;
}

// The checks refuse a switch without default; should one reach code
// generation, values without a case go to the end of the switch.
TEST(CodeGeneration, SwitchWithoutDefaultJumpsToItsEnd)
{
    Generated g(InF("switch (i) { case 4: i = 0; default: break; }"), false);
    ASSERT_EQ(g.frontErrors, 0);
    GSCompiler::GSTreeNode* label = FindNode(g.front.MainUnit().root, [](const GSCompiler::GSTreeNode* n) {
        return n->Is(GSCompiler::GROUP_STATEMENT, GSCompiler::STMT_DEFAULT);
    });
    ASSERT_NE(label, nullptr);
    label->kind = GSCompiler::STMT_BLOCK;  // the default label gone, its break stays
    ASSERT_TRUE(GSCompiler::GenerateCode(&g.generator, &g.front.Context()));
    EXPECT_EQ(g.Listing("A", "f"),
              "0: OP_LoadLocal 1\n3: OP_Switch 1 (4 -> 18) default -> 27\n18: OP_PushFalse\n19: OP_StoreLocal 1\n"
              "22: OP_Jump 27\n27: OP_Return\n");
}

// The internal errors cannot come from a checked tree; a tree damaged after
// the checks shows that each is reported and fails the generation.
TEST(CodeGeneration, InternalErrorsAreReported)
{
    using GSCompiler::GSTreeNode;
    struct Case {
        const char* body;
        bool (*match)(const GSTreeNode*);
        void (*damage)(GSTreeNode*);
        const char* message;
    };
    const Case cases[] = {
        {"i = true;",
         [](const GSTreeNode* n) { return n->kind == GSCompiler::EXPR_CONSTANT && n->code == GSCompiler::CONST_BOOL; },
         [](GSTreeNode* n) { n->bits = 2; }, "t.gs(11) : Compiler error GEC"},
        {"i = -i;", [](const GSTreeNode* n) { return n->IsOperator(GSCompiler::OP_NEGATE); },
         [](GSTreeNode* n) { n->resultType = GSCompiler::TYPE_BOOL; }, "t.gs(11) : Compiler error GEOUM"},
        {"t = \"a\" + i;", [](const GSTreeNode* n) { return n->kind == GSCompiler::EXPR_IDENTIFIER && n->slot == 1; },
         [](GSTreeNode* n) { n->resultType = GSCompiler::TYPE_OBJECT; }, "t.gs(11) : Compiler error GECTS"},
        // Inside a string comparison the generation goes on, yet fails in the end.
        {"if (t == i) i = 0;",
         [](const GSTreeNode* n) { return n->kind == GSCompiler::EXPR_IDENTIFIER && n->slot == 1; },
         [](GSTreeNode* n) { n->resultType = GSCompiler::TYPE_INT_ARRAY; }, "t.gs(11) : Compiler error GECTS"},
    };
    for (const Case& c : cases) {
        Generated g(InF(c.body), false);
        ASSERT_EQ(g.frontErrors, 0) << c.body;
        GSTreeNode* node = FindNode(g.front.MainUnit().root, c.match);
        ASSERT_NE(node, nullptr) << c.body;
        c.damage(node);
        EXPECT_FALSE(GSCompiler::GenerateCode(&g.generator, &g.front.Context())) << c.body;
        ASSERT_GE(g.log.LineCount(), 1u) << c.body;
        EXPECT_STREQ(g.log.Line(g.log.LineCount() - 1), c.message) << c.body;
    }
}

}  // namespace
