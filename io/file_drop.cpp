// SPDX-License-Identifier: MIT
// File drops through an event filter on the target widget.
#include "file_drop.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace velmor::io {

namespace {

// What a drag carries, as far as files go: the path of its one local file,
// or how many items it carries when some of them are local files.
struct DraggedFiles {
    QByteArray path;
    qsizetype several = 0;
    bool any() const noexcept { return !path.isEmpty() || several > 0; }
};

// toLocalFile() reads the name as UTF-8 and puts U+FFFD for every byte that
// is not, which names another file or none; the percent-encoding keeps them.
QByteArray localPath(const QUrl& url)
{
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

DraggedFiles draggedFiles(const QMimeData& data)
{
    if (!data.hasUrls()) return {};
    const QList<QUrl> urls = data.urls();
    if (urls.size() == 1) return {urls.first().isLocalFile() ? localPath(urls.first()) : QByteArray(), 0};
    const bool files = std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
    return {{}, files ? urls.size() : 0};
}

}  // namespace

FileDrop::FileDrop(QWidget* target, Handler onFile, Refusal onSeveral)
    : QObject(target), onFile_(std::move(onFile)), onSeveral_(std::move(onSeveral))
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
        if (!drag->mimeData() || !draggedFiles(*drag->mimeData()).any()) break;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()) break;
        const DraggedFiles files = draggedFiles(*drop->mimeData());
        if (!files.any()) break;
        drop->acceptProposedAction();
        // Opened or refused once the drop is over: a message box shown inside
        // the drop would hold the program the files came from until it closes.
        if (files.several > 0)
            QMetaObject::invokeMethod(this, [refuse = onSeveral_, count = files.several] { refuse(count); },
                                      Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(this, [handler = onFile_, path = files.path] { handler(path); },
                                      Qt::QueuedConnection);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace velmor::io
