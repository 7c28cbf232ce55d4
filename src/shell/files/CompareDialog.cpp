#include "CompareDialog.h"

#include "SettingsControls.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kelvane {

namespace {

QString captionOf(const FieldDef &field, const QWidget *window)
{
    QString caption;
    if (*field.control) {
        caption = settingCaption(field.control).trimmed();
        while (caption.endsWith(QLatin1Char(':')))
            caption.chop(1);
        if (caption.isEmpty() && window) {
            // Check boxes carry their caption as their own text.
            if (const auto *b = window->findChild<const QAbstractButton *>(QString::fromLatin1(field.control)))
                caption = b->text().remove(QLatin1Char('&')).trimmed();
        }
    }
    return caption.isEmpty() ? QString::fromLatin1(field.name) : caption;
}

// Where a control sits: the title of its group or collapsible section, else the caption of its page.
QString placeOf(const QWidget *control)
{
    for (const QWidget *p = control->parentWidget(); p; p = p->parentWidget()) {
        if (const auto *box = qobject_cast<const QGroupBox *>(p)) {
            if (!box->title().isEmpty())
                return box->title();
            // A collapsible section: its header, with the title first, stands just above the box.
            const QWidget *parent = box->parentWidget();
            QLayout *layout = parent ? parent->layout() : nullptr;
            const int i = layout ? layout->indexOf(const_cast<QGroupBox *>(box)) : -1;
            const QWidget *header = i > 0 ? layout->itemAt(i - 1)->widget() : nullptr;
            if (const QLabel *title = header ? header->findChild<const QLabel *>() : nullptr)
                return title->text();
        }
        const QWidget *stack = p->parentWidget();
        if (const auto *tabs = qobject_cast<const QTabWidget *>(stack ? stack->parentWidget() : nullptr)) {
            const int i = tabs->indexOf(const_cast<QWidget *>(p));
            if (i >= 0)
                return tabs->tabText(i);
        }
    }
    return QString();
}

QString valueText(const Shown &shown, const QString &stored, bool storedOnly)
{
    const QString text = shownText(shown);
    // The controls show the same, the stored values differ: say so, or the line would read as equal.
    return storedOnly ? QStringLiteral("%1 (stored %2)").arg(text, stored) : text;
}

} // namespace

std::vector<CompareRow> compareRows(const ImageComparison &c, const QWidget *window)
{
    std::vector<CompareRow> rows;
    rows.reserve(c.fields.size() + c.regions.size());
    for (const FieldDifference &d : c.fields) {
        const bool storedOnly = d.storedOnly();
        const QWidget *control = window && *d.field->control
            ? window->findChild<const QWidget *>(QString::fromLatin1(d.field->control))
            : nullptr;
        rows.push_back(
            { captionOf(*d.field, window), control ? placeOf(control) : QString(), QString::fromLatin1(d.field->name),
                valueText(d.a, d.storedA, storedOnly), valueText(d.b, d.storedB, storedOnly) });
    }
    // The maps are shown in their grids; a byte no control shows has no place.
    static const struct {
        const char *region;
        const char *grid;
    } grids[] = { { "MainMap", "StringGridMapa" }, { "RpmAxis", "StringGridMapa" }, { "InjTimeAxis", "StringGridMapa" },
        { "Map2D", "StringGridMapa2D" }, { "GasTempMap", "StringGridMapTempGaz" },
        { "ReducerTempMap", "StringGridMapTempRed" } };
    for (const RegionDifference &d : c.regions) {
        QString place;
        for (const auto &g : grids) {
            if (!window || !d.name.startsWith(QLatin1String(g.region) + QLatin1Char(' ')))
                continue;
            if (const auto *grid = window->findChild<const QWidget *>(QString::fromLatin1(g.grid)))
                place = placeOf(grid);
            break;
        }
        rows.push_back({ d.name, place, QString(), d.a, d.b });
    }
    return rows;
}

CompareDialog::CompareDialog(
    QWidget *parent, const QString &file, const std::vector<CompareRow> &rows, const QString &note, bool connected)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(QStringLiteral("compare with ECU - %1").arg(QFileInfo(file).fileName()));
    auto *v = new QVBoxLayout(this);

    int settings = 0;
    for (const CompareRow &r : rows)
        settings += r.field.isEmpty() ? 0 : 1;
    const int others = static_cast<int>(rows.size()) - settings;
    QString text;
    if (rows.empty())
        text = QStringLiteral("The file holds the same settings and maps as the ECU.");
    else
        text = QStringLiteral("Loading this file changes %1 setting(s) and %2 map value(s) or other byte(s).")
                   .arg(settings)
                   .arg(others);
    text += QStringLiteral("\nFile: %1").arg(QDir::toNativeSeparators(file));
    if (!connected)
        text += QStringLiteral("\nNo ECU is connected: compared with the settings the window shows.");
    if (!note.isEmpty())
        text += QLatin1Char('\n') + note;
    text += QStringLiteral("\nNothing has been sent to the ECU.");
    m_summary = new QLabel(text, this);
    m_summary->setObjectName(QStringLiteral("LabelCompareSummary"));
    m_summary->setWordWrap(true);
    v->addWidget(m_summary);

    m_grid = new QTableWidget(static_cast<int>(rows.size()), 5, this);
    m_grid->setObjectName(QStringLiteral("StringGridCompare"));
    m_grid->setHorizontalHeaderLabels({ QStringLiteral("setting"), QStringLiteral("where"), QStringLiteral("ECU"),
        QStringLiteral("file"), QStringLiteral("field") });
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setAlternatingRowColors(true);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const CompareRow &r = rows[static_cast<std::size_t>(i)];
        const QString cells[5] = { r.caption, r.place, r.ecu, r.file, r.field };
        for (int c = 0; c < 5; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[c]);
            m_grid->setItem(i, c, item);
        }
    }
    m_grid->resizeColumnsToContents();
    // The two values side by side, equally wide; long texts show whole in their tooltips.
    const int values = std::clamp(std::max(m_grid->columnWidth(2), m_grid->columnWidth(3)), 110, 220);
    m_grid->setColumnWidth(2, values);
    m_grid->setColumnWidth(3, values);
    for (int c : { 0, 1 })
        m_grid->setColumnWidth(c, std::min(m_grid->columnWidth(c), 240));
    m_grid->horizontalHeader()->setStretchLastSection(true);
    v->addWidget(m_grid, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_load = new QPushButton(QStringLiteral("load to ECU"), this);
    m_load->setObjectName(QStringLiteral("ButtonCompareLoad"));
    m_cancel = new QPushButton(QStringLiteral("cancel"), this);
    m_cancel->setObjectName(QStringLiteral("ButtonCompareCancel"));
    m_cancel->setDefault(true);
    buttons->addWidget(m_load);
    buttons->addWidget(m_cancel);
    v->addLayout(buttons);
    connect(m_load, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(720, 460);
}

} // namespace kelvane
