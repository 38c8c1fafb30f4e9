#include "QtDialogs.h"

#include "TestFiles.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(QtDialogs, MessagesShowPlainTextWithoutIconUnderTheProgramsTitle)
{
    const QString text = QStringLiteral("一行目\n<b>二行目</b> & 三");
    const auto box = QtDialogs::MessageBox(nullptr, text, QMessageBox::Ok | QMessageBox::Cancel);

    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("KORVEX"));
    EXPECT_EQ(box->text(), text);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(QtDialogs::MessageBox(nullptr, text, QMessageBox::Ok)->standardButtons(),
              QMessageBox::Ok);
}

TEST(QtDialogs, FileDialogListsLogsInAnyCaseAndStartsAtTheFileChosenBefore)
{
    QTemporaryDir dir;
    for (const char* name : {"a.HDB", "b.hdb", "c.Hdb", "d.txt", "e.HDBX", "HDB", "f.csv"})
        ASSERT_TRUE(WriteAll(dir.filePath(QLatin1String(name)), "x"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const Dialogs::OpenFileRequest request{QStringLiteral("HamLog ﾌｧｲﾙを定義します"),
                                           {QStringLiteral("Hamlog (*.HDB)"),
                                            QStringLiteral("Hamlog CSV (*.CSV)")},
                                           dir.filePath(QStringLiteral("b.hdb"))};

    const auto dialog = QtDialogs::FileDialog(nullptr, request);

    EXPECT_EQ(dialog->windowTitle(), request.Title);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->selectedFiles(), QStringList{request.InitialFile});
    const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->currentText(), QStringLiteral("Hamlog (*.HDB)")); // the first is selected
    EXPECT_EQ(types->itemText(1), QStringLiteral("Hamlog CSV (*.CSV)"));

    // The folder is read in the background; wait until it has been.
    const auto* model = dialog->findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    const QModelIndex folder = model->index(dir.path());
    QElapsedTimer waited;
    waited.start();
    while (model->rowCount(folder) < 4 && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    QStringList listed;
    for (int row = 0; row < model->rowCount(folder); ++row)
        listed << model->index(row, 0, folder).data().toString();
    listed.sort();
    EXPECT_EQ(listed, QStringList({"a.HDB", "b.hdb", "c.Hdb", "folder"}));
}
