#include "support/StorageTestHome.h"

#include "storage/QuitPoints.h"

#include <QObject>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using namespace zentil::test;

class TestQuitPoints : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QTest::failOnWarning(QRegularExpression(u".+"_s)); }
    void roundTrip();
    void leavingOnTheFirstOrABuiltInSlideRemovesIt();
    void unusableNamesWriteNothing();
    void readsTheFirstNumberOfTheFirstLine_data();
    void readsTheFirstNumberOfTheFirstLine();
    void lastFolderRoundTrip();
};

void TestQuitPoints::roundTrip()
{
    StorageTestHome home;
    SaveQuitPoint(home.Folders, u"lecture.zentil"_s, 7, 12345, false, home.Log);
    const QString file = home.Folders.QuitPointPath + u"lecture.txt"_s;
    QCOMPARE(QuitPointFileName(home.Folders, u"lecture.zentil"_s), file);
    QCOMPARE(ReadAll(file), QByteArray("7 12345\r\n"));

    const auto point = ReadQuitPoint(home.Folders, u"lecture.zentil"_s);
    QVERIFY(point.has_value());
    QCOMPARE(point->SlideIndex, 7);
    QCOMPARE(point->Position, qint64(12345));

    // A name with a path and several dots: the file name without its last extension.
    SaveQuitPoint(home.Folders, u"/media/disc/part.two.zentil"_s, 2, 0, false, home.Log);
    QCOMPARE(ReadAll(home.Folders.QuitPointPath + u"part.two.txt"_s), QByteArray("2 0\r\n"));
}

void TestQuitPoints::leavingOnTheFirstOrABuiltInSlideRemovesIt()
{
    StorageTestHome home;
    const QString file = home.Folders.QuitPointPath + u"lecture.txt"_s;
    SaveQuitPoint(home.Folders, u"lecture.zentil"_s, 4, 10, false, home.Log);
    QVERIFY(QFile::exists(file));
    SaveQuitPoint(home.Folders, u"lecture.zentil"_s, 1, 10, false, home.Log);
    QVERIFY(!QFile::exists(file));

    SaveQuitPoint(home.Folders, u"lecture.zentil"_s, 4, 10, false, home.Log);
    QFile::setPermissions(file, QFile::ReadOwner);
    SaveQuitPoint(home.Folders, u"lecture.zentil"_s, 9, 10, true, home.Log);
    QVERIFY2(!QFile::exists(file), "the end slide leaves no quit point, read-only or not");
}

void TestQuitPoints::unusableNamesWriteNothing()
{
    StorageTestHome home;
    for (const QString& name : { QString(), u"noextension"_s, u".zentil"_s })
        SaveQuitPoint(home.Folders, name, 5, 10, false, home.Log);
    QVERIFY(QDir(home.Folders.QuitPointPath)
                .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void TestQuitPoints::readsTheFirstNumberOfTheFirstLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("slide");
    QTest::addColumn<qint64>("position");
    QTest::newRow("plain") << QByteArray("12 3400\r\n") << 12 << qint64(3400);
    QTest::newRow("blanks around") << QByteArray("  5 77  \r\nignored\r\n") << 5 << qint64(77);
    QTest::newRow("slide only") << QByteArray("3") << 3 << qint64(0);
    QTest::newRow("not a number") << QByteArray("x 5\r\n") << 0 << qint64(5);
    QTest::newRow("text after the number") << QByteArray("2abc 9x\r\n") << 2 << qint64(9);
    QTest::newRow("fraction rounds") << QByteArray("2.6 0\r\n") << 3 << qint64(0);
    QTest::newRow("half to even") << QByteArray("2.5 10.5") << 2 << qint64(10);
    QTest::newRow("empty") << QByteArray() << 0 << qint64(0);
}

void TestQuitPoints::readsTheFirstNumberOfTheFirstLine()
{
    QFETCH(QByteArray, content);
    QFETCH(int, slide);
    QFETCH(qint64, position);
    StorageTestHome home;
    WriteFile(home.Folders.QuitPointPath + u"show.txt"_s, content);
    const auto point = ReadQuitPoint(home.Folders, u"show.zentil"_s);
    QVERIFY(point.has_value());
    QCOMPARE(point->SlideIndex, slide);
    QCOMPARE(point->Position, position);
}

void TestQuitPoints::lastFolderRoundTrip()
{
    StorageTestHome home;
    const QString file = home.Cache(u"lastopenfolder.txt"_s);
    home.Folders.ZentilSavePath = home.Dir.filePath(u"Präsentationen mit Leerzeichen"_s);
    SetLastSaveFolder(home.Folders);
    QCOMPARE(ReadAll(file), home.Folders.ZentilSavePath.toUtf8() + "\r\n");
    QCOMPARE(GetLastSaveFolder(home.Folders), home.Folders.ZentilSavePath);

    home.Folders.ZentilSavePath.clear();
    SetLastSaveFolder(home.Folders);
    QCOMPARE(home.Folders.ZentilSavePath, QDir::homePath());

    WriteFile(file, "   \r\n");
    QCOMPARE(GetLastSaveFolder(home.Folders), QDir::homePath());
    QCOMPARE(ReadAll(file), QDir::homePath().toUtf8() + "\r\n");
}

QTEST_GUILESS_MAIN(TestQuitPoints)
#include "tst_quitpoints.moc"
