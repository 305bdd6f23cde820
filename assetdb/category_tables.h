// The fixed classification tables: kind to category, legacy class code to category, display names, kind names.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zel/pstring.h"

// Kind (lower-case) and optional sub-type expression to a category list.
struct KindCategoryRow {
    Zel::PString kind;
    Zel::PString subTypeExpression;
    const char* categoryList;
};

// Legacy class code of a kind (empty kind: any) to a category list.
struct LegacyCodeCategoryRow {
    const char* kind;
    const char* legacyCode;
    const char* categoryList;
};

// A code list with a display or kind name and a flag.
struct CategoryNameRow {
    const char* codeList;
    Zel::PString name;
    int32_t flag;
};

// A region code word (first letter in bits 8-15, second in 0-7, blanks in
// the two upper bytes) and its name.
struct RegionRow {
    int32_t code;
    const char* name;
};

// Each table ends with a row whose key column is empty, except the region
// table, which has a fixed count, and the kind-name table, whose last real
// row has an empty code list (KindNameRowCount rows, no end row).
const KindCategoryRow* KindCategoryTable();
const LegacyCodeCategoryRow* LegacyCodeCategoryTable();
const CategoryNameRow* CategoryDisplayNameTable();
const CategoryNameRow* KindNameTable();
const RegionRow* RegionTable();

constexpr size_t KindCategoryRowCount = 58;
constexpr size_t LegacyCodeCategoryRowCount = 162;
constexpr size_t CategoryDisplayNameRowCount = 35;
constexpr size_t KindNameRowCount = 26;
constexpr size_t RegionRowCount = 264;

// The code word of a two-letter region code ("AD" gives the bytes 44 41 20 20).
constexpr int32_t RegionCode(char first, char second)
{
    return int32_t(0x20200000u | (uint32_t(uint8_t(first)) << 8) | uint32_t(uint8_t(second)));
}
