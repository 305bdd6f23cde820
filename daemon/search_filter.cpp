// Evaluating a search filter tree against the store's rows (SearchAssets).
#include "daemon/search_filter.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string_view>
#include <unordered_set>

#include "assetdb/category_codes.h"
#include "assetdb/kad_filter_element.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_columns.h"
#include "daemon/asset_store_metadata.h"
#include "zel/ascii.h"

namespace {

// What a row's tests need beyond the row itself, gathered in one pass.
struct SearchScope {
    const KADAssetStore* store = nullptr;
    std::unordered_set<KUID> obsoleted;  // named by an installed row's obsolete list
    std::unordered_set<KUID> faulty;
    std::unordered_set<KUID> present;
    std::unordered_set<KUID> newerInstalled;  // a newer version of the same asset is installed
    std::unordered_set<KUID> superseded;      // a newer version of the same asset is known
};

struct Interval {
    std::int32_t key = 0;
    std::int64_t lower = 0;
    std::int64_t upper = 0;
    bool lowerInclusive = false;
    bool upperInclusive = false;
};

template <class Value>
Interval IntervalOf(const KADFilterElementInterval<Value>& element)
{
    return Interval{element.KeyIndex(), static_cast<std::int64_t>(element.Lower()),
                    static_cast<std::int64_t>(element.Upper()), element.LowerInclusive(), element.UpperInclusive()};
}

bool InInterval(const Interval& interval, std::int64_t value)
{
    bool aboveLower = interval.lowerInclusive ? value >= interval.lower : value > interval.lower;
    bool belowUpper = interval.upperInclusive ? value <= interval.upper : value < interval.upper;
    return aboveLower && belowUpper;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view part, bool exact)
{
    auto equal = [](char a, char b) { return Zel::AsciiToLower(a) == Zel::AsciiToLower(b); };
    if (exact)
        return text.size() == part.size() && std::equal(text.begin(), text.end(), part.begin(), equal);
    return std::search(text.begin(), text.end(), part.begin(), part.end(), equal) != text.end();
}

// Every ";"-separated keyword of the value (a leading "#" ignored) is one
// of the row's keywords.
bool HasKeywords(const std::string& keywords, std::string_view value)
{
    std::size_t start = 0;
    while (start < value.size()) {
        std::size_t end = value.find(';', start);
        if (end == std::string_view::npos)
            end = value.size();
        std::string_view token = value.substr(start, end - start);
        if (!token.empty() && token.front() == '#')
            token.remove_prefix(1);
        if (!token.empty()) {
            bool found = false;
            std::size_t at = 0;
            while (!found && at <= keywords.size()) {
                std::size_t next = keywords.find(';', at);
                if (next == std::string::npos)
                    next = keywords.size();
                found = ContainsIgnoringCase(std::string_view(keywords).substr(at, next - at), token, true);
                at = next + 1;
            }
            if (!found)
                return false;
        }
        start = end + 1;
    }
    return true;
}

bool TestString(const KADFilterElementString& element, const KADAssetRecord& row)
{
    const char* value = element.GetValueText().c_str();
    if (value == nullptr || *value == '\0')
        return true;
    switch (element.KeyIndex()) {
    case FilterStringAssetName:
        return ContainsIgnoringCase(row.name, value, element.ExactMatch());
    case FilterStringCategoryList:
        // The tags only when there are keywords: most rows have none, and
        // this runs for every row of a category search.
        return MatchCodeList(value, row.keywords.empty() ? row.category.c_str() : KADCategoryWithTags(row).c_str());
    case FilterStringEraList:
        return MatchCodeList(value, row.era.c_str());
    case FilterStringKeywordList:
        return HasKeywords(row.keywords, value);
    case FilterStringRegionList:
        return MatchCodeList(value, row.region.c_str());
    default:
        return false;
    }
}

// The tests the status bits and derived traits decide, for the rows and the
// search mirror alike.
bool TestColumnBool(std::int32_t key, std::uint32_t flags, std::uint8_t traits)
{
    auto has = [flags](std::uint32_t flag) { return (flags & flag) != 0; };
    switch (key) {
    case FilterBoolLocal:
    case FilterBoolLocallyEnabled:
        return has(AssetInstalled);
    case FilterBoolCargoHub:
        return has(AssetFromService);
    case FilterBoolLocationUnknown:
        return !has(AssetInstalled) && !has(AssetOpenForEdit) && !has(AssetFromService);
    case FilterBoolLocallyAvailable:
        return has(AssetInstalled) && !has(AssetArchived);
    case FilterBoolLocallyModified:
        return has(AssetModified);
    case FilterBoolValidName:
        return (traits & SearchTraitNoName) == 0;
    case FilterBoolOpenForEdit:
        return has(AssetOpenForEdit);
    case FilterBoolInArchive:
        return has(AssetArchived);
    case FilterBoolHasMissingDependencies:
        return has(AssetMissingDependencies);
    case FilterBoolFaulty:
        return (traits & SearchTraitFaulty) != 0;
    case FilterBoolFromHueshop:
        return (traits & SearchTraitHueshop) != 0;
    case FilterBoolBuiltin:
        return has(AssetBuiltin);
    case FilterBoolListingPrivilege:
        return true;
    case FilterBoolWarnings:
        return has(AssetWarnings);
    case FilterBoolHasScriptSource:
        return (traits & SearchTraitScript) != 0;
    default:
        return false;
    }
}

bool TestBool(std::int32_t key, const KADAssetRecord& row, const SearchScope& scope)
{
    switch (key) {
    case FilterBoolUpToDate:
        return scope.superseded.count(row.id) == 0;
    case FilterBoolObsolete:
        return scope.newerInstalled.count(row.id) != 0 || scope.obsoleted.count(row.id) != 0;
    case FilterBoolHasFaultyDependencies:
        return std::any_of(row.dependencies.begin(), row.dependencies.end(),
                           [&](const KUID& id) { return scope.faulty.count(id) != 0; });
    default:
        return TestColumnBool(key, row.flags, KADSearchTraitsOf(row));
    }
}

bool Evaluate(const KADFilterElement* element, const KADAssetRecord& row, const SearchScope& scope)
{
    if (element == nullptr)
        return true;
    switch (element->GetTypeCode()) {
    case FilterTypeGroup: {
        const auto& group = static_cast<const KADFilterElementGroup&>(*element);
        bool all = group.GroupFlag() != 0;
        bool result = all;
        for (std::size_t i = 0; i < group.ChildCount(); ++i) {
            bool passes = Evaluate(group.Child(i), row, scope);
            if (all && !passes) {
                result = false;
                break;
            }
            if (!all && passes) {
                result = true;
                break;
            }
        }
        return group.Negate() != 0 ? !result : result;
    }
    case FilterTypeString:
        return TestString(static_cast<const KADFilterElementString&>(*element), row);
    case FilterTypeBool:
        return TestBool(static_cast<const KADFilterElementBool&>(*element).KeyIndex(), row, scope);
    case FilterTypeInt: {
        Interval interval = IntervalOf(static_cast<const KADFilterElementInt&>(*element));
        std::int64_t value = interval.key == 0   ? static_cast<std::uint32_t>(row.rating)
                             : interval.key == 1 ? static_cast<std::uint32_t>(row.authorId)
                             : interval.key == 2 ? static_cast<std::uint32_t>(row.id.version)
                                                 : -1;
        return value >= 0 && InInterval(interval, value);
    }
    case FilterTypeTimestamp: {
        Interval interval = IntervalOf(static_cast<const KADFilterElementTimestamp&>(*element));
        if (interval.key != 0 && interval.key != 1)
            return false;
        return InInterval(interval, interval.key == 0 ? row.installedTime : row.modifiedTime);
    }
    case FilterTypeAssetID: {
        const auto& ids = static_cast<const KADFilterElementAssetID&>(*element);
        // A profile map names no asset of the store.
        if (ids.KeyIndex() != 0)
            return false;
        return ids.Ids().count(row.id) != 0;
    }
    default:
        return false;
    }
}

// Which rows other rows' tests need; only gathered when the tree asks.
bool UsesKey(const KADFilterElement* element, std::int32_t boolKey)
{
    if (element == nullptr)
        return false;
    if (element->GetTypeCode() == FilterTypeBool)
        return static_cast<const KADFilterElementBool&>(*element).KeyIndex() == boolKey;
    if (element->GetTypeCode() != FilterTypeGroup)
        return false;
    const auto& group = static_cast<const KADFilterElementGroup&>(*element);
    for (std::size_t i = 0; i < group.ChildCount(); ++i) {
        if (UsesKey(group.Child(i), boolKey))
            return true;
    }
    return false;
}

// The filter compiled once per search against the search mirror: every
// string test is decided once per distinct value of its column.
struct CompiledTest {
    std::int32_t type = 0;
    bool all = true;      // group: AND
    bool negate = false;  // group
    std::vector<CompiledTest> children;
    const std::vector<std::uint32_t>* textRows = nullptr;
    std::vector<std::uint8_t> passes;  // per distinct value of textRows
    std::int32_t key = 0;
    Interval interval;
    const std::set<KUID>* ids = nullptr;
};

// Fills the test; false when a leaf needs more than the columns hold (the
// row map then answers).
bool Compile(const KADFilterElement& element, const KADSearchColumns& columns, CompiledTest& test)
{
    test.type = element.GetTypeCode();
    switch (test.type) {
    case FilterTypeGroup: {
        const auto& group = static_cast<const KADFilterElementGroup&>(element);
        test.all = group.GroupFlag() != 0;
        test.negate = group.Negate() != 0;
        test.children.resize(group.ChildCount());
        for (std::size_t i = 0; i < group.ChildCount(); ++i) {
            const KADFilterElement* child = group.Child(i);
            // A missing child passes, as an absent filter does.
            if (child == nullptr)
                test.children[i].type = FilterTypeGroup;
            else if (!Compile(*child, columns, test.children[i]))
                return false;
        }
        return true;
    }
    case FilterTypeString: {
        const auto& text = static_cast<const KADFilterElementString&>(element);
        const char* value = text.GetValueText().c_str();
        if (value == nullptr || *value == '\0') {
            // An empty value passes every row: an empty AND group does.
            test.type = FilterTypeGroup;
            return true;
        }
        const KADTextColumn* column = text.KeyIndex() == FilterStringCategoryList ? &columns.categories
                                      : text.KeyIndex() == FilterStringRegionList ? &columns.regions
                                      : text.KeyIndex() == FilterStringEraList    ? &columns.eras
                                                                                  : nullptr;
        // Names and keywords are not in the columns; any other key never passes.
        if (column == nullptr)
            return text.KeyIndex() != FilterStringAssetName && text.KeyIndex() != FilterStringKeywordList;
        test.textRows = &column->rows;
        test.passes.reserve(column->values.size());
        for (const std::string& listed : column->values)
            test.passes.push_back(MatchCodeList(value, listed.c_str()) ? 1 : 0);
        return true;
    }
    case FilterTypeBool:
        test.key = static_cast<const KADFilterElementBool&>(element).KeyIndex();
        return test.key != FilterBoolUpToDate && test.key != FilterBoolObsolete &&
               test.key != FilterBoolHasFaultyDependencies;
    case FilterTypeInt:
        test.interval = IntervalOf(static_cast<const KADFilterElementInt&>(element));
        return true;
    case FilterTypeTimestamp:
        test.interval = IntervalOf(static_cast<const KADFilterElementTimestamp&>(element));
        return true;
    case FilterTypeAssetID: {
        const auto& ids = static_cast<const KADFilterElementAssetID&>(element);
        test.key = ids.KeyIndex();
        test.ids = &ids.Ids();
        return true;
    }
    default:
        return true;
    }
}

bool EvaluateColumns(const CompiledTest& test, const KADSearchColumns& columns, std::size_t row)
{
    switch (test.type) {
    case FilterTypeGroup: {
        bool result = test.all;
        for (const CompiledTest& child : test.children) {
            bool passes = EvaluateColumns(child, columns, row);
            if (test.all != passes) {
                result = passes;
                break;
            }
        }
        return test.negate ? !result : result;
    }
    case FilterTypeString:
        return test.textRows != nullptr && test.passes[(*test.textRows)[row]] != 0;
    case FilterTypeBool:
        return TestColumnBool(test.key, columns.flags[row], columns.traits[row]);
    case FilterTypeInt: {
        std::int32_t key = test.interval.key;
        std::int64_t value = key == 0   ? static_cast<std::uint32_t>(columns.ratings[row])
                             : key == 1 ? static_cast<std::uint32_t>(columns.authorIds[row])
                             : key == 2 ? static_cast<std::uint32_t>(columns.ids[row].version)
                                        : -1;
        return value >= 0 && InInterval(test.interval, value);
    }
    case FilterTypeTimestamp:
        if (test.interval.key != 0 && test.interval.key != 1)
            return false;
        return InInterval(test.interval,
                          test.interval.key == 0 ? columns.installedTimes[row] : columns.modifiedTimes[row]);
    case FilterTypeAssetID:
        return test.key == 0 && test.ids->count(columns.ids[row]) != 0;
    default:
        return false;
    }
}

// A single test on a value column, the common search: one pass over the
// column without the tree walk per row.
bool SearchOneColumn(const CompiledTest& test, const KADSearchColumns& columns, std::vector<KUID>& passed)
{
    std::size_t count = columns.ids.size();
    if (test.type == FilterTypeString && test.textRows != nullptr) {
        const std::vector<std::uint32_t>& rows = *test.textRows;
        for (std::size_t row = 0; row < count; ++row) {
            if (test.passes[rows[row]] != 0)
                passed.push_back(columns.ids[row]);
        }
        return true;
    }
    if (test.type == FilterTypeInt && test.interval.key == 1) {
        for (std::size_t row = 0; row < count; ++row) {
            if (InInterval(test.interval, static_cast<std::uint32_t>(columns.authorIds[row])))
                passed.push_back(columns.ids[row]);
        }
        return true;
    }
    return false;
}

}  // namespace

std::vector<KUID> KADSearchAssetRows(const KADAssetStore& store, const KADFilterElement* filter)
{
    SearchScope scope;
    scope.store = &store;
    bool obsolete = UsesKey(filter, FilterBoolObsolete);
    if (obsolete) {
        store.ForEach([&](const KADAssetRecord& row) {
            if (!row.Has(AssetInstalled))
                return;
            for (const KUID& id : row.obsoletes)
                scope.obsoleted.insert(id);
        });
    }
    if (obsolete || UsesKey(filter, FilterBoolUpToDate)) {
        // Rows come in id order, so the versions of one asset are
        // neighbours: each row before a later one is superseded, and each
        // row before a later installed one is obsolete.
        std::vector<KUID> versions;
        std::vector<KUID> sinceInstalled;
        KUID previous = NullKUID;
        store.ForEach([&](const KADAssetRecord& row) {
            if (previous.user != row.id.user || previous.content != row.id.content) {
                versions.clear();
                sinceInstalled.clear();
            }
            for (const KUID& older : versions)
                scope.superseded.insert(older);
            versions.clear();
            if (row.Has(AssetInstalled)) {
                for (const KUID& older : sinceInstalled)
                    scope.newerInstalled.insert(older);
                sinceInstalled.clear();
            }
            versions.push_back(row.id);
            sinceInstalled.push_back(row.id);
            previous = row.id;
        });
    }
    if (UsesKey(filter, FilterBoolHasFaultyDependencies)) {
        store.ForEach([&](const KADAssetRecord& row) {
            if (row.IsFaulty())
                scope.faulty.insert(row.id);
        });
    }
    std::vector<KUID> passed;
    store.ForEach([&](const KADAssetRecord& row) {
        if (Evaluate(filter, row, scope))
            passed.push_back(row.id);
    });
    return passed;
}

std::vector<KUID> KADSearchAssets(const KADAssetStore& store, const KADFilterElement* filter)
{
    std::shared_ptr<const KADSearchColumns> columns = store.SearchColumns();
    CompiledTest test;
    if (filter == nullptr || Compile(*filter, *columns, test)) {
        std::vector<KUID> passed;
        if (filter == nullptr)
            return columns->ids;
        if (SearchOneColumn(test, *columns, passed))
            return passed;
        for (std::size_t row = 0; row < columns->ids.size(); ++row) {
            if (EvaluateColumns(test, *columns, row))
                passed.push_back(columns->ids[row]);
        }
        return passed;
    }
    return KADSearchAssetRows(store, filter);
}
