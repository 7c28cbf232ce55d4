#include "MainWindow.h"

#include "AdaptationPage.h"
#include "AdjustmentPage.h"
#include "BlockingGuards.h"
#include "ChangeWords.h"
#include "DataLoggerPage.h"
#include "DiagnosticPage.h"
#include "EditMenu.h"
#include "FileMenu.h"
#include "InjectorRows.h"
#include "Injectors.h"
#include "LanguageMenu.h"
#include "LayoutRules.h"
#include "LinkWatch.h"
#include "LogViewerMenu.h"
#include "MapPages.h"
#include "MapRegions.h"
#include "MenuShortcutGuard.h"
#include "ObdPage.h"
#include "ParameterFile.h"
#include "ParametersPage.h"
#include "ReadingsPage.h"
#include "SettingCaptions.h"
#include "SettingsControls.h"
#include "SettingsWiring.h"
#include "SideStrip.h"
#include "TAbColBitBtn.h"
#include "TAbLED.h"
#include "UserInteraction.h"
#include "WheelGuard.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

using namespace kelvane;

namespace {

// The client area: the page control on the left, the strip on the right, placed by the window.
class FrameArea : public QWidget {
public:
    FrameArea(QWidget *parent, std::function<void()> onResize)
        : QWidget(parent)
        , m_onResize(std::move(onResize))
    {
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        m_onResize();
    }

private:
    std::function<void()> m_onResize;
};

} // namespace

namespace {

// A change whose every byte lies in a fuel map, an axis or a temperature map is a map operation.
EntryKind classifyEntry(const JournalEntry &e)
{
    if (e.bytes.empty())
        return EntryKind::Settings;
    for (const TouchedByte &b : e.bytes) {
        bool inMap = false;
        for (const maps::RegionInfo &r : maps::regionTable())
            inMap = inMap || (b.offset >= r.firstByte && b.offset <= r.lastByte());
        if (!inMap)
            return EntryKind::Settings;
    }
    return EntryKind::Map;
}

} // namespace

TForm1::TForm1(AppState &state, UserInteraction &user, QWidget *parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_user(user)
{
    setObjectName(QStringLiteral("Form1"));
    m_frameArea = new FrameArea(this, [this] { placeRegions(); });
    setCentralWidget(m_frameArea);

    PageControl1 = new QTabWidget(m_frameArea);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setDocumentMode(true);
    PageControl1->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 12px; border: 1px solid #a0a0a0; "
                                               "border-radius: 3px; margin: 2px; background: #e8e8e8; }"
                                               "QTabBar::tab:selected { background: #ffffff; font-weight: bold; }"));
    m_readings = new ReadingsPage;
    m_parameters = new ParametersPage(m_state.texts);
    m_adjustment = new AdjustmentPage;
    m_diagnostic = new DiagnosticPage;
    m_adaptation = new AdaptationPage;
    PageControl1->addTab(m_readings, QStringLiteral("[F2]readings"));
    PageControl1->addTab(m_parameters, QStringLiteral("[F3]parameters"));
    PageControl1->addTab(m_adjustment, QStringLiteral("[F4]adjustment"));
    PageControl1->addTab(m_diagnostic, QStringLiteral("[F5]diagnostic"));
    PageControl1->addTab(m_adaptation, QStringLiteral("adaptation"));

    m_strip = new SideStrip(m_frameArea);
    m_maps = new MapPages(
        *this, { *m_adjustment, m_parameters->advancedGroup(3), m_parameters->advancedGroup(4) }, m_state, m_user);
    // A click on "[F6]mapping" or "[F7]advanced map" puts the focus in that page's grid, as F6 and F7 do.
    connect(m_adjustment->pageControl(), &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->currentWidget() == m_adjustment)
            m_maps->focusGrid(index);
    });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(PollIntervalMs);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

    buildMenu();
    connectSwitches();
    // Parameter files, reset, error memory, OBD commands, service interval and adaptation.
    m_files = new FileMenu(*this, m_fileItems, *this, *m_strip->progressBar(), *Timer1, m_state, m_user);
    // Undo, redo and the history of what was sent to the controller.
    m_edit = new EditMenu(*this, m_fileItems.file, *m_files, *this, *Timer1, m_state, m_user);
    m_state.journal.recorder().setClassifier(classifyEntry);
    // A pulled cable: shown, and the controller looked for again.
    m_linkWatch = new LinkWatch(*this, *m_files, m_state, m_user);
    m_state.journal.recorder().setActionNamer([this](const QString &action) { return actionCaption(action); });
    // What an action changed, in the words of the controls.
    m_state.journal.recorder().setDescriber(
        [this](const JournalEntry &entry, const ImageBytes &before, const ImageBytes &after) {
            return describeChanges(entry, before, after, m_state.session.timeBases, [this](const FieldDef &field) {
                return field.control[0] ? actionCaption(QString::fromLatin1(field.control)) : QString();
            });
        });
    m_diagnostic->attach(m_state, *Timer1, m_user, m_parameters->advancedGroup(2),
        m_parameters->sectionTitle(m_parameters->advancedGroup(2)));
    m_adaptation->attach(m_state.adaptation, m_state.session, *this);
    // Every settings control to its write-back, wherever its page built it.
    m_settings = new SettingsWiring(*this, m_state.session);
    // The data logger on its sub-page; logs opened in the viewer, whose playback drives the gauges.
    m_logger = new DataLoggerPage(*this, *m_diagnostic->logsSelector(), m_state, m_user);
    m_logViewer = new LogViewerMenu(
        *this, *m_openLog, { *m_readings, *m_strip, [this] { return m_scanning; } }, m_state, m_user);
    // The language items and help (the program loads the stored language once the window exists).
    m_languages = new LanguageMenu(*this, m_state);
    // The menu shortcuts win over the editors of the window (Ctrl+A in a line edit).
    new MenuShortcutGuard(this);
    // The wheel changes a settings control only while it holds the focus; elsewhere it scrolls.
    new WheelGuard(this);

    FormCreate();
    resize(layout::DefaultWindowWidth, layout::DefaultWindowHeight);
    PageControl1->setCurrentIndex(0);
    centreOnScreen();
}

QString TForm1::actionCaption(const QString &action) const
{
    // A settings write names its control: the journal names the caption beside it, or the text on
    // the check box itself.
    const QByteArray control = action.toLatin1();
    QString caption = settingCaption(control.constData());
    if (caption.isEmpty())
        if (auto *button = findChild<QAbstractButton *>(action))
            caption = button->text();
    caption = settingName(caption);
    return caption.isEmpty() ? action : caption;
}

void TForm1::startPolling()
{
    Timer1->start();
}

TForm1::~TForm1()
{
    if (!m_closed)
        FormClose();
}

// ---------------------------------------------------------------------------------------------------
// Lifecycle

void TForm1::FormCreate()
{
    // The product's name until a controller names itself in the caption.
    setWindowTitle(QString::fromStdString(m_state.texts.productCaption));
    // The parameter-file dialogs start in the "parametry" folder of the directory the program was
    // started in. (The language is loaded by the program once the window exists, so that its
    // messages reach whoever the program chose to tell them.)
    m_state.startDirectory = QDir::currentPath().toStdString();
    // The change journal lives beside the parameter files.
    if (m_state.journal.folder().isEmpty())
        m_state.journal.setFolder(parameterDirectory(QDir::currentPath()) + QStringLiteral("/journal"));
    // The fitter's keys: F2 to F7 for the pages, F10 to connect, Ctrl+P/A/L for the fuel mode.
    F2readings1->setShortcut(QKeySequence(Qt::Key_F2));
    F3parameters1->setShortcut(QKeySequence(Qt::Key_F3));
    F4adjustment1->setShortcut(QKeySequence(Qt::Key_F4));
    F5diagnostic1->setShortcut(QKeySequence(Qt::Key_F5));
    F6mapping1->setShortcut(QKeySequence(Qt::Key_F6));
    F7advancedmap1->setShortcut(QKeySequence(Qt::Key_F7));
    F10autoconnect1->setShortcut(QKeySequence(Qt::Key_F10));
    petro1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    auto1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    propane1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    // Only now is everything a resize places built: from here on resizes lay the window out.
    m_layoutFlag = 1;
}

void TForm1::Timer1Timer()
{
    // A scan or a message box shown from inside a tick must not start another tick.
    if (m_inTick || m_scanning)
        return;
    m_inTick = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset { m_inTick };
    m_state.session.polling.tick(*this);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

void TForm1::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    // The pages are going: no resize may lay them out any more.
    m_layoutFlag = 0;
    // A running recording is written while its rows are still there.
    m_logger->formClose();
    // No tick may reach for the line once it is closed.
    Timer1->stop();
    m_state.session.connection.Disconnect();
}

void TForm1::exit1Click()
{
    close();
}

// ---------------------------------------------------------------------------------------------------
// Connection

void TForm1::F10autoconnect1Click()
{
    // The scan blocks the window; the timer stays stopped so that no tick runs in between, and the
    // wait cursor shows the fitter why the window does not answer. Both are undone however the
    // scan ends.
    struct ScanScope {
        TForm1 &form;
        bool timerWasActive;
        BusyCursor busy;
        explicit ScanScope(TForm1 &f)
            : form(f)
            , timerWasActive(f.Timer1->isActive())
        {
            form.Timer1->stop();
            form.m_scanning = true;
        }
        ~ScanScope()
        {
            form.m_scanning = false;
            if (timerWasActive && !form.m_closed)
                form.Timer1->start();
        }
    } scope(*this);
    // A scan by hand ends a search for a lost link.
    m_linkWatch->stop();
    if (!m_state.session.ports.hasExplicitMappings())
        m_state.session.ports.refresh();
    const ScanOutcome outcome = m_state.session.connection.autoconnect(*this);
    if (outcome.result == ScanResult::Found)
        m_diagnostic->newConnection();
    // A device the fitter may not open answers nothing: say whose it is and how to get at it.
    std::string advice;
    for (const std::string &problem : outcome.accessProblems)
        advice += (advice.empty() ? "" : "\n\n") + problem;
    if (!advice.empty())
        showMessage(advice);
}

void TForm1::setCaption(const std::string &caption)
{
    setWindowTitle(QString::fromStdString(caption));
}

void TForm1::showMessage(const std::string &text)
{
    m_user.message(QString::fromStdString(text));
}

void TForm1::setProgress(int position, int maximum)
{
    QProgressBar *bar = m_strip->progressBar();
    bar->setMaximum(maximum);
    bar->setValue(position);
    // The scan blocks the event loop: paint the bar now so the fitter sees it move.
    bar->repaint();
}

void TForm1::showImage()
{
    // Every settings control, the feature gates by revision and the lambda bar ranges.
    m_settings->ShowImage();
    // The fuel maps, their axes and the temperature maps.
    m_maps->showMaps();
}
