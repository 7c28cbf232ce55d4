#include "DisplayContext.h"

#include <QLocale>
#include <QString>

namespace kelvane {

char systemDecimalPoint()
{
    const QString dp = QLocale::system().decimalPoint();
    if (dp.size() == 1 && dp.at(0).unicode() < 0x80)
        return static_cast<char>(dp.at(0).unicode());
    return '.';
}

} // namespace kelvane
