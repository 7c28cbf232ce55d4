// The window's side of the polling cycle: what each tick shows, and every page's display of a
// decoded live record.
#include "MainWindow.h"

#include "LinkWatch.h"

#include "AdaptationPage.h"
#include "AdjustmentPage.h"
#include "DataLoggerPage.h"
#include "DiagnosticPage.h"
#include "Injectors.h"
#include "LogViewerMenu.h"
#include "MapPages.h"
#include "ObdPage.h"
#include "ParametersPage.h"
#include "ReadingsPage.h"
#include "SideStrip.h"

#include <QGroupBox>
#include <QTabWidget>

using namespace kelvane;

void TForm1::showNotConnected()
{
    // A log playback on the gauges shows its own status instead.
    if (m_logViewer->drivesGauges())
        return;
    if (m_linkWatch->active())
        m_strip->showStatus({ 1, true, "link lost" });
    else
        m_strip->showStatus(notConnectedLamp(m_state.statusTexts));
}

void TForm1::showLinkLost()
{
    // The gauges hold the last record: grey them, so that nobody reads them as live.
    m_strip->showStatus({ 1, true, "link lost" });
    m_strip->setStale(true);
    m_readings->setEnabled(false);
    m_adaptation->linkLost();
    m_linkWatch->linkLost();
}

void TForm1::showLinkBack()
{
    m_strip->setStale(false);
    m_readings->setEnabled(true);
    m_diagnostic->newConnection();
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
    // The side channels and LiveValues were computed with the record's data; what follows only
    // shows them. Hidden pages are skipped: a tick has 35 ms for everything.
    const DisplayContext c = displayContext();
    m_diagnostic->obdPage()->showObd(c);
    // The code list is redrawn only when the controller reports new codes.
    if (result.troubleCodesChanged)
        m_diagnostic->obdPage()->ShowObdTroubleCodes(m_state.session.live);
    // The recording takes LiveValues as they are now, before anything else can change them.
    m_logger->rowStep();
    if (!m_parameters->advancedGroup(6)->isHidden())
        m_parameters->showHeatTime(c);
    // The red columns of the temperature maps follow the temperatures.
    m_maps->repaintTemperatureGrids();
    // A moved error marker reads the error memory now, ahead of the displays that show its list.
    m_diagnostic->errorMemoryTrigger();
    if (tabSheetShown(m_diagnostic->ecuSheet()))
        m_diagnostic->showDiagnostic(c);
    // The level lamps show on two pages; a record without a level step leaves them as they were.
    if (const auto lamps = levelLamps(m_state.session.live.u8(rec::LevelStep))) {
        m_readings->showLevelLamps(*lamps);
        m_strip->showLevelLamps(*lamps);
    }
    if (tabSheetShown(m_readings))
        m_readings->showReadings(c);
    if (tabSheetShown(m_adjustment->mappingSheet()))
        m_maps->paintMappingView();
    // The operating point's cells in the maps, only while a map page is shown and a controller
    // (not a log playback) drives them.
    if ((tabSheetShown(m_adjustment->advancedMapSheet()) || tabSheetShown(m_adjustment->mappingSheet()))
        && m_state.session.conn.Connected) {
        if (computeMapPoint(m_state.session.live, m_state.session.image))
            m_maps->repaintMapGrids();
    }
    m_diagnostic->showServiceLabel();
    if (tabSheetShown(m_parameters->advancedSheet()))
        m_parameters->showWorkTime(c, m_state.statusTexts);
    if (tabSheetShown(m_parameters->basicSheet()))
        m_parameters->showReturnTime(c);
    // The side strip is always shown: its lamp and gauges follow every record.
    m_strip->showStatus(statusLamp(m_state.session.live, m_state.statusTexts));
    m_strip->showStrip(c);
}

void TForm1::repaintReadings()
{
    m_readings->repaint();
    m_strip->repaint();
}
