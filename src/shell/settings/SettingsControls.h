#pragma once
// The controller settings controls, each built from its row of the field table (kind, range,
// step, items) with its name as objectName. They stay disabled until SettingsWiring (SettingsWiring.h)
// connects their write-back, so nothing the fitter changes is silently dropped.

#include "FieldCodec.h"
#include "SettingCaptions.h"
#include "TAbToggleSwitch.h"

#include <QString>

class QGridLayout;
class QWidget;
class TAbNumSpin;

namespace kelvane {

// The slide switch of a settings header: it writes its state on the track beside the knob, "OFF"
// and "ON" unless a language file gives other texts.
class TextToggleSwitch : public TAbToggleSwitch {
    Q_OBJECT
    Q_PROPERTY(QString onText READ onText WRITE setOnText)
    Q_PROPERTY(QString offText READ offText WRITE setOffText)
public:
    explicit TextToggleSwitch(QWidget *parent = nullptr);

    void setOnText(const QString &text);
    QString onText() const { return m_onText; }
    void setOffText(const QString &text);
    QString offText() const { return m_offText; }
    QString currentText() const { return isOn() ? m_onText : m_offText; }

    QSize sizeHint() const override { return QSize(60, 28); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_onText = QStringLiteral("ON");
    QString m_offText = QStringLiteral("OFF");
};

// The row of the field table that the control named `control` shows; nullptr when none does.
const FieldDef *fieldOfControl(const char *control);

// Creates the control named `control` (and its caption label where it has one) in row `row` of the
// grid: caption in column `column`, control in column `column + 1`. Returns the control, or
// nullptr when the table has no such control.
QWidget *addSetting(QWidget *parent, QGridLayout *grid, int row, int column, const char *control);
// The control alone, for a section header or a panel.
QWidget *createSetting(QWidget *parent, const char *control);

// A spin edit shown from its field: it holds the decoded number exactly and shows it rounded to its
// decimals, not edited.
void showSpin(TAbNumSpin &spin, const Shown &shown);
// The write-back of a spin edit built from `field` (see writeBackNumber): what the fitter entered if
// the spin was edited; otherwise the image stays as it is and the field is sent again unchanged.
ImageWrites writeBackSpin(
    ParameterImage &image, const FieldDef &field, const TAbNumSpin &spin, const DecodeContext &ctx);

} // namespace kelvane
