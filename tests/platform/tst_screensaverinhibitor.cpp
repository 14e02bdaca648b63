#include "platform/ScreenSaverInhibitor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

// A desktop's screen-saver service, answering on its own bus connection from its own thread so
// that the player's blocking calls travel over the real session bus.
class ScreenSaverService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    std::atomic<int> inhibitCalls { 0 };
    std::atomic<quint32> releasedCookie { 0 };
    std::atomic<int> releaseCalls { 0 };

public Q_SLOTS:
    Q_SCRIPTABLE quint32 Inhibit(const QString& applicationName, const QString& reason)
    {
        ++inhibitCalls;
        return applicationName == u"Zentil" && !reason.isEmpty() ? 4711U : 1U;
    }
    Q_SCRIPTABLE void UnInhibit(quint32 cookie)
    {
        releasedCookie = cookie;
        ++releaseCalls;
    }
};

} // namespace

class tst_ScreenSaverInhibitor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void absentServiceIsNoError();
    void inhibitsAndReleasesThroughTheService();
};

void tst_ScreenSaverInhibitor::absentServiceIsNoError()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()->isServiceRegistered(u"org.freedesktop.ScreenSaver"_s))
        QSKIP("this desktop has a screen-saver service");
    ScreenSaverInhibitor inhibitor(bus);
    QVERIFY(!inhibitor.Inhibit(u"Zentil"_s, u"Playing a presentation"_s));
    QVERIFY(!inhibitor.IsInhibited());
    inhibitor.UnInhibit();
    QVERIFY(!inhibitor.IsInhibited());
}

void tst_ScreenSaverInhibitor::inhibitsAndReleasesThroughTheService()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no session bus (run under scripts/with-test-session)");
    QDBusConnection peer = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"desk"_s);
    QVERIFY(peer.isConnected());
    QThread thread;
    ScreenSaverService service;
    service.moveToThread(&thread);
    thread.start();
    QVERIFY(peer.registerObject(
        u"/org/freedesktop/ScreenSaver"_s, &service, QDBusConnection::ExportScriptableSlots));
    QVERIFY2(peer.registerService(u"org.freedesktop.ScreenSaver"_s),
        qPrintable(peer.lastError().message()));

    {
        ScreenSaverInhibitor inhibitor(QDBusConnection::sessionBus());
        QVERIFY(inhibitor.Inhibit(u"Zentil"_s, u"Playing a presentation"_s));
        QVERIFY(inhibitor.IsInhibited());
        QVERIFY(inhibitor.Inhibit(u"Zentil"_s, u"again"_s)); // no second request
        QCOMPARE(service.inhibitCalls.load(), 1);
        inhibitor.UnInhibit();
        QVERIFY(!inhibitor.IsInhibited());
        QCOMPARE(service.releasedCookie.load(), 4711U);

        QVERIFY(inhibitor.Inhibit(u"Zentil"_s, u"Playing a presentation"_s));
    } // the destructor gives the screen saver back
    QTRY_COMPARE(service.releaseCalls.load(), 2);

    peer.unregisterService(u"org.freedesktop.ScreenSaver"_s);
    peer.unregisterObject(u"/org/freedesktop/ScreenSaver"_s);
    QDBusConnection::disconnectFromBus(u"desk"_s);
    thread.quit();
    thread.wait();
}

QTEST_GUILESS_MAIN(tst_ScreenSaverInhibitor)
#include "tst_screensaverinhibitor.moc"
