// TMEEndpoint: sequencing, acknowledgements, resends, the hold list, keep-alives and goodbyes.
#include "assetdb/net/tme_endpoint.h"

#include <algorithm>

namespace {

// The signed distance from b to a; sequence numbers wrap through 255.
int Distance(std::uint8_t a, std::uint8_t b)
{
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(a - b));
}

std::uint8_t NextSequence(std::uint8_t sequence)
{
    return sequence == 255 ? 1 : static_cast<std::uint8_t>(sequence + 1);
}

std::uint8_t PreviousSequence(std::uint8_t sequence)
{
    return sequence == 1 ? 255 : static_cast<std::uint8_t>(sequence - 1);
}

}  // namespace

TMEEndpoint::TMEEndpoint(SecondsClock& clock) : clock_(clock) {}

TMEEndpoint::~TMEEndpoint()
{
    // Reset is not called here: a derived owner is gone by now.
    Detach(true);
}

void TMEEndpoint::Detach(bool sayGoodbye)
{
    if (peer_ == nullptr)
        return;
    if (sayGoodbye)
        SendControl(true);
    peer_->SetReceiveCallback(nullptr, nullptr);
    peer_ = nullptr;
}

void TMEEndpoint::Attach(UDPPeer& peer)
{
    Detach(true);
    held_.clear();
    inFlight_.clear();
    Reset();
    double now = clock_.Now();
    lastSendTime_ = now;
    lastReceiveTime_ = now;
    lastReceivedInOrder_ = 0;
    lastAcknowledgementSent_ = 0;
    nextToSend_ = 1;
    nextExpected_ = 1;
    largestPayload_ = 0x8000;
    holdLimit_ = 100;
    peer_ = &peer;
    peer.SetReceiveCallback(OnDatagram, this);
}

void TMEEndpoint::Drop(bool sayGoodbye)
{
    Detach(sayGoodbye);
    held_.clear();
    inFlight_.clear();
    Reset();
}

void TMEEndpoint::Close()
{
    Drop(true);
}

bool TMEEndpoint::Send(std::unique_ptr<TMEPacket>& packet)
{
    if (peer_ == nullptr || packet == nullptr || queue_.size() > QueueLimit)
        return false;
    queue_.push_back(std::move(packet));
    return true;
}

void TMEEndpoint::Transmit(TMEPacket& packet)
{
    if (peer_ == nullptr)
        return;
    double now = clock_.Now();
    ++packet.tries;
    packet.sentAt = now;
    lastSendTime_ = now;
    packet.acknowledgement = lastReceivedInOrder_;
    lastAcknowledgementSent_ = lastReceivedInOrder_;
    std::size_t payload = static_cast<std::size_t>(packet.DataLength());
    datagram_.resize(2 + payload);
    datagram_[0] = packet.sequence;
    datagram_[1] = packet.acknowledgement;
    if (payload > 0)
        std::copy(packet.Data(), packet.Data() + payload, datagram_.begin() + 2);
    peer_->Send(datagram_.data(), datagram_.size());
}

void TMEEndpoint::SendControl(bool goodbye)
{
    TMEPacket control;
    if (goodbye)
        control.WriteUInt8(0);
    Transmit(control);
}

void TMEEndpoint::MoveWindow()
{
    while (peer_ != nullptr && inFlight_.size() < WindowSize && !queue_.empty()) {
        std::unique_ptr<TMEPacket> packet = std::move(queue_.front());
        queue_.pop_front();
        packet->sequence = nextToSend_;
        nextToSend_ = NextSequence(nextToSend_);
        Transmit(*packet);
        inFlight_.push_back(std::move(packet));
    }
}

void TMEEndpoint::Update()
{
    if (peer_ == nullptr)
        return;
    double now = clock_.Now();
    for (auto& packet : inFlight_) {
        if (now - packet->sentAt <= ResendAfter)
            continue;
        if (packet->tries < MaxTries)
            Transmit(*packet);
        else
            Drop(true);
        return;
    }
    MoveWindow();
    bool acknowledgementOwed = lastReceivedInOrder_ != lastAcknowledgementSent_;
    double quiet = now - lastSendTime_;
    if ((acknowledgementOwed && quiet > AcknowledgeWithin) || quiet > keepAliveInterval_)
        SendControl(false);
    else if (now - lastReceiveTime_ > SilenceLimit)
        Drop(true);
}

void TMEEndpoint::DropAcknowledged(std::uint8_t acknowledgement)
{
    // An acknowledgement of something never sent would free packets the
    // other side has not got: only a correct peer's are taken.
    if (Distance(acknowledgement, PreviousSequence(nextToSend_)) > 0)
        return;
    inFlight_.erase(std::remove_if(inFlight_.begin(), inFlight_.end(),
                                   [&](const std::unique_ptr<TMEPacket>& packet) {
                                       return Distance(packet->sequence, acknowledgement) <= 0;
                                   }),
                    inFlight_.end());
}

void TMEEndpoint::OnDatagram(void* user, const std::uint8_t* data, std::size_t length)
{
    static_cast<TMEEndpoint*>(user)->Receive(data, length);
}

void TMEEndpoint::Receive(const std::uint8_t* data, std::size_t length)
{
    if (length < 2)
        return;
    if (length - 2 > static_cast<std::size_t>(largestPayload_))
        return;
    auto packet = std::make_unique<TMEPacket>();
    packet->sequence = data[0];
    packet->acknowledgement = data[1];
    if (length > 2)
        packet->WriteBytes(data + 2, static_cast<std::int64_t>(length - 2));
    Accept(std::move(packet));
}

void TMEEndpoint::Accept(std::unique_ptr<TMEPacket> packet)
{
    if (packet->acknowledgement != 0)
        DropAcknowledged(packet->acknowledgement);
    if (packet->sequence == 0) {
        if (packet->DataLength() == 0)
            lastReceiveTime_ = clock_.Now();
        else if (packet->DataLength() == 1)
            Drop(true);
        return;
    }
    int ahead = Distance(packet->sequence, nextExpected_);
    if (ahead == 0) {
        if (lastReceivedInOrder_ == lastAcknowledgementSent_)
            lastSendTime_ = clock_.Now();
        while (packet != nullptr && peer_ != nullptr) {
            lastReceivedInOrder_ = packet->sequence;
            nextExpected_ = NextSequence(nextExpected_);
            packet->Rewind();
            Deliver(*packet);
            packet.reset();
            lastReceiveTime_ = clock_.Now();
            auto next = std::find_if(held_.begin(), held_.end(), [&](const std::unique_ptr<TMEPacket>& held) {
                return held->sequence == nextExpected_;
            });
            if (next != held_.end()) {
                packet = std::move(*next);
                held_.erase(next);
            }
        }
        return;
    }
    if (ahead < 0) {
        // A repeat: the other side lost our acknowledgement, so owe it again.
        if (Distance(packet->sequence, lastAcknowledgementSent_) <= 0)
            lastAcknowledgementSent_ = 0;
        return;
    }
    for (const auto& held : held_)
        if (held->sequence == packet->sequence)
            return;
    if (held_.size() < static_cast<std::size_t>(holdLimit_))
        held_.push_back(std::move(packet));
}
