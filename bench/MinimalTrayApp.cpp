// SPDX-License-Identifier: MIT
// The floor for start-up and memory: a Qt Widgets program that shows a tray
// icon and runs its event loop. Like Zelvoro Mixer, it shows a window when
// there is no notification area (the offscreen platform has none).
//
//   bench-minimal-tray [--product-icons | --shared-icon]
//
// --product-icons loads the icons as Zelvoro Mixer does (the application icon
// from icon.ico, a window icon as a QPixmap of icon.png, the tray icon as a
// QIcon of icon.png, which decodes the file a second time), to show what
// those loads cost on their own. --shared-icon builds the tray icon from the
// window icon's pixmap instead: one decode of icon.png.
#include <QApplication>
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cstring>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const bool productIcons = argc > 1 && std::strcmp(argv[1], "--product-icons") == 0;
    const bool sharedIcon = argc > 1 && std::strcmp(argv[1], "--shared-icon") == 0;
    QWidget window;
    QIcon trayIcon;
    if (productIcons || sharedIcon) {
        const QPixmap appIcon(QStringLiteral(":/icon/icon.ico"));
        QApplication::setWindowIcon(appIcon);
        const QPixmap windowIcon(QStringLiteral(":/icon/icon.png"));
        window.setWindowIcon(windowIcon);
        trayIcon = sharedIcon ? QIcon(windowIcon) : QIcon(QStringLiteral(":/icon/icon.png"));
    } else {
        QPixmap pixmap(32, 32);
        pixmap.fill(QColor(QStringLiteral("#00ff7f")));
        trayIcon = QIcon(pixmap);
    }
    QSystemTrayIcon tray{trayIcon};
    tray.setVisible(true);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        window.show();
    return QApplication::exec();
}
