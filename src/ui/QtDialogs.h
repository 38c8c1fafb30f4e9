#pragma once

#include "Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include <memory>

// The conversations as Qt dialogs: message boxes without an icon under the
// application's title, and Qt's own file dialog, which behaves the same on
// every desktop.
class QtDialogs final : public Dialogs {
public:
    static inline const QString Title = QStringLiteral("KORVEX");

    void Message(QWidget* parent, const QString& text) override;
    bool OkCancel(QWidget* parent, const QString& text) override;
    std::optional<QString> OpenFile(QWidget* parent, const OpenFileRequest& request) override;

    // The dialogs as they are shown, for a look before they would run.
    static std::unique_ptr<QMessageBox> MessageBox(QWidget* parent, const QString& text,
                                                   QMessageBox::StandardButtons buttons);
    static std::unique_ptr<QFileDialog> FileDialog(QWidget* parent,
                                                   const OpenFileRequest& request);
};
