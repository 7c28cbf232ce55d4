#include "Adaptation.h"

#include "FieldCodec.h"
#include "FieldTable.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvane {

namespace {

struct TextDef {
    int id;
    const char *text;
};

const std::array<TextDef, AdaptTextCount> Texts = { {
    { 101201, "Adapt. commands: /n- Press START to make adaptation" },
    { 101202, "Wait for reducer 50 \u00B0C, then press START" },
    { 101203, "TURN OFF Air Condiotion, TURN ON: lights and FAN to make load. After, press NEXT" },
    { 101204, "Wait few seconds......" },
    { 101205, "......" },
    { 101206, "WorkPresSet..." },
    { 101207, "SettingEnrichment C1" },
    { 101208, "......" },
    { 101209, "SettingEnrichment C2" },
    { 101210, "SettingEnrichment C3" },
    { 101211, "SettingEnrichment C4" },
    { 101212, "SettingEnrichment C5" },
    { 101213, "SettingEnrichment C6" },
    { 101214, "SettingEnrichment C7" },
    { 101215, "SettingEnrichment C8" },
    { 101216, "Adaptation Finished" },
    { 101217, "inappropriate injectors size" },
    { 0, "Adaptation aborted: no reply from the ECU" },
} };

// Bit 0 of the petrol-injector override mask is cylinder 1; the procedure forces petrol on the
// other cylinders and gives them back to gas one at a time.
constexpr std::uint8_t Cylinder1 = 0x01;
constexpr std::uint8_t ForcedFrom2 = 0xFE; // state 3: cylinders 2-8 on petrol
// States 6 and 8-13: the cylinders still forced on petrol.
constexpr std::uint8_t maskOfState(int state)
{
    switch (state) {
    case 6:
        return 0xFC;
    case 8:
        return 0xF8;
    case 9:
        return 0xF0;
    case 10:
        return 0xE0;
    case 11:
        return 0xC0;
    case 12:
        return 0x80;
    default:
        return 0x00; // 13
    }
}

// The start values forced in state 3.
constexpr double StartIdleCorrectionMs = 0.8;
constexpr double StartEnrichment = 10;
constexpr double StartCylinderTimeSec = 2;
constexpr double PressureBelowDifferenceBar = 0.1;

} // namespace

int adaptTextId(AdaptText text)
{
    return Texts[static_cast<std::size_t>(text)].id;
}
const char *adaptDefaultText(AdaptText text)
{
    return Texts[static_cast<std::size_t>(text)].text;
}

AdaptationUpdate Adaptation::update(AdaptationUpdate u) const
{
    u.state = m_state;
    u.counter = m_counter;
    return u;
}

AdaptText Adaptation::stateText() const
{
    if (m_state == 15)
        return m_abortText;
    return static_cast<AdaptText>(m_state == 0 ? 0 : m_state + 1); // T1 follows Cold
}

float Adaptation::sample() const
{
    return static_cast<float>(m_s.live.injPetrol(1));
}

void Adaptation::sendMask(std::uint8_t forced)
{
    LiveData &live = m_s.live;
    live.setU8(rec::PetrolOverrideWord, static_cast<std::uint8_t>((live.petrolOverrideMask() & Cylinder1) | forced));
    m_s.writes.command(ControllerCommand::PetrolOverrideWord, live.u16(rec::PetrolOverrideWord));
}

void Adaptation::sendMaskCleared()
{
    m_s.live.setU8(rec::PetrolOverrideWord, 0);
    m_s.writes.command(ControllerCommand::PetrolOverrideWord, m_s.live.u16(rec::PetrolOverrideWord));
}

void Adaptation::abort(AdaptText reason)
{
    m_s.writes.command(ControllerCommand::ModePetrol);
    m_state = 15;
    m_abortText = reason;
    sendMaskCleared();
}

int Adaptation::enrichment() const
{
    const FieldDef *f = findField(QStringLiteral("WzbogacenieGlowne"));
    if (!f)
        return 0;
    return static_cast<int>(std::lround(decodeField(m_s.image, *f, DecodeContext { m_s.timeBases }).number));
}

void Adaptation::writeSetting(const char *field, double value, AdaptationUpdate &u)
{
    const FieldDef *f = findField(QString::fromLatin1(field));
    if (!f)
        return;
    // The setting's own write-back: into the image, then the writes it asks for, in order.
    const ActionScope action(m_s.writes, std::string("adaptation: ") + field);
    for (const ImageWrite &w : encodeField(m_s.image, *f, value, DecodeContext { m_s.timeBases }))
        m_s.writes.write(w);
    const std::string control = f->control;
    if (!control.empty()
        && std::find(u.changedControls.begin(), u.changedControls.end(), control) == u.changedControls.end())
        u.changedControls.push_back(control);
}

void Adaptation::forceStartValues(AdaptationUpdate &u)
{
    writeSetting("OffsetGlowny", StartIdleCorrectionMs, u);
    writeSetting("WzbogacenieGlowne", StartEnrichment, u);
    u.text = AdaptText::T3;
    m_s.writes.command(ControllerCommand::ModeGas);
    writeSetting("CylinderTime", StartCylinderTimeSec, u);
    sendMask(ForcedFrom2);
}

void Adaptation::enrichmentSearch(int nextState, AdaptationUpdate &u)
{
    if (m_counter < AdaptSamples) {
        m_gasSum += sample();
        ++m_counter;
        return;
    }
    const float reference = m_petrolSum;
    int e = enrichment();
    if (m_gasSum > reference + AdaptBand) {
        if (e < AdaptMaxEnrichment) {
            writeSetting("WzbogacenieGlowne", e + 1, u);
            e = enrichment();
        }
        m_counter = 0;
        m_gasSum = 0;
    } else if (m_gasSum < reference - AdaptBand) {
        if (e > AdaptMinEnrichment) {
            writeSetting("WzbogacenieGlowne", e - 1, u);
            e = enrichment();
        }
        m_counter = 0;
        m_gasSum = 0;
    } else {
        m_state = static_cast<std::uint8_t>(nextState);
    }
    if (e <= AdaptMinEnrichment || e >= AdaptMaxEnrichment)
        abort(AdaptText::T15);
}

AdaptationUpdate Adaptation::start()
{
    AdaptationUpdate u;
    if (m_s.live.s16(rec::TempReducer) < AdaptMinReducerTemp) {
        u.text = AdaptText::Cold;
        return update(u);
    }
    m_s.writes.command(ControllerCommand::ModePetrol);
    m_running = true;
    m_state = 1;
    m_counter = 0;
    m_petrolSum = 0;
    m_gasSum = 0;
    m_abortText = AdaptText::T15;
    u.startEnabled = false;
    u.nextEnabled = true;
    return update(u);
}

AdaptationUpdate Adaptation::stop()
{
    m_running = false;
    m_state = 0;
    m_counter = 0;
    AdaptationUpdate u;
    u.startEnabled = true;
    return update(u);
}

AdaptationUpdate Adaptation::linkLost()
{
    AdaptationUpdate u;
    if (!m_running)
        return update(u);
    m_restoreOnReconnect = true;
    m_running = false;
    m_state = 0;
    m_counter = 0;
    u.text = AdaptText::NoReply;
    u.startEnabled = true;
    return update(u);
}

void Adaptation::reconnected()
{
    if (!m_restoreOnReconnect)
        return;
    m_restoreOnReconnect = false;
    m_s.writes.command(ControllerCommand::ModePetrol);
    sendMaskCleared();
}

AdaptationUpdate Adaptation::next()
{
    if (m_running && m_state == 1) {
        m_state = 2;
        m_counter = 0;
    }
    return update({});
}

AdaptationUpdate Adaptation::step()
{
    AdaptationUpdate u;
    if (!m_running || m_state > 16)
        return update(u);
    if (m_state >= 1 && m_state <= 14 && !m_s.polling.lastReplyAccepted()) {
        // The record is the last accepted one again: nothing to sample or act on.
        if (m_s.polling.stats().rejectedInARow >= AdaptNoReplyLimit)
            abort(AdaptText::NoReply);
        else
            u.text = stateText();
        return update(u);
    }
    if (m_state != 16 && m_state != 3)
        u.text = stateText();
    switch (m_state) {
    case 0:
        break;
    case 1:
        m_counter = 0; // waits for NEXT
        break;
    case 2:
        if (m_counter < AdaptSamples) {
            m_petrolSum += sample();
            ++m_counter;
        } else {
            m_counter = 0;
            m_state = 3;
        }
        break;
    case 3:
        forceStartValues(u);
        m_state = 4;
        break;
    case 4:
        if (m_counter < AdaptPressureWaitSteps) {
            ++m_counter;
        } else {
            const double bar = m_s.live.u16(rec::PresDiff) * 0.001 - PressureBelowDifferenceBar;
            writeSetting("CisnieniePracy", bar, u);
            m_counter = 0;
            m_state = 5;
        }
        break;
    case 5:
        enrichmentSearch(6, u);
        break;
    case 6:
        sendMask(maskOfState(6));
        m_counter = 0;
        m_gasSum = 0;
        m_state = 7;
        break;
    case 7:
        enrichmentSearch(8, u);
        break;
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
        sendMask(maskOfState(m_state));
        ++m_state;
        break;
    case 14:
        u.startEnabled = true;
        u.nextEnabled = false;
        sendMaskCleared();
        m_state = 16;
        break;
    case 15:
        u.startEnabled = true;
        u.nextEnabled = false;
        m_state = 16;
        break;
    default: // 16: finished, nothing more
        break;
    }
    return update(u);
}

} // namespace kelvane
