#include "Frames.h"

namespace kelvane {

CommandFrame makeFrame(std::uint8_t cmd, std::uint8_t sub, std::uint8_t hi, std::uint8_t lo)
{
    CommandFrame f { cmd, sub, hi, lo, 0, FrameEnd };
    f[4] = static_cast<std::uint8_t>(cmd + sub + hi + lo + ChecksumSeed);
    return f;
}

std::uint8_t replyChecksum(const std::uint8_t *data, std::size_t count)
{
    std::uint8_t sum = ChecksumSeed;
    for (std::size_t i = 0; i < count; ++i)
        sum = static_cast<std::uint8_t>(sum + data[i]);
    return sum;
}

CommandFrame imageByteFrame(int offset, std::uint8_t value)
{
    return makeFrame(static_cast<std::uint8_t>(proto::code(proto::Command::ImageByteBase) + ((offset >> 8) & 0x0F)),
        static_cast<std::uint8_t>(offset & 0xFF), 0, value);
}

CommandFrame imageWordFrame(int wordIndex, std::uint16_t value)
{
    return makeFrame(static_cast<std::uint8_t>(proto::code(proto::Command::ImageWordBase) + ((wordIndex >> 8) & 0x0F)),
        static_cast<std::uint8_t>(wordIndex & 0xFF), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value & 0xFF));
}

bool commandFrameValid(const std::uint8_t *frame)
{
    return frame[5] == FrameEnd
        && frame[4] == static_cast<std::uint8_t>(frame[0] + frame[1] + frame[2] + frame[3] + ChecksumSeed);
}

std::optional<WriteFrame> parseWriteFrame(const std::uint8_t *frame, std::size_t size)
{
    if (size != 6)
        return std::nullopt;
    // Fifteen codes each: the nibble that would make 0xD0 belongs to the next command range.
    constexpr int HighAddressCodes = 15;
    const int cmd = frame[0];
    const int byteBase = proto::code(proto::Command::ImageByteBase);
    const int wordBase = proto::code(proto::Command::ImageWordBase);
    WriteFrame w;
    if (cmd >= byteBase && cmd < byteBase + HighAddressCodes) {
        w.index = ((cmd - byteBase) << 8) | frame[1];
        w.value = frame[3];
    } else if (cmd >= wordBase && cmd < wordBase + HighAddressCodes) {
        w.word = true;
        w.index = ((cmd - wordBase) << 8) | frame[1];
        w.value = static_cast<std::uint16_t>((frame[2] << 8) | frame[3]); // high byte first on the wire
    } else {
        return std::nullopt;
    }
    return w;
}

std::optional<WriteFrame> parseWriteFrame(const std::vector<std::uint8_t> &frame)
{
    return parseWriteFrame(frame.data(), frame.size());
}

std::vector<WriteFrame> writeFramesIn(const std::vector<std::vector<std::uint8_t>> &frames)
{
    std::vector<WriteFrame> out;
    for (const auto &f : frames) {
        if (const auto w = parseWriteFrame(f))
            out.push_back(*w);
    }
    return out;
}

bool blockReplyValid(const std::uint8_t *rx, bool complete, std::uint8_t expectedType)
{
    return complete && rx[0] == proto::BlockHeader && rx[1] == expectedType && rx[131] == FrameEnd
        && rx[130] == replyChecksum(rx + 2, BlockDataLength);
}

bool liveReplyValid(const std::uint8_t *rx, bool complete)
{
    return complete && rx[0] == proto::LiveHeader && rx[1] == proto::LiveType && rx[195] == FrameEnd
        && rx[194] == replyChecksum(rx + 2, LiveDataLength);
}

bool greetingValid(const std::uint8_t *rx, bool complete)
{
    return complete && rx[0] == proto::GreetingHeader && rx[4] == FrameEnd;
}

void storeReversed(const std::uint8_t *payload, std::size_t count, std::uint8_t *dest, std::size_t destCapacity)
{
    for (std::size_t k = 0; k < count && k < destCapacity; ++k)
        dest[k] = payload[count - 1 - k];
}

} // namespace kelvane
