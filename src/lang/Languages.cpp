#include "Languages.h"

#include <cstring>

namespace kelvane {

namespace {

const std::array<LanguageInfo, LanguageCount> Table = { {
    { 1, "ang.txt", 1, CodePage::Windows1252, "English1", "English", true, true },
    { 2, "pol.txt", 1, CodePage::Windows1250, "Polish1", "Polish", true, true },
    { 3, "rus.txt", 204, CodePage::Windows1251, "Russian1", "Russian", false, false },
    { 4, "thai.txt", 1, CodePage::Windows874, "Thai1", "Thai", false, false },
    { 5, "lit.txt", 186, CodePage::Windows1257, "Lithuanian1", "Lithuanian", true, true },
    { 6, "ger.txt", 1, CodePage::Windows1252, "German1", "German", true, true },
    { 7, "spain.txt", 1, CodePage::Windows1252, "Spain1", "Spain", true, true },
    { 8, "svk.txt", 1, CodePage::Windows1250, "Slovakia1", "Slovakia", true, true },
    { 9, "chor.txt", 238, CodePage::Windows1250, nullptr, nullptr, false, false },
} };

} // namespace

const std::array<LanguageInfo, LanguageCount> &languages()
{
    return Table;
}

const LanguageInfo *languageInfo(int number)
{
    if (number < 1 || number > LanguageCount)
        return nullptr;
    return &Table[static_cast<std::size_t>(number - 1)];
}

const LanguageInfo *languageOfMenuItem(const char *menuItem)
{
    if (!menuItem)
        return nullptr;
    for (const LanguageInfo &l : Table) {
        if (l.menuItem && l.menuChoosable && std::strcmp(l.menuItem, menuItem) == 0)
            return &l;
    }
    return nullptr;
}

} // namespace kelvane
