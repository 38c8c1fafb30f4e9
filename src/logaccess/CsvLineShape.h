#pragma once

#include <QByteArrayView>

#include <array>
#include <cstddef>
#include <optional>

// What the first lines of a CSV file say about it: whether a line names the
// columns, and whether a line has the shape of a HAMLOG CSV line, a date and a
// time where the export puts them, maybe behind a column of record numbers.
// Items are the code page 932 bytes of a line's first four items.
class CsvLineShape {
public:
    using Leading = std::array<QByteArrayView, 4>;

    // "Call", "Date", "Time" in any letter case, from the first or second item.
    static bool IsHeader(const Leading& items);
    // The column of the Call item when the line has the shape: 0, or 1 behind a
    // record number (digits only); nullopt for a line of any other shape.
    static std::optional<int> CallColumn(const Leading& items);

    // "yy/mm/dd" as the logging program writes it, or a four-digit year with
    // "/" or "-" and a month and day of one or two digits.
    static bool IsDate(QByteArrayView item);
    // "h:mm" or "hh:mm", then "J", "U" or nothing.
    static bool IsTime(QByteArrayView item);

    // A date with a four-digit year rewritten in place as "yyyy/mm/dd" (the
    // buffer holds at least 10 bytes); any other text stays as it is. Returns
    // the new size.
    static std::size_t NormaliseDate(char* text, std::size_t size);
};
