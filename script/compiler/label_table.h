// Labels of one function during code generation and the jump operands waiting for them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "script/common/keyed_hash_table.h"

namespace Utils {
class ByteBuffer;
}

namespace GSCompiler {

struct GSCompileUnit;

constexpr uint32_t kLabelBuckets = 97;

class GSLabelTable {
public:
    GSLabelTable();
    ~GSLabelTable();
    GSLabelTable(const GSLabelTable&) = delete;
    GSLabelTable& operator=(const GSLabelTable&) = delete;

    // (Re)makes both 97-bucket tables empty; false when out of memory.
    bool Make();
    // A new undefined label: numbers 0 upward; -1 when it cannot be entered.
    int32_t NewLabel();
    // The label of a goto name, made when the name is new; -1 on failure.
    int32_t LabelByName(const char* name);
    // False when the label is unknown or already defined.
    bool Define(int32_t number, uint32_t codePosition);
    // A 32-bit operand at `operandPosition` that receives the label's position.
    void AddFixup(int32_t number, uint32_t operandPosition, const char* message, int32_t line);
    // Patches every fixup whose label is defined; reports "%s, line %d" for
    // each other one. The number of unresolved fixups.
    int ResolveFixups(Utils::ByteBuffer* code, GSCompileUnit* unit);
    // Forgets labels, names and fixups; numbering starts at 0 again.
    void Clear();

    bool IsDefined(int32_t number) const;
    uint32_t LabelCount() const { return labels_.Count(); }
    size_t FixupCount() const { return fixups_.size(); }

private:
    struct Label {
        int32_t number;
        bool defined;
        uint32_t codePosition;
    };
    struct Fixup {
        int32_t number;
        uint32_t operandPosition;
        std::string message;
        int32_t line;
    };

    Label* FindLabel(int32_t number) const;
    void FreeLabels();

    Utils::IntHashTable labels_;    // number -> Label
    Utils::StringHashTable names_;  // goto name -> number
    int32_t counter_ = 0;
    std::vector<Fixup> fixups_;
};

}  // namespace GSCompiler
