#include "SettingsControls.h"

#include "Build.h"
#include "FieldTable.h"
#include "SettingCaptions.h"
#include "TAbNumSpin.h"
#include "TAbToggleSwitch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kelvane {

TextToggleSwitch::TextToggleSwitch(QWidget *parent)
    : TAbToggleSwitch(parent)
{
}

void TextToggleSwitch::setOnText(const QString &text)
{
    m_onText = text;
    update();
}

void TextToggleSwitch::setOffText(const QString &text)
{
    m_offText = text;
    update();
}

void TextToggleSwitch::paintEvent(QPaintEvent *event)
{
    TAbToggleSwitch::paintEvent(event);
    const QString text = currentText();
    // The track as the switch draws it: about 2:1, centred; the knob fills one end.
    const double h = std::min<double>(height() - 2, (width() - 2) / 1.9);
    if (text.isEmpty() || h < 8)
        return;
    const double w = h * 1.9;
    const QRectF track((width() - w) / 2, (height() - h) / 2, w, h);
    const double knob = h; // the knob's diameter with its margin
    const QRectF room = isOn() ? QRectF(track.left() + 3, track.top(), w - knob - 3, h)
                               : QRectF(track.left() + knob, track.top(), w - knob - 3, h);
    QFont f = font();
    f.setBold(true);
    int px = std::max(6, static_cast<int>(h * 0.45));
    f.setPixelSize(px);
    // Smaller until the text fits beside the knob; a text that does not fit even then is elided.
    while (px > 6 && QFontMetricsF(f).horizontalAdvance(text) > room.width()) {
        f.setPixelSize(--px);
    }
    QPainter p(this);
    p.setFont(f);
    p.setPen(!isEnabled() ? QColor(0x90, 0x90, 0x90) : isOn() ? QColor(Qt::white) : QColor(0x30, 0x30, 0x30));
    const QString shown = QFontMetrics(f).elidedText(text, Qt::ElideRight, static_cast<int>(room.width()));
    p.drawText(room, Qt::AlignCenter, shown);
}

const FieldDef *fieldOfControl(const char *control)
{
    for (const FieldDef &f : fieldTable()) {
        if (std::strcmp(f.control, control) == 0)
            return &f;
    }
    return nullptr;
}

namespace {

int decimalsFor(double step)
{
    if (step <= 0 || step >= 1)
        return 0;
    return std::min(3, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
}

} // namespace

QWidget *createSetting(QWidget *parent, const char *control)
{
    const FieldDef *f = fieldOfControl(control);
    if (!f)
        return nullptr;
    const QString name = QString::fromLatin1(control);
    QWidget *w = nullptr;
    switch (f->controlKind) {
    case ControlKind::SpinEdit:
        w = build::spin(parent, name, f->min, f->max, f->step, decimalsFor(f->step));
        break;
    case ControlKind::ComboBox:
        w = build::combo(parent, name, f->items);
        break;
    case ControlKind::CheckBox: {
        auto *c = new QCheckBox(checkBoxText(control), parent);
        c->setObjectName(name);
        w = c;
        break;
    }
    case ControlKind::ToggleSwitch: {
        auto *t = new TextToggleSwitch(parent);
        t->setObjectName(name);
        w = t;
        break;
    }
    case ControlKind::TrackBar: {
        auto *s = new QSlider(Qt::Horizontal, parent);
        s->setObjectName(name);
        s->setRange(static_cast<int>(f->min), static_cast<int>(f->max));
        // Brightness and volume start at position 10, as the window has always opened.
        s->setValue(10);
        w = s;
        break;
    }
    case ControlKind::None:
        return nullptr;
    }
    w->setEnabled(false);
    return w;
}

QWidget *addSetting(QWidget *parent, QGridLayout *grid, int row, int column, const char *control)
{
    QWidget *w = createSetting(parent, control);
    if (!w)
        return nullptr;
    const QString caption = settingCaption(control);
    if (!caption.isEmpty()) {
        auto *label = new QLabel(caption, parent);
        label->setObjectName(captionLabelName(control));
        grid->addWidget(label, row, column);
    }
    grid->addWidget(w, row, column + 1);
    return w;
}

void showSpin(TAbNumSpin &spin, const Shown &shown)
{
    spin.setValue(shown.number);
}

ImageWrites writeBackSpin(
    ParameterImage &image, const FieldDef &field, const TAbNumSpin &spin, const DecodeContext &ctx)
{
    return writeBackNumber(image, field, { spin.value(), spin.isEdited() }, ctx);
}

} // namespace kelvane
