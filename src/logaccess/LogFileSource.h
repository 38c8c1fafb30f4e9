#pragma once

#include "AdifRecordSource.h"
#include "CsvRecordSource.h"
#include "HdbRecordSource.h"

// The record source for a log file the user chose: a HAMLOG.HDB database when
// the file starts with a database header, an ADIF log when it starts like one,
// HAMLOG CSV text otherwise. The
// content decides, not the name, since exported files are often renamed.
class LogFileSource final : public RecordSource {
public:
    int HamlogOpen(const QString& path) override;
    int THW_read(qint32 recordNo) override;
    void ThwString(char* buffer, qint16 field) override;
    void HamlogClose() override;
    QString OpenError() const override;

private:
    HdbRecordSource hdb_;
    CsvRecordSource csv_;
    AdifRecordSource adif_;
    RecordSource* active_ = nullptr; // the source of the last open
    QString openError_;
};
