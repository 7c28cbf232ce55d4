#include "Engine.h"

#include "Conversions.h"
#include "LiveRecord.h" // record offsets

#include <algorithm>
#include <cmath>

namespace kelvane::sim {

namespace {

// Where the controller finds its settings in the configuration memory.
namespace img {
constexpr int ServiceDue = 8, TempSw = 23, AdvTempHeat = 25, ReducerTempMap = 27, GasTempMap = 39, RpmSet = 125,
              InjNum = 133, MainMap = 167, Map2D = 295, OffsetGlowny = 314, OnDelay = 336, WzbogacenieGlowne = 340,
              MinInj = 342, CisnieniePracy = 356, RpmSw = 362, LevelE = 374, AdvHeatT = 394, DiagOffsetIn1 = 444,
              RpmAxis = 490, InjTimeAxis = 506, Flags540 = 540, Flags541 = 541, Flags543 = 543, Flags545 = 545,
              Flags549 = 549;
}

std::uint8_t u8(const ImageBytes &im, int off)
{
    return im[static_cast<std::size_t>(off)];
}
std::int8_t s8(const ImageBytes &im, int off)
{
    return static_cast<std::int8_t>(u8(im, off));
}
std::uint16_t u16(const ImageBytes &im, int off)
{
    return static_cast<std::uint16_t>(u8(im, off) | (u8(im, off + 1) << 8));
}
std::int16_t s16(const ImageBytes &im, int off)
{
    return static_cast<std::int16_t>(u16(im, off));
}
std::uint32_t u32(const ImageBytes &im, int off)
{
    return u16(im, off) | (static_cast<std::uint32_t>(u16(im, off + 2)) << 16);
}
bool bit(const ImageBytes &im, int off, int b)
{
    return (u8(im, off) >> b) & 1;
}

struct RecordWriter {
    LiveRecordBytes &r;
    void u8(int off, std::uint8_t v) { r[static_cast<std::size_t>(off)] = v; }
    void u16(int off, std::uint16_t v)
    {
        u8(off, static_cast<std::uint8_t>(v & 0xFF));
        u8(off + 1, static_cast<std::uint8_t>(v >> 8));
    }
    void s16(int off, long v)
    {
        u16(off, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(v, -32768L, 32767L))));
    }
    void u32(int off, std::uint32_t v)
    {
        u16(off, static_cast<std::uint16_t>(v & 0xFFFF));
        u16(off + 2, static_cast<std::uint16_t>(v >> 16));
    }
};

std::uint16_t toWord(double v)
{
    if (!(v > 0))
        return 0;
    return v >= 65535 ? 65535 : static_cast<std::uint16_t>(std::lround(v));
}
std::uint8_t toByte(double v)
{
    if (!(v > 0))
        return 0;
    return v >= 255 ? 255 : static_cast<std::uint8_t>(std::lround(v));
}

double lerp(double a, double b, double u)
{
    return a + (b - a) * u;
}

// Correction in percent from a temperature map: six points (signed degrees) and six corrections
// (signed percent), linear between the points and flat outside them.
double tempCorrection(const ImageBytes &im, int mapOffset, double temp)
{
    double pts[6], corr[6];
    for (int i = 0; i < 6; ++i) {
        pts[i] = s8(im, mapOffset + i);
        corr[i] = s8(im, mapOffset + 6 + i);
    }
    if (temp <= pts[0])
        return corr[0];
    for (int i = 1; i < 6; ++i) {
        if (temp <= pts[i]) {
            const double span = pts[i] - pts[i - 1];
            return span > 0 ? lerp(corr[i - 1], corr[i], (temp - pts[i - 1]) / span) : corr[i];
        }
    }
    return corr[5];
}

// Firing orders by cylinder count; the sequence value of a cylinder is its crank angle in the cycle.
const std::vector<int> &firingOrder(int cylinders)
{
    static const std::vector<std::vector<int>> orders = {
        {},
        { 1 },
        { 1, 2 },
        { 1, 2, 3 },
        { 1, 3, 4, 2 },
        { 1, 2, 4, 5, 3 },
        { 1, 5, 3, 6, 2, 4 },
        { 1, 3, 5, 7, 2, 4, 6 },
        { 1, 5, 4, 8, 6, 3, 7, 2 },
    };
    return orders[static_cast<std::size_t>(std::clamp(cylinders, 0, 8))];
}

std::uint8_t trimRaw(double percent)
{
    return toByte(128 + percent / 0.78125);
}

} // namespace

DrivePoint driveCycle(double tSec)
{
    const double tc = std::fmod(std::max(0.0, tSec), DriveCycleSec);
    DrivePoint p; // idle
    if (tc >= 10 && tc < 16) { // acceleration
        const double u = (tc - 10) / 6;
        p.rpm = lerp(800, 2900, u);
        p.petrolMs = lerp(5.5, 7.5, u);
        p.manifoldBar = lerp(0.75, 0.9, u);
        p.throttle = 0.6;
        p.speedKmh = lerp(0, 70, u);
        p.accelerating = true;
    } else if (tc >= 16 && tc < 26) { // cruise
        const double u = (tc - 16) / 10;
        p.rpm = 2750 + 150 * std::cos(2 * M_PI * u);
        p.petrolMs = 4.2 + 0.3 * std::sin(2 * M_PI * u);
        p.manifoldBar = 0.55 + 0.05 * std::sin(2 * M_PI * u);
        p.throttle = 0.25;
        p.speedKmh = 70;
    } else if (tc >= 26 && tc < 31) { // overrun: fuel cut-off
        const double u = (tc - 26) / 5;
        p.rpm = lerp(2900, 1200, u);
        p.petrolMs = 0;
        p.manifoldBar = 0.30;
        p.speedKmh = lerp(70, 30, u);
        p.fuelCut = true;
    } else if (tc >= 31 && tc < 34) { // back to idle
        const double u = (tc - 31) / 3;
        p.rpm = lerp(1200, 800, u);
        p.petrolMs = 2.8;
        p.manifoldBar = 0.32;
        p.speedKmh = lerp(30, 0, u);
    }
    return p;
}

Engine::Engine(unsigned seed)
    : m_rng(seed)
{
}

double Engine::reducerTempAt(double tSec)
{
    return 18 + 54 * (1 - std::exp(-std::max(0.0, tSec) / 30));
}
double Engine::gasTempAt(double tSec)
{
    return 18 + 0.25 * (reducerTempAt(tSec) - 18);
}

double Engine::noise(double amplitude)
{
    std::uniform_real_distribution<double> d(-amplitude, amplitude);
    return d(m_rng);
}

void Engine::integrate(double dt, const ControllerState &state, double rpm, double heatLimitSec, bool heating)
{
    if (dt <= 0)
        return;
    (state.onGas ? m_gasWorkSec : m_petrolWorkSec) += dt;
    if (state.onGas)
        m_levelFraction = std::max(0.0, m_levelFraction - dt * 0.00005);
    m_trim += (m_trimTarget - m_trim) * (1 - std::exp(-dt / 1.5));
    const double halfPeriod = std::clamp(0.6 * 800.0 / std::max(rpm, 300.0), 0.15, 0.6);
    m_lambdaPhase = std::fmod(m_lambdaPhase + dt / halfPeriod, 2.0);
    if (heating)
        m_heatSec = std::min(m_heatSec + dt, heatLimitSec);
}

LiveRecordBytes Engine::update(double nowSec, const ImageBytes &image, const TimeBases &tb, ControllerState &st)
{
    if (m_lastSec < 0)
        m_lastSec = nowSec;
    const double dt = std::clamp(nowSec - m_lastSec, 0.0, 86400.0);
    m_lastSec = std::max(m_lastSec, nowSec);

    const Moment m = moment(nowSec, image, tb);
    updateSwitch(m, image, st);
    const bool heating = bit(image, img::Flags540, 5) && m.reducer < s8(image, img::AdvTempHeat);
    integrate(dt, st, m.rpm, u16(image, img::AdvHeatT) * 0.1, heating);
    const InjectorMasks masks = injectorMasks(m, st);
    const MapModel model = runMapModel(m, masks, image, tb);
    const Sensors sensors = readSensors(m, image, st);
    sampleAutoMap(m, masks, model, image, st);
    fillObdArea(
        { nowSec, m.rpm, model.manifold, model.lambdaV, model.shortTrimPct, model.longTrimPct }, m.p, image, st);
    return writeRecord(m, masks, model, sensors, image, st);
}

Engine::Moment Engine::moment(double nowSec, const ImageBytes &image, const TimeBases &tb)
{
    Moment m;
    m.nowSec = nowSec;
    m.p = driveCycle(nowSec);
    m.cylinders = std::min<int>(u8(image, img::InjNum), 8);
    m.cylMask = static_cast<std::uint8_t>((1u << m.cylinders) - 1);
    const std::uint8_t rpmSet = u8(image, img::RpmSet);
    const unsigned rpmSignal = u8(image, img::Flags545) & 3u;
    m.rpm = std::max(300.0, m.p.rpm + noise(20));
    m.period = static_cast<std::uint16_t>(
        std::clamp<std::int32_t>(RpmToTicks(static_cast<std::uint32_t>(m.rpm), rpmSet, rpmSignal, tb), 0, 65535));
    m.reducer = reducerTempAt(nowSec);
    m.gasTemp = gasTempAt(nowSec);
    return m;
}

void Engine::updateSwitch(const Moment &m, const ImageBytes &image, ControllerState &st)
{
    // Auto mode: switch to gas once the reducer is warm and the engine has passed the switch speed,
    // after the switch delay.
    if (st.mode != Mode::Auto || st.onGas)
        return;
    const bool warm = m.reducer >= s8(image, img::TempSw);
    const std::uint16_t switchPeriod = u16(image, img::RpmSw);
    const bool fastEnough = switchPeriod == 0 || m.period <= switchPeriod; // a shorter period is a higher speed
    if (!warm)
        st.switchArmed = false;
    else if (!st.switchArmed && fastEnough) {
        st.switchArmed = true;
        st.armedAtSec = m.nowSec;
    }
    if (st.switchArmed && m.nowSec - st.armedAtSec >= u16(image, img::OnDelay) * 0.1) {
        st.onGas = true;
        st.switchArmed = false;
    }
}

Engine::InjectorMasks Engine::injectorMasks(const Moment &m, const ControllerState &st)
{
    // On gas the petrol override forces a cylinder back to petrol; on petrol it switches that
    // petrol injector off.
    const std::uint8_t override = static_cast<std::uint8_t>(st.petrolOverrideWord & 0xFF);
    InjectorMasks k;
    k.cut = st.gasCutOffMask;
    k.gasActive = st.onGas ? static_cast<std::uint8_t>(m.cylMask & ~override) : 0;
    k.gasInjecting = m.p.fuelCut ? 0 : static_cast<std::uint8_t>(k.gasActive & ~k.cut);
    k.petrolWorks = st.onGas ? static_cast<std::uint8_t>((override | k.cut) & m.cylMask)
                             : static_cast<std::uint8_t>(m.cylMask & ~override);
    k.cutOffState = m.p.fuelCut ? m.cylMask : (st.onGas ? static_cast<std::uint8_t>(k.cut & m.cylMask) : 0);
    return k;
}

Engine::MapModel Engine::runMapModel(
    const Moment &m, const InjectorMasks &masks, const ImageBytes &image, const TimeBases &tb)
{
    MapModel r;
    // The car's own injection times, stretched by its fuel trim.
    double refSum = 0;
    for (int n = 0; n < m.cylinders; ++n) {
        const double ms = m.p.fuelCut ? 0 : m.p.petrolMs * m_trim * (1 + 0.012 * (n - 1.5)) * (1 + noise(0.01));
        r.petrolTicks[static_cast<std::size_t>(n)] = toWord(MsToTicks(static_cast<float>(ms), 1, tb));
        refSum += r.petrolTicks[static_cast<std::size_t>(n)];
    }
    r.petrolRef = m.cylinders > 0 ? toWord(refSum / m.cylinders) : 0;

    // Operating point in the main map, as the PC computes it.
    int column = 7;
    for (int k = 6; k >= 0; --k) {
        if (m.period >= u16(image, img::RpmAxis + 2 * k))
            column = k;
    }
    int row = 0;
    for (int k = 1; k <= 15; ++k) {
        if (r.petrolRef >= u16(image, img::InjTimeAxis + 2 * (k - 1)))
            row = k;
    }
    r.mainCell = u8(image, img::MainMap + 8 * row + column) / 100.0;
    r.map2d = u8(image, img::Map2D + row) / 100.0;
    const double enrich = u16(image, img::WzbogacenieGlowne) / 1000.0;
    r.redCorr = bit(image, img::Flags543, 1) ? 1 + tempCorrection(image, img::ReducerTempMap, m.reducer) / 100 : 1;
    r.gasCorr = bit(image, img::Flags543, 2) ? 1 + tempCorrection(image, img::GasTempMap, m.gasTemp) / 100 : 1;
    const double factor = enrich * r.mainCell * r.map2d * r.redCorr * r.gasCorr;

    // Gas time = petrol time x enrichment x map corrections + offsets, at least the minimum time.
    const double minInj = u16(image, img::MinInj);
    for (int n = 0; n < m.cylinders; ++n) {
        if (!((masks.gasInjecting >> n) & 1))
            continue;
        double t = r.petrolTicks[static_cast<std::size_t>(n)] * factor + s16(image, img::OffsetGlowny)
            + s16(image, img::DiagOffsetIn1 + 2 * n);
        r.gasTicks[static_cast<std::size_t>(n)] = toWord(std::max(t, minInj));
    }

    // The car's controller sees a lean or rich gas mixture through its lambda probe and trims its
    // own times until the mixture is right again.
    r.manifold = m.p.manifoldBar + noise(0.006);
    const double idealFactor = 1.18 + 0.08 * (r.manifold - 0.5);
    const double gasShare
        = m.cylinders > 0 ? __builtin_popcount(masks.gasInjecting) / static_cast<double>(m.cylinders) : 0;
    m_trimTarget
        = (factor > 0 && gasShare > 0) ? std::clamp(1 + gasShare * (idealFactor / factor - 1), 0.75, 1.25) : 1.0;

    if (m.p.fuelCut)
        r.lambdaV = 0.08 + noise(0.01);
    else if (m.p.accelerating)
        r.lambdaV = 0.82 + noise(0.03);
    else
        r.lambdaV = (m_lambdaPhase < 1 ? 0.78 : 0.15) + noise(0.04);
    r.shortTrimPct = (m_trim - 1) * 100 + (r.lambdaV > 0.45 ? -2.5 : 2.5);
    r.longTrimPct = 2.34;
    return r;
}

Engine::Sensors Engine::readSensors(const Moment &m, const ImageBytes &image, const ControllerState &st)
{
    Sensors s;
    const double workBar = std::clamp(u16(image, img::CisnieniePracy) * 0.001, 0.3, 2.5);
    s.presDiff = workBar - (st.onGas ? 0.03 * m.p.throttle : 0) + noise(0.012);
    s.levelV = 1.6 + 3.0 * m_levelFraction;
    s.supplyV = 13.8 + noise(0.03);

    // Level step: how many of the four level points (E, 1/4, 2/4, 3/4) the sensor has reached.
    const bool positiveSensor = bit(image, img::Flags540, 4);
    for (int i = 0; i < 4; ++i) {
        const double pointV = u16(image, img::LevelE + 2 * i) / 819.2;
        if (positiveSensor ? s.levelV >= pointV : s.levelV <= pointV)
            ++s.levelStep;
    }
    return s;
}

void Engine::sampleAutoMap(
    const Moment &m, const InjectorMasks &masks, const MapModel &model, const ImageBytes &image, ControllerState &st)
{
    // Per manifold-pressure band, two samples of the car's injection time, on petrol into set A
    // and on gas into set B; only while every gas injector works.
    if (m.p.fuelCut || model.petrolRef == 0 || (st.onGas && (m.cylMask == 0 || masks.gasInjecting != m.cylMask)))
        return;
    const double step = bit(image, img::Flags543, 5) ? 0.078 : 0.034;
    const int band = std::clamp(static_cast<int>(model.manifold / step), 0, 31);
    const int k = m_sampleToggle[static_cast<std::size_t>(band)];
    m_sampleToggle[static_cast<std::size_t>(band)] ^= 1;
    st.autoMapSamples[static_cast<std::size_t>((st.onGas ? 64 : 0) + 2 * band + k)] = model.petrolRef;
}

LiveRecordBytes Engine::writeRecord(const Moment &m, const InjectorMasks &masks, const MapModel &model,
    const Sensors &sensors, const ImageBytes &image, const ControllerState &st)
{
    LiveRecordBytes record {};
    RecordWriter w { record };
    w.s16(rec::TempReducer, std::lround(m.reducer));
    w.s16(rec::TempGas, std::lround(m.gasTemp));
    const bool obdOn = bit(image, img::Flags541, 0);
    const bool obdCorr = ((u8(image, img::Flags549) >> 1) & 3) != 0;
    w.s16(rec::ObdCorrection, obdOn && obdCorr ? std::lround(model.longTrimPct * 10) : 0);
    for (int n = 0; n < 8; ++n) {
        w.u16(rec::InjPetrol1 + 2 * n, model.petrolTicks[static_cast<std::size_t>(n)]);
        w.u16(rec::InjGas1 + 2 * n, model.gasTicks[static_cast<std::size_t>(n)]);
    }
    w.u16(rec::InjPetrolRef, model.petrolRef);
    w.u16(rec::RpmPeriod, m.period);
    w.u16(rec::GasPressure1, toWord((model.manifold + sensors.presDiff) * 1000));
    w.u16(rec::PresDiff, toWord(sensors.presDiff * 1000));
    w.u16(rec::LevelRaw, toWord(sensors.levelV / 0.00122));
    w.u16(rec::SupplyRaw, toWord(sensors.supplyV / (0.00122 * 5.4)));
    w.u16(rec::LambdaRaw, toWord(model.lambdaV / 0.00122));
    w.u16(rec::ErrorCount, static_cast<std::uint16_t>(st.faults.size()));
    w.u8(rec::GasCutOffWord, masks.gasActive);
    w.u8(rec::GasCutOffWord + 1, masks.cut);
    w.u8(rec::PetrolStateMask, masks.petrolWorks);
    w.u8(rec::SignalFlags, 0x04); // speed signal present, no signal error
    w.u8(rec::ObdShortTrim, obdOn ? trimRaw(model.shortTrimPct) : 128);
    w.u8(rec::ObdLongTrim, obdOn ? trimRaw(model.longTrimPct) : 128);
    w.u16(rec::ModeWord, static_cast<std::uint16_t>(st.reportedMode() << 7));
    // Corrections in force, 0.1 % units of the factor (1000 = none): main map, 2D map, reducer and gas temperature.
    w.u16(rec::Correction1, toWord(model.mainCell * 1000));
    w.u16(rec::Correction1 + 2, toWord(model.map2d * 1000));
    w.u16(rec::Correction1 + 4, toWord(model.redCorr * 1000));
    w.u16(rec::Correction1 + 6, toWord(model.gasCorr * 1000));
    w.u16(rec::PetrolOverrideWord, st.petrolOverrideWord);
    w.u8(rec::CutOffStateMask, masks.cutOffState);
    w.u8(rec::PressureFlags, 0);
    w.u8(rec::LevelStep, static_cast<std::uint8_t>(sensors.levelStep));
    w.u16(rec::ErrorChangeMarker, st.errorChangeMarker);
    w.u16(rec::HeatTime, toWord(m_heatSec * 10));
    const std::uint32_t serviceDue = u32(image, img::ServiceDue);
    w.u8(rec::ServiceBeeps, serviceDue != 0 && m_gasWorkSec >= serviceDue ? 3 : 0);
    const std::vector<int> &order = firingOrder(m.cylinders);
    for (int n = 0; n < 8; ++n)
        w.u16(rec::Sequence1 + 2 * n, 0xFFFF); // no injector on this output
    for (std::size_t i = 0; i < order.size(); ++i)
        w.u16(rec::Sequence1 + 2 * (order[i] - 1), static_cast<std::uint16_t>(i * 720 / order.size()));
    w.u16(rec::GasPressure2, toWord((model.manifold + sensors.presDiff) * 1000));
    w.u16(rec::PresManifold, toWord(model.manifold * 1000));
    w.u16(rec::ReturnTime, 0);
    w.u32(rec::PetrolWorkTime, static_cast<std::uint32_t>(m_petrolWorkSec));
    w.u32(rec::GasWorkTime, static_cast<std::uint32_t>(m_gasWorkSec));

    // Side channels: one OBD slot and one auto-mapping slot per record.
    const int obdOffset = m_obdSlot * 4;
    w.u16(rec::ObdChunkOffset, static_cast<std::uint16_t>(obdOffset));
    for (int i = 0; i < 4; ++i)
        w.u8(rec::ObdChunk + i, m_obd[static_cast<std::size_t>(obdOffset + i)]);
    m_obdSlot = (m_obdSlot + 1) % 21;
    const int slot = m_autoMapSlot + 1;
    w.u16(rec::AutoMapIndexA, static_cast<std::uint16_t>(slot));
    w.u16(rec::AutoMapValueA, st.autoMapSamples[static_cast<std::size_t>(slot - 1)]);
    w.u16(rec::AutoMapIndexB, static_cast<std::uint16_t>(slot));
    w.u16(rec::AutoMapValueB, 0);
    m_autoMapSlot = (m_autoMapSlot + 1) % 128;
    return record;
}

void Engine::fillObdArea(const ObdInputs &in, const DrivePoint &p, const ImageBytes &image, const ControllerState &st)
{
    m_obd.fill(0);
    auto put16 = [this](int off, double v) {
        const std::uint16_t w = toWord(v);
        m_obd[static_cast<std::size_t>(off)] = static_cast<std::uint8_t>(w & 0xFF);
        m_obd[static_cast<std::size_t>(off) + 1] = static_cast<std::uint8_t>(w >> 8);
    };
    if (!bit(image, img::Flags541, 0)) {
        m_obd[12] = 4; // OBD switched off: no CAN
        return;
    }
    m_obd[4] = 0x33; // trims of bank 1, oxygen sensors 1 and 2 of bank 1
    m_obd[5] = 0xE0; // load, coolant, intake pressure
    m_obd[6] = 0x3F; // rpm, speed, advance, intake temperature, air flow, throttle
    m_obd[12] = static_cast<std::uint8_t>(0x03 | 0x08 | (in.nowSec < st.obdReadingUntilSec ? 0x20 : 0)); // 500k/11b, OK
    put16(14, toByte(in.lambdaV / 0.005) * 256.0 + 0xFF);
    put16(16, toByte(0.65 / 0.005 + noise(2)) * 256.0 + 0xFF);
    put16(30, in.rpm / 60 * in.manifoldBar * 0.96 * 10); // air mass, 0.1 g/s
    put16(32, in.rpm * 4);
    m_obd[36] = trimRaw(in.shortTrimPct);
    m_obd[37] = trimRaw(in.longTrimPct);
    m_obd[38] = 128;
    m_obd[39] = 128;
    const double throttlePct = 14 + 70 * p.throttle;
    m_obd[40] = toByte((20 + 70 * p.throttle + (p.fuelCut ? -15 : 0)) / 0.392156862);
    const double coolant = 20 + 70 * (1 - std::exp(-std::max(0.0, in.nowSec) / 90));
    m_obd[41] = toByte(coolant + 40);
    m_obd[42] = toByte(in.manifoldBar * 100);
    m_obd[43] = toByte(p.speedKmh);
    const double advance = 10 + 15 * std::clamp((in.rpm - 800) / 2400, 0.0, 1.0);
    m_obd[44] = toByte((advance + 64) * 2);
    m_obd[45] = 25 + 40;
    m_obd[46] = toByte(throttlePct / 0.392156862);
    for (std::size_t i = 0; i < st.obdTroubleCodes.size() && i < 16; ++i) {
        m_obd[48 + 2 * i] = static_cast<std::uint8_t>(st.obdTroubleCodes[i] >> 8);
        m_obd[49 + 2 * i] = static_cast<std::uint8_t>(st.obdTroubleCodes[i] & 0xFF);
    }
}

} // namespace kelvane::sim
