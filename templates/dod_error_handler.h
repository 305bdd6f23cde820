// The process-wide template error collector: findings keyed by container or tag, duplicates refused.
#pragma once

#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "zel/pstring.h"

namespace DODLib {

class Container;
class Tag;

// Severities; 2 and 3 are the results log's Warning and Error kinds.
enum ErrorSeverity : int32_t {
    SeverityMessage = 0,
    SeverityWarning = 2,
    SeverityError = 3,
};

// One finding. At most one of the two keys is set (0 = none).
struct ErrorRecord {
    uint64_t container = 0;
    uint64_t tag = 0;
    Zel::PString text;
    int32_t severity = SeverityMessage;
};

class ErrorHandler {
public:
    // Creates the collector (echo off, no records); true.
    static bool Initialise();
    // The collector, or null before Initialise and after Shutdown.
    static ErrorHandler* Instance();
    // Deletes every record and the collector; nothing when there is none.
    static void Shutdown();

    ErrorHandler() = default;
    virtual ~ErrorHandler() = default;
    ErrorHandler(const ErrorHandler&) = delete;
    ErrorHandler& operator=(const ErrorHandler&) = delete;

    virtual void Clear();

    // Each add refuses (false) a finding whose text is already recorded for
    // the same key; the keyless forms refuse a text recorded under any key.
    virtual bool AddError(const Zel::PString& text, const Container* container);
    virtual bool AddError(const Zel::PString& text, const Tag* tag);
    virtual bool AddError(const Zel::PString& text);
    virtual bool AddWarning(const Zel::PString& text, const Container* container);
    virtual bool AddWarning(const Zel::PString& text, const Tag* tag);
    virtual bool AddWarning(const Zel::PString& text);
    virtual bool AddMessage(const Zel::PString& text, const Container* container);
    virtual bool AddMessage(const Zel::PString& text, const Tag* tag);
    virtual bool AddMessage(const Zel::PString& text);
    // Progress and success notes are never recorded. The keyed forms answer
    // true; the keyless one false when a record has the same text.
    virtual bool AddNote(const Zel::PString& text, const Container* container);
    virtual bool AddNote(const Zel::PString& text, const Tag* tag);
    virtual bool AddNote(const Zel::PString& text);

    virtual void SetRecords(const std::vector<ErrorRecord>& records);
    virtual void SetEcho(bool echo);
    // Removes the first record keyed by the object (only one per call).
    virtual void RemoveTagRecord(const Tag* tag);
    virtual void RemoveContainerRecord(const Container* container);
    virtual const std::vector<ErrorRecord>& GetRecords() const;

private:
    enum class KeyKind : uint8_t { Container, Tag };
    // Counts of records per (key field, key, text) and per text, so the
    // duplicate test stays constant-time however many findings there are.
    struct RecordKey {
        KeyKind kind;
        uint64_t key;
        const void* text;
        bool operator==(const RecordKey& other) const
        {
            return kind == other.kind && key == other.key && text == other.text;
        }
    };
    struct RecordKeyHash {
        size_t operator()(const RecordKey& k) const;
    };

    bool Add(const Zel::PString& text, KeyKind kind, uint64_t key, bool keyless, int32_t severity);
    void Append(ErrorRecord record);
    void Count(const ErrorRecord& record, int delta);
    void RemoveFirst(KeyKind kind, uint64_t key);
    // Drops the records marked removed and renumbers the positions.
    void Compact() const;
    static uint64_t KeyOf(const Container* container);
    static uint64_t KeyOf(const Tag* tag);

    bool echo_ = false;
    // Removed records are marked and dropped in one pass later: objects are
    // destroyed by the thousand, each removing its first record, and
    // erasing each from the middle of the list would be quadratic.
    mutable std::vector<ErrorRecord> records_;
    mutable std::vector<bool> removed_;
    mutable size_t removedCount_ = 0;
    // Positions in records_ of the live records of each key, oldest first.
    mutable std::unordered_map<uint64_t, std::deque<size_t>> containerPositions_;
    mutable std::unordered_map<uint64_t, std::deque<size_t>> tagPositions_;
    std::unordered_map<RecordKey, int32_t, RecordKeyHash> keyedCounts_;
    std::unordered_map<const void*, int32_t> textCounts_;
};

}  // namespace DODLib
