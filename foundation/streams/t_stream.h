// TStream: the cached byte-stream base with typed little-endian reads and writes, strings and blocks.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kuid/kuid.h"
#include "zel/dynamic_buffer.h"
#include "zel/pstring.h"
#include "zel/string.h"

// Every stream keeps a 4096-byte read cache in front of its underlying
// object. Errors never throw: the first error stays recorded in the stream,
// and a typed read that cannot be served yields the caller's default.
//
// Positions are logical: what the caller has consumed, not what the cache has
// fetched. Reads and writes may alternate; every write first hands unread
// cached bytes back to the underlying object.
//
// Inside a WriteRun the cache gathers small typed writes instead, and hands
// them to the underlying object a cache-full at a time.
class TStream {
public:
    // Error codes; only the first error is kept.
    enum Error : int32_t {
        ErrorNone = 0,
        ErrorInputOutput = 1,
        ErrorOutOfMemory = 3,  // also: a string too long
        ErrorShortRead = 4,    // a typed read that came short
    };
    enum Origin : int { FromStart = 0, FromCurrent = 1, FromEnd = 2 };

    static constexpr int32_t CacheSize = 4096;
    // Bytes kept in front of a refilled cache so a short step back is served from it.
    static constexpr int32_t KeptBytes = 16;
    // Reads of this many bytes or more go straight to the underlying object.
    static constexpr int64_t DirectReadSize = CacheSize - KeptBytes;
    // Length words of strings at or above this are refused (written as 0,
    // skipped with ErrorOutOfMemory when read).
    static constexpr uint32_t StringLimit = 0x10000;
    static constexpr uint32_t BlockPlaceholder = 0xfeedceebu;

    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // For its lifetime small typed writes are gathered in the stream's cache
    // and written to the underlying object CacheSize bytes at a time, when
    // the run ends, or before any other operation (so the stream's own
    // positions, reads, seeks and blocks see every byte). Until then the
    // underlying object itself (a buffer's DynamicBuffer, a file) does not
    // hold them, and an error in writing them is recorded when they are
    // handed over. Runs may nest; the outermost one's end hands over.
    class WriteRun {
    public:
        explicit WriteRun(TStream& stream) : stream_(stream) { ++stream_.runDepth_; }
        WriteRun(const WriteRun&) = delete;
        WriteRun& operator=(const WriteRun&) = delete;
        ~WriteRun()
        {
            if (--stream_.runDepth_ == 0)
                stream_.HandOverStaged();
        }

    private:
        TStream& stream_;
    };

    virtual void Reset() = 0;
    // Logical position.
    virtual int64_t Tell() = 0;
    virtual bool IsOpen() = 0;
    // Remembers the position, seeks to the end for the size, moves back.
    virtual int64_t Size();
    virtual bool Eof() = 0;

    // Moves the logical position (origin FromCurrent counts from the logical
    // position); the read cache is emptied. Returns the new logical position.
    int64_t Seek(int64_t offset, int origin);
    // Moves to an absolute logical position, inside the cache when the cached
    // bytes cover it, else through Seek. Returns the position reached: the
    // one asked for, or what Seek returned.
    int64_t MoveTo(int64_t position)
    {
        // Over a write window (and outside staging) the logical position is
        // the window's less the unread input: a step inside the cache needs
        // no virtual call.
        if (window_ != nullptr && stageLimit_ == 0) {
            const int64_t step = position - (int64_t(window_->GetPosition()) - UnreadCount());
            if (int64_t(cursor_) + step >= 0 && step <= UnreadCount()) {
                cursor_ += int32_t(step);
                return position;
            }
        }
        return MoveToAnywhere(position);
    }
    void Rewind() { MoveTo(0); }

    // Cached read of up to count bytes; returns the count delivered. No error
    // is set here: a short delivery is the caller's to judge.
    int64_t Read(void* buffer, int64_t count);
    // Drops unread cached input, then writes; returns the count written.
    // Inline: every typed write comes here, and most find no cached input.
    int64_t Write(const void* bytes, int64_t count)
    {
        HandOverStaged();
        if (count <= 0)
            return 0;
        if (UnreadCount() > 0)
            DropReadCache();
        else
            EmptyCache();
        return DoWrite(bytes, count);
    }

    int32_t GetError() const { return error_; }
    bool HasError() const { return error_ != ErrorNone; }
    // Records the code unless an error is already recorded.
    void SetError(int32_t code)
    {
        if (error_ == ErrorNone)
            error_ = code;
    }
    void ClearError() { error_ = ErrorNone; }

    // Typed reads: the value, or the default with ErrorShortRead when the
    // stream cannot supply every byte.
    uint8_t ReadUInt8(uint8_t fallback = 0) { return ReadValue<uint8_t>(fallback); }
    int8_t ReadInt8(int8_t fallback = 0) { return int8_t(ReadValue<uint8_t>(uint8_t(fallback))); }
    uint16_t ReadUInt16(uint16_t fallback = 0) { return ReadValue<uint16_t>(fallback); }
    int16_t ReadInt16(int16_t fallback = 0) { return int16_t(ReadValue<uint16_t>(uint16_t(fallback))); }
    uint32_t ReadUInt32(uint32_t fallback = 0) { return ReadValue<uint32_t>(fallback); }
    int32_t ReadInt32(int32_t fallback = 0) { return int32_t(ReadValue<uint32_t>(uint32_t(fallback))); }
    // Two words, the low one first.
    int64_t ReadInt64(int64_t fallback = 0) { return int64_t(ReadValue<uint64_t>(uint64_t(fallback))); }
    uint64_t ReadUInt64(uint64_t fallback = 0) { return ReadValue<uint64_t>(fallback); }
    float ReadFloat(float fallback = 0.0f)
    {
        return std::bit_cast<float>(ReadValue<uint32_t>(std::bit_cast<uint32_t>(fallback)));
    }
    // One byte; any non-zero value is true.
    bool ReadBool(bool fallback = false) { return ReadValue<uint8_t>(fallback ? 1 : 0) != 0; }
    // Reads count bytes; a short read sets ErrorShortRead. Returns the count read.
    int64_t ReadBytes(void* buffer, int64_t count);
    // Reads N uint32 values at once when the cache holds all their bytes
    // unread; false, reading nothing, when it does not (the caller then reads
    // them one at a time). A list reads every record's fixed header so.
    template <size_t N>
    bool ReadHeldUInt32s(uint32_t (&values)[N])
    {
        if (filled_ - cursor_ < int32_t(sizeof values))
            return false;
        std::memcpy(values, input_ + cursor_, sizeof values);
        cursor_ += int32_t(sizeof values);
        if constexpr (std::endian::native != std::endian::little) {
            for (uint32_t& value : values)
                value = FromLittleEndian(value);
        }
        return true;
    }
    // Reads count int32 values one at a time; missing ones take the default.
    void ReadInt32Array(int32_t* values, int64_t count, int32_t fallback = 0);

    void WriteUInt8(uint8_t value) { WriteValue(value); }
    void WriteInt8(int8_t value) { WriteValue(uint8_t(value)); }
    void WriteUInt16(uint16_t value) { WriteValue(value); }
    void WriteInt16(int16_t value) { WriteValue(uint16_t(value)); }
    void WriteUInt32(uint32_t value) { WriteValue(value); }
    void WriteInt32(int32_t value) { WriteValue(uint32_t(value)); }
    void WriteInt64(int64_t value) { WriteValue(uint64_t(value)); }
    void WriteUInt64(uint64_t value) { WriteValue(value); }
    void WriteFloat(float value) { WriteValue(std::bit_cast<uint32_t>(value)); }
    // One byte, 0 or 1.
    void WriteBool(bool value) { WriteValue(uint8_t(value ? 1 : 0)); }
    int64_t WriteBytes(const void* bytes, int64_t count) { return Write(bytes, count); }
    void WriteInt32Array(const int32_t* values, int64_t count);
    // Inside a run that is already staging, stages N uint32 values at once
    // when they fit and returns the logical position of the first; -1,
    // writing nothing, otherwise (the caller then writes them one at a time).
    // A list writes every record's fixed header so.
    template <size_t N>
    int64_t WriteStagedUInt32s(const uint32_t (&values)[N])
    {
        if (stageLimit_ == 0 || staged_ + int32_t(sizeof values) > stageLimit_)
            return -1;
        const int64_t position = stageBase_ + staged_;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(cache_ + staged_, values, sizeof values);
        } else {
            for (size_t i = 0; i < N; ++i) {
                const uint32_t value = FromLittleEndian(values[i]);
                std::memcpy(cache_ + staged_ + 4 * i, &value, sizeof value);
            }
        }
        staged_ += int32_t(sizeof values);
        return position;
    }

    // uint32 count (text length + 1), the text and its zero byte; a null
    // string writes the count 0; a count above 0xFFFF writes only the count 0.
    void WritePString(const Zel::PString& string);
    // uint32 size, then the bytes without a zero; a size of 0x10000 or more
    // writes only the size 0.
    void WriteString(const Zel::AnsiString& string);
    // A short count gives the empty string and ErrorShortRead; count 0 the
    // empty string; a count of 0x10000 or more gives the empty string, skips
    // the bytes and sets ErrorOutOfMemory. The text ends at its first zero
    // byte, so a trailing terminator is accepted.
    Zel::PString ReadPString();
    Zel::String ReadString();

    // Content, then the first packed word; a word the stream cannot supply
    // reads as all ones.
    void WriteKUID(const KUID& id) { id.WriteToBuffer(*this); }
    KUID ReadKUID() { return KUID::ReadFromBuffer(*this); }

    // Writes the placeholder 0xfeedceeb and returns its position. Inline: a
    // list writes a block per record, and over a write window the position
    // is the window's own.
    int64_t BeginBlock()
    {
        int64_t start;
        if (stageLimit_ != 0)
            start = stageBase_ + staged_;
        else if (window_ != nullptr && filled_ == 0)
            start = int64_t(window_->GetPosition());
        else
            start = Tell();
        WriteUInt32(BlockPlaceholder);
        return start;
    }
    // Writes end - start - 4 over the placeholder at start and returns to the
    // end; a placeholder the underlying object holds in memory is filled in
    // where it lies, without seeking.
    void EndBlock(int64_t start)
    {
        // A placeholder still among the staged writes is patched there.
        if (stageLimit_ != 0 && start >= stageBase_ && start + 4 <= stageBase_ + staged_) {
            const uint32_t length = FromLittleEndian(uint32_t(stageBase_ + staged_ - start - 4));
            std::memcpy(cache_ + (start - stageBase_), &length, sizeof length);
            return;
        }
        HandOverStaged();
        // A placeholder inside the write window's data is patched there,
        // without a virtual call.
        if (window_ != nullptr && filled_ == 0) {
            const int64_t end = int64_t(window_->GetPosition());
            if (start >= 0 && end - start >= 4 && start + 4 <= int64_t(window_->GetLength())) {
                const uint32_t length = FromLittleEndian(uint32_t(end - start - 4));
                std::memcpy(window_->GetData() + start, &length, sizeof length);
                return;
            }
        }
        EndBlockAnywhere(start);
    }
    // Writes a word at a position and returns to where the stream was.
    void WriteUInt32At(int64_t position, uint32_t value);

protected:
    // The underlying object's own operations. DoSeek is called with the cache
    // empty and origin FromStart or FromEnd only; it returns the new logical
    // position, or -1.
    virtual int64_t DoWrite(const void* bytes, int64_t count) = 0;
    virtual int64_t RawRead(void* buffer, int64_t count) = 0;
    virtual int64_t DoSeek(int64_t offset, int origin) = 0;
    // Writes a little-endian word over bytes the underlying object already
    // holds, leaving every position alone; false when it cannot.
    virtual bool OverwriteHeld(int64_t, uint32_t) { return false; }

    // Typed writes that fit the buffer's allocation are copied straight into
    // it, without a virtual call; the buffer must be the one DoWrite writes,
    // at its own position, so that the logical position is the buffer's less
    // the unread input plus the staged bytes. Others, and those that would
    // grow it, go through DoWrite.
    void UseWriteWindow(Zel::DynamicBuffer* buffer) { window_ = buffer; }
    // The count bytes at the logical position position of another stream
    // when its read cache holds them unread or already read, else null;
    // tell is that stream's Tell.
    static const uint8_t* HeldInput(const TStream& stream, int64_t tell, int64_t position, int64_t count)
    {
        const int64_t offset = int64_t(stream.cursor_) + (position - tell);
        if (offset < 0 || count < 0 || offset + count > stream.filled_)
            return nullptr;
        return stream.input_ + offset;
    }
    // Takes count bytes (at most CacheSize) as the read cache's content.
    void HoldInput(const uint8_t* bytes, int32_t count)
    {
        std::memcpy(cache_, bytes, size_t(count));
        input_ = cache_;
        cursor_ = 0;
        filled_ = count;
    }
    // Reads count bytes (at most CacheSize) where they lie, as the read
    // cache's content, without copying them: they must stay unchanged until
    // the cache is next emptied or refilled.
    void ShareInput(const uint8_t* bytes, int32_t count)
    {
        input_ = bytes;
        cursor_ = 0;
        filled_ = count;
    }

    int32_t UnreadCount() const { return filled_ - cursor_; }
    // Bytes written inside a run that the underlying object does not hold
    // yet; a subclass's Tell adds them. Never non-zero with unread input.
    int32_t StagedCount() const { return staged_; }
    // Writes the staged bytes to the underlying object (at its position,
    // which staging leaves alone) and stops staging until the next typed
    // write inside a run. Every operation but a typed write calls it first.
    void HandOverStaged()
    {
        if (stageLimit_ != 0)
            WriteStaged();
    }
    void EmptyCache()
    {
        input_ = cache_;
        filled_ = 0;
        cursor_ = 0;
    }
    // Hands unread cached input back to the underlying object before a write.
    void DropReadCache();

private:
    // Stream bytes are little-endian; on a little-endian host this is a copy.
    template <class T>
    static T FromLittleEndian(T value)
    {
        if constexpr (std::endian::native == std::endian::little)
            return value;
        T swapped = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            swapped = T((swapped << 8) | ((value >> (8 * i)) & 0xFF));
        return swapped;
    }

    // The fast path copies straight from the cache, without a virtual call.
    template <class T>
    T ReadValue(T fallback)
    {
        T value;
        if (filled_ - cursor_ >= int32_t(sizeof(T))) {
            std::memcpy(&value, input_ + cursor_, sizeof(T));
            cursor_ += int32_t(sizeof(T));
        } else if (Read(&value, sizeof(T)) != int64_t(sizeof(T))) {
            SetError(ErrorShortRead);
            return fallback;
        }
        return FromLittleEndian(value);
    }

    // The fast path copies into the write window, without a virtual call.
    // Input held in the cache must first go back, as for any write.
    template <class T>
    void WriteValue(T value)
    {
        value = FromLittleEndian(value);
        if (staged_ + int32_t(sizeof(T)) <= stageLimit_) {
            std::memcpy(cache_ + staged_, &value, sizeof(T));
            staged_ += int32_t(sizeof(T));
            return;
        }
        if (runDepth_ > 0) {
            StageFirst(&value, int32_t(sizeof(T)));
            return;
        }
        if (window_ != nullptr && filled_ == 0 && window_->GetPosition() <= window_->GetLength() &&
            window_->GetAllocatedSize() - window_->GetPosition() >= sizeof(T)) {
            window_->Write(&value, sizeof(T));
            return;
        }
        Write(&value, sizeof(T));
    }

    // MoveTo over any underlying object.
    int64_t MoveToAnywhere(int64_t position);
    // EndBlock over any underlying object.
    void EndBlockAnywhere(int64_t start);
    void WriteStaged();
    // Hands over what is staged, empties the cache as a write does, and
    // starts staging at the logical position with these bytes.
    void StageFirst(const void* bytes, int32_t count);
    void SkipBytes(uint32_t count);
    // The length-prefixed text shared by both string reads; false when empty.
    bool ReadCountedText(Zel::AnsiString& text);

    // The readable input is bytes [0, filled_) of input_, which is cache_
    // unless the bytes are shared; the next unread one is at cursor_, so the
    // unread count is filled_ - cursor_ and a read moves one field.
    const uint8_t* input_ = cache_;
    int32_t cursor_ = 0;
    int32_t filled_ = 0;
    Zel::DynamicBuffer* window_ = nullptr;
    // Staging inside a run: staged_ bytes of cache_ wait to be written at
    // the logical position stageBase_; stageLimit_ is CacheSize while staging,
    // else 0, so a staged write is one comparison.
    int32_t staged_ = 0;
    int32_t stageLimit_ = 0;
    int32_t runDepth_ = 0;
    int64_t stageBase_ = 0;
    uint8_t cache_[CacheSize];
    int32_t error_ = ErrorNone;
};
