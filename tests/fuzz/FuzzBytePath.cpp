// Any bytes as a log: the run decided on bytes with fields read in place must
// write exactly what the run writes with every field taken through ThwString
// and decoded, and show exactly the same messages.

#include "ExtractionRun.h"
#include "LogFileSource.h"
#include "PlainSource.h"
#include "ScriptedWindow.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

struct Outcome {
    ExtractionRun::Result result;
    QByteArray file;
    QStringList messages;
};

Outcome Run(RecordSource& source, bool bytePath, const QString& folder,
            const std::array<QString, 3>& filters)
{
    ScriptedWindow window;
    window.Path = folder + QStringLiteral("/log");
    window.Texts = filters;
    LogReader reader(source, window, QString()); // the folder stays the fuzzer's
    const QString extractPath = folder + QStringLiteral("/KORVEX.tmp");
    QFile::remove(extractPath);
    ExtractionTarget target(extractPath);
    ExtractionRun run(window, reader, target);
    run.SetBytePath(bytePath);
    Outcome outcome{run.Command4_Click(), {}, window.Messages};
    QFile file(extractPath);
    if (file.open(QIODevice::ReadOnly))
        outcome.file = file.readAll();
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    QFile log(dir.path() + QStringLiteral("/log"));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        log.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
            static_cast<qint64>(size))
        std::abort();
    log.close();
    const std::array<QString, 3> settings[] = {
        {QStringLiteral("ALL"), QStringLiteral("ALL"), QStringLiteral("ALL")},
        {QStringLiteral("J,*, "), QStringLiteral("7,430,,10000"), QStringLiteral("FM,SSB")},
    };
    for (const auto& filters : settings) {
        LogFileSource fast, inner;
        PlainSource plain(inner);
        const Outcome a = Run(fast, true, dir.path(), filters);
        const Outcome b = Run(plain, false, dir.path(), filters);
        if (a.result != b.result || a.file != b.file || a.messages != b.messages ||
            a.file.contains('\0'))
            std::abort();
    }
    return 0;
}
