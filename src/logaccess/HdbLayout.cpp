#include "HdbLayout.h"

#include <QtEndian>

#include <algorithm>
#include <limits>

namespace {

constexpr char DescriptorEnd = 0x0D;

struct FieldRule {
    const char* name;
    HdbLayout::Field field;
    bool required;
    int exactLength; // binary fields have one possible length; 0 = any
};

constexpr FieldRule Rules[] = {
    {"CALLS", HdbLayout::Calls, true, 0}, {"IGN", HdbLayout::Ign, false, 0},
    {"DATE", HdbLayout::Date, true, 4},   {"TIME", HdbLayout::Time, true, 2},
    {"CODE", HdbLayout::Code, true, 0},   {"GL", HdbLayout::Gl, false, 0},
    {"QSL", HdbLayout::Qsl, true, 0},     {"FLAG", HdbLayout::Flag, false, 2},
    {"HIS", HdbLayout::His, false, 0},    {"MY", HdbLayout::My, false, 0},
    {"FREQ", HdbLayout::Freq, true, 0},   {"MODE", HdbLayout::Mode, true, 0},
    {"NAME", HdbLayout::Name, false, 0},  {"QTH", HdbLayout::Qth, false, 0},
    {"RMK1", HdbLayout::Rmk1, false, 0},  {"RMK2", HdbLayout::Rmk2, false, 0},
};

std::optional<HdbLayout> Fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

QByteArrayView DescriptorName(QByteArrayView descriptor)
{
    QByteArrayView name = descriptor.first(11);
    const qsizetype nul = name.indexOf('\0');
    if (nul >= 0)
        name = name.first(nul);
    return name.trimmed();
}

} // namespace

std::optional<int> HdbLayout::HeaderLength(QByteArrayView fileHeader)
{
    if (fileHeader.size() < FileHeaderSize)
        return std::nullopt;
    const auto type = static_cast<unsigned char>(fileHeader[0]);
    if (type != 0x03 && type != 0x1A)
        return std::nullopt;
    const int length = qFromLittleEndian<quint16>(fileHeader.data() + 8);
    if (length < FileHeaderSize + 1)
        return std::nullopt;
    return length;
}

std::optional<HdbLayout> HdbLayout::Parse(QByteArrayView header, QString* error)
{
    const std::optional<int> announced = HeaderLength(header);
    if (!announced)
        return Fail(error, QStringLiteral("not a HAMLOG.HDB database (file header)"));
    if (header.size() < *announced)
        return Fail(error, QStringLiteral("the file ends inside its header"));

    HdbLayout layout;
    layout.headerLength = *announced;
    layout.recordCount = qFromLittleEndian<quint32>(header.data() + 4);
    layout.recordLength = qFromLittleEndian<quint16>(header.data() + 10);

    std::array<bool, FieldKindCount> seen{};
    int offset = 1; // the mark byte comes first
    int pos = FileHeaderSize;
    for (;; pos += DescriptorSize) {
        if (pos >= layout.headerLength)
            return Fail(error, QStringLiteral("field descriptors without their end mark"));
        if (header[pos] == DescriptorEnd)
            break;
        if (pos + DescriptorSize > layout.headerLength)
            return Fail(error, QStringLiteral("field descriptors run past the header"));
        const QByteArrayView descriptor = header.sliced(pos, DescriptorSize);
        const int length = static_cast<unsigned char>(descriptor[16]);
        const QByteArrayView name = DescriptorName(descriptor);
        for (const FieldRule& rule : Rules) {
            if (seen[rule.field] || name != rule.name)
                continue;
            if (rule.exactLength && length != rule.exactLength)
                return Fail(error, QStringLiteral("field %1 has length %2")
                                       .arg(QLatin1StringView(rule.name))
                                       .arg(length));
            layout.fields[rule.field] = {offset, length};
            seen[rule.field] = true;
        }
        offset += length;
    }

    for (const FieldRule& rule : Rules) {
        if (rule.required && !seen[rule.field])
            return Fail(error, QStringLiteral("no %1 field").arg(QLatin1StringView(rule.name)));
    }
    if (offset != layout.recordLength)
        return Fail(error, QStringLiteral("record length %1 does not match the fields (%2)")
                               .arg(layout.recordLength)
                               .arg(offset));
    return layout;
}

quint32 HdbLayout::RecordsToRead(qint64 fileSize) const
{
    if (recordCount != 0 || recordLength <= 0 || fileSize <= headerLength)
        return recordCount;
    const qint64 whole = (fileSize - headerLength) / recordLength;
    return static_cast<quint32>(std::min<qint64>(whole, std::numeric_limits<quint32>::max()));
}
