// SPDX-License-Identifier: MIT
// The one window, frmVelmor, and the commands behind its menu items.
#include "main_window.h"

#include "exact_text_edit.h"
#include "menu_keys.h"
#include "start_and_exit.h"

#include "io/file_drop.h"
#include "io/messages.h"
#include "io/text_file.h"
#include "words/words.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <chrono>
#include <utility>

namespace velmor::ui {
namespace {

// The closing animation shows at most this many frames, so that it takes
// under two seconds however far the window has to travel.
constexpr std::chrono::milliseconds kShrinkFrameInterval{15};
constexpr int kMaxShrinkFrames = 120;
// The smallest size the window is given while it shrinks.
constexpr int kShrunkSizeTwips = kTwipsPerPixel;

}  // namespace

MainWindow::MainWindow(io::FileDialogs& dialogs, io::Messages& messages, QWidget* parent,
                       const TableWalkChoice& walkChoice)
    : QMainWindow(parent), messages_(messages), fileCommands_(this, dialogs, messages),
      walk_(walkChoice.walk != nullptr ? *walkChoice.walk : fastestTableWalk())
{
    if (walkChoice.walk == nullptr)
        walkWarning_ = tr("%1.\n\nThe window ignores this setting and ciphers as usual: every walk gives the same "
                          "results.")
                           .arg(QString::fromStdString(walkChoice.refusal));
    setObjectName(QStringLiteral("frmVelmor"));
    setWindowTitle(QString::fromUtf16(kWindowCaption));
    setWindowIcon(velmor::ui::windowIcon());

    auto* client = new QWidget;
    controls_ = createFormControls(*client);
    menus_ = createFormMenus(*menuBar());
    reachFromKeyboard(*menuBar());
    // The controls have fixed places, so the window keeps its size; on a
    // screen smaller than that the form scrolls inside a window that fits.
    auto* scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidget(client);
    setCentralWidget(scroller);
    designedSize_ = QSize(client->width(), client->height() + menuBar()->sizeHint().height());
    fitToScreen();
    placeOnScreen();

    connectCommands();
    Form_Load();
    controls_.txtVelmor->setFocus();
}

void MainWindow::connectCommands()
{
    for (const auto& item : menus_.cipherItems)
        connect(item.action, &QAction::triggered, this, [this, command = item.command] { runCipherCommand(command); });
    for (const auto& item : menus_.wheelItems)
        connect(item.action, &QAction::triggered, this, [this, count = item.wheelCount] { chooseWheelCount(count); });
    connect(menus_.PassS, &QAction::triggered, this, [this] { showPassword(true); });
    connect(menus_.PassH, &QAction::triggered, this, [this] { showPassword(false); });
    connect(controls_.passwordRule, &PasswordCharacters::refused, this,
            [this](const QString& character) { showStatus(passwordRefusal(character)); });
    // A refusal stays on show until the password is next changed.
    connect(controls_.txtKey, &QLineEdit::textEdited, controls_.Label1, &QLabel::clear);
    connect(menus_.IF, &QAction::triggered, this, &MainWindow::showInfo);
    connect(menus_.EXI, &QAction::triggered, this, &MainWindow::ShrinkAndExit);
    connect(&cipherWatcher_, &QFutureWatcher<CipherOutcome>::finished, this, &MainWindow::finishCipherCommand);
    connectFileCommands();
}

void MainWindow::connectFileCommands()
{
    ExactTextEdit& input = *controls_.txtVelmor;
    ExactTextEdit& output = *controls_.txtOutputBox;
    // A file command may wait for a file to be read and shown; what the
    // user types or clicks meanwhile is dropped, as during a cipher command.
    const auto busyWith = [this](auto command) {
        if (!takesCommands()) return;
        inputGuard_.hold();
        command();
        inputGuard_.release();
    };
    const auto onChosen = [this, busyWith](QAction* item, auto command) {
        connect(item, &QAction::triggered, this, [busyWith, command] { busyWith(command); });
    };
    onChosen(menus_.Ne, [this, &input, &output] { fileCommands_.newText(input, output); });
    onChosen(menus_.Op, [this, &input] { fileCommands_.openInto(input, io::TextKind::Plain); });
    onChosen(menus_.SAs, [this, &input] { fileCommands_.saveFrom(input, io::TextKind::Plain); });
    onChosen(menus_.OET, [this, &output] { fileCommands_.openInto(output, io::TextKind::Encrypted); });
    onChosen(menus_.SAET, [this, &output] { fileCommands_.saveFrom(output, io::TextKind::Encrypted); });
    onChosen(menus_.CToC, [this, &input] { fileCommands_.copyToClipboard(input); });
    onChosen(menus_.CTCET, [this, &output] { fileCommands_.copyToClipboard(output); });

    const auto openDroppedFilesIn = [this, busyWith](ExactTextEdit& box) {
        // The file is opened after the drop event has ended, so a command may
        // have started in between.
        return new io::FileDrop(
            box.viewport(),
            [this, &box, busyWith](const QByteArray& path) {
                busyWith([this, &box, path] { fileCommands_.openFileInto(box, path); });
            },
            [this](qsizetype count) {
                messages_.warn(this, windowTitle(), QString::fromUtf16(words::kOneFileAtATime).arg(count));
            });
    };
    fileDrops_ = {openDroppedFilesIn(input), openDroppedFilesIn(output)};

    fileCommands_.setStatusShown([this](const QString& text) { showStatus(text); });
    for (ExactTextEdit* box : {&input, &output}) {
        // Between the pieces of a long text the window answers (input is
        // dropped then), unless it is closing.
        box->setFillPause([this] {
            if (inputGuard_.isHeld()) QCoreApplication::processEvents();
            return !closing_;
        });
        connect(box, &ExactTextEdit::editRefused, this, [this](qsizetype longest) {
            messages_.warn(this, windowTitle(), io::lineTooLongFailure(longest));
        });
        connect(box, &ExactTextEdit::partEditRefused, this,
                [this] { showStatus(tr("A text shown in part cannot be edited: only a new text replaces it")); });
    }
    input.setReplacedBy(tr("New, \"Open Unencrypted TexT\" or a Decrypt command"));
    output.setReplacedBy(tr("New, \"Open Encrypted TexT\" or an Encrypt command"));
}

void MainWindow::showStatus(const QString& text)
{
    QLabel& status = *controls_.Label1;
    status.setText(text);
    fitCaption(status, kStatusPoints);
    // Only a file name can make a status too long even in the smallest size.
    if (status.fontMetrics().horizontalAdvance(text) > status.width())
        status.setText(status.fontMetrics().elidedText(text, Qt::ElideMiddle, status.width()));
    status.repaint();
}

void MainWindow::fitToScreen()
{
    const QScreen* display = screen();
    if (display == nullptr) return;
    // The frame, title bar included, is known once the window manager has
    // framed the window; until then it counts as nothing.
    const QSize room = display->availableGeometry().size() - (frameGeometry().size() - size());
    // A scroll bar along one side takes room from the other, which then
    // needs one too unless the screen has room for both.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, centralWidget());
    QSize fitted = designedSize_.boundedTo(room);
    for (int pass = 0; pass < 2; ++pass) {
        const int width = designedSize_.width() + (fitted.height() < designedSize_.height() ? bar : 0);
        const int height = designedSize_.height() + (fitted.width() < designedSize_.width() ? bar : 0);
        fitted = QSize(width, height).boundedTo(room);
    }
    setFixedSize(fitted);
}

void MainWindow::placeOnScreen()
{
    // move() places the frame, title bar included, which is known only
    // once the window manager has framed the window.
    if (const QScreen* display = screen()) {
        move(framePosition(frameGeometry().size(), display->availableGeometry()));
        placedAt_ = pos();
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (placedWithFrame_ || event->spontaneous()) return;
    placedWithFrame_ = true;
    QTimer::singleShot(0, this, [this] {
        // Not if the window was moved meanwhile, by the user or the program.
        const auto placed = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
        if (!closing_ && pos() == placedAt_ && !(windowState() & placed)) {
            fitToScreen();
            placeOnScreen();
        }
        if (!closing_ && !walkWarning_.isEmpty()) messages_.warn(this, windowTitle(), std::exchange(walkWarning_, QString()));
    });
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (!closing_) fitToScreen();
}

void MainWindow::Form_Load()
{
    state_.LoadWheels();
    menus_.EW->setTitle(wheelCountCaption(state_.wheelCount()));
    controls_.txtKey->setMaxLength(state_.wheelCount());
    controls_.txtKey->setEchoMode(QLineEdit::Password);
}

void MainWindow::runCipherCommand(CipherCommand command)
{
    if (!takesCommands()) return;
    // Reading a large source box keeps the window's thread busy; what the
    // user types meanwhile must not reach the boxes once they take input.
    inputGuard_.hold();
    const ExactTextEdit& source =
        command.direction == Direction::Encrypt ? *controls_.txtVelmor : *controls_.txtOutputBox;
    CipherJob job{command.direction, command.passes, controls_.txtKey->text(), {}, state_, &walk_, source.keptBytes()};
    if (!job.keptBytes) job.text = source.text();

    showStatus(statusText(job.keptBytes ? job.keptBytes->size() : job.text.size()));
    running_ = command;
    blockInput(true);
    cipherWatcher_.setFuture(QtConcurrent::run(&runCipherJob, std::move(job)));
}

void MainWindow::finishCipherCommand()
{
    const CipherCommand command = *running_;
    CipherOutcome outcome = cipherWatcher_.future().takeResult();
    running_.reset();
    // The program is ending; a result shown now would only delay it.
    if (closing_) {
        inputGuard_.release();
        return;
    }

    controls_.Label1->clear();
    if (outcome.failure.isEmpty()) {
        state_ = std::move(outcome.state);
        const bool encrypted = command.direction == Direction::Encrypt;
        ExactTextEdit& source = encrypted ? *controls_.txtVelmor : *controls_.txtOutputBox;
        ExactTextEdit& destination = encrypted ? *controls_.txtOutputBox : *controls_.txtVelmor;
        source.setText(QString());
        // The result of a text shown in part is shown in part too.
        if (outcome.keptBytes)
            destination.keepLongText(*outcome.keptBytes);
        else
            destination.setText(outcome.text);
    }
    // Showing the result takes a while on a large text: input given
    // meanwhile waits in the queue and is dropped here, before the boxes
    // take input again.
    inputGuard_.release();
    blockInput(false);
    if (!outcome.failure.isEmpty()) {
        messages_.warn(this, windowTitle(),
                       tr("The text could not be processed: %1\nBoth boxes are as they were.").arg(outcome.failure));
    }
    emit commandFinished();
}

void MainWindow::blockInput(bool blocked)
{
    // Read-only rather than disabled, so that the boxes keep the focus and
    // their selections and can still be scrolled.
    for (ExactTextEdit* box : {controls_.txtVelmor, controls_.txtOutputBox})
        box->setReadOnly(blocked || box->isShownInPart());
    controls_.txtKey->setReadOnly(blocked);
    for (const auto& item : menus_.cipherItems) item.action->setEnabled(!blocked);
    for (const auto& item : menus_.wheelItems) item.action->setEnabled(!blocked);
    for (QAction* action : menus_.fileCommands) action->setEnabled(!blocked);
    for (io::FileDrop* drop : fileDrops_) drop->setAccepting(!blocked);
}

void MainWindow::chooseWheelCount(int count)
{
    if (!state_.setWheelCount(count)) return;
    menus_.EW->setTitle(wheelCountCaption(count));
    // setText, unlike clear(), drops the undo history too, which would bring
    // back the password's first characters.
    controls_.txtKey->setText(QString());
    controls_.txtKey->setMaxLength(count);
}

void MainWindow::showPassword(bool shown)
{
    controls_.txtKey->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
}

void MainWindow::showInfo()
{
    InfoBox box(this);
    box.exec();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    ShrinkAndExit();
}

void MainWindow::ShrinkAndExit()
{
    if (closing_) return;
    closing_ = true;
    menuBar()->setEnabled(false);
    centralWidget()->setEnabled(false);

    const auto endProgram = [] { QCoreApplication::exit(0); };
    const QScreen* display = screen();
    // A minimised or maximised window would not move; it just goes.
    if (display == nullptr || !isVisible()
        || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        endProgram();
        return;
    }

    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    auto frames = shrinkFrames(twipRect(geometry()), twipsFromPixels(display->geometry().width()), kShrunkSizeTwips,
                               kShrunkSizeTwips, kMaxShrinkFrames);
    auto* animation = new ShrinkAnimation(*this, std::move(frames), kShrinkFrameInterval, this);
    connect(animation, &ShrinkAnimation::finished, this, endProgram);
    animation->start();
}

}  // namespace velmor::ui
