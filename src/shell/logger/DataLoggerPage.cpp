#include "DataLoggerPage.h"

#include "AppState.h"
#include "UserInteraction.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kelvane {

const std::array<const char *, LogColumnCount> LogCheckBoxNames
    = { "CheckBoxGazTime", "CheckBoxPetTime", "CheckBoxRpm", "CheckBoxIB1", "CheckBoxIB2", "CheckBoxIB3", "CheckBoxIB4",
          "CheckBoxIB5", "CheckBoxIB6", "CheckBoxIB7", "CheckBoxIB8", "CheckBoxG1", "CheckBoxG2", "CheckBoxG3",
          "CheckBoxG4", "CheckBoxG5", "CheckBoxG6", "CheckBoxG7", "CheckBoxG8", "CheckBoxTr", "CheckBoxTg",
          "CheckBoxTecu", "CheckBoxPresGhPa", "CheckBoxPresMafhPa", "CheckBoxDifPresHPa", "CheckBoxGazLev",
          "CheckBoxVDC", "CheckBox5V", "CheckBoxLambda1", "CheckBoxEgt", "CheckBoxCorShort", "CheckBoxCorLong",
          "CheckBoxCorP", "CheckBoxCorTr", "CheckBoxCorTg", "CheckBoxCorAll", "CheckBoxErrors" };

namespace {
// The status line is refreshed once a second of rows while recording, not on every row.
constexpr std::int64_t StatusEveryRows = 1000 / LogRowIntervalMs;

QString rowsText(std::int64_t rows)
{
    return QStringLiteral("%1 row%2").arg(rows).arg(rows == 1 ? "" : "s");
}
} // namespace

DataLoggerPage::DataLoggerPage(QWidget &window, QGroupBox &selector, AppState &state, UserInteraction &user)
    : QObject(&window)
    , m_window(window)
    , m_state(state)
    , m_user(user)
    , m_logger(state.texts.logFileName)
{
    setObjectName(QStringLiteral("DataLoggerPage"));
    buildControls(selector);
    showState();
}

void DataLoggerPage::buildControls(QGroupBox &selector)
{
    QGroupBox *group = &selector;
    auto *v = new QVBoxLayout(group);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(2);
    // Four columns of check boxes, in column order down each column; the hidden ones take no place.
    constexpr int PerColumn = 7;
    int shown = 0;
    for (int i = 0; i < LogColumnCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        auto *box = new QCheckBox(QString::fromUtf8(LogColumnHeaders[k]), group);
        box->setObjectName(QString::fromLatin1(LogCheckBoxNames[k]));
        m_boxes[k] = box;
        if (!logColumnSelectable(i)) {
            box->setChecked(false);
            box->setVisible(false);
            continue;
        }
        box->setChecked(m_logger.ticked()[k]);
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) { m_logger.setTicked(i, on); });
        grid->addWidget(box, shown % PerColumn, shown / PerColumn);
        ++shown;
    }
    v->addLayout(grid);
    v->addStretch(1);

    auto *buttons = new QHBoxLayout;
    auto button = [&](const char *name, const QString &text) {
        auto *b = new QPushButton(text, group);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    m_start = button("ButtonSaveLogsSTART", QStringLiteral("START"));
    m_stop = button("ButtonSaveLogsSTOP", QStringLiteral("STOP"));
    m_saveAs = button("ButtonSaveLogsAs", QStringLiteral("save recording..."));
    m_discard = button("ButtonSaveLogsDiscard", QStringLiteral("discard"));
    m_status = new QLabel(group);
    m_status->setObjectName(QStringLiteral("LabelLogStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    buttons->addWidget(m_status, 1);
    v->addLayout(buttons);
    connect(m_start, &QPushButton::clicked, this, &DataLoggerPage::ButtonSaveLogsSTARTClick);
    connect(m_stop, &QPushButton::clicked, this, &DataLoggerPage::ButtonSaveLogsSTOPClick);
    connect(m_saveAs, &QPushButton::clicked, this, &DataLoggerPage::ButtonSaveLogsAsClick);
    connect(m_discard, &QPushButton::clicked, this, &DataLoggerPage::ButtonSaveLogsDiscardClick);
}

void DataLoggerPage::ButtonSaveLogsSTARTClick()
{
    const std::string label = logLabel(QDateTime::currentDateTime(), QLocale::system(), m_state.texts.logFileName);
    const LogStartResult r = m_logger.start(label);
    if (r.stopped.wrote && r.stopped.ok)
        m_lastSaved = r.stopped.path;
    if (!r.stopped.ok) {
        // The recording that was running could not be written: it is kept, nothing new starts.
        recordingNotSaved(r.stopped);
        showState();
        return;
    }
    if (!r.started)
        tell("The recording did not start: " + r.error);
    m_spillErrorShown.clear();
    m_spillErrorReported = false;
    showState();
}

void DataLoggerPage::ButtonSaveLogsSTOPClick()
{
    const LogResult r = m_logger.stop();
    if (r.wrote && r.ok)
        m_lastSaved = r.path;
    if (!r.ok)
        recordingNotSaved(r);
    showState();
}

void DataLoggerPage::recordingNotSaved(const LogResult &r)
{
    tell("The log could not be saved: " + r.error + ".\nThe recording (" + rowsText(r.rows).toStdString()
        + ") is kept: choose another file for it.");
    saveKeptRecording();
}

void DataLoggerPage::saveKeptRecording()
{
    if (!m_logger.hasUnsavedRecording())
        return;
    const QString path
        = m_user.chooseRecordingFile(QDir(QString::fromStdString(m_state.startDirectory))
                                         .absoluteFilePath(QString::fromStdString(m_state.texts.logFileName)));
    if (path.isEmpty())
        return;
    const LogResult r = m_logger.saveTo(path.toStdString());
    if (r.ok) {
        m_lastSaved = r.path;
        return;
    }
    tell("The log could not be saved: " + r.error
        + ".\nThe recording is kept: save it with \"save recording...\" or discard it.");
}

void DataLoggerPage::ButtonSaveLogsAsClick()
{
    saveKeptRecording();
    showState();
}

void DataLoggerPage::ButtonSaveLogsDiscardClick()
{
    if (!m_logger.hasUnsavedRecording())
        return;
    if (!m_user.ask(QString::fromStdString(m_state.texts.applicationTitle),
            QStringLiteral("Drop the recording that was not saved?")))
        return;
    m_logger.discard();
    showState();
}

void DataLoggerPage::rowStep()
{
    if (!m_logger.logging())
        return;
    // The caption only changes when the progress mark turns (every tenth row).
    const QString caption = m_window.windowTitle();
    if (caption != m_caption) {
        m_caption = caption;
        m_captionText = caption.toStdString();
    }
    const std::string before = m_captionText;
    m_logger.rowStep(m_state.session.live.LiveValues, m_captionText);
    if (m_captionText != before) {
        m_caption = QString::fromStdString(m_captionText);
        m_window.setWindowTitle(m_caption);
    }
    if (m_logger.spillError() != m_spillErrorShown)
        showSpillError();
    else if (m_logger.rows() % StatusEveryRows == 0)
        showState();
}

void DataLoggerPage::showSpillError()
{
    m_spillErrorShown = m_logger.spillError();
    showState();
    if (m_spillErrorShown.empty() || m_spillErrorReported)
        return;
    m_spillErrorReported = true;
    // Not from inside the polling tick: a message box there would hold the polling up.
    const std::string text = "The recording cannot be written to disk: " + m_spillErrorShown
        + ".\nIts rows wait in memory until the disk takes them again; the recording goes on.";
    QTimer::singleShot(0, this, [this, text] { tell(text); });
}

void DataLoggerPage::formClose()
{
    if (m_logger.logging()) {
        const LogResult r = m_logger.close();
        if (r.wrote && r.ok)
            m_lastSaved = r.path;
        if (!r.ok)
            recordingNotSaved(r);
    } else if (m_logger.hasUnsavedRecording()) {
        saveKeptRecording();
    }
    if (m_logger.hasUnsavedRecording()) {
        const std::string where = m_logger.spillPath().empty()
            ? std::string("The recording was not saved and is lost.")
            : "The recording was not saved; its rows stay in " + m_logger.spillPath() + ".";
        tell(where);
    }
}

void DataLoggerPage::tell(const std::string &text)
{
    m_user.message(QString::fromStdString(text));
}

void DataLoggerPage::showState()
{
    const bool logging = m_logger.logging();
    const bool kept = m_logger.hasUnsavedRecording() && !logging;
    m_stop->setEnabled(logging);
    m_saveAs->setEnabled(kept);
    m_discard->setEnabled(kept);

    QString text;
    bool problem = false;
    if (logging) {
        text = QStringLiteral("recording: %1, %2 s")
                   .arg(rowsText(m_logger.rows()))
                   .arg(QLocale::system().toString(m_logger.rows() * LogRowIntervalMs / 1000.0, 'f', 1));
        if (!m_logger.spillError().empty()) {
            text += QStringLiteral("\n%1; %2 bytes wait in memory")
                        .arg(QString::fromStdString(m_logger.spillError()))
                        .arg(m_logger.bytesInMemory());
            problem = true;
        }
    } else if (kept) {
        text = QStringLiteral("not saved: %1 kept").arg(rowsText(m_logger.rows()));
        problem = true;
    } else if (!m_lastSaved.empty()) {
        text = QStringLiteral("written: %1 (%2)").arg(QString::fromStdString(m_lastSaved), rowsText(m_logger.rows()));
    }
    if (m_logger.droppedRows() > 0) {
        text += QStringLiteral("\n%1 dropped: neither the disk nor the memory could take them")
                    .arg(rowsText(m_logger.droppedRows()));
        problem = true;
    }
    m_status->setStyleSheet(problem ? QStringLiteral("color: #c00000;") : QString());
    m_status->setText(text);
}

} // namespace kelvane
