#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

class LogReader;
class ReaderWindow;

// The outcome of the Japanese-portable test. The areas are views into the
// callsign (or into constant text) and are meaningful only when Accepted.
struct CallAreas {
    bool Accepted = false;
    QStringView OperatingArea;
    QStringView HomeArea;
};

// The same for a callsign of Latin-1 bytes.
struct Latin1CallAreas {
    bool Accepted = false;
    QLatin1StringView OperatingArea;
    QLatin1StringView HomeArea;
};

// Text with leading and trailing U+0020 removed; other blanks stay.
QStringView TrimSpaces(QStringView text);

// Accepts a Japanese station operating portable from a numbered call area.
CallAreas ClassifyCallArea(QStringView callsign);
Latin1CallAreas ClassifyCallArea(QLatin1StringView callsign);

// The band named by a frequency text, or an empty text when it names none.
const QString& BandName(QStringView frequency);

// Sets log.BandText from log.FreqText; tells the user when the frequency names no band.
void BandFromFrequency(LogReader& log, ReaderWindow& window);

QString InvalidFrequencyMessage(qint32 recordNo, const QString& frequency);

// "19" or "20", whichever belongs in front of a two-digit-year date; nothing for
// a date that begins with a four-digit year and "/".
QLatin1StringView CenturyOf(QStringView date);
QLatin1StringView CenturyOf(QLatin1StringView date);
QString DateWithCentury(QStringView date);
