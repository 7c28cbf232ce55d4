#pragma once
// The settings controls of the window wired to their write-backs. Every control of the settings
// table is found under the window by objectName, whichever page built it, enabled (unless its row
// waits for a software revision) and its change event connected by its kind: a combo box on the
// fitter's selection, a spin edit on the fitter's steps and typing, a check box on every change of
// its state, a toggle switch on a click, a track bar on every change of its position (for one that
// does not write on a change made by code, only the fitter's moves), a track bar's step buttons on a
// click. Controls whose write-back repeats when the fitter leaves them are watched for the loss of
// the focus. The object is the write-backs' view of the widgets; the write-back sends to the
// controller while one is connected, and without one only the image changes.

#include "WriteBack.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class FocusLossNotifier;
class QWidget;
class TForm1;

namespace kelvane {

struct ControllerSession;

class SettingsWiring : public QObject, public SettingsView {
    Q_OBJECT
public:
    // Finds and wires the controls now: build every page before.
    SettingsWiring(TForm1 &form, ControllerSession &session);
    ~SettingsWiring() override;

    SettingsWriteBack &writeBack() { return m_writeBack; }

    // Every settings control from the image (after a connect, a file upload, a reset).
    void ShowImage();

    // Controls of the settings table that were not found under the window (empty when all were).
    const QStringList &missingControls() const { return m_missing; }

    // SettingsView
    NumberEntry number(const char *spin) const override;
    void setNumber(const char *spin, double value) override;
    int item(const char *combo) const override;
    void setItem(const char *combo, int item) override;
    void setComboText(const char *combo, const QString &text) override;
    bool isOn(const char *control) const override;
    void setOn(const char *control, bool on) override;
    int position(const char *trackBar) const override;
    void setPosition(const char *trackBar, int position) override;
    void setPercentText(const char *edit, double percent) override;
    void setVisible(const char *control, bool visible) override;
    void setEnabled(const char *control, bool enabled) override;
    void setLambdaRange(double min, double max) override;
    RpmAxisTexts rpmAxisTexts() const override;
    ImageWrites reencodeRpmAxis(ParameterImage &image, const RpmAxisTexts &texts) override;

private:
    void wire();
    // Connects the control's change event by its kind; false when the widget is not of that kind.
    bool connectByKind(QWidget *widget, const FieldDef &field);
    void leave(QWidget *control);
    QWidget *control(const char *name) const;
    template <class T> T *controlAs(const char *name) const { return qobject_cast<T *>(control(name)); }

    TForm1 &m_form;
    ControllerSession &m_session;
    SettingsWriteBack m_writeBack;
    FocusLossNotifier *m_focus = nullptr;
    mutable QHash<QString, QPointer<QWidget>> m_controls;
    QStringList m_missing;
    bool m_movingTrackBar = false; // setPosition is moving a track bar
};

} // namespace kelvane
