#pragma once

#include <QStringList>

// The band filter compares band names exactly, so an element such as "7MHz" or
// "430MHZ" can never match a contact. Such elements are worth a word before a
// run that would silently select nothing.
class BandFilterCheck {
public:
    // The names a contact's band can have, from the lowest band up.
    static const QStringList& BandNames();

    // The elements of the typed band filter text that are none of the band
    // names, as typed (trimmed). None when the filter is off ("ALL"); an empty
    // element matches contacts whose frequency names no band and is kept.
    static QStringList UnknownElements(const QString& typed);
};
