#include "ScopePanel.h"

#include "Build.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cstring>

namespace kelvane {

namespace {
QColor toQColor(ScopeColor c)
{
    return QColor::fromRgb(scopeColorToRgb(c));
}

ScopeColor fromQColor(const QColor &c)
{
    return static_cast<ScopeColor>(c.red()) | (static_cast<ScopeColor>(c.green()) << 8)
        | (static_cast<ScopeColor>(c.blue()) << 16);
}

QFont labelFont(int pointSize)
{
    QFont f;
    f.setPointSize(std::max(1, pointSize));
    return f;
}
} // namespace

// ---- the paint box ----

ScopePaintBox::ScopePaintBox(QWidget *parent)
    : QWidget(parent)
    , m_scope(fromQColor(palette().color(QPalette::Button)))
    , m_decimalPoint(systemDecimalPoint())
    , m_labelFont(labelFont(m_scope.FontSize))
    , m_labelMetrics(m_labelFont)
{
    setObjectName(QStringLiteral("PaintBoxScope"));
    // The paint event covers every pixel: nothing underneath needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void ScopePaintBox::feed(const ScopeSelection &selection, const DisplayContext &c)
{
    m_decimalPoint = c.decimalPoint;
    m_scope.FeedScope(selection, c.live, c.image, c.timeBases);
    const ScopeFrame &f = m_scope.Draw(width(), height(), width(), m_decimalPoint);
    // With every channel off the chart stays as it is: no paint.
    bool anything = f.readout.channel >= 0;
    for (const ScopeTrace &t : f.traces)
        anything = anything || t.enabled;
    if (anything || m_shownAnything)
        update();
    m_shownAnything = anything;
}

void ScopePaintBox::relayout()
{
    m_scope.Layout(width(), height(), width(), m_decimalPoint);
    m_shownAnything = true; // the next feed paints in any case
    update();
}

void ScopePaintBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void ScopePaintBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    m_scope.pointerMoved(at.x(), at.y());
    relayout();
}

void ScopePaintBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    m_scope.pointerPressed(at.x(), at.y());
    relayout();
}

void ScopePaintBox::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_scope.pointerLeft();
    relayout();
}

bool ScopePaintBox::prepareCanvas(const ScopeFrame &f)
{
    const QSize size(f.width, f.height);
    if (m_background.size() != size || m_backgroundColor != f.background || m_gridColor != f.gridColor) {
        m_background = QImage(size, QImage::Format_RGB32);
        if (m_background.isNull())
            return false;
        m_background.fill(toQColor(f.background));
        QPainter p(&m_background);
        p.setPen(QPen(toQColor(f.gridColor), 0, Qt::DotLine));
        for (int y : f.gridY)
            p.drawLine(0, y, f.width - 1, y);
        for (int x : f.gridX)
            p.drawLine(x, 0, x, f.height - 1);
        m_backgroundColor = f.background;
        m_gridColor = f.gridColor;
        m_canvas = QImage(size, QImage::Format_RGB32);
        if (m_canvas.isNull())
            return false;
    }
    // The background and grid under this frame's traces: one copy of the whole picture costs less
    // than putting back only the pixels the last frame drew (they lie in columns, a cache line each).
    std::memcpy(m_canvas.bits(), m_background.constBits(), static_cast<std::size_t>(m_background.sizeInBytes()));
    return true;
}

void ScopePaintBox::drawTrace(const ScopeTrace &t)
{
    // The trace goes from each sample to the next one pixel to the right: the column of a sample
    // is filled from its row to the next sample's row (a pen of width w fills w columns and w - 1
    // more rows). Drawn straight into the canvas: a polyline through the paint engine costs
    // several times as much, and every tick draws four of them.
    const int w = m_canvas.width(), h = m_canvas.height();
    const int pen = std::max(1, t.penWidth);
    const QRgb colour = 0xFF000000u | scopeColorToRgb(t.color);
    uchar *bits = m_canvas.bits();
    const qsizetype stride = m_canvas.bytesPerLine();
    for (int i = 0; i < t.pointCount; ++i) {
        const int y = t.points[i].y;
        const int next = i + 1 < t.pointCount ? t.points[i + 1].y : y;
        const int top = std::max(std::min(y, next), 0);
        const int bottom = std::min(std::max(y, next) + pen - 1, h - 1);
        for (int x = std::max(t.points[i].x, 0); x < std::min(t.points[i].x + pen, w); ++x) {
            for (int row = top; row <= bottom; ++row)
                reinterpret_cast<QRgb *>(bits + row * stride)[x] = colour;
        }
    }
}

void ScopePaintBox::paintLabel(QPainter &p, const ScopeLabel &label, int slot, int width, int height)
{
    LabelPicture &l = m_labels[static_cast<std::size_t>(slot)];
    if (l.picture.isNull() || l.text != label.text || l.fontColor != label.fontColor
        || l.brushColor != label.brushColor) {
        const QString text = QString::fromStdString(label.text);
        l.picture = QPixmap(std::max(1, m_labelMetrics.horizontalAdvance(text)), m_labelMetrics.height());
        l.picture.fill(toQColor(label.brushColor));
        QPainter lp(&l.picture);
        lp.setFont(m_labelFont);
        lp.setPen(toQColor(label.fontColor));
        lp.drawText(0, m_labelMetrics.ascent(), text);
        l.text = label.text;
        l.fontColor = label.fontColor;
        l.brushColor = label.brushColor;
    }
    const ScopePoint at = scopeKeepInside(label.x, label.y, l.picture.width(), l.picture.height(), width, height);
    p.drawPixmap(at.x, at.y, l.picture);
}

void ScopePaintBox::paintEvent(QPaintEvent *)
{
    const ScopeFrame &f = m_scope.frame();
    QPainter widget(this);
    if (f.width != width() || f.height != height() || f.width == 0 || f.height == 0 || !prepareCanvas(f)) {
        // Not laid out for this size yet (the first paint): the resize lays it out.
        widget.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    if (m_labelFont.pointSize() != f.fontSize) {
        m_labelFont = labelFont(f.fontSize);
        m_labelMetrics = QFontMetrics(m_labelFont);
        m_labels = {};
    }
    {
        QPainter p(&m_canvas);
        for (int c = 0; c < ScopeChannels; ++c) {
            const ScopeTrace &t = f.traces[static_cast<std::size_t>(c)];
            if (t.enabled)
                drawTrace(t);
            if (f.readout.channel == c)
                paintLabel(p, f.readout.label, LabelSlots - 1, f.width, f.height);
            if (t.enabled) {
                paintLabel(p, t.maxLabel, 2 * c, f.width, f.height);
                paintLabel(p, t.minLabel, 2 * c + 1, f.width, f.height);
                p.setPen(QPen(toQColor(t.minSquareColor), 3));
                p.setBrush(toQColor(t.color));
                p.drawRect(
                    QRect(QPoint(t.minSquare.left, t.minSquare.top), QPoint(t.minSquare.right, t.minSquare.bottom)));
                p.setBrush(Qt::NoBrush);
            }
        }
    }
    widget.drawImage(0, 0, m_canvas);
}

// ---- the panel ----

ScopePanel::ScopePanel(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("PanelOsc"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(4, 3, 4, 3);
    v->setSpacing(2);
    auto *row = new QHBoxLayout;
    QStringList items;
    for (const ScopeItemInfo &item : ScopeItemList)
        items << QString::fromLatin1(item.text);
    for (int ch = 0; ch < ScopeShownChannels; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        QComboBox *combo = build::combo(this, QString::fromLatin1(ScopeComboNames[c]), items);
        combo->setCurrentIndex(scope::Off);
        // The combo's text has the colour of its trace.
        QPalette pal = combo->palette();
        pal.setColor(QPalette::Text, toQColor(ScopeChannelColors[c]));
        pal.setColor(QPalette::ButtonText, toQColor(ScopeChannelColors[c]));
        combo->setPalette(pal);
        m_combos[c] = combo;
        row->addWidget(combo);
    }
    row->addStretch(1);
    v->addLayout(row);
    m_paintBox = new ScopePaintBox(this);
    v->addWidget(m_paintBox, 1);
}

ScopeSelection ScopePanel::selection() const
{
    ScopeSelection s;
    for (int ch = 0; ch < ScopeShownChannels; ++ch) {
        const QComboBox *combo = m_combos[static_cast<std::size_t>(ch)];
        s.item[static_cast<std::size_t>(ch)] = combo->currentIndex();
        if (combo->hasFocus())
            s.focusedChannel = ch;
    }
    s.buttonFace = fromQColor(palette().color(QPalette::Button));
    return s;
}

void ScopePanel::feed(const DisplayContext &context)
{
    m_paintBox->feed(selection(), context);
}

} // namespace kelvane
