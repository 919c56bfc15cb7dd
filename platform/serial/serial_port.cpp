// The port's calls: each goes to the system's device or to the network endpoint the port has
// open. A URL opens the network backend; any other path the OS backend.
#include "platform/serial/network_endpoint.h"
#include "platform/serial/network_port.h"
#include "platform/serial/serial_port.h"

namespace serial {

Error Port::Open(const std::string& path) {
    Close();
    if (!IsNetworkUrl(path))
        return OpenDevice(path);
    if (Error e = NetworkPort::Open(path, m_network))
        return e;
    m_timeouts = Timeouts{};
    m_eventMask = 0;
    m_eventChar = 0;
    m_rts = RtsControl::Disable;
    return {};
}

void Port::Close() {
    m_network.reset();
    CloseDevice();
}

Error Port::SetTimeouts(const Timeouts& timeouts) {
    if (!m_network)
        return DeviceSetTimeouts(timeouts);
    m_timeouts = timeouts;
    return {};
}

Error Port::SetEventMask(std::uint32_t mask) {
    if (!m_network)
        return DeviceSetEventMask(mask);
    m_eventMask = mask;
    return {};
}

Error Port::GetState(PortState& state) const {
    return m_network ? m_network->GetState(state) : DeviceGetState(state);
}

Error Port::SetState(const PortState& state) {
    if (!m_network)
        return DeviceSetState(state);
    if (Error e = m_network->SetState(state))
        return e;
    m_eventChar = state.eventChar;
    m_rts = state.rts;
    return {};
}

Error Port::Purge() {
    return m_network ? m_network->Purge() : DevicePurge();
}

Error Port::InputQueueCount(std::size_t& count) const {
    return m_network ? m_network->InputQueueCount(count) : DeviceInputQueueCount(count);
}

Error Port::ReadByte(std::uint8_t& byte, bool& got) {
    if (!m_network)
        return DeviceReadByte(byte, got);
    return m_network->ReadByte(byte, got, m_timeouts);
}

Error Port::Write(const std::uint8_t* data, std::size_t count, const Event* abort) {
    if (!m_network)
        return DeviceWrite(data, count, abort);
    return m_network->Write(data, count, m_timeouts, abort);
}

} // namespace serial
