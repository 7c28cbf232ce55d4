// The controller's side of the serial protocol: 6-byte frames in, greeting, block
// and live replies out; writes into the configuration memory and the commands
// that change the controller's state.

#include "Simulator.h"

#include "Frames.h"

#include <algorithm>

namespace kelvane::sim {

namespace {
using proto::BlockHeader;
using proto::GreetingHeader;
using proto::LiveHeader;
using proto::LiveType;
constexpr std::uint8_t ErasedByte = 0xFF; // memory past the configuration image

} // namespace

Controller::Controller(const SimOptions &options)
    : Controller(options, factoryImage(options.baud))
{
}

Controller::Controller(const SimOptions &options, const ImageBytes &image)
    : m_options(options)
    , m_image(image)
    , m_tb(timeBasesForBaud(options.baud))
    , m_engine(options.seed)
    , m_rng(options.seed ^ 0x5EEDu)
{
    m_state.faults = initialFaults();
    m_state.carTroubleCodes = { 0x0301, 0x0171 }; // P0301 misfire cylinder 1, P0171 system too lean
    m_state.obdTroubleCodes = m_state.carTroubleCodes;
}

std::vector<std::uint8_t> Controller::receive(const std::uint8_t *data, std::size_t count, double nowMs)
{
    std::vector<std::uint8_t> out;
    m_input.insert(m_input.end(), data, data + count);
    // Frames may arrive split or glued together; skip bytes until six of them form a frame.
    std::size_t pos = 0;
    while (m_input.size() - pos >= 6) {
        if (commandFrameValid(m_input.data() + pos)) {
            ++m_counters.frames;
            handleFrame(m_input.data() + pos, nowMs, out);
            pos += 6;
        } else {
            ++m_counters.garbageBytes;
            ++pos;
        }
    }
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(pos));
    return out;
}

void Controller::handleFrame(const std::uint8_t *f, double nowMs, std::vector<std::uint8_t> &out)
{
    using proto::Command;
    using proto::Request;
    const std::uint8_t cmd = f[0], sub = f[1], hi = f[2], lo = f[3];
    const double nowSec = nowMs / 1000.0;
    switch (static_cast<Command>(cmd)) {
    case Command::Hello:
        sendGreeting(out);
        return;
    case Command::Request:
        switch (static_cast<Request>(sub)) {
        case Request::ImageBlock:
            sendImageBlock((hi << 8) | lo, out);
            return;
        case Request::ErrorBlock:
            sendErrorBlock(hi >= proto::ErrorSecondHalf, out);
            return;
        case Request::Live:
            sendLive(nowMs, out);
            return;
        case Request::ObdErase:
            m_state.carTroubleCodes.clear();
            return; // erase the car's trouble codes
        case Request::ObdReadAll: // read all OBD data: the PID reading shows for a while, the codes come along
            m_state.obdReadingUntilSec = nowSec + 2.0;
            m_state.obdTroubleCodes = m_state.carTroubleCodes;
            return;
        case Request::ObdReadErrors:
            m_state.obdTroubleCodes = m_state.carTroubleCodes;
            return; // read the trouble codes
        default:
            return;
        }
    case Command::Commit:
        ++m_counters.commits;
        return;
    case Command::ModeGas:
        m_state.mode = Mode::Gas;
        m_state.onGas = true;
        m_state.switchArmed = false;
        return;
    case Command::ModeAuto:
        // Automatic: stays on gas when already there, otherwise switches when warm and fast enough.
        m_state.mode = Mode::Auto;
        m_state.switchArmed = false;
        return;
    case Command::ModePetrol:
        m_state.mode = Mode::Petrol;
        m_state.onGas = false;
        m_state.switchArmed = false;
        return;
    case Command::ResetMapPetrol:
        std::fill(m_state.autoMapSamples.begin(), m_state.autoMapSamples.begin() + 64, 0);
        return;
    case Command::ResetMapGas:
        std::fill(m_state.autoMapSamples.begin() + 64, m_state.autoMapSamples.end(), 0);
        return;
    case Command::EraseErrors:
        m_state.faults.clear();
        ++m_state.errorChangeMarker;
        return;
    case Command::GasCutOff:
        m_state.gasCutOffMask = hi;
        return; // the active mask (low byte) is the controller's own
    case Command::PetrolOverride:
        m_state.petrolOverrideWord = static_cast<std::uint16_t>((hi << 8) | lo);
        return;
    default:
        break;
    }
    if (const auto w = parseWriteFrame(f, 6)) {
        if (w->word)
            applyWordWrite(w->index, w->value);
        else
            applyByteWrite(w->index, static_cast<std::uint8_t>(w->value));
    }
}

void Controller::applyByteWrite(int offset, std::uint8_t value)
{
    if (offset < 0 || offset >= static_cast<int>(m_image.size()))
        return; // past the configuration memory: ignored
    m_image[static_cast<std::size_t>(offset)] = value;
    ++m_counters.imageWrites;
}

void Controller::applyWordWrite(int wordIndex, std::uint16_t value)
{
    if (wordIndex < 0 || 2 * wordIndex + 1 >= static_cast<int>(m_image.size()))
        return;
    m_image[static_cast<std::size_t>(2 * wordIndex)] = static_cast<std::uint8_t>(value & 0xFF);
    m_image[static_cast<std::size_t>(2 * wordIndex + 1)] = static_cast<std::uint8_t>(value >> 8);
    ++m_counters.imageWrites;
}

void Controller::sendGreeting(std::vector<std::uint8_t> &out) const
{
    out.insert(out.end(),
        { GreetingHeader, static_cast<std::uint8_t>(m_options.hw), static_cast<std::uint8_t>(m_options.sw), 0x00,
            FrameEnd });
}

void Controller::sendChecked(
    std::uint8_t header, std::uint8_t type, const std::uint8_t *data, std::size_t count, std::vector<std::uint8_t> &out)
{
    const std::size_t start = out.size();
    out.push_back(header);
    out.push_back(type);
    // Highest address first, so that every word travels high byte first.
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(data[count - 1 - i]);
    std::uint8_t sum = replyChecksum(out.data() + start + 2, count);
    ++m_checkedReplies;
    if (m_options.corruptEvery > 0 && m_checkedReplies % m_options.corruptEvery == 0) {
        sum = static_cast<std::uint8_t>(sum + 1);
        ++m_counters.corrupted;
    }
    out.push_back(sum);
    out.push_back(FrameEnd);
}

void Controller::sendImageBlock(int address, std::vector<std::uint8_t> &out)
{
    std::array<std::uint8_t, BlockDataLength> block;
    for (std::size_t k = 0; k < block.size(); ++k) {
        const std::size_t at = static_cast<std::size_t>(address) + k;
        block[k] = at < m_image.size() ? m_image[at] : ErasedByte;
    }
    sendChecked(BlockHeader, BlockTypeImage, block.data(), block.size(), out);
}

void Controller::sendErrorBlock(bool secondHalf, std::vector<std::uint8_t> &out)
{
    // First half: fault codes 1..32 as words 0..31, the number of faults as word 32. The second half
    // holds nothing the PC reads.
    std::array<std::uint8_t, BlockDataLength> block {};
    if (!secondHalf) {
        const std::size_t n = std::min<std::size_t>(m_state.faults.size(), 32);
        for (std::size_t k = 0; k < n; ++k) {
            block[2 * k] = static_cast<std::uint8_t>(m_state.faults[k] & 0xFF);
            block[2 * k + 1] = static_cast<std::uint8_t>(m_state.faults[k] >> 8);
        }
        block[64] = static_cast<std::uint8_t>(n & 0xFF);
        block[65] = static_cast<std::uint8_t>(n >> 8);
    }
    sendChecked(BlockHeader, BlockTypeErrors, block.data(), block.size(), out);
}

void Controller::sendLive(double nowMs, std::vector<std::uint8_t> &out)
{
    ++m_counters.liveRequests;
    m_lastRecord = m_engine.update(nowMs / 1000.0, m_image, m_tb, m_state);
    if (m_options.dropEvery > 0 && m_counters.liveRequests % m_options.dropEvery == 0) {
        ++m_counters.liveDropped;
        return;
    }
    sendChecked(LiveHeader, LiveType, m_lastRecord.data(), m_lastRecord.size(), out);
    if (m_options.noise)
        addNoise();
}

void Controller::addNoise()
{
    // After one live reply in four, one to three stray bytes, as on a line with interference.
    std::uniform_int_distribution<int> chance(0, 3), count(1, 3), value(0, 255);
    if (chance(m_rng) != 0)
        return;
    ++m_counters.noiseEvents;
    for (int n = count(m_rng); n > 0; --n) {
        m_stray.push_back(static_cast<std::uint8_t>(value(m_rng)));
        ++m_counters.noiseBytes;
    }
}

} // namespace kelvane::sim
