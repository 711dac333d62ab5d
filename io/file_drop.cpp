// SPDX-License-Identifier: MIT
// File drops through an event filter on the target widget.
#include "file_drop.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace velmor::io {

namespace {

// The path of the one local file that `data` carries, or "" when it carries
// no file, several, or a remote one.
QString droppedLocalFile(const QMimeData& data)
{
    if (!data.hasUrls()) return {};
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return {};
    return urls.first().toLocalFile();
}

}  // namespace

FileDrop::FileDrop(QWidget* target, Handler onFile) : QObject(target), onFile_(std::move(onFile))
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool FileDrop::eventFilter(QObject* watched, QEvent* event)
{
    if (!accepting_) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!drag->mimeData() || droppedLocalFile(*drag->mimeData()).isEmpty()) break;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()) break;
        const QString path = droppedLocalFile(*drop->mimeData());
        if (path.isEmpty()) break;
        drop->acceptProposedAction();
        // Opened once the drop is over: a message box shown inside the drop
        // would hold the program the file was dragged from until it closes.
        QMetaObject::invokeMethod(this, [handler = onFile_, path] { handler(path); }, Qt::QueuedConnection);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace velmor::io
