#include "tool/NewShowCommand.h"
#include "tool/ScriptCheck.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// A correct show: each row of the table below breaks one line of it.
const QStringList kShow = { u"%title {Check}"_s, u"%resource"_s,
    u"/resource {talk.ogg [10] pic.jpg face.ttf}"_s, u"%slide"_s, u"/play {talk.ogg}"_s,
    u"/image {10 10 pic.jpg}"_s, u"/font {face Arial size 20}"_s, u"/text {400 300 cj Hello}"_s,
    u"/box {0 0 100 100 fill 100 0 0}"_s, u"%endslide"_s };

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class tst_ScriptCheck : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

    int Check(const QStringList& lines, QString& out, const QStringList& extra = {})
    {
        Write(dir_.filePath(u"s.zentil"_s), lines.join(u"\r\n"_s).toUtf8());
        QString err;
        QTextStream o(&out), e(&err);
        return RunScriptCheckCommand(extra + QStringList { dir_.filePath(u"s.zentil"_s) }, o, e);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDir(dir_.path()).mkdir(u"resources"_s);
        const QDir res(dir_.filePath(u"resources"_s));
        Write(res.filePath(u"talk.ogg"_s), "OggS");
        QImage(8, 8, QImage::Format_RGB32).save(res.filePath(u"pic.jpg"_s));
        Write(res.filePath(u"pic.pdf"_s), "not drawn");
        Write(res.filePath(u"face.ttf"_s), QByteArray("\x00\x01\x00\x00", 4));
        Write(res.filePath(u"bad.ttf"_s), "OTTO");
    }

    void eachMistakeAtItsPlace_data()
    {
        QTest::addColumn<int>("line"); // the line of the show replaced
        QTest::addColumn<QString>("text"); // by this
        QTest::addColumn<QString>("expected"); // what check prints, after the file name
        QTest::newRow("unknown command")
            << 8 << u"/txet {400 300 cj Hello}"_s << u":8:1: error: unknown command '/txet'"_s;
        QTest::newRow("after a tab")
            << 8 << u"/font {size 20}\t/txet {1 1 lj a}"_s << u":8:17: error: unknown command"_s;
        QTest::newRow("unclosed brace")
            << 8 << u"/text {400 300 cj Second"_s << u":8:7: error: unclosed brace"_s;
        QTest::newRow("stray brace")
            << 9 << u"/box {0 0 100} 100}"_s << u":9:14: error: stray '}'"_s;
        QTest::newRow("bad number") << 9 << u"/box {0 0 1O0 100 fill 100 0 0}"_s
                                    << u":9:11: error: '1O0' is not a number"_s;
        QTest::newRow("out of range") << 9 << u"/box {0 0 100 100 fill 150 0 0}"_s
                                      << u":9:24: error: colour percentage 150 is out of range"_s;
        QTest::newRow("argument count")
            << 9 << u"/box {0 0 100}"_s << u":9:14: error: missing coordinate y2"_s;
        QTest::newRow("alignment")
            << 8 << u"/text {400 300 xx Hello}"_s << u":8:16: error: 'xx' is not an alignment"_s;
        QTest::newRow("subslide time")
            << 10 << u"%subslide soon"_s << u":10:11: error: 'soon' is not a time"_s;
        QTest::newRow("not listed") << 6 << u"/image {10 10 other.jpg}"_s
                                    << u":6:15: error: 'other.jpg' is not in the resource list"_s;
        QTest::newRow("not on disk") << 3 << u"/resource {talk.ogg pic.jpg gone.jpg}"_s
                                     << u":3:29: error: 'gone.jpg' is not in "_s;
        QTest::newRow("picture type") << 6 << u"/image {10 10 pic.pdf}"_s
                                      << u":6:15: error: 'pic.pdf' is not a picture file name"_s;
        QTest::newRow("no narration")
            << 5 << u"/box {1 1 2 2}"_s << u":4:1: error: slide 1 has no narration"_s;
        QTest::newRow("sound type")
            << 5 << u"/play {talk.mp3}"_s << u":5:8: error: 'talk.mp3' is not a sound file"_s;
        QTest::newRow("not TrueType") << 3 << u"/resource {talk.ogg pic.jpg bad.ttf}"_s
                                      << u":3:29: error: 'bad.ttf' is not a TrueType font"_s;
        QTest::newRow("duplicate")
            << 3 << u"/resource {talk.ogg pic.jpg TALK.ogg}"_s
            << u":3:29: error: 'TALK.ogg' is listed twice (first at line 3)"_s;
        QTest::newRow("off the slide")
            << 8 << u"/text {790 300 lj Hello}"_s << u":8:8: error: the text runs off the slide"_s;
        QTest::newRow("background play") << 4 << u"%background\r\n/play {talk.ogg}\r\n%slide"_s
                                         << u":5:1: error: a background cannot contain /play"_s;
        QTest::newRow("resource case") << 3 << u"/RESOURCE {talk.ogg pic.jpg}"_s
                                       << u":3:1: error: /RESOURCE must be written in lower"_s;
        QTest::newRow("version") << 1 << u"/version {1.3}"_s
                                 << u":1:11: error: the player plays scripts up to version 1.2"_s;
    }

    void eachMistakeAtItsPlace()
    {
        QFETCH(int, line);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QStringList show = kShow;
        show[line - 1] = text;
        QString out;
        QCOMPARE(Check(show, out), 1);
        QVERIFY2(out.contains(u"s.zentil"_s + expected), qPrintable(out));
        // Sorted by position, one per line.
        const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() <= 3, qPrintable(out));
    }

    void warningsFailOnlyWhenStrict()
    {
        QStringList show = kShow;
        show.insert(9, u"%subslide 0"_s); // not after the start: plays at once
        QString out;
        QCOMPARE(Check(show, out), 0);
        QVERIFY2(out.endsWith(u"s.zentil:10:11: warning: start time 0 s is not after the previous "
                              "subslide (0 s); it starts then\n"_s),
            qPrintable(out));
        out.clear();
        QCOMPARE(Check(show, out, { u"--strict"_s }), 1);
        out.clear();
        QCOMPARE(Check(kShow, out, { u"--strict"_s }), 0);
        QCOMPARE(out, QString());
    }

    void starterShowPassesCheck()
    {
        QString out, err;
        QTextStream o(&out), e(&err);
        const QString folder = dir_.filePath(u"starter"_s);
        QCOMPARE(RunNewShowCommand({ folder }, o, e), 0);
        QCOMPARE(RunNewShowCommand({ folder }, o, e), 1); // never over an existing show
        out.clear();
        QCOMPARE(RunScriptCheckCommand({ folder + u"/starter.zentil"_s }, o, e), 0);
        QCOMPARE(out, QString());
    }

    void demoIsClean()
    {
        QString out, err;
        QTextStream o(&out), e(&err);
        const QString demo = QStringLiteral(ZENTIL_FIXTURES_DIR "/../../examples/demo/demo.zentil");
        QCOMPARE(RunScriptCheckCommand({ demo }, o, e), 0);
        QCOMPARE(out, QString());
        QCOMPARE(RunScriptCheckCommand({ dir_.filePath(u"none.zentil"_s) }, o, e), 1);
        QVERIFY(out.contains(u"none.zentil:1:1: error: no such script"_s));
    }
};

} // namespace zentil

QTEST_MAIN(zentil::tst_ScriptCheck)
#include "tst_scriptcheck.moc"
