// The template error collector: one per process, from start-up to shutdown.
#include "templates/dod_error_handler.h"

#include <cstdio>
#include <functional>

#include "interfacetext/interface_text_db.h"
#include "templates/dod_container.h"
#include "templates/dod_tag.h"
#include "zel/string.h"

namespace DODLib {

namespace {

ErrorHandler* errorHandler = nullptr;

// Equal texts are one interned node; the empty text has two spellings
// (null and the empty node), folded into one identity.
const void* TextIdentity(const Zel::PString& text)
{
    return text.IsEmpty() ? nullptr : static_cast<const void*>(text.Node());
}

const char* HeadingKey(int32_t severity)
{
    switch (severity) {
    case SeverityError:
        return "$dod_eh_error";
    case SeverityWarning:
        return "$dod_eh_warning";
    default:
        return "$dod_eh_message";
    }
}

}  // namespace

bool ErrorHandler::Initialise()
{
    if (!errorHandler)
        errorHandler = new ErrorHandler();
    return true;
}

ErrorHandler* ErrorHandler::Instance()
{
    return errorHandler;
}

void ErrorHandler::Shutdown()
{
    if (!errorHandler)
        return;
    errorHandler->Clear();
    delete errorHandler;
    errorHandler = nullptr;
}

size_t ErrorHandler::RecordKeyHash::operator()(const RecordKey& k) const
{
    const size_t a = std::hash<uint64_t>{}(k.key * 2 + (k.kind == KeyKind::Tag ? 1 : 0));
    const size_t b = std::hash<const void*>{}(k.text);
    return a ^ (b + 0x9e3779b97f4a7c15ull + (a << 6) + (a >> 2));
}

uint64_t ErrorHandler::KeyOf(const Container* container)
{
    return container ? container->Serial() : 0;
}

uint64_t ErrorHandler::KeyOf(const Tag* tag)
{
    return tag ? tag->Serial() : 0;
}

void ErrorHandler::Count(const ErrorRecord& record, int delta)
{
    const void* text = TextIdentity(record.text);
    auto bump = [delta](auto& map, const auto& key) {
        auto it = map.try_emplace(key, 0).first;
        it->second += delta;
        if (it->second <= 0)
            map.erase(it);
    };
    bump(keyedCounts_, RecordKey{KeyKind::Container, record.container, text});
    bump(keyedCounts_, RecordKey{KeyKind::Tag, record.tag, text});
    bump(textCounts_, text);
}

bool ErrorHandler::Add(const Zel::PString& text, KeyKind kind, uint64_t key, bool keyless, int32_t severity)
{
    const void* identity = TextIdentity(text);
    if (keyless) {
        if (textCounts_.count(identity) != 0)
            return false;
    } else if (keyedCounts_.count(RecordKey{kind, key, identity}) != 0) {
        return false;
    }

    // The heading is looked up on every accepted add, echo or not, so a
    // missing heading is reported through the interface text's own warning.
    const Zel::String heading = GetInterfaceText(HeadingKey(severity));
    if (echo_)
        std::printf("%s%s\n", heading.c_str(), text.c_str());

    ErrorRecord record;
    if (!keyless) {
        if (kind == KeyKind::Container)
            record.container = key;
        else
            record.tag = key;
    }
    record.text = text;
    record.severity = severity;
    Append(std::move(record));
    return true;
}

void ErrorHandler::Append(ErrorRecord record)
{
    Count(record, +1);
    if (record.container != 0)
        containerPositions_[record.container].push_back(records_.size());
    if (record.tag != 0)
        tagPositions_[record.tag].push_back(records_.size());
    records_.push_back(std::move(record));
    removed_.push_back(false);
}

void ErrorHandler::Compact() const
{
    if (removedCount_ == 0)
        return;
    size_t kept = 0;
    for (size_t i = 0; i < records_.size(); ++i) {
        if (removed_[i])
            continue;
        if (kept != i)
            records_[kept] = std::move(records_[i]);
        ++kept;
    }
    records_.resize(kept);
    removed_.assign(kept, false);
    removedCount_ = 0;
    containerPositions_.clear();
    tagPositions_.clear();
    for (size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].container != 0)
            containerPositions_[records_[i].container].push_back(i);
        if (records_[i].tag != 0)
            tagPositions_[records_[i].tag].push_back(i);
    }
}

void ErrorHandler::Clear()
{
    records_.clear();
    removed_.clear();
    removedCount_ = 0;
    containerPositions_.clear();
    tagPositions_.clear();
    keyedCounts_.clear();
    textCounts_.clear();
}

bool ErrorHandler::AddError(const Zel::PString& text, const Container* container)
{
    return Add(text, KeyKind::Container, KeyOf(container), false, SeverityError);
}

bool ErrorHandler::AddError(const Zel::PString& text, const Tag* tag)
{
    return Add(text, KeyKind::Tag, KeyOf(tag), false, SeverityError);
}

bool ErrorHandler::AddError(const Zel::PString& text)
{
    return Add(text, KeyKind::Container, 0, true, SeverityError);
}

bool ErrorHandler::AddWarning(const Zel::PString& text, const Container* container)
{
    return Add(text, KeyKind::Container, KeyOf(container), false, SeverityWarning);
}

bool ErrorHandler::AddWarning(const Zel::PString& text, const Tag* tag)
{
    return Add(text, KeyKind::Tag, KeyOf(tag), false, SeverityWarning);
}

bool ErrorHandler::AddWarning(const Zel::PString& text)
{
    return Add(text, KeyKind::Container, 0, true, SeverityWarning);
}

bool ErrorHandler::AddMessage(const Zel::PString& text, const Container* container)
{
    return Add(text, KeyKind::Container, KeyOf(container), false, SeverityMessage);
}

bool ErrorHandler::AddMessage(const Zel::PString& text, const Tag* tag)
{
    return Add(text, KeyKind::Tag, KeyOf(tag), false, SeverityMessage);
}

bool ErrorHandler::AddMessage(const Zel::PString& text)
{
    return Add(text, KeyKind::Container, 0, true, SeverityMessage);
}

bool ErrorHandler::AddNote(const Zel::PString& /*text*/, const Container* /*container*/)
{
    return true;
}

bool ErrorHandler::AddNote(const Zel::PString& /*text*/, const Tag* /*tag*/)
{
    return true;
}

bool ErrorHandler::AddNote(const Zel::PString& text)
{
    return textCounts_.count(TextIdentity(text)) == 0;
}

void ErrorHandler::SetRecords(const std::vector<ErrorRecord>& records)
{
    Clear();
    for (const ErrorRecord& record : records)
        Append(record);
}

void ErrorHandler::SetEcho(bool echo)
{
    echo_ = echo;
}

void ErrorHandler::RemoveFirst(KeyKind kind, uint64_t key)
{
    if (key == 0)
        return;
    auto& positions = kind == KeyKind::Container ? containerPositions_ : tagPositions_;
    auto found = positions.find(key);
    if (found == positions.end())
        return;
    const size_t position = found->second.front();
    found->second.pop_front();
    if (found->second.empty())
        positions.erase(found);
    Count(records_[position], -1);
    removed_[position] = true;
    ++removedCount_;
    if (removedCount_ > 64 && removedCount_ * 2 > records_.size())
        Compact();
}

void ErrorHandler::RemoveTagRecord(const Tag* tag)
{
    RemoveFirst(KeyKind::Tag, KeyOf(tag));
}

void ErrorHandler::RemoveContainerRecord(const Container* container)
{
    RemoveFirst(KeyKind::Container, KeyOf(container));
}

const std::vector<ErrorRecord>& ErrorHandler::GetRecords() const
{
    Compact();
    return records_;
}

}  // namespace DODLib
