#pragma once
// What the fuzz targets and the seed generator share: a reader that takes a fuzz input
// front to back, the layout of each target's input, and the checks the targets use as
// their reference (written out here once more, independently of the code under test).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kelvane::fuzz {

// Reads front to back; past the end every read gives zeros, so any input is a valid one.
class ByteReader {
public:
    ByteReader(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    std::size_t remaining() const { return m_size - m_pos; }
    bool atEnd() const { return m_pos >= m_size; }

    std::uint8_t u8() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    // Little-endian.
    std::uint16_t u16()
    {
        const std::uint8_t lo = u8();
        return static_cast<std::uint16_t>(lo | (u8() << 8));
    }
    // Exactly n bytes: the input's next n, padded with zeros where it ends.
    std::vector<std::uint8_t> bytes(std::size_t n)
    {
        std::vector<std::uint8_t> out(n, 0);
        const std::size_t take = std::min(n, remaining());
        std::copy(m_data + m_pos, m_data + m_pos + take, out.begin());
        m_pos += take;
        return out;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A broken invariant: say which, then abort so that libFuzzer keeps the input as a crash.
[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}
inline void check(bool ok, const char *what)
{
    if (!ok)
        fail(what);
}

// With KELVANE_FUZZ_TRACE set, the targets say what each step of an input did (for reading a
// crash input or checking a seed; leave it unset while fuzzing).
inline bool tracing()
{
    static const bool on = std::getenv("KELVANE_FUZZ_TRACE") != nullptr;
    return on;
}
#define KELVANE_FUZZ_TRACE(...)                                                                                        \
    do {                                                                                                               \
        if (kelvane::fuzz::tracing())                                                                                  \
            std::fprintf(stderr, __VA_ARGS__);                                                                         \
    } while (0)

// The reply rules, written out independently of Frames.cpp.
inline std::uint8_t sumSeeded(const std::uint8_t *p, std::size_t n)
{
    unsigned s = 0xAA;
    for (std::size_t i = 0; i < n; ++i)
        s += p[i];
    return static_cast<std::uint8_t>(s & 0xFF);
}
inline bool refLiveOk(const std::uint8_t *rx, bool complete)
{
    return complete && rx[0] == 'V' && rx[1] == 0x05 && rx[195] == 0xF0 && rx[194] == sumSeeded(rx + 2, 192);
}
inline bool refBlockOk(const std::uint8_t *rx, bool complete, std::uint8_t type)
{
    return complete && rx[0] == 'H' && rx[1] == type && rx[131] == 0xF0 && rx[130] == sumSeeded(rx + 2, 128);
}
inline bool refGreetingOk(const std::uint8_t *rx, bool complete)
{
    return complete && rx[0] == 'I' && rx[4] == 0xF0;
}

// ---------------------------------------------------------------------------------------------
// fuzz_live: live replies into one record, each followed by the decode and the map point.
//
//   byte 0            bits 0-1: replies in a row - 1 (1 to 4); bit 4: time bases of 38400 baud
//   per reply         1 flag byte (bit 0: ReplyComplete; bit 1: repair header, type, checksum and
//                     end byte so that the payload reaches the decode), then 196 bytes as received
//   the rest          the Parameter image, up to 768 bytes (zeros where the input ends)
constexpr std::size_t LiveReplyBytes = 196;
constexpr std::uint8_t LiveComplete = 1, LiveRepair = 2;
constexpr std::uint8_t LiveBaud38400 = 0x10;

inline void repairLive(std::uint8_t *rx)
{
    rx[0] = 'V';
    rx[1] = 0x05;
    rx[194] = sumSeeded(rx + 2, 192);
    rx[195] = 0xF0;
}

// ---------------------------------------------------------------------------------------------
// fuzz_replies: exchanges on a scripted serial line whose far end answers with the input.
//
//   byte 0            bit 0: BaudFlag (the line runs at 38400 baud when set)
//   then up to MaxExchanges exchanges, until the input ends:
//     1 byte          exchange (value mod 3): 0 greeting, 1 image block, 2 error memory
//     image block:    u16 block address (mod 768)
//     then, for every frame the exchange writes (two for the error memory), the answer script:
//       1 byte        bits 0-1: deliveries - 1 (1 to 4); bit 2: repair the reply's framing
//                     (header, block type, checksum, end byte) where it is long enough
//       per delivery  1 byte delay in ms after the frame left the line, u16 length (mod 2048)
//       then          the deliveries' bytes one after another; a delivery ends where the input
//                     ends (no padding: the bytes on the line are the input's own)
constexpr int MaxExchanges = 8;
constexpr std::uint16_t MaxDeliveryBytes = 2047;
enum Exchange : std::uint8_t { ExGreeting = 0, ExImageBlock = 1, ExErrorMemory = 2 };
constexpr std::uint8_t ScriptRepair = 4;

// ---------------------------------------------------------------------------------------------
// fuzz_paramfile: the whole input is the parameter file. A file longer than the image (its
// tail is ignored by the loader) picks the time bases of 38400 baud when bit 0 of byte 768 is set.
constexpr std::size_t ImageFileBytes = 768;

} // namespace kelvane::fuzz
