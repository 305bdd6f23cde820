// Template tags: life cycle, bound validators and the float-list reading the checks share.
#include "templates/dod_tag.h"

#include <atomic>
#include <cstdlib>
#include <string>

#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_template_names.h"
#include "templates/dod_validator_tables.h"

namespace DODLib {

namespace {
std::atomic<int64_t> liveTags{0};
}

Tag::Tag()
{
    ++liveTags;
}

Tag::~Tag()
{
    if (ErrorHandler* errors = ErrorHandler::Instance())
        errors->RemoveTagRecord(this);
    if (DataManager::Exists())
        DataManager::Instance()->RemoveTag(this);
    --liveTags;
}

int64_t Tag::LiveCount()
{
    return liveTags.load();
}

void Tag::BindValidators(const SoupHandle& fieldDefinition)
{
    const SoupHandle validation = fieldDefinition.GetNamedSoup(Names().validation);
    const int32_t count = validation.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        Zel::PString validatorName;
        ChunkRef arguments;
        if (!validation.Root()->GetIndexedTag(i, validatorName, arguments))
            continue;
        if (TagValidator validator = FindTagValidator(validatorName))
            AddValidator(validator, SoupHandle::FromChunk(arguments));
    }
}

void Tag::AddValidator(TagValidator validator, const SoupHandle& arguments)
{
    validators_.push_back(validator);
    validatorArguments_.push_back(arguments);
}

bool Tag::RunValidators()
{
    bool passed = true;
    for (size_t i = 0; i < validators_.size(); ++i) {
        if (!validators_[i](*this, validatorArguments_[i]))
            passed = false;
    }
    return passed;
}

std::vector<float> Tag::ParseFloatList(std::string_view text)
{
    std::vector<float> values;
    std::string piece;
    for (char c : text) {
        if (c == ' ' || c == ',') {
            values.push_back(float(std::atof(piece.c_str())));
            piece.clear();
        } else {
            piece += c;
        }
    }
    values.push_back(float(std::atof(piece.c_str())));
    return values;
}

}  // namespace DODLib
