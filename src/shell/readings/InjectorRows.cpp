#include "InjectorRows.h"

#include "Build.h"
#include "Injectors.h"
#include "TAbBar.h"
#include "TAbColBitBtn.h"

namespace kelvane {

void buildInjectorRow(InjectorRows &rows, QWidget *parent, int n, const InjectorRowNames &names)
{
    const auto i = static_cast<std::size_t>(n - 1);
    const QString num = QString::number(n);
    auto name = [&](const char *prefix) { return QLatin1String(prefix) + num; };
    if (names.petrolBar)
        rows.petrolBars[i] = build::bar(parent, name(names.petrolBar), 0, 35, Qt::Horizontal, names.barDecimals);
    if (names.petrolSwitch)
        rows.petrolSwitches[i] = build::injectorSwitch(parent, name(names.petrolSwitch), build::petrolOnColor());
    if (names.gasBar) {
        rows.gasBars[i] = build::bar(parent, name(names.gasBar), 0, 35, Qt::Horizontal, names.barDecimals);
        rows.gasBars[i]->setBarColor(QColor(0x20, 0xa0, 0x40));
    }
    if (names.gasSwitch)
        rows.gasSwitches[i] = build::injectorSwitch(parent, name(names.gasSwitch), build::gasOnColor());
}

void showInjectorRows(const InjectorRows &rows, const DisplayContext &c)
{
    for (int n = 1; n <= 8; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        if (rows.petrolBars[i])
            rows.petrolBars[i]->setValue(petrolMs(c.live, n, c.timeBases));
        if (rows.petrolSwitches[i])
            rows.petrolSwitches[i]->setOn(petrolSwitchOn(c.live, n));
        if (rows.gasSwitches[i])
            rows.gasSwitches[i]->setOn(gasSwitchOn(c.live, n));
        if (rows.gasBars[i])
            rows.gasBars[i]->setValue(gatedGasMs(c.live, n, c.timeBases));
    }
}

} // namespace kelvane
