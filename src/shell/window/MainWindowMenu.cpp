// The window's menu and switches: the menu bar with its items and shortcuts' handlers, the page
// keys, and the injector and fuel-mode switches of the pages and the side strip.
#include "MainWindow.h"

#include "AdjustmentPage.h"
#include "DiagnosticPage.h"
#include "InjectorRows.h"
#include "Injectors.h"
#include "MapPages.h"
#include "ReadingsPage.h"
#include "SideStrip.h"
#include "TAbColBitBtn.h"
#include "TAbLED.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

using namespace kelvane;

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
    // Every injector switch column: its group, which switches, and what a click on cylinder n does.
    enum class Switches { Petrol, Gas };
    struct SwitchColumn {
        const InjectorRows &rows;
        Switches switches;
        void (TForm1::*click)(int cylinder);
    };
    const SwitchColumn columns[] = {
        { m_readings->injectorRows(), Switches::Petrol, &TForm1::AbColBitBtnEmuClick },
        { m_strip->injectorRows(), Switches::Petrol, &TForm1::AbColBitBtnEmuClick },
        { m_diagnostic->injectorRows(), Switches::Petrol, &TForm1::AbColBitBtnEmuClick },
        { m_readings->injectorRows(), Switches::Gas, &TForm1::AbColBitBtnGoffClick },
        { m_diagnostic->injectorRows(), Switches::Gas, &TForm1::AbColBitBtnGoffClick },
    };
    for (const SwitchColumn &column : columns) {
        const auto &buttons
            = column.switches == Switches::Petrol ? column.rows.petrolSwitches : column.rows.gasSwitches;
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            if (!buttons[i])
                continue;
            const int cylinder = static_cast<int>(i) + 1;
            connect(buttons[i], &TAbColBitBtn::clicked, this,
                [this, click = column.click, cylinder] { (this->*click)(cylinder); });
        }
    }
    connect(m_strip->petrolButton(), &TAbColBitBtn::clicked, this, &TForm1::AbColBitBtnPasBenzynaClick);
    connect(m_strip->autoButton(), &TAbColBitBtn::clicked, this, &TForm1::AbColBitBtnPasAutomatClick);
    connect(m_strip->gasButton(), &TAbColBitBtn::clicked, this, &TForm1::AbColBitBtnPasGazClick);
    connect(m_strip->statusLamp(), &TAbLED::clicked, this, &TForm1::AbLEDStatusClick);
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
    togglePetrolInjector(m_state.session.live, m_state.session.writes, cylinder);
}

void TForm1::AbColBitBtnGoffClick(int cylinder)
{
    toggleGasInjector(m_state.session.live, m_state.session.writes, cylinder);
}

void TForm1::petro1Click()
{
    m_state.session.writes.command(ControllerCommand::ModePetrol);
}
void TForm1::auto1Click()
{
    m_state.session.writes.command(ControllerCommand::ModeAuto);
}
void TForm1::propane1Click()
{
    m_state.session.writes.command(ControllerCommand::ModeGas);
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
