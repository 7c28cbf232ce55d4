#pragma once
// The guided adaptation: on a warm engine it records how long the car's petrol controller opens
// injector 1 on petrol, switches to gas, forces the start values of the calibration, sets the
// work pressure from the pressure difference and then, cylinder by cylinder, moves the main
// enrichment until the petrol opening time on gas is back within a band around the petrol one.
//
// A state machine advanced once per decoded live reply (the window steps it after showing the
// record), plus the three buttons. It sends its controller commands and setting writes itself, through the
// session's write dispatcher: every setting it forces is first stored into the session's Parameter image (as the
// setting's own write-back does) and then sent. What the window has to do is returned as an AdaptationUpdate: the text
// to show, the buttons to enable, and the controls whose value the procedure changed (refresh them from the image
// without running their write-back, so that nothing is written twice).

#include "ControllerSession.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvane {

// The texts of the procedure; all but NoReply can be replaced from a language file by their id.
enum class AdaptText : std::uint8_t {
    T0, // "Adapt. commands: /n- Press START to make adaptation"
    Cold, // "Wait for reducer 50 °C, then press START"
    T1,
    T2,
    T3,
    T4,
    T5,
    T6,
    T7,
    T8,
    T9,
    T10,
    T11,
    T12,
    T13,
    T14, // "Adaptation Finished"
    T15, // "inappropriate injectors size"
    NoReply, // "Adaptation aborted: no reply from the ECU" (no language id)
};
constexpr int AdaptTextCount = static_cast<int>(AdaptText::NoReply) + 1;
// 101201-101217, 0 for NoReply.
int adaptTextId(AdaptText text);
// The built-in text (UTF-8).
const char *adaptDefaultText(AdaptText text);

constexpr std::int16_t AdaptMinReducerTemp = 50; // °C, START refuses below
constexpr int AdaptSamples = 100; // samples per series
constexpr int AdaptPressureWaitSteps = 101; // steps of the work-pressure wait before it is set
constexpr float AdaptBand = 2000; // around the petrol reference sum
constexpr int AdaptMinEnrichment = -10; // reaching either limit aborts
constexpr int AdaptMaxEnrichment = 40;
// Rejected live replies in a row (about one second of polling) after which the procedure aborts.
constexpr std::uint64_t AdaptNoReplyLimit = 15;

struct AdaptationUpdate {
    std::optional<AdaptText> text; // show in RichEditAdapt
    std::optional<bool> startEnabled; // ButtonAdaptacjaStart
    std::optional<bool> nextEnabled; // ButtonAdaptNext
    // Object names of the spin edits whose value the procedure set ("AbNumSpinOffsetGlowny",
    // "AbNumSpinWzbogacenieGlowne", "AbNumSpinCylinderTime", "AbNumSpinCisnieniePracy"); the
    // image and the controller hold the new value already.
    std::vector<std::string> changedControls;
    // Progress: the state (0-16) and the samples or steps taken in it, after this call.
    int state = 0;
    int counter = 0;
};

class Adaptation {
public:
    explicit Adaptation(ControllerSession &session)
        : m_s(session)
    {
    }

    // START: below 50 °C at the reducer only shows the cold text. Otherwise petrol mode and the
    // procedure starts, waiting for NEXT.
    AdaptationUpdate start();
    // STOP: the procedure stops where it is; nothing is sent (the controller stays in the mode
    // and with the mask last sent).
    AdaptationUpdate stop();
    // NEXT: acts only while the procedure waits for it (state 1, the fitter has put the load on);
    // ignored everywhere else, so a double click cannot skip the petrol reference.
    AdaptationUpdate next();
    // One step, after each decode while running() (the polling cycle calls it). Samples come
    // only from accepted replies: after a rejected one the step does nothing, and after
    // AdaptNoReplyLimit rejected replies in a row the procedure aborts (petrol mode, mask cleared)
    // with the NoReply text.
    AdaptationUpdate step();

    // The link to the controller was lost: a running procedure stops where it is with the NoReply
    // text (nothing can be sent now); the next reconnected() puts the controller back as an abort
    // does (petrol mode, mask cleared).
    AdaptationUpdate linkLost();
    void reconnected();

    bool running() const { return m_running; }
    int state() const { return m_state; }
    int counter() const { return m_counter; }
    float petrolReferenceSum() const { return m_petrolSum; }
    float gasSum() const { return m_gasSum; }

private:
    AdaptationUpdate update(AdaptationUpdate u) const;
    AdaptText stateText() const;
    void sendMask(std::uint8_t keepBit0Set);
    void sendMaskCleared();
    void abort(AdaptText reason);
    int enrichment() const;
    void writeSetting(const char *field, double value, AdaptationUpdate &u);
    void forceStartValues(AdaptationUpdate &u);
    void enrichmentSearch(int nextState, AdaptationUpdate &u);
    float sample() const;

    ControllerSession &m_s;
    bool m_running = false;
    bool m_restoreOnReconnect = false;
    std::uint8_t m_state = 0;
    std::uint8_t m_counter = 0;
    float m_petrolSum = 0;
    float m_gasSum = 0;
    AdaptText m_abortText = AdaptText::T15;
};

} // namespace kelvane
