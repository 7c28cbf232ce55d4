#pragma once
// Command frames and reply validation. Every frame is 6 bytes: command,
// sub-code or low address, data high, data low, checksum, 0xF0.

#include "Protocol.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kelvane {

using proto::ChecksumSeed;
using proto::FrameEnd;

constexpr std::uint32_t GreetingLength = 5;
constexpr std::uint32_t BlockReplyLength = 132;
constexpr std::uint32_t LiveReplyLength = 196;
constexpr std::size_t BlockDataLength = 128;
constexpr std::size_t LiveDataLength = 192;

constexpr std::uint8_t BlockTypeImage = proto::code(proto::Request::ImageBlock);
constexpr std::uint8_t BlockTypeErrors = proto::code(proto::Request::ErrorBlock);

using CommandFrame = std::array<std::uint8_t, 6>;

CommandFrame makeFrame(std::uint8_t cmd, std::uint8_t sub, std::uint8_t hi, std::uint8_t lo);
// 0xAA plus the sum of the data bytes, modulo 256.
std::uint8_t replyChecksum(const std::uint8_t *data, std::size_t count);

// Frames of the image writes: byte at offset N, word with index W.
CommandFrame imageByteFrame(int offset, std::uint8_t value);
CommandFrame imageWordFrame(int wordIndex, std::uint16_t value);

// Reading the frames the PC sends, on the controller's side (the simulator, the test stand-ins
// and the tests that check what went out).

// The checksum and the end byte of a 6-byte command frame are right.
bool commandFrameValid(const std::uint8_t *frame);

// A write into the configuration memory, as one frame carries it.
struct WriteFrame {
    bool word = false; // word write: `index` counts words, the value lands low byte first
    int index = 0; // byte offset, or word index
    std::uint16_t value = 0; // the byte (0-255) or the word

    int offset() const { return word ? 2 * index : index; } // first byte it changes
    bool operator==(const WriteFrame &o) const { return word == o.word && index == o.index && value == o.value; }
    bool operator!=(const WriteFrame &o) const { return !(*this == o); }
};
// The image write in a command frame (byte writes 0xC1-0xCF, word writes 0xD1-0xDF, the high
// address bits in the low nibble); nothing for any other frame or a frame not 6 bytes long. The
// checksum is not looked at (commandFrameValid does that).
std::optional<WriteFrame> parseWriteFrame(const std::uint8_t *frame, std::size_t size);
std::optional<WriteFrame> parseWriteFrame(const std::vector<std::uint8_t> &frame);
// The write frames among frames, in order; other frames are left out.
std::vector<WriteFrame> writeFramesIn(const std::vector<std::vector<std::uint8_t>> &frames);

// A block reply in rx (at least 132 bytes) is good: complete, "H", the expected type, checksum, end byte.
bool blockReplyValid(const std::uint8_t *rx, bool complete, std::uint8_t expectedType);
// A live reply in rx (at least 196 bytes) is good: complete, "V", 0x05, checksum, end byte.
bool liveReplyValid(const std::uint8_t *rx, bool complete);
// A greeting in rx (at least 5 bytes) is good: complete, "I", end byte.
bool greetingValid(const std::uint8_t *rx, bool complete);

// The payload arrives highest address first; store it reversed.
void storeReversed(const std::uint8_t *payload, std::size_t count, std::uint8_t *dest, std::size_t destCapacity);

} // namespace kelvane
