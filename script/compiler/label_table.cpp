// Label numbering, goto names and the patching of jump operands once labels are placed.
#include "script/compiler/label_table.h"

#include <new>

#include "script/common/byte_buffer.h"
#include "script/compiler/compile_log.h"

namespace GSCompiler {

GSLabelTable::GSLabelTable()
{
    Make();
}

GSLabelTable::~GSLabelTable()
{
    FreeLabels();
    names_.Clear();
}

bool GSLabelTable::Make()
{
    FreeLabels();
    counter_ = 0;
    fixups_.clear();
    bool made = labels_.Make(kLabelBuckets);
    return names_.Make(kLabelBuckets) && made;
}

void GSLabelTable::FreeLabels()
{
    Utils::KeyedIterator it;
    labels_.Begin(&it);
    while (it.Node() != nullptr) {
        void* value = nullptr;
        labels_.Erase(&it, &value);
        delete static_cast<Label*>(value);
    }
}

// The tables' own Clear frees their buckets too: make them again so the
// label table stays usable for the next function.
void GSLabelTable::Clear()
{
    // Every function clears the table at its start and its end: one without
    // labels leaves nothing to clear.
    if (counter_ == 0 && fixups_.empty() && labels_.Count() == 0 && names_.Count() == 0 &&
        labels_.BucketCount() == kLabelBuckets && names_.BucketCount() == kLabelBuckets)
        return;
    Make();
}

GSLabelTable::Label* GSLabelTable::FindLabel(int32_t number) const
{
    if (number < 0)
        return nullptr;
    return static_cast<Label*>(labels_.FindValue(static_cast<uint32_t>(number)));
}

int32_t GSLabelTable::NewLabel()
{
    Label* label = new (std::nothrow) Label{counter_, false, 0};
    if (label == nullptr)
        return -1;
    if (!labels_.Insert(static_cast<uint32_t>(counter_), label)) {
        delete label;
        return -1;
    }
    return counter_++;
}

int32_t GSLabelTable::LabelByName(const char* name)
{
    if (name == nullptr)
        return -1;
    Utils::KeyedIterator it;
    if (names_.Find(name, &it))
        return static_cast<int32_t>(reinterpret_cast<intptr_t>(it.Node()->value));
    int32_t number = NewLabel();
    if (number < 0)
        return -1;
    if (!names_.Insert(name, reinterpret_cast<void*>(static_cast<intptr_t>(number))))
        return -1;
    return number;
}

bool GSLabelTable::Define(int32_t number, uint32_t codePosition)
{
    Label* label = FindLabel(number);
    if (label == nullptr || label->defined)
        return false;
    label->defined = true;
    label->codePosition = codePosition;
    return true;
}

bool GSLabelTable::IsDefined(int32_t number) const
{
    const Label* label = FindLabel(number);
    return label != nullptr && label->defined;
}

void GSLabelTable::AddFixup(int32_t number, uint32_t operandPosition, const char* message, int32_t line)
{
    fixups_.push_back(Fixup{number, operandPosition, message ? message : "", line});
}

int GSLabelTable::ResolveFixups(Utils::ByteBuffer* code, GSCompileUnit* unit)
{
    int unresolved = 0;
    for (const Fixup& fixup : fixups_) {
        const Label* label = FindLabel(fixup.number);
        if (label != nullptr && label->defined) {
            code->PatchU32(fixup.operandPosition, label->codePosition);
            continue;
        }
        ++unresolved;
        Report(unit, true, false, fixup.line, "%s, line %d", fixup.message.c_str(), fixup.line);
    }
    return unresolved;
}

}  // namespace GSCompiler
