// SPDX-License-Identifier: MIT
// Writes the window's icon as a PNG of the given size, for desktops that look
// up application icons by size. The 32 x 32 picture is scaled without
// smoothing so that its pixels stay crisp.
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>

namespace {
#include "ui/window_icon.xpm"
}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SIZE OUTPUT.png\n", argv[0]);
        return 2;
    }
    const int size = std::atoi(argv[1]);
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "%s: size must be from 16 to 1024\n", argv[0]);
        return 2;
    }
    const QImage icon(kWindowIconXpm);
    const QImage scaled = icon.scaled(size, size, Qt::KeepAspectRatio, Qt::FastTransformation);
    if (icon.isNull() || !scaled.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
