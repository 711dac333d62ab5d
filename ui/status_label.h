// SPDX-License-Identifier: MIT
// The status label, which screen readers present as the window's status bar
// and read out whenever its text changes.
#pragma once

#include <QLabel>

namespace velmor::ui {

class StatusLabel final : public QLabel {
    Q_OBJECT

public:
    explicit StatusLabel(QWidget* parent = nullptr);
};

}  // namespace velmor::ui
