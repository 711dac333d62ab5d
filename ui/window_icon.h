// SPDX-License-Identifier: MIT
// The window's own icon, drawn in the source.
#pragma once

#include <QIcon>

namespace velmor::ui {

QIcon windowIcon();

}  // namespace velmor::ui
