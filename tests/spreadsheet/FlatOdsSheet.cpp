#include "FlatOdsSheet.h"

#include <QFile>
#include <QXmlStreamReader>

namespace {

const QString OfficeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString TableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString TextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");

bool Is(const QXmlStreamReader& xml, const QString& ns, QStringView name)
{
    return xml.namespaceUri() == ns && xml.name() == name;
}

QStringView Attribute(const QXmlStreamReader& xml, const QString& ns, QLatin1StringView name)
{
    return xml.attributes().value(ns, name);
}

qsizetype Repeat(const QXmlStreamReader& xml, QLatin1StringView attribute)
{
    const qsizetype count = Attribute(xml, TableNs, attribute).toLongLong();
    return count > 0 ? count : 1;
}

// The text of the current element up to its end, with ODF's space, tab and
// line-break elements turned back into characters.
QString ReadText(QXmlStreamReader& xml)
{
    QString text;
    while (xml.readNext() != QXmlStreamReader::EndElement && !xml.atEnd()) {
        if (xml.isCharacters()) {
            text += xml.text();
        } else if (xml.isStartElement()) {
            if (Is(xml, TextNs, u"s")) {
                const int count = Attribute(xml, TextNs, QLatin1StringView("c")).toInt();
                text += QString(count > 0 ? count : 1, u' ');
            } else if (Is(xml, TextNs, u"tab"))
                text += u'\t';
            else if (Is(xml, TextNs, u"line-break"))
                text += u'\n';
            text += ReadText(xml);
        }
    }
    return text;
}

OdsCell ReadCell(QXmlStreamReader& xml)
{
    OdsCell cell;
    cell.Type = Attribute(xml, OfficeNs, QLatin1StringView("value-type")).toString();
    cell.Value = Attribute(xml, OfficeNs, QLatin1StringView("value")).toString();
    bool firstParagraph = true;
    while (xml.readNextStartElement()) {
        if (!Is(xml, TextNs, u"p")) {
            xml.skipCurrentElement();
            continue;
        }
        if (!firstParagraph)
            cell.Text += u'\n';
        firstParagraph = false;
        cell.Text += ReadText(xml);
    }
    return cell;
}

bool IsEmpty(const OdsCell& cell)
{
    return cell.Type.isEmpty() && cell.Text.isEmpty();
}

std::vector<OdsCell> ReadRow(QXmlStreamReader& xml)
{
    std::vector<OdsCell> row;
    qsizetype pendingEmpty = 0; // held back: trailing empty cells may repeat thousands of times
    while (xml.readNextStartElement()) {
        if (!Is(xml, TableNs, u"table-cell") && !Is(xml, TableNs, u"covered-table-cell")) {
            xml.skipCurrentElement();
            continue;
        }
        const qsizetype repeat = Repeat(xml, QLatin1StringView("number-columns-repeated"));
        const OdsCell cell = ReadCell(xml);
        if (IsEmpty(cell)) {
            pendingEmpty += repeat;
            continue;
        }
        row.insert(row.end(), static_cast<std::size_t>(pendingEmpty), OdsCell{});
        pendingEmpty = 0;
        row.insert(row.end(), static_cast<std::size_t>(repeat), cell);
    }
    return row;
}

} // namespace

bool FlatOdsSheet::Read(const QString& path)
{
    rows_.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    QXmlStreamReader xml(&file);
    while (!xml.atEnd() &&
           !(xml.readNext() == QXmlStreamReader::StartElement && Is(xml, TableNs, u"table"))) {
    }
    if (xml.atEnd()) {
        error_ = path + QStringLiteral(": no table");
        return false;
    }
    qsizetype pendingEmpty = 0;
    while (xml.readNextStartElement()) {
        // A CSV import gives plain rows; columns and the like carry no cells.
        if (!Is(xml, TableNs, u"table-row")) {
            xml.skipCurrentElement();
            continue;
        }
        const qsizetype repeat = Repeat(xml, QLatin1StringView("number-rows-repeated"));
        std::vector<OdsCell> row = ReadRow(xml);
        if (row.empty()) {
            pendingEmpty += repeat;
            continue;
        }
        rows_.insert(rows_.end(), static_cast<std::size_t>(pendingEmpty), {});
        pendingEmpty = 0;
        rows_.insert(rows_.end(), static_cast<std::size_t>(repeat), row);
    }
    if (xml.hasError()) {
        error_ = path + QStringLiteral(": ") + xml.errorString();
        return false;
    }
    return true;
}

qsizetype FlatOdsSheet::ColumnCount(qsizetype row) const
{
    if (row < 1 || row > RowCount())
        return 0;
    return static_cast<qsizetype>(rows_[static_cast<std::size_t>(row - 1)].size());
}

OdsCell FlatOdsSheet::Cell(qsizetype row, qsizetype column) const
{
    if (column < 1 || column > ColumnCount(row))
        return {};
    return rows_[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
}
