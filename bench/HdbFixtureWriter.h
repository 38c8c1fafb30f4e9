#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// One contact as the logging program would store it.
struct HdbContact {
    QString Call;            // the whole callsign, e.g. "JA1ABC/2" or "KH6/JE3HHT"
    int Century = 20;
    int Year = 24, Month = 1, Day = 1;
    int Hour = 12, Minute = 0;
    bool Utc = false;
    QString His = QStringLiteral("59"), My = QStringLiteral("59");
    QString Freq = QStringLiteral("7.050");
    QString Mode = QStringLiteral("SSB");
    QString Code, Gl;
    QByteArray Qsl = "J  "; // stored bytes, exactly as given
    quint16 Flag = 0x0001;
    QString Name, Qth, Rmk1, Rmk2;
    bool Deleted = false;
};

// Writes HAMLOG.HDB bytes as the logging program lays them out, for tests, the
// sample log and the benchmark.
class HdbFixtureWriter {
public:
    struct Field {
        QByteArray Name;
        int Length;
    };
    // The usual fields in the usual order; CALLS 6 and IGN 14.
    static std::vector<Field> StandardFields(int callsLength = 6, int ignLength = 14);

    // The file header as other programs that write the database leave it.
    struct HeaderStyle {
        char FileType = 0x03;
        bool ClaimsNoRecords = false; // the record count stays 0
    };

    explicit HdbFixtureWriter(std::vector<Field> fields = StandardFields());
    HdbFixtureWriter(std::vector<Field> fields, HeaderStyle style);

    // The 32-byte file header and the field descriptors, claiming `recordCount`.
    QByteArray Header(quint32 recordCount) const;
    QByteArray Record(const HdbContact& contact) const;
    int RecordLength() const;

    // A whole file: header, records, the 0x1A end byte.
    QByteArray File(const std::vector<HdbContact>& contacts) const;
    bool WriteFile(const QString& path, const std::vector<HdbContact>& contacts) const;

private:
    QByteArray FieldBytes(const QByteArray& name, const HdbContact& contact, int length) const;

    std::vector<Field> fields_;
    HeaderStyle style_;
};
