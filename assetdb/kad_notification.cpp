// KADNotification: the payload in a TBuffer over its own growing buffer.
#include "assetdb/kad_notification.h"

#include "foundation/streams/t_buffer.h"
#include "zel/dynamic_buffer.h"

KADNotification::KADNotification(int32_t notificationType)
    : type(notificationType), buffer(new TBuffer(new Zel::DynamicBuffer(0, 512), true))
{}

KADNotification::~KADNotification() = default;

void KADNotification::SetPayload(const void* bytes, size_t count)
{
    if (count > 0)
        buffer->Write(bytes, static_cast<int32_t>(count));
    buffer->Rewind();
}
