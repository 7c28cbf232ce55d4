#pragma once
// The data logger's controls on the "DataLogger" sub-page (TabSheet8): the column check boxes in
// "Select Logs", START and STOP, the row step of every decode with the progress mark in the window
// caption, and the file "Log.csv" written at STOP and when the window closes during a recording.
//
// A STOP whose file cannot be written says why in a message box and keeps the recording; the fitter
// then picks another file for it (a save dialog at once, or "save recording..." later) or drops it
// ("discard"). While the recording file refuses rows, the page shows the error.

#include "DataLogger.h"

#include <QObject>
#include <QString>

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace kelvane {

class AppState;
class UserInteraction;

// The check box of each column, in column order.
extern const std::array<const char *, LogColumnCount> LogCheckBoxNames;

class DataLoggerPage : public QObject {
    Q_OBJECT
public:
    // Builds the controls into `selector` ("Select Logs"); the progress mark goes into `window`'s
    // caption, messages and the file for a kept recording go through `user`.
    DataLoggerPage(QWidget &window, QGroupBox &selector, AppState &state, UserInteraction &user);

    DataLogger &logger() { return m_logger; }

    // Row step of every decode, once LiveValues are recomputed.
    void rowStep();
    // The window closes: a running recording is stopped and written.
    void formClose();

public slots:
    void ButtonSaveLogsSTARTClick();
    void ButtonSaveLogsSTOPClick();
    // The kept recording of a failed STOP: to another file, or dropped.
    void ButtonSaveLogsAsClick();
    void ButtonSaveLogsDiscardClick();

private:
    void buildControls(QGroupBox &group);
    void tell(const std::string &text);
    // A STOP (or a save) that failed: the message, then a file to save the kept recording to.
    void recordingNotSaved(const LogResult &result);
    void saveKeptRecording();
    void showState();
    void showSpillError();

    QWidget &m_window;
    AppState &m_state;
    UserInteraction &m_user;
    DataLogger m_logger;

    std::array<QCheckBox *, LogColumnCount> m_boxes {};
    QPushButton *m_start = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_saveAs = nullptr;
    QPushButton *m_discard = nullptr;
    QLabel *m_status = nullptr;

    // The window caption as last seen, and its text for the progress mark.
    QString m_caption;
    std::string m_captionText;
    std::string m_spillErrorShown;
    bool m_spillErrorReported = false; // a message box once per recording
    std::string m_lastSaved; // where the last recording went
};

} // namespace kelvane
