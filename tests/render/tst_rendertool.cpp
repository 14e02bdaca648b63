#include "RenderTestSupport.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString err;
};

// Runs the real zentil-tool.
ToolRun RunTool(const QStringList& args)
{
    ToolRun run;
    run.exitCode = zentil::test::RunProgram(
        QStringLiteral(ZENTIL_BINARY_DIR "/src/zentil-tool"), args, &run.err);
    return run;
}

} // namespace

class tst_RenderTool : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void builtin_writesThePicture();
    void script_drawsSlideThenSubslides();
    void script_fontNamedInUpperCaseIsRegistered();
};

void tst_RenderTool::builtin_writesThePicture()
{
    QTemporaryDir temp;
    const QString out = temp.filePath(u"end.png"_s);
    const ToolRun run = RunTool({ u"render"_s, u"--builtin"_s, u"end"_s, u"--out"_s, out });
    QCOMPARE(run.exitCode, 0);
    const QImage picture(out);
    QCOMPARE(picture.size(), QSize(800, 600));
    QCOMPARE(BoundingBox(picture, [](QRgb c) { return c == 0x800000U; }).top(), 288);

    const QString none = temp.filePath(u"none.png"_s);
    QCOMPARE(RunTool({ u"render"_s, u"--builtin"_s, u"NONE"_s, u"--out"_s, none }).exitCode, 0);
    QVERIFY(BoundingBox(QImage(none), [](QRgb c) { return c == 0xFFFFFFU; }).bottom() < 60);
}

void tst_RenderTool::script_drawsSlideThenSubslides()
{
    QTemporaryDir temp;
    const QString script = QStringLiteral(ZENTIL_FIXTURES_DIR "/render/show/show.zentil");
    const QString slideOnly = temp.filePath(u"slide.png"_s);
    const ToolRun first
        = RunTool({ u"render"_s, script, u"--slide"_s, u"1"_s, u"--out"_s, slideOnly });
    QCOMPARE(first.exitCode, 0);
    QVERIFY2(!first.err.contains(u"missing"_s), qPrintable(first.err));
    QImage picture(slideOnly);
    QCOMPARE(Pixel(picture, 400, 300), 0x0000FFU); // the slide's background
    QCOMPARE(Pixel(picture, 15, 15), 0xFF0000U);
    QCOMPARE(Pixel(picture, 105, 103), 0x2040C0U); // the picture, through its working copy
    QCOMPARE(Pixel(picture, 35, 15), 0x0000FFU); // no subslide yet

    const QString all = temp.filePath(u"all.png"_s);
    const ToolRun second = RunTool(
        { u"render"_s, script, u"--slide"_s, u"1"_s, u"--subslide"_s, u"2"_s, u"--out"_s, all });
    QCOMPARE(second.exitCode, 0);
    QVERIFY2(second.err.contains(u"MISSING.BMP"_s), qPrintable(second.err));
    picture = QImage(all);
    QCOMPARE(Pixel(picture, 15, 15), 0xFF0000U);
    QCOMPARE(Pixel(picture, 35, 15), 0x00FF00U);
    QCOMPARE(Pixel(picture, 210, 210), 0x00FF00U);
    QCOMPARE(Pixel(picture, 201, 201), 0x0000FFU); // the mask colour left out
    QCOMPARE(Pixel(picture, 305, 305), 0x0000FFU); // the missing picture draws nothing
}

// A presentation's own font whose file name is written in upper case draws its text: ten
// letters "i" in the monospaced face are far wider than in any proportional face the system
// would substitute.
void tst_RenderTool::script_fontNamedInUpperCaseIsRegistered()
{
    QTemporaryDir temp;
    QVERIFY(QDir(temp.path()).mkpath(u"resources"_s));
    const QString fixtures = QStringLiteral(ZENTIL_FIXTURES_DIR "/render/");
    QVERIFY(QFile::copy(fixtures + u"Second.TTF"_s, temp.filePath(u"resources/Second.TTF"_s)));
    QVERIFY(QFile::copy(fixtures + u"block.bmp"_s, temp.filePath(u"resources/block.bmp"_s)));
    const QString script = temp.filePath(u"fonts.zentil"_s);
    zentil::test::WriteFile(script,
        "%resource\n/resource {Second.TTF block.bmp}\n%slide\n/image {700 500 block.bmp}\n"
        "/font {face 'Zentil Second' size 60 color 100 100 100}\n"
        "/text {100 300 lj iiiiiiiiii}\n");
    const QString out = temp.filePath(u"fonts.png"_s);
    const ToolRun run = RunTool({ u"render"_s, script, u"--slide"_s, u"1"_s, u"--out"_s, out });
    QCOMPARE(run.exitCode, 0);
    const QRect text
        = BoundingBox(QImage(out), [](QRgb c) { return qRed(c) > 128 && qBlue(c) > 128; });
    QVERIFY2(text.width() > 250, qPrintable(u"text %1 pixels wide"_s.arg(text.width())));
}

QTEST_MAIN(tst_RenderTool)
#include "tst_rendertool.moc"
