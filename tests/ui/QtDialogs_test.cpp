#include "QtDialogs.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

TEST(QtDialogs, MessagesShowPlainTextWithoutIconUnderTheProgramsTitle)
{
    const QString text = QStringLiteral("一行目\n<b>二行目</b> & 三");
    const auto box = QtDialogs::MessageBox(nullptr, text, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->windowTitle(), QtDialogs::Title);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ok));
}

TEST(QtDialogs, FileDialogOpensAnExistingFileStartingAtTheOneChosenBefore)
{
    const QString initial = QCoreApplication::applicationFilePath();
    const QStringList filters{QStringLiteral("Hamlog (*.HDB)"), QStringLiteral("CSV (*.CSV)")};
    const auto dialog = QtDialogs::FileDialog(nullptr, {QStringLiteral("title"), filters, initial});
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->nameFilters(), filters);
    EXPECT_EQ(dialog->selectedFiles(), QStringList{initial});
}

TEST(QtDialogs, FileDialogOffersThePlacesInItsSideBar)
{
    const QString place = QCoreApplication::applicationDirPath();
    Dialogs::OpenFileRequest request{QStringLiteral("title"), {}, {}};
    const QList<QUrl> standard = QtDialogs::FileDialog(nullptr, request)->sidebarUrls();
    ASSERT_FALSE(standard.contains(QUrl::fromLocalFile(place)));
    request.Places = {place, place};
    const QList<QUrl> offered = QtDialogs::FileDialog(nullptr, request)->sidebarUrls();
    EXPECT_EQ(offered, standard + QList<QUrl>{QUrl::fromLocalFile(place)});
    // Qt keeps a side bar for the next dialog; the places stay with the one they were for.
    request.Places.clear();
    EXPECT_EQ(QtDialogs::FileDialog(nullptr, request)->sidebarUrls(), standard);
}
