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

bool TestBool(std::int32_t key, const KADAssetRecord& row, const SearchScope& scope)
{
    switch (key) {
    case FilterBoolLocal:
    case FilterBoolLocallyEnabled:
        return row.Has(AssetInstalled);
    case FilterBoolCargoHub:
        return row.Has(AssetFromService);
    case FilterBoolLocationUnknown:
        return !row.Has(AssetInstalled) && !row.Has(AssetOpenForEdit) && !row.Has(AssetFromService);
    case FilterBoolLocallyAvailable:
        return row.Has(AssetInstalled) && !row.Has(AssetArchived);
    case FilterBoolUpToDate:
        return scope.superseded.count(row.id) == 0;
    case FilterBoolObsolete:
        return scope.newerInstalled.count(row.id) != 0 || scope.obsoleted.count(row.id) != 0;
    case FilterBoolLocallyModified:
        return row.Has(AssetModified);
    case FilterBoolValidName:
        return !row.name.empty();
    case FilterBoolOpenForEdit:
        return row.Has(AssetOpenForEdit);
    case FilterBoolInArchive:
        return row.Has(AssetArchived);
    case FilterBoolHasMissingDependencies:
        return row.Has(AssetMissingDependencies);
    case FilterBoolHasFaultyDependencies:
        return std::any_of(row.dependencies.begin(), row.dependencies.end(),
                           [&](const KUID& id) { return scope.faulty.count(id) != 0; });
    case FilterBoolFaulty:
        return row.IsFaulty();
    case FilterBoolFromHueshop:
        return row.kind.rfind("hueshop", 0) == 0;
    case FilterBoolBuiltin:
        return row.Has(AssetBuiltin);
    case FilterBoolListingPrivilege:
        return true;
    case FilterBoolWarnings:
        return row.Has(AssetWarnings);
    case FilterBoolHasScriptSource:
        return row.hasScript;
    default:
        return false;
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

}  // namespace

std::vector<KUID> KADSearchAssets(const KADAssetStore& store, const KADFilterElement* filter)
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
