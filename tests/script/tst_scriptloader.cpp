#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "platform/MonotonicClock.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "script/SlideStructureDump.h"
#include "storage/ZentilFolders.h"
#include "tool/ScriptToolCommands.h"

#include "support/RecordingReporter.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using namespace zentil::test;

class tst_ScriptLoader : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    MonotonicClock clock_;
    ZentilFolders folders_;
    RecordingReporter reporter_;
    int testNumber_ = 0;

    SlideShowModel Load(const QString& text, bool expectLoaded = true, bool applyPurge = true)
    {
        ScriptStatements script;
        SplitScriptBytes(text.toUtf8(), script.ScriptArray);
        SlideShowModel model;
        model.Defn.ScriptShortName = u"show.zentil"_s;
        DebugLog log(clock_, false);
        reporter_ = RecordingReporter();
        const LoadOutcome outcome = LoadSlideShow(
            script, model, LoadContext { folders_, reporter_, log, applyPurge, {} });
        if ((outcome == LoadOutcome::Loaded) != expectLoaded)
            qWarning("unexpected load outcome");
        return model;
    }

private Q_SLOTS:
    void init()
    {
        const QString root = dir_.filePath(QString::number(++testNumber_));
        folders_ = ZentilFolders();
        folders_.ResourcePath = root + u"/resources"_s;
        folders_.ThumbnailPath = root + u"/thumbnails"_s;
        folders_.ZTTempPath = root + u"/temp"_s;
        folders_.QuitPointPath = root + u"/quitpoints/"_s;
        for (const QString& p :
            { folders_.ResourcePath, folders_.ZTTempPath, folders_.QuitPointPath })
            QDir().mkpath(p);
    }

    void structureDumpsMatchHandCheckedFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("rich") << u"rich"_s;
        QTest::newRow("probe") << u"probe"_s;
        QTest::newRow("backgrounds") << u"backgrounds"_s;
    }
    void structureDumpsMatchHandCheckedFiles()
    {
        QFETCH(QString, name);
        const QString folder = QStringLiteral(ZENTIL_FIXTURES_DIR) + u"/script/"_s + name;
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        QCOMPARE(
            RunDumpCommand({ folder + u"/"_s + name + u".zentil"_s }, outStream, errStream), 0);
        const QString expected = QString::fromUtf8(ReadAll(folder + u"/expected-dump.txt"_s))
                                     .replace(u"@FOLDER@"_s, QDir(folder).absolutePath());
        const QStringList got = out.split(u'\n');
        const QStringList want = expected.split(u'\n');
        for (qsizetype i = 0; i < std::min(got.size(), want.size()); ++i)
            QVERIFY2(got[i] == want[i],
                qPrintable(u"line %1: '%2' != '%3'"_s.arg(i + 1).arg(got[i], want[i])));
        QCOMPARE(got.size(), want.size());
    }

    void toolCommandsReportAndFail()
    {
        const QString script = dir_.filePath(u"noslides.zentil"_s);
        WriteFile(script, "%title {T}\r\n%slide\r\n/play {x.mp3}\r\n/text {1 1 a}\r\n");
        QString out, err;
        QTextStream o(&out), e(&err);
        QCOMPARE(RunDumpCommand({ script }, o, e), 1);
        QVERIFY2(err.contains(u"Zentil Script File Corrupted: Zentil cannot continue running T "
                              "because the sound file for slide 1 is undefined."_s),
            qPrintable(err));
        QVERIFY(out.isEmpty());
        QCOMPARE(RunDumpCommand({ dir_.filePath(u"missing.zentil"_s) }, o, e), 1);

        const QString scrambled = dir_.filePath(u"s.zentil"_s);
        const QString back = dir_.filePath(u"back.zentil"_s);
        QCOMPARE(RunScrambleCommand({ script, scrambled, u"--key-start"_s, u"77"_s }, o, e), 0);
        QCOMPARE(RunUnscrambleCommand({ scrambled, back }, o, e), 0);
        QCOMPARE(ReadAll(back), ReadAll(script));
        QCOMPARE(RunUnscrambleCommand({ script, back }, o, e), 1);
        QCOMPARE(RunScrambleCommand({ script }, o, e), 2);
    }

    void infoTitleAndResourceSets()
    {
        const SlideShowModel m
            = Load(u"%info\n/Title {Cells}\n/title {}\n/AUTHOR { Ann }\n"
                   "/data {KBPS 16 x length 12.5 filesize 9000}\n/version {v2}\n"
                   "%title {An extremely long presentation title here}\n"
                   "%resource\n/resource {a.jpg [1200] b.mp4 c.d.gif | e.ogg [9000]}\n"
                   "%slide\n/play {e.ogg}\n/image {0 0 a.jpg}"_s);
        QCOMPARE(m.Info.TitleText, u"Cells\r"_s);
        QCOMPARE(m.Info.AuthorText, u"Ann\r"_s);
        QCOMPARE(m.Info.VersionText, u"v2"_s);
        QCOMPARE(m.Info.DataKbps, 16);
        QCOMPARE(m.Info.DataLength, 12);
        QCOMPARE(m.Info.DataFileSize, 9000);
        QCOMPARE(m.Defn.ShowTitle, u"An extremely long presentation titl"_s);
        QCOMPARE(m.Defn.PreloadSet, 1);
        QCOMPARE(m.Defn.DownloadSet, 2);
        // e.ogg moved to the preload set with its size, since the first slide needs it.
        QCOMPARE(m.ResourceSetAt(1).ResourceCount(), 2);
        QCOMPARE(m.ResourceSetAt(1).Files[0].ResourceSize, 1200);
        QCOMPARE(m.ResourceSetAt(1).Files[1].ResourceName, u"e.ogg"_s);
        QCOMPARE(m.ResourceSetAt(1).Files[1].ResourceSize, 9000);
        QCOMPARE(m.ResourceSetAt(2).ResourceCount(), 0);
        QCOMPARE(m.SlideOggFileSize, std::vector<int32_t> { 9000 });
    }

    void narrationComesFirstAndFilesOnce()
    {
        for (const QString& body : { u"/play {a.ogg}\n/image {0 0 b.jpg}"_s,
                 u"/image {0 0 b.jpg}\n/play {a.ogg}\n/image {1 1 B.JPG}"_s }) {
            const SlideShowModel m = Load(u"%slide\n"_s + body);
            QCOMPARE(m.SlideAt(1).ResourceName, (std::vector<QString> { u"a.ogg"_s, u"b.jpg"_s }));
        }
        const SlideShowModel m = Load(u"%slide\n/play {talk.mp3}\n/image {0 0 p.gif}"_s);
        QVERIFY(m.SlideAt(1).WaveFileName.isEmpty());
        QCOMPARE(m.Messages.back().Text,
            u"A valid sound file was not specified for the /play command."_s);
        QCOMPARE(reporter_.Problems.front().Statement, 2);
    }

    // A background's pictures are stored once for all the slides drawn on it; each slide still
    // lists them first, each name once, with its narration exchanged to the front.
    void backgroundPicturesAreSharedBySlides()
    {
        const SlideShowModel m = Load(
            u"%resource\n/resource {b1.jpg [10] b2.jpg [20] s1.ogg [2340] x.jpg [40] s2.ogg "
            u"[4680]}\n"
            "%background\n/image {0 0 b1.jpg}\n/image {5 5 B1.jpg}\n/image {0 0 b2.jpg}\n"
            "%slide\n/play {s1.ogg}\n/image {0 0 B2.jpg}\n"
            "%slide\n/image {0 0 x.jpg}\n/play {s2.ogg}\n"
            "%background\n/image {0 0 n.ogg}\n/image {0 0 c.gif}\n"
            "%slide\n/text {1 1 a}\n"
            "%slide\n/text {1 1 b}\n%background\n/image {0 0 d.bmp}\n%subslide 1\n%subslide 2\n"
            "%slide\n/play {s5.ogg}"_s);
        using Names = std::vector<QString>;
        QCOMPARE(m.SlideAt(1).ResourceName, (Names { u"s1.ogg"_s, u"b2.jpg"_s, u"b1.jpg"_s }));
        QCOMPARE(m.SlideAt(2).ResourceName,
            (Names { u"s2.ogg"_s, u"b2.jpg"_s, u"x.jpg"_s, u"b1.jpg"_s }));
        QCOMPARE(m.SlideAt(3).ResourceName, (Names { u"n.ogg"_s, u"c.gif"_s }));
        QCOMPARE(m.SlideAt(4).ResourceName, (Names { u"n.ogg"_s, u"c.gif"_s, u"d.bmp"_s }));
        QCOMPARE(m.SlideAt(5).ResourceName, (Names { u"s5.ogg"_s, u"d.bmp"_s }));
        QVERIFY(m.SlideAt(1).ResourceName.Shared());
        QCOMPARE(m.SlideAt(1).ResourceName.Shared(), m.SlideAt(2).ResourceName.Shared());
        QCOMPARE(m.SlideAt(3).ResourceName.Shared(), m.SlideAt(4).ResourceName.Shared());

        // A shared file counts for the first slide that needs it.
        QCOMPARE(m.SlideDownLoadSize, (std::vector<int32_t> { 2370, 4720, 0, 0, 0 }));
        QCOMPARE(m.SlideOggFileSize, (std::vector<int32_t> { 2340, 4680, 0, 0, 0 }));
        const QString resources = folders_.ResourcePath + u"/"_s;
        QCOMPARE(m.ThumbnailResources,
            (Names { resources + u"b2.jpg"_s, resources + u"b2.jpg"_s, resources + u"c.gif"_s,
                resources + u"c.gif"_s, resources + u"d.bmp"_s }));
        QCOMPARE(m.Queue.Text(), u"s1.ogg b2.jpg b1.jpg | x.jpg s2.ogg n.ogg c.gif d.bmp s5.ogg"_s);
    }

    // Ovals, polygons and polylines are drawing statements like boxes and lines: they are kept
    // in backgrounds, slides and subslides so that they reach the drawing code.
    void shapesAreKeptLikeBoxesAndLines()
    {
        const QString shapes
            = u"/oval {1 1 9 9}\n/Polygon {1 1 9 1 5 9 0}\n/polyline {1 1 9 9 0}\n"_s;
        const SlideShowModel m = Load(u"%background\n"_s + shapes + u"%slide\n/play {a.ogg}\n"_s
            + shapes + u"%subslide 1\n"_s + shapes);
        const QStringList expected { u"/oval {1 1 9 9}"_s, u"/Polygon {1 1 9 1 5 9 0}"_s,
            u"/polyline {1 1 9 9 0}"_s };
        const auto asList
            = [](const std::vector<QString>& v) { return QStringList(v.begin(), v.end()); };
        QCOMPARE(asList(m.BackgroundAt(2).ScriptText), expected);
        QCOMPARE(asList(m.SlideAt(1).ScriptText).mid(1), expected); // after its "/play"

        QCOMPARE(asList(m.SlideAt(1).SubSlide.front().ScriptText), expected);
    }

    void singleSetBecomesDownloadSetWithNewPreload()
    {
        const SlideShowModel m = Load(u"%resource\n/resource {a.ogg b.jpg c.ogg}\n"
                                      "%slide\n/play {a.ogg}\n%slide\n/play {c.ogg}"_s);
        QCOMPARE(m.Defn.DownloadSet, 1);
        QCOMPARE(m.Defn.PreloadSet, 2);
        QCOMPARE(m.ResourceCount(), 2);
        QCOMPARE(m.ResourceSetAt(2).Files.front().ResourceName, u"a.ogg"_s);
        QCOMPARE(m.ResourceSetAt(1).ResourceCount(), 2); // moved, not copied
        // No sizes known: the marker follows the preload files.
        QCOMPARE(m.Queue.Text(), u"a.ogg | b.jpg c.ogg"_s);
        QCOMPARE(m.PreStartFileCount, 1);
        QCOMPARE(m.PostStartFileCount, 2);
    }

    void queueLeavesOutPresentFilesAndKeepsTheMarker()
    {
        WriteFile(folders_.ResourcePath + u"/a.ogg"_s, "x");
        WriteFile(folders_.ResourcePath + u"/b.jpg"_s, "x");
        SlideShowModel m
            = Load(u"%resource\n/resource {a.ogg [10] | b.jpg [5]}\n%slide\n/play {a.ogg}"_s);
        QCOMPARE(m.Queue.Text(), u"|"_s);
        QCOMPARE(m.Map.Count(), 2);
        QCOMPARE(m.SlideDownLoadSize, std::vector<int32_t> { 0 });
        QFile::remove(folders_.ResourcePath + u"/b.jpg"_s);
        m = Load(u"%resource\n/resource {a.ogg [10] | b.jpg [5]}\n%slide\n/play {a.ogg}"_s);
        QCOMPARE(m.Queue.Text(), u"| b.jpg"_s);
        QCOMPARE(m.Map.GetMapIndex(u"B.JPG"_s), 2);
    }

    void hostileNamesAreNeitherMappedNorQueued()
    {
        WriteFile(dir_.filePath(u"victim.jpg"_s), "x");
        const SlideShowModel m = Load(
            u"%resource\n/resource {../victim.jpg [9] /etc/x.jpg sub\\y.gif ok.jpg}\n"
            "/purge {../victim.jpg 999999999999 .. 999999999999}\n"
            "%slide\n/play {../../x.ogg}\n/image {0 0 ../victim.jpg}\n/image {0 0 ok.jpg}"_s);
        QVERIFY(QFile::exists(dir_.filePath(u"victim.jpg"_s)));
        QCOMPARE(m.Map.Count(), 1);
        QCOMPARE(m.Map.At(1).ResourceName, u"ok.jpg"_s);
        QVERIFY(!m.Queue.Text().contains(u"victim"_s));
        QCOMPARE(m.SlideAt(1).ScriptText, std::vector<QString> { u"/image {0 0 ok.jpg}"_s });
        QCOMPARE(reporter_.Problems.size(), size_t(7));
    }

    void fontsPassOnlyInResourceLists()
    {
        const SlideShowModel m = Load(
            u"%resource\n/resource {f.ttf | a.ogg}\n%slide\n/play {a.ogg}\n/image {0 0 g.ttf}"_s);
        QCOMPARE(m.ResourceSetAt(1).Files.front().ResourceName, u"f.ttf"_s);
        QCOMPARE(m.SlideAt(1).ResourceName, std::vector<QString> { u"a.ogg"_s });
        QCOMPARE(m.Queue.Text(), u"f.ttf a.ogg |"_s);
        // A font stored by an earlier run is not fetched again.
        WriteFile(folders_.ResourcePath + u"/f.ttf"_s, "x");
        QCOMPARE(
            Load(u"%resource\n/resource {f.ttf | a.ogg}\n%slide\n/play {a.ogg}"_s).Queue.Text(),
            u"a.ogg |"_s);

        // File types are told apart whatever the letter case of the extension.
        const SlideShowModel upper = Load(u"%resource\n/resource {Second.TTF | Talk.OGG Pic.JPEG}\n"
                                          "%slide\n/image {0 0 Pic.JPEG}\n/play {Talk.OGG}"_s);
        QCOMPARE(upper.ResourceSetAt(1).Files.front().ResourceName, u"Second.TTF"_s);
        QCOMPARE(
            upper.SlideAt(1).ResourceName, (std::vector<QString> { u"Talk.OGG"_s, u"Pic.JPEG"_s }));
        QCOMPARE(upper.SlideAt(1).WaveFileName, u"Talk.OGG"_s);
        QCOMPARE(upper.Queue.Text(), u"Second.TTF Talk.OGG Pic.JPEG |"_s);
    }

    // Out-of-date cached files are deleted before the loader lists the files present, so they
    // are queued to be fetched again; zentil-tool (ApplyPurge off) leaves them alone.
    void purgedFilesAreFetchedAgain_data()
    {
        QTest::addColumn<bool>("applyPurge");
        QTest::newRow("player") << true;
        QTest::newRow("tool") << false;
    }
    void purgedFilesAreFetchedAgain()
    {
        QFETCH(bool, applyPurge);
        folders_.ZentilCachePath = dir_.path();
        const QString old = folders_.ResourcePath + u"/old.jpg"_s;
        WriteFile(old, "x");
        const QString future = QDateTime::currentDateTime().addYears(1).toString(u"yyyyMMddHHmm"_s);
        const SlideShowModel m = Load(u"%resource\n/resource {a.ogg old.jpg}\n/purge {old.jpg "_s
                + future + u"}\n%slide\n/play {a.ogg}\n/image {0 0 old.jpg}"_s,
            true, applyPurge);
        QCOMPARE(QFile::exists(old), !applyPurge);
        QCOMPARE(m.Queue.Text().contains(u"old.jpg"_s), applyPurge);
    }

    void startSlideFollowsTheQuitPoint_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("filesPresent");
        QTest::addColumn<int>("start");
        QTest::newRow("beyond the end") << u"999 1200"_s << true << 12;
        QTest::newRow("zero") << u"0"_s << true << 1;
        QTest::newRow("middle") << u"  7 300"_s << true << 7;
        QTest::newRow("files missing") << u"7"_s << false << 4;
        QTest::newRow("garbage") << u"x7"_s << true << 1;
    }
    void startSlideFollowsTheQuitPoint()
    {
        QFETCH(QString, stored);
        QFETCH(bool, filesPresent);
        QFETCH(int, start);
        QString text;
        for (int i = 1; i <= 12; ++i) {
            text += u"%slide\n/play {s"_s + QString::number(i) + u".ogg}\n"_s;
            if (filesPresent || i != 5)
                WriteFile(folders_.ResourcePath + u"/s"_s + QString::number(i) + u".ogg"_s, "x");
        }
        WriteFile(folders_.QuitPointPath + u"show.txt"_s, stored.toUtf8() + "\r\n");
        QCOMPARE(Load(text).StartSlide, start);
    }

    void connectionSettings()
    {
        ConnectionSettings c = ParseConnectionSettings(u"http://example.org/show"_s);
        QCOMPARE(c.ServerAddress, u"http://example.org/show/"_s);
        QCOMPARE(c.Port, uint16_t(80));
        c = ParseConnectionSettings(
            u"ftp://f.example.org/ Port 2121 passive USER ann PassWord pw"_s);
        QCOMPARE(c.Port, uint16_t(2121));
        QCOMPARE(c.UserName, u"ann"_s);
        QCOMPARE(c.Password, u"pw"_s);
        QCOMPARE(ParseConnectionSettings(u"HTTP://x/"_s).Port, uint16_t(80));
        QCOMPARE(ParseConnectionSettings(u"x.org"_s).Port, uint16_t(21));
    }

    void fatalErrorsStopTheLoad()
    {
        Load(u"%title {Empty}\n%resource\n/resource {a.ogg}"_s, false);
        QCOMPARE(reporter_.Fatal.size(), size_t(1));
        QCOMPARE(reporter_.Fatal[0].Kind, FatalErrorKind::SlideCount);
        QVERIFY(reporter_.Fatal[0].Text.contains(u"running Empty because"_s));
        Load(u"%slide\n/play {a.ogg}\n%slide\n/text {1 1 x}\n%slide"_s, false);
        QCOMPARE(reporter_.Fatal.size(), size_t(1));
        QCOMPARE(reporter_.Fatal[0].Kind, FatalErrorKind::SoundFile);
        QVERIFY(reporter_.Fatal[0].Text.contains(
            u"running show.zentil because the sound file for slide 2 "_s));
    }

    void traceModeWritesTheStructureFile()
    {
        ScriptStatements script;
        SplitScriptBytes("%slide\n/play {a.ogg}", script.ScriptArray);
        SlideShowModel model;
        DebugLog log(clock_, true);
        WriteFile(folders_.ZTTempPath + u"/slidestructure.txt"_s, "old");
        QCOMPARE(LoadSlideShow(script, model, LoadContext { folders_, reporter_, log, true, {} }),
            LoadOutcome::Loaded);
        const QByteArray bytes = ReadAll(folders_.ZTTempPath + u"/slidestructure.txt"_s);
        QVERIFY(bytes.startsWith("With SlideShowDefn\r\n  .ShowTitle = \r\n"));
        QCOMPARE(bytes.count("\r\n"), bytes.count("\n"));
        QCOMPARE(QString::fromUtf8(bytes).split(u"\r\n"_s).size() - 1,
            FormatSlideStructure(model).size());
    }

    void downloadListWrapsAtNinetyColumns()
    {
        QString list;
        for (int i = 0; i < 30; ++i)
            list += u"file"_s + QString::number(i) + u".ogg "_s + (i == 3 ? u"| "_s : QString());
        const QStringList lines = WrapDownloadList(list.trimmed());
        QVERIFY(lines.size() > 2);
        QVERIFY(lines.front().startsWith(u"DownloadList = file0.ogg"_s));
        for (const QString& line : lines) {
            QVERIFY(line.size() <= 90);
            QVERIFY(!line.endsWith(u' '));
        }
        QVERIFY(lines[1].startsWith(QString(15, u' ') + u"file"_s));
        QCOMPARE(lines.join(u' ').simplified(), QString(u"DownloadList = "_s + list).simplified());
        QCOMPARE(WrapDownloadList(QString(100, u'x')).size(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_ScriptLoader)
#include "tst_scriptloader.moc"
