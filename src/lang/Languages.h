#pragma once
// The languages the window can show: their numbers (the byte kept in "lan.txt"), the language files
// under "lang", the font character set the window takes for each and the code page its texts are
// written in, and the menu items that choose them.

#include "CodePages.h"

#include <array>

namespace kelvane {

struct LanguageInfo {
    int number; // 1-9, the byte in "lan.txt"
    const char *fileName; // inside the "lang" folder: "ang.txt", ...
    int fontCharset; // Windows font character set: 1 default, 204 Cyrillic, 186 Baltic, 238 Central European
    // The code page of the file's single-byte texts. The default character set (1) stands for the
    // code page of the system the language is written for: windows-1250 for Polish and Slovak,
    // windows-874 for Thai, windows-1252 for the others.
    CodePage codePage;
    const char *menuItem; // object name of the item in the "language" menu; nullptr: no item
    const char *menuCaption; // its caption ("English"); nullptr: no item
    bool menuVisible; // Russian1 and Thai1 exist but are hidden
    bool menuChoosable; // the item stores its number and reloads (hidden items do nothing)
};

constexpr int LanguageCount = 9;
// Loaded when "lan.txt" does not exist.
constexpr int DefaultLanguage = 1;

// Languages 1-9 in number order.
const std::array<LanguageInfo, LanguageCount> &languages();
// The language with that number; nullptr for 0, for 10 and above and for anything else outside
// 1-9: the window's texts then stay as they are.
const LanguageInfo *languageInfo(int number);
// The language chosen by a menu item ("German1"); nullptr for an item that chooses nothing.
const LanguageInfo *languageOfMenuItem(const char *menuItem);

} // namespace kelvane
