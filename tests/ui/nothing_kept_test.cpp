// SPDX-License-Identifier: MIT
// The real window with its real dialogs and message boxes, in a process of
// its own whose home and XDG folders are new and empty: opening, saving,
// cancelling, dropping a file, copying and exiting leave nothing in them.
#include "io_doubles.h"
#include "ui/exact_text_edit.h"
#include "ui/main_window.h"

#include <QtWidgets>

#include <gtest/gtest.h>

#include <memory>

namespace velmor::ui::test {
namespace {

// Made before the application object, as Qt reads these folders once.
struct FreshFolders {
    QTemporaryDir root;
    QString home = root.filePath("home"), xdg = root.filePath("xdg"), files = root.filePath("files");

    FreshFolders()
    {
        for (const QString& folder : {home, xdg, files}) QDir().mkpath(folder);
        qputenv("HOME", home.toLocal8Bit());
        for (const char* name : {"CONFIG", "DATA", "CACHE", "STATE"}) {
            const QString folder = xdg + u'/' + QString::fromLatin1(name).toLower();
            QDir().mkpath(folder);
            qputenv(QByteArray("XDG_") + name + "_HOME", folder.toLocal8Bit());
        }
    }
};

FreshFolders* folders = nullptr;

// Answers each file dialog with the next of `files` ("" cancels) and each
// question with yes; a failure box is recorded and closed. A box may not
// take its answer until it has been laid out, so the answer is given again
// until the box has gone.
class ModalAnswers : public QObject {
public:
    QStringList files, failures;

    ModalAnswers()
    {
        connect(&timer_, &QTimer::timeout, this, &ModalAnswers::answer);
        timer_.start(20);
    }

private:
    void answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        const bool first = modal != current_;
        current_ = modal;
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (first) file_ = files.isEmpty() ? QString() : files.takeFirst();
            if (file_.isEmpty()) return dialog->reject();
            // Typed into the name box, then the Open or Save button.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file_);
            static_cast<QDialog*>(dialog)->accept();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            const bool question = box->icon() == QMessageBox::Question;
            if (first && !question) failures << box->text();
            box->done(question ? QMessageBox::Yes : QMessageBox::Ok);
        }
    }
    QTimer timer_;
    QPointer<QWidget> current_;
    QString file_;
};

TEST(NothingKept, EveryDialogDropCopyAndExitLeaveTheHomeAndXdgFoldersEmpty)
{
    const QString plain = folders->files + QStringLiteral("/plain.txt"), saved = folders->files + QStringLiteral("/saved.txt");
    ASSERT_TRUE(io::testing::writeBytes(plain, "text\r\n"));
    io::MessageBoxes messages;
    io::SystemFileDialogs dialogs(messages);
    MainWindow window(dialogs, messages);
    window.show();
    ModalAnswers answers;
    answers.files = {QString(), plain, QString(), saved, QString(), QString(), QString()};
    QTimer::singleShot(0, &window, [&] {
        const auto choose = [&window](const char* item) { window.findChild<QAction*>(QString::fromLatin1(item))->trigger(); };
        for (const char* item : {"Op", "Op", "SAs", "SAs", "OET", "SAET", "SAs"}) choose(item);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(plain)});
        QWidget& box = *window.outputBox().viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &drop);
        QCoreApplication::processEvents();
        for (const char* item : {"CToC", "CTCET", "EXI"}) choose(item);
    });
    QTimer::singleShot(60000, [] { QCoreApplication::exit(99); });
    ASSERT_EQ(QApplication::exec(), 0);

    EXPECT_TRUE(answers.files.isEmpty()) << "dialogs not shown: " << answers.files.join(u' ').toStdString();
    EXPECT_TRUE(answers.failures.isEmpty()) << answers.failures.join(u'\n').toStdString();
    EXPECT_EQ(io::testing::readBytes(saved), "text\r\n");
    EXPECT_EQ(window.outputBox().text(), QStringLiteral("text\r\n")) << "the drop";
    EXPECT_EQ(io::testing::entries(folders->home).join(u' ').toStdString(), "");
    EXPECT_EQ(io::testing::entries(folders->xdg).join(u' ').toStdString(), "cache config data state");
}

}  // namespace
}  // namespace velmor::ui::test

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto folders = std::make_unique<velmor::ui::test::FreshFolders>();
    velmor::ui::test::folders = folders.get();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
