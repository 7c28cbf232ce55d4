#pragma once
// The controller of the unit tests on the ScriptedSerial line: the simulator's controller answers
// every frame (greeting, image blocks, writes, commands), and the test shapes what goes back around
// it: the live record and the error memory as raw bytes, spoilt checksums, live requests left
// unanswered, writes kept out of `image`.

#include "Frames.h"
#include "ScriptedSerial.h"
#include "Simulator.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace kelvane::test {

struct FakeEcu {
    int baud = 57600;
    std::uint8_t hw = 2, sw = 3, greetingByte3 = 0;
    std::array<std::uint8_t, 768> image {}; // the controller's memory; the test may change it at any time
    std::array<std::uint8_t, 256> errors {}; // sent as the error memory instead of the controller's faults
    std::array<std::uint8_t, 192> live {}; // sent as the live record instead of the engine's
    double replyDelayMs = 1.0;
    int corruptBlockAddress = -1; // block whose checksum is sent off by one
    std::vector<int> corruptBlocks; // more such blocks
    int answerLive = 1; // 0: ignore live requests
    bool applyWrites = false; // keep image writes in `image` (otherwise the next frame finds it as it was)
    int commits = 0; // commit frames received
    std::vector<std::vector<std::uint8_t>> frames; // every frame received at the right speed

    static std::vector<std::uint8_t> blockReply(std::uint8_t type, const std::uint8_t *data128, bool corrupt = false)
    {
        std::vector<std::uint8_t> r { proto::BlockHeader, type };
        for (int k = 127; k >= 0; --k) // highest address first
            r.push_back(data128[k]);
        std::uint8_t sum = replyChecksum(r.data() + 2, 128);
        r.push_back(static_cast<std::uint8_t>(corrupt ? sum + 1 : sum));
        r.push_back(proto::FrameEnd);
        return r;
    }

    static std::vector<std::uint8_t> liveReply(const std::array<std::uint8_t, 192> &record)
    {
        std::vector<std::uint8_t> r { proto::LiveHeader, proto::LiveType };
        for (int k = 191; k >= 0; --k)
            r.push_back(record[static_cast<std::size_t>(k)]);
        r.push_back(replyChecksum(r.data() + 2, 192));
        r.push_back(proto::FrameEnd);
        return r;
    }

    ScriptedSerial::Responder responder()
    {
        return [this](const std::vector<std::uint8_t> &w, int lineBaud) -> std::vector<ScriptedSerial::Delivery> {
            if (lineBaud != baud || w.size() != 6)
                return {};
            frames.push_back(w);
            std::vector<std::uint8_t> reply = controllerAnswer(w);
            using proto::Command;
            using proto::Request;
            const bool request = w[0] == proto::code(Command::Request);
            if (w[0] == proto::code(Command::Hello) && reply.size() == GreetingLength)
                reply[3] = greetingByte3;
            if (request && w[1] == proto::code(Request::ImageBlock) && reply.size() == BlockReplyLength) {
                const int address = (w[2] << 8) | w[3];
                if (address == corruptBlockAddress
                    || std::find(corruptBlocks.begin(), corruptBlocks.end(), address) != corruptBlocks.end())
                    ++reply[BlockReplyLength - 2];
            }
            if (request && w[1] == proto::code(Request::ErrorBlock))
                reply = blockReply(BlockTypeErrors, errors.data() + (w[2] == proto::ErrorSecondHalf ? 128 : 0));
            if (request && w[1] == proto::code(Request::Live))
                reply = answerLive ? liveReply(live) : std::vector<std::uint8_t> {};
            if (reply.empty())
                return {};
            return { { replyDelayMs, std::move(reply) } };
        };
    }

private:
    // The simulator's controller takes the frame as it stands in `image` and answers it; what it
    // wrote into its memory stays there only with applyWrites.
    std::vector<std::uint8_t> controllerAnswer(const std::vector<std::uint8_t> &w)
    {
        sim::SimOptions options;
        options.baud = baud;
        options.hw = hw;
        options.sw = sw;
        if (!m_controller || m_controller->options().hw != hw || m_controller->options().sw != sw
            || m_controller->options().baud != baud)
            m_controller = std::make_shared<sim::Controller>(options, image);
        m_controller->setImage(image);
        m_controller->resetInput();
        const int committed = m_controller->counters().commits;
        std::vector<std::uint8_t> reply = m_controller->receive(w.data(), w.size(), 0);
        commits += m_controller->counters().commits - committed;
        if (applyWrites)
            image = m_controller->image();
        return reply;
    }

    std::shared_ptr<sim::Controller> m_controller; // shared by copies: a test copies its fixture whole
};

} // namespace kelvane::test
