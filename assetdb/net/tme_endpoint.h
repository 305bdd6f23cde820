// TMEPacket and TMEEndpoint: ordered, acknowledged messages over one UDP peer, resent until acknowledged.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "assetdb/net/udp_socket.h"
#include "foundation/base/seconds_clock.h"
#include "foundation/streams/t_buffer.h"

// One message: its payload is the buffer's data.
class TMEPacket : public TBuffer {
public:
    std::uint8_t sequence = 0;
    std::uint8_t acknowledgement = 0;
    std::uint8_t tries = 0;
    double sentAt = 0.0;
};

// Datagram: sequence byte (1-255, 0 for a control packet), acknowledgement
// byte (last sequence received in order, 0 before any), payload. A control
// packet with an empty payload is a keep-alive, with one byte a goodbye.
// Sequence numbers skip 0 and compare by their difference as a signed byte.
class TMEEndpoint {
public:
    static constexpr std::size_t WindowSize = 60;
    static constexpr std::size_t QueueLimit = 1000;
    static constexpr double ResendAfter = 10.0;
    static constexpr int MaxTries = 5;
    static constexpr double AcknowledgeWithin = 1.0;
    static constexpr double SilenceLimit = 600.0;

    explicit TMEEndpoint(SecondsClock& clock = ApplicationSecondsClock());
    // Says goodbye when attached and frees every packet it holds, the
    // queued ones included.
    virtual ~TMEEndpoint();
    TMEEndpoint(const TMEEndpoint&) = delete;
    TMEEndpoint& operator=(const TMEEndpoint&) = delete;

    // Starts a fresh channel over the peer (a previous one gets a goodbye);
    // packets still queued stay queued.
    void Attach(UDPPeer& peer);
    // Goodbye when attached, then detached; the held and in-flight packets go.
    void Close();
    // Queues the packet and takes it over; false (the packet stays the
    // caller's) when detached or when more than 1000 are queued.
    bool Send(std::unique_ptr<TMEPacket>& packet);
    // Resends, moves the window, keeps alive, drops a silent peer.
    virtual void Update();

    bool IsAttached() const { return peer_ != nullptr; }
    std::size_t InFlightCount() const { return inFlight_.size(); }
    std::size_t QueuedCount() const { return queue_.size(); }
    std::size_t HeldCount() const { return held_.size(); }
    double KeepAliveInterval() const { return keepAliveInterval_; }
    void SetKeepAliveInterval(double seconds) { keepAliveInterval_ = seconds; }

protected:
    // The owner's handler for each payload received in order (read position
    // at its start); the packet is freed after the call.
    virtual void Deliver(TMEPacket& packet) = 0;
    // Every attach and detach calls it.
    virtual void Reset() {}
    // Frees every in-flight packet up to and including the acknowledged one.
    void DropAcknowledged(std::uint8_t acknowledgement);

    SecondsClock& clock_;

private:
    static void OnDatagram(void* user, const std::uint8_t* data, std::size_t length);
    void Receive(const std::uint8_t* data, std::size_t length);
    void Accept(std::unique_ptr<TMEPacket> packet);
    void Transmit(TMEPacket& packet);
    void SendControl(bool goodbye);
    void MoveWindow();
    // Goodbye (when asked) and the peer's callback cleared.
    void Detach(bool sayGoodbye);
    // Detach, free held and in-flight packets, Reset.
    void Drop(bool sayGoodbye);

    double keepAliveInterval_ = 120.0;
    std::uint8_t nextToSend_ = 1;
    std::uint8_t nextExpected_ = 1;
    std::uint8_t lastReceivedInOrder_ = 0;
    std::uint8_t lastAcknowledgementSent_ = 0;
    double lastSendTime_ = 0.0;
    double lastReceiveTime_ = 0.0;
    std::vector<std::unique_ptr<TMEPacket>> held_;
    std::deque<std::unique_ptr<TMEPacket>> inFlight_;
    std::deque<std::unique_ptr<TMEPacket>> queue_;
    UDPPeer* peer_ = nullptr;
    std::int32_t largestPayload_ = 0x8000;
    std::int32_t holdLimit_ = 100;
    // Reused for every datagram sent: no allocation per send.
    std::vector<std::uint8_t> datagram_;
};
