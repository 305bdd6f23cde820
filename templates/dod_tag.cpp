// Template tags: life cycle, bound validators and the float-list reading the checks share.
#include "templates/dod_tag.h"

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>
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
    for (const auto& [validator, arguments] : NamedTagValidators(fieldDefinition))
        AddValidator(validator, arguments);
}

void Tag::AddValidator(TagValidator validator, const SoupHandle& arguments)
{
    validators_.emplace_back(validator, arguments);
}

bool Tag::RunValidators()
{
    bool passed = true;
    for (const auto& [validator, arguments] : validators_) {
        if (!validator(*this, arguments))
            passed = false;
    }
    return passed;
}

float Tag::ReadPiece(std::string_view piece)
{
    // A piece that is one number and nothing else reads the same through
    // from_chars, several times faster; a sign, blanks, a trailing text or a
    // number out of range take atof's own way.
    double number = 0;
    auto [end, fault] = std::from_chars(piece.data(), piece.data() + piece.size(), number);
    if (fault == std::errc() && end == piece.data() + piece.size() && !piece.empty())
        return float(number);
    // atof of the piece alone: the text after it must not be read.
    char buffer[64];
    if (piece.size() < sizeof(buffer)) {
        std::memcpy(buffer, piece.data(), piece.size());
        buffer[piece.size()] = '\0';
        return float(std::atof(buffer));
    }
    return float(std::atof(std::string(piece).c_str()));
}

std::vector<float> Tag::ParseFloatList(std::string_view text)
{
    std::vector<float> values;
    ForEachFloat(text, [&values](float value) { values.push_back(value); });
    return values;
}

}  // namespace DODLib
