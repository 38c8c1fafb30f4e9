#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

// An executable named soffice in a folder of its own, standing in for
// LibreOffice: it records its arguments, its parent process and the bytes of
// the file named last, then keeps running until the test releases it, or gives
// up after about a minute and says so.
class StandInSpreadsheet {
public:
    StandInSpreadsheet();

    bool IsValid() const { return valid_; }
    QString Program() const;
    QString Folder() const { return dir_.path(); }

    // Whether it has run and recorded what it got, waiting a generous while.
    bool WaitUntilStarted() const;
    // Whether it has ended, without waiting.
    bool HasEnded() const;
    QStringList Arguments() const;
    qint64 Parent() const;
    QByteArray FileSeen() const;

    // Lets it end and returns how it ended: "released", or "gave-up" when
    // nobody released it in time.
    QByteArray Release() const;

private:
    QByteArray Read(const QString& name) const;

    QTemporaryDir dir_;
    bool valid_ = false;
};
