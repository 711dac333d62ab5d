// SPDX-License-Identifier: MIT
// The one window, frmVelmor: the boxes, labels and menus, the cipher state it
// owns for the whole run, and the commands behind the menu items.
#pragma once

#include "form.h"
#include "running_commands.h"

#include "engine/table_walk.h"
#include "engine/wheel_state.h"
#include "io/file_commands.h"

#include <QFutureWatcher>
#include <QMainWindow>

#include <array>
#include <optional>

namespace velmor::io {
class FileDialogs;
class FileDrop;
class Messages;
}  // namespace velmor::io

namespace velmor::ui {

class ExactTextEdit;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // The file commands choose files through `dialogs`; every failure is told
    // through `messages`. Both must outlive the window. The commands cipher
    // with the walk `walkChoice` names; when it names none (a stale
    // VELMOR_TABLE_WALK), the window says so once it shows and uses the
    // fastest walk, since every walk gives the same results.
    MainWindow(io::FileDialogs& dialogs, io::Messages& messages, QWidget* parent = nullptr,
               const TableWalkChoice& walkChoice = tableWalkChoice());

    // The two large boxes, for the commands that load, save and copy them.
    ExactTextEdit& inputBox() const noexcept { return *controls_.txtVelmor; }
    ExactTextEdit& outputBox() const noexcept { return *controls_.txtOutputBox; }

signals:
    // An encrypt or decrypt command has written its result (or reported its
    // failure) and the window takes input again.
    void commandFinished();

protected:
    // Closing always runs the closing animation, which then ends the program.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The window manager's frame is known only when it has framed the
    // window, which it shows as a move: the window is fitted again then.
    void moveEvent(QMoveEvent* event) override;

private:
    void connectCommands();
    void connectFileCommands();
    // False while a command runs or the window is closing.
    bool takesCommands() const noexcept { return !closing_ && !inputGuard_.isHeld(); }
    // The designed size, or less where the screen's available area is smaller.
    void fitToScreen();
    void placeOnScreen();
    // Shows `text` in the status label at once, shortened to fit it.
    void showStatus(const QString& text);
    void Form_Load();

    // The command reads its source box, the password and the state once and
    // works on copies off the window's thread; until it writes its result the
    // boxes, the password and the other commands are blocked.
    void runCipherCommand(CipherCommand command);
    void finishCipherCommand();
    void blockInput(bool blocked);

    void chooseWheelCount(int count);
    void showPassword(bool shown);
    void showInfo();
    void ShrinkAndExit();

    io::Messages& messages_;
    io::FileCommands fileCommands_;
    const TableWalk& walk_;
    // Told once the window first shows; empty when there is nothing to tell.
    QString walkWarning_;
    WheelState state_;
    FormControls controls_;
    FormMenus menus_;
    // One on each large box; owned by the boxes' viewports.
    std::array<io::FileDrop*, 2> fileDrops_{};
    QFutureWatcher<CipherOutcome> cipherWatcher_;
    // Held from a command's choice until its result shows.
    InputGuard inputGuard_{*this};
    std::optional<CipherCommand> running_;
    bool closing_ = false;
    QSize designedSize_;
    bool placedWithFrame_ = false;
    QPoint placedAt_;
};

}  // namespace velmor::ui
