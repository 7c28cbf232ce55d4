#include "MapContext.h"

#include "DisplayContext.h"
#include "UserInteraction.h"

#include <QColor>
#include <QFontMetrics>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>

namespace kelvane {

void MapContext::message(const QString &text) const
{
    user.message(text);
}

bool MapContext::confirm(const QString &question) const
{
    // OK is the default button of this one, as it always was.
    return user.confirm(QString::fromStdString(state.texts.applicationTitle), question, true);
}

QChar MapContext::decimalPoint() const
{
    return QChar::fromLatin1(systemDecimalPoint());
}

void MapContext::send(const maps::WritePlan &plan, QProgressBar *progress, int maximum) const
{
    if (progress) {
        progress->setRange(0, maximum > 0 ? maximum : std::max<int>(1, static_cast<int>(plan.size())));
        progress->setValue(0);
    }
    maps::sendWrites(state.session.writes, state.session.image, plan, [progress](int sent, int) {
        if (!progress)
            return;
        progress->setValue(std::min(sent, progress->maximum()));
        // The loop does not yield to the event loop: paint the bar now so the fitter sees it move.
        progress->repaint();
    });
}

int fittingPixelSize(const QFont &font, int maxPixels, int width, const QStringList &samples, int height)
{
    QFont f = font;
    for (int px = maxPixels; px > 8; --px) {
        f.setPixelSize(px);
        const QFontMetrics fm(f);
        bool fits = height <= 0 || fm.height() <= height;
        for (const QString &s : samples)
            fits = fits && fm.horizontalAdvance(s) <= width;
        if (fits)
            return px;
    }
    return 8;
}

QPushButton *mapButton(QWidget *parent, const char *name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QColor toColor(maps::Rgb c)
{
    return { c.r, c.g, c.b };
}

} // namespace kelvane
