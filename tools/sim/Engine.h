#pragma once
// The simulated car behind the controller: a slow drive cycle (idle near 800 rpm,
// acceleration, cruise, overrun with fuel cut-off), a reducer that warms up, gas and
// manifold pressure, a toggling lambda probe, the car's OBD data, and the
// controller's own bookkeeping (mode, injector masks, work-time counters,
// auto-mapping samples). Engine::update turns all of it into the 192-byte live record.

#include "ParameterImage.h"

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace kelvane::sim {

using LiveRecordBytes = std::array<std::uint8_t, 192>;
using ObdArea = std::array<std::uint8_t, 84>;

// Operating mode as the commands set it.
enum class Mode { Petrol = 0, Auto = 1, Gas = 2 };

// What the controller keeps besides its configuration memory; the protocol side changes it.
struct ControllerState {
    Mode mode = Mode::Auto;
    bool onGas = false; // the gas injectors are driving the engine
    bool switchArmed = false; // auto: warm and above the switch speed, waiting for the switch delay
    double armedAtSec = 0;
    std::uint8_t gasCutOffMask = 0; // gas injectors switched off by the fitter
    std::uint16_t petrolOverrideWord = 0; // low byte: per-cylinder petrol override
    std::vector<std::uint16_t> faults; // error memory, at most 32 codes
    std::uint16_t errorChangeMarker = 1; // changes whenever the error memory changes
    std::vector<std::uint16_t> carTroubleCodes; // stored in the car's own controller (first byte high)
    std::vector<std::uint16_t> obdTroubleCodes; // as last read over OBD, delivered to the PC
    double obdReadingUntilSec = -1; // "reading PIDs" shown until then
    std::array<std::uint16_t, 128> autoMapSamples {}; // set A (petrol) words 0-63, set B (gas) 64-127

    // Mode as the live record reports it: 0 petrol, 1 auto (not yet switched), 2 gas.
    int reportedMode() const { return mode == Mode::Petrol ? 0 : (onGas ? 2 : 1); }
};

// One moment of the drive cycle, before any noise.
struct DrivePoint {
    double rpm = 800;
    double petrolMs = 2.6; // what the car's own controller asks for
    double manifoldBar = 0.34;
    double throttle = 0; // 0..1
    double speedKmh = 0;
    bool fuelCut = false; // overrun: the car's controller injects nothing
    bool accelerating = false;
};
// The drive cycle repeats every 40 s: idle, acceleration, cruise, overrun, idle.
DrivePoint driveCycle(double tSec);
constexpr double DriveCycleSec = 40.0;

class Engine {
public:
    explicit Engine(unsigned seed);

    // Runs the model up to nowSec (seconds since the engine started) and builds the live
    // record as the controller sends it now. Advances both side channels by one slot.
    LiveRecordBytes update(double nowSec, const ImageBytes &image, const TimeBases &tb, ControllerState &state);

    // Reducer and gas temperatures at a time, degrees C (they follow the engine's warm-up).
    static double reducerTempAt(double tSec);
    static double gasTempAt(double tSec);

    double petrolWorkSec() const { return m_petrolWorkSec; }
    double gasWorkSec() const { return m_gasWorkSec; }
    double ecuTrim() const { return m_trim; }
    const ObdArea &obdArea() const { return m_obd; }

private:
    // The steps of update, in the order it runs them. Each works on what the ones before it found.

    // The drive cycle at this moment, with the engine speed as the controller measures it.
    struct Moment {
        double nowSec = 0;
        DrivePoint p;
        int cylinders = 0;
        std::uint8_t cylMask = 0;
        double rpm = 0;
        std::uint16_t period = 0; // engine speed in controller ticks
        double reducer = 0, gasTemp = 0; // degrees C
    };
    Moment moment(double nowSec, const ImageBytes &image, const TimeBases &tb);
    // Auto mode's switch to gas: warm reducer, switch speed passed, switch delay over.
    static void updateSwitch(const Moment &m, const ImageBytes &image, ControllerState &state);
    void integrate(double dt, const ControllerState &state, double rpm, double heatLimitSec, bool heating);

    // Which injectors work, bit n-1 for cylinder n.
    struct InjectorMasks {
        std::uint8_t gasActive = 0; // driven on gas by the controller
        std::uint8_t cut = 0; // gas injectors switched off by the fitter
        std::uint8_t gasInjecting = 0; // gas injectors injecting now
        std::uint8_t petrolWorks = 0; // petrol injectors working
        std::uint8_t cutOffState = 0; // cylinders cut off (overrun or switched off on gas)
    };
    static InjectorMasks injectorMasks(const Moment &m, const ControllerState &state);

    // The gas-time model: the car's petrol times, the operating point in the maps, the corrections
    // and the gas times, and how the car's controller answers the mixture through its lambda probe.
    struct MapModel {
        std::array<std::uint16_t, 8> petrolTicks {};
        std::uint16_t petrolRef = 0;
        double mainCell = 1, map2d = 1, redCorr = 1, gasCorr = 1; // correction factors
        std::array<std::uint16_t, 8> gasTicks {};
        double manifold = 0; // bar
        double lambdaV = 0;
        double shortTrimPct = 0, longTrimPct = 0;
    };
    MapModel runMapModel(const Moment &m, const InjectorMasks &masks, const ImageBytes &image, const TimeBases &tb);

    // Pressure, level and supply readings.
    struct Sensors {
        double presDiff = 0; // bar
        double levelV = 0, supplyV = 0;
        int levelStep = 0; // level points reached, 0-4
    };
    Sensors readSensors(const Moment &m, const ImageBytes &image, const ControllerState &state);
    void sampleAutoMap(const Moment &m, const InjectorMasks &masks, const MapModel &model, const ImageBytes &image,
        ControllerState &state);
    // The record as the controller sends it now; advances both side channels by one slot.
    LiveRecordBytes writeRecord(const Moment &m, const InjectorMasks &masks, const MapModel &model,
        const Sensors &sensors, const ImageBytes &image, const ControllerState &state);

    struct ObdInputs {
        double nowSec, rpm, manifoldBar, lambdaV, shortTrimPct, longTrimPct;
    };
    void fillObdArea(const ObdInputs &in, const DrivePoint &p, const ImageBytes &image, const ControllerState &state);
    double noise(double amplitude);

    std::mt19937 m_rng;
    double m_lastSec = -1;
    double m_petrolWorkSec = 40213;
    double m_gasWorkSec = 512733;
    double m_levelFraction = 0.62;
    double m_trim = 1.0; // the car's controller stretches its times when the gas mixture is lean
    double m_trimTarget = 1.0;
    double m_lambdaPhase = 0;
    double m_heatSec = 0;
    int m_obdSlot = 0; // 0..20, four bytes each
    int m_autoMapSlot = 0; // 0..127
    std::array<std::uint8_t, 32> m_sampleToggle {};
    ObdArea m_obd {};
};

} // namespace kelvane::sim
