#include "SettingsWiring.h"

#include "ControllerSession.h"
#include "DisplayContext.h"
#include "FocusLossNotifier.h"
#include "MainWindow.h"
#include "MapAxes.h"
#include "MapPages.h"
#include "NumberFormat.h"
#include "TAbBar.h"
#include "TAbNumSpin.h"
#include "TAbToggleSwitch.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>

#include <utility>

namespace kelvane {

SettingsWiring::SettingsWiring(TForm1 &form, ControllerSession &session)
    : QObject(&form)
    , m_form(form)
    , m_session(session)
    , m_writeBack(session, *this)
    , m_focus(new FocusLossNotifier(this))
{
    setObjectName(QStringLiteral("SettingsWiring"));
    wire();
}

SettingsWiring::~SettingsWiring() = default;

bool SettingsWiring::connectByKind(QWidget *widget, const FieldDef &field)
{
    const FieldDef *f = &field;
    auto write = [this, f] { m_writeBack.write(*f, Trigger::Change); };
    switch (f->controlKind) {
    case ControlKind::ComboBox:
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            return connect(combo, &QComboBox::activated, this, write);
        break;
    case ControlKind::SpinEdit:
        if (auto *spin = qobject_cast<TAbNumSpin *>(widget))
            return connect(spin, &TAbNumSpin::changed, this, write);
        break;
    case ControlKind::CheckBox:
        if (auto *check = qobject_cast<QCheckBox *>(widget))
            return connect(check, &QCheckBox::toggled, this, write);
        break;
    case ControlKind::ToggleSwitch:
        if (auto *toggle = qobject_cast<TAbToggleSwitch *>(widget))
            return connect(toggle, &TAbToggleSwitch::clicked, this, write);
        break;
    case ControlKind::TrackBar:
        if (auto *slider = qobject_cast<QSlider *>(widget)) {
            // A track bar with step buttons writes as they do when the fitter moves it, once,
            // where it is let go; code moving it (the buttons, a preset, the decode) writes nothing.
            if (f->stepDown)
                slider->setTracking(false);
            return connect(slider, &QSlider::valueChanged, this, [this, f, write] {
                if (f->runsOnCodeChange || !m_movingTrackBar)
                    write();
            });
        }
        break;
    case ControlKind::None:
        break;
    }
    return false;
}

void SettingsWiring::wire()
{
    for (const SettingsControl &c : settingsControls()) {
        const FieldDef *f = c.field;
        QWidget *widget = control(c.control);
        if (!widget || !connectByKind(widget, *f)) {
            m_missing << QString::fromLatin1(c.control);
            continue;
        }
        if (c.repeatsOnFocusOut)
            m_focus->watch(widget);
        // A control that waits for a software revision is enabled by the decode.
        if (f->minSoftwareRevision == 0)
            widget->setEnabled(true);
        for (const auto &[name, step] : { std::pair { f->stepDown, -1 }, std::pair { f->stepUp, 1 } }) {
            if (!name)
                continue;
            auto *button = controlAs<QAbstractButton>(name);
            if (!button) {
                m_missing << QString::fromLatin1(name);
                continue;
            }
            connect(button, &QAbstractButton::clicked, this, [this, f, step = step] { m_writeBack.step(*f, step); });
            button->setEnabled(true);
        }
    }
    connect(m_focus, &FocusLossNotifier::focusLost, this, &SettingsWiring::leave);
}

void SettingsWiring::leave(QWidget *widget)
{
    // While the window closes its controls lose the focus one by one: that is no fitter leaving.
    if (!m_form.layoutFlag())
        return;
    const QByteArray name = widget->objectName().toLatin1();
    m_writeBack.run(name.constData(), Trigger::FocusOut);
}

void SettingsWiring::ShowImage()
{
    m_writeBack.ShowImage(m_session.conn.HardwareRevision, m_session.conn.SoftwareRevision);
}

QWidget *SettingsWiring::control(const char *name) const
{
    const QString key = QString::fromLatin1(name);
    auto it = m_controls.constFind(key);
    if (it != m_controls.constEnd() && it.value())
        return it.value();
    QWidget *w = m_form.findChild<QWidget *>(key);
    m_controls.insert(key, w);
    return w;
}

// ---------------------------------------------------------------------------------------------------
// SettingsView

NumberEntry SettingsWiring::number(const char *spin) const
{
    if (auto *s = controlAs<TAbNumSpin>(spin))
        return { s->value(), s->isEdited() };
    return {};
}

void SettingsWiring::setNumber(const char *spin, double value)
{
    if (auto *s = controlAs<TAbNumSpin>(spin))
        s->setValue(value);
}

int SettingsWiring::item(const char *combo) const
{
    if (auto *c = controlAs<QComboBox>(combo))
        return c->currentIndex();
    return -1;
}

void SettingsWiring::setItem(const char *combo, int item)
{
    auto *c = controlAs<QComboBox>(combo);
    if (!c)
        return;
    c->setCurrentIndex(item >= 0 && item < c->count() ? item : -1);
}

void SettingsWiring::setComboText(const char *combo, const QString &text)
{
    auto *c = controlAs<QComboBox>(combo);
    if (!c)
        return;
    c->setCurrentIndex(-1);
    c->setPlaceholderText(text);
    if (c->isEditable())
        c->setEditText(text);
}

bool SettingsWiring::isOn(const char *control) const
{
    if (auto *c = controlAs<QCheckBox>(control))
        return c->isChecked();
    if (auto *t = controlAs<TAbToggleSwitch>(control))
        return t->isOn();
    return false;
}

void SettingsWiring::setOn(const char *control, bool on)
{
    // A check box raises its click event on the change: its own write-back runs.
    if (auto *c = controlAs<QCheckBox>(control))
        c->setChecked(on);
    else if (auto *t = controlAs<TAbToggleSwitch>(control))
        t->setOn(on);
}

int SettingsWiring::position(const char *trackBar) const
{
    if (auto *s = controlAs<QSlider>(trackBar))
        return s->value();
    return 0;
}

void SettingsWiring::setPosition(const char *trackBar, int position)
{
    auto *s = controlAs<QSlider>(trackBar);
    if (!s)
        return;
    const bool was = m_movingTrackBar;
    m_movingTrackBar = true;
    s->setValue(position); // limited to the range; a change raises the change event
    m_movingTrackBar = was;
}

void SettingsWiring::setPercentText(const char *edit, double percent)
{
    if (auto *e = controlAs<QLineEdit>(edit))
        e->setText(QString::fromStdString(formatFixed(percent, 3, 1, systemDecimalPoint())));
}

void SettingsWiring::setVisible(const char *name, bool visible)
{
    if (QWidget *w = control(name))
        w->setVisible(visible);
}

void SettingsWiring::setEnabled(const char *name, bool enabled)
{
    QWidget *w = control(name);
    if (!w)
        return;
    // A page of a page control: its tab.
    if (QWidget *stack = w->parentWidget()) {
        if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget())) {
            const int index = tabs->indexOf(w);
            if (index >= 0) {
                tabs->setTabEnabled(index, enabled);
                return;
            }
        }
    }
    w->setEnabled(enabled);
}

void SettingsWiring::setLambdaRange(double min, double max)
{
    for (const char *name : { "AbBarPasL", "AbBarLambda" }) {
        if (auto *bar = controlAs<TAbBar>(name))
            bar->setRange(min, max);
    }
}

RpmAxisTexts SettingsWiring::rpmAxisTexts() const
{
    // The speeds as the main map's header row shows them from the image.
    return maps::axisTexts(m_session.image, m_session.timeBases, QChar::fromLatin1(systemDecimalPoint())).rpm;
}

ImageWrites SettingsWiring::reencodeRpmAxis(ParameterImage &image, const RpmAxisTexts &texts)
{
    // The map editor converts the texts its header row shows and sends them itself.
    if (MapPages *maps = m_form.mapPages()) {
        maps->engineTypeChanged();
        return {};
    }
    const maps::AxisSaveResult r = maps::reencodeRpmAxis(image, texts, m_session.timeBases);
    ImageWrites out;
    if (r.status != maps::AxisSaveResult::Saved)
        return out;
    for (const maps::Write &w : r.writes) {
        if (w.kind == maps::WriteKind::Word)
            out.push_back(ImageWrite::word(w.index));
        else if (w.kind == maps::WriteKind::Byte)
            out.push_back(ImageWrite::byte(w.index));
    }
    return out;
}

} // namespace kelvane
