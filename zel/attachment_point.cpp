// Zel::AttachmentPoint: splitting a stored point name into the point's and its node's names.
#include "zel/attachment_point.h"

namespace Zel {

void AttachmentPoint::GetSubNames(const std::string& full, std::string& first, std::string& second)
{
    const size_t slash = full.rfind('/');
    if (slash == std::string::npos) {
        first = full;
        second.clear();
        return;
    }
    first = full.substr(slash + 1);
    second = full.substr(0, slash);
}

}  // namespace Zel
