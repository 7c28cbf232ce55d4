#pragma once
// What a workshop report holds: a header (when, which program, which controller, the fitter's own
// text), every setting of the two parameter pages as their controls show it, the maps, the service
// interval and the work times, the faults when read from the controller, and the changes of the
// visit from the change journal. Plain data built from the Parameter image; the window and
// kelvane-cli both build it, ReportPdf.h paints it.

#include "ControllerSession.h"
#include "ErrorMemory.h"
#include "JournalEntry.h"
#include "LanguageFile.h"
#include "MapRegions.h"
#include "ParameterImage.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvane::report {

// One setting as its control shows it: caption, value, unit. A check box has its text as caption.
struct SettingRow {
    QString control; // objectName, for tests and look-ups
    QString caption;
    QString value;
    QString unit;
};

struct TempMapTable {
    std::array<int, 6> points {}; // degrees Celsius
    std::array<int, 6> corrections {}; // percent
};

struct SettingsBlock {
    QString title; // the section's header, in the report's language
    // A heading inside a section ("gas injection limits:") is a row with only a caption.
    std::vector<SettingRow> rows;
    std::optional<TempMapTable> tempMap; // sections 3 and 4 of page "zaawansowane"
    QStringList lines; // free lines (the service interval)
};

struct SettingsPage {
    QString title; // "podstawowe", "zaawansowane" in the report's language
    std::vector<SettingsBlock> blocks;
};

struct MainMapTable {
    std::array<QString, maps::MainMapCols> rpm; // column heads, rpm
    std::array<QString, maps::MainMapRows> injMs; // row heads, ms
    std::array<std::array<int, maps::MainMapCols>, maps::MainMapRows> percent {};
};

struct Map2DCurve {
    std::array<QString, maps::Map2DEntries> injMs; // the breakpoints the entries belong to
    std::array<int, maps::Map2DEntries> percent {};
};

struct FaultList {
    bool read = false; // false: the faults were not read (a report from a file)
    std::vector<QString> lines; // "code text", empty: no faults
    QString note; // "(40 faults stored, the first 32 listed)"
};

struct TroubleCodeList {
    bool read = false;
    std::vector<QString> codes;
    QString note; // why they were not read ("OBD/CAN is disabled")
};

struct ChangeRow {
    QString time; // local "hh:mm:ss"
    QString action;
    QString setting; // empty for an action without its changes in words
    QString before;
    QString after;
};

struct ReportDocument {
    QString language; // "English", "Polish", ...
    QString heading; // "Workshop report"
    QString fitterText; // the workshop's name and the car, as typed
    QDateTime created;
    QString programVersion;
    bool fromController = false;
    QString source; // "COM3 (/dev/ttyUSB0), 57600 baud" or the parameter file's path
    int hardwareRevision = 0;
    int softwareRevision = 0;
    std::vector<SettingsPage> pages; // "podstawowe", "zaawansowane"
    MainMapTable mainMap;
    Map2DCurve map2D;
    QString serviceText; // the service interval as the diagnostic page says it
    QString workTimeText; // petrol and gas work times
    FaultList faults;
    TroubleCodeList troubleCodes;
    std::vector<ChangeRow> changes; // oldest first

    // Every text of the document in reading order, one a line: what a reader of the PDF finds.
    QStringList texts() const;
};

struct WorkTimes {
    std::uint32_t petrolSeconds = 0;
    std::uint32_t gasSeconds = 0;
    bool live = false; // from the controller's live record; else as saved in the image
};

// What a report is made from.
struct ReportSource {
    const ParameterImage *image = nullptr;
    TimeBases timeBases;
    LanguageTexts texts; // the chosen language's texts; empty: English
    QString language = QStringLiteral("English");
    QString fitterText;
    QDateTime created;
    bool fromController = false;
    QString source; // port or file
    int hardwareRevision = 0;
    int softwareRevision = 0;
    std::optional<WorkTimes> workTimes; // nothing: the counters saved in the image are used
    std::optional<ErrorList> errors; // the error memory as read (controller reports only)
    std::optional<std::vector<std::string>> troubleCodes; // the car's OBD codes as read
    QString troubleCodesNote; // why they were not read
    std::vector<JournalEntry> changes; // the visit's journal entries, any order
    QChar decimalPoint = QLatin1Char('.');
};

ReportDocument buildReport(const ReportSource &source);

// The journal entries of one visit: those of the calendar day `day` (local time) made with the
// controller of these revisions (entries without known revisions count too). Newest first as given.
std::vector<JournalEntry> visitEntries(
    const std::vector<JournalEntry> &entries, const QDate &day, int hardwareRevision, int softwareRevision);

// The unit the report writes beside a setting ("ms", "rpm", "bar", ...); empty when none.
QString settingUnit(const char *control);

// The port of a connected session as the report names it: "COM3 (/dev/ttyUSB0), 57600 baud".
QString portDescription(const ControllerSession &session);

// The program's version as the report names it.
QString programVersion();

} // namespace kelvane::report
