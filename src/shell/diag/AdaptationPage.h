#pragma once
// "adaptation" (TabSheet5): START, STOP, NEXT and the text box RichEditAdapt of the guided
// adaptation. The procedure itself is the Adaptation state machine (Adaptation.h); the page shows
// what each of its steps returns: the text, the buttons, and the settings it changed, refreshed
// from the image without running their write-back (the procedure has written them already).

#include "Adaptation.h"

#include <QString>
#include <QWidget>

#include <array>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kelvane {

class AdaptationPage : public QWidget {
    Q_OBJECT
public:
    explicit AdaptationPage(QWidget *parent = nullptr);

    // From now on the buttons drive `adaptation`; the settings it changes are shown again in their
    // controls under `settings` (found by the field's control name), from `session`'s image.
    void attach(Adaptation &adaptation, const ControllerSession &session, const QWidget &settings);

    // After each decoded record: whether to step, and the step.
    bool running() const;
    void step();

    // A text of the procedure (a language file may replace them).
    QString text(AdaptText which) const { return m_texts[static_cast<std::size_t>(which)]; }
    void setText(AdaptText which, const QString &text) { m_texts[static_cast<std::size_t>(which)] = text; }

    QPlainTextEdit *textBox() const { return m_text; }
    // The link was lost: the procedure stops and says why.
    void linkLost()
    {
        if (m_adaptation)
            apply(m_adaptation->linkLost());
    }

public slots:
    void ButtonAdaptacjaStartClick();
    void ButtonAdaptacjaStopClick();
    void ButtonAdaptNextClick();

private:
    void apply(const AdaptationUpdate &update);

    const ControllerSession *m_session = nullptr;
    const QWidget *m_settings = nullptr;
    Adaptation *m_adaptation = nullptr;
    std::array<QString, AdaptTextCount> m_texts;
    QPushButton *m_start = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_next = nullptr;
    QPlainTextEdit *m_text = nullptr;
    QLabel *m_progress = nullptr;
};

} // namespace kelvane
