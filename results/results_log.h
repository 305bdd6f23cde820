// ResultsLog: the message log of a command or task, its lines, counters, asset stack and wire form.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/containers/chunked_list.h"
#include "results/nu_message.h"
#include "soup/korvel_property.h"
#include "zel/string.h"

class KUID;
class SoupHandle;
class TBuffer;

// One message of a log: its kind, its text, and the property naming the asset
// it is about (null or an asset-id property).
struct ResultsLogEntry {
    int32_t kind = 0;
    Zel::String text;
    PropertyHandle property;
};

class ResultsLog : public NuMessageRecipient {
public:
    // Kinds as they travel on the wire. Lines read from the wire may carry any
    // other value; they print without a prefix and count nowhere.
    enum class MessageKind : int32_t {
        Info = 1,     // printed "; "
        Warning = 2,  // printed "! "
        Error = 3,    // printed "- "
        Success = 4,  // printed "+ ", counted apart, not in the closing line
    };

    ResultsLog() = default;
    // Leaves the registry, tells the pipes "list-destroyed", then the base
    // closes them.
    ~ResultsLog() override;

    // Appends a line. Without a property of its own the line takes the top of
    // the current-asset stack. With a parameter soup, every tag's upper-cased
    // name is looked for as "$(NAME)" (in any letter case) in the text and
    // replaced by the tag's value as text; an inserted value is never searched
    // again. Tells the pipes "list-updated". Returns 0.
    int AddMessage(MessageKind kind, const PropertyHandle& property, const Zel::String& text,
                   const SoupHandle* parameters = nullptr);
    // Plain text without a property of its own.
    int AddMessage(MessageKind kind, const char* text);
    // A line about one asset: the text carries an "AssetID" property holding
    // the id, so the printer shows that id.
    int AddAssetMessage(MessageKind kind, const KUID& id, const char* text);

    // The current-asset stack: commands that work on one asset push its id for
    // the duration, so their lines print it. A pop of an empty stack does
    // nothing.
    void PushAsset(const PropertyHandle& asset);
    void PopAsset();

    // Replaces this log's lines by copies of the other's (texts copied,
    // properties shared) and copies its counters; clears the sent flag. Both
    // logs are locked in address order, so two logs copied from each other on
    // two threads cannot deadlock. Nothing when both are the same log.
    void CopyFrom(const ResultsLog& other);

    // Wire form: int32 0 (format), int32 n, n x {int32 kind, text as a
    // length-prefixed string, property record}. Writes the lines from
    // firstIndex on and sets the sent flag.
    void WriteTo(TBuffer& buffer, int32_t firstIndex) const;
    // Appends the lines of one wire-form log, counting them by kind; no
    // parameter substitution and no current-asset default. A format word other
    // than 0 reads no lines. Reading stops at the first line whose kind the
    // stream cannot supply, so a count larger than the bytes present adds
    // nothing beyond them. Clears the sent flag and tells the pipes
    // "list-updated" in every case.
    void ReadFrom(TBuffer& buffer);

    int32_t WarningCount() const;
    int32_t ErrorCount() const;
    int32_t SuccessCount() const;
    int64_t LineCount() const;
    // 1 after construction, after WriteTo and after printing; 0 after any change.
    bool IsSent() const;
    // A copy of every line, in order.
    std::vector<ResultsLogEntry> Lines() const;

    // Sets the sent flag and hands every line, in order, to the visitor,
    // holding the log's lock throughout (the printer's walk).
    template <class Visit>
    void VisitLinesForPrinting(Visit visit)
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        sent_ = true;
        for (const ResultsLogEntry& entry : lines_)
            visit(entry);
    }

private:
    // Appends and counts one line; the caller holds the lock.
    void AppendLine(ResultsLogEntry&& entry);
    void NotifyUpdated();
    int32_t ReadCounter(const int32_t& counter) const;

    // Recursive: a listener told "list-updated" may read the log back.
    mutable std::recursive_mutex lock_;
    ChunkedList<ResultsLogEntry, 13> lines_;
    int32_t warnings_ = 0;
    int32_t errors_ = 0;
    int32_t successes_ = 0;
    mutable bool sent_ = true;
    std::vector<PropertyHandle> assetStack_;
};

// Writes every line as its kind's prefix, the line's asset id in tag form
// ("<NULL>" without one), " : ", the text and a line end, then
// "OK (<errors> Errors, <warnings> Warnings)" and a line end, on standard
// output. Success and info lines are counted in neither number.
void PrintResultsLog(ResultsLog& log);
// The same onto another stream (tests, tools).
void PrintResultsLogTo(ResultsLog& log, std::FILE* output);
// The daemon names the texts of its lines by their interface-text tags
// ("$kad..."), so that the language the user chose applies on the side that
// prints them: the printer shows such a line through this lookup, which the
// program sets at start-up (null: printed as they are).
using ResultsLogTextLookup = std::string (*)(const char* tag);
void SetResultsLogTextLookup(ResultsLogTextLookup lookup);

// Replaces every "$(name)" in the text, letters compared without regard to
// case, by the value; the search goes on after each inserted value, so a value
// is never expanded again.
void SubstituteMessageParameter(const Zel::AnsiString& value, Zel::AnsiString& text, const char* name);
