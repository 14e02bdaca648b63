#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "script/ScrambledFiles.h"
#include "script/ScriptReader.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using namespace zentil::test;

namespace {

std::vector<QString> Split(const QByteArray& bytes)
{
    std::vector<QString> out;
    SplitScriptBytes(bytes, out);
    return out;
}

} // namespace

class tst_ScriptReader : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    MonotonicClock clock_;

    QString Temp()
    {
        const QString t = dir_.filePath(u"temp"_s);
        QDir().mkpath(t);
        return t;
    }

private Q_SLOTS:
    void commandLineIsCutAfterTheExtension_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::newRow("option after") << u"  /shows/talk.zentil /x "_s << u"/shows/talk.zentil"_s;
        QTest::newRow("upper case") << u"/s/TALK.ZENTIL --go"_s << u"/s/TALK.ZENTIL"_s;
        QTest::newRow("first occurrence") << u"a.zentil.zentil"_s << u"a.zentil"_s;
        QTest::newRow("quoted stays") << u"\"/s/t.zentil\""_s << u"\"/s/t.zentil"_s;
        QTest::newRow("no extension") << u" /s/other "_s << u"/s/other"_s;
    }
    void commandLineIsCutAfterTheExtension()
    {
        QFETCH(QString, line);
        QFETCH(QString, name);
        QCOMPARE(ScriptPathFromCommandLine(line), name);
    }

    void browserInstanceNumbersAreRemoved_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("brackets") << u"talk[12].zentil"_s << u"talk.zentil"_s;
        QTest::newRow("dash") << u"talk-2.zentil"_s << u"talk.zentil"_s;
        QTest::newRow("not digits") << u"talk[1a].zentil"_s << u"talk[1a].zentil"_s;
        QTest::newRow("nothing before") << u"[1].zentil"_s << u"[1].zentil"_s;
        QTest::newRow("upper extension") << u"talk.ZENTIL"_s << u"talk.ZENTIL"_s;
        QTest::newRow("empty brackets") << u"talk[].zentil"_s << u"talk[].zentil"_s;
        QTest::newRow("dash word") << u"my-talk.zentil"_s << u"my-talk.zentil"_s;
    }
    void browserInstanceNumbersAreRemoved()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(RemoveBrowserInstanceNumber(in), out);
    }

    void statementsAndEscapes()
    {
        QCOMPARE(Split("/text {\\065\\066C}"), std::vector<QString> { u"/text {ABC}"_s });
        QCOMPARE(Split("C:\\100files"), std::vector<QString> { u"C:dfiles"_s });
        QCOMPARE(Split("\\12x \\999y"), std::vector<QString> { u"\\12x y"_s });
        QCOMPARE(Split("a\\128"), std::vector<QString> { u"a\u20AC"_s });
        // Control characters end statements; empty ones are dropped, blank ones kept.
        QCOMPARE(Split("/text {a}\t/box {b}\r\n\r\n   \n\x01x\ry"),
            (std::vector<QString> { u"/text {a}"_s, u"/box {b}"_s, u"   "_s, u"x"_s, u"y"_s }));
        QCOMPARE(Split(QByteArray("a\0b", 3)), (std::vector<QString> { u"a"_s, u"b"_s }));
    }

    // The same decoding whether the script is held in memory or read from its file in blocks.
    void textIsUtf8ElseWindows1252_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9") << u"caf\u00e9"_s;
        QTest::newRow("windows-1252")
            << QByteArray("caf\xe9 \x93q\x94") << u"caf\u00e9 \u201cq\u201d"_s;
        QTest::newRow("mark, utf-8") << QByteArray("\xef\xbb\xbf%slide") << u"%slide"_s;
        QTest::newRow("mark, windows-1252")
            << QByteArray("\xef\xbb\xbf%slide caf\xe9 x") << u"%slide caf\u00e9 x"_s;
        QTest::newRow("cut at the end") << QByteArray("caf\xc3") << u"caf\u00c3"_s;
        QTest::newRow("cut three-byte") << QByteArray("a\xe2\x82") << u"a\u00e2\u201a"_s;
        QTest::newRow("mark, cut at the end")
            << QByteArray("\xef\xbb\xbf\xc3\xa9\xc3") << u"\u00c3\u00a9\u00c3"_s;
        QTest::newRow("only a mark") << QByteArray("\xef\xbb\xbf") << QString();
        QTest::newRow("across blocks") << QByteArray(256 * 1024 - 1, 'x') + "\xc3\xa9"
                                       << QString(256 * 1024 - 1, u'x') + u"\u00e9"_s;
    }
    void textIsUtf8ElseWindows1252()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const std::vector<QString> expected
            = text.isEmpty() ? std::vector<QString> {} : std::vector<QString> { text };
        QCOMPARE(Split(bytes), expected);

        DebugLog log(clock_, false);
        const QString path = dir_.filePath(u"text.zentil"_s);
        WriteFile(path, bytes);
        ScriptStatements script;
        LoadScriptFromFile(path, Temp(), script, log);
        QCOMPARE(script.ScriptArray, expected);
    }

    void readsThroughAWorkingCopyAndPrescans()
    {
        DebugLog log(clock_, false);
        const QString path = dir_.filePath(u"show.zentil"_s);
        WriteFile(path, "%slide\r\n/NAME {lecture.zentil}\r\n/version { 1.2 }\r\n/play {a.ogg}");
        ScriptStatements script;
        const ScriptReadResult r = LoadScriptFromFile(path, Temp(), script, log);
        QVERIFY(r.FileFound);
        QCOMPARE(r.ScriptName, u"lecture.zentil"_s);
        QCOMPARE(r.ScriptVersion, 1.2F);
        QCOMPARE(script.MaxScriptIndex(), 4);
        QVERIFY(!script.EncryptFlag);
        QVERIFY2(QDir(Temp()).isEmpty(), "the working copy must be deleted after reading");

        // A missing file leaves the statements alone.
        const auto missing
            = LoadScriptFromFile(dir_.filePath(u"none.zentil"_s), Temp(), script, log);
        QVERIFY(!missing.FileFound);
        QCOMPARE(script.MaxScriptIndex(), 4);
    }

    void scrambledScriptIsReadUnscrambled()
    {
        DebugLog log(clock_, false);
        const QString plain = dir_.filePath(u"plain.zentil"_s);
        const QString scrambled = dir_.filePath(u"scrambled.zentil"_s);
        WriteFile(plain, "%slide\r\n/play {a.ogg}\r\n");
        QString error;
        QVERIFY(ScrambleFile(plain, scrambled, 9990, &error));
        QFile::setPermissions(scrambled, QFile::ReadOwner); // a read-only original still works
        ScriptStatements script;
        LoadScriptFromFile(scrambled, Temp(), script, log);
        QVERIFY(script.EncryptFlag);
        QCOMPARE(script.ScriptArray, (std::vector<QString> { u"%slide"_s, u"/play {a.ogg}"_s }));
    }

    void pathsInNameAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent") << u".."_s;
        QTest::newRow("dot") << u"."_s;
        QTest::newRow("absolute") << u"/etc/passwd"_s;
        QTest::newRow("relative path") << u"../x.zentil"_s;
        QTest::newRow("backslash") << u"a\\b.zentil"_s;
        // Names that give no cache folder of their own.
        QTest::newRow("no extension") << u"noext"_s;
        QTest::newRow("only an extension") << u".zentil"_s;
    }
    void pathsInNameAreRefused()
    {
        QFETCH(QString, name);
        DebugLog log(clock_, false);
        const QString path = dir_.filePath(u"n.zentil"_s);
        WriteFile(path, (u"/name {"_s + name + u"}\r\n%slide"_s).toUtf8());
        ScriptStatements script;
        const ScriptReadResult r = LoadScriptFromFile(path, Temp(), script, log);
        QVERIFY(r.ScriptName.isEmpty());
        QCOMPARE(r.Messages.size(), size_t(1));
        QCOMPARE(r.Messages.front().StatementNumber, 1);
    }

    void hostileFilesAreRefusedWithinBounds()
    {
        DebugLog log(clock_, false);
        // One statement longer than any real one.
        const QString longLine = dir_.filePath(u"long.zentil"_s);
        WriteFile(longLine, QByteArray(MaxStatementLength + 10, 'x'));
        ScriptStatements script;
        ScriptReadResult r = LoadScriptFromFile(longLine, Temp(), script, log);
        QVERIFY(!r.Refusal.isEmpty());
        QCOMPARE(script.MaxScriptIndex(), 0);

        // A file above the size limit is refused before it is read (sparse, so no disc use).
        const QString huge = dir_.filePath(u"huge.zentil"_s);
        {
            QFile f(huge);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(200LL * 1024 * 1024));
        }
        r = LoadScriptFromFile(huge, Temp(), script, log);
        QVERIFY(r.Refusal.contains(u"larger than"_s));
        QVERIFY(QDir(Temp()).isEmpty());
    }

    void versionCheck()
    {
        QVERIFY(CheckScriptVersion(u"a.zentil"_s, 0.0F).Passes);
        QVERIFY(CheckScriptVersion(u"a.zentil"_s, 1.2F).Passes);
        const VersionCheck later = CheckScriptVersion(u"a.zentil"_s, 1.21F);
        QVERIFY(!later.Passes);
        QVERIFY(later.Text.startsWith(u"a.zentil requires a later version"_s));
        QVERIFY(!CheckScriptVersion(QString(), 2.0F).Text.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ScriptReader)
#include "tst_scriptreader.moc"
