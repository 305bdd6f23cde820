// Library image reader: a bounded cursor per record, so nothing can be read
// outside the record that holds it; cross-references are checked once the
// tables they point into are known.
#include "script/common/library_image_reader.h"

#include <cstring>

#include "script/common/library_image_format.h"

namespace GSImage {

const char* ImageFaultText(ImageFault fault)
{
    switch (fault) {
    case ImageFault::None:
        return "no fault";
    case ImageFault::Truncated:
        return "truncated";
    case ImageFault::BadMagic:
        return "not a library image";
    case ImageFault::BadId:
        return "unexpected section or record id";
    case ImageFault::BadSize:
        return "record size out of range";
    case ImageFault::BadCount:
        return "entry count larger than its record";
    case ImageFault::BadString:
        return "string outside the pool or unterminated";
    case ImageFault::BadIndex:
        return "index out of range";
    case ImageFault::BadFrame:
        return "inconsistent function frame";
    }
    return "unknown fault";
}

namespace {

// Reads little-endian words from [position, end) of the image.
class Cursor {
public:
    Cursor(const uint8_t* data, size_t position, size_t end) : data_(data), position_(position), end_(end) {}

    size_t Position() const { return position_; }
    size_t End() const { return end_; }
    size_t Remaining() const { return end_ - position_; }
    bool Word(uint32_t* value)
    {
        if (Remaining() < 4)
            return false;
        const uint8_t* at = data_ + position_;
        *value = uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
        position_ += 4;
        return true;
    }
    bool Signed(int32_t* value)
    {
        uint32_t word;
        if (!Word(&word))
            return false;
        *value = static_cast<int32_t>(word);
        return true;
    }
    bool Skip(size_t bytes)
    {
        if (Remaining() < bytes)
            return false;
        position_ += bytes;
        return true;
    }
    // Moves up to the next multiple of 4 of the image position, if that is
    // still inside.
    bool Align() { return Skip((4 - position_ % 4) % 4); }

private:
    const uint8_t* data_;
    size_t position_;
    size_t end_;
};

class ImageParser {
public:
    ImageParser(const uint8_t* data, size_t size, LibraryImage* image) : data_(data), size_(size), image_(image) {}

    bool Parse();
    ImageError error;

private:
    bool Fail(ImageFault fault, size_t at)
    {
        if (error.fault == ImageFault::None) {
            error.fault = fault;
            error.offset = static_cast<uint32_t>(at);
        }
        return false;
    }
    bool Word(Cursor& cursor, uint32_t* value)
    {
        return cursor.Word(value) || Fail(ImageFault::Truncated, cursor.Position());
    }
    bool Signed(Cursor& cursor, int32_t* value)
    {
        return cursor.Signed(value) || Fail(ImageFault::Truncated, cursor.Position());
    }
    // Opens the record at the cursor: size and id, the body bounded by the
    // size; the parent then continues at start + size.
    bool OpenRecord(Cursor& parent, uint32_t id, uint32_t fixedBytes, Cursor* body);
    // A section or sub-record that is a counted table of fixed-size entries.
    bool OpenTable(Cursor& parent, uint32_t id, uint32_t entryBytes, Cursor* body, uint32_t* count)
    {
        return OpenRecord(parent, id, kSectionHeaderBytes, body) && Count(*body, entryBytes, count);
    }
    // A count of entries of `entryBytes` that must fit in what is left.
    bool Count(Cursor& cursor, uint32_t entryBytes, uint32_t* count);
    bool Words(Cursor& cursor, WordView* words);

    bool ReadHeader(Cursor& cursor);
    bool ReadDependencies(Cursor& cursor);
    bool ReadStrings(Cursor& cursor);
    bool ReadClassReferences(Cursor& cursor);
    bool ReadFunctionReferences(Cursor& cursor);
    bool ReadClasses(Cursor& cursor);
    bool ReadClass(Cursor& cursor, ClassRecord* cls);
    bool ReadFunction(Cursor& cursor, FunctionRecord* function);
    bool ReadMembers(Cursor& cursor, ClassRecord* cls);
    bool ReadMethods(Cursor& cursor, ClassRecord* cls);
    bool ReadLayout(Cursor& cursor, ClassRecord* cls);

    // Names the class record that failed in the error.
    bool FailInClass(uint32_t index);
    bool CheckReferences();
    bool CheckClass(const ClassRecord& cls, size_t at);
    bool CheckFunction(const ClassRecord& cls, const FunctionRecord& function);

    const uint8_t* data_;
    size_t size_;
    LibraryImage* image_;
    std::vector<size_t> classPositions_;
    size_t classReferencesAt_ = 0;
    size_t functionReferencesAt_ = 0;
};

bool ImageParser::OpenRecord(Cursor& parent, uint32_t id, uint32_t fixedBytes, Cursor* body)
{
    const size_t start = parent.Position();
    uint32_t size = 0;
    uint32_t actual = 0;
    if (!Word(parent, &size) || !Word(parent, &actual))
        return false;
    if (actual != id)
        return Fail(ImageFault::BadId, start + 4);
    if (size < fixedBytes)
        return Fail(ImageFault::BadSize, start);
    if (size > parent.End() - start)
        return Fail(ImageFault::Truncated, start);
    *body = Cursor(data_, start + 8, start + size);
    parent = Cursor(data_, start + size, parent.End());
    return true;
}

bool ImageParser::Count(Cursor& cursor, uint32_t entryBytes, uint32_t* count)
{
    const size_t at = cursor.Position();
    if (!Word(cursor, count))
        return false;
    if (uint64_t(*count) * entryBytes > cursor.Remaining())
        return Fail(ImageFault::BadCount, at);
    return true;
}

bool ImageParser::Words(Cursor& cursor, WordView* words)
{
    uint32_t count = 0;
    if (!Count(cursor, 4, &count))
        return false;
    *words = WordView(data_ + cursor.Position(), count);
    cursor.Skip(size_t(count) * 4);
    return true;
}

bool ImageParser::ReadHeader(Cursor& cursor)
{
    LibraryHeader& header = image_->header;
    if (!Word(cursor, &header.totalLength) || !Word(cursor, &header.magic))
        return false;
    if (header.magic != kMagic)
        return Fail(ImageFault::BadMagic, 4);
    if (!Word(cursor, &header.versionBits) || !Word(cursor, &header.sourceCrc) || !Word(cursor, &header.fileNameCrc)) {
        return false;
    }
    const size_t at = cursor.Position();
    uint32_t length = 0;
    if (!Word(cursor, &length))
        return false;
    const char* name = reinterpret_cast<const char*>(data_ + cursor.Position());
    if (length == 0 || length > cursor.Remaining())
        return Fail(ImageFault::Truncated, at);
    if (name[length - 1] != '\0')
        return Fail(ImageFault::BadString, at);
    image_->name = std::string_view(name, std::strlen(name));
    cursor.Skip(length);
    return true;
}

bool ImageParser::ReadDependencies(Cursor& cursor)
{
    Cursor body(data_, 0, 0);
    uint32_t count = 0;
    if (!OpenTable(cursor, SECTION_DEPENDENCIES, kDependencyBytes, &body, &count))
        return false;
    image_->dependencies.resize(count);
    for (Dependency& dependency : image_->dependencies) {
        body.Word(&dependency.sourceCrc);
        body.Word(&dependency.fileNameCrc);
    }
    return true;
}

bool ImageParser::ReadStrings(Cursor& cursor)
{
    Cursor body(data_, 0, 0);
    uint32_t count = 0;
    if (!OpenTable(cursor, SECTION_STRINGS, 4, &body, &count))
        return false;
    const size_t table = body.Position();
    const size_t first = table + size_t(count) * 4;
    const size_t poolBytes = body.End() - first;
    image_->strings.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t offset = 0;
        body.Word(&offset);
        if (offset >= poolBytes)
            return Fail(ImageFault::BadString, table + 4 * size_t(i));
        const char* text = reinterpret_cast<const char*>(data_ + first + offset);
        const void* end = std::memchr(text, 0, poolBytes - offset);
        if (end == nullptr)
            return Fail(ImageFault::BadString, table + 4 * size_t(i));
        image_->strings[i] = std::string_view(text, static_cast<const char*>(end) - text);
    }
    return true;
}

bool ImageParser::ReadClassReferences(Cursor& cursor)
{
    Cursor body(data_, 0, 0);
    uint32_t count = 0;
    if (!OpenTable(cursor, SECTION_CLASS_REFERENCES, kClassReferenceBytes, &body, &count))
        return false;
    classReferencesAt_ = body.Position();
    image_->classReferences.resize(count);
    for (ClassReference& reference : image_->classReferences) {
        body.Word(&reference.dependency);
        body.Word(&reference.name);
    }
    return true;
}

bool ImageParser::ReadFunctionReferences(Cursor& cursor)
{
    Cursor body(data_, 0, 0);
    uint32_t count = 0;
    if (!OpenTable(cursor, SECTION_FUNCTION_REFERENCES, kFunctionReferenceBytes, &body, &count))
        return false;
    functionReferencesAt_ = body.Position();
    image_->functionReferences.resize(count);
    for (FunctionReference& reference : image_->functionReferences) {
        body.Word(&reference.classReference);
        body.Word(&reference.name);
        body.Signed(&reference.slot);
    }
    return true;
}

bool ImageParser::ReadClasses(Cursor& cursor)
{
    Cursor body(data_, 0, 0);
    uint32_t count = 0;
    // A class record is at least its header and four empty sub-records.
    constexpr uint32_t kClassMinBytes = 20 + 12 + 12 + 12 + 20;
    if (!OpenTable(cursor, SECTION_CLASSES, kClassMinBytes, &body, &count))
        return false;
    image_->classes.resize(count);
    classPositions_.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        classPositions_[i] = body.Position();
        if (!ReadClass(body, &image_->classes[i]))
            return FailInClass(i);
    }
    return true;
}

bool ImageParser::FailInClass(uint32_t index)
{
    error.classIndex = static_cast<int32_t>(index);
    const ClassRecord& cls = image_->classes[index];
    if (cls.name < image_->strings.size())
        error.className = image_->strings[cls.name];
    return false;
}

bool ImageParser::ReadClass(Cursor& cursor, ClassRecord* cls)
{
    Cursor record(data_, 0, 0);
    uint32_t baseCount = 0;
    cls->name = kNone;  // until read: a class that fails before has no name
    if (!OpenRecord(cursor, RECORD_CLASS, 20, &record) || !Word(record, &cls->name) || !Word(record, &cls->flags) ||
        !Count(record, kBaseEntryBytes, &baseCount)) {
        return false;
    }
    cls->bases.resize(baseCount);
    for (BaseEntry& base : cls->bases) {
        record.Word(&base.classReference);
        record.Word(&base.blockOffset);
        record.Word(&base.direct);
    }

    Cursor table(data_, 0, 0);
    uint32_t functionCount = 0;
    const size_t tableAt = record.Position();
    if (!OpenTable(record, RECORD_FUNCTION_TABLE, kFunctionRecordMinBytes, &table, &functionCount))
        return false;
    // The initializer closes every function table; loaders rely on finding it.
    if (functionCount == 0)
        return Fail(ImageFault::BadCount, tableAt + 8);
    cls->functions.resize(functionCount);
    for (FunctionRecord& function : cls->functions) {
        if (!ReadFunction(table, &function))
            return false;
    }
    return ReadMembers(record, cls) && ReadMethods(record, cls) && ReadLayout(record, cls);
}

bool ImageParser::ReadFunction(Cursor& cursor, FunctionRecord* function)
{
    Cursor record(data_, 0, 0);
    if (!OpenRecord(cursor, RECORD_FUNCTION, kFunctionRecordMinBytes, &record))
        return false;
    // The fixed part fits: the record size was checked against it.
    record.Word(&function->name);
    record.Word(&function->returnType);
    record.Signed(&function->returnClass);
    record.Word(&function->flags);
    record.Signed(&function->slot);
    record.Signed(&function->stackAdvance);
    record.Signed(&function->argumentBase);
    record.Signed(&function->frameOffset);
    record.Signed(&function->stackNeed);
    record.Signed(&function->argumentWords);
    record.Word(&function->localWords[0]);
    record.Word(&function->localWords[1]);
    if (!Words(record, &function->referenceLocals))
        return false;
    uint32_t codeLength = 0;
    if (!Count(record, 1, &codeLength))
        return false;
    function->codeOffset = static_cast<uint32_t>(record.Position());
    function->codeLength = codeLength;
    function->code = data_ + record.Position();
    record.Skip(codeLength);
    // The line table is optional: without its magic the rest is ignored.
    uint32_t magic = 0;
    if (!record.Align() || !record.Word(&magic) || magic != kLineTableMagic)
        return true;
    uint32_t lineCount = 0;
    if (!Count(record, kLinePairBytes, &lineCount))
        return false;
    function->hasLineTable = true;
    function->lines = LineView(data_ + record.Position(), lineCount);
    return true;
}

bool ImageParser::ReadMembers(Cursor& cursor, ClassRecord* cls)
{
    Cursor record(data_, 0, 0);
    uint32_t count = 0;
    if (!OpenTable(cursor, RECORD_MEMBERS, kMemberEntryBytes, &record, &count))
        return false;
    cls->members.resize(count);
    for (MemberEntry& member : cls->members) {
        record.Word(&member.name);
        record.Word(&member.type);
        record.Signed(&member.classReference);
        record.Word(&member.isPublic);
        record.Signed(&member.slot);
    }
    return true;
}

bool ImageParser::ReadMethods(Cursor& cursor, ClassRecord* cls)
{
    Cursor record(data_, 0, 0);
    uint32_t count = 0;
    if (!OpenTable(cursor, RECORD_METHODS, kMethodSlotBytes, &record, &count))
        return false;
    cls->methods.resize(count);
    for (MethodSlot& slot : cls->methods) {
        record.Word(&slot.functionReference);
        record.Word(&slot.blockOffset);
    }
    return true;
}

bool ImageParser::ReadLayout(Cursor& cursor, ClassRecord* cls)
{
    Cursor record(data_, 0, 0);
    uint32_t count = 0;
    if (!OpenRecord(cursor, RECORD_LAYOUT, 20, &record) || !Word(record, &cls->instanceSize) ||
        !Count(record, kLayoutEntryBytes, &count)) {
        return false;
    }
    cls->layout.resize(count);
    for (LayoutEntry& entry : cls->layout) {
        record.Word(&entry.kind);
        record.Word(&entry.word);
        record.Word(&entry.value);
    }
    return Words(record, &cls->referenceSlots);
}

bool ImageParser::CheckFunction(const ClassRecord& cls, const FunctionRecord& function)
{
    const size_t at = function.codeOffset;
    const size_t strings = image_->strings.size();
    if (function.name >= strings)
        return Fail(ImageFault::BadIndex, at);
    if (function.returnClass < -1 ||
        (function.returnClass >= 0 && size_t(function.returnClass) >= image_->classReferences.size())) {
        return Fail(ImageFault::BadIndex, at);
    }
    if (function.slot < -1 || (function.slot >= 0 && size_t(function.slot) >= cls.methods.size())) {
        return Fail(ImageFault::BadIndex, at);
    }
    // The frame words are all derived from A, L and D; anything else is damage.
    const int64_t arguments = function.argumentWords;
    const int64_t locals = int64_t(function.frameOffset) - 1;
    if (arguments < 1 || locals < 0 || function.argumentBase != 1 - arguments ||
        int64_t(function.stackAdvance) != locals + 4 || int64_t(function.stackNeed) < locals + 4 ||
        int64_t(function.localWords[0]) + function.localWords[1] != locals) {
        return Fail(ImageFault::BadFrame, at);
    }
    for (uint32_t i = 0; i < function.referenceLocals.size(); ++i) {
        if (function.referenceLocals[i] >= arguments + locals)
            return Fail(ImageFault::BadIndex, at);
    }
    return true;
}

bool ImageParser::CheckClass(const ClassRecord& cls, size_t at)
{
    const size_t strings = image_->strings.size();
    const size_t classReferences = image_->classReferences.size();
    const uint32_t words = cls.instanceSize;
    if (cls.name >= strings)
        return Fail(ImageFault::BadIndex, at);
    if (words > kMaxInstanceWords)
        return Fail(ImageFault::BadSize, at);
    for (const BaseEntry& base : cls.bases) {
        if (base.classReference >= classReferences || base.blockOffset >= words)
            return Fail(ImageFault::BadIndex, at);
    }
    for (const FunctionRecord& function : cls.functions) {
        if (!CheckFunction(cls, function))
            return false;
    }
    for (const MemberEntry& member : cls.members) {
        if (member.name >= strings || member.classReference < -1 ||
            (member.classReference >= 0 && size_t(member.classReference) >= classReferences) || member.slot < -1 ||
            (member.slot >= 0 && uint32_t(member.slot) >= words)) {
            return Fail(ImageFault::BadIndex, at);
        }
    }
    for (const MethodSlot& slot : cls.methods) {
        if (slot.functionReference >= image_->functionReferences.size() || slot.blockOffset >= words) {
            return Fail(ImageFault::BadIndex, at);
        }
    }
    for (const LayoutEntry& entry : cls.layout) {
        // A block's view of the method table may start at its end (no slots of its own).
        const bool kindOk =
            entry.kind == kLayoutValue || (entry.kind == kLayoutMethodTable && entry.value <= cls.methods.size());
        if (!kindOk || entry.word >= words)
            return Fail(ImageFault::BadIndex, at);
    }
    for (uint32_t i = 0; i < cls.referenceSlots.size(); ++i) {
        if (cls.referenceSlots[i] >= words)
            return Fail(ImageFault::BadIndex, at);
    }
    return true;
}

bool ImageParser::CheckReferences()
{
    const size_t strings = image_->strings.size();
    for (size_t i = 0; i < image_->classReferences.size(); ++i) {
        const ClassReference& reference = image_->classReferences[i];
        if (reference.dependency >= image_->dependencies.size() || reference.name >= strings) {
            return Fail(ImageFault::BadIndex, classReferencesAt_ + i * kClassReferenceBytes);
        }
    }
    for (size_t i = 0; i < image_->functionReferences.size(); ++i) {
        const FunctionReference& reference = image_->functionReferences[i];
        if (reference.classReference >= image_->classReferences.size() || reference.name >= strings ||
            reference.slot < -1) {
            return Fail(ImageFault::BadIndex, functionReferencesAt_ + i * kFunctionReferenceBytes);
        }
    }
    for (size_t i = 0; i < image_->classes.size(); ++i) {
        if (!CheckClass(image_->classes[i], classPositions_[i]))
            return FailInClass(static_cast<uint32_t>(i));
    }
    return true;
}

bool ImageParser::Parse()
{
    Cursor cursor(data_, 0, size_);
    return ReadHeader(cursor) && ReadDependencies(cursor) && ReadStrings(cursor) && ReadClassReferences(cursor) &&
           ReadFunctionReferences(cursor) && ReadClasses(cursor) && CheckReferences();
}

}  // namespace

bool ProbeLibraryHeader(const uint8_t* data, size_t size, LibraryHeader* header)
{
    if (data == nullptr || size < kProbeBytes)
        return false;
    Cursor cursor(data, 0, kProbeBytes);
    cursor.Word(&header->totalLength);
    cursor.Word(&header->magic);
    cursor.Word(&header->versionBits);
    cursor.Word(&header->sourceCrc);
    cursor.Word(&header->fileNameCrc);
    return header->magic == kMagic;
}

bool ReadLibraryImage(const uint8_t* data, size_t size, LibraryImage* image, ImageError* error)
{
    *image = LibraryImage();
    ImageParser parser(data != nullptr ? data : reinterpret_cast<const uint8_t*>(""), data != nullptr ? size : 0,
                       image);
    if (parser.Parse()) {
        if (error != nullptr)
            *error = ImageError();
        return true;
    }
    *image = LibraryImage();
    if (error != nullptr)
        *error = parser.error;
    return false;
}

}  // namespace GSImage
