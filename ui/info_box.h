// SPDX-License-Identifier: MIT
// The information box: a warning with one OK button, whose lines are never
// broken where the screen is wide enough to show them whole.
#pragma once

#include <QDialog>

namespace velmor::ui {

// A dialog rather than a QMessageBox: that box breaks every text wider
// than 500 pixels into lines of that width, again whenever its layout
// changes.
class InfoBox final : public QDialog {
    Q_OBJECT

public:
    explicit InfoBox(QWidget* parent = nullptr);
};

}  // namespace velmor::ui
