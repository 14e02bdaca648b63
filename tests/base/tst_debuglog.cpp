#include "base/DebugLog.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

// A clock the test sets, so time marks come out exact.
class SetClock : public TraceClock {
public:
    double Seconds = 0.0;
    double SecondsSinceMidnight() const override { return Seconds; }
};

struct Trace {
    QTemporaryDir Dir;
    SetClock Clock;
    DebugLog Log { Clock, true };

    Trace()
    {
        qputenv("ZENTIL_HOME", QFile::encodeName(Dir.path()));
        Log.OpenDebugFile(Dir.path());
    }

    QByteArray Bytes() const { return test::ReadAll(Log.DebugFilePath()); }

    // The lines after the three-line header.
    QStringList Body() const
    {
        QStringList lines = QString::fromUtf8(Bytes()).split(u"\r\n"_s);
        lines.removeLast(); // the text after the last line end
        return lines.mid(3);
    }
};

} // namespace

class TestDebugLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Qt's warnings (a file opened twice, say) point at misuse of QFile.
    void init() { QTest::failOnWarning(QRegularExpression(u".+"_s)); }
    void headerAndLineEnds();
    void indentationNeverNegative();
    void kindsAreTrimmedCaseFoldedAndChecked();
    void timeMarks();
    void nothingIsWrittenWhileClosed();
    void replacesAReadOnlyOldTrace();
    void messageIsNotBuiltWhenTheTraceIsOff();
    void traceScopeExitsOnEveryReturn();
};

void TestDebugLog::headerAndLineEnds()
{
    Trace trace;
    QVERIFY(trace.Log.DebugFileOpen());
    QCOMPARE(trace.Log.DebugFilePath(), trace.Dir.filePath(u"ztdebug.txt"_s));
    trace.Log.WriteDebug(u"status"_s, u"one"_s);

    QByteArray bytes = trace.Bytes();
    QVERIFY2(!bytes.replace("\r\n", "").contains('\n') && !bytes.contains('\r'),
        "every line ends with CR LF and nothing else");
    const QStringList lines = QString::fromUtf8(trace.Bytes()).split(u"\r\n"_s);
    QCOMPARE(lines.size(), 5);
    const QString rule(74, u'=');
    QCOMPARE(lines[0], rule);
    QCOMPARE(lines[2], rule);
    static const QRegularExpression title(
        u"^[A-Z][a-z]{2} \\d{1,2} \\d{4} +Zentil Debug File +\\d\\d:\\d\\d (AM|PM)$"_s);
    QVERIFY2(title.match(lines[1]).hasMatch(), qPrintable(lines[1]));
    QCOMPARE(lines[3], u"Status: one"_s);
    QCOMPARE(lines[4], QString());
}

void TestDebugLog::indentationNeverNegative()
{
    Trace trace;
    DebugLog& log = trace.Log;
    log.WriteDebug(u"enter"_s, u"Outer"_s);
    log.WriteDebug(u"enter"_s, u"Inner - SlideIndex = 3"_s);
    log.WriteDebug(u"status"_s, u"a = 1; b = 2"_s);
    log.WriteDebug(u"exit"_s, u"Inner"_s);
    log.WriteDebug(u"exit"_s, u"Outer"_s);
    log.WriteDebug(u"exit"_s, u"Extra"_s);
    log.WriteDebug(u"exit"_s, u"Extra"_s);
    log.WriteDebug(u"error"_s, u"after"_s);
    log.WriteDebug(u"enter"_s, u"Again"_s);

    QCOMPARE(trace.Body(),
        QStringList({ u"Enter:  Outer"_s, u"  Enter:  Inner - SlideIndex = 3"_s,
            u"    Status: a = 1; b = 2"_s, u"  Exit:   Inner"_s, u"Exit:   Outer"_s,
            u"Exit:   Extra"_s, u"Exit:   Extra"_s, u"Error:  after"_s, u"Enter:  Again"_s }));
}

void TestDebugLog::kindsAreTrimmedCaseFoldedAndChecked()
{
    Trace trace;
    trace.Log.WriteDebug(u"  Status "_s, u"  padded message \t"_s);
    trace.Log.WriteDebug(u"ENTER"_s, u"A"_s);
    for (const QString& kind : { u"warning"_s, u"stat us"_s, QString(), u"enterx"_s })
        trace.Log.WriteDebug(kind, u"ignored"_s);
    trace.Log.WriteDebug(u"enter"_s, u"B"_s);
    trace.Log.WriteDebug(u" HEADER"_s, u"  ruled  "_s);
    trace.Log.WriteDebug(u"\tExit"_s, u"B"_s);
    QCOMPARE(trace.Body(),
        QStringList({ u"Status: padded message"_s, u"Enter:  A"_s, u"  Enter:  B"_s, u"ruled"_s,
            u"  Exit:   B"_s }));
}

void TestDebugLog::timeMarks()
{
    Trace trace;
    trace.Clock.Seconds = 100.5;
    trace.Log.WriteDebug(u"deltatime"_s, u"since midnight"_s); // the mark starts at 0
    trace.Clock.Seconds = 61234.25;
    trace.Log.WriteDebug(u"time"_s, u"Begin LoadSlideBackground"_s);
    trace.Clock.Seconds = 61234.0; // differences are absolute
    trace.Log.WriteDebug(u"deltatime"_s, u"back"_s);
    trace.Clock.Seconds = 61234.125;
    trace.Log.WriteDebug(u"deltatime"_s, u"from the last delta"_s);
    trace.Clock.Seconds = 86399.99;
    trace.Log.WriteDebug(u"time"_s, u"late"_s);
    QCOMPARE(trace.Body(),
        QStringList({ u"TIME-DELTA (100.5) since midnight"_s,
            u"TIME (61234.25) Begin LoadSlideBackground"_s, u"TIME-DELTA (0.25) back"_s,
            u"TIME-DELTA (0.125) from the last delta"_s, u"TIME (86399.99) late"_s }));
}

void TestDebugLog::nothingIsWrittenWhileClosed()
{
    Trace trace;
    trace.Log.CloseDebugFile();
    QVERIFY(!trace.Log.DebugFileOpen());
    trace.Log.WriteDebug(u"status"_s, u"lost"_s);
    QVERIFY(trace.Body().isEmpty());

    SetClock clock;
    DebugLog neverOpened(clock, true);
    neverOpened.WriteDebug(u"status"_s, u"lost"_s);
    neverOpened.OpenDebugFile(trace.Dir.filePath(u"no/such/folder"_s));
    QVERIFY(!neverOpened.DebugFileOpen());
    neverOpened.WriteDebug(u"status"_s, u"lost"_s);
}

void TestDebugLog::replacesAReadOnlyOldTrace()
{
    Trace trace;
    trace.Log.WriteDebug(u"status"_s, u"first run"_s);
    trace.Log.CloseDebugFile();
    QFile::setPermissions(trace.Log.DebugFilePath(), QFile::ReadOwner);

    trace.Log.OpenDebugFile(trace.Dir.path());
    QVERIFY(trace.Log.DebugFileOpen());
    trace.Log.WriteDebug(u"status"_s, u"second run"_s);
    QCOMPARE(trace.Body(), QStringList({ u"Status: second run"_s }));
    // Opening again while open starts a fresh file too.
    trace.Log.OpenDebugFile(trace.Dir.path());
    trace.Log.WriteDebug(u"status"_s, u"third run"_s);
    QCOMPARE(trace.Body(), QStringList({ u"Status: third run"_s }));
}

void TestDebugLog::messageIsNotBuiltWhenTheTraceIsOff()
{
    Trace trace;
    int built = 0;
    const auto message = [&] {
        ++built;
        return u"built"_s;
    };
    trace.Log.DebugMode = false;
    ZT_DEBUG(trace.Log, TraceProcedures, "status", message());
    QCOMPARE(built, 0);

    trace.Log.DebugMode = true;
    trace.Log.Switches.TraceDrawing = false;
    ZT_DEBUG(trace.Log, TraceDrawing, "status", message());
    QCOMPARE(built, 0);

    ZT_DEBUG(trace.Log, TraceProcedures, "status", message());
    QCOMPARE(built, 1);
    QCOMPARE(trace.Body(), QStringList({ u"Status: built"_s }));
}

namespace {
// A procedure with two ways out; the second reports its result on the exit line.
int Procedure(DebugLog& log, bool early, int& built)
{
    const auto name = [&] {
        ++built;
        return u"Procedure"_s;
    };
    ZT_TRACE_SCOPE_ARGS(log, name(), u"Early = "_s + (early ? u"True"_s : u"False"_s));
    if (early)
        return 1;
    ZT_DEBUG(log, TraceProcedures, "status", u"working"_s);
    ZT_TRACE_EXIT(name() + u" - Result = 2"_s);
    return 2;
}
} // namespace

void TestDebugLog::traceScopeExitsOnEveryReturn()
{
    Trace trace;
    int built = 0;
    QCOMPARE(Procedure(trace.Log, true, built), 1);
    QCOMPARE(Procedure(trace.Log, false, built), 2);
    QCOMPARE(trace.Body(),
        QStringList({ u"Enter:  Procedure - Early = True"_s, u"Exit:   Procedure"_s,
            u"Enter:  Procedure - Early = False"_s, u"  Status: working"_s,
            u"Exit:   Procedure - Result = 2"_s }));

    built = 0;
    trace.Log.Switches.TraceProcedures = false;
    Procedure(trace.Log, false, built);
    trace.Log.DebugMode = false;
    Procedure(trace.Log, true, built);
    QCOMPARE(built, 0);
    QCOMPARE(trace.Body().size(), 5);
}

QTEST_GUILESS_MAIN(TestDebugLog)
#include "tst_debuglog.moc"
