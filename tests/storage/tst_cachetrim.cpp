#include "support/StorageTestHome.h"

#include "storage/CacheTrim.h"
#include "storage/FolderLayout.h"

#include <QHash>
#include <QObject>
#include <QRegularExpression>
#include <QTest>

#include <optional>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using namespace zentil::test;

namespace {

// Cached presentations "p01".."pNN", p01 the oldest, each with a resource and a quit point.
struct CacheFixture : StorageTestHome {
    QHash<QString, QDateTime> Times;
    std::optional<quint64> Free = 1'000'000'000'000ULL;

    CacheQueries Queries()
    {
        CacheQueries q;
        q.FreeBytes = [this](const QString&) { return Free; };
        q.FolderTime = [this](const QString& folder) {
            return Times.value(
                QFileInfo(folder).fileName(), QDateTime(QDate(2030, 1, 1), QTime(0, 0)));
        };
        return q;
    }

    void AddPresentations(int count)
    {
        for (int i = 1; i <= count; ++i) {
            const QString name = u"p%1"_s.arg(i, 2, 10, QChar(u'0'));
            WriteFile(Cache(name) + u"/resources/a.png"_s, "png");
            WriteFile(Folders.QuitPointPath + name + u".txt"_s, "3 100\r\n");
            Times.insert(name, QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(i * 60));
        }
    }

    QStringList Cached() const
    {
        return QDir(Folders.ZentilCachePath)
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
};

} // namespace

class TestCacheTrim : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QTest::failOnWarning(QRegularExpression(u".+"_s)); }
    void deleteCountFollowsTheBudget_data();
    void deleteCountFollowsTheBudget();
    void oldestGoFirst_data();
    void oldestGoFirst();
    void symbolicLinksAreNeitherCountedNorFollowed();
    void foldersOutsideTheCacheDoNotTrim();
};

void TestCacheTrim::deleteCountFollowsTheBudget_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<bool>("found");
    QTest::addColumn<qint64>("free"); // -1: the query failed
    QTest::addColumn<int>("expected");

    const qint64 ample = 1'000'000'000'000LL;
    QTest::newRow("few, ample space") << 5 << false << ample << 0;
    QTest::newRow("twenty with the current one") << 20 << true << ample << 0;
    QTest::newRow("twenty plus the new one") << 20 << false << ample << 1;
    QTest::newRow("twenty-five with the current one") << 25 << true << ample << 5;
    // 11 reserves = 165 MB of 465 MB (35 %): a fifth holds 6.2, so 6 stay.
    QTest::newRow("low space") << 10 << false << qint64(300'000'000) << 5;
    // A fifth of 337.5 MB holds exactly 4.5 reserves: rounds half to even, 4 stay.
    QTest::newRow("half rounds to even") << 4 << false << qint64(262'500'000) << 1;
    // 20 reserves are all the space there is: a fifth holds 4, and 6 are over the count.
    QTest::newRow("no space, too many") << 25 << false << qint64(0) << 22;
    QTest::newRow("free space unknown") << 25 << false << qint64(-1) << 6;
}

void TestCacheTrim::deleteCountFollowsTheBudget()
{
    QFETCH(int, entries);
    QFETCH(bool, found);
    QFETCH(qint64, free);
    QFETCH(int, expected);
    const std::optional<quint64> freeBytes
        = free < 0 ? std::nullopt : std::optional<quint64>(static_cast<quint64>(free));
    QCOMPARE(CacheDeleteCount(entries, found, freeBytes), expected);
}

void TestCacheTrim::oldestGoFirst_data()
{
    QTest::addColumn<int>("cached");
    QTest::addColumn<qint64>("free"); // -1: the query fails
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QStringList>("gone");
    QTest::addColumn<QString>("trace");

    const qint64 ample = 1'000'000'000'000LL;
    QTest::newRow("a 23rd presentation")
        << 22 << ample << u"new"_s << QStringList { u"p01"_s, u"p02"_s, u"p03"_s }
        << u"Status: deletecount = 3; ScriptPathFound = False\r\n"_s;
    // The oldest is the one in use: it stays, and does not use up the count either.
    QTest::newRow("re-opening the oldest")
        << 22 << ample << u"p01"_s << QStringList { u"p02"_s, u"p03"_s }
        << u"deletecount = 2; ScriptPathFound = True"_s;
    // 6 reserves fit in a fifth of free-plus-reserved space: the new one and the 5 newest.
    QTest::newRow("low space") << 10 << qint64(300'000'000) << u"new"_s
                               << QStringList { u"p01"_s, u"p02"_s, u"p03"_s, u"p04"_s, u"p05"_s }
                               << u"deletecount = 5"_s;
    QTest::newRow("free space unknown")
        << 10 << qint64(-1) << u"new"_s << QStringList {} << QString();
}

void TestCacheTrim::oldestGoFirst()
{
    QFETCH(int, cached);
    QFETCH(qint64, free);
    QFETCH(QString, opened);
    QFETCH(QStringList, gone);
    QFETCH(QString, trace);

    CacheFixture home;
    home.AddPresentations(cached);
    home.Free = free < 0 ? std::nullopt : std::optional<quint64>(static_cast<quint64>(free));
    BuildPresentationFolder(home.Folders, home.Cache(opened), home.Log, home.Queries());

    const QStringList left = home.Cached();
    QCOMPARE(left.size(), cached - gone.size() + (opened == u"new" ? 1 : 0));
    for (const QString& name : gone) {
        QVERIFY2(!left.contains(name), qPrintable(name));
        QVERIFY2(!QFile::exists(home.Folders.QuitPointPath + name + u".txt"_s),
            "the quit point of a deleted presentation must go with it");
    }
    QVERIFY(left.contains(opened));
    QVERIFY(QFileInfo(home.Cache(opened + u"/resources"_s)).isDir());
    QVERIFY(QFileInfo(home.Cache(opened + u"/thumbnails"_s)).isDir());
    for (const QString& name : left) {
        if (name != u"new")
            QVERIFY2(
                QFile::exists(home.Folders.QuitPointPath + name + u".txt"_s), qPrintable(name));
    }
    if (trace.isEmpty())
        QVERIFY(!home.Trace().contains(u"deletecount"_s));
    else
        QVERIFY2(home.Trace().contains(trace), qPrintable(home.Trace()));
}

void TestCacheTrim::symbolicLinksAreNeitherCountedNorFollowed()
{
    CacheFixture home;
    home.AddPresentations(21);
    const QString outside = home.Dir.filePath(u"outside"_s);
    WriteFile(outside + u"/precious.txt"_s, "keep");
    QVERIFY(QFile::link(outside, home.Cache(u"aaa-link"_s)));
    // The oldest presentation holds a link out of the cache as well.
    QVERIFY(QFile::link(outside, home.Cache(u"p01/resources/escape"_s)));
    home.Times.insert(u"aaa-link"_s, QDateTime(QDate(2000, 1, 1), QTime(0, 0)));

    BuildPresentationFolder(home.Folders, home.Cache(u"new"_s), home.Log, home.Queries());

    // 21 folders and the new one: two go, and the link is not one of them.
    QVERIFY(!QFileInfo::exists(home.Cache(u"p01"_s)));
    QVERIFY(!QFileInfo::exists(home.Cache(u"p02"_s)));
    QVERIFY(QFileInfo::exists(home.Cache(u"p03"_s)));
    QVERIFY(QFileInfo(home.Cache(u"aaa-link"_s)).isSymLink());
    QCOMPARE(ReadAll(outside + u"/precious.txt"_s), QByteArray("keep"));
}

void TestCacheTrim::foldersOutsideTheCacheDoNotTrim()
{
    CacheFixture home;
    home.AddPresentations(25);
    const QString elsewhere = home.Dir.filePath(u"shows/lecture"_s);
    BuildPresentationFolder(home.Folders, elsewhere, home.Log, home.Queries());
    QCOMPARE(home.Cached().size(), 25);
    QCOMPARE(home.Folders.ResourcePath, elsewhere + u"/resources"_s);
    QVERIFY(QFileInfo(home.Folders.ThumbnailPath).isDir());

    // An empty path names no folder at all (and certainly not the working directory).
    const QString workingDirectory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(home.Dir.path()));
    BuildPresentationFolder(home.Folders, QString(), home.Log, home.Queries());
    QVERIFY(QDir::setCurrent(workingDirectory));
    QVERIFY(!QFileInfo::exists(home.Dir.filePath(u"resources"_s)));
    QCOMPARE(home.Folders.ResourcePath, elsewhere + u"/resources"_s);
}

QTEST_GUILESS_MAIN(TestCacheTrim)
#include "tst_cachetrim.moc"
