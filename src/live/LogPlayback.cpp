#include "LogPlayback.h"

#include <algorithm>
#include <cmath>

namespace kelvane {

PlaybackClock::PlaybackClock(const LogTable &table)
    : m_table(table)
    , m_base(table.startTime())
{
}

double PlaybackClock::position() const
{
    const double p = m_base + static_cast<double>(m_runMs) * m_speed / 1000.0;
    return std::min(p, m_table.endTime());
}

void PlaybackClock::play()
{
    if (m_table.rowCount() == 0)
        return;
    if (atEnd())
        seek(m_table.startTime());
    m_playing = true;
}

void PlaybackClock::pause()
{
    m_base = position();
    m_runMs = 0;
    m_playing = false;
}

bool PlaybackClock::setSpeed(int factor)
{
    if (factor < 1 || factor > 16)
        return false;
    m_base = position();
    m_runMs = 0;
    m_speed = factor;
    return true;
}

void PlaybackClock::seek(double seconds)
{
    if (std::isnan(seconds))
        return;
    m_base = std::clamp(seconds, m_table.startTime(), m_table.endTime());
    m_runMs = 0;
}

void PlaybackClock::seekRow(int row)
{
    if (m_table.rowCount() == 0)
        return;
    seek(m_table.playbackTime(std::clamp(row, 0, m_table.rowCount() - 1)));
}

int PlaybackClock::tick(int elapsedMs)
{
    if (m_playing && elapsedMs > 0) {
        m_runMs += elapsedMs;
        if (atEnd()) {
            m_base = m_table.endTime();
            m_runMs = 0;
            m_playing = false;
        }
    }
    return row();
}

PlaybackValues playbackValues(const LogTable &table, int row)
{
    PlaybackValues out;
    if (row < 0 || row >= table.rowCount())
        return out;
    for (int c = 0; c < table.columnCount(); ++c) {
        const int entry = table.liveIndex(c);
        if (entry < 0 || entry >= static_cast<int>(LiveValueCount))
            continue;
        const auto e = static_cast<std::size_t>(entry);
        if (out.present[e])
            continue; // a repeated header: the first column counts
        out.values[e] = table.value(c, row);
        out.present[e] = true;
    }
    return out;
}

namespace {
std::uint16_t raw16(double value, double unit)
{
    if (!std::isfinite(value))
        return 0;
    return static_cast<std::uint16_t>(std::clamp(std::lround(value / unit), 0L, 65535L));
}

std::int16_t signed16(double value)
{
    if (!std::isfinite(value))
        return 0;
    return static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

void setU32(LiveData &live, int off, double value)
{
    const double v = std::isfinite(value) ? std::clamp(std::round(value), 0.0, 4294967295.0) : 0.0;
    const auto u = static_cast<std::uint32_t>(v);
    live.setU16(off, static_cast<std::uint16_t>(u & 0xFFFF));
    live.setU16(off + 2, static_cast<std::uint16_t>(u >> 16));
}

// The tick count whose time is nearest to ms.
std::uint16_t injTicks(double ms, std::uint8_t selector, const TimeBases &tb)
{
    if (!std::isfinite(ms) || ms <= 0)
        return 0;
    const std::int32_t t = std::clamp(MsToTicks(static_cast<float>(ms), selector, tb), 0, 65534);
    const double below = std::fabs(TicksToMs(t, selector, tb) - ms);
    const double above = std::fabs(TicksToMs(t + 1, selector, tb) - ms);
    return static_cast<std::uint16_t>(above < below ? t + 1 : t);
}

// A speed period that the image's conversion turns into rpm: exactly, where one exists near the
// inverse conversion. 0 rpm is a period past the conversion's range.
std::uint16_t rpmPeriod(double rpm, const ParameterImage &image, const TimeBases &tb)
{
    if (!std::isfinite(rpm) || rpm <= 0)
        return 0xFFFF;
    const std::uint8_t type = image.byte(img::RpmSet);
    const unsigned signal = image.bits(img::RpmSignal, 0, 2);
    const auto want = static_cast<std::uint32_t>(std::min(std::lround(rpm), 1000000L));
    const std::int32_t guess = std::clamp(RpmToTicks(want, type, signal, tb), 1, 65499);
    for (int d = 0; d <= 4; ++d) {
        for (int t : { guess - d, guess + d }) {
            if (t >= 1 && t <= 65499 && TicksToRpm(static_cast<std::uint32_t>(t), type, signal, tb) == want)
                return static_cast<std::uint16_t>(t);
        }
    }
    return static_cast<std::uint16_t>(guess);
}
} // namespace

LiveData playbackLiveData(const LogTable &table, int row, const ParameterImage &image, const TimeBases &tb)
{
    LiveData live;
    const PlaybackValues pv = playbackValues(table, row);
    auto has = [&](int entry) { return pv.present[static_cast<std::size_t>(entry)]; };
    auto val = [&](int entry) { return static_cast<double>(pv.values[static_cast<std::size_t>(entry)]); };

    if (has(lv::GasWorkTime))
        setU32(live, rec::GasWorkTime, val(lv::GasWorkTime));
    if (has(lv::PetrolWorkTime))
        setU32(live, rec::PetrolWorkTime, val(lv::PetrolWorkTime));
    if (has(lv::Rpm))
        live.setU16(rec::RpmPeriod, rpmPeriod(val(lv::Rpm), image, tb));
    std::uint8_t petrolMask = 0, gasMask = 0;
    for (int n = 1; n <= 8; ++n) {
        if (has(lv::InjPetrol1 + n - 1)) {
            live.setU16(rec::InjPetrol1 + 2 * (n - 1), injTicks(val(lv::InjPetrol1 + n - 1), 1, tb));
            petrolMask = static_cast<std::uint8_t>(petrolMask | (1u << (n - 1)));
        }
        if (has(lv::InjGas1 + n - 1)) {
            live.setU16(rec::InjGas1 + 2 * (n - 1), injTicks(val(lv::InjGas1 + n - 1), 0, tb));
            gasMask = static_cast<std::uint8_t>(gasMask | (1u << (n - 1)));
        }
    }
    live.setU16(rec::InjPetrolRef, live.injPetrol(1));
    live.setU8(rec::PetrolStateMask, petrolMask);
    live.setU8(rec::GasCutOffWord, gasMask); // active; none cut off
    if (has(lv::TempReducer))
        live.setU16(rec::TempReducer, static_cast<std::uint16_t>(signed16(val(lv::TempReducer))));
    if (has(lv::TempGas))
        live.setU16(rec::TempGas, static_cast<std::uint16_t>(signed16(val(lv::TempGas))));
    if (has(lv::GasPressure)) {
        live.setU16(rec::GasPressure1, raw16(val(lv::GasPressure), 0.001));
        live.setU16(rec::GasPressure2, live.u16(rec::GasPressure1));
    }
    if (has(lv::PresManifold))
        live.setU16(rec::PresManifold, raw16(val(lv::PresManifold), 0.001));
    if (has(lv::PresDiff))
        live.setU16(rec::PresDiff, raw16(val(lv::PresDiff), 0.001));
    if (has(lv::Level))
        live.setU16(rec::LevelRaw, raw16(val(lv::Level), 0.00122));
    if (has(lv::Supply))
        live.setU16(rec::SupplyRaw, raw16(val(lv::Supply), 0.00122 * 5.4));
    if (has(lv::Lambda))
        live.setU16(rec::LambdaRaw, raw16(val(lv::Lambda), 0.00122));
    for (int n = 0; n < 4; ++n) {
        if (has(lv::Correction1 + n))
            live.setU16(rec::Correction1 + 2 * n, raw16(val(lv::Correction1 + n), 0.1));
    }
    live.LiveValues = pv.values;
    return live;
}

} // namespace kelvane
