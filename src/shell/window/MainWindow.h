#pragma once
// The main window: the page control with its five pages on the left, the side strip on the right,
// the menu, the 35 ms polling timer and the handlers of the window, which forward to the pages and
// to the logic libraries.

#include "AppState.h"
#include "DisplayContext.h"
#include "FileMenu.h"
#include "LayoutRules.h"

#include <QMainWindow>

#include <functional>

class QAction;
class QMenu;
class QTabWidget;
class QTimer;

namespace kelvane {
class AdaptationPage;
class AdjustmentPage;
class MapPages;
class FileMenu;
class EditMenu;
class LinkWatch;
class DiagnosticPage;
class ParametersPage;
class ReadingsPage;
class SideStrip;
class DataLoggerPage;
class LogViewerMenu;
class LanguageMenu;
class SettingsWiring;
class UserInteraction;
} // namespace kelvane

class TForm1 : public QMainWindow, public kelvane::ConnectionView, public kelvane::PollingView {
    Q_OBJECT
public:
    // Messages, questions and dialogs of the window and its pages go to `user`.
    TForm1(kelvane::AppState &state, kelvane::UserInteraction &user, QWidget *parent = nullptr);
    ~TForm1() override;

    kelvane::AppState &state() { return m_state; }
    // The 35 ms polling timer; the program starts it once the window is built (tests tick by hand).
    QTimer *timer() const { return Timer1; }
    void startPolling();
    // The words the change journal records a settings write under: its control's caption.
    QString actionCaption(const QString &action) const;
    bool layoutFlag() const { return m_layoutFlag != 0; }
    bool scanning() const { return m_scanning; }

    kelvane::UserInteraction &user() const { return m_user; }

    // ConnectionView
    void setCaption(const std::string &caption) override;
    void showMessage(const std::string &text) override;
    void setProgress(int position, int maximum) override;
    void showImage() override;

    // PollingView
    void showNotConnected() override;
    void showDecoded(const kelvane::DecodeResult &result) override;
    void showLinkLost() override;
    // The link is back (or the watch ended): the readings are live again.
    void showLinkBack();
    kelvane::LinkWatch *linkWatch() const { return m_linkWatch; }

    // The display steps of one decode, in their order.
    void DecodeLiveRecord(const kelvane::DecodeResult &result);

    // Position and size rules of the frame; FormCanResize tells whether a size is allowed.
    kelvane::layout::ResizeCheck FormCanResize(int newWidth, int newHeight) const;
    void FormResize();
    // Re-centres the window on its screen.
    void centreOnScreen();
    // Sets the outer size, frame included (the window opens at 809 x 650 outer).
    void resizeOuter(int width, int height);

    // Paints the readings page and the side strip now (for the benchmark).
    void repaintReadings();

    // The fuel-map editors (main map, axes, 2D map, temperature maps, mapping view, Form2).
    kelvane::MapPages *mapPages() const { return m_maps; }
    // The settings controls and their write-backs.
    kelvane::SettingsWiring *settingsWiring() const { return m_settings; }
    // The language menu and help.
    kelvane::LanguageMenu *languageMenu() const { return m_languages; }

public slots:
    void FormCreate();
    void Timer1Timer();
    void F10autoconnect1Click();
    void F2readings1Click();
    void F3parameters1Click();
    void F4adjustment1Click();
    void F5diagnostic1Click();
    void F6mapping1Click();
    void F7advancedmap1Click();
    void exit1Click();
    void petro1Click();
    void auto1Click();
    void propane1Click();
    void AbColBitBtnPasBenzynaClick();
    void AbColBitBtnPasAutomatClick();
    void AbColBitBtnPasGazClick();
    void AbLEDStatusClick();

    // Petrol switches of the readings page, the side strip and the diagnostic page; gas switches of
    // the readings and diagnostic pages.
    void AbColBitBtnEmuClick(int cylinder);
    void AbColBitBtnGoffClick(int cylinder);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void FormClose();
    void buildMenu();
    void connectSwitches();
    void placeRegions();
    bool tabSheetShown(const QWidget *sheet) const;
    kelvane::DisplayContext displayContext() const;
    QSize frameExtra() const;

    kelvane::AppState &m_state;
    kelvane::UserInteraction &m_user;
    std::uint8_t m_layoutFlag = 0;
    bool m_inTick = false;
    bool m_scanning = false;
    bool m_closed = false;
    bool m_shownOnce = false;
    bool m_sizeChosen = false;

    QTimer *Timer1 = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QWidget *m_frameArea = nullptr;
    kelvane::ReadingsPage *m_readings = nullptr;
    kelvane::ParametersPage *m_parameters = nullptr;
    kelvane::AdjustmentPage *m_adjustment = nullptr;
    kelvane::MapPages *m_maps = nullptr;
    kelvane::DiagnosticPage *m_diagnostic = nullptr;
    kelvane::AdaptationPage *m_adaptation = nullptr;
    kelvane::FileMenu *m_files = nullptr;
    kelvane::EditMenu *m_edit = nullptr;
    kelvane::LinkWatch *m_linkWatch = nullptr;
    kelvane::SideStrip *m_strip = nullptr;
    kelvane::DataLoggerPage *m_logger = nullptr;
    kelvane::LogViewerMenu *m_logViewer = nullptr;
    kelvane::LanguageMenu *m_languages = nullptr;
    kelvane::SettingsWiring *m_settings = nullptr;

    kelvane::FileMenuItems m_fileItems;
    QAction *m_openLog = nullptr;
    QAction *F10autoconnect1 = nullptr;
    QAction *F2readings1 = nullptr;
    QAction *F3parameters1 = nullptr;
    QAction *F4adjustment1 = nullptr;
    QAction *F5diagnostic1 = nullptr;
    QAction *F6mapping1 = nullptr;
    QAction *F7advancedmap1 = nullptr;
    QAction *petro1 = nullptr;
    QAction *auto1 = nullptr;
    QAction *propane1 = nullptr;
};
