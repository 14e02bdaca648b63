#include "storage/PresentationSaving.h"

#include "storage/FileTree.h"
#include "storage/QuitPoints.h"
#include "support/StorageTestHome.h"

#include <QTest>

using namespace zentil;
using namespace zentil::test;
using namespace Qt::Literals::StringLiterals;

namespace {

// A presentation as the player holds it: script, resources and thumbnails in one folder.
struct ShowFolder {
    QString Folder;
    QString Script;
    ZentilFolders& Folders;

    ShowFolder(const QString& folder, ZentilFolders& folders)
        : Folder(folder)
        , Script(folder + u"/talk.zentil"_s)
        , Folders(folders)
    {
        WriteFile(Script, "/slide {}\r\n");
        WriteFile(folder + u"/resources/one.jpg"_s, QByteArray(5000, 'a'));
        WriteFile(folder + u"/resources/one.ogg"_s, QByteArray(7000, 'b'));
        WriteFile(folder + u"/thumbnails/thumbnail001.jpg"_s, "thumb");
        folders.ResourcePath = folder + u"/resources"_s;
        folders.ThumbnailPath = folder + u"/thumbnails"_s;
    }
};

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class PresentationSavingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusalNamesWhatIsMissing_data()
    {
        QTest::addColumn<int>("resources");
        QTest::addColumn<int>("thumbnails");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("nothing missing") << 0 << 0 << QString();
        QTest::newRow("one file") << 1 << 4 << u"last file is downloaded."_s;
        QTest::newRow("two files") << 2 << 0 << u"last 2 files are downloaded."_s;
        QTest::newRow("one thumbnail") << 0 << 1 << u"last thumbnail file is created."_s;
        QTest::newRow("thumbnails") << 0 << 3 << u"last 3 thumbnail files are created."_s;
    }
    void refusalNamesWhatIsMissing()
    {
        QFETCH(int, resources);
        QFETCH(int, thumbnails);
        QFETCH(QString, lastLine);
        const QString text = SaveRefusalText({ resources, thumbnails });
        QCOMPARE(text.section(u'\r', 2), lastLine);
    }

    void missingFilesAreCounted()
    {
        StorageTestHome home;
        ShowFolder show(home.Dir.filePath(u"show"_s), home.Folders);
        const MissingShowFiles missing = CheckSlideShowRsrcs(
            { u"one.jpg"_s, u"two.jpg"_s, u"three.ogg"_s }, 3, home.Folders, home.Log);
        QCOMPARE(missing.Resources, 2);
        QCOMPARE(missing.Thumbnails, 2);
        QVERIFY(home.Trace().contains(u"CheckSlideShowRsrcs - ResourcesFound = False"_s));
    }

    void chosenFolderIsJudged()
    {
        StorageTestHome home;
        ShowFolder show(home.Dir.filePath(u"show"_s), home.Folders);
        const QString other = home.Dir.filePath(u"other"_s);
        WriteFile(other + u"/talk.zentil"_s, "old");
        const QString link = home.Dir.filePath(u"link"_s);
        QVERIFY(QFile::link(show.Folder, link));
        const auto verdict = [&](const QString& chosen) {
            return ResolveSaveTarget(chosen, show.Folder, u"talk.zentil"_s, home.Folders).Verdict;
        };
        QCOMPARE(verdict(u"  "_s), SaveTargetVerdict::Nothing);
        QCOMPARE(verdict(show.Folder), SaveTargetVerdict::Nothing);
        QCOMPARE(verdict(link), SaveTargetVerdict::Nothing);
        QCOMPARE(verdict(home.Cache(u"talk"_s)), SaveTargetVerdict::InCache);
        QCOMPARE(verdict(show.Folder + u"/resources"_s), SaveTargetVerdict::InShowFolder);
        QCOMPARE(verdict(link + u"/new/deeper"_s), SaveTargetVerdict::InShowFolder);
        QCOMPARE(verdict(other), SaveTargetVerdict::AskReplace);
        QCOMPARE(verdict(home.Dir.path()), SaveTargetVerdict::AskSaveAmongOthers);
        QCOMPARE(verdict(home.Dir.filePath(u"fresh"_s)), SaveTargetVerdict::Save);
    }

    void savedFolderHasTheCacheLayout()
    {
        StorageTestHome home;
        ShowFolder show(home.Dir.filePath(u"show"_s), home.Folders);
        const QString target = home.Dir.filePath(u"saved/talk"_s);
        QStringList copiedTo;
        const FileCopier copier = [&](const QString& source, const QString& copy) {
            copiedTo << copy;
            return CopyFileKeepingTime(source, copy);
        };
        const SaveOutcome outcome
            = SavePresentation(target, show.Script, home.Folders, home.Log, copier);
        QVERIFY2(outcome.Saved, qPrintable(outcome.FailureText));
        QCOMPARE(
            Entries(target), QStringList({ u"resources"_s, u"talk.zentil"_s, u"thumbnails"_s }));
        QCOMPARE(Entries(target + u"/resources"_s), QStringList({ u"one.jpg"_s, u"one.ogg"_s }));
        QCOMPARE(ReadAll(target + u"/resources/one.ogg"_s), QByteArray(7000, 'b'));
        QCOMPARE(ReadAll(target + u"/thumbnails/thumbnail001.jpg"_s), QByteArray("thumb"));
        QCOMPARE(Entries(home.Dir.filePath(u"saved"_s)), QStringList({ u"talk"_s }));
        QCOMPARE(GetLastSaveFolder(home.Folders), home.Dir.filePath(u"saved"_s));
        // Staged inside the target, so a writable target under a read-only parent can be saved.
        QCOMPARE(copiedTo.filter(target + u'/').size(), copiedTo.size());
    }

    void savingDeletesNothingTheShowDoesNotName()
    {
        StorageTestHome home;
        ShowFolder show(home.Dir.filePath(u"show"_s), home.Folders);
        const QString target = home.Dir.filePath(u"old"_s);
        WriteFile(target + u"/talk.zentil"_s, "old script");
        WriteFile(target + u"/resources/one.jpg"_s, "older picture");
        WriteFile(target + u"/resources/mine.jpg"_s, "mine");
        WriteFile(target + u"/resources/drafts/a.txt"_s, "draft");
        WriteFile(target + u"/notes.txt"_s, "mine");
        QVERIFY(SavePresentation(target, show.Script, home.Folders, home.Log).Saved);
        QCOMPARE(ReadAll(target + u"/talk.zentil"_s), QByteArray("/slide {}\r\n"));
        QCOMPARE(ReadAll(target + u"/resources/one.jpg"_s), QByteArray(5000, 'a'));
        QCOMPARE(Entries(target + u"/resources"_s),
            QStringList({ u"drafts"_s, u"mine.jpg"_s, u"one.jpg"_s, u"one.ogg"_s }));
        QCOMPARE(Entries(target),
            QStringList({ u"notes.txt"_s, u"resources"_s, u"talk.zentil"_s, u"thumbnails"_s }));
    }

    void failedSaveKeepsTheOldCopy()
    {
        StorageTestHome home;
        ShowFolder show(home.Dir.filePath(u"show"_s), home.Folders);
        WriteFile(show.Folder + u"/resources/unreadable.jpg"_s, "x");
        // The copy breaks off at that file, as when it turns unreadable or the disk fills.
        const FileCopier copier = [](const QString& source, const QString& target) {
            return !source.endsWith(u"unreadable.jpg"_s) && CopyFileKeepingTime(source, target);
        };
        const QString target = home.Dir.filePath(u"old"_s);
        WriteFile(target + u"/talk.zentil"_s, "old script");
        WriteFile(target + u"/resources/kept.jpg"_s, "kept");
        home.Folders.ZentilSavePath = u"/before"_s;
        SetLastSaveFolder(home.Folders);
        const SaveOutcome outcome
            = SavePresentation(target, show.Script, home.Folders, home.Log, copier);
        QVERIFY(!outcome.Saved);
        QVERIFY2(
            outcome.FailureText.contains(u"unreadable.jpg"_s), qPrintable(outcome.FailureText));
        QCOMPARE(ReadAll(target + u"/talk.zentil"_s), QByteArray("old script"));
        QCOMPARE(Entries(target + u"/resources"_s), QStringList({ u"kept.jpg"_s }));
        QCOMPARE(Entries(target), QStringList({ u"resources"_s, u"talk.zentil"_s }));
        QCOMPARE(Entries(home.Dir.path()).filter(u"zentil-"_s), QStringList());
        QCOMPARE(GetLastSaveFolder(home.Folders), u"/before"_s);
        // A fresh folder the failed save made is gone again.
        const QString fresh = home.Dir.filePath(u"fresh/talk"_s);
        QVERIFY(!SavePresentation(fresh, show.Script, home.Folders, home.Log, copier).Saved);
        QVERIFY(!QFileInfo::exists(home.Dir.filePath(u"fresh"_s)));
    }
};

QTEST_GUILESS_MAIN(PresentationSavingTest)
#include "tst_presentationsaving.moc"
