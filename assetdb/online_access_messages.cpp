// Wire forms of the online-access messages.
#include "assetdb/online_access_messages.h"

#include "soup/binary_soup.h"

void OnlineAccessMessage::Write(TStream& stream) const
{
    stream.WriteKUID(assetId);
    stream.WriteString(Zel::AnsiString(text));
    WriteBinarySoup(stream, soup);
}

bool OnlineAccessMessage::Read(TStream& stream)
{
    assetId = stream.ReadKUID();
    text = std::string(stream.ReadString().View());
    if (stream.HasError())
        return false;
    return ReadBinarySoup(soup, stream) && !stream.HasError();
}

void OnlineAccessVersionedMessage::Write(TStream& stream) const
{
    OnlineAccessMessage::Write(stream);
    stream.WriteInt32(version);
    stream.WriteUInt8(flag != 0 ? 1 : 0);
}

bool OnlineAccessVersionedMessage::Read(TStream& stream)
{
    if (!OnlineAccessMessage::Read(stream))
        return false;
    version = stream.ReadInt32();
    flag = stream.ReadUInt8();
    return !stream.HasError();
}

void OnlineGroupMessage::Write(TStream& stream) const
{
    stream.WriteKUID(sender);
    stream.WriteString(Zel::AnsiString(text));
    stream.WritePString(cookie);
    WriteBinarySoup(stream, soup);
}

bool OnlineGroupMessage::Read(TStream& stream)
{
    sender = stream.ReadKUID();
    text = std::string(stream.ReadString().View());
    cookie = stream.ReadPString();
    if (stream.HasError())
        return false;
    return ReadBinarySoup(soup, stream) && !stream.HasError();
}

void WriteVersionedForm(const OnlineAccessMessage& message, TStream& stream)
{
    if (dynamic_cast<const OnlineAccessVersionedMessage*>(&message) != nullptr) {
        message.Write(stream);
        return;
    }
    message.Write(stream);
    stream.WriteInt32(0);
    stream.WriteUInt8(0);
}
