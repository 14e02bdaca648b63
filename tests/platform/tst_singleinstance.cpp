#include "platform/SingleInstance.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

class tst_SingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondInstanceSeesTheLock();
    void lockOfACrashedPlayerIsTakenOver();
    void aFileNobodyHoldsIsTakenOver();
    void aPlayerStillWritingItsFileHoldsTheLock();
    void missingHomeFolderIsCreated();
    void onlyALivePlayerIsAnotherInstance_data();
    void onlyALivePlayerIsAnotherInstance();
};

void tst_SingleInstance::secondInstanceSeesTheLock()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    {
        SingleInstance first(home.path());
        QVERIFY(first.TryAcquire());
        QVERIFY(first.TryAcquire()); // asking again keeps it
        QVERIFY(QFile::exists(first.LockFilePath()));

        SingleInstance second(home.path());
        QVERIFY2(!second.TryAcquire(), "a second player started beside a running one");
        QVERIFY(!second.IsAcquired());

        first.Release();
        QVERIFY(second.TryAcquire());
    }
    SingleInstance third(home.path());
    QVERIFY2(third.TryAcquire(), "the lock outlived the player that held it");
}

void tst_SingleInstance::lockOfACrashedPlayerIsTakenOver()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // A player that takes the lock and dies without releasing it.
        SingleInstance crashed(home.path());
        _exit(crashed.TryAcquire() ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    SingleInstance next(home.path());
    QVERIFY(QFile::exists(next.LockFilePath()));
    QVERIFY2(next.TryAcquire(), "a dead player's lock kept every later player out");
}

void tst_SingleInstance::aFileNobodyHoldsIsTakenOver()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString path = QDir(home.path()).filePath(u"zentil.lock"_s);
    zentil::test::WriteFile(path, "not a lock\n");
    SingleInstance instance(home.path());
    QVERIFY(instance.TryAcquire());
    // The file names its holder the way earlier players, which used QLockFile, read it.
    qint64 pid = 0;
    QString hostName;
    QString appName;
    QVERIFY(QLockFile(path).getLockInfo(&pid, &hostName, &appName));
    QCOMPARE(pid, qint64(getpid()));
    QVERIFY(!appName.isEmpty());
    instance.Release();
    QVERIFY2(!QFile::exists(path), "a player that ended left its lock file");
}

void tst_SingleInstance::aPlayerStillWritingItsFileHoldsTheLock()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QByteArray path = QFile::encodeName(QDir(home.path()).filePath(u"zentil.lock"_s));
    // Another player has made and locked the file but not yet written to it.
    const int other = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    QVERIFY(other >= 0);
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    SingleInstance instance(home.path());
    QCOMPARE(int(instance.Acquire()), int(SingleInstance::Outcome::HeldByRunningPlayer));
    ::close(other);
    QVERIFY(instance.TryAcquire());
}

void tst_SingleInstance::missingHomeFolderIsCreated()
{
    QTemporaryDir base;
    QVERIFY(base.isValid());
    SingleInstance instance(base.filePath(u"not/yet/there"_s));
    QVERIFY(instance.TryAcquire());
}

void tst_SingleInstance::onlyALivePlayerIsAnotherInstance_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("outcome");
    QTest::newRow("live player") << u"live"_s << int(SingleInstance::Outcome::HeldByRunningPlayer);
    QTest::newRow("folder in the way") << u"folder"_s << int(SingleInstance::Outcome::Failed);
    QTest::newRow("player on another machine")
        << u"elsewhere"_s << int(SingleInstance::Outcome::Failed);
    QTest::newRow("home is a file") << u"file"_s << int(SingleInstance::Outcome::Failed);
}

void tst_SingleInstance::onlyALivePlayerIsAnotherInstance()
{
    QFETCH(QString, situation);
    QFETCH(int, outcome);
    QTemporaryDir base;
    QString home = base.path();
    SingleInstance running(home);
    if (situation == u"live") {
        QVERIFY(running.TryAcquire());
    } else if (situation == u"folder") {
        QVERIFY(QDir(home).mkdir(u"zentil.lock"_s));
    } else if (situation == u"elsewhere") {
        zentil::test::WriteFile(
            QDir(home).filePath(u"zentil.lock"_s), "4242\nzentil\nanother-machine.example\n");
    } else {
        home = base.filePath(u"plain-file"_s);
        zentil::test::WriteFile(home, {});
    }
    SingleInstance instance(home);
    QCOMPARE(int(instance.Acquire()), outcome);
    QCOMPARE(instance.FailureText().isEmpty(), outcome != int(SingleInstance::Outcome::Failed));
    QVERIFY(!instance.IsAcquired());
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
