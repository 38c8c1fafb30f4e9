#pragma once

#include <QString>

#include <vector>

// One cell of a sheet as LibreOffice saved it.
struct OdsCell {
    QString Type;  // office:value-type: "string", "float", ...; empty for an empty cell
    QString Value; // office:value, for numbers
    QString Text;  // the shown text, paragraphs joined by "\n"
};

// The first table of a flat OpenDocument spreadsheet (.fods), with empty cells
// and rows at the ends left off, so a row is as long as its last filled cell.
class FlatOdsSheet {
public:
    // False, with Error(), when the file cannot be read as a flat ODS.
    bool Read(const QString& path);

    qsizetype RowCount() const { return static_cast<qsizetype>(rows_.size()); }
    qsizetype ColumnCount(qsizetype row) const;
    // Row and column count from 1, as the sheet shows them; an empty cell
    // outside the filled area.
    OdsCell Cell(qsizetype row, qsizetype column) const;
    QString Error() const { return error_; }

private:
    std::vector<std::vector<OdsCell>> rows_;
    QString error_;
};
