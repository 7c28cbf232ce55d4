#include "LogViewer.h"

#include "DisplayContext.h"
#include "LogViewerChart.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kelvane {

QList<QPointF> logPlotPoints(const LogTable &table, int column, double from, double to, int pixels)
{
    QList<QPointF> out;
    const int rows = table.rowCount();
    if (rows == 0 || column < 0 || column >= table.columnCount() || !(to >= from))
        return out;
    const std::vector<float> &v = table.column(column);
    // From the row shown at `from` (the row before the range) to the first row past `to`.
    const int first = std::max(0, table.rowAt(from));
    const int last = std::min(rows - 1, table.rowAt(to) + 1);
    const int count = last - first + 1;
    const int buckets = std::max(1, pixels);
    auto point = [&](int r) { return QPointF(table.playbackTime(r), double(v[static_cast<std::size_t>(r)])); };
    if (count <= 2 * buckets) {
        out.reserve(count);
        for (int r = first; r <= last; ++r)
            out.append(point(r));
        return out;
    }
    out.reserve(2 * buckets + 2);
    out.append(point(first));
    for (int b = 0; b < buckets; ++b) {
        const int b0 = first + 1 + static_cast<int>(static_cast<long long>(count - 2) * b / buckets);
        const int b1 = first + 1 + static_cast<int>(static_cast<long long>(count - 2) * (b + 1) / buckets);
        if (b0 >= b1)
            continue;
        int lo = b0, hi = b0;
        for (int r = b0 + 1; r < b1; ++r) {
            const float x = v[static_cast<std::size_t>(r)];
            if (x < v[static_cast<std::size_t>(lo)])
                lo = r;
            if (x > v[static_cast<std::size_t>(hi)])
                hi = r;
        }
        out.append(point(std::min(lo, hi)));
        if (lo != hi)
            out.append(point(std::max(lo, hi)));
    }
    out.append(point(last));
    return out;
}

namespace {
constexpr int TimerMs = 35;

std::vector<bool> defaultPlotted(const LogTable &t)
{
    std::vector<bool> on(static_cast<std::size_t>(t.columnCount()), false);
    int chosen = 0;
    for (int entry : { int(lv::Rpm), int(lv::InjPetrol1), int(lv::InjGas1), int(lv::Lambda) }) {
        const int c = t.columnForLiveIndex(entry);
        if (c >= 0) {
            on[static_cast<std::size_t>(c)] = true;
            ++chosen;
        }
    }
    for (int c = 0; chosen == 0 && c < std::min(4, t.columnCount()); ++c)
        on[static_cast<std::size_t>(c)] = true;
    return on;
}
} // namespace

LogViewer::LogViewer(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_table(std::make_unique<LogTable>())
    , m_clock(std::make_unique<PlaybackClock>(*m_table))
{
    setObjectName(QStringLiteral("LogViewer"));
    setWindowTitle(QStringLiteral("log viewer"));
    resize(1000, 680);
    buildControls();
    m_timer = new QTimer(this);
    m_timer->setInterval(TimerMs);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &LogViewer::onTimer);
}

LogViewer::~LogViewer()
{
    // The charts refer to the table: they go first.
    for (LogChartView *c : m_charts)
        delete c;
    m_charts.clear();
}

void LogViewer::buildControls()
{
    auto *v = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto button = [&](const char *name, const QString &text, const QString &tip) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        top->addWidget(b);
        return b;
    };
    m_play = button("ButtonLogPlay", QStringLiteral("play"), QStringLiteral("Play the drive back (space)"));
    m_play->setShortcut(QKeySequence(Qt::Key_Space));
    m_speed = new QComboBox(this);
    m_speed->setObjectName(QStringLiteral("ComboBoxLogSpeed"));
    m_speed->addItems({ QStringLiteral("1x"), QStringLiteral("4x") });
    m_speed->setToolTip(QStringLiteral("Playback speed"));
    top->addWidget(m_speed);
    QPushButton *zoomIn = button(
        "ButtonLogZoomIn", QStringLiteral("zoom +"), QStringLiteral("Zoom in (or turn the wheel over a plot)"));
    QPushButton *zoomOut = button("ButtonLogZoomOut", QStringLiteral("zoom -"), QStringLiteral("Zoom out"));
    QPushButton *fit = button(
        "ButtonLogFit", QStringLiteral("whole log"), QStringLiteral("Show the whole log (or double-click a plot)"));
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("TrackBarLogTime"));
    m_slider->setToolTip(QStringLiteral("Time of the cursor"));
    top->addWidget(m_slider, 1);
    m_position = new QLabel(this);
    m_position->setObjectName(QStringLiteral("LabelLogTime"));
    m_position->setMinimumWidth(m_position->fontMetrics().horizontalAdvance(QStringLiteral("00000.00 / 00000.00 s")));
    top->addWidget(m_position);
    v->addLayout(top);

    auto *split = new QSplitter(Qt::Horizontal, this);
    auto *scroll = new QScrollArea(split);
    scroll->setObjectName(QStringLiteral("ScrollBoxLogCharts"));
    scroll->setWidgetResizable(true);
    auto *charts = new QWidget(scroll);
    m_chartLayout = new QVBoxLayout(charts);
    m_chartLayout->setContentsMargins(0, 0, 0, 0);
    m_chartLayout->setSpacing(2);
    m_chartLayout->addStretch(1);
    scroll->setWidget(charts);
    m_values = new QTableWidget(0, 2, split);
    m_values->setObjectName(QStringLiteral("GridLogValues"));
    m_values->setHorizontalHeaderLabels({ QStringLiteral("column (tick to plot)"), QStringLiteral("value") });
    m_values->verticalHeader()->hide();
    m_values->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_values->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_values->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_values->setSelectionMode(QAbstractItemView::NoSelection);
    split->addWidget(scroll);
    split->addWidget(m_values);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setSizes({ 740, 260 });
    v->addWidget(split, 1);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LabelLogViewerStatus"));
    m_status->setWordWrap(true);
    v->addWidget(m_status);

    connect(m_play, &QPushButton::clicked, this, [this] { playing() ? pause() : play(); });
    connect(m_speed, &QComboBox::currentIndexChanged, this, [this](int i) { setSpeed(i == 1 ? 4 : 1); });
    connect(zoomIn, &QPushButton::clicked, this, [this] { zoomBy(0.5, cursorTime()); });
    connect(zoomOut, &QPushButton::clicked, this, [this] { zoomBy(2.0, cursorTime()); });
    connect(fit, &QPushButton::clicked, this, &LogViewer::fitAll);
    connect(m_slider, &QSlider::valueChanged, this, [this](int ms) {
        if (!m_updatingControls)
            setCursorTime(m_table->startTime() + ms / 1000.0);
    });
    connect(m_values, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (m_updatingControls || item->column() != 0 || item->row() == 0)
            return;
        setPlotted(item->row() - 1, item->checkState() == Qt::Checked);
    });
}

void LogViewer::setTable(LogTable table, const QString &name)
{
    pause();
    releaseGauges();
    for (LogChartView *c : m_charts)
        delete c;
    m_charts.clear();
    m_clock.reset();
    m_table = std::make_unique<LogTable>(std::move(table));
    m_clock = std::make_unique<PlaybackClock>(*m_table);
    m_clock->setSpeed(m_speed->currentIndex() == 1 ? 4 : 1);
    m_name = name;
    m_shownRow = -1;
    m_plotted = defaultPlotted(*m_table);
    m_charts.assign(m_plotted.size(), nullptr);
    setWindowTitle(QStringLiteral("log viewer - %1").arg(name));

    {
        m_updatingControls = true;
        const int columns = m_table->columnCount();
        m_values->setRowCount(columns + 1);
        m_values->setItem(0, 0, new QTableWidgetItem(QStringLiteral("Time (s)")));
        m_values->setItem(0, 1, new QTableWidgetItem);
        for (int c = 0; c < columns; ++c) {
            auto *item = new QTableWidgetItem(QString::fromStdString(m_table->columnName(c)));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setCheckState(m_plotted[static_cast<std::size_t>(c)] ? Qt::Checked : Qt::Unchecked);
            m_values->setItem(c + 1, 0, item);
            auto *value = new QTableWidgetItem;
            value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_values->setItem(c + 1, 1, value);
        }
        const double span = m_table->endTime() - m_table->startTime();
        m_slider->setRange(0, static_cast<int>(std::lround(std::min(span, 2.0e6) * 1000.0)));
        m_slider->setValue(0);
        m_updatingControls = false;
    }
    const bool rows = m_table->rowCount() > 0;
    m_play->setEnabled(rows);
    m_slider->setEnabled(rows);
    rebuildCharts();
    fitAll();
    setCursorTime(m_table->startTime());
    showPlayState();
}

void LogViewer::setPlotted(int column, bool on)
{
    if (column < 0 || column >= static_cast<int>(m_plotted.size()) || m_plotted[static_cast<std::size_t>(column)] == on)
        return;
    m_plotted[static_cast<std::size_t>(column)] = on;
    if (QTableWidgetItem *item = m_values->item(column + 1, 0)) {
        m_updatingControls = true;
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        m_updatingControls = false;
    }
    rebuildCharts();
}

std::vector<int> LogViewer::plottedColumns() const
{
    std::vector<int> out;
    for (std::size_t c = 0; c < m_plotted.size(); ++c) {
        if (m_plotted[c])
            out.push_back(static_cast<int>(c));
    }
    return out;
}

LogChartView *LogViewer::chartFor(int column) const
{
    if (column < 0 || column >= static_cast<int>(m_charts.size()))
        return nullptr;
    return m_charts[static_cast<std::size_t>(column)];
}

void LogViewer::rebuildCharts()
{
    // Plots in column order: the ones no longer chosen go, the new ones are made.
    int at = 0;
    for (std::size_t c = 0; c < m_plotted.size(); ++c) {
        LogChartView *&chart = m_charts[c];
        if (!m_plotted[c]) {
            delete chart;
            chart = nullptr;
            continue;
        }
        if (!chart) {
            chart = new LogChartView(*this, *m_table, static_cast<int>(c));
            m_chartLayout->insertWidget(at, chart);
            chart->setRange(m_from, m_to);
            chart->setCursorTime(cursorTime());
        }
        ++at;
    }
}

void LogViewer::closeEvent(QCloseEvent *event)
{
    pause();
    releaseGauges();
    showPlayState();
    QWidget::closeEvent(event);
}

} // namespace kelvane
