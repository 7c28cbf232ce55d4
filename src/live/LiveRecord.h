#pragma once
// The Live data record (192 bytes, refreshed every second polling tick), its
// two side channels (auto-mapping samples and the OBD data area), the derived
// LiveValues and the current operating point in the main map.

#include "Conversions.h"
#include "ParameterImage.h"

#include <array>
#include <cstdint>

namespace kelvane {

constexpr std::size_t LiveRecordSize = 192;
constexpr std::size_t ObdBlockSize = 84;
constexpr std::size_t AutoMapStoreSize = 256;
constexpr std::size_t LiveValueCount = 38;

// Offsets in the record; all multi-byte fields are little-endian.
namespace rec {
constexpr int TempReducer = 0, TempGas = 2, ObdCorrection = 4, InjPetrol1 = 6, InjGas1 = 22, InjPetrolRef = 38,
              RpmPeriod = 42, GasPressure1 = 46, PresDiff = 48, LevelRaw = 52, SupplyRaw = 54, AutoMapIndexB = 56,
              AutoMapIndexA = 58, LambdaRaw = 60, ErrorCount = 64, GasCutOffWord = 66, PetrolStateMask = 72,
              SignalFlags = 73, ObdShortTrim = 74, ObdLongTrim = 75, ModeWord = 78, ObdChunk = 80, Correction1 = 84,
              PetrolOverrideWord = 92, CutOffStateMask = 94, PressureFlags = 97, LevelStep = 98,
              ErrorChangeMarker = 100, HeatTime = 132, ServiceBeeps = 135, Sequence1 = 136, GasPressure2 = 156,
              PresManifold = 158, ObdChunkOffset = 160, ReturnTime = 174, PetrolWorkTime = 176, GasWorkTime = 180,
              AutoMapValueA = 188, AutoMapValueB = 190;
}

// Entries of LiveValues (the logger's columns); entries not named here stay 0.
namespace lv {
enum Index : int {
    GasWorkTime = 0,
    PetrolWorkTime = 1,
    Rpm = 2,
    InjPetrol1 = 3, // 3-10: petrol injection times of cylinders 1-8, ms
    InjGas1 = 11, // 11-18: gas injection times, ms
    TempReducer = 19,
    TempGas = 20,
    GasPressure = 22,
    PresManifold = 23,
    PresDiff = 24,
    Level = 25,
    Supply = 26,
    Lambda = 28,
    Correction1 = 33, // 33-36
    ErrorCount = 37,
};
} // namespace lv

// Unit factors of the record's raw counts, written once for every view (in long double, so the
// logged float is the nearest one to the exact product).
inline long double pressureBar(std::uint16_t raw)
{
    return raw * 0.001L;
}
inline long double sensorVolts(std::uint16_t raw)
{
    return raw * 0.00122L;
}
inline long double supplyVolts(std::uint16_t raw)
{
    return raw * 0.00122L * 5.4L;
}
inline long double tenths(std::int32_t raw)
{
    return raw * 0.1L;
}

struct LiveData {
    std::array<std::uint8_t, LiveRecordSize> Record {};
    std::array<std::uint8_t, ObdBlockSize> ObdBlock {};
    std::array<std::uint16_t, AutoMapStoreSize> AutoMapStore {};
    std::array<float, LiveValueCount> LiveValues {};
    std::int32_t MapColumn = 1;
    std::int32_t MapRow = 1;
    std::int32_t PrevMapColumn = 1;
    std::int32_t PrevMapRow = 1;

    std::uint8_t u8(int off) const { return Record[static_cast<std::size_t>(off)]; }
    std::uint16_t u16(int off) const
    {
        return static_cast<std::uint16_t>(
            Record[static_cast<std::size_t>(off)] | (Record[static_cast<std::size_t>(off) + 1] << 8));
    }
    std::int16_t s16(int off) const { return static_cast<std::int16_t>(u16(off)); }
    std::uint32_t u32(int off) const { return u16(off) | (static_cast<std::uint32_t>(u16(off + 2)) << 16); }
    void setU8(int off, std::uint8_t v) { Record[static_cast<std::size_t>(off)] = v; }
    void setU16(int off, std::uint16_t v)
    {
        Record[static_cast<std::size_t>(off)] = static_cast<std::uint8_t>(v & 0xFF);
        Record[static_cast<std::size_t>(off) + 1] = static_cast<std::uint8_t>(v >> 8);
    }

    std::uint16_t injPetrol(int cyl) const { return u16(rec::InjPetrol1 + 2 * (cyl - 1)); }
    std::uint16_t injGas(int cyl) const { return u16(rec::InjGas1 + 2 * (cyl - 1)); }
    std::uint8_t gasActiveMask() const { return u8(rec::GasCutOffWord); }
    std::uint8_t gasCutOffMask() const { return u8(rec::GasCutOffWord + 1); }
    std::uint8_t petrolStateMask() const { return u8(rec::PetrolStateMask); }
    std::uint8_t petrolOverrideMask() const { return u8(rec::PetrolOverrideWord); }
    std::uint8_t cutOffStateMask() const { return u8(rec::CutOffStateMask); }
    // 0 petrol, 1 auto, 2 gas, 3 error
    int mode() const { return (u16(rec::ModeWord) >> 7) & 3; }
    std::uint16_t sequenceValue(int cyl) const { return u16(rec::Sequence1 + 2 * (cyl - 1)); }

    std::uint8_t obd8(int off) const { return ObdBlock[static_cast<std::size_t>(off)]; }
    std::uint16_t obd16(int off) const
    {
        return static_cast<std::uint16_t>(
            ObdBlock[static_cast<std::size_t>(off)] | (ObdBlock[static_cast<std::size_t>(off) + 1] << 8));
    }
};

// Validates the live reply in rx (196 bytes) and stores it reversed into the record; a bad reply
// leaves it unchanged.
bool acceptLiveReply(const std::uint8_t *rx, bool complete, LiveData &live);

// Side-channel merge; slots outside the tables are skipped. Returns true when the OBD slot
// index is 80 or more (the trouble-code list is to be redrawn).
bool mergeSideChannels(LiveData &live);
void computeLiveValues(LiveData &live, const ParameterImage &image, const TimeBases &tb);
// Returns true when the operating point moved.
bool computeMapPoint(LiveData &live, const ParameterImage &image);

// The data steps of one decode: merge, LiveValues. The map point is computed separately
// (only while connected, by the view).
struct DecodeResult {
    bool troubleCodesChanged = false;
};
DecodeResult decodeLiveData(LiveData &live, const ParameterImage &image, const TimeBases &tb);

// Engine speed of the current record in rpm.
std::uint32_t engineRpm(const LiveData &live, const ParameterImage &image, const TimeBases &tb);

} // namespace kelvane
