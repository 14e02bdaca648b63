#include "support/TestFiles.h"
#include "tool/NewShowCommand.h"
#include "tool/ScriptCheck.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// Scripts full of mistakes, each beside the exact report check must print for it.
const QString kCheckFixtures = QStringLiteral(ZENTIL_FIXTURES_DIR "/check");
const QString kPrograms = QStringLiteral(ZENTIL_BINARY_DIR "/src/");

int Check(const QStringList& args, QString& out)
{
    QString err;
    QTextStream o(&out), e(&err);
    return RunScriptCheckCommand(args, o, e);
}

} // namespace

class tst_ScriptCheck : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

private Q_SLOTS:
    void reportsEachProblemAtItsPlace_data()
    {
        QTest::addColumn<QString>("script");
        for (const QString& name : QDir(kCheckFixtures).entryList({ u"*.zentil"_s }))
            QTest::newRow(qPrintable(name)) << name;
    }

    void reportsEachProblemAtItsPlace()
    {
        QFETCH(QString, script);
        QString out;
        const int code = Check({ kCheckFixtures + u"/"_s + script }, out);
        // Sorted by position, one per line; the folder is left out to compare.
        const QStringList lines = out.replace(kCheckFixtures + u"/"_s, QString()).split(u'\n');
        const QString expected = QString::fromUtf8(
            test::ReadAll(kCheckFixtures + u"/"_s + script.chopped(7) + u".expected"_s));
        QCOMPARE(lines, expected.split(u'\n'));
        QCOMPARE(code, expected.contains(u": error: "_s) ? 1 : 0);
        // Warnings fail the check only when it is strict.
        out.clear();
        QCOMPARE(Check({ u"--strict"_s, kCheckFixtures + u"/"_s + script }, out),
            expected.isEmpty() ? 0 : 1);
    }

    void commandLinesAreAnswered_data()
    {
        QTest::addColumn<QString>("line"); // the program and its arguments, @ for the fixtures
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("output"); // found in what it prints
        const auto row = [](const char* line, int code, const char* output) {
            QTest::newRow(line) << QString::fromUtf8(line) << code << QString::fromUtf8(output);
        };
        row("zentil-tool", 2, "Usage: zentil-tool COMMAND");
        row("zentil-tool --help", 0, "Folders in use:");
        row("zentil-tool --version", 0, "zentil-tool " ZENTIL_VERSION_TEXT "\nhttp://");
        row("zentil-tool frob", 2, "unknown command 'frob'");
        row("zentil-tool check", 2, "Usage: zentil-tool check");
        row("zentil-tool export a.zentil", 2, "give a script and an output file");
        row("zentil-tool export a b --size 15x16", 2, "--size takes even WIDTHxHEIGHT");
        row("zentil-tool export a b --fps 0", 2, "--fps takes a whole number from 1 to 120");
        row("zentil-tool export a b --loud", 2, "unexpected argument '--loud'");
        row("zentil-tool export @/check/drawing.zentil /nonexistent/x.mp4", 1,
            "talk.ogg: End of file; 3 s of silence instead\nzentil-tool export: cannot write");
        row("zentil-tool new", 2, "Usage: zentil-tool new NAME");
        row("zentil-tool new my.show", 2, "give the show a name without a '.'");
        row("zentil-tool new /proc/zentil", 1, "cannot make /proc/zentil/resources");
        row("zentil-tool preview --slide 0 x", 2, "Usage: zentil-tool preview");
        row("zentil-tool preview /nonexistent.zentil", 1, "no such script: /nonexistent.zentil");
        row("zentil-tool dump", 2, "Usage: zentil-tool dump SCRIPT");
        row("zentil-tool dump @/check/noslides.zentil", 1, "No slides");
        row("zentil-tool scramble a b --key-start x", 2, "Usage: zentil-tool scramble");
        row("zentil-tool scramble /nonexistent/a b", 1, "cannot read /nonexistent/a");
        row("zentil-tool unscramble a", 2, "Usage: zentil-tool unscramble IN OUT");
        row("zentil-tool render --out", 2, "--out needs a value");
        row("zentil-tool render --builtin end", 2, "--out FILE.png is required");
        row("zentil-tool render --builtin end --out /nonexistent/x.png", 1, "cannot write");
        row("zentil-tool render @/render/show/show.zentil --slide 2 --out y.png", 1,
            "the script has 1 slide(s), not 2");
        row("zentil-tool render @/render/show/show.zentil --slide 1 --subslide 3 --out y.png", 1,
            "slide 1 has 2 subslide(s), not 3");
        row("zentil-tool render /nonexistent.zentil --slide 1 --out y.png", 1, "no such script");
        row("zentil-tool render x --out y.png --size 0x5", 2,
            "--size needs WIDTHxHEIGHT, not '0x5'");
        row("zentil-tool render x --out y.png --slide z", 2, "--slide needs a whole number");
        row("zentil-tool render --builtin bad --out y.png", 2, "--builtin takes end, none or load");
        row("zentil-tool render x y --out z.png", 2, "unexpected argument 'y'");
        row("zentil-tool scale @/check/resources/broken.jpg 50 y.png", 1, "scale: cannot read");
        row("zentil --version", 0, "zentil " ZENTIL_VERSION_TEXT "\n");
        row("zentil -h", 0, "XDG_STATE_HOME");
        row("zentil --screen two", 2, "zentil: --screen needs a screen number");
        row("zentil --screen -1 a.zentil", 2, "zentil: --screen needs a screen number");
    }

    void commandLinesAreAnswered()
    {
        QFETCH(QString, line);
        QFETCH(int, code);
        QFETCH(QString, output);
        QStringList args = line.replace(u'@', QStringLiteral(ZENTIL_FIXTURES_DIR)).split(u' ');
        QString printed;
        QCOMPARE(test::RunProgram(kPrograms + args.takeFirst(), args, &printed), code);
        QVERIFY2(printed.contains(output), qPrintable(printed));
    }

    void starterShowPassesCheck()
    {
        QString out, err;
        QTextStream o(&out), e(&err);
        const QString folder = dir_.filePath(u"starter"_s);
        QCOMPARE(RunNewShowCommand({ folder }, o, e), 0);
        QCOMPARE(RunNewShowCommand({ folder }, o, e), 1); // never over an existing show
        // Without the speech and Ogg tools the narrations are silent wave files.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        QCOMPARE(RunNewShowCommand({ dir_.filePath(u"quiet"_s) }, o, e), 0);
        qputenv("PATH", path);
        out.clear();
        QCOMPARE(Check({ folder + u"/starter.zentil"_s }, out), 0);
        QCOMPARE(Check({ dir_.filePath(u"quiet/quiet.zentil"_s) }, out), 0);
        QCOMPARE(out, QString());
        QVERIFY(QFile::exists(dir_.filePath(u"quiet/resources/slide2.wav"_s)));
    }

    void demoIsClean()
    {
        QString out;
        const QString demo = QStringLiteral(ZENTIL_FIXTURES_DIR "/../../examples/demo/demo.zentil");
        QCOMPARE(Check({ demo }, out), 0);
        QCOMPARE(out, QString());
        QCOMPARE(Check({ dir_.filePath(u"none.zentil"_s) }, out), 1);
        QCOMPARE(out, dir_.filePath(u"none.zentil"_s) + u":1:1: error: no such script\n"_s);
    }
};

} // namespace zentil

QTEST_MAIN(zentil::tst_ScriptCheck)
#include "tst_scriptcheck.moc"
