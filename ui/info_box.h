// SPDX-License-Identifier: MIT
// The information box: a warning box whose lines are never broken where the
// screen is wide enough to show them whole.
#pragma once

#include <QMessageBox>

namespace velmor::ui {

class InfoBox final : public QMessageBox {
    Q_OBJECT

public:
    explicit InfoBox(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace velmor::ui
