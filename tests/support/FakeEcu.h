#pragma once
// A scripted controller for unit tests on the ScriptedSerial line: answers the
// greeting, image and error block reads and live requests from the controller's side; with
// applyWrites it also stores image byte and word writes and counts commits.

#include "Frames.h"
#include "ScriptedSerial.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace kelvane::test {

struct FakeEcu {
    int baud = 57600;
    std::uint8_t hw = 2, sw = 3, greetingByte3 = 0;
    std::array<std::uint8_t, 768> image {};
    std::array<std::uint8_t, 256> errors {};
    std::array<std::uint8_t, 192> live {};
    double replyDelayMs = 1.0;
    int corruptBlockAddress = -1; // block whose checksum is sent off by one
    std::vector<int> corruptBlocks; // more such blocks
    int answerLive = 1; // 0: ignore live requests
    bool applyWrites = false; // store image writes into `image`
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
            using proto::Command;
            using proto::Request;
            const bool request = w[0] == proto::code(Command::Request);
            if (w[0] == proto::code(Command::Hello))
                return { { replyDelayMs, { proto::GreetingHeader, hw, sw, greetingByte3, proto::FrameEnd } } };
            if (request && w[1] == proto::code(Request::ImageBlock)) {
                const int address = (w[2] << 8) | w[3];
                std::array<std::uint8_t, 128> data {};
                for (int k = 0; k < 128 && address + k < 768; ++k)
                    data[static_cast<std::size_t>(k)] = image[static_cast<std::size_t>(address + k)];
                const bool corrupt = address == corruptBlockAddress
                    || std::find(corruptBlocks.begin(), corruptBlocks.end(), address) != corruptBlocks.end();
                return { { replyDelayMs, blockReply(1, data.data(), corrupt) } };
            }
            if (request && w[1] == proto::code(Request::ErrorBlock)) {
                const int half = w[2] == proto::ErrorSecondHalf ? 128 : 0;
                return { { replyDelayMs, blockReply(2, errors.data() + half) } };
            }
            if (request && w[1] == proto::code(Request::Live) && answerLive)
                return { { replyDelayMs, liveReply(live) } };
            if (w[0] == proto::code(Command::Commit))
                ++commits;
            const auto write = parseWriteFrame(w);
            if (applyWrites && write && write->offset() + (write->word ? 1 : 0) < static_cast<int>(image.size())) {
                const auto at = static_cast<std::size_t>(write->offset());
                image[at] = static_cast<std::uint8_t>(write->value & 0xFF);
                if (write->word)
                    image[at + 1] = static_cast<std::uint8_t>(write->value >> 8);
            }
            return {};
        };
    }
};

} // namespace kelvane::test
