#pragma once
// A controller session on a scripted line with the fake controller on COM1, connected by the real
// scan. Tests shape the controller's answers with two hooks: one sees every frame before the fake
// controller answers it (to change its live record, its error memory, ...), one may rewrite the
// answer.

#include "../support/FakeEcu.h"
#include "ControllerSession.h"
#include "ScriptedSerial.h"

#include <functional>
#include <vector>

namespace kelvane::test {

using Bytes = std::vector<std::uint8_t>;

struct QuietConnectionView : ConnectionView {
    void setCaption(const std::string &) override { }
    void showMessage(const std::string &) override { }
    void setProgress(int, int) override { }
    void showImage() override { }
};

class DiagBench {
public:
    ScriptedSerial line;
    FakeEcu ecu;
    ControllerSession s { line };
    const std::string dev = "/dev/ttyFAKE1";

    // Before the fake controller answers a frame sent at its speed.
    std::function<void(const Bytes &frame)> onFrame;
    // May change the answer (e.g. spoil a checksum).
    std::function<void(const Bytes &frame, std::vector<ScriptedSerial::Delivery> &answer)> rewrite;

    DiagBench()
    {
        s.ports.map(1, dev);
        // The procedures here are driven past runs of rejected replies (the adaptation's own
        // no-reply abort); the window calls such a run a lost link, which its own tests cover.
        s.polling.lossAfterRejections = 0;
        auto inner = ecu.responder();
        line.addDevice(dev, [this, inner](const Bytes &w, int baud) {
            if (baud == ecu.baud && w.size() == 6 && onFrame)
                onFrame(w);
            std::vector<ScriptedSerial::Delivery> out = inner(w, baud);
            if (rewrite && w.size() == 6)
                rewrite(w, out);
            return out;
        });
    }
    DiagBench(const DiagBench &) = delete;
    DiagBench &operator=(const DiagBench &) = delete;

    bool connect()
    {
        QuietConnectionView v;
        return s.connection.autoconnect(v).result == ScanResult::Found;
    }

    // One polling tick, then the 35 ms to the next.
    void tick(PollingView &view)
    {
        s.polling.tick(view);
        line.advance(PollIntervalMs);
    }

    // Frames written since the log was last cleared that start with these bytes.
    std::vector<Bytes> framesStartingWith(const Bytes &prefix) const
    {
        std::vector<Bytes> out;
        for (const auto &w : line.written()) {
            if (w.bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), w.bytes.begin()))
                out.push_back(w.bytes);
        }
        return out;
    }
    std::size_t errorBlockRequests() const { return framesStartingWith({ 0xAA, 0x02, 0x00 }).size(); }

    void setLive16(int offset, std::uint16_t v)
    {
        ecu.live[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(v & 0xFF);
        ecu.live[static_cast<std::size_t>(offset) + 1] = static_cast<std::uint8_t>(v >> 8);
    }
};

// A polling view that only counts decodes and forwards the adaptation hooks.
struct BenchView : PollingView {
    int decoded = 0;
    std::function<void()> afterDecode;
    std::function<bool()> adapting;
    std::function<void()> adapt;
    void showNotConnected() override { }
    // The window's order: the record's display, then the adaptation's step.
    void showDecoded(const DecodeResult &) override
    {
        ++decoded;
        if (afterDecode)
            afterDecode();
        if (adapting && adapting() && adapt)
            adapt();
    }
};

} // namespace kelvane::test
