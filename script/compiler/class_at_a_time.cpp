// A main file compiled a class at a time: check and code generation run on
// each class as the parser finishes it, then its nodes go back to the pool.
#include "script/compiler/class_at_a_time.h"

#include <string>

#include "script/compiler/code_generation.h"
#include "script/compiler/code_generator.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/compiler_state.h"
#include "script/compiler/front_end.h"
#include "script/compiler/semantic.h"
#include "script/compiler/symbols.h"
#include "zel/ascii.h"

namespace GSCompiler {

namespace {

void MoveLines(GSCompileLog* from, GSCompileLog* to)
{
    const char* line = nullptr;
    while (from->TakeLine(&line)) {
        if (to != nullptr)
            to->AddLine(line);
    }
}

// What the whole-tree compile reports comes in phases: parse errors alone
// stop everything, then the includes and the check, then code generation
// only when the check found nothing. Here the phases interleave class by
// class, so the later phases write into logs of their own that join the
// unit's log only when the earlier phases have passed.
class ClassAtATime : public GSClassSink {
public:
    ClassAtATime(const std::string& name, GSCompileUnit* unit, SourceLoader& loader, GSGeneratorContext* generator)
        : name_(name), unit_(unit), loader_(loader), generator_(generator), walker_(generator, unit->context)
    {
        state_.unit = unit;
        state_.table = unit->context;
        state_.declarationsOnly = false;
    }

    void TakeClass(GSTreeNode* includes, GSTreeNode* declaration) override
    {
        GSCompileLog* parseLog = unit_->log;
        const int32_t parseErrors = unit_->errorCount;
        unit_->log = &frontLog_;
        if (!started_)
            Start(includes);
        if (dependent_ != nullptr && includeErrors_ == 0 && !state_.abort) {
            unit_->errorCount = checkErrors_;
            unit_->context->currentUnit = unit_;
            Walk(&state_, declaration);
            checkErrors_ = unit_->errorCount;
        }
        if (dependent_ != nullptr && includeErrors_ == 0 && !state_.abort && checkErrors_ == 0 && generating_) {
            unit_->log = &codeLog_;
            unit_->errorCount = 0;
            generating_ = GenerateDeclarations(&walker_, declaration);
            codeErrors_ += unit_->errorCount;
        }
        unit_->log = parseLog;
        unit_->errorCount = parseErrors;
        // Nothing keeps a node of a finished class: symbols copy names and
        // values, generated classes hold symbols and code.
        unit_->nodePool.Rewind();
    }

    // After a successful parse: the unit's error count as CompileFile gives it.
    int Finish(bool* generated)
    {
        *generated = false;
        MoveLines(&frontLog_, unit_->log);
        if (dependent_ == nullptr)
            return 1;
        dependent_->sourceCrc = unit_->sourceCrc;
        dependent_->fileNameCrc = unit_->fileNameCrc;
        if (includeErrors_ != 0)
            return includeErrors_;
        unit_->errorCount = checkErrors_;
        if (checkErrors_ != 0)
            return checkErrors_;
        MoveLines(&codeLog_, unit_->log);
        unit_->errorCount = codeErrors_;
        const bool numbered = generating_ && FinishGeneration(generator_, &walker_);
        *generated = generating_ && numbered && unit_->errorCount == 0;
        return 0;
    }

    // After a failed parse nothing of the later phases was said.
    void Discard()
    {
        MoveLines(&frontLog_, nullptr);
        MoveLines(&codeLog_, nullptr);
    }

private:
    void Start(GSTreeNode* includes)
    {
        started_ = true;
        CompilerState& state = State();
        GSCompileUnit* parsed = state.currentUnit;
        FlexLexer* scanner = state.currentScanner;
        dependent_ = CompileIncludes(name_, unit_, includes, loader_, &includeErrors_);
        state.currentUnit = parsed;
        state.currentScanner = scanner;
        if (dependent_ == nullptr || includeErrors_ != 0)
            return;
        unit_->context->currentLibrary = dependent_;
        BeginGeneration(generator_, unit_->context);
    }

    const std::string& name_;
    GSCompileUnit* unit_;
    SourceLoader& loader_;
    GSGeneratorContext* generator_;
    CodeGenerator walker_;
    WalkerState state_;
    GSCompileLog frontLog_;
    GSCompileLog codeLog_;
    bool started_ = false;
    GSDependentSymbol* dependent_ = nullptr;
    int includeErrors_ = 0;
    int32_t checkErrors_ = 0;
    int32_t codeErrors_ = 0;
    bool generating_ = true;
};

}  // namespace

int CompileClassAtATime(const char* givenName, GSCompileUnit* unit, SourceLoader& loader, GSGeneratorContext* generator,
                        bool* generated)
{
    *generated = false;
    const std::string name = Zel::AsciiLowerCopy(std::string(givenName));
    ClassAtATime sink(name, unit, loader, generator);
    unit->classSink = &sink;
    const int parsed = LoadAndParse(name.c_str(), unit, loader);
    unit->classSink = nullptr;
    // The root keeps the includes, whose nodes went back with the first class.
    unit->root = nullptr;
    if (parsed != 0) {
        sink.Discard();
        return parsed;
    }
    return sink.Finish(generated);
}

}  // namespace GSCompiler
