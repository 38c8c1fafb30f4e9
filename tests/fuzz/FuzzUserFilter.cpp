// Any text typed into a filter box: normalising, splitting and matching.

#include "UserFilter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(data),
                                            static_cast<qsizetype>(size / 2));
    const QString normalised = UserFilter::Normalise(text);
    if (UserFilter::Normalise(normalised) != normalised)
        std::abort();
    const QStringList elements = UserFilter::Elements(normalised);
    const UserFilter filter(elements);
    for (const QString& element : elements) {
        if (!filter.Passes(normalised, element))
            std::abort();
    }
    return 0;
}
