#include "Form1.h"

#include "ExtractionRun.h"
#include "ExtractLocation.h"
#include "HandOffFailureMessage.h"
#include "LeftoverExtraction.h"
#include "PathBytes.h"
#include "WinePrefixes.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>

#include <cstdlib>

namespace {

// The log kinds the selection offers, in the dialog's order.
const QStringList LogFileFilters{QStringLiteral("Hamlog (*.HDB)"),
                                 QStringLiteral("Hamlog CSV (*.CSV)"),
                                 QStringLiteral("ADIF (*.adi *.adif)")};

const QString StillOpenMessage = QStringLiteral("前回処理した LibreOffice Calc がまだ開かれています\n"
                                                "データが必要なら名前を付けて保存してください\n"
                                                "この KORVEX はその後に再起動してください");

// The one existing file a drag carries, as an absolute path.
std::optional<QString> DraggedFile(const QMimeData* data)
{
    if (!data || data->urls().size() != 1 || !data->urls().first().isLocalFile())
        return std::nullopt;
    const QFileInfo file(data->urls().first().toLocalFile());
    if (!file.isFile())
        return std::nullopt;
    return file.absoluteFilePath();
}

} // namespace

Form1::Form1(RecordSource& source, Spreadsheet& spreadsheet, Dialogs& dialogs,
             const QString& programFolder, QString dataFolder)
    : dialogs_(dialogs), spreadsheet_(spreadsheet), dataFolder_(std::move(dataFolder)),
      programFolder_(programFolder), ui_(Form1Controls::Create(*this)),
      filterBoxes_{ui_.Text1, ui_.Text2, ui_.Text3}, reader_(source, *this, programFolder)
{
    setWindowTitle(QStringLiteral("KORVEX Ver2.0"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/korvex/korvex-32.png"));
    icon.addFile(QStringLiteral(":/korvex/korvex-16.png"));
    setWindowIcon(icon);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());

    for (std::size_t i = 0; i < filterBoxes_.size(); ++i) {
        filterTexts_[i] = filterBoxes_[i]->text();
        connect(filterBoxes_[i], &QLineEdit::textChanged, this,
                [this, i](const QString& text) { filterTexts_[i] = text; });
    }
    setAcceptDrops(true);
    connect(ui_.Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(ui_.Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(ui_.Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
}

Form1::LoadOutcome Form1::Form_Load()
{
    ExtractPath = ExtractLocation::Choose(programFolder_, dataFolder_);
    show();
    if (LeftoverExtraction::Clear(ExtractPath))
        return LoadOutcome::Ready;
    ShowMessage(StillOpenMessage);
    return LoadOutcome::MustEnd;
}

void Form1::Command1_Click()
{
    Dialogs::OpenFileRequest request{QStringLiteral("HamLog ﾌｧｲﾙを定義します"),
                                     LogFileFilters, ui_.Label1->text()};
    // HAMLOG itself runs under Wine: its log is most likely in a Wine prefix.
    request.Places =
        WinePrefixes::DriveCFolders(QDir::homePath(), qEnvironmentVariable("WINEPREFIX"));
    if (request.InitialFile.isEmpty())
        request.InitialFile = WinePrefixes::FindLog(request.Places);
    const std::optional<QString> chosen = dialogs_.OpenFile(this, request);
    // A name that is not UTF-8 comes back from the dialog with U+FFFD in it; the
    // caption keeps the file's own name, shown as well as the font can.
    if (chosen)
        ui_.Label1->setText(PathBytes::Recover(*chosen));
}

void Form1::ChooseLogFile(const QString& path)
{
    ui_.Label1->setText(path);
}

// A drop chooses the log as the selection button does, and like the button it
// is shut while a run has the inputs disabled.
void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (ui_.Frame1->isEnabled() && DraggedFile(event->mimeData()))
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event)
{
    const std::optional<QString> file = DraggedFile(event->mimeData());
    if (!ui_.Frame1->isEnabled() || !file)
        return;
    ChooseLogFile(*file);
    event->acceptProposedAction();
}

void Form1::Command3_Click()
{
    EndProgram();
}

void Form1::Command4_Click()
{
    running_ = true;
    ExtractionTarget target(ExtractPath);
    ExtractionRun run(*this, reader_, target);
    run.Command4_Click();
    running_ = false;
    ShowCounts();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Closing during a run ends the program as Exit does: the run is not finished.
    if (running_)
        EndProgram();
    event->accept();
}

void Form1::EndProgram()
{
    std::_Exit(EXIT_SUCCESS);
}

QString Form1::Label1() const
{
    return ui_.Label1->text();
}

void Form1::ShowMessage(const QString& text)
{
    ShowCounts();
    dialogs_.Message(this, text);
}

bool Form1::AskOkCancel(const QString& text)
{
    ShowCounts();
    return dialogs_.OkCancel(this, text);
}

void Form1::ProcessEvents()
{
    if (!pacer_.Due())
        return;
    ShowCounts();
    QCoreApplication::processEvents();
}

void Form1::SetEnabled(Control control, bool enabled)
{
    QWidget* widget = nullptr;
    switch (control) {
    case Control::Frame1: widget = ui_.Frame1; break;
    case Control::Frame3: widget = ui_.Frame3; break;
    case Control::Frame4: widget = ui_.Frame4; break;
    case Control::Frame5: widget = ui_.Frame5; break;
    case Control::Command4: widget = ui_.Command4; break;
    }
    widget->setEnabled(enabled);
}

QString Form1::Text(FilterBox box) const
{
    return filterTexts_[static_cast<std::size_t>(box)];
}

void Form1::SetText(FilterBox box, const QString& text)
{
    filterBoxes_[static_cast<std::size_t>(box)]->setText(text);
}

void Form1::SetCount(Counter counter, qint32 value)
{
    const auto i = static_cast<std::size_t>(counter);
    counts_[i] = value;
    countsPending_[i] = true;
}

QLabel* Form1::CounterLabel(std::size_t counter) const
{
    return counter == static_cast<std::size_t>(Counter::Label3) ? ui_.Label3 : ui_.Label4;
}

void Form1::ClearCount(Counter counter)
{
    const auto i = static_cast<std::size_t>(counter);
    countsPending_[i] = false;
    CounterLabel(i)->clear();
}

void Form1::ShowCounts()
{
    for (std::size_t i = 0; i < counts_.size(); ++i) {
        if (countsPending_[i])
            CounterLabel(i)->setText(QString::number(counts_[i]));
        countsPending_[i] = false;
    }
}

void Form1::OpenInSpreadsheet()
{
    const Spreadsheet::Result result = spreadsheet_.Open(ExtractPath);
    if (!result.Started)
        ShowMessage(HandOffFailureMessage(ExtractPath, result.Error));
}
