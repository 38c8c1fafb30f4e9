#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

// Where the fields of a HAMLOG.HDB record lie, read from the file's header and
// field descriptors. Fields are found by name; their lengths differ between
// versions of the logging program.
struct HdbLayout {
    enum Field { Calls, Ign, Date, Time, Code, Gl, Qsl, Flag, His, My, Freq, Mode, Name, Qth,
                 Rmk1, Rmk2, FieldKindCount };

    struct Span {
        int offset = 0; // from the start of the record, mark byte included
        int length = 0; // 0 when the file has no such field
    };

    static constexpr int FileHeaderSize = 32;
    static constexpr int DescriptorSize = 32;

    quint32 recordCount = 0;
    int headerLength = 0;
    int recordLength = 0;
    std::array<Span, FieldKindCount> fields{};

    // The length of the header as the first 32 bytes announce it, so a reader
    // knows how much to read before calling Parse; nullopt when those bytes
    // cannot start a log database.
    static std::optional<int> HeaderLength(QByteArrayView fileHeader);

    // The records a reader takes from a file of `fileSize` bytes: as many as the
    // header claims (a file cut short ends the reading earlier), or, for a
    // header that claims none, every whole record the file holds, since some
    // programs that write the database leave the count at 0.
    quint32 RecordsToRead(qint64 fileSize) const;

    // Parses the whole header (headerLength bytes). On failure returns nullopt
    // and, when `error` is given, says why.
    static std::optional<HdbLayout> Parse(QByteArrayView header, QString* error = nullptr);
};
