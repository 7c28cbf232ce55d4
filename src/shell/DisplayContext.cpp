#include "DisplayContext.h"

#include "Injectors.h"
#include "TAbBar.h"
#include "TAbColBitBtn.h"

#include <QLocale>

namespace kelvane {

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

char systemDecimalPoint()
{
    const QString dp = QLocale::system().decimalPoint();
    if (dp.size() == 1 && dp.at(0).unicode() < 0x80)
        return static_cast<char>(dp.at(0).unicode());
    return '.';
}

} // namespace kelvane
