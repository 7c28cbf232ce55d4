// The block, error-memory and greeting exchanges run for real over the scripted serial line.
// The device at the far end answers every frame with bytes from the input, cut into up to four
// deliveries that arrive at chosen times: early, inside the receive window or too late (left on
// the line for the next exchange). Input layout: FuzzInput.h.
//
// Invariants: a reply is accepted exactly when the reply rules hold for the received bytes; an
// accepted block lands reversed at its destination and nowhere else; a rejected block or
// error-memory half leaves the destination as it was.

#include "Commands.h"
#include "Frames.h"
#include "FuzzInput.h"
#include "Link.h"
#include "ParameterImage.h"
#include "PortMap.h"
#include "ScriptedSerial.h"

#include <array>
#include <cstring>

using namespace kelvane;
using namespace kelvane::fuzz;

namespace {

const char *const Device = "/fuzz/ttyECU";

// The answer to one frame, read from the input.
std::vector<ScriptedSerial::Delivery> answer(ByteReader &in, const std::vector<std::uint8_t> &frame)
{
    const std::uint8_t script = in.u8();
    const int count = 1 + (script & 3);
    std::vector<ScriptedSerial::Delivery> out(static_cast<std::size_t>(count));
    std::vector<std::size_t> lengths;
    for (auto &d : out) {
        d.afterMs = in.u8();
        lengths.push_back(in.u16() % (MaxDeliveryBytes + 1));
    }
    // The bytes come from the input only: deliveries end where it ends.
    std::size_t total = 0;
    for (std::size_t &n : lengths) {
        n = std::min(n, in.remaining() - total);
        total += n;
    }
    std::vector<std::uint8_t> reply = in.bytes(total);

    if (script & ScriptRepair) {
        if (frame.size() == 6 && frame[0] == 0x01 && total >= 5) {
            reply[0] = 'I';
            reply[4] = 0xF0;
        } else if (frame.size() == 6 && frame[0] == 0xAA && total >= 132) {
            reply[0] = 'H';
            reply[1] = frame[1]; // the block type asked for
            reply[130] = sumSeeded(reply.data() + 2, 128);
            reply[131] = 0xF0;
        }
    }
    std::size_t at = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i].bytes.assign(reply.begin() + static_cast<std::ptrdiff_t>(at),
            reply.begin() + static_cast<std::ptrdiff_t>(at + lengths[i]));
        at += lengths[i];
    }
    return out;
}

std::array<std::uint8_t, ImageSize> pattern()
{
    std::array<std::uint8_t, ImageSize> p {};
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ByteReader in(data, size);
    ScriptedSerial line;
    PortMap ports;
    ports.map(1, Device);
    LinkState state;
    state.BaudFlag = (in.u8() & 1) ? 1 : 0;
    SerialLink link(line, ports, state);
    Commands commands(link);

    // The second error-memory frame goes out after the first half was received: keep what the
    // first half left in the receive buffer.
    std::array<std::uint8_t, RxBufferSize> firstHalfRx {};
    bool firstHalfComplete = false;
    line.addDevice(Device, [&](const std::vector<std::uint8_t> &written, int) {
        if (written.size() == 6 && written[0] == 0xAA && written[1] == 2 && written[2] == 0x80) {
            firstHalfRx = state.RxBuffer;
            firstHalfComplete = state.ReplyComplete == 1;
        }
        return answer(in, written);
    });
    check(link.OpenComPort(), "the scripted port opens");

    std::array<std::uint8_t, ImageSize> image = pattern();
    std::array<std::uint8_t, 256> errors {};
    for (std::size_t i = 0; i < errors.size(); ++i)
        errors[i] = static_cast<std::uint8_t>(0xC5 ^ i);

    for (int n = 0; n < MaxExchanges && !in.atEnd(); ++n) {
        switch (in.u8() % 3) {
        case ExGreeting: {
            commands.SendHello();
            const bool complete = link.ReceiveReply(GreetingLength);
            KELVANE_FUZZ_TRACE("greeting: %u bytes received, %s\n", state.RxTotal,
                greetingValid(state.RxBuffer.data(), complete) ? "accepted" : "rejected");
            check(complete == (state.ReplyComplete == 1), "ReceiveReply result is ReplyComplete");
            check(greetingValid(state.RxBuffer.data(), complete) == refGreetingOk(state.RxBuffer.data(), complete),
                "greeting accepted against the rules");
            break;
        }
        case ExImageBlock: {
            const int address = in.u16() % ImageSize;
            const std::size_t capacity = static_cast<std::size_t>(ImageSize - address);
            const auto before = image;
            const bool accepted = commands.ReadImageBlock(address, image.data() + address, capacity);
            const std::uint8_t *rx = state.RxBuffer.data();
            KELVANE_FUZZ_TRACE(
                "image block %d: %u bytes received, %s\n", address, state.RxTotal, accepted ? "accepted" : "rejected");
            check(accepted == refBlockOk(rx, state.ReplyComplete == 1, BlockTypeImage),
                "image block accepted against the rules");
            const std::size_t stored = accepted ? std::min<std::size_t>(BlockDataLength, capacity) : 0;
            for (std::size_t i = 0; i < image.size(); ++i) {
                const std::size_t a = static_cast<std::size_t>(address);
                if (i >= a && i < a + stored)
                    check(image[i] == rx[129 - (i - a)], "accepted block byte k is reply byte 129 - k");
                else
                    check(image[i] == before[i], "image byte changed outside an accepted block");
            }
            break;
        }
        case ExErrorMemory: {
            const auto before = errors;
            std::memset(firstHalfRx.data(), 0, firstHalfRx.size());
            firstHalfComplete = false;
            commands.ReadErrorBlocks(errors.data());
            const std::uint8_t *halves[2] = { firstHalfRx.data(), state.RxBuffer.data() };
            const bool complete[2] = { firstHalfComplete, state.ReplyComplete == 1 };
            for (std::size_t h = 0; h < 2; ++h) {
                const bool ok = refBlockOk(halves[h], complete[h], BlockTypeErrors);
                KELVANE_FUZZ_TRACE("error memory half %zu: %s\n", h + 1, ok ? "accepted" : "rejected");
                for (std::size_t k = 0; k < 128; ++k) {
                    const std::uint8_t expected = ok ? halves[h][129 - k] : before[128 * h + k];
                    check(errors[128 * h + k] == expected,
                        ok ? "accepted error-memory half not stored reversed"
                           : "rejected error-memory half changed the destination");
                }
            }
            break;
        }
        }
    }
    link.CloseComPort(state.ComHandle);
    return 0;
}
