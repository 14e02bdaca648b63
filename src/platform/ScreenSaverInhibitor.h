#pragma once

#include <QDBusConnection>
#include <QString>

namespace zentil {

// Keeps the desktop's screen saver off while the player runs, through the
// org.freedesktop.ScreenSaver service on the session bus. A desktop without that service (or a
// machine without a session bus) simply keeps its screen saver: that is not an error.
class ScreenSaverInhibitor {
public:
    explicit ScreenSaverInhibitor(QDBusConnection bus = QDBusConnection::sessionBus());
    ~ScreenSaverInhibitor();
    ScreenSaverInhibitor(const ScreenSaverInhibitor&) = delete;
    ScreenSaverInhibitor& operator=(const ScreenSaverInhibitor&) = delete;

    // Asks the desktop to keep the screen saver off; true when it agreed. Calling it again
    // while inhibited does nothing.
    bool Inhibit(const QString& applicationName, const QString& reason);
    // Gives the screen saver back; does nothing unless inhibited.
    void UnInhibit();
    bool IsInhibited() const { return inhibited_; }

private:
    QDBusConnection bus_;
    quint32 cookie_ = 0; // the desktop's handle for our request
    bool inhibited_ = false;
};

} // namespace zentil
