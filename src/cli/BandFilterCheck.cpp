#include "BandFilterCheck.h"

#include "RecordClassification.h"
#include "UserFilter.h"

const QStringList& BandFilterCheck::BandNames()
{
    static const QStringList names{
        QStringLiteral("1.9"),   QStringLiteral("3.5"),   QStringLiteral("7"),
        QStringLiteral("10"),    QStringLiteral("14"),    QStringLiteral("18"),
        QStringLiteral("21"),    QStringLiteral("24"),    QStringLiteral("28"),
        QStringLiteral("50"),    QStringLiteral("144"),   QStringLiteral("430"),
        QStringLiteral("1200"),  QStringLiteral("2400"),  QStringLiteral("5600"),
        QStringLiteral("10000"), QStringLiteral("24000"), QStringLiteral("47000")};
    return names;
}

QStringList BandFilterCheck::UnknownElements(const QString& typed)
{
    if (UserFilter::IsAll(UserFilter::Normalise(typed)))
        return {};
    QStringList unknown;
    // Split the text as typed, so the warning shows what the user wrote; the
    // filter's capitals change nothing for names made of digits and a point.
    for (const QString& element : UserFilter::Elements(TrimSpaces(typed).toString())) {
        if (!element.isEmpty() && !BandNames().contains(element.toUpper()))
            unknown << element;
    }
    return unknown;
}
