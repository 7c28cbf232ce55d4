#include "ScriptedSerial.h"

#include "PortAccess.h"

#include <algorithm>

namespace kelvane {

void ScriptedSerial::addDevice(const std::string &device, Responder responder)
{
    m_devices[device].responder = std::move(responder);
}

void ScriptedSerial::removeDevice(const std::string &device)
{
    m_devices.erase(device);
}

void ScriptedSerial::hangUp(const std::string &device)
{
    for (auto &[h, o] : m_open)
        if (o.device == device) {
            o.lost = true;
            o.rx.clear();
        }
    m_devices.erase(device);
}

bool ScriptedSerial::lost(PortHandle h) const
{
    const auto it = m_open.find(h);
    return it != m_open.end() && it->second.lost;
}

ScriptedSerial::Open *ScriptedSerial::find(PortHandle h)
{
    auto it = m_open.find(h);
    return it == m_open.end() ? nullptr : &it->second;
}

void ScriptedSerial::enqueue(Open &o, double atMs, const std::vector<std::uint8_t> &bytes)
{
    // The queue stays ordered by time; bytes due at the same time keep the order they were given
    // in, after those already waiting for that time.
    const auto at
        = std::upper_bound(o.rx.begin(), o.rx.end(), atMs, [](double t, const Pending &p) { return t < p.atMs; });
    std::vector<Pending> add;
    add.reserve(bytes.size());
    for (std::uint8_t b : bytes)
        add.push_back({ atMs, b });
    o.rx.insert(at, add.begin(), add.end());
}

void ScriptedSerial::deliverAt(const std::string &device, double atMs, std::vector<std::uint8_t> bytes)
{
    auto dev = m_devices.find(device);
    if (dev == m_devices.end())
        return;
    if (Open *o = find(dev->second.openHandle))
        enqueue(*o, atMs, bytes);
}

int ScriptedSerial::openHandles() const
{
    return static_cast<int>(m_open.size());
}

int ScriptedSerial::lastBaud(const std::string &device) const
{
    auto it = m_devices.find(device);
    return it == m_devices.end() ? 0 : it->second.baud;
}

void ScriptedSerial::clearLog()
{
    m_written.clear();
    m_rts.clear();
    m_openAttempts.clear();
}

std::string ScriptedSerial::accessProblem(const std::string &device) const
{
    const auto it = m_devices.find(device);
    if (it == m_devices.end() || it->second.deniedGroup.empty())
        return {};
    return permissionAdvice(device, it->second.deniedGroup);
}

PortHandle ScriptedSerial::open(const std::string &device)
{
    m_openAttempts.push_back(device);
    auto it = m_devices.find(device);
    if (it == m_devices.end() || it->second.openHandle != InvalidHandle || !it->second.deniedGroup.empty())
        return InvalidHandle; // missing, already open (exclusive) or not the user's to open
    PortHandle h = m_nextHandle++;
    it->second.openHandle = h;
    m_open[h].device = device;
    return h;
}

bool ScriptedSerial::configure(PortHandle h, const LineSettings &settings)
{
    Open *o = find(h);
    if (!o || m_devices[o->device].refuseSettings)
        return false;
    m_devices[o->device].baud = settings.baud;
    return true;
}

void ScriptedSerial::setRts(PortHandle h, bool on)
{
    if (Open *o = find(h)) {
        o->rts = on;
        m_rts.push_back({ m_now, on });
    }
}

void ScriptedSerial::waitTransmitEmpty(PortHandle h)
{
    if (Open *o = find(h))
        m_now = std::max(m_now, o->txBusyUntil);
}

void ScriptedSerial::flushOutput(PortHandle h)
{
    waitTransmitEmpty(h);
}

std::uint32_t ScriptedSerial::queuedBytes(PortHandle h)
{
    Open *o = find(h);
    if (!o)
        return 0;
    std::uint32_t n = 0;
    for (const Pending &p : o->rx) {
        if (p.atMs > m_now)
            break;
        ++n;
    }
    return n;
}

std::uint32_t ScriptedSerial::read(PortHandle h, std::uint8_t *buf, std::uint32_t max)
{
    Open *o = find(h);
    if (!o)
        return 0;
    std::uint32_t n = 0;
    while (n < max && !o->rx.empty() && o->rx.front().atMs <= m_now) {
        buf[n++] = o->rx.front().byte;
        o->rx.pop_front();
    }
    return n;
}

bool ScriptedSerial::write(PortHandle h, const std::uint8_t *buf, std::uint32_t count)
{
    Open *o = find(h);
    if (!o || o->lost || m_writesLeft == 0)
        return false;
    if (m_writesLeft > 0)
        --m_writesLeft;
    Device &dev = m_devices[o->device];
    // 10 bit times per byte on the wire.
    double wireMs = count * 10.0 * 1000.0 / dev.baud;
    Written w { m_now, m_now + wireMs, o->device, dev.baud, std::vector<std::uint8_t>(buf, buf + count), o->rts };
    o->txBusyUntil = w.doneMs;
    m_written.push_back(w);
    if (dev.responder) {
        for (const Delivery &d : dev.responder(w.bytes, dev.baud))
            enqueue(*o, w.doneMs + d.afterMs, d.bytes);
    }
    return true;
}

void ScriptedSerial::close(PortHandle h)
{
    auto it = m_open.find(h);
    if (it == m_open.end())
        return;
    auto dev = m_devices.find(it->second.device);
    if (dev != m_devices.end() && dev->second.openHandle == h)
        dev->second.openHandle = InvalidHandle;
    m_open.erase(it);
}

} // namespace kelvane
