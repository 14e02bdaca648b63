#include "support/StorageTestHome.h"

#include "storage/CacheCopy.h"
#include "storage/ResourcePurge.h"

#include <QObject>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using namespace zentil::test;

namespace {

const QDateTime kMorning(QDate(2026, 3, 10), QTime(8, 0));

// A presentation on a "disc": lecture.zentil with two resources.
struct DiscFixture : StorageTestHome {
    QString Disc = Dir.filePath(u"disc/lecture"_s);
    QString Parent = Disc;

    DiscFixture()
    {
        WriteFile(Disc + u"/lecture.zentil"_s, "script", kMorning);
        WriteFile(Disc + u"/resources/a.png"_s, "png-1", kMorning);
        WriteFile(Disc + u"/resources/b.ogg"_s, "ogg-1", kMorning);
    }

    bool Copy(const QString& shortName = u"lecture.zentil"_s)
    {
        return CopyPresentationToCache(Folders, Parent, shortName, Log);
    }

    QString Thumbnail() const { return Cache(u"lecture/thumbnails/thumbnail001.jpg"_s); }
};

} // namespace

class TestCacheCopy : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QTest::failOnWarning(QRegularExpression(u".+"_s)); }
    void firstCopyFillsTheCache();
    void refreshFollowsTheDatesByDay_data();
    void refreshFollowsTheDatesByDay();
    void interruptedCopyIsRedone();
    void withoutResourcesNothingIsCopied();
    void purgeDeletesOnlyOutdatedCachedFiles_data();
    void purgeDeletesOnlyOutdatedCachedFiles();
};

void TestCacheCopy::firstCopyFillsTheCache()
{
    DiscFixture disc;
    QFile::setPermissions(disc.Disc + u"/resources/a.png"_s, QFile::ReadOwner | QFile::ReadOther);
    QVERIFY(disc.Copy());
    const QString target = disc.Cache(u"lecture"_s);
    QCOMPARE(disc.Parent, target);
    QCOMPARE(disc.Folders.ResourcePath, target + u"/resources"_s);
    QCOMPARE(ReadAll(target + u"/lecture.zentil"_s), QByteArray("script"));
    QCOMPARE(ReadAll(target + u"/resources/a.png"_s), QByteArray("png-1"));
    QCOMPARE(ReadAll(target + u"/resources/b.ogg"_s), QByteArray("ogg-1"));
    QCOMPARE(QFileInfo(target + u"/resources/b.ogg"_s).lastModified(), kMorning);
    QVERIFY2(QFileInfo(target + u"/resources/a.png"_s).permissions() & QFile::WriteOwner,
        "cache copies of read-only disc files stay writable");
    QVERIFY(QFileInfo(target + u"/thumbnails"_s).isDir());
    // No work folders or partial files are left behind.
    QCOMPARE(QDir(disc.Folders.ZentilCachePath)
                 .entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { u"lecture"_s });
    QCOMPARE(
        QDir(target).entryList(QDir::Files | QDir::Hidden), QStringList { u"lecture.zentil"_s });
}

void TestCacheCopy::refreshFollowsTheDatesByDay_data()
{
    QTest::addColumn<QString>("changed"); // the file of the disc copy changed, "" for none
    QTest::addColumn<qint64>("later"); // seconds after the first copy's date
    QTest::addColumn<bool>("refreshed");
    QTest::newRow("unchanged") << QString() << qint64(0) << false;
    QTest::newRow("newer resource") << u"resources/b.ogg"_s << qint64(86400) << true;
    QTest::newRow("newer script") << u"lecture.zentil"_s << qint64(2 * 86400) << true;
    QTest::newRow("same-day change") << u"resources/a.png"_s << qint64(10 * 3600) << false;
}

// A refresh empties the thumbnails and replaces the resources folder as a whole; a source
// changed later on the same day counts as unchanged.
void TestCacheCopy::refreshFollowsTheDatesByDay()
{
    QFETCH(QString, changed);
    QFETCH(qint64, later);
    QFETCH(bool, refreshed);
    DiscFixture disc;
    QVERIFY(disc.Copy());
    WriteFile(disc.Thumbnail(), "jpg");
    const QString downloaded = disc.Cache(u"lecture/resources/downloaded.gif"_s);
    WriteFile(downloaded, "gif");
    if (!changed.isEmpty())
        WriteFile(disc.Disc + u'/' + changed, "changed", kMorning.addSecs(later));

    disc.Parent = disc.Disc;
    QVERIFY(disc.Copy());
    QCOMPARE(QFile::exists(disc.Thumbnail()), !refreshed);
    QVERIFY(QFileInfo(disc.Cache(u"lecture/thumbnails"_s)).isDir());
    QCOMPARE(QFile::exists(downloaded), !refreshed);
    if (!changed.isEmpty())
        QCOMPARE(ReadAll(disc.Cache(u"lecture/"_s + changed)) == "changed", refreshed);
    if (changed != u"resources/a.png")
        QCOMPARE(ReadAll(disc.Cache(u"lecture/resources/a.png"_s)), QByteArray("png-1"));
}

void TestCacheCopy::interruptedCopyIsRedone()
{
    DiscFixture disc;
    QVERIFY(disc.Copy());
    // What a copy cut short leaves: its work folder, and an entry whose script is not back yet
    // although every resource that made it looks current.
    WriteFile(disc.Cache(u".zentil-copy-Ab12Cd/a.png"_s), "partial");
    QVERIFY(QFile::remove(disc.Cache(u"lecture/lecture.zentil"_s)));
    WriteFile(disc.Thumbnail(), "jpg");

    disc.Parent = disc.Disc;
    QVERIFY(disc.Copy());
    QVERIFY(!QFile::exists(disc.Thumbnail()));
    QCOMPARE(ReadAll(disc.Cache(u"lecture/lecture.zentil"_s)), QByteArray("script"));
    QVERIFY(!QFileInfo::exists(disc.Cache(u".zentil-copy-Ab12Cd"_s)));
}

void TestCacheCopy::withoutResourcesNothingIsCopied()
{
    DiscFixture disc;
    // A script name without an extension names no cache folder...
    QVERIFY(!disc.Copy(u"lecture"_s));
    // Nor does one that would reach out of the cache.
    QVERIFY(!disc.Copy(u"../lecture.zentil"_s));
    QCOMPARE(disc.Parent, disc.Disc);

    QVERIFY(QDir(disc.Disc + u"/resources"_s).removeRecursively());
    QVERIFY(!disc.Copy());
    QCOMPARE(disc.Parent, disc.Disc);
    QVERIFY(
        QDir(disc.Folders.ZentilCachePath).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

void TestCacheCopy::purgeDeletesOnlyOutdatedCachedFiles_data()
{
    QTest::addColumn<bool>("cached");
    QTest::addColumn<double>("stamp"); // yyyyMMddHHmm; the files date from 202603100800
    QTest::addColumn<bool>("deleted");
    QTest::newRow("cached, older than the stamp") << true << 202603100801.0 << true;
    QTest::newRow("cached, as new as the stamp") << true << 202603100800.0 << false;
    QTest::newRow("the author's own folder") << false << 202603100801.0 << false;
}

void TestCacheCopy::purgeDeletesOnlyOutdatedCachedFiles()
{
    QFETCH(bool, cached);
    QFETCH(double, stamp);
    QFETCH(bool, deleted);
    DiscFixture disc;
    if (cached)
        QVERIFY(disc.Copy());
    else
        disc.Folders.ResourcePath = disc.Disc + u"/resources"_s;
    const QString file = disc.Folders.ResourcePath + u"/a.png"_s;
    QFile::setPermissions(file, QFile::ReadOwner);
    const std::vector<ResourcePurge> purges { { u"a.png"_s, stamp }, { u"gone.png"_s, 3e12 } };
    QCOMPARE(PurgeOutdatedResources(purges, disc.Folders, disc.Log), deleted ? 1 : 0);
    QCOMPARE(QFile::exists(file), !deleted);
    QCOMPARE(disc.Trace().contains(u"Purged resource a.png"_s), deleted);
}

QTEST_GUILESS_MAIN(TestCacheCopy)
#include "tst_cachecopy.moc"
