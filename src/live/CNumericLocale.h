#pragma once
// Numbers printed by the C library follow the process locale, and a Qt program runs in the user's
// locale (QCoreApplication sets it from the environment): with a German locale "%.3f" prints
// "1,500". Text that must not follow it (the CSV log, numbers that get their separator later)
// is printed inside a CNumericLocale scope, which switches this thread to the "C" locale for as
// long as it lives.

#include <clocale>
#include <locale.h>

namespace kelvane {

class CNumericLocale {
public:
    CNumericLocale()
        : m_previous(c() ? ::uselocale(c()) : nullptr)
    {
    }
    ~CNumericLocale()
    {
        if (m_previous)
            ::uselocale(m_previous);
    }
    CNumericLocale(const CNumericLocale &) = delete;
    CNumericLocale &operator=(const CNumericLocale &) = delete;

private:
    static locale_t c()
    {
        static const locale_t loc = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        return loc;
    }
    locale_t m_previous;
};

} // namespace kelvane
