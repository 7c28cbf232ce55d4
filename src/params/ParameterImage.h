#pragma once
// The PC's copy of the controller's configuration memory: 768 bytes,
// 384 little-endian words, addressed by byte offset or word index.

#include <array>
#include <cstdint>

namespace kelvane {

constexpr int ImageSize = 768;
constexpr int ImageWordCount = ImageSize / 2;
using ImageBytes = std::array<std::uint8_t, ImageSize>;

// Milliseconds per injection tick and seconds per speed tick. The link speed marks the controller's
// clock: one found at 38400 baud counts in other ticks than one found at 57600.
struct TimeBases {
    float InjTickMsA = 0.0044f;
    float InjTickMsB = 0.0044f;
    float RpmTickSec = 4.34e-6f;
};
// baudFlag 1: 38400 baud; anything else: 57600 baud.
TimeBases timeBasesFor(std::uint8_t baudFlag);

// Image locations that more than one part of the program reads (the field table holds the rest).
namespace img {
constexpr int RpmSet = 125; // engine type: cylinders and strokes
constexpr int RpmSignal = 545; // bits 0-1: the source of the engine-speed signal
constexpr int RpmAxisWord = 245; // 8 speed periods, the main map's columns
constexpr int InjTimeAxisWord = 253; // 16 injection times, the main map's rows (15 bound the bands)
} // namespace img

struct ParameterImage {
    ImageBytes bytes {};

    std::uint8_t byte(int offset) const { return bytes[static_cast<std::size_t>(offset)]; }
    std::int8_t sbyte(int offset) const { return static_cast<std::int8_t>(bytes[static_cast<std::size_t>(offset)]); }
    std::uint16_t word(int offset) const
    {
        return static_cast<std::uint16_t>(
            bytes[static_cast<std::size_t>(offset)] | (bytes[static_cast<std::size_t>(offset) + 1] << 8));
    }
    std::int16_t sword(int offset) const { return static_cast<std::int16_t>(word(offset)); }
    std::uint32_t dword(int offset) const
    {
        return static_cast<std::uint32_t>(word(offset)) | (static_cast<std::uint32_t>(word(offset + 2)) << 16);
    }
    std::uint16_t wordAt(int index) const { return word(2 * index); }
    bool bit(int offset, int bitNo) const { return (byte(offset) >> bitNo) & 1; }
    // Value of a group of bits starting at bitNo.
    unsigned bits(int offset, int bitNo, int count) const { return (byte(offset) >> bitNo) & ((1u << count) - 1); }

    void setByte(int offset, std::uint8_t v) { bytes[static_cast<std::size_t>(offset)] = v; }
    void setWord(int offset, std::uint16_t v)
    {
        bytes[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(v & 0xFF);
        bytes[static_cast<std::size_t>(offset) + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void setWordAt(int index, std::uint16_t v) { setWord(2 * index, v); }
    void setDword(int offset, std::uint32_t v)
    {
        setWord(offset, static_cast<std::uint16_t>(v & 0xFFFF));
        setWord(offset + 2, static_cast<std::uint16_t>(v >> 16));
    }
    void setBit(int offset, int bitNo, bool on)
    {
        std::uint8_t b = byte(offset);
        b = on ? static_cast<std::uint8_t>(b | (1u << bitNo)) : static_cast<std::uint8_t>(b & ~(1u << bitNo));
        setByte(offset, b);
    }
    void setBits(int offset, int bitNo, int count, unsigned value)
    {
        const unsigned mask = ((1u << count) - 1) << bitNo;
        setByte(offset, static_cast<std::uint8_t>((byte(offset) & ~mask) | ((value << bitNo) & mask)));
    }
};

} // namespace kelvane
