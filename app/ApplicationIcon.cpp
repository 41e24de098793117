// SPDX-License-Identifier: MIT
#include "app/ApplicationIcon.h"

#include <QApplication>
#include <QEvent>
#include <QPixmap>
#include <QWidget>

ApplicationIcon::ApplicationIcon(const QString &fileName, QObject *application)
    : QObject(application), fileName(fileName)
{
    application->installEventFilter(this);
}

bool ApplicationIcon::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show || !watched->isWidgetType())
        return false;
    const auto *widget = static_cast<const QWidget *>(watched);
    // Menus and tool tips show no icon; a window with its own ignores the application's.
    if (!widget->isWindow() || widget->testAttribute(Qt::WA_SetWindowIcon) ||
        widget->windowType() == Qt::Popup || widget->windowType() == Qt::ToolTip)
        return false;
    // The show event comes before the window appears: it appears with the icon.
    const QPixmap icon(fileName);
    if (!icon.isNull())
        QApplication::setWindowIcon(icon);
    parent()->removeEventFilter(this);
    deleteLater();
    return false;
}
