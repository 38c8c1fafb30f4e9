#include "QtDialogs.h"

#include <QFileInfo>
#include <QUrl>

namespace {

// Qt keeps a file dialog's side bar for every later file dialog of the user;
// the places offered here belong to this dialog alone.
class PlacesFileDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    PlacesFileDialog(const PlacesFileDialog&) = delete;
    PlacesFileDialog& operator=(const PlacesFileDialog&) = delete;
    ~PlacesFileDialog() override
    {
        if (offered_)
            setSidebarUrls(own_);
    }

    void Offer(const QStringList& places)
    {
        own_ = sidebarUrls();
        QList<QUrl> urls = own_;
        for (const QString& place : places) {
            if (!urls.contains(QUrl::fromLocalFile(place)))
                urls << QUrl::fromLocalFile(place);
        }
        setSidebarUrls(urls);
        offered_ = true;
    }

private:
    QList<QUrl> own_;
    bool offered_ = false;
};

} // namespace

std::unique_ptr<QMessageBox> QtDialogs::MessageBox(QWidget* parent, const QString& text,
                                                   QMessageBox::StandardButtons buttons)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, Title, text, buttons, parent);
    // A path or a log value could look like markup; the text is shown as it is.
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}

void QtDialogs::Message(QWidget* parent, const QString& text)
{
    MessageBox(parent, text, QMessageBox::Ok)->exec();
}

bool QtDialogs::OkCancel(QWidget* parent, const QString& text)
{
    return MessageBox(parent, text, QMessageBox::Ok | QMessageBox::Cancel)->exec() ==
           QMessageBox::Ok;
}

std::unique_ptr<QFileDialog> QtDialogs::FileDialog(QWidget* parent,
                                                   const OpenFileRequest& request)
{
    auto dialog = std::make_unique<PlacesFileDialog>(parent, request.Title);
    // Qt's own dialog matches the patterns in any case, as a HAMLOG user expects
    // of "*.HDB"; desktop dialogs may not.
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(request.Filters);
    if (!request.Places.isEmpty())
        dialog->Offer(request.Places);
    if (!request.InitialFile.isEmpty()) {
        const QFileInfo initial(request.InitialFile);
        dialog->setDirectory(initial.absolutePath());
        dialog->selectFile(initial.fileName());
    }
    return dialog;
}

std::optional<QString> QtDialogs::OpenFile(QWidget* parent, const OpenFileRequest& request)
{
    const std::unique_ptr<QFileDialog> dialog = FileDialog(parent, request);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles().constFirst();
}
