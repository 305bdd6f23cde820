// Zel::GeometryConfigData::LoadConfigData: the ".imtxt" entries turned into chunks, materials, influences and attachments.
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "zel/ascii.h"
#include "zel/config_data.h"
#include "zel/geometry_config_data.h"

namespace Zel {

namespace {

using Entry = ConfigData::Entry;

constexpr size_t kMostTexCoordSets = 8;

// Reads the entries of one mesh; the first fault stops it with a message.
class GeometryReader {
public:
    GeometryReader(GeometryConfigData& out, bool materials, bool influences, bool attachments)
        : out_(out), readMaterials_(materials), readInfluences_(influences), readAttachments_(attachments)
    {}

    bool Read(const std::vector<Entry>& root)
    {
        for (const Entry& entry : root) {
            bool ok = true;
            if (Is(entry, "version"))
                continue;
            if (Is(entry, "position"))
                ok = Floats(entry, out_.position, 3);
            else if (Is(entry, "orientation"))
                ok = Floats(entry, out_.orientation, 4);
            else if (Is(entry, "most-influences"))
                ok = Count(entry, out_.maxInfluencesPerVertex);
            else if (Is(entry, "most-bones"))
                ok = Count(entry, out_.maxBonesPerChunk);
            else if (Is(entry, "chunk"))
                ok = ReadChunk(entry);
            else if (Is(entry, "influence"))
                ok = !readInfluences_ || ReadInfluence(entry);
            else if (Is(entry, "attachment"))
                ok = !readAttachments_ || ReadAttachment(entry);
            else
                ok = Unknown(entry);
            if (!ok)
                return false;
        }
        return true;
    }

    const std::string& Error() const { return error_; }

private:
    static bool Is(const Entry& entry, const char* key) { return AsciiEqualIgnoreCase(entry.key, key); }

    bool Fault(const Entry& entry, const char* what)
    {
        error_ = "'" + entry.key + " " + entry.value + "': " + what;
        return false;
    }
    bool Unknown(const Entry& entry) { return Fault(entry, "unknown entry"); }

    static std::vector<std::string_view> Words(std::string_view text)
    {
        std::vector<std::string_view> words;
        for (size_t at = 0; at < text.size();) {
            if (text[at] == ' ' || text[at] == '\t') {
                ++at;
                continue;
            }
            size_t end = at;
            while (end < text.size() && text[end] != ' ' && text[end] != '\t')
                ++end;
            words.push_back(text.substr(at, end - at));
            at = end;
        }
        return words;
    }

    bool Float(const Entry& entry, std::string_view word, float& value)
    {
        auto [end, fault] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (fault != std::errc() || end != word.data() + word.size() || !std::isfinite(value))
            return Fault(entry, "not a finite number");
        return true;
    }

    // Exactly count finite decimals separated by blanks.
    bool Floats(const Entry& entry, float* values, size_t count)
    {
        std::vector<std::string_view> words = Words(entry.value);
        if (words.size() != count)
            return Fault(entry, words.size() < count ? "too few numbers" : "too many numbers");
        for (size_t k = 0; k < count; ++k) {
            if (!Float(entry, words[k], values[k]))
                return false;
        }
        return true;
    }

    bool Unsigned(const Entry& entry, std::string_view text, uint64_t most, uint64_t& value, int base = 10)
    {
        auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value, base);
        if (text.empty() || fault != std::errc() || end != text.data() + text.size() || value > most)
            return Fault(entry, "not a whole number in range");
        return true;
    }

    bool Count(const Entry& entry, uint32_t& value)
    {
        uint64_t read = 0;
        if (!Unsigned(entry, entry.value, 0xFFFFFFFFu, read))
            return false;
        value = static_cast<uint32_t>(read);
        return true;
    }

    bool Colour(const Entry& entry, std::optional<uint32_t>& colour)
    {
        std::string_view text = entry.value;
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
            text.remove_prefix(2);
        uint64_t value = 0;
        if (!Unsigned(entry, text, 0xFFFFFFFFu, value, 16))
            return false;
        colour = static_cast<uint32_t>(value);
        return true;
    }

    bool ReadChunk(const Entry& entry)
    {
        GeometryConfigData::Chunk chunk;
        bool normals = false;
        for (const Entry& child : entry.children) {
            bool ok = true;
            if (Is(child, "material"))
                ok = !readMaterials_ || ReadMaterial(child, chunk.material);
            else if (Is(child, "weights"))
                ok = Count(child, chunk.maxWeightsPerVertex);
            else if (Is(child, "vertex"))
                ok = ReadVertex(child, chunk, normals);
            else if (Is(child, "indices"))
                ok = ReadIndices(child, chunk.indices);
            else if (Is(child, "face-normal"))
                ok = Floats(child, chunk.faceNormals.emplace_back().data(), 3);
            else
                ok = Unknown(child);
            if (!ok)
                return false;
        }
        out_.chunks.push_back(std::move(chunk));
        return true;
    }

    bool ReadVertex(const Entry& entry, GeometryConfigData::Chunk& chunk, bool& normals)
    {
        const size_t v = chunk.positions.size();
        if (!Floats(entry, chunk.positions.emplace_back().data(), 3))
            return false;
        size_t sets = 0;
        bool normal = false;
        std::optional<uint32_t> colour, colour2;
        for (const Entry& child : entry.children) {
            bool ok = true;
            if (Is(child, "uv")) {
                if (sets == kMostTexCoordSets)
                    return Fault(child, "more than 8 texture-coordinate sets");
                if (v == 0)
                    chunk.texCoords.emplace_back();
                if (sets >= chunk.texCoords.size())
                    return Fault(child, "more texture-coordinate sets than the chunk's first vertex");
                ok = Floats(child, chunk.texCoords[sets++].emplace_back().data(), 2);
            } else if (Is(child, "normal")) {
                normal = true;
                ok = Floats(child, chunk.normals.emplace_back().data(), 3);
            } else if (Is(child, "colour")) {
                ok = Colour(child, colour);
            } else if (Is(child, "colour2")) {
                ok = Colour(child, colour2);
            } else {
                ok = Unknown(child);
            }
            if (!ok)
                return false;
        }
        if (sets != chunk.texCoords.size())
            return Fault(entry, "fewer texture-coordinate sets than the chunk's first vertex");
        if (v == 0)
            normals = normal;
        if (normal != normals)
            return Fault(entry, "a normal on some vertices of the chunk but not on all");
        if (colour) {
            chunk.colours.resize(v);
            chunk.colours.push_back(colour);
        }
        if (colour2) {
            chunk.colours2.resize(v);
            chunk.colours2.push_back(colour2);
        }
        return true;
    }

    bool ReadIndices(const Entry& entry, std::vector<uint16_t>& indices)
    {
        for (std::string_view word : Words(entry.value)) {
            uint64_t index = 0;
            if (!Unsigned(entry, word, 0xFFFF, index))
                return false;
            indices.push_back(static_cast<uint16_t>(index));
        }
        return true;
    }

    bool ReadMaterial(const Entry& entry, GeometryConfigData::Material& material)
    {
        material.name = entry.value;
        for (const Entry& child : entry.children) {
            bool ok = true;
            DisplayMaterial& colours = material.colours;
            if (Is(child, "texture")) {
                ok = ReadTexture(child, material.textures.emplace_back());
            } else if (Is(child, "property")) {
                std::string value;
                for (const Entry& part : child.children) {
                    if (!Is(part, "value"))
                        return Unknown(part);
                    value = part.value;
                }
                material.properties.emplace_back(child.value, value);
            } else if (Is(child, "flag")) {
                uint64_t flag = 0;
                ok = Unsigned(child, child.value, 1, flag);
                material.flag = flag != 0;
            } else if (Is(child, "opacity")) {
                ok = Floats(child, &material.opacity, 1);
            } else if (Is(child, "power")) {
                ok = Floats(child, &colours.power, 1);
            } else if (Is(child, "ambient")) {
                ok = Floats(child, colours.ambient, 4);
            } else if (Is(child, "diffuse")) {
                ok = Floats(child, colours.diffuse, 4);
            } else if (Is(child, "specular")) {
                ok = Floats(child, colours.specular, 4);
            } else if (Is(child, "emissive")) {
                ok = Floats(child, colours.emissive, 4);
            } else {
                ok = Unknown(child);
            }
            if (!ok)
                return false;
        }
        return true;
    }

    bool ReadTexture(const Entry& entry, GeometryConfigData::Texture& texture)
    {
        texture.file = entry.value;
        for (const Entry& child : entry.children) {
            bool ok = true;
            if (Is(child, "slot")) {
                uint64_t slot = 0;
                ok = Unsigned(child, child.value, 0x7FFFFFFF, slot);
                texture.slot = static_cast<int32_t>(slot);
            } else if (Is(child, "value")) {
                ok = Floats(child, &texture.value, 1);
            } else {
                ok = Unknown(child);
            }
            if (!ok)
                return false;
        }
        return true;
    }

    bool ReadInfluence(const Entry& entry)
    {
        GeometryConfigData::Influence influence;
        influence.name = entry.value;
        for (const Entry& child : entry.children) {
            bool ok = true;
            if (Is(child, "parent"))
                influence.parent = child.value;
            else if (Is(child, "position"))
                ok = Floats(child, influence.position, 3);
            else if (Is(child, "orientation"))
                ok = Floats(child, influence.orientation, 4);
            else if (Is(child, "entry"))
                ok = ReadInfluenceEntry(child, influence.entries.emplace_back());
            else
                ok = Unknown(child);
            if (!ok)
                return false;
        }
        out_.influences.push_back(std::move(influence));
        return true;
    }

    bool ReadInfluenceEntry(const Entry& entry, std::pair<uint32_t, std::vector<GeometryConfigData::Weight>>& out)
    {
        uint64_t chunk = 0;
        if (!Unsigned(entry, entry.value, 0xFFFFFFFFu, chunk))
            return false;
        out.first = static_cast<uint32_t>(chunk);
        for (const Entry& child : entry.children) {
            if (!Is(child, "weight"))
                return Unknown(child);
            std::vector<std::string_view> words = Words(child.value);
            if (words.size() != 2 && words.size() != 5)
                return Fault(child, "not a vertex, a weight and optionally three more numbers");
            uint64_t vertex = 0;
            float values[4] = {0, 0, 0, 0};
            if (!Unsigned(child, words[0], 0xFFFFFFFFu, vertex))
                return false;
            for (size_t k = 1; k < words.size(); ++k) {
                if (!Float(child, words[k], values[k - 1]))
                    return false;
            }
            GeometryConfigData::Weight& weight = out.second.emplace_back();
            weight.vertex = static_cast<uint32_t>(vertex);
            weight.weight = values[0];
            memcpy(weight.extra, values + 1, sizeof weight.extra);
        }
        return true;
    }

    bool ReadAttachment(const Entry& entry)
    {
        GeometryConfigData::Attachment attachment;
        attachment.name = entry.value;
        for (const Entry& child : entry.children) {
            bool ok = true;
            if (Is(child, "position"))
                ok = Floats(child, attachment.position, 3);
            else if (Is(child, "orientation"))
                ok = Floats(child, attachment.orientation, 4);
            else
                ok = Unknown(child);
            if (!ok)
                return false;
        }
        out_.attachments.push_back(std::move(attachment));
        return true;
    }

    GeometryConfigData& out_;
    bool readMaterials_, readInfluences_, readAttachments_;
    std::string error_;
};

}  // namespace

bool GeometryConfigData::LoadConfigData(const ConfigData& root, bool readMaterials, bool readInfluences,
                                        bool readAttachments, const std::string& meshName)
{
    *this = GeometryConfigData();
    GeometryReader reader(*this, readMaterials, readInfluences, readAttachments);
    if (reader.Read(root.Entries()))
        return true;
    std::string error = meshName + ": " + reader.Error();
    *this = GeometryConfigData();
    this->error = std::move(error);
    interpreted = false;
    return false;
}

}  // namespace Zel
