#pragma once
// What the map editors of the window share: the program's state (image, live record, link),
// how they tell the fitter something, and the one way they put a list of writes on the line.

#include "AppState.h"
#include "MapRegions.h"
#include "MapWrites.h"

#include <QFont>
#include <QString>
#include <QStringList>

class QColor;
class QProgressBar;
class QPushButton;
class QWidget;

namespace kelvane {

class UserInteraction;

struct MapContext {
    AppState &state;
    // Who is told and asked.
    UserInteraction &user;
    // Parent of the dialogs.
    QWidget *window = nullptr;

    // A message to the fitter.
    void message(const QString &text) const;
    // A question under the program's title with OK and Cancel; true for OK.
    bool confirm(const QString &question) const;

    bool connected() const { return state.session.conn.Connected; }
    QChar decimalPoint() const;

    // Sends the plan in its order with its pauses. A progress bar, when given, starts at 0 with
    // the given maximum (the plan's length when 0 or less) and steps once per write.
    void send(const maps::WritePlan &plan, QProgressBar *progress = nullptr, int maximum = 0) const;

    // One map operation as the change journal sees it: open it before the operation changes the
    // image, so that the image before is the one the controller holds. "main map: +1".
    ActionScope action(const QString &name) const { return ActionScope(state.session.writes, name.toStdString()); }
};

// The pixel size of a grid font that keeps every one of `samples` within `width` pixels and its
// line within `height` pixels (0: any), at most `maxPixels` and at least 8.
int fittingPixelSize(const QFont &font, int maxPixels, int width, const QStringList &samples, int height = 0);

// A button of the map editors: named, never the default button, and never taking the focus, so
// that the keys stay with the grid.
QPushButton *mapButton(QWidget *parent, const char *name, const QString &text);

QColor toColor(maps::Rgb c);

} // namespace kelvane
