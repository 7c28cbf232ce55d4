#include "ReportContent.h"

#include "FieldCodec.h"
#include "FieldTable.h"
#include "ImageCompare.h"
#include "Languages.h"
#include "Map2D.h"
#include "MapAxes.h"
#include "Readings.h"
#include "SettingCaptions.h"
#include "SettingsSections.h"

#include <cmath>
#include <cstring>

#ifndef KELVANE_VERSION
#define KELVANE_VERSION "unknown"
#endif

namespace kelvane::report {

namespace {

const FieldDef *fieldOf(const char *control)
{
    for (const FieldDef &f : fieldTable()) {
        if (std::strcmp(f.control, control) == 0)
            return &f;
    }
    return nullptr;
}

int decimalsFor(double step)
{
    if (step <= 0 || step >= 1)
        return 0;
    return std::min(3, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
}

QString number(double value, int decimals, QChar point)
{
    QString text = QString::number(value, 'f', decimals);
    if (point != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), point);
    return text;
}

struct Texts {
    const LanguageTexts &lang;
    QString caption(const char *name) const { return captionText(name, lang); }
    QString tab(const char *name) const { return targetText(TextTargetKind::TabCaption, name, -1, lang); }
    QString item(const char *combo, int index) const
    {
        return targetText(TextTargetKind::ComboItem, combo, index, lang);
    }
    QString status(const char *member) const { return targetText(TextTargetKind::StatusText, member, -1, lang); }
    QString global(const char *member) const { return targetText(TextTargetKind::GlobalText, member, -1, lang); }
    // A switch's state: the texts the temperature-correction switches show.
    QString onOff(bool on) const
    {
        return on ? targetText(TextTargetKind::OnText, "AbToggleSwitchTempCorProp", -1, lang)
                  : targetText(TextTargetKind::OffText, "AbToggleSwitchTempCorProp", -1, lang);
    }
    QString fault(int code) const
    {
        const QString t = targetText(TextTargetKind::FaultText, nullptr, code, lang);
        return t.isEmpty() ? QString::fromUtf8(defaultFaultText(code) ? defaultFaultText(code) : "") : t;
    }
};

// The value a control shows, in the report's language.
QString shownValue(
    const ParameterImage &image, const FieldDef &f, const DecodeContext &ctx, const Texts &t, QChar point)
{
    const Shown s = decodeField(image, f, ctx);
    switch (s.kind) {
    case ShownKind::Number:
        return number(s.number, decimalsFor(f.step), point);
    case ShownKind::Item: {
        const QString text = t.item(f.control, s.index);
        return text.isEmpty() ? s.text : text;
    }
    case ShownKind::Position: {
        QString text = QString::number(s.index);
        // The percent the page shows beside these two track bars.
        if (std::strcmp(f.control, "TrackBarSwitchBright") == 0)
            text
                += QLatin1String(" (") + number(switchBrightPercent(image.bytes[146]), 1, point) + QLatin1String(" %)");
        else if (std::strcmp(f.control, "TrackBarBeepTime") == 0)
            text += QLatin1String(" (") + number(beepTimePercent(image.bytes[145]), 1, point) + QLatin1String(" %)");
        return text;
    }
    case ShownKind::Flag:
        return t.onOff(s.on);
    case ShownKind::NoSelection:
        return QString();
    case ShownKind::Blank:
        return s.text.trimmed();
    case ShownKind::Table:
        return shownText(s);
    }
    return QString();
}

bool shownNow(const char *control, const ParameterImage &image, const DecodeContext &ctx)
{
    if (hiddenOnPage(control))
        return false;
    if (shownWhenSignalLevel(control))
        return rpmSignal(image) == 1; // "0-14V"
    if (shownWhenReturnOn(control)) {
        const FieldDef *on = fieldOf("ComboBoxPowrotZminRpm");
        return on && decodeField(image, *on, ctx).index == 1;
    }
    return true;
}

SettingRow settingRow(
    const char *control, const ParameterImage &image, const DecodeContext &ctx, const Texts &t, QChar point)
{
    SettingRow row;
    row.control = QString::fromLatin1(control);
    const FieldDef *f = fieldOf(control);
    row.caption = settingCaption(control, t.lang);
    if (f && (f->controlKind == ControlKind::CheckBox))
        row.caption = checkBoxText(control, t.lang);
    // A control of a section's header (a preset box, a switch) has the section's title as its caption.
    // The ":" some labels end in is left to the report's column.
    row.caption = settingName(row.caption);
    if (f)
        row.value = shownValue(image, *f, ctx, t, point);
    row.unit = settingUnit(control);
    return row;
}

TempMapTable tempMap(const ParameterImage &image, maps::Region points, maps::Region corrections)
{
    TempMapTable m;
    for (int i = 0; i < 6; ++i) {
        m.points[static_cast<std::size_t>(i)] = maps::cellValue(image, points, 0, i);
        m.corrections[static_cast<std::size_t>(i)] = maps::cellValue(image, corrections, 0, i);
    }
    return m;
}

QString hoursMinutes(std::uint32_t seconds)
{
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'));
}

QString serviceText(const ParameterImage &image, const std::optional<WorkTimes> &work, const Texts &t)
{
    const std::uint32_t due = image.dword(8);
    if (due == 0)
        return t.global("serviceOff");
    QString text = QStringLiteral("due at gas work time %1").arg(hoursMinutes(due));
    if (work && work->live) {
        const long long left = due >= work->gasSeconds ? (static_cast<long long>(due) - work->gasSeconds) / 60 : -1;
        text = QStringLiteral("%1 [ %2 min. ], %3").arg(t.global("serviceTimeLeft")).arg(left).arg(text);
    }
    return text;
}

} // namespace

QString settingUnit(const char *control)
{
    struct Unit {
        const char *control;
        const char *unit;
    };
    // Units of the settings whose caption does not name one; times and speeds by their encoding.
    static const Unit units[] = {
        { "AbNumSpinOffPres", "bar" },
        { "AbNumSpinOnDelay", "s" },
        { "AbNumSpinOffDelay", "s" },
        { "ComboBoxPowrotZminRpmTime", "s" }, // the page shows "[s]" beside it
        { "AbNumSpinE", "V" },
        { "AbNumSpin14", "V" },
        { "AbNumSpin24", "V" },
        { "AbNumSpin34", "V" },
        { "AbNumSpinHold", "%" },
        { "ComboBoxTempSw", "\u00b0C" },
        { "AbNumSpinAdvTempHeat", "\u00b0C" },
        { "ComboBoxRpmSw", "rpm" },
        { "ComboBoxMinRpm", "rpm" },
        { "ComboBoxMaxRpm", "rpm" },
    };
    for (const Unit &u : units) {
        if (std::strcmp(u.control, control) == 0)
            return QString::fromUtf8(u.unit);
    }
    const FieldDef *f = fieldOf(control);
    if (f && f->controlKind == ControlKind::SpinEdit) {
        if (f->encoding == Encoding::Ticks)
            return QStringLiteral("ms");
        if (f->encoding == Encoding::Period)
            return QStringLiteral("rpm");
    }
    return QString();
}

QString portDescription(const ControllerSession &s)
{
    QString name = QString::fromStdString(s.linkState.PortName);
    const int com = name.lastIndexOf(QLatin1String("COM"));
    if (com >= 0)
        name = name.mid(com);
    const std::string device = s.ports.deviceForPort(name.mid(3).toInt());
    QString text = name;
    if (!device.empty())
        text += QStringLiteral(" (%1)").arg(QString::fromStdString(device));
    return text + QStringLiteral(", %1 baud").arg(baudFor(s.linkState.BaudFlag));
}

QString programVersion()
{
    return QStringLiteral(KELVANE_VERSION);
}

ReportDocument buildReport(const ReportSource &src)
{
    const ParameterImage &image = *src.image;
    const DecodeContext ctx { src.timeBases };
    const Texts t { src.texts };
    const QChar point = src.decimalPoint;

    ReportDocument d;
    d.language = src.language;
    d.heading = QStringLiteral("Workshop report");
    d.fitterText = src.fitterText;
    d.created = src.created;
    d.programVersion = programVersion();
    d.fromController = src.fromController;
    d.source = src.source;
    d.hardwareRevision = src.hardwareRevision;
    d.softwareRevision = src.softwareRevision;

    const std::pair<const char *, const std::vector<SettingsSection> *> pages[]
        = { { "TabSheet21", &basicSections() }, { "TabSheet22", &advancedSections() } };
    for (const auto &[tabName, sections] : pages) {
        SettingsPage page;
        page.title = t.tab(tabName);
        for (const SettingsSection &sec : *sections) {
            SettingsBlock block;
            block.title = t.caption(sec.headerName);
            if (block.title.isEmpty())
                block.title = QString::fromUtf8(sec.caption);
            for (const char *c : sec.headerControls) {
                if (shownNow(c, image, ctx))
                    block.rows.push_back(settingRow(c, image, ctx, t, point));
            }
            if (sec.body == SectionBody::Rows) {
                for (const SectionRow &r : sec.rows) {
                    if (r.left && r.left[0] == '=') {
                        QString heading = t.caption(r.left + 1);
                        if (heading.isEmpty())
                            heading = QString::fromUtf8(headingText(r.left + 1));
                        block.rows.push_back({ QString::fromLatin1(r.left + 1), heading, QString(), QString() });
                        continue;
                    }
                    for (const char *c : { r.left, r.right }) {
                        if (c && shownNow(c, image, ctx))
                            block.rows.push_back(settingRow(c, image, ctx, t, point));
                    }
                }
            } else {
                for (const char *c : sec.controls) {
                    if (shownNow(c, image, ctx))
                        block.rows.push_back(settingRow(c, image, ctx, t, point));
                }
            }
            if (sec.body == SectionBody::GasTempMap)
                block.tempMap = tempMap(image, maps::Region::GasTempPoints, maps::Region::GasTempCorrections);
            if (sec.body == SectionBody::ReducerTempMap)
                block.tempMap = tempMap(image, maps::Region::ReducerTempPoints, maps::Region::ReducerTempCorrections);
            if (sec.body == SectionBody::Service)
                block.lines << serviceText(image, src.workTimes, t);
            page.blocks.push_back(std::move(block));
        }
        d.pages.push_back(std::move(page));
    }

    for (int c = 0; c < maps::MainMapCols; ++c)
        d.mainMap.rpm[static_cast<std::size_t>(c)] = maps::rpmAxisText(image, c, src.timeBases);
    for (int r = 0; r < maps::MainMapRows; ++r) {
        d.mainMap.injMs[static_cast<std::size_t>(r)] = maps::injAxisText(image, r, src.timeBases, point, 2);
        for (int c = 0; c < maps::MainMapCols; ++c)
            d.mainMap.percent[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]
                = maps::cellValue(image, maps::Region::MainMap, r, c);
    }
    for (int k = 0; k < maps::Map2DEntries; ++k) {
        d.map2D.injMs[static_cast<std::size_t>(k)] = maps::injAxisText(image, k, src.timeBases, point, 2);
        d.map2D.percent[static_cast<std::size_t>(k)] = maps::map2DValue(image, k);
    }

    d.serviceText = serviceText(image, src.workTimes, t);
    WorkTimes work;
    if (src.workTimes) {
        work = *src.workTimes;
    } else {
        work.petrolSeconds = image.dword(12);
        work.gasSeconds = image.dword(16);
    }
    StatusTexts status;
    status.workTime = t.status("workTime").toStdString();
    status.gasoline = t.status("gasoline").toStdString();
    status.gaz = t.status("gaz").toStdString();
    d.workTimeText = QString::fromStdString(
        workTimeText(work.petrolSeconds, work.gasSeconds, status, static_cast<char>(point.toLatin1())));
    if (!work.live)
        d.workTimeText += QStringLiteral(" (as saved in the parameters)");

    if (src.errors) {
        d.faults.read = true;
        for (const FaultEntry &e : src.errors->faults) {
            const QString text = t.fault(e.code);
            d.faults.lines.push_back(
                text.isEmpty() ? QString::number(e.code) : QStringLiteral("%1 %2").arg(e.code).arg(text));
        }
        if (src.errors->notShown() > 0)
            d.faults.note
                = QStringLiteral("(%1 faults stored, the first %2 listed)").arg(src.errors->count).arg(ErrorGridRows);
    }
    if (src.troubleCodes) {
        d.troubleCodes.read = true;
        for (const std::string &c : *src.troubleCodes)
            d.troubleCodes.codes.push_back(QString::fromStdString(c));
    }
    d.troubleCodes.note = src.troubleCodesNote;

    for (auto it = src.changes.rbegin(); it != src.changes.rend(); ++it) {
        const JournalEntry &e = *it;
        const QString time = e.time.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
        if (e.changes.empty()) {
            d.changes.push_back({ time, e.action, QString(), QString(), QString() });
            continue;
        }
        for (const ChangeLine &c : e.changes)
            d.changes.push_back({ time, e.action, c.setting, c.before, c.after });
    }
    return d;
}

std::vector<JournalEntry> visitEntries(
    const std::vector<JournalEntry> &entries, const QDate &day, int hardwareRevision, int softwareRevision)
{
    std::vector<JournalEntry> out;
    for (const JournalEntry &e : entries) {
        if (e.time.toLocalTime().date() != day)
            continue;
        const bool known = e.hardwareRevision != 0 || e.softwareRevision != 0;
        if (known && (e.hardwareRevision != hardwareRevision || e.softwareRevision != softwareRevision))
            continue;
        out.push_back(e);
    }
    return out;
}

QStringList ReportDocument::texts() const
{
    QStringList out;
    out << heading << fitterText << created.toString(QStringLiteral("yyyy-MM-dd HH:mm")) << programVersion << source;
    for (const SettingsPage &p : pages) {
        out << p.title;
        for (const SettingsBlock &b : p.blocks) {
            out << b.title;
            for (const SettingRow &r : b.rows)
                out << r.caption << r.value << r.unit;
            out << b.lines;
        }
    }
    for (const QString &s : mainMap.rpm)
        out << s;
    for (const QString &s : mainMap.injMs)
        out << s;
    out << serviceText << workTimeText;
    for (const QString &s : faults.lines)
        out << s;
    for (const QString &s : troubleCodes.codes)
        out << s;
    for (const ChangeRow &c : changes)
        out << c.action << c.setting << c.before << c.after;
    out.removeAll(QString());
    return out;
}

} // namespace kelvane::report
