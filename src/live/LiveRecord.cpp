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

bool ReceiveLiveRecord(SerialLink &link, LiveData &live)
{
    bool complete = link.ReceiveReply(LiveReplyLength);
    return acceptLiveReply(link.state().RxBuffer.data(), complete, live);
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
    return TicksToRpm(live.u16(rec::RpmPeriod), image.byte(ImageRpmSet), image.bits(ImageRpmSignalByte, 0, 2), tb);
}

void computeLiveValues(LiveData &live, const ParameterImage &image, const TimeBases &tb)
{
    auto &v = live.LiveValues;
    v[0] = static_cast<float>(live.u32(rec::GasWorkTime));
    v[1] = static_cast<float>(live.u32(rec::PetrolWorkTime));
    v[2] = static_cast<float>(engineRpm(live, image, tb));
    for (int n = 1; n <= 8; ++n) {
        v[2 + n] = TicksToMs(live.injPetrol(n), 1, tb);
        v[10 + n] = TicksToMs(live.injGas(n), 0, tb);
    }
    v[19] = live.s16(rec::TempReducer);
    v[20] = live.s16(rec::TempGas);
    v[22] = static_cast<float>(live.u16(rec::GasPressure1) * 0.001L);
    v[23] = static_cast<float>(live.u16(rec::PresManifold) * 0.001L);
    v[24] = static_cast<float>(live.u16(rec::PresDiff) * 0.001L);
    v[25] = static_cast<float>(live.u16(rec::LevelRaw) * 0.00122L);
    v[26] = static_cast<float>(live.u16(rec::SupplyRaw) * 0.00122L * 5.4L);
    v[28] = static_cast<float>(live.u16(rec::LambdaRaw) * 0.00122L);
    for (int n = 0; n < 4; ++n)
        v[33 + n] = static_cast<float>(live.u16(rec::Correction1 + 2 * n) * 0.1L);
    v[37] = live.u16(rec::ErrorCount);
}

bool computeMapPoint(LiveData &live, const ParameterImage &image)
{
    const std::uint16_t period = live.u16(rec::RpmPeriod);
    std::int32_t column = 7;
    for (int k = 6; k >= 0; --k) {
        if (period >= image.wordAt(ImageRpmAxisWord + k))
            column = k;
    }
    const std::uint16_t inj = live.u16(rec::InjPetrolRef);
    std::int32_t row = 0;
    for (int k = 1; k <= 15; ++k) {
        if (inj >= image.wordAt(ImageInjTimeAxisWord + k - 1))
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
