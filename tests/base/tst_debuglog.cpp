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
    void lines_data();
    void lines();
    void nothingIsWrittenWhileClosed();
    void replacesAReadOnlyOldTrace();
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
    QVERIFY(QString::fromUtf8(bytes).contains(u"Zentil Debug File"_s));
    QCOMPARE(trace.Body(), QStringList { u"Status: one"_s });
}

// Each row: "kind|message" writes at the given clock times (seconds since midnight), and the
// lines that follow the header.
void TestDebugLog::lines_data()
{
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QList<double>>("times"); // one per write; empty: the clock stands still
    QTest::addColumn<QStringList>("body");
    QTest::newRow("indentation never negative")
        << QStringList { u"enter|Outer"_s, u"enter|Inner - SlideIndex = 3"_s,
               u"status|a = 1; b = 2"_s, u"exit|Inner"_s, u"exit|Outer"_s, u"exit|Extra"_s,
               u"exit|Extra"_s, u"error|after"_s, u"enter|Again"_s }
        << QList<double> {}
        << QStringList { u"Enter:  Outer"_s, u"  Enter:  Inner - SlideIndex = 3"_s,
               u"    Status: a = 1; b = 2"_s, u"  Exit:   Inner"_s, u"Exit:   Outer"_s,
               u"Exit:   Extra"_s, u"Exit:   Extra"_s, u"Error:  after"_s, u"Enter:  Again"_s };
    QTest::newRow("kinds are trimmed, case-folded and checked")
        << QStringList { u"  Status |  padded message \t"_s, u"ENTER|A"_s, u"warning|ignored"_s,
               u"stat us|ignored"_s, u"|ignored"_s, u"enterx|ignored"_s, u"enter|B"_s,
               u" HEADER|  ruled  "_s, u"\tExit|B"_s }
        << QList<double> {}
        << QStringList { u"Status: padded message"_s, u"Enter:  A"_s, u"  Enter:  B"_s, u"ruled"_s,
               u"  Exit:   B"_s };
    // The first delta counts from 0; differences are absolute.
    QTest::newRow("time marks") << QStringList { u"deltatime|since midnight"_s,
        u"time|Begin LoadSlideBackground"_s, u"deltatime|back"_s,
        u"deltatime|from the last delta"_s, u"time|late"_s }
                                << QList<double> { 100.5, 61234.25, 61234.0, 61234.125, 86399.99 }
                                << QStringList { u"TIME-DELTA (100.5) since midnight"_s,
                                       u"TIME (61234.25) Begin LoadSlideBackground"_s,
                                       u"TIME-DELTA (0.25) back"_s,
                                       u"TIME-DELTA (0.125) from the last delta"_s,
                                       u"TIME (86399.99) late"_s };
}

void TestDebugLog::lines()
{
    QFETCH(QStringList, writes);
    QFETCH(QList<double>, times);
    Trace trace;
    for (qsizetype i = 0; i < writes.size(); ++i) {
        if (!times.isEmpty())
            trace.Clock.Seconds = times[i];
        const qsizetype bar = writes[i].indexOf(u'|');
        trace.Log.WriteDebug(writes[i].left(bar), writes[i].mid(bar + 1));
    }
    QTEST(trace.Body(), "body");
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

namespace {
// A procedure with two ways out; the second reports its result on the exit line. Every text
// counts in `built` when it is made: none is made while the trace is off.
int Procedure(DebugLog& log, bool early, int& built)
{
    const auto name = [&] {
        ++built;
        return u"Procedure"_s;
    };
    ZT_TRACE_SCOPE_ARGS(log, name(), u"Early = "_s + (early ? u"True"_s : u"False"_s));
    if (early)
        return 1;
    ZT_DEBUG(log, TraceProcedures, "status", name() + u" working"_s);
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
            u"Enter:  Procedure - Early = False"_s, u"  Status: Procedure working"_s,
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
