#include "StorageTestHome.h"

#include "storage/CacheTrim.h"
#include "storage/FolderLayout.h"

#include <QHash>
#include <QObject>
#include <QRegularExpression>
#include <QTest>

#include <optional>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

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
    void oldestGoUntilTwentyRemain();
    void currentPresentationIsNeverDeletedNorCounted();
    void lowSpaceKeepsWhatFitsInAFifth();
    void unknownFreeSpaceAppliesOnlyTheCount();
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

void TestCacheTrim::oldestGoUntilTwentyRemain()
{
    CacheFixture home;
    home.AddPresentations(22);
    // Opening a 23rd presentation: three of the oldest make room for it.
    BuildPresentationFolder(home.Folders, home.Cache(u"new"_s), home.Log, home.Queries());

    const QStringList cached = home.Cached();
    QCOMPARE(cached.size(), 20);
    for (const QString& gone : { u"p01"_s, u"p02"_s, u"p03"_s }) {
        QVERIFY2(!cached.contains(gone), qPrintable(gone));
        QVERIFY2(!QFile::exists(home.Folders.QuitPointPath + gone + u".txt"_s),
            "the quit point of a deleted presentation must go with it");
    }
    QVERIFY(cached.contains(u"new"_s));
    QVERIFY(QFile::exists(home.Folders.QuitPointPath + u"p04.txt"_s));
    QVERIFY(QFileInfo(home.Cache(u"new/resources"_s)).isDir());
    QVERIFY(QFileInfo(home.Cache(u"new/thumbnails"_s)).isDir());
    QVERIFY(home.Trace().contains(u"Status: deletecount = 3; ScriptPathFound = False\r\n"_s));
}

void TestCacheTrim::currentPresentationIsNeverDeletedNorCounted()
{
    CacheFixture home;
    home.AddPresentations(22);
    // Re-opening the oldest one: it stays, and it does not use up the count either.
    BuildPresentationFolder(home.Folders, home.Cache(u"p01"_s), home.Log, home.Queries());

    const QStringList cached = home.Cached();
    QCOMPARE(cached.size(), 20);
    QVERIFY(cached.contains(u"p01"_s));
    QVERIFY(!cached.contains(u"p02"_s));
    QVERIFY(!cached.contains(u"p03"_s));
    QVERIFY(cached.contains(u"p04"_s));
    QVERIFY(QFile::exists(home.Folders.QuitPointPath + u"p01.txt"_s));
    QVERIFY(home.Trace().contains(u"deletecount = 2; ScriptPathFound = True"_s));
}

void TestCacheTrim::lowSpaceKeepsWhatFitsInAFifth()
{
    CacheFixture home;
    home.AddPresentations(10);
    home.Free = 300'000'000;
    BuildPresentationFolder(home.Folders, home.Cache(u"new"_s), home.Log, home.Queries());

    // 6 reserves fit in a fifth of free-plus-reserved space: the new one and the 5 newest.
    QCOMPARE(
        home.Cached(), QStringList({ u"new"_s, u"p06"_s, u"p07"_s, u"p08"_s, u"p09"_s, u"p10"_s }));
}

void TestCacheTrim::unknownFreeSpaceAppliesOnlyTheCount()
{
    CacheFixture home;
    home.AddPresentations(10);
    home.Free = std::nullopt;
    QCOMPARE(TrimCache(home.Folders, home.Cache(u"new"_s), home.Log, home.Queries()), 0);
    QCOMPARE(home.Cached().size(), 10);
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
