#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringList>
#include <QStringView>

// One of the user's three filters (Rcv, Band, Mode), built once per run from the
// text the user typed.
class UserFilter {
public:
    // Capitals, without leading and trailing spaces: what the text box shows
    // once the run has started.
    static QString Normalise(const QString& typed);
    // The elements of a normalised text, split at every comma and trimmed.
    // An empty text has no elements; empty elements count.
    static QStringList Elements(const QString& normalised);

    explicit UserFilter(QStringList elements) : elements_(std::move(elements)) {}

    // False when the filter is on and refuses `value`. `boxText` is the text box's
    // current text: exactly "ALL" switches the filter off.
    bool Passes(const QString& boxText, QStringView value) const;

    const QStringList& List() const { return elements_; }
    // True when an element is exactly `value`.
    bool Contains(QStringView value) const;
    bool Contains(QLatin1StringView value) const;

    // Exactly "ALL", the text that switches a filter off.
    static bool IsAll(const QString& boxText);

private:
    QStringList elements_;
};
