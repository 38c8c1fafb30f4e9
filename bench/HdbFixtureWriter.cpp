#include "HdbFixtureWriter.h"

#include "CodePage932.h"

#include <QFile>
#include <QtEndian>

namespace {

QByteArray Cp932(const QString& text)
{
    CodePage932 codec;
    return codec.Encode(text);
}

QByteArray Padded(QByteArray bytes, int length)
{
    bytes.truncate(length);
    return bytes + QByteArray(length - bytes.size(), ' ');
}

// CALLS gets the base call as far as it fits; IGN gets the overflow on the left
// and the part after the first "/" on the right.
std::pair<QByteArray, QByteArray> SplitCall(const HdbContact& c, int callsLength, int ignLength)
{
    const QByteArray call = Cp932(c.Call);
    QByteArray base = call, rest;
    const bool reversed = (c.Flag & 0x000A) == 0x000A;
    if (reversed) {
        // prefix/BASE[/tail]: the prefix and tail are kept together on the right.
        const QList<QByteArray> parts = call.split('/');
        base = parts.value(1);
        rest = parts.value(0);
        if (parts.size() > 2)
            rest += '/' + parts.mid(2).join('/');
    } else if (const qsizetype slash = call.indexOf('/'); slash >= 0) {
        base = call.first(slash);
        rest = call.sliced(slash + 1);
    }
    const QByteArray calls = Padded(base.first(std::min<qsizetype>(base.size(), callsLength)),
                                    callsLength);
    const QByteArray overflow = base.sliced(std::min<qsizetype>(base.size(), callsLength));
    QByteArray ign = overflow + QByteArray(std::max<qsizetype>(0, ignLength - overflow.size() -
                                                                      rest.size()),
                                           ' ') +
                     rest;
    return {calls, Padded(ign, ignLength)};
}

} // namespace

std::vector<HdbFixtureWriter::Field> HdbFixtureWriter::StandardFields(int callsLength,
                                                                      int ignLength)
{
    return {{"CALLS", callsLength}, {"IGN", ignLength}, {"DATE", 4}, {"TIME", 2},
            {"CODE", 6},            {"GL", 6},          {"QSL", 3},  {"FLAG", 2},
            {"HIS", 3},             {"MY", 3},          {"FREQ", 7}, {"MODE", 4},
            {"NAME", 12},           {"QTH", 28},        {"RMK1", 54}, {"RMK2", 54}};
}

HdbFixtureWriter::HdbFixtureWriter(std::vector<Field> fields, HeaderStyle style)
    : fields_(std::move(fields)), style_(style)
{
}

HdbFixtureWriter::HdbFixtureWriter(std::vector<Field> fields)
    : HdbFixtureWriter(std::move(fields), HeaderStyle{})
{
}

int HdbFixtureWriter::RecordLength() const
{
    int length = 1;
    for (const Field& f : fields_)
        length += f.Length;
    return length;
}

QByteArray HdbFixtureWriter::Header(quint32 recordCount) const
{
    const int headerLength = 32 + 32 * static_cast<int>(fields_.size()) + 1;
    QByteArray header(32, '\0');
    header[0] = style_.FileType;
    header[1] = 124; // last update 2024-12-01
    header[2] = 12;
    header[3] = 1;
    qToLittleEndian<quint32>(style_.ClaimsNoRecords ? 0 : recordCount, header.data() + 4);
    qToLittleEndian<quint16>(static_cast<quint16>(headerLength), header.data() + 8);
    qToLittleEndian<quint16>(static_cast<quint16>(RecordLength()), header.data() + 10);
    for (const Field& f : fields_) {
        QByteArray descriptor(32, '\0');
        const QByteArray name = f.Name.left(10);
        descriptor.replace(0, name.size(), name);
        descriptor[11] = 'C';
        descriptor[16] = static_cast<char>(f.Length);
        header += descriptor;
    }
    header += '\x0D';
    return header;
}

QByteArray HdbFixtureWriter::FieldBytes(const QByteArray& name, const HdbContact& c,
                                        int length) const
{
    if (name == "DATE") {
        const char date[] = {static_cast<char>(c.Century), static_cast<char>(c.Year),
                             static_cast<char>(c.Month), static_cast<char>(c.Day)};
        return QByteArray(date, 4);
    }
    if (name == "TIME") {
        const char time[] = {static_cast<char>(c.Hour),
                             static_cast<char>(c.Minute | (c.Utc ? 0x80 : 0))};
        return QByteArray(time, 2);
    }
    if (name == "FLAG") {
        QByteArray flag(2, '\0');
        qToLittleEndian<quint16>(c.Flag, flag.data());
        return flag;
    }
    if (name == "QSL")
        return Padded(c.Qsl, length);
    const QString* text = nullptr;
    if (name == "HIS") text = &c.His;
    else if (name == "MY") text = &c.My;
    else if (name == "FREQ") text = &c.Freq;
    else if (name == "MODE") text = &c.Mode;
    else if (name == "CODE") text = &c.Code;
    else if (name == "GL") text = &c.Gl;
    else if (name == "NAME") text = &c.Name;
    else if (name == "QTH") text = &c.Qth;
    else if (name == "RMK1") text = &c.Rmk1;
    else if (name == "RMK2") text = &c.Rmk2;
    return Padded(text ? Cp932(*text) : QByteArray(), length);
}

QByteArray HdbFixtureWriter::Record(const HdbContact& contact) const
{
    int callsLength = 0, ignLength = 0;
    for (const Field& f : fields_) {
        if (f.Name == "CALLS") callsLength = f.Length;
        if (f.Name == "IGN") ignLength = f.Length;
    }
    const auto [calls, ign] = SplitCall(contact, callsLength, ignLength);
    QByteArray record(1, contact.Deleted ? '\x2A' : '\x20');
    for (const Field& f : fields_) {
        if (f.Name == "CALLS")
            record += calls;
        else if (f.Name == "IGN")
            record += ign;
        else
            record += Padded(FieldBytes(f.Name, contact, f.Length), f.Length);
    }
    return record;
}

QByteArray HdbFixtureWriter::File(const std::vector<HdbContact>& contacts) const
{
    QByteArray file = Header(static_cast<quint32>(contacts.size()));
    for (const HdbContact& c : contacts)
        file += Record(c);
    file += '\x1A';
    return file;
}

bool HdbFixtureWriter::WriteFile(const QString& path, const std::vector<HdbContact>& contacts) const
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           out.write(File(contacts)) >= 0 && out.flush();
}
