// Any text through the classification rules.

#include "RecordClassification.h"

#include <QStringList>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(data),
                                            static_cast<qsizetype>(size / 2));
    const CallAreas areas = ClassifyCallArea(text);
    if (areas.Accepted && (areas.OperatingArea.size() != 1 || areas.HomeArea.size() > 1))
        std::abort();
    static const QStringList Bands = {"",    "1.9",  "3.5",  "7",    "10",    "14",    "18",
                                      "21",  "24",   "28",   "50",   "144",   "430",   "1200",
                                      "2400", "5600", "10000", "24000", "47000"};
    if (!Bands.contains(BandName(text)))
        std::abort();
    const QString full = DateWithCentury(text);
    // A century in front, or nothing before a four-digit year.
    if ((full.size() != text.size() + 2 && full != text) || !full.endsWith(text))
        std::abort();
    return 0;
}
