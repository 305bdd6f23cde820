// Method-table entries put in slot order in one sort give the order that
// inserting them one by one gives.
#include "script/compiler/method_table.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "script/compiler/symbols.h"

namespace {

// Functions of one class at the given indices (the class's slots start at 0),
// appended in that order; several share a slot, as overloads of one name do.
TEST(MethodTableList, SortBySlotMatchesInsertingOneByOne)
{
    const std::vector<std::vector<int32_t>> cases = {
        {}, {4}, {2, 0, 2, 1, 0}, {3, 3, 3}, {5, 4, 3, 2, 1, 0}, {0, 7, 0, 7, 1, 6, 1, 6, 0}};
    for (const std::vector<int32_t>& indices : cases) {
        GSCompiler::GSClassSymbol owner("C");
        std::deque<GSCompiler::GSFunctionSymbol> functions;
        GSCompiler::MethodTableList sorted;
        GSCompiler::MethodTableList inserted;
        for (size_t i = 0; i < indices.size(); ++i) {
            functions.emplace_back("f");
            functions.back().owner = &owner;
            functions.back().index = indices[i];
            const GSCompiler::GSFunctionSymbolExt entry(&functions.back(), static_cast<int32_t>(i));
            sorted.Append(entry);
            inserted.InsertBySlot(entry);
        }
        sorted.SortBySlot();
        ASSERT_EQ(sorted.Count(), inserted.Count());
        for (uint32_t i = 0; i < sorted.Count(); ++i) {
            EXPECT_EQ(sorted[i].function, inserted[i].function) << "entry " << i << " of " << indices.size();
            EXPECT_EQ(sorted[i].offset, inserted[i].offset) << "entry " << i << " of " << indices.size();
        }
    }
}

}  // namespace
