#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "platform/MonotonicClock.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "script/SlideStructureDump.h"
#include "storage/ZentilFolders.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

class CountingReporter : public ErrorReporter {
public:
    void ExecuteFatalError(const FatalError&) override { ++fatal; }
    int fatal = 0;
};

// Pieces malformed scripts are made of: sections, directives and argument shapes the parser
// has to survive in any order.
const char* const kPieces[] = { "%slide", "%SUBSLIDE +1.5", "%subslide -3", "%subslide 9e99",
    "%background", "%resource", "%info", "%title {", "%endslide", "%", "/play {a.ogg}", "/play {}",
    "/play", "/image {0 0 b.jpg}", "/image {", "/resource {a.ogg [12] | b.jpg [x] |}",
    "/resource {[", "/purge {a.jpg}", "/resourceserver {http://h PORT}", "/data {kbps kbps}",
    "/text {\\255\\256\\0}", "{}", "}{", "|", "/box", "   ", "\\", "/name {..}", "/version {9}" };

} // namespace

class tst_MalformedScripts : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    MonotonicClock clock_;

    // Reads a file as the player does and, when it holds statements, loads and dumps it.
    void Replay(const QString& path)
    {
        ZentilFolders folders;
        folders.ZTTempPath = dir_.filePath(u"temp"_s);
        folders.ResourcePath = dir_.filePath(u"resources"_s);
        folders.QuitPointPath = dir_.filePath(u"quit/"_s);
        QDir().mkpath(folders.ZTTempPath);
        DebugLog log(clock_, true); // the trace paths run too (no file is open)
        ScriptStatements script;
        LoadScriptFromFile(path, folders.ZTTempPath, script, log);
        if (script.MaxScriptIndex() == 0)
            return;
        CountingReporter reporter;
        SlideShowModel model;
        model.Defn.ScriptShortName = QFileInfo(path).fileName();
        const LoadOutcome outcome
            = LoadSlideShow(script, model, LoadContext { folders, reporter, log, true, {} });
        QCOMPARE(reporter.fatal, outcome == LoadOutcome::FatalError ? 1 : 0);
        if (outcome == LoadOutcome::Loaded) {
            QVERIFY(model.SlideCount() >= 1);
            QVERIFY(model.BackCount() >= 1);
            for (const Slide& slide : model.Slides) {
                QVERIFY(!slide.ResourceName.empty());
                QVERIFY(slide.BackgroundIndex >= 1 && slide.BackgroundIndex <= model.BackCount());
                for (size_t k = 1; k < slide.SubSlide.size(); ++k)
                    QVERIFY(slide.SubSlide[k].StartTime >= slide.SubSlide[k - 1].StartTime);
            }
            QVERIFY(model.Defn.PreloadSet >= 0 && model.Defn.PreloadSet <= model.ResourceCount());
            QVERIFY(model.Defn.DownloadSet >= 0 && model.Defn.DownloadSet <= model.ResourceCount());
            QVERIFY(!FormatSlideStructure(model).isEmpty());
        }
    }

private Q_SLOTS:
    void corpusFilesAreReadWithoutHarm()
    {
        const QDir corpus(QStringLiteral(ZENTIL_FIXTURES_DIR) + u"/script/malformed"_s);
        const QStringList files = corpus.entryList(QDir::Files);
        QVERIFY(files.size() >= 5);
        for (const QString& file : files)
            Replay(corpus.filePath(file));
        // Every fixture of the other tests too.
        const QDir fixtures(QStringLiteral(ZENTIL_FIXTURES_DIR) + u"/script"_s);
        for (const QString& sub : fixtures.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QDir d(fixtures.filePath(sub));
            for (const QString& file : d.entryList({ u"*.zentil"_s }, QDir::Files))
                Replay(d.filePath(file));
        }
    }

    void generatedScriptsAreReadWithoutHarm()
    {
        QRandomGenerator random(20261206); // fixed, so a failure can be replayed
        const int pieces = static_cast<int>(std::size(kPieces));
        const char* const separators[] = { "\r\n", "\n", "\t", "\r", " ", "\x01" };
        for (int round = 0; round < 250; ++round) {
            QByteArray bytes;
            const int n = static_cast<int>(random.bounded(1, 40));
            for (int i = 0; i < n; ++i) {
                bytes += kPieces[random.bounded(pieces)];
                if (random.bounded(8) == 0)
                    bytes += static_cast<char>(random.bounded(256));
                bytes += separators[random.bounded(static_cast<int>(std::size(separators)))];
            }
            const QString path = dir_.filePath(u"gen.zentil"_s);
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
            f.close();
            Replay(path);
            if (QTest::currentTestFailed()) {
                qWarning("round %d: %s", round, bytes.toHex().constData());
                return;
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_MalformedScripts)
#include "tst_malformedscripts.moc"
