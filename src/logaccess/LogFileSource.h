#pragma once

#include "AdifRecordSource.h"
#include "CsvRecordSource.h"
#include "HdbRecordSource.h"

// The record source for a log file the user chose: a HAMLOG.HDB database when
// the file starts with a database header, an ADIF log when it starts like one,
// HAMLOG CSV text when its first contact line has the shape of one, and no log
// otherwise. The content decides, not the name, since exported files are often
// renamed.
class LogFileSource final : public RecordSource {
public:
    int HamlogOpen(const QString& path) override;
    int THW_read(qint32 recordNo) override;
    void ThwString(char* buffer, qint16 field) override;
    void HamlogClose() override;
    QString OpenError() const override;
    QByteArrayView FieldText(qint16 field, char* scratch) override;
    bool HoldsLastRecord() const override;
    RecordSource& RecordHolder() override { return active_ ? active_->RecordHolder() : *this; }
    std::optional<FileId> OpenedFile() const override { return opened_; }

private:
    int RefuseUnlessCsvLog();

    HdbRecordSource hdb_;
    CsvRecordSource csv_;
    AdifRecordSource adif_;
    RecordSource* active_ = nullptr; // the source of the last open
    QString openError_;
    std::optional<FileId> opened_;
};
