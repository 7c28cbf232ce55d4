// Live replies as the polling cycle meets them: validation and reversal into the record, then
// the data steps of the decode (side channels, LiveValues) and the map operating point, all
// with a Parameter image taken from the input. Input layout: FuzzInput.h.

#include "Frames.h"
#include "FuzzInput.h"
#include "LiveRecord.h"
#include "ParameterImage.h"

#include <array>
#include <cmath>
#include <cstring>

using namespace kelvane;
using namespace kelvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ByteReader in(data, size);
    const std::uint8_t head = in.u8();
    const int replies = 1 + (head & 3);
    const TimeBases tb = timeBasesFor((head & LiveBaud38400) ? 1 : 0);

    std::vector<std::vector<std::uint8_t>> rx;
    std::vector<std::uint8_t> flags;
    for (int i = 0; i < replies; ++i) {
        flags.push_back(in.u8());
        rx.push_back(in.bytes(LiveReplyBytes));
    }
    ParameterImage image;
    const std::vector<std::uint8_t> imageBytes = in.bytes(ImageSize);
    std::memcpy(image.bytes.data(), imageBytes.data(), ImageSize);

    LiveData live;
    for (int i = 0; i < replies; ++i) {
        std::uint8_t *reply = rx[static_cast<std::size_t>(i)].data();
        const bool complete = flags[static_cast<std::size_t>(i)] & LiveComplete;
        if (flags[static_cast<std::size_t>(i)] & LiveRepair)
            repairLive(reply);

        const auto recordBefore = live.Record;
        const bool accepted = acceptLiveReply(reply, complete, live);
        KELVANE_FUZZ_TRACE("live reply %d: complete %d, %s\n", i + 1, complete, accepted ? "accepted" : "rejected");
        check(accepted == refLiveOk(reply, complete), "live reply accepted against the rules");
        if (accepted) {
            for (std::size_t k = 0; k < LiveRecordSize; ++k)
                check(live.Record[k] == reply[193 - k], "record byte k is reply byte 193 - k");
        } else {
            check(live.Record == recordBefore, "a rejected live reply changed the record");
        }

        // The decode runs on whatever the record holds, accepted or not.
        const auto autoMapBefore = live.AutoMapStore;
        const auto obdBefore = live.ObdBlock;
        const DecodeResult r = decodeLiveData(live, image, tb);

        const unsigned slotA = live.u16(rec::AutoMapIndexA), slotB = live.u16(rec::AutoMapIndexB);
        const unsigned obdOffset = live.u16(rec::ObdChunkOffset);
        for (std::size_t w = 0; w < AutoMapStoreSize; ++w) {
            const bool slotWritten
                = (slotA >= 1 && slotA <= 128 && w == slotA - 1) || (slotB >= 1 && slotB <= 128 && w == slotB + 127);
            if (!slotWritten)
                check(live.AutoMapStore[w] == autoMapBefore[w], "auto-map word written outside its slot");
        }
        for (std::size_t b = 0; b < ObdBlockSize; ++b) {
            if (b < obdOffset || b >= obdOffset + 4)
                check(live.ObdBlock[b] == obdBefore[b], "OBD area byte written outside its chunk");
        }
        check(r.troubleCodesChanged == (obdOffset >= 80), "trouble-code redraw is due from chunk offset 80 on");
        for (float v : live.LiveValues)
            check(std::isfinite(v), "LiveValues entry not finite");
        for (int never : { 21, 27, 29, 30, 31, 32 })
            check(live.LiveValues[static_cast<std::size_t>(never)] == 0.0f, "LiveValues entry that is never written");

        const std::int32_t prevColumn = live.PrevMapColumn, prevRow = live.PrevMapRow;
        const bool moved = computeMapPoint(live, image);
        KELVANE_FUZZ_TRACE("  rpm %g, map column %d row %d, trouble codes %d\n", double(live.LiveValues[2]),
            live.MapColumn, live.MapRow, r.troubleCodesChanged);
        check(live.MapColumn >= 0 && live.MapColumn <= 7, "MapColumn outside 0-7");
        check(live.MapRow >= 0 && live.MapRow <= 15, "MapRow outside 0-15");
        check(moved == (live.MapColumn != prevColumn || live.MapRow != prevRow), "map point change reported wrongly");
        check(live.PrevMapColumn == live.MapColumn && live.PrevMapRow == live.MapRow, "map point not remembered");
    }
    return 0;
}
