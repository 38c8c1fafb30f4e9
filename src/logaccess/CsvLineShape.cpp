#include "CsvLineShape.h"

#include <algorithm>
#include <cstring>

namespace {

QByteArrayView Trimmed(QByteArrayView item)
{
    while (!item.isEmpty() && item.front() == ' ')
        item = item.sliced(1);
    while (!item.isEmpty() && item.back() == ' ')
        item.chop(1);
    return item;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Takes the run of digits at the start of `text`.
QByteArrayView TakeDigits(QByteArrayView& text)
{
    qsizetype n = 0;
    while (n < text.size() && IsDigit(text[n]))
        ++n;
    const QByteArrayView digits = text.first(n);
    text = text.sliced(n);
    return digits;
}

bool TakeChar(QByteArrayView& text, char c)
{
    if (text.isEmpty() || text.front() != c)
        return false;
    text = text.sliced(1);
    return true;
}

struct DateParts {
    QByteArrayView year, month, day;
};

std::optional<DateParts> SplitDate(QByteArrayView text)
{
    DateParts parts;
    parts.year = TakeDigits(text);
    const char separator = text.isEmpty() ? '\0' : text.front();
    if (separator != '/' && separator != '-')
        return std::nullopt;
    text = text.sliced(1);
    parts.month = TakeDigits(text);
    if (!TakeChar(text, separator))
        return std::nullopt;
    parts.day = TakeDigits(text);
    const auto oneOrTwo = [](QByteArrayView digits) {
        return digits.size() == 1 || digits.size() == 2;
    };
    if (!text.isEmpty() || !oneOrTwo(parts.month) || !oneOrTwo(parts.day))
        return std::nullopt;
    if (parts.year.size() == 4)
        return parts;
    // Two-digit years only as the logging program writes them.
    if (parts.year.size() == 2 && separator == '/' && parts.month.size() == 2 &&
        parts.day.size() == 2)
        return parts;
    return std::nullopt;
}

bool IsName(QByteArrayView item, const char* name)
{
    const QByteArrayView trimmed = Trimmed(item);
    return trimmed.size() == static_cast<qsizetype>(std::strlen(name)) &&
           trimmed.compare(QByteArrayView(name), Qt::CaseInsensitive) == 0;
}

bool HasShape(const CsvLineShape::Leading& items, int callColumn)
{
    return CsvLineShape::IsDate(items[static_cast<std::size_t>(callColumn) + 1]) &&
           CsvLineShape::IsTime(items[static_cast<std::size_t>(callColumn) + 2]);
}

} // namespace

bool CsvLineShape::IsHeader(const Leading& items)
{
    for (std::size_t call : {0u, 1u}) {
        if (IsName(items[call], "call") && IsName(items[call + 1], "date") &&
            IsName(items[call + 2], "time"))
            return true;
    }
    return false;
}

std::optional<int> CsvLineShape::CallColumn(const Leading& items)
{
    if (HasShape(items, 0))
        return 0;
    QByteArrayView number = Trimmed(items[0]);
    if (!TakeDigits(number).isEmpty() && number.isEmpty() && HasShape(items, 1))
        return 1;
    return std::nullopt;
}

bool CsvLineShape::IsDate(QByteArrayView item)
{
    return SplitDate(Trimmed(item)).has_value();
}

bool CsvLineShape::IsTime(QByteArrayView item)
{
    QByteArrayView text = Trimmed(item);
    const QByteArrayView hours = TakeDigits(text);
    if (hours.isEmpty() || hours.size() > 2 || !TakeChar(text, ':') || TakeDigits(text).size() != 2)
        return false;
    return text.isEmpty() || text == "J" || text == "U";
}

std::size_t CsvLineShape::NormaliseDate(char* text, std::size_t size)
{
    const QByteArrayView item = Trimmed(QByteArrayView(text, static_cast<qsizetype>(size)));
    // Every date of a two-digit-year log passes here: leave those at once.
    if (item.size() < 8 || (item[4] != '/' && item[4] != '-'))
        return size;
    const std::optional<DateParts> parts = SplitDate(item);
    if (!parts || parts->year.size() != 4)
        return size;
    char date[10];
    const auto twoDigits = [](QByteArrayView digits, char* out) {
        out[0] = digits.size() == 2 ? digits[0] : '0';
        out[1] = digits.back();
    };
    std::memcpy(date, parts->year.data(), 4);
    date[4] = date[7] = '/';
    twoDigits(parts->month, date + 5);
    twoDigits(parts->day, date + 8);
    std::memcpy(text, date, sizeof date);
    return sizeof date;
}
