#pragma once
// The controller settings controls, each built from its row of the field table (kind, range,
// step, items) with its name as objectName. They stay disabled until their write-back is wired,
// so nothing the fitter changes is silently dropped.

#include <QString>

class QGridLayout;
class QWidget;

namespace kelvane {

// Creates the control named `control` (and its caption label where it has one) in row `row` of the
// grid: caption in column `column`, control in column `column + 1`. Returns the control, or
// nullptr when the table has no such control.
QWidget *addSetting(QWidget *parent, QGridLayout *grid, int row, int column, const char *control);
// The control alone, for a section header or a panel.
QWidget *createSetting(QWidget *parent, const char *control);
// The caption shown beside a setting ("min.inj", "Heat time:", ...).
QString settingCaption(const char *control);

} // namespace kelvane
