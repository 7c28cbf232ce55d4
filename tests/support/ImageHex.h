#pragma once
// A Parameter image kept in a test as 1,536 hex digits, and the first differing bytes of two
// images for a readable failure.

#include "ParameterImage.h"

#include <QString>
#include <QStringList>

#include <cstdio>

namespace kelvane::test {

inline ImageBytes imageFromHex(const char *hex)
{
    ImageBytes out {};
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned v = 0;
        std::sscanf(hex + 2 * i, "%2x", &v);
        out[i] = static_cast<std::uint8_t>(v);
    }
    return out;
}

inline QString imageDifferences(const ImageBytes &got, const ImageBytes &want)
{
    QStringList out;
    for (std::size_t i = 0; i < got.size() && out.size() < 12; ++i) {
        if (got[i] != want[i])
            out << QStringLiteral("byte %1: %2, was %3").arg(i).arg(got[i]).arg(want[i]);
    }
    return out.join(QStringLiteral("; "));
}

} // namespace kelvane::test
