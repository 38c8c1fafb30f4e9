#include "UserFilter.h"

#include "RecordClassification.h"

QString UserFilter::Normalise(const QString& typed)
{
    return TrimSpaces(typed.toUpper()).toString();
}

QStringList UserFilter::Elements(const QString& normalised)
{
    QStringList elements;
    if (normalised.isEmpty())
        return elements;
    for (QStringView element : QStringView(normalised).split(u','))
        elements.append(TrimSpaces(element).toString());
    return elements;
}

bool UserFilter::IsAll(const QString& boxText)
{
    return boxText.size() == 3 && boxText[0] == u'A' && boxText[1] == u'L' && boxText[2] == u'L';
}

bool UserFilter::Passes(const QString& boxText, QStringView value) const
{
    return elements_.isEmpty() || IsAll(boxText) || Contains(value);
}

bool UserFilter::Contains(QStringView value) const
{
    for (const QString& element : elements_) {
        if (element == value)
            return true;
    }
    return false;
}

bool UserFilter::Contains(QLatin1StringView value) const
{
    for (const QString& element : elements_) {
        if (element == value)
            return true;
    }
    return false;
}
