// The texture check of an asset folder: descriptions and their images, compiled textures and their sources.
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "templates/dod_build_numbers.h"
#include "templates/dod_container.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_messages.h"
#include "zel/ascii.h"
#include "zel/bitmap.h"
#include "zel/file.h"

namespace DODLib {

namespace {

// Deeper folders than this are not walked: an asset has no reason for them,
// and a loop of folders must end.
constexpr int MaxFolderDepth = 32;
constexpr int DescriptionLineSize = 512;

bool IsPowerOfTwo(int32_t n)
{
    return n == 0 || (n > 0 && (n & (n - 1)) == 0);
}

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && Zel::AsciiEqualIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string WithoutLineEnd(const char* line)
{
    std::string text(line);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    return text;
}

// The two images a description names and whether it is plain ANSI text.
struct TextureDescription {
    std::string primary;
    std::string alpha;
    bool hasPrimary = false;
    bool hasAlpha = false;
    bool nonAnsi = false;
};

bool ReadDescription(const std::string& path, TextureDescription& out)
{
    Zel::File file;
    if (file.Open(path.c_str(), Zel::File::ModeReadPath) != 0)
        return false;
    char line[DescriptionLineSize];
    while (file.ReadLine(line, DescriptionLineSize) > 0) {
        for (const char* p = line; *p; ++p) {
            if (static_cast<unsigned char>(*p) >= 0x80)
                out.nonAnsi = true;
        }
        const std::string_view text(line);
        if (text.rfind("Primary=", 0) == 0) {
            out.primary = WithoutLineEnd(line + 8);
            out.hasPrimary = true;
        } else if (text.rfind("Alpha=", 0) == 0) {
            out.alpha = WithoutLineEnd(line + 6);
            out.hasAlpha = true;
        }
    }
    return true;
}

// The steps of an absolute path, or nothing when it is not one or takes a
// "." or ".." step.
std::vector<std::string_view> PlainSteps(std::string_view path)
{
    std::vector<std::string_view> steps;
    if (path.empty() || path[0] != '/')
        return steps;
    size_t begin = 1;
    while (begin < path.size()) {
        const size_t end = std::min(path.find('/', begin), path.size());
        const std::string_view step = path.substr(begin, end - begin);
        if (step == "." || step == "..")
            return {};
        if (!step.empty())
            steps.push_back(step);
        begin = end + 1;
    }
    return steps;
}

// Where folder lies below root as written, root resolves to the leading steps
// of the folder's resolution: resolving changes the case of steps, never
// their number. Spares listing the folder that holds the root.
bool LeadingStepsOf(std::string_view root, std::string_view folder, const std::string& resolvedFolder, std::string& out)
{
    const std::vector<std::string_view> rootSteps = PlainSteps(root);
    const std::vector<std::string_view> folderSteps = PlainSteps(folder);
    const std::vector<std::string_view> resolvedSteps = PlainSteps(resolvedFolder);
    if (rootSteps.empty() || folderSteps.size() < rootSteps.size() || resolvedSteps.size() != folderSteps.size() ||
        !std::equal(rootSteps.begin(), rootSteps.end(), folderSteps.begin()))
        return false;
    out.clear();
    for (size_t i = 0; i < rootSteps.size(); ++i) {
        out += '/';
        out += resolvedSteps[i];
    }
    return true;
}

bool IsFollowableFolder(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool Container::CheckTextures(const Zel::File::Path& root, const Zel::File::Path& folder)
{
    std::string resolvedRoot;
    std::string resolvedFolder;
    if (!Zel::File::Resolve(nullptr, folder.c_str(), resolvedFolder))
        return true;
    if (!LeadingStepsOf(root.Str(), folder.Str(), resolvedFolder, resolvedRoot) &&
        !Zel::File::Resolve(nullptr, root.c_str(), resolvedRoot))
        resolvedRoot = resolvedFolder;
    for (std::string* text : {&resolvedRoot, &resolvedFolder}) {
        if (!text->empty() && text->back() != '/')
            *text += '/';
    }
    // Findings show paths below the root.
    if (resolvedFolder.compare(0, resolvedRoot.size(), resolvedRoot) != 0)
        resolvedRoot = resolvedFolder;
    return CheckTextureFolder(resolvedRoot, resolvedFolder, 0);
}

bool Container::CheckTextureFolder(const std::string& root, const std::string& folder, int depth)
{
    DataManager* manager = DataManager::Instance();
    ErrorHandler* errors = ErrorHandler::Instance();
    const float build = manager->GetBuild();
    bool result = true;
    auto relative = [&root](const std::string& path) {
        return path.size() >= root.size() ? path.substr(root.size()) : path;
    };
    auto exists = [](const std::string& path) { return Zel::File::Exists(path.c_str()) == 0; };

    Zel::File::Find find;
    if (!find.Open((folder + "*").c_str()))
        return true;
    while (find.Next()) {
        const std::string& name = find.Name();
        const std::string path = folder + name;
        if (find.IsDirectory() && IsFollowableFolder(path) && depth < MaxFolderDepth) {
            if (!CheckTextureFolder(root, path + "/", depth + 1))
                result = false;
        }

        if (EndsWithIgnoreCase(name, ".texture")) {
            if (!manager->IsQuickCheck() && !exists(path + ".txt")) {
                const Zel::PString text = FindingText("$dod_duplicatetexture", relative(path));
                if (RoundedBuild(build) > 289)
                    errors->AddError(text);
                else
                    errors->AddWarning(text);
                result = false;
            }
            continue;
        }
        if (!EndsWithIgnoreCase(name, ".txt"))
            continue;
        const std::string stem = path.substr(0, path.size() - 4);
        if (EndsWithIgnoreCase(stem, ".convert-tex")) {
            // A conversion that never finished left its temporary name.
            errors->AddError(FindingText("$dod_texture_failedload", relative(path)));
            continue;
        }
        if (!EndsWithIgnoreCase(stem, ".texture"))
            continue;
        TextureDescription description;
        if (!ReadDescription(path, description))
            continue;
        const std::string shownDescription = relative(path);
        if (description.nonAnsi) {
            errors->AddError(FindingText("$dod_non_ansi_texture", shownDescription));
            result = false;
        }

        Zel::Bitmap primary;
        Zel::Bitmap alpha;
        bool primaryLoaded = false;
        bool alphaLoaded = false;
        bool unloadable = false;
        struct Image {
            bool named;
            const std::string& file;
            const char* missingKey;
            Zel::Bitmap& bitmap;
            bool& loaded;
        };
        for (const Image& image :
             {Image{description.hasPrimary, description.primary, "$dod_texture_missing_primary", primary,
                    primaryLoaded},
              Image{description.hasAlpha, description.alpha, "$dod_texture_missing_alpha", alpha, alphaLoaded}}) {
            if (!image.named || unloadable)
                continue;
            const std::string imagePath = folder + Zel::AsciiLowerCopy(image.file);
            const std::string shownImage = relative(imagePath);
            if (!exists(imagePath)) {
                errors->AddError(FindingText(image.missingKey, shownImage, shownDescription));
                result = false;
                continue;
            }
            if (!image.bitmap.Load(imagePath.c_str())) {
                errors->AddError(FindingText("$dod_texture_failedload", shownImage));
                result = false;
                unloadable = true;
                continue;
            }
            image.loaded = true;
            if (!IsPowerOfTwo(image.bitmap.Width()) || !IsPowerOfTwo(image.bitmap.Height())) {
                errors->AddError(FindingText("$dod_texture_notpower2", shownImage));
                result = false;
            }
        }
        if (unloadable)
            continue;
        if (primaryLoaded && alphaLoaded && (primary.Width() != alpha.Width() || primary.Height() != alpha.Height())) {
            errors->AddError(FindingText("$dod_primaryalpha_notsamesize", shownDescription));
            result = false;
        }
        if (manager->IsOutsideEditing() && !exists(stem)) {
            errors->AddError(FindingText("$dod_binary_texture_conversion_failed", shownDescription));
            result = false;
        }
    }
    return result;
}

}  // namespace DODLib
