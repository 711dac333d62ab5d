// SPDX-License-Identifier: MIT
// The window's own icon, drawn in the source.
#include "window_icon.h"

#include <QPixmap>

namespace velmor::ui {
namespace {
#include "window_icon.xpm"
}  // namespace

QIcon windowIcon()
{
    return QIcon(QPixmap(kWindowIconXpm));
}

}  // namespace velmor::ui
