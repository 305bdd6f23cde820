// The ".kin" animation file: bone names and keyframes in a JIRF container, its reader with result codes and its writer.
//
// Layout (little-endian, fixed-width; chunks framed as every JIRF chunk:
// tag, int32 size of the bytes after the size field, int32 version):
//
//   "JIRF"  int32 content size  "KANM"
//   "KINF" version 100: u32 boneCount, u32 frameCount, f32 framesPerSecond
//   "KBON" version 100: boneCount x padded name (text, NUL, zero bytes to a
//          multiple of four counted from the string's start)
//   "KKEY" version 100: frameCount x boneCount keys, frame by frame, each
//          f32 position[3] then f32 rotation[4] (quaternion x, y, z, w)
//
// A reader of another version of a chunk answers KinUnknownVersion; bytes
// after "KKEY" inside the content are left for later versions to use. The
// key block's size is checked against the counts before anything is
// allocated, so hostile counts end in KinTruncated.
//
// The layout is this engine's own. ".kin" files written by other tools do
// not read (KinNotAnimation, or another result): until an importer exists,
// the checks report their animations as failing to load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Zel {

enum KinResult : int {
    KinOk = 0,
    KinNotAnimation = 1,   // no JIRF header or another file type
    KinTruncated = 2,      // a chunk or field ends before its data
    KinUnknownVersion = 3,
};

struct KinKey {
    float position[3] = {0, 0, 0};
    float rotation[4] = {0, 0, 0, 1};
};

struct KinAnimation {
    std::vector<std::string> bones;
    uint32_t frameCount = 0;
    float framesPerSecond = 30.0f;
    // frameCount x bones.size(), frame by frame.
    std::vector<KinKey> keys;

    const KinKey& Key(uint32_t frame, size_t bone) const { return keys[frame * bones.size() + bone]; }
};

constexpr int32_t KinChunkVersion = 100;

// Reads a whole file image; on any result but KinOk the animation is left empty.
int ReadKinAnimation(const uint8_t* data, size_t size, KinAnimation& animation);
// The file image of an animation (keys missing from a short key list are written as rest poses).
std::vector<uint8_t> WriteKinAnimation(const KinAnimation& animation);

}  // namespace Zel
