// Mesh check objects: attachment-point look-up and animation loading.
#include "templates/dod_mesh_data.h"

namespace DODLib {

bool MeshData::HasAttachmentPoint(const Zel::PString& name) const
{
    for (const Zel::PString& point : attachmentPoints_) {
        if (point == name)
            return true;
    }
    return false;
}

bool MeshData::LoadAnimation(const Zel::PString& /*file*/)
{
    ++loadedAnimations_;
    return true;
}

std::string MeshPathForFindings(const Zel::PString& filePath)
{
    std::string path(filePath.View());
    for (int component = 0; component < 2; ++component) {
        const size_t separator = path.find_first_of("/\\");
        if (separator == std::string::npos)
            break;
        path.erase(0, separator + 1);
    }
    return path;
}

}  // namespace DODLib
