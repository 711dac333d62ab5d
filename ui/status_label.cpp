// SPDX-License-Identifier: MIT
// The status label's accessible interface: a status bar named by its text.
#include "status_label.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace velmor::ui {
namespace {

// A plain label is static text, which screen readers skip when it changes.
class StatusAccessible final : public QAccessibleWidget {
public:
    explicit StatusAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StatusBar) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name) return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* statusInterface(const QString& className, QObject* object)
{
    if (className != QLatin1String(StatusLabel::staticMetaObject.className())) return nullptr;
    return new StatusAccessible(static_cast<StatusLabel*>(object));
}

}  // namespace

StatusLabel::StatusLabel(QWidget* parent) : QLabel(parent)
{
    // Installed once for the whole program; Qt keeps the list of factories.
    static const bool installed = [] {
        QAccessible::installFactory(statusInterface);
        return true;
    }();
    static_cast<void>(installed);
}

}  // namespace velmor::ui
