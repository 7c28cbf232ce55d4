#include "ReportPdf.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <sys/stat.h>

namespace kelvane::report {

namespace {

// Sizes in points (1/72 inch); the painter works in device units, `u` per point.
constexpr qreal PageWidth = 595.0; // A4
constexpr qreal PageHeight = 842.0;
constexpr qreal Margin = 42.0;
constexpr qreal ContentWidth = PageWidth - 2 * Margin;
constexpr qreal FooterSpace = 22.0;

const QColor Ink(0x20, 0x20, 0x20);
const QColor Rule(0xb0, 0xb0, 0xb0);
const QColor Band(0xe8, 0xec, 0xf2);

class Pager {
public:
    Pager(QPagedPaintDevice &device, QPainter &painter, const QString &footer)
        : m_device(device)
        , m_p(painter)
        , m_footer(footer)
    {
        m_u = device.logicalDpiY() / 72.0;
        m_y = Margin;
    }

    qreal u() const { return m_u; }
    qreal y() const { return m_y; }
    int pages() const { return m_page; }
    QPainter &p() { return m_p; }

    QFont font(qreal pt, bool bold = false) const
    {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPointSizeF(pt);
        f.setBold(bold);
        // No ligatures: a reader searching the PDF for "off" finds it, not the single character
        // the "ff" ligature would be.
        f.setStyleStrategy(QFont::PreferNoShaping);
        return f;
    }

    // A rectangle in points on the page, as device units.
    QRectF box(qreal x, qreal y, qreal w, qreal h) const { return QRectF(x * m_u, y * m_u, w * m_u, h * m_u); }

    // Starts a new page when `height` points do not fit below the current line.
    void need(qreal height)
    {
        if (m_y + height > PageHeight - Margin - FooterSpace)
            newPage();
    }
    void newPage()
    {
        footer();
        m_device.newPage();
        ++m_page;
        m_y = Margin;
    }
    void advance(qreal points) { m_y += points; }
    void finish() { footer(); }

    // Height in points of `text` wrapped into `width` points.
    qreal textHeight(const QString &text, const QFont &f, qreal width) const
    {
        m_p.setFont(f);
        const QRectF r = m_p.boundingRect(box(0, 0, width, 10000), Qt::TextWordWrap, text);
        return std::max(r.height() / m_u, QFontMetricsF(f, &m_device).height() / m_u);
    }
    void text(qreal x, qreal y, qreal w, qreal h, const QString &s, const QFont &f, int flags = Qt::AlignLeft)
    {
        m_p.setFont(f);
        m_p.setPen(Ink);
        m_p.drawText(box(x, y, w, h), flags | Qt::TextWordWrap, s);
    }

    // A paragraph across the page.
    void paragraph(const QString &s, const QFont &f, qreal indent = 0)
    {
        const qreal h = textHeight(s, f, ContentWidth - indent);
        need(h);
        text(Margin + indent, m_y, ContentWidth - indent, h, s, f);
        m_y += h + 2;
    }

    // A section's heading, on the page of the first `keepWith` points of what follows it.
    void heading(const QString &s, qreal keepWith = 60)
    {
        const QFont f = font(12.5, true);
        const qreal h = textHeight(s, f, ContentWidth);
        need(h + 13 + keepWith); // never a heading alone at the foot of a page
        m_y += 6;
        text(Margin, m_y, ContentWidth, h, s, f);
        m_y += h + 2;
        m_p.setPen(QPen(Rule, 0.8 * m_u));
        m_p.drawLine(QPointF(Margin * m_u, m_y * m_u), QPointF((PageWidth - Margin) * m_u, m_y * m_u));
        m_y += 5;
    }

    // A row of cells; each text wraps within its cell, the row as high as its highest cell.
    void row(const std::vector<qreal> &widths, const QStringList &cells, const QFont &f, const QColor &fill = QColor(),
        bool grid = false)
    {
        qreal h = 0;
        for (int i = 0; i < cells.size(); ++i)
            h = std::max(h, textHeight(cells[i], f, widths[static_cast<std::size_t>(i)] - 6));
        h += 3;
        need(h);
        qreal x = Margin;
        for (int i = 0; i < cells.size(); ++i) {
            const qreal w = widths[static_cast<std::size_t>(i)];
            if (fill.isValid())
                m_p.fillRect(box(x, m_y, w, h), fill);
            if (grid) {
                m_p.setPen(QPen(Rule, 0.5 * m_u));
                m_p.drawRect(box(x, m_y, w, h));
            }
            text(x + 3, m_y + 1.5, w - 6, h - 3, cells[i], f);
            x += w;
        }
        m_y += h;
    }

private:
    void footer()
    {
        const QFont f = font(7.5);
        text(Margin, PageHeight - Margin - 10, ContentWidth, 12,
            QStringLiteral("%1 \u2014 %2").arg(m_footer).arg(m_page), f, Qt::AlignRight);
    }

    QPagedPaintDevice &m_device;
    QPainter &m_p;
    QString m_footer;
    qreal m_u = 1;
    qreal m_y = 0;
    int m_page = 1;
};

void header(Pager &pg, const ReportDocument &d)
{
    pg.paragraph(d.heading, pg.font(18, true));
    pg.advance(4);
    const std::vector<qreal> widths { 130, ContentWidth - 130 };
    const QFont key = pg.font(9, true), value = pg.font(9);
    auto line = [&](const QString &k, const QString &v) {
        pg.row(widths, { k, v }, value, QColor(), false);
        Q_UNUSED(key);
    };
    line(QStringLiteral("Date and time"), d.created.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    line(QStringLiteral("Program"), QStringLiteral("Kelvane %1").arg(d.programVersion));
    if (d.fromController) {
        line(QStringLiteral("Controller"),
            QStringLiteral("hardware revision %1, software revision %2")
                .arg(d.hardwareRevision)
                .arg(d.softwareRevision));
        line(QStringLiteral("Port"), d.source);
    } else {
        line(QStringLiteral("Parameter file"), d.source);
    }
    line(QStringLiteral("Language"), d.language);
    pg.advance(6);
    // The workshop and the car: the fitter's text, or room to write them by hand.
    const QFont f = pg.font(10);
    const qreal textH = d.fitterText.isEmpty() ? 0 : pg.textHeight(d.fitterText, f, ContentWidth - 12);
    const qreal h = std::max<qreal>(54, textH + 20);
    pg.need(h);
    pg.text(Margin, pg.y(), ContentWidth, 10, QStringLiteral("Workshop and car"), pg.font(7.5));
    pg.p().setPen(QPen(Rule, 0.8 * pg.u()));
    pg.p().drawRect(pg.box(Margin, pg.y() + 11, ContentWidth, h - 11));
    if (!d.fitterText.isEmpty())
        pg.text(Margin + 6, pg.y() + 15, ContentWidth - 12, textH, d.fitterText, f);
    pg.advance(h + 6);
}

void tempMapTable(Pager &pg, const TempMapTable &m)
{
    const qreal first = 40, cell = 40;
    std::vector<qreal> widths { first };
    for (int i = 0; i < 6; ++i)
        widths.push_back(cell);
    const QFont f = pg.font(8.5);
    QStringList points { QStringLiteral("\u00b0C") }, corrections { QStringLiteral("%") };
    for (int i = 0; i < 6; ++i) {
        points << QString::number(m.points[static_cast<std::size_t>(i)]);
        corrections << QString::number(m.corrections[static_cast<std::size_t>(i)]);
    }
    pg.need(30);
    pg.row(widths, points, pg.font(8.5, true), QColor(255, 255, 210), true);
    pg.row(widths, corrections, f, QColor(), true);
    pg.advance(3);
}

void setup(Pager &pg, const ReportDocument &d)
{
    pg.heading(QStringLiteral("Car setup"));
    const std::vector<qreal> widths { 230, 200, ContentWidth - 430 };
    const QFont f = pg.font(8.5);
    for (const SettingsPage &page : d.pages) {
        pg.need(40);
        pg.paragraph(page.title, pg.font(10.5, true));
        for (const SettingsBlock &b : page.blocks) {
            pg.need(32);
            pg.row({ ContentWidth }, { b.title }, pg.font(9, true), Band);
            for (const SettingRow &r : b.rows) {
                if (r.value.isEmpty() && r.unit.isEmpty() && r.control.startsWith(QLatin1String("Label")))
                    pg.row({ ContentWidth }, { r.caption }, pg.font(8.5, true));
                else
                    pg.row(widths, { r.caption, r.value, r.unit }, f);
            }
            for (const QString &l : b.lines)
                pg.row({ ContentWidth }, { l }, f);
            if (b.tempMap) {
                pg.advance(2);
                tempMapTable(pg, *b.tempMap);
            }
            pg.advance(3);
        }
    }
}

void mainMap(Pager &pg, const ReportDocument &d)
{
    pg.heading(QStringLiteral("Main map (correction in %, rows: injection time in ms, columns: engine speed in rpm)"),
        17 * 15);
    const qreal head = 59, cell = (ContentWidth - head) / 8;
    std::vector<qreal> widths { head };
    for (int c = 0; c < 8; ++c)
        widths.push_back(cell);
    const QFont bold = pg.font(8.5, true), f = pg.font(8.5);
    QStringList top { QStringLiteral("ms \\ rpm") };
    for (const QString &s : d.mainMap.rpm)
        top << s;
    pg.need(17 * 14 + 10);
    pg.row(widths, top, bold, Band, true);
    for (int r = 0; r < maps::MainMapRows; ++r) {
        // The cells carry their own colours: painted one by one.
        const qreal y = pg.y();
        pg.row({ head }, { d.mainMap.injMs[static_cast<std::size_t>(r)] }, bold, Band, true);
        const qreal h = pg.y() - y;
        for (int c = 0; c < maps::MainMapCols; ++c) {
            const int v = d.mainMap.percent[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            const maps::Rgb rgb = maps::MapCellColour(v);
            const QRectF rect = pg.box(Margin + head + c * cell, y, cell, h);
            pg.p().fillRect(rect, QColor(rgb.r, rgb.g, rgb.b));
            pg.p().setPen(QPen(Rule, 0.5 * pg.u()));
            pg.p().drawRect(rect);
            pg.text(Margin + head + c * cell, y + 1.5, cell, h - 3, maps::formatCorrection(v), f, Qt::AlignHCenter);
        }
    }
    pg.advance(6);
}

void map2D(Pager &pg, const ReportDocument &d)
{
    const qreal plotH = 150, labelsH = 26;
    pg.heading(QStringLiteral("2D map (correction in % over injection time in ms)"), plotH + labelsH + 8);
    pg.need(plotH + labelsH + 8);
    const qreal left = Margin + 34, width = ContentWidth - 40, top = pg.y() + 6;
    int lo = 0, hi = 0;
    for (int v : d.map2D.percent) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    // Whole tens around the values and the zero line, at least -10 to +10.
    lo = std::min(-10, (lo - 9) / 10 * 10);
    hi = std::max(10, (hi + 19) / 10 * 10);
    auto yOf = [&](int v) { return top + plotH * (hi - v) / static_cast<qreal>(hi - lo); };
    const qreal step = width / maps::Map2DEntries;
    auto xOf = [&](int k) { return left + step * (k + 0.5); };
    QPainter &p = pg.p();
    const QFont small = pg.font(7.5);
    // Grid lines every 10 %, labelled on the left; 0 % drawn darker.
    for (int v = lo; v <= hi; v += 10) {
        p.setPen(QPen(v == 0 ? QColor(0x60, 0x60, 0x60) : QColor(0xdd, 0xdd, 0xdd), (v == 0 ? 0.9 : 0.5) * pg.u()));
        p.drawLine(QPointF(left * pg.u(), yOf(v) * pg.u()), QPointF((left + width) * pg.u(), yOf(v) * pg.u()));
        pg.text(Margin, yOf(v) - 5, 30, 10, QString::number(v), small, Qt::AlignRight);
    }
    QPainterPath curve;
    for (int k = 0; k < maps::Map2DEntries; ++k) {
        const QPointF pt(xOf(k) * pg.u(), yOf(d.map2D.percent[static_cast<std::size_t>(k)]) * pg.u());
        k == 0 ? curve.moveTo(pt) : curve.lineTo(pt);
    }
    p.setPen(QPen(QColor(0xc0, 0x20, 0x20), 1.6 * pg.u()));
    p.drawPath(curve);
    for (int k = 0; k < maps::Map2DEntries; ++k) {
        const int v = d.map2D.percent[static_cast<std::size_t>(k)];
        const maps::Rgb rgb = maps::MapCellColour(v);
        p.setBrush(QColor(rgb.r, rgb.g, rgb.b));
        p.setPen(QPen(QColor(0xc0, 0x20, 0x20), 0.8 * pg.u()));
        p.drawEllipse(QPointF(xOf(k) * pg.u(), yOf(v) * pg.u()), 2.6 * pg.u(), 2.6 * pg.u());
        pg.text(xOf(k) - step / 2, yOf(v) - 14, step, 10, maps::formatCorrection(v), small, Qt::AlignHCenter);
        pg.text(xOf(k) - step / 2, top + plotH + 3, step, 10, d.map2D.injMs[static_cast<std::size_t>(k)], small,
            Qt::AlignHCenter);
    }
    p.setBrush(Qt::NoBrush);
    pg.advance(6 + plotH + labelsH);
}

void service(Pager &pg, const ReportDocument &d)
{
    pg.heading(QStringLiteral("Service interval and work times"));
    const QFont f = pg.font(9);
    pg.row({ 130, ContentWidth - 130 }, { QStringLiteral("Service"), d.serviceText }, f);
    pg.row({ 130, ContentWidth - 130 }, { QStringLiteral("Work times"), d.workTimeText }, f);
}

void faults(Pager &pg, const ReportDocument &d)
{
    if (!d.faults.read && !d.troubleCodes.read && d.troubleCodes.note.isEmpty())
        return;
    pg.heading(QStringLiteral("Faults"));
    const QFont f = pg.font(9), bold = pg.font(9, true);
    if (d.faults.read) {
        pg.paragraph(QStringLiteral("Error memory of the controller"), bold);
        if (d.faults.lines.empty())
            pg.paragraph(QStringLiteral("no faults"), f, 10);
        for (const QString &l : d.faults.lines)
            pg.paragraph(l, f, 10);
        if (!d.faults.note.isEmpty())
            pg.paragraph(d.faults.note, f, 10);
    }
    pg.paragraph(QStringLiteral("OBD trouble codes of the car"), bold);
    if (d.troubleCodes.read && d.troubleCodes.codes.empty())
        pg.paragraph(QStringLiteral("no trouble codes"), f, 10);
    if (!d.troubleCodes.codes.empty())
        pg.paragraph(
            QStringList(d.troubleCodes.codes.begin(), d.troubleCodes.codes.end()).join(QStringLiteral(", ")), f, 10);
    if (!d.troubleCodes.read)
        pg.paragraph(d.troubleCodes.note, f, 10);
}

void changes(Pager &pg, const ReportDocument &d)
{
    if (d.changes.empty())
        return;
    pg.heading(QStringLiteral("Changes of this visit"));
    const std::vector<qreal> widths { 48, 130, 140, 98, ContentWidth - 416 };
    pg.row(widths,
        { QStringLiteral("time"), QStringLiteral("action"), QStringLiteral("setting"), QStringLiteral("before"),
            QStringLiteral("after") },
        pg.font(8.5, true), Band);
    for (const ChangeRow &c : d.changes)
        pg.row(widths, { c.time, c.action, c.setting, c.before, c.after }, pg.font(8.5));
}

} // namespace

int paintReport(const ReportDocument &d, QPagedPaintDevice &device)
{
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    Pager pg(device, painter,
        QStringLiteral("Kelvane workshop report, %1").arg(d.created.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    header(pg, d);
    service(pg, d);
    faults(pg, d);
    changes(pg, d);
    setup(pg, d);
    mainMap(pg, d);
    map2D(pg, d);
    pg.finish();
    painter.end();
    return pg.pages();
}

bool reportTargetUsable(const QString &path, QString *error)
{
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return true; // a new file; whether the folder takes it shows when it is written
    if (S_ISREG(st.st_mode))
        return true;
    if (error)
        *error = QStringLiteral("%1 exists and is not a regular file; not replaced").arg(path);
    return false;
}

bool writeReportPdf(const ReportDocument &d, const QString &path, QString *error)
{
    if (!reportTargetUsable(path, error))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(288);
        writer.setTitle(QStringLiteral("Kelvane workshop report"));
        writer.setCreator(QStringLiteral("Kelvane %1").arg(d.programVersion));
        paintReport(d, writer);
    }
    if (file.error() != QFileDevice::NoError || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace kelvane::report
