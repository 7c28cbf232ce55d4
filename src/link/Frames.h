#pragma once
// Command frames and reply validation. Every frame is 6 bytes: command,
// sub-code or low address, data high, data low, checksum, 0xF0.

#include "Protocol.h"

#include <array>
#include <cstddef>
#include <cstdint>

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

// A block reply in rx (at least 132 bytes) is good: complete, "H", the expected type, checksum, end byte.
bool blockReplyValid(const std::uint8_t *rx, bool complete, std::uint8_t expectedType);
// A live reply in rx (at least 196 bytes) is good: complete, "V", 0x05, checksum, end byte.
bool liveReplyValid(const std::uint8_t *rx, bool complete);
// A greeting in rx (at least 5 bytes) is good: complete, "I", end byte.
bool greetingValid(const std::uint8_t *rx, bool complete);

// The payload arrives highest address first; store it reversed.
void storeReversed(const std::uint8_t *payload, std::size_t count, std::uint8_t *dest, std::size_t destCapacity);

} // namespace kelvane
