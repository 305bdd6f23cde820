// KorvelIndexedMeshLODDefinition: writing the "LODM" file, its level statistics and its size estimate.
#include <algorithm>
#include <cstring>
#include <map>

#include "mesh/indexed_mesh_lod_definition.h"
#include "zel/file.h"
#include "zel/mesh_file_support.h"

// The writer fills a buffer. For a file it hands the buffer over whenever it
// passes a megabyte and reuses it, so a large mesh is written without an
// image of the whole file (whose fresh pages cost more than the write);
// sizes whose chunk head has already gone out are patched in place at the end.
class LodBytes {
public:
    explicit LodBytes(std::string& out, Zel::File* file = nullptr) : out_(out), file_(file) {}

    void U32(uint32_t value)
    {
        char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                         static_cast<char>(value >> 24)};
        out_.append(bytes, 4);
    }
    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    void F32(float value)
    {
        uint32_t word;
        memcpy(&word, &value, 4);
        U32(word);
    }
    void Floats(const float* values, size_t count)
    {
        for (size_t k = 0; k < count; ++k)
            F32(values[k]);
    }
    void Tag(const char (&tag)[5]) { out_.append(tag, 4); }
    void Str(const std::string& text) { Zel::MeshFileSupport::AppendPaddedString(out_, text); }
    void Byte(uint8_t value) { out_.push_back(static_cast<char>(value)); }
    void Raw(const void* data, size_t size)
    {
        Spill(size);
        out_.append(static_cast<const char*>(data), size);
    }
    // Tag, reserved size, version; End fills the size in. Marks are offsets
    // from the start of the file.
    uint64_t Begin(const char (&tag)[5], int32_t version)
    {
        Spill(12);
        Tag(tag);
        uint64_t mark = Size();
        U32(0);
        I32(version);
        return mark;
    }
    void End(uint64_t mark) { Patch(mark, static_cast<uint32_t>(Size() - mark - 4)); }
    void Patch(uint64_t mark, uint32_t value)
    {
        if (mark >= written_) {
            for (int k = 0; k < 4; ++k)
                out_[static_cast<size_t>(mark - written_) + static_cast<size_t>(k)] =
                    static_cast<char>(value >> (8 * k));
        } else {
            late_.push_back({mark, value});
        }
    }
    uint64_t Size() const { return written_ + out_.size(); }
    // Room for bytes written in place (no per-float append).
    uint8_t* Grow(size_t bytes)
    {
        Spill(bytes);
        size_t at = out_.size();
        out_.resize(at + bytes);
        return reinterpret_cast<uint8_t*>(out_.data() + at);
    }
    // Hands the rest to the file and patches the sizes that went out early.
    bool Finish()
    {
        if (!file_)
            return true;
        Hand();
        for (const auto& [mark, value] : late_) {
            uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
            ok_ = ok_ && file_->Seek(start_ + static_cast<int64_t>(mark), Zel::File::SeekSet) >= 0 &&
                  file_->Write(bytes, int64_t{4}) == 4;
        }
        ok_ = ok_ && file_->Seek(0, Zel::File::SeekEnd) >= 0;
        return ok_;
    }

private:
    static constexpr size_t kBlock = size_t{1} << 20;

    // Before bytes more go in: a full buffer goes to the file.
    void Spill(size_t bytes)
    {
        if (file_ && !out_.empty() && out_.size() + bytes > kBlock)
            Hand();
    }
    void Hand()
    {
        if (out_.empty())
            return;
        if (written_ == 0 && !started_) {
            start_ = file_->Tell();
            started_ = true;
            ok_ = start_ >= 0;
        }
        int64_t size = static_cast<int64_t>(out_.size());
        ok_ = ok_ && file_->Write(out_.data(), size) == size;
        written_ += out_.size();
        out_.clear();
    }

    std::string& out_;
    Zel::File* file_;
    uint64_t written_ = 0;
    int64_t start_ = 0;
    bool started_ = false;
    bool ok_ = true;
    std::vector<std::pair<uint64_t, uint32_t>> late_;
};

namespace {

std::string FileNameOf(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void WriteBone(LodBytes& w, const std::string& name, const std::string& parent, const float position[3],
               const float orientation[9])
{
    w.Str(name);
    w.Str(parent);
    w.Floats(position, 3);
    w.Floats(orientation, 9);
}

void WriteBoneTree(LodBytes& w, const Zel::ParticleBone& bone, uint32_t& count)
{
    float matrix[9];
    Zel::MatrixFromQuaternion(bone.orientation, matrix);
    WriteBone(w, bone.name, bone.parent ? bone.parent->name : std::string(), bone.position, matrix);
    ++count;
    for (const auto& child : bone.children)
        WriteBoneTree(w, *child, count);
}

void WriteMaterial(LodBytes& w, const Zel::Material& material, const std::string& name)
{
    uint64_t mark = w.Begin("MATL", 103);
    w.Str(name);
    w.U32(static_cast<uint32_t>(material.GetNumProperties()));
    for (size_t p = 0; p < material.GetNumProperties(); ++p) {
        w.Str(material.GetProperty(p).first);
        w.Str(material.GetProperty(p).second);
    }
    w.U32(material.GetFlags() & 1u);
    w.F32(material.GetOpacity());
    const Zel::DisplayMaterial& colours = material.GetDisplayMaterial();
    w.Floats(colours.ambient, 3);
    w.Floats(colours.diffuse, 3);
    w.Floats(colours.specular, 3);
    // Readers halve the emissive colour.
    for (int k = 0; k < 3; ++k)
        w.F32(colours.emissive[k] * 2.0f);
    w.F32(colours.power);
    const auto& textures = material.GetTextures();
    w.U32(static_cast<uint32_t>(textures.size()));
    for (const Zel::Material::TextureUse& texture : textures) {
        w.I32(texture.slot);
        // Readers keep only the file-name part and find it beside the mesh.
        w.Str(FileNameOf(texture.file));
        w.F32(texture.value);
    }
    w.End(mark);
}

void WriteGeometry(LodBytes& w, Zel::GeometryChunk& chunk, uint32_t weights, const std::string& boneName)
{
    uint64_t mark = w.Begin("GEOM", 201);
    uint32_t flags = chunk.GetFlags();
    bool tangents = chunk.HasItem(Zel::ItemTangent);
    uint32_t vertexCount = chunk.GetVertexCount();
    // Lines and line strips carry no face normals.
    uint32_t faceNormals = (flags & 3u) != 0 ? 0 : chunk.GetFaceNormalCount();
    w.U32(flags);
    w.U32(tangents ? 1u : 0u);
    w.F32(chunk.GetHintValue());
    w.U32(vertexCount);
    w.U32(chunk.GetFaceCount());
    w.U32(chunk.GetIndexCount());
    w.U32(faceNormals);
    w.U32(weights);
    w.Str(boneName);
    Zel::VertexStream positions = chunk.GetItem(Zel::ItemPosition);
    Zel::VertexStream uv = chunk.GetItem(Zel::ItemTexCoord0);
    // Grow hands out zeroed room: absent streams leave their zeros.
    uint8_t* records = w.Grow(size_t{vertexCount} * 20);
    for (uint32_t v = 0; v < vertexCount; ++v) {
        if (positions)
            memcpy(records + size_t{v} * 20, positions.data + size_t{v} * positions.stride, 12);
        if (uv)
            memcpy(records + size_t{v} * 20 + 12, uv.data + size_t{v} * uv.stride, 8);
    }
    if (chunk.GetIndexCount() > 0 && chunk.GetIndices())
        w.Raw(chunk.GetIndices(), size_t{chunk.GetIndexCount()} * 2);
    // A chunk without normals writes zeros: readers expect the array.
    auto vectors = [&](Zel::VertexStream stream) {
        uint8_t* out = w.Grow(size_t{vertexCount} * 12);
        if (!stream)
            return;
        if (stream.stride == 12) {
            memcpy(out, stream.data, size_t{vertexCount} * 12);
            return;
        }
        for (uint32_t v = 0; v < vertexCount; ++v)
            memcpy(out + size_t{v} * 12, stream.data + size_t{v} * stream.stride, 12);
    };
    vectors(chunk.GetItem(Zel::ItemNormal));
    if (faceNormals > 0 && chunk.GetFaceNormals())
        w.Raw(chunk.GetFaceNormals(), size_t{faceNormals} * 12);
    if (tangents)
        vectors(chunk.GetItem(Zel::ItemTangent));
    w.End(mark);
}

void WriteNeighbours(LodBytes& w, const Zel::GeometryChunk& chunk)
{
    const auto& neighbours = chunk.GetFaceNeighbors();
    if (chunk.GetFaceCount() == 0 || neighbours.size() != chunk.GetFaceCount())
        return;
    uint64_t mark = w.Begin("NINF", 100);
    w.Raw(neighbours.data(), neighbours.size() * 12);
    w.End(mark);
}

}  // namespace

std::vector<Zel::Material*> KorvelIndexedMeshLODDefinition::CollectMaterials() const
{
    std::vector<Zel::Material*> collected;
    for (const MeshLODRecord& level : levels_) {
        for (size_t j = 0; j < level.materials.Size(); ++j) {
            Zel::Material* material = level.materials[j];
            if (material && std::find(collected.begin(), collected.end(), material) == collected.end())
                collected.push_back(material);
        }
    }
    return collected;
}

uint32_t KorvelIndexedMeshLODDefinition::LevelChunkMaxWeights(size_t level, uint32_t chunk) const
{
    std::map<uint32_t, uint32_t> perVertex;
    for (size_t b = 0; b < boneLevelWeights_.size(); ++b) {
        for (const InfluenceChunkWeights& entry : GetBoneLevelWeights(b, level)) {
            if (entry.chunk != chunk)
                continue;
            for (const InfluenceWeight& weight : entry.weights)
                ++perVertex[weight.vertex];
        }
    }
    uint32_t most = 0;
    for (const auto& [vertex, count] : perVertex)
        most = std::max(most, count);
    return most;
}

uint32_t KorvelIndexedMeshLODDefinition::LevelMaxWeights(size_t level) const
{
    uint32_t most = 0;
    for (uint32_t c = 0; c < levels_[level].chunks.Size(); ++c)
        most = std::max(most, LevelChunkMaxWeights(level, c));
    return most;
}

uint32_t KorvelIndexedMeshLODDefinition::LevelMaxBones(size_t level) const
{
    uint32_t most = 0;
    for (uint32_t c = 0; c < levels_[level].chunks.Size(); ++c) {
        uint32_t bones = 0;
        for (size_t b = 0; b < boneLevelWeights_.size(); ++b) {
            const auto& entries = GetBoneLevelWeights(b, level);
            bones += std::any_of(entries.begin(), entries.end(),
                                 [c](const InfluenceChunkWeights& entry) { return entry.chunk == c; })
                         ? 1u
                         : 0u;
        }
        most = std::max(most, bones);
    }
    return most;
}

bool KorvelIndexedMeshLODDefinition::Serialise(std::string& out) const
{
    out.clear();
    if (levels_.empty())
        return false;
    LodBytes w(out);
    WriteTo(w);
    return true;
}

int KorvelIndexedMeshLODDefinition::Save(Zel::File& file) const
{
    if (levels_.empty())
        return 1;
    std::string buffer;
    buffer.reserve(2 << 20);
    LodBytes w(buffer, &file);
    WriteTo(w);
    return w.Finish() ? MeshOk : MeshNoData;
}

void KorvelIndexedMeshLODDefinition::WriteTo(LodBytes& w) const
{
    w.Tag("JIRF");
    uint64_t jirf = w.Size();
    w.U32(0);
    w.Tag("LODM");

    uint64_t info = w.Begin("INFO", 100);
    w.Floats(position_, 3);
    w.Floats(orientation_, 4);
    w.U32(static_cast<uint32_t>(levels_.size()));
    w.U32(calcPoint_);
    float tuning[5] = {offset_, multiplier_, animationCutOff_, renderCutOff_, attachmentCutOff_};
    w.Floats(tuning, 5);
    w.U32(static_cast<uint32_t>(namedLevels_.size()));
    for (const NamedLevel& named : namedLevels_) {
        w.I32(named.level);
        w.Str(named.name);
        w.Byte(named.animated ? 1 : 0);
    }
    w.End(info);

    std::vector<Zel::Material*> collected = CollectMaterials();
    uint64_t table = w.Begin("MATT", 100);
    w.U32(static_cast<uint32_t>(collected.size()));
    for (const Zel::Material* material : collected)
        WriteMaterial(w, *material, GetWrittenMaterialName(material));
    w.End(table);

    if (!influences_.empty()) {
        uint64_t bones = w.Begin("BONT", 100);
        w.U32(static_cast<uint32_t>(influences_.size()));
        for (const InfluenceDefinition& bone : influences_)
            WriteBone(w, bone.name, bone.parent, bone.position, bone.orientation);
        w.End(bones);
    } else if (!boneTree_.empty() || skeletonRoot_) {
        uint64_t bones = w.Begin("RBOT", 100);
        uint64_t countAt = w.Size();
        w.U32(0);
        uint32_t count = 0;
        if (!boneTree_.empty()) {
            // As read: a matrix turned into a quaternion and back is not the same bytes.
            for (const LODBoneNode& node : boneTree_)
                WriteBone(w, node.name, node.parent, node.position, node.orientation);
            count = static_cast<uint32_t>(boneTree_.size());
        } else {
            WriteBoneTree(w, *skeletonRoot_, count);
        }
        w.Patch(countAt, count);
        w.End(bones);
    }

    if (!attachments_.empty()) {
        uint64_t mark = w.Begin("ATCH", 100);
        w.U32(static_cast<uint32_t>(attachments_.size()));
        for (size_t i = 0; i < attachments_.size(); ++i) {
            const MeshAttachment& attachment = attachments_[i];
            size_t cut = i < cullPositions_.size() ? cullPositions_[i] : std::string::npos;
            std::string name = attachment.name;
            if (cut != std::string::npos)
                name.insert(std::min(cut, name.size()), ":Cull");
            w.Str(name);
            w.Floats(attachment.orientation, 9);
            w.Floats(attachment.position, 3);
        }
        w.End(mark);
    }

    for (size_t l = 0; l < levels_.size(); ++l) {
        const MeshLODRecord& level = levels_[l];
        uint64_t mesh = w.Begin("MESH", 100);
        w.U32(static_cast<uint32_t>(level.chunks.Size()));
        w.U32(LevelMaxWeights(l));
        w.U32(LevelMaxBones(l));
        w.F32(l < switchDistances_.size() ? switchDistances_[l] : -1.0f);
        if (!influences_.empty()) {
            uint64_t block = w.Begin("LODB", 100);
            for (size_t b = 0; b < influences_.size(); ++b) {
                const auto& entries = GetBoneLevelWeights(b, l);
                w.U32(static_cast<uint32_t>(entries.size()));
                for (const InfluenceChunkWeights& entry : entries) {
                    w.U32(entry.chunk);
                    w.U32(static_cast<uint32_t>(entry.weights.size()));
                    for (const InfluenceWeight& weight : entry.weights) {
                        w.U32(weight.vertex);
                        w.F32(weight.weight);
                        w.Floats(weight.extra, 3);
                    }
                }
            }
            w.End(block);
        }
        for (uint32_t j = 0; j < level.chunks.Size(); ++j) {
            uint64_t chunk = w.Begin("LCHK", 100);
            w.U32(j);
            Zel::Material* material = j < level.materials.Size() ? level.materials[j] : nullptr;
            auto found = std::find(collected.begin(), collected.end(), material);
            w.I32(material && found != collected.end() ? static_cast<int32_t>(found - collected.begin()) : -1);
            std::string bone = j < level.chunkBoneNames.size() ? level.chunkBoneNames[j] : std::string();
            WriteGeometry(w, *level.chunks[j], LevelChunkMaxWeights(l, j), bone);
            WriteNeighbours(w, *level.chunks[j]);
            w.End(chunk);
        }
        w.End(mesh);
    }
    w.End(jirf);
}

int KorvelIndexedMeshLODDefinition::SaveToPath(const std::string& path) const
{
    if (levels_.empty())
        return 1;
    // Nothing replaces the target before every byte is on disk.
    std::string temporary = path + ".saving";
    Zel::File file;
    if (file.Open(temporary.c_str(), Zel::File::ModeWrite) != 0)
        return MeshNoData;
    bool written = Save(file) == MeshOk && file.Flush();
    file.Close();
    if (!written || Zel::File::Rename(temporary.c_str(), path.c_str()) != 0) {
        Zel::File::Unlink(temporary.c_str());
        return MeshNoData;
    }
    return MeshOk;
}

uint64_t KorvelIndexedMeshLODDefinition::CalculateDataSize() const
{
    uint64_t size = sizeof(*this) + influences_.size() * sizeof(InfluenceDefinition) +
                    attachments_.size() * sizeof(MeshAttachment) + 4 * switchDistances_.size() +
                    namedLevels_.size() * sizeof(NamedLevel) + levels_.size() * sizeof(MeshLODRecord);
    for (const MeshLODRecord& level : levels_) {
        for (size_t c = 0; c < level.chunks.Size(); ++c) {
            const Zel::GeometryChunk* chunk = level.chunks[c];
            size += uint64_t{chunk->GetVertexSize()} * chunk->GetVertexCount() + 2 * uint64_t{chunk->GetIndexCount()};
        }
    }
    // The first bone record only, as the estimate always counted.
    if (!boneLevelWeights_.empty()) {
        size += sizeof(InfluenceDefinition);
        for (const auto& entries : boneLevelWeights_[0]) {
            size += sizeof(entries) + entries.size() * sizeof(InfluenceChunkWeights);
            for (const InfluenceChunkWeights& entry : entries)
                size += entry.weights.size() * sizeof(InfluenceWeight);
        }
    }
    return size;
}
