#include "LiveRecord.h"

#include "Frames.h"

namespace kelvane {

bool acceptLiveReply(const std::uint8_t *rx, bool complete, LiveData &live)
{
    if (!liveReplyValid(rx, complete))
        return false;
    storeReversed(rx + 2, LiveDataLength, live.Record.data(), LiveRecordSize);
    return true;
}

bool mergeSideChannels(LiveData &live)
{
    const unsigned slotA = live.u16(rec::AutoMapIndexA);
    if (slotA >= 1 && slotA <= 128)
        live.AutoMapStore[slotA - 1] = live.u16(rec::AutoMapValueA);
    const unsigned slotB = live.u16(rec::AutoMapIndexB);
    if (slotB >= 1 && slotB <= 128)
        live.AutoMapStore[slotB + 127] = live.u16(rec::AutoMapValueB);
    const unsigned obdOffset = live.u16(rec::ObdChunkOffset);
    if (obdOffset + 4 <= ObdBlockSize) {
        for (int i = 0; i < 4; ++i)
            live.ObdBlock[obdOffset + i] = live.u8(rec::ObdChunk + i);
    }
    return obdOffset >= 80;
}

std::uint32_t engineRpm(const LiveData &live, const ParameterImage &image, const TimeBases &tb)
{
    return TicksToRpm(live.u16(rec::RpmPeriod), image.byte(img::RpmSet), image.bits(img::RpmSignal, 0, 2), tb);
}

void computeLiveValues(LiveData &live, const ParameterImage &image, const TimeBases &tb)
{
    auto &v = live.LiveValues;
    v[lv::GasWorkTime] = static_cast<float>(live.u32(rec::GasWorkTime));
    v[lv::PetrolWorkTime] = static_cast<float>(live.u32(rec::PetrolWorkTime));
    v[lv::Rpm] = static_cast<float>(engineRpm(live, image, tb));
    for (int n = 1; n <= 8; ++n) {
        v[lv::InjPetrol1 + n - 1] = TicksToMs(live.injPetrol(n), 1, tb);
        v[lv::InjGas1 + n - 1] = TicksToMs(live.injGas(n), 0, tb);
    }
    v[lv::TempReducer] = live.s16(rec::TempReducer);
    v[lv::TempGas] = live.s16(rec::TempGas);
    v[lv::GasPressure] = static_cast<float>(pressureBar(live.u16(rec::GasPressure1)));
    v[lv::PresManifold] = static_cast<float>(pressureBar(live.u16(rec::PresManifold)));
    v[lv::PresDiff] = static_cast<float>(pressureBar(live.u16(rec::PresDiff)));
    v[lv::Level] = static_cast<float>(sensorVolts(live.u16(rec::LevelRaw)));
    v[lv::Supply] = static_cast<float>(supplyVolts(live.u16(rec::SupplyRaw)));
    v[lv::Lambda] = static_cast<float>(sensorVolts(live.u16(rec::LambdaRaw)));
    for (int n = 0; n < 4; ++n)
        v[lv::Correction1 + n] = static_cast<float>(tenths(live.u16(rec::Correction1 + 2 * n)));
    v[lv::ErrorCount] = live.u16(rec::ErrorCount);
}

bool computeMapPoint(LiveData &live, const ParameterImage &image)
{
    const std::uint16_t period = live.u16(rec::RpmPeriod);
    std::int32_t column = 7;
    for (int k = 6; k >= 0; --k) {
        if (period >= image.wordAt(img::RpmAxisWord + k))
            column = k;
    }
    const std::uint16_t inj = live.u16(rec::InjPetrolRef);
    std::int32_t row = 0;
    for (int k = 1; k <= 15; ++k) {
        if (inj >= image.wordAt(img::InjTimeAxisWord + k - 1))
            row = k;
    }
    live.MapColumn = column;
    live.MapRow = row;
    if (column != live.PrevMapColumn || row != live.PrevMapRow) {
        live.PrevMapColumn = column;
        live.PrevMapRow = row;
        return true;
    }
    return false;
}

DecodeResult decodeLiveData(LiveData &live, const ParameterImage &image, const TimeBases &tb)
{
    DecodeResult r;
    r.troubleCodesChanged = mergeSideChannels(live);
    computeLiveValues(live, image, tb);
    return r;
}

} // namespace kelvane
