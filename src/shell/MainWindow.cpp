#include "MainWindow.h"

#include "AdaptationPage.h"
#include "AdjustmentPage.h"
#include "BlockingGuards.h"
#include "DataLoggerPage.h"
#include "DiagnosticPage.h"
#include "FileMenu.h"
#include "InjectorRows.h"
#include "Injectors.h"
#include "LanguageMenu.h"
#include "LayoutRules.h"
#include "LogViewerMenu.h"
#include "MapPages.h"
#include "MenuShortcutGuard.h"
#include "ObdPage.h"
#include "ParametersPage.h"
#include "ReadingsPage.h"
#include "SettingsWiring.h"
#include "SideStrip.h"
#include "TAbColBitBtn.h"
#include "TAbLED.h"
#include "UserInteraction.h"
#include "WheelGuard.h"

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

void TForm1::startPolling()
{
    Timer1->start();
}

TForm1::~TForm1()
{
    if (!m_closed)
        FormClose();
}

void TForm1::buildMenu()
{
    auto action = [this](QMenu *menu, const char *name, const QString &text) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto menu = [this](const char *name, const QString &title) {
        QMenu *m = menuBar()->addMenu(title);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    QMenu *file = menu("File1", QStringLiteral("file"));
    // Parameter files and the reset: FileMenu wires them.
    m_fileItems.file = file;
    m_fileItems.save = action(file, "savetodisk1", QStringLiteral("save to disk"));
    m_fileItems.load = action(file, "loadtoECU1", QStringLiteral("load to ECU"));
    m_openLog = action(file, "openlog1", QStringLiteral("open log...")); // LogViewerMenu wires it
    m_fileItems.exit = action(file, "exit1", QStringLiteral("exit"));
    connect(m_fileItems.exit, &QAction::triggered, this, &TForm1::exit1Click);

    QMenu *port = menu("port1", QStringLiteral("port"));
    F10autoconnect1 = action(port, "F10autoconnect1", QStringLiteral("[F10] autoconnect (COM1-16)"));
    connect(F10autoconnect1, &QAction::triggered, this, &TForm1::F10autoconnect1Click);

    QMenu *options = menu("options1", QStringLiteral("options"));
    F2readings1 = action(options, "F2readings1", QStringLiteral("[F2]readings"));
    F3parameters1 = action(options, "F3parameters1", QStringLiteral("[F3]parameters"));
    F4adjustment1 = action(options, "F4adjustment1", QStringLiteral("[F4]adjustment"));
    F5diagnostic1 = action(options, "F5diagnostic1", QStringLiteral("[F5]diagnostic"));
    F6mapping1 = action(options, "F6mapping1", QStringLiteral("[F6]mapping"));
    F7advancedmap1 = action(options, "F7advancedmap1", QStringLiteral("[F7]advanced map"));
    m_fileItems.reset = action(options, "RESET1", QStringLiteral("RESET ECU"));
    petro1 = action(options, "petro1", QStringLiteral("-> petrol"));
    auto1 = action(options, "auto1", QStringLiteral("-> auto"));
    propane1 = action(options, "propane1", QStringLiteral("->propane"));
    connect(F2readings1, &QAction::triggered, this, &TForm1::F2readings1Click);
    connect(F3parameters1, &QAction::triggered, this, &TForm1::F3parameters1Click);
    connect(F4adjustment1, &QAction::triggered, this, &TForm1::F4adjustment1Click);
    connect(F5diagnostic1, &QAction::triggered, this, &TForm1::F5diagnostic1Click);
    connect(F6mapping1, &QAction::triggered, this, &TForm1::F6mapping1Click);
    connect(F7advancedmap1, &QAction::triggered, this, &TForm1::F7advancedmap1Click);
    connect(petro1, &QAction::triggered, this, &TForm1::petro1Click);
    connect(auto1, &QAction::triggered, this, &TForm1::auto1Click);
    connect(propane1, &QAction::triggered, this, &TForm1::propane1Click);

    // LanguageMenu offers the choices and help.
    QMenu *language = menu("language1", QStringLiteral("language"));
    const struct {
        const char *name;
        const char *text;
        bool visible;
    } languages[] = { { "English1", "English", true }, { "Polish1", "Polish", true }, { "Russian1", "Russian", false },
        { "Thai1", "Thai", false }, { "Lithuanian1", "Lithuanian", true }, { "German1", "German", true },
        { "Spain1", "Spain", true }, { "Slovakia1", "Slovakia", true } };
    for (const auto &l : languages) {
        QAction *a = action(language, l.name, QString::fromLatin1(l.text));
        a->setVisible(l.visible);
        a->setEnabled(false);
    }
    QAction *help = menuBar()->addAction(QStringLiteral("help"));
    help->setObjectName(QStringLiteral("help1"));
    help->setEnabled(false);
}

void TForm1::connectSwitches()
{
    // Every injector switch column: its group, which switches, and the handlers named after them.
    enum class Switches { Petrol, Gas };
    struct SwitchColumn {
        const InjectorRows &rows;
        Switches switches;
        CylinderHandlers handlers;
    };
    const SwitchColumn columns[] = {
        { m_readings->injectorRows(), Switches::Petrol, AbColBitBtnEmuHandlers() },
        { m_strip->injectorRows(), Switches::Petrol, AbColBitBtnPasEmuHandlers() },
        { m_diagnostic->injectorRows(), Switches::Petrol, AbColBitBtnDiagEmuHandlers() },
        { m_readings->injectorRows(), Switches::Gas, AbColBitBtnGoffHandlers() },
        { m_diagnostic->injectorRows(), Switches::Gas, AbColBitBtnDiagGoffHandlers() },
    };
    for (const SwitchColumn &column : columns) {
        const auto &buttons
            = column.switches == Switches::Petrol ? column.rows.petrolSwitches : column.rows.gasSwitches;
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            if (buttons[i])
                connect(buttons[i], &TAbColBitBtn::clicked, this, column.handlers[i]);
        }
    }
    connect(m_strip->petrolButton(), &TAbColBitBtn::clicked, this, &TForm1::AbColBitBtnPasBenzynaClick);
    connect(m_strip->autoButton(), &TAbColBitBtn::clicked, this, &TForm1::AbColBitBtnPasAutomatClick);
    connect(m_strip->gasButton(), &TAbColBitBtn::clicked, this, &TForm1::AbColBitBtnPasGazClick);
    connect(m_strip->statusLamp(), &TAbLED::clicked, this, &TForm1::AbLEDStatusClick);
}

// ---------------------------------------------------------------------------------------------------
// Lifecycle

void TForm1::FormCreate()
{
    // 1. Caption.
    setWindowTitle(QString::fromStdString(m_state.texts.productCaption));
    // 2. Start directory; the parameter-file dialogs start in its "parametry" folder.
    m_state.startDirectory = QDir::currentPath().toStdString();
    // 3. The language: main() loads it once the window exists (LanguageMenu::LoadLanguage), so that
    //    its messages reach an unattended run's sink.
    // 5. Menu shortcuts.
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
    // 6. From now on resizes lay the window out.
    m_layoutFlag = 1;
    // 7. The collapsible sections start with only the first one open (built that way).
    // 8, 9. The map grids' header rows are filled when the map grids are built.
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
    // 1. No more layout.
    m_layoutFlag = 0;
    // 2. A running recording of the data logger is written.
    m_logger->formClose();
    // 3. Stop polling.
    Timer1->stop();
    // 4. The instrument widgets are released with the window.
    // 5. Close the link.
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

// ---------------------------------------------------------------------------------------------------
// Polling and display

void TForm1::showNotConnected()
{
    // A log playback on the gauges shows its own status instead.
    if (!m_logViewer->drivesGauges())
        m_strip->showStatus(notConnectedLamp(m_state.statusTexts));
}

void TForm1::showDecoded(const DecodeResult &result)
{
    DecodeLiveRecord(result);
    // The adaptation acts on every record the controller sends.
    if (m_adaptation->running())
        m_adaptation->step();
    // The oscilloscope is fed and redrawn only while the readings page is shown.
    if (tabSheetShown(m_readings))
        m_readings->feedScope(displayContext());
}

bool TForm1::tabSheetShown(const QWidget *sheet) const
{
    // A sheet counts as shown while it is the selected page of its own page control, whatever page
    // that control sits on.
    for (QWidget *p = sheet->parentWidget(); p; p = p->parentWidget()) {
        if (auto *tabs = qobject_cast<QTabWidget *>(p))
            return tabs->currentWidget() == sheet;
    }
    return false;
}

DisplayContext TForm1::displayContext() const
{
    return { m_state.session.live, m_state.session.image, m_state.session.timeBases, systemDecimalPoint() };
}

void TForm1::DecodeLiveRecord(const DecodeResult &result)
{
    const DisplayContext c = displayContext();
    // 1 and 4, the side channels and LiveValues, ran with the data steps.
    // 2. OBD fields.
    m_diagnostic->obdPage()->showObd(c);
    // 3. Trouble codes.
    if (result.troubleCodesChanged)
        m_diagnostic->obdPage()->ShowObdTroubleCodes(m_state.session.live);
    // 5. Data logger row.
    m_logger->rowStep();
    // 6. Heating time.
    if (!m_parameters->advancedGroup(6)->isHidden())
        m_parameters->showHeatTime(c);
    // 7. Temperature correction grids.
    m_maps->repaintTemperatureGrids();
    // 8. Error memory.
    m_diagnostic->errorMemoryTrigger();
    // 9. Diagnostic injector group.
    if (tabSheetShown(m_diagnostic->ecuSheet()))
        m_diagnostic->showDiagnostic(c);
    // 10. Level lamps.
    if (const auto lamps = levelLamps(m_state.session.live.u8(rec::LevelStep))) {
        m_readings->showLevelLamps(*lamps);
        m_strip->showLevelLamps(*lamps);
    }
    // 11. Readings page.
    if (tabSheetShown(m_readings))
        m_readings->showReadings(c);
    // 12. Mapping view.
    if (tabSheetShown(m_adjustment->mappingSheet()))
        m_maps->paintMappingView();
    // 13. Operating point in the maps.
    if ((tabSheetShown(m_adjustment->advancedMapSheet()) || tabSheetShown(m_adjustment->mappingSheet()))
        && m_state.session.conn.Connected) {
        if (computeMapPoint(m_state.session.live, m_state.session.image))
            m_maps->repaintMapGrids();
    }
    // 14. Service label.
    m_diagnostic->showServiceLabel();
    // 15. Work time.
    if (tabSheetShown(m_parameters->advancedSheet()))
        m_parameters->showWorkTime(c, m_state.statusTexts);
    // 16. Return time.
    if (tabSheetShown(m_parameters->basicSheet()))
        m_parameters->showReturnTime(c);
    // 17. Status lamp.
    m_strip->showStatus(statusLamp(m_state.session.live, m_state.statusTexts));
    // 18. Side strip.
    m_strip->showStrip(c);
}

void TForm1::repaintReadings()
{
    m_readings->repaint();
    m_strip->repaint();
}

// ---------------------------------------------------------------------------------------------------
// Navigation

void TForm1::F2readings1Click()
{
    PageControl1->setCurrentIndex(0);
}
void TForm1::F3parameters1Click()
{
    PageControl1->setCurrentIndex(1);
}
void TForm1::F4adjustment1Click()
{
    PageControl1->setCurrentIndex(2);
}
void TForm1::F5diagnostic1Click()
{
    PageControl1->setCurrentIndex(3);
}
void TForm1::AbLEDStatusClick()
{
    F5diagnostic1Click();
}

void TForm1::F6mapping1Click()
{
    PageControl1->setCurrentIndex(2);
    m_adjustment->pageControl()->setCurrentIndex(0);
    m_maps->focusGrid(0);
}

void TForm1::F7advancedmap1Click()
{
    PageControl1->setCurrentIndex(2);
    m_adjustment->pageControl()->setCurrentIndex(1);
    m_maps->focusGrid(1);
}

// ---------------------------------------------------------------------------------------------------
// Injector and mode controls

void TForm1::AbColBitBtnEmuClick(int cylinder)
{
    togglePetrolInjector(m_state.session.live, m_state.session.commands, cylinder);
}

void TForm1::AbColBitBtnGoffClick(int cylinder)
{
    toggleGasInjector(m_state.session.live, m_state.session.commands, cylinder);
}

void TForm1::petro1Click()
{
    m_state.session.commands.SendModePetrol();
}
void TForm1::auto1Click()
{
    m_state.session.commands.SendModeAuto();
}
void TForm1::propane1Click()
{
    m_state.session.commands.SendModeGas();
}
void TForm1::AbColBitBtnPasBenzynaClick()
{
    petro1Click();
}
void TForm1::AbColBitBtnPasAutomatClick()
{
    auto1Click();
}
void TForm1::AbColBitBtnPasGazClick()
{
    propane1Click();
}

// ---------------------------------------------------------------------------------------------------
// Size and layout

layout::ResizeCheck TForm1::FormCanResize(int newWidth, int newHeight) const
{
    const QRect outer = frameGeometry();
    return layout::FormCanResize(outer.width(), outer.height(), newWidth, newHeight);
}

void TForm1::resizeOuter(int width, int height)
{
    m_sizeChosen = true;
    const QSize extra = frameExtra();
    resize(width - extra.width(), height - extra.height());
}

QSize TForm1::frameExtra() const
{
    return frameGeometry().size() - size();
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // The default size is the outer size, frame included; the frame is known once the window exists.
    const QSize extra = frameExtra();
    if (!extra.isEmpty() && !m_sizeChosen) {
        resize(layout::DefaultWindowWidth - extra.width(), layout::DefaultWindowHeight - extra.height());
        centreOnScreen();
    }
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // The limits apply to the outer size.
    const QSize extra = frameExtra();
    const QSize now = event->size() + extra;
    const QSize old = (event->oldSize().isValid() ? event->oldSize() : event->size()) + extra;
    const layout::ResizeCheck check = layout::FormCanResize(old.width(), old.height(), now.width(), now.height());
    if (!check.accepted) {
        resize(check.width - extra.width(), check.height - extra.height());
        centreOnScreen();
        return;
    }
    FormResize();
}

void TForm1::FormResize()
{
    if (m_layoutFlag != 1)
        return;
    m_readings->applyWindowWidth(frameGeometry().width());
    m_maps->applyWindowSize(frameGeometry().width(), frameGeometry().height());
    placeRegions();
}

void TForm1::placeRegions()
{
    if (m_layoutFlag != 1)
        return;
    const int stripW = layout::stripWidth(frameGeometry().width());
    const int w = m_frameArea->width();
    const int h = m_frameArea->height();
    PageControl1->setGeometry(0, 0, std::max(0, w - stripW), h);
    m_strip->setGeometry(std::max(0, w - stripW), 0, stripW, h);
}

void TForm1::centreOnScreen()
{
    QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    const QRect frame = frameGeometry();
    move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
}
