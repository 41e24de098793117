// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

class QEvent;

// The application's icon, the one a window without its own shows, set when
// the first such window is about to appear rather than at start-up. Start-up
// shows only the tray icon, yet on X11 the tray's own embedded window would
// take the application's icon and decode it at once, for nothing visible.
// Watches the application from its construction until then, as its child.
class ApplicationIcon : public QObject
{
    Q_OBJECT

public:
    ApplicationIcon(const QString &fileName, QObject *application);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString fileName;
};
