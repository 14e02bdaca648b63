// The trace's procedure lines of the script subsystem: whichever way a procedure returns, its
// "Exit" line is written and the indentation is back where the "Enter" line found it.
#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "platform/MonotonicClock.h"
#include "script/PresentationModel.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "script/WorkingCopies.h"
#include "storage/ZentilFolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

class QuietReporter : public ErrorReporter {
public:
    void ExecuteFatalError(const FatalError&) override { }
};

enum class Call {
    ReadMissingScript,
    ReadScriptWithoutTempFolder,
    ReadScript,
    LoadWithoutSlides,
    LoadSlideWithoutNarration,
    LoadShow,
    CopyMissingResource,
    CopyResource,
};

} // namespace

Q_DECLARE_METATYPE(Call)

class tst_ScriptTrace : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyReturnWritesTheExitLine_data();
    void everyReturnWritesTheExitLine();
};

void tst_ScriptTrace::everyReturnWritesTheExitLine_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("exitLine");
    QTest::newRow("script missing")
        << Call::ReadMissingScript << u"Exit:   LoadScriptFromFile - no such file"_s;
    QTest::newRow("script refused") << Call::ReadScriptWithoutTempFolder
                                    << u"Exit:   LoadScriptFromFile - MaxScriptIndex = 0"_s;
    QTest::newRow("script read") << Call::ReadScript
                                 << u"Exit:   LoadScriptFromFile - MaxScriptIndex = 4"_s;
    QTest::newRow("show without slides") << Call::LoadWithoutSlides << u"Exit:   LoadSlideShow"_s;
    QTest::newRow("slide without narration")
        << Call::LoadSlideWithoutNarration << u"Exit:   LoadSlideShow"_s;
    QTest::newRow("show loaded") << Call::LoadShow
                                 << u"Exit:   LoadSlideShow - SlideCount = 1, StartSlide = 1"_s;
    QTest::newRow("resource missing") << Call::CopyMissingResource << u"Exit:   DecompressFile"_s;
    QTest::newRow("resource copied") << Call::CopyResource << u"Exit:   DecompressFile"_s;
}

void tst_ScriptTrace::everyReturnWritesTheExitLine()
{
    QFETCH(Call, call);
    QFETCH(QString, exitLine);
    QTemporaryDir dir;
    MonotonicClock clock;
    DebugLog log(clock, true);
    log.OpenDebugFile(dir.path());
    ZentilFolders folders;
    folders.ZTTempPath = dir.filePath(u"temp"_s);
    folders.ResourcePath = dir.filePath(u"resources"_s);
    folders.ThumbnailPath = dir.filePath(u"thumbnails"_s);
    for (const QString& folder : { folders.ZTTempPath, folders.ResourcePath })
        QVERIFY(QDir().mkpath(folder));
    QFile narration(folders.ResourcePath + u"/talk.wav"_s);
    QVERIFY(narration.open(QIODevice::WriteOnly));
    narration.write("RIFF");
    narration.close();
    const QString scriptPath = dir.filePath(u"show.zentil"_s);
    const QByteArray show = "/name {show.zentil}\r\n%slide\r\n/play {talk.wav}\r\n%endslide\r\n";
    QFile scriptFile(scriptPath);
    QVERIFY(scriptFile.open(QIODevice::WriteOnly));
    scriptFile.write(show);
    scriptFile.close();

    ScriptStatements script;
    SlideShowModel model;
    QuietReporter reporter;
    const LoadContext load { folders, reporter, log, false, {} };
    const WorkingCopyContext copies { folders, model, false, reporter, log };
    model.Map.Append(u"talk.wav"_s);
    switch (call) {
    case Call::ReadMissingScript:
        LoadScriptFromFile(dir.filePath(u"none.zentil"_s), folders.ZTTempPath, script, log);
        break;
    case Call::ReadScriptWithoutTempFolder:
        LoadScriptFromFile(scriptPath, QString(), script, log);
        break;
    case Call::ReadScript:
        LoadScriptFromFile(scriptPath, folders.ZTTempPath, script, log);
        break;
    case Call::LoadWithoutSlides:
        SplitScriptBytes("/name {show.zentil}\r\n", script.ScriptArray);
        LoadSlideShow(script, model, load);
        break;
    case Call::LoadSlideWithoutNarration:
        SplitScriptBytes("%slide\r\n/box {0 0 10 10}\r\n%endslide\r\n", script.ScriptArray);
        LoadSlideShow(script, model, load);
        break;
    case Call::LoadShow:
        SplitScriptBytes(show, script.ScriptArray);
        LoadSlideShow(script, model, load);
        break;
    case Call::CopyMissingResource:
        MakeUnscrambledCopy(copies, u"absent.wav"_s);
        break;
    case Call::CopyResource:
        QVERIFY(!MakeUnscrambledCopy(copies, u"talk.wav"_s).isEmpty());
        break;
    }

    QCOMPARE(log.DebugIndent(), 0);
    log.CloseDebugFile();
    QFile trace(log.DebugFilePath());
    QVERIFY(trace.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(trace.readAll()).split(u"\r\n"_s);
    QVERIFY2(lines.contains(exitLine), qPrintable(lines.join(u'\n')));
}

QTEST_GUILESS_MAIN(tst_ScriptTrace)
#include "tst_scripttrace.moc"
