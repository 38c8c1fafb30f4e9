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

// Text with leading and trailing U+0020 removed; other blanks stay.
QStringView TrimSpaces(QStringView text);

// Accepts a Japanese station operating portable from a numbered call area.
CallAreas ClassifyCallArea(QStringView callsign);

// The band named by a frequency text, or an empty text when it names none.
const QString& BandName(QStringView frequency);

// Sets log.BandText from log.FreqText; tells the user when the frequency names no band.
void BandFromFrequency(LogReader& log, ReaderWindow& window);

QString InvalidFrequencyMessage(qint32 recordNo, const QString& frequency);

// "19" or "20", whichever belongs in front of a two-digit-year date; nothing for
// a date that begins with a four-digit year and "/".
QLatin1StringView CenturyOf(QStringView date);
QString DateWithCentury(QStringView date);
