#include "playback/SaveCommand.h"

#include "playback/WavePlayer.h"
#include "script/PresentationModel.h"
#include "storage/StorageTestHome.h"
#include "support/SilentWave.h"

#include <QTest>

using namespace zentil;
using namespace Qt::Literals::StringLiterals;

namespace {

// A two-slide show with its script, two set files and both thumbnails in one folder.
struct SavableShow {
    StorageTestHome Home;
    SlideShowModel Model;
    QString Folder;

    SavableShow()
    {
        Folder = Home.Dir.filePath(u"talk"_s);
        WriteFile(Folder + u"/talk.zentil"_s, "/slide {}\r\n");
        WriteFile(Folder + u"/resources/a.jpg"_s, "a");
        WriteFile(Folder + u"/resources/b.ogg"_s, "b");
        WriteFile(Folder + u"/thumbnails/thumbnail001.jpg"_s, "1");
        WriteFile(Folder + u"/thumbnails/thumbnail002.jpg"_s, "2");
        Home.Folders.ResourcePath = Folder + u"/resources"_s;
        Home.Folders.ThumbnailPath = Folder + u"/thumbnails"_s;
        Home.Folders.ZentilSavePath = Home.Dir.path();
        Model.Defn.ScriptShortName = u"talk.zentil"_s;
        Model.Defn.ScriptParentFolder = Folder;
        Model.Defn.PreloadSet = 1;
        Model.Defn.DownloadSet = 2;
        Model.ResourceArray = { { { { u"a.jpg"_s, 1 } } }, { { { u"b.ogg"_s, 1 } } } };
        Model.Slides.resize(2);
    }

    SaveCommandContext Context(WavePlayer* narration = nullptr)
    {
        return { Home.Folders, Model, narration, Home.Log,
            [] { QCoreApplication::processEvents(); } };
    }
};

// Scripted answers that record what the user was asked.
struct Answers {
    QString Folder;
    bool Yes = false;
    QStringList Told;
    QStringList Asked;
    QString Proposed;

    SaveQuestions Questions()
    {
        return { [this](const QString& start, const QString& proposed) {
                    Proposed = QDir(start).filePath(proposed);
                    return Folder;
                },
            [this](const QString& text) { Told << text; },
            [this](const QString& text) {
                Asked << text;
                return Yes;
            } };
    }
};

} // namespace

class SaveCommandTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void missingFilesRefuseBeforeAsking()
    {
        SavableShow show;
        QFile::remove(show.Folder + u"/resources/b.ogg"_s);
        Answers answers;
        auto context = show.Context();
        QVERIFY(!ExecuteFileSave1(context, answers.Questions()));
        QCOMPARE(answers.Told.size(), 1);
        QVERIFY(answers.Told[0].endsWith(u"last file is downloaded."_s));
        QVERIFY2(answers.Proposed.isEmpty(), "no folder is asked for");
    }

    void choicesLeadToTheirOutcome_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<int>("told");
        QTest::addColumn<int>("asked");
        QTest::newRow("cancelled") << QString() << false << false << 0 << 0;
        QTest::newRow("fresh folder") << u"fresh"_s << false << true << 0 << 0;
        QTest::newRow("fresh, named like a script") << u"fresh.zentil"_s << false << true << 0 << 0;
        QTest::newRow("its own folder") << u"talk"_s << false << false << 0 << 0;
        QTest::newRow("the cache") << u"home/cache/talk"_s << false << false << 1 << 0;
        QTest::newRow("over a show, no") << u"older"_s << false << false << 0 << 1;
        QTest::newRow("over a show, yes") << u"older"_s << true << true << 0 << 1;
    }
    void choicesLeadToTheirOutcome()
    {
        QFETCH(QString, choice);
        QFETCH(bool, yes);
        QFETCH(bool, saved);
        QFETCH(int, told);
        QFETCH(int, asked);
        SavableShow show;
        WriteFile(show.Home.Dir.filePath(u"older/talk.zentil"_s), "older");
        Answers answers;
        answers.Folder = choice.isEmpty() ? QString() : show.Home.Dir.filePath(choice);
        answers.Yes = yes;
        auto context = show.Context();
        QCOMPARE(ExecuteFileSave1(context, answers.Questions()), saved);
        QCOMPARE(answers.Proposed, show.Home.Dir.filePath(u"talk"_s));
        QCOMPARE(answers.Told.size(), told);
        QCOMPARE(answers.Asked.size(), asked);
        const QString target = show.Home.Dir.filePath(choice).remove(u".zentil"_s);
        if (saved)
            QCOMPARE(ReadAll(target + u"/resources/b.ogg"_s), QByteArray("b"));
        if (choice == u"older"_s && !yes)
            QCOMPARE(ReadAll(target + u"/talk.zentil"_s), QByteArray("older"));
    }

    void narrationPausesWhileTheUserChooses()
    {
        SavableShow show;
        const QString wave = show.Home.Dir.filePath(u"n.wav"_s);
        QVERIFY(test::WriteSilentWave(wave, 5000));
        WavePlayer player(1, WaveOutputChoice::Silent);
        player.SetFileName(wave);
        player.Command(WaveCommand::Open);
        player.Command(WaveCommand::Play);
        Answers answers;
        WaveMode modeWhileAsked = WaveMode::NotOpen;
        SaveQuestions questions = answers.Questions();
        questions.ChooseFolder = [&](const QString&, const QString&) {
            modeWhileAsked = player.Mode();
            return QString();
        };
        auto context = show.Context(&player);
        ExecuteFileSave1(context, questions);
        QCOMPARE(modeWhileAsked, WaveMode::Paused);
        QCOMPARE(player.Mode(), WaveMode::Playing);
    }
};

QTEST_MAIN(SaveCommandTest)
#include "tst_savecommand.moc"
