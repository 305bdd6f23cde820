// ResultsLog: adding lines, counting them by kind, the current-asset stack, copying and notifying.
#include "results/results_log.h"

#include "results/results_log_registry.h"
#include "soup/soup_handle.h"

namespace {

void SubstituteSoupParameters(const SoupHandle& parameters, Zel::String& text)
{
    int32_t count = parameters.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        Zel::PString name;
        Zel::PString value;
        if (!parameters.GetIndexedTagText(i, name, value))
            continue;
        // Soup names are lower-case; the placeholders are written in capitals
        // but matched in any case.
        SubstituteMessageParameter(Zel::AnsiString(value.View()), text, name.ToUpper().c_str());
    }
}

}  // namespace

ResultsLog::~ResultsLog()
{
    // Leave the registry first, so a late notification on the reader thread
    // can no longer find this log.
    ResultsLogRegistry::UnregisterLog(this);
    Broadcast(NuMessageData(Zel::PString("list-destroyed"), reinterpret_cast<intptr_t>(this)));
    std::lock_guard<std::recursive_mutex> hold(lock_);
    assetStack_.clear();
    lines_.Clear();
}

int ResultsLog::AddMessage(MessageKind kind, const PropertyHandle& property, const Zel::String& text,
                           const SoupHandle* parameters)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    ResultsLogEntry entry;
    entry.kind = int32_t(kind);
    entry.text = text;
    if (!property.IsNull())
        entry.property = property;
    else if (!assetStack_.empty())
        entry.property = assetStack_.back();
    if (parameters != nullptr)
        SubstituteSoupParameters(*parameters, entry.text);
    AppendLine(std::move(entry));
    NotifyUpdated();
    return 0;
}

int ResultsLog::AddMessage(MessageKind kind, const char* text)
{
    return AddMessage(kind, PropertyHandle(), Zel::String(text));
}

int ResultsLog::AddAssetMessage(MessageKind kind, const KUID& id, const char* text)
{
    PropertyHandle asset = PropertyHandle::Adopt(new KorvelPropertyAssetID(AssetIDPropertyName(), id));
    return AddMessage(kind, asset, Zel::String(text));
}

void ResultsLog::PushAsset(const PropertyHandle& asset)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    assetStack_.push_back(asset);
}

void ResultsLog::PopAsset()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (!assetStack_.empty())
        assetStack_.pop_back();
}

void ResultsLog::CopyFrom(const ResultsLog& other)
{
    if (&other == this)
        return;
    // Address order: two threads copying two logs into each other take the
    // locks in the same order.
    std::recursive_mutex& first = this < &other ? lock_ : other.lock_;
    std::recursive_mutex& second = this < &other ? other.lock_ : lock_;
    std::lock_guard<std::recursive_mutex> holdFirst(first);
    std::lock_guard<std::recursive_mutex> holdSecond(second);
    lines_ = other.lines_;
    warnings_ = other.warnings_;
    errors_ = other.errors_;
    successes_ = other.successes_;
    sent_ = false;
}

void ResultsLog::AppendLine(ResultsLogEntry&& entry)
{
    switch (entry.kind) {
    case int32_t(MessageKind::Warning):
        ++warnings_;
        break;
    case int32_t(MessageKind::Error):
        ++errors_;
        break;
    case int32_t(MessageKind::Success):
        ++successes_;
        break;
    default:
        break;
    }
    lines_.PushBack(std::move(entry));
}

void ResultsLog::NotifyUpdated()
{
    sent_ = false;
    Broadcast(NuMessageData(Zel::PString("list-updated"), reinterpret_cast<intptr_t>(this)));
}

int32_t ResultsLog::WarningCount() const
{
    return ReadCounter(warnings_);
}

int32_t ResultsLog::ErrorCount() const
{
    return ReadCounter(errors_);
}

int32_t ResultsLog::SuccessCount() const
{
    return ReadCounter(successes_);
}

int32_t ResultsLog::ReadCounter(const int32_t& counter) const
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return counter;
}

int64_t ResultsLog::LineCount() const
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return lines_.TotalCount();
}

bool ResultsLog::IsSent() const
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return sent_;
}

std::vector<ResultsLogEntry> ResultsLog::Lines() const
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    std::vector<ResultsLogEntry> copy;
    for (const ResultsLogEntry& entry : lines_)
        copy.push_back(entry);
    return copy;
}
