#pragma once

#include <QByteArrayView>

#include <array>
#include <cstddef>

class CodePage932;

// The ADIF fields of one contact that KORVEX uses, and how they become the 17
// text fields of HAMLOG's library: Japan time with the mark "J", the frequency
// text, the mode as operators name it, the three QSL marks, and text in code
// page 932.
class AdifRecord {
public:
    enum class Text { ShiftJis, Utf8 };
    enum Key {
        Call, QsoDate, TimeOn, Freq, Band, Mode, Submode, RstSent, RstRcvd, Gridsquare,
        QslSent, QslSentVia, QslRcvd, LotwQslRcvd, EqslQslRcvd, Cnty, Dxcc,
        Name, NameIntl, Qth, QthIntl, Comment, CommentIntl, Notes, NotesIntl, KeyCount
    };
    // Longer values are cut: no field of the library holds more than 256 bytes.
    static constexpr std::size_t MaxValue = 1024;

    // The key for an ADIF field name in any letter case; KeyCount for a field
    // KORVEX does not use.
    static Key KeyOf(QByteArrayView name);

    void Clear();
    void Set(Key key, QByteArrayView value);
    QByteArrayView Value(Key key) const;

    // Writes field `field` (0 to 16) as the library did, ended by a zero byte.
    void Write(char* buffer, int field, Text text, CodePage932& codec) const;

private:
    QByteArrayView Either(Key intl, Key plain) const;
    std::size_t WriteDateTime(char* buffer, bool date) const;
    QByteArrayView Frequency() const;
    QByteArrayView ModeName() const;
    std::size_t WriteQsl(char* buffer) const;
    std::size_t WriteFlag(char* buffer) const;

    // Read only up to sizes_: left as the system hands it out, untouched
    // until a value is set.
    std::array<std::array<char, MaxValue>, KeyCount> values_;
    std::array<std::size_t, KeyCount> sizes_{};
};
