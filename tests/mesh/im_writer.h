// Test-side writer of indexed mesh files (".im") that follows the formats field by field, with knobs to damage them.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace KorvelTest {

class ByteWriter {
public:
    std::string bytes;

    void U32(uint32_t value)
    {
        for (int k = 0; k < 4; ++k)
            bytes.push_back(static_cast<char>(value >> (8 * k)));
    }
    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    void F32(float value)
    {
        uint32_t word;
        memcpy(&word, &value, 4);
        U32(word);
    }
    void Floats(const float* values, int count)
    {
        for (int k = 0; k < count; ++k)
            F32(values[k]);
    }
    void Tag(const char* tag) { bytes.append(tag, 4); }
    // Text, NUL, zero bytes to a multiple of four from the string's start.
    void Str(const std::string& text)
    {
        bytes += text;
        bytes.append(((text.size() + 4) & ~size_t{3}) - text.size(), '\0');
    }
    // Tag, reserved size, version; End fills the size with the bytes after it.
    size_t Begin(const char* tag, int32_t version)
    {
        Tag(tag);
        size_t mark = bytes.size();
        U32(0);
        I32(version);
        return mark;
    }
    void End(size_t mark, int32_t delta = 0)
    {
        uint32_t size = static_cast<uint32_t>(bytes.size() - mark - 4 + static_cast<size_t>(delta));
        for (int k = 0; k < 4; ++k)
            bytes[mark + static_cast<size_t>(k)] = static_cast<char>(size >> (8 * k));
    }
};

struct ImTexture {
    int32_t slot = 0;
    std::string file;
    float value = 0;
};

struct ImMaterial {
    int32_t version = 103;
    std::string name = "body.m.onetex";
    std::vector<std::pair<std::string, std::string>> properties;
    uint32_t flag = 0;
    float opacity = 1.0f;
    float ambient[3] = {0.2f, 0.2f, 0.2f}, diffuse[3] = {0.8f, 0.8f, 0.8f}, specular[3] = {0, 0, 0},
          emissive[3] = {0, 0, 0};
    float power = 20.0f;
    std::vector<ImTexture> textures;
    std::optional<uint32_t> propertyCount, textureCount;  // hostile counts
};

struct ImGeometry {
    int32_t version = 201;
    uint32_t flags = 4;  // triangle list
    uint32_t flags2 = 0;
    float hint = 0;
    std::vector<std::array<float, 3>> positions;
    std::vector<std::vector<std::array<float, 2>>> uvSets{{}};  // per set, per vertex
    std::vector<uint16_t> indices;
    std::vector<std::array<float, 3>> normals;
    std::vector<uint32_t> colours;
    std::vector<std::array<float, 3>> faceNormals;
    std::vector<std::array<float, 3>> tangents;
    uint32_t weightsPerVertex = 0;
    std::string boneName;
    std::optional<uint32_t> vertexCount, faceCount, indexCount, faceNormalCount, texCoordSets;
    int32_t sizeDelta = 0;
    std::string trailing;  // unknown bytes after the fields
};

struct ImChunk {
    int32_t version = 100;
    ImMaterial material;
    ImGeometry geometry;
    std::vector<std::array<int32_t, 3>> neighbours;
    bool writeNeighbours = false;
    int32_t neighbourVersion = 100;
};

struct ImWeight {
    uint32_t vertex;
    float weight;
};

struct ImInfluence {
    std::string name, parent;
    float position[3] = {0, 0, 0};
    float matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<std::pair<uint32_t, std::vector<ImWeight>>> entries;
};

struct ImAttachment {
    std::string name;
    float matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    float position[3] = {0, 0, 0};
};

struct ImFile {
    int32_t infoVersion = 103;
    float position[3] = {0, 0, 0};
    float orientation[4] = {0, 0, 0, 1};
    uint32_t maxInfluences = 0, maxBones = 0;
    std::optional<uint32_t> chunkCount;
    std::vector<ImChunk> chunks;
    bool writeInfluences = false;
    int32_t influenceVersion = 100;
    std::optional<uint32_t> influenceCount;
    std::vector<ImInfluence> influences;
    std::string skeleton;  // raw "SKEL" bytes when set
    bool writeAttachments = false;
    int32_t attachmentVersion = 100;
    std::vector<ImAttachment> attachments;
    int32_t jirfSizeDelta = 0;
    std::string fileType = "IDXM";
    std::string tail;  // raw blocks after the attachments ("PMIN")
};

inline void WriteMaterial(ByteWriter& w, const ImMaterial& m)
{
    size_t mark = w.Begin("MATL", m.version);
    w.Str(m.name);
    w.U32(m.propertyCount.value_or(static_cast<uint32_t>(m.properties.size())));
    for (const auto& property : m.properties) {
        w.Str(property.first);
        w.Str(property.second);
    }
    w.U32(m.flag);
    w.F32(m.opacity);
    w.Floats(m.ambient, 3);
    w.Floats(m.diffuse, 3);
    w.Floats(m.specular, 3);
    w.Floats(m.emissive, 3);
    w.F32(m.power);
    w.U32(m.textureCount.value_or(static_cast<uint32_t>(m.textures.size())));
    for (const ImTexture& texture : m.textures) {
        w.I32(texture.slot);
        w.Str(texture.file);
        w.F32(texture.value);
    }
    w.End(mark);
}

inline void WriteGeometry(ByteWriter& w, const ImGeometry& g)
{
    int32_t v = g.version;
    size_t mark = w.Begin("GEOM", v);
    uint32_t vertexCount = g.vertexCount.value_or(static_cast<uint32_t>(g.positions.size()));
    uint32_t sets = (v >= 103 && v <= 199) ? g.texCoordSets.value_or(static_cast<uint32_t>(g.uvSets.size())) : 1;
    w.U32(g.flags);
    if (v >= 201)
        w.U32(g.flags2);
    w.F32(g.hint);
    w.U32(vertexCount);
    w.U32(g.faceCount.value_or(static_cast<uint32_t>(g.indices.size() / 3)));
    w.U32(g.indexCount.value_or(static_cast<uint32_t>(g.indices.size())));
    w.U32(g.faceNormalCount.value_or(static_cast<uint32_t>(g.faceNormals.size())));
    if (v >= 103 && v <= 199)
        w.U32(sets);
    if (v >= 102)
        w.U32(g.weightsPerVertex);
    if (v >= 200)
        w.Str(g.boneName);
    for (size_t i = 0; i < g.positions.size(); ++i) {
        w.Floats(g.positions[i].data(), 3);
        size_t written = (v >= 103 && v <= 199) ? g.uvSets.size() : 1;
        for (size_t s = 0; s < written; ++s) {
            std::array<float, 2> uv{0, 0};
            if (s < g.uvSets.size() && i < g.uvSets[s].size())
                uv = g.uvSets[s][i];
            w.Floats(uv.data(), 2);
        }
    }
    for (uint16_t index : g.indices) {
        w.bytes.push_back(static_cast<char>(index & 0xFF));
        w.bytes.push_back(static_cast<char>(index >> 8));
    }
    for (size_t i = 0; i < g.positions.size(); ++i) {
        std::array<float, 3> n = i < g.normals.size() ? g.normals[i] : std::array<float, 3>{0, 0, 1};
        w.Floats(n.data(), 3);
    }
    if (v >= 104 && v <= 199) {
        for (size_t i = 0; i < g.positions.size(); ++i)
            w.U32(i < g.colours.size() ? g.colours[i] : 0xFFFFFFFFu);
    }
    for (const auto& n : g.faceNormals)
        w.Floats(n.data(), 3);
    if (g.flags2 & 1) {
        for (size_t i = 0; i < g.positions.size(); ++i) {
            std::array<float, 3> t = i < g.tangents.size() ? g.tangents[i] : std::array<float, 3>{1, 0, 0};
            w.Floats(t.data(), 3);
        }
    }
    w.bytes += g.trailing;
    w.End(mark, g.sizeDelta);
}

inline std::string WriteIm(const ImFile& file)
{
    ByteWriter w;
    w.Tag("JIRF");
    size_t jirf = w.bytes.size();
    w.U32(0);
    w.Tag(file.fileType.c_str());
    size_t info = w.Begin("INFO", file.infoVersion);
    w.Floats(file.position, 3);
    w.Floats(file.orientation, 4);
    w.U32(file.chunkCount.value_or(static_cast<uint32_t>(file.chunks.size())));
    if (file.infoVersion >= 102) {
        w.U32(file.maxInfluences);
        w.U32(file.maxBones);
    }
    if (file.infoVersion == 104) {
        float bounds[6] = {0, 0, 0, 0, 0, 0};
        w.Floats(bounds, 6);
    }
    w.End(info);
    for (const ImChunk& chunk : file.chunks) {
        size_t mark = w.Begin("CHNK", chunk.version);
        w.U32(0);
        WriteMaterial(w, chunk.material);
        WriteGeometry(w, chunk.geometry);
        if (chunk.writeNeighbours) {
            size_t n = w.Begin("NINF", chunk.neighbourVersion);
            for (const auto& record : chunk.neighbours) {
                for (int32_t value : record)
                    w.I32(value);
            }
            w.End(n);
        }
        w.End(mark);
    }
    if (file.writeInfluences) {
        size_t mark = w.Begin("INFL", file.influenceVersion);
        w.U32(file.influenceCount.value_or(static_cast<uint32_t>(file.influences.size())));
        for (const ImInfluence& influence : file.influences) {
            w.Str(influence.name);
            w.Str(influence.parent);
            w.Floats(influence.position, 3);
            w.Floats(influence.matrix, 9);
            w.U32(static_cast<uint32_t>(influence.entries.size()));
            for (const auto& entry : influence.entries) {
                w.U32(entry.first);
                w.U32(static_cast<uint32_t>(entry.second.size()));
                for (const ImWeight& weight : entry.second) {
                    w.U32(weight.vertex);
                    w.F32(weight.weight);
                    float extra[3] = {0, 0, 0};
                    w.Floats(extra, 3);
                }
            }
        }
        w.End(mark);
    }
    w.bytes += file.skeleton;
    if (file.writeAttachments) {
        size_t mark = w.Begin("ATCH", file.attachmentVersion);
        w.U32(static_cast<uint32_t>(file.attachments.size()));
        for (const ImAttachment& attachment : file.attachments) {
            w.Str(attachment.name);
            w.Floats(attachment.matrix, 9);
            w.Floats(attachment.position, 3);
        }
        w.End(mark);
    }
    w.bytes += file.tail;
    w.End(jirf, file.jirfSizeDelta);
    return w.bytes;
}

// A quad of two triangles in the z = 0 plane with one uv set.
inline ImChunk QuadChunk(const std::string& material = "body.m.onetex", float size = 1.0f)
{
    ImChunk chunk;
    chunk.material.name = material;
    chunk.geometry.positions = {{0, 0, 0}, {size, 0, 0}, {size, size, 0}, {0, size, 0}};
    chunk.geometry.uvSets = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
    chunk.geometry.indices = {0, 1, 2, 0, 2, 3};
    return chunk;
}

// A "BONE" with children, as raw bytes.
inline std::string BoneBytes(const std::string& name, const std::vector<std::string>& children, int32_t version = 100)
{
    ByteWriter w;
    size_t mark = w.Begin("BONE", version);
    w.Str(name);
    float placement[7] = {0, 0, 0, 0, 0, 0, 1};
    w.Floats(placement, 7);
    w.U32(static_cast<uint32_t>(children.size()));
    for (const std::string& child : children)
        w.bytes += child;
    w.End(mark);
    return w.bytes;
}

inline std::string SkeletonBytes(const std::string& rootBone, int32_t version = 100)
{
    ByteWriter w;
    size_t mark = w.Begin("SKEL", version);
    w.bytes += rootBone;
    w.End(mark);
    return w.bytes;
}

}  // namespace KorvelTest
