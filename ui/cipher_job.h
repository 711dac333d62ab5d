// SPDX-License-Identifier: MIT
// One encrypt or decrypt command's work, on copies of everything it reads,
// so that it can run on another thread while the window stays live.
#pragma once

#include "engine/settings.h"
#include "engine/table_walk.h"
#include "engine/wheel_state.h"

#include <QString>

namespace velmor::ui {

struct CipherJob {
    Direction direction = Direction::Encrypt;
    int passes = 1;
    QString password;
    QString text;
    WheelState state;  // the window's state as the command found it
    const TableWalk* walk = &fastestTableWalk();
};

struct CipherOutcome {
    QString text;
    WheelState state;  // settled as the last pass leaves it
    QString failure;   // empty when the passes ran
};

// Runs the job's passes over its text, cut into a range for each of the
// global thread pool's threads. Never throws: a failure comes back in
// `failure`, with an empty text and the job's state.
CipherOutcome runCipherJob(CipherJob job) noexcept;

}  // namespace velmor::ui
