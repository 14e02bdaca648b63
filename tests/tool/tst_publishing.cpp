#include "script/PresentationModel.h"
#include "support/ImageDistance.h"
#include "tool/ExportCommand.h"
#include "tool/HandoutCommand.h"
#include "tool/RenderToolCommand.h"
#include "tool/ToolShow.h"
#include "tool/VideoEncoder.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

const QString kDemo = QStringLiteral(ZENTIL_FIXTURES_DIR "/../../examples/demo/demo.zentil");

QByteArray Run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

} // namespace

class tst_Publishing : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

private Q_SLOTS:
    void exportPlaysEverySlideForItsNarration()
    {
        const QString video = dir_.filePath(u"demo.mp4"_s);
        QString out, err;
        QTextStream o(&out), e(&err);
        QCOMPARE(RunExportCommand(
                     { kDemo, video, u"--size"_s, u"960x540"_s, u"--fps"_s, u"10"_s }, o, e),
            0);
        const QJsonObject probe
            = QJsonDocument::fromJson(Run(u"ffprobe"_s,
                                          { u"-v"_s, u"error"_s, u"-show_streams"_s,
                                              u"-show_format"_s, u"-of"_s, u"json"_s, video }))
                  .object();
        QStringList codecs;
        for (const auto& stream : probe[u"streams"_s].toArray())
            codecs << stream[u"codec_name"_s].toString();
        QCOMPARE(codecs, (QStringList { u"h264"_s, u"aac"_s }));

        ToolShow show;
        QVERIFY(show.Load(kDemo, u"test"_s, e));
        const SlideShowModel& model = show.Model();
        double start = 0;
        for (int n = 1; n <= model.SlideCount(); ++n) {
            std::vector<float> sound;
            QString problem;
            QVERIFY2(DecodeSoundFile(show.NarrationFile(n), sound, &problem), qPrintable(problem));
            const double length = double(sound.size()) / 2 / VideoEncoder::SampleRate;
            // The frame in the middle of the slide shows the subslides due by then; a subslide
            // starts at the frame nearest its time (10 frames a second here).
            const auto frameOf = [](double t) { return std::llround(t * 10); };
            const auto middle = frameOf(start + length / 2);
            int shown = 0;
            for (const Subslide& s : model.SlideAt(n).SubSlide)
                shown += frameOf(start + s.StartTime / 1000.0) <= middle ? 1 : 0;
            const QString frame = dir_.filePath(u"frame%1.png"_s.arg(n));
            Run(u"ffmpeg"_s,
                { u"-v"_s, u"error"_s, u"-y"_s, u"-ss"_s,
                    QString::number(middle / 10.0 - 0.001, 'f', 3), u"-i"_s, video, u"-frames:v"_s,
                    u"1"_s, frame });
            // Drawn at the video's size as `render` draws it, not scaled from 800×600.
            const QString still = dir_.filePath(u"still%1.png"_s.arg(n));
            QCOMPARE(RunRenderCommand({ kDemo, u"--slide"_s, QString::number(n), u"--subslide"_s,
                         QString::number(shown), u"--size"_s, u"960x540"_s, u"--out"_s, still }),
                0);
            const double psnr = test::Psnr(QImage(frame), QImage(still));
            qInfo("slide %d: %.2f dB", n, psnr);
            QVERIFY2(psnr > 35, qPrintable(u"slide %1: %2 dB"_s.arg(n).arg(psnr)));
            start += length;
        }
        const double duration = probe[u"format"_s][u"duration"_s].toString().toDouble();
        QVERIFY2(std::abs(duration - start) < 0.2,
            qPrintable(u"video %1 s, narrations %2 s"_s.arg(duration).arg(start)));
    }

    void handoutPages_data()
    {
        QTest::addColumn<int>("perPage");
        QTest::addColumn<int>("pages");
        QTest::newRow("1") << 1 << 6;
        QTest::newRow("4") << 4 << 2;
        QTest::newRow("6") << 6 << 1;
    }

    void handoutPages()
    {
        QFETCH(int, perPage);
        QFETCH(int, pages);
        const QString pdf = dir_.filePath(u"handout.pdf"_s);
        QString out, err;
        QTextStream o(&out), e(&err);
        QCOMPARE(
            RunHandoutCommand({ kDemo, pdf, u"--per-page"_s, QString::number(perPage) }, o, e), 0);
        const QString info = QString::fromUtf8(Run(u"pdfinfo"_s, { pdf }));
        QVERIFY2(
            info.contains(QRegularExpression(u"Pages:\\s+%1\\n"_s.arg(pages))), qPrintable(info));
        const QString text = QString::fromUtf8(Run(u"pdftotext"_s, { u"-raw"_s, pdf, u"-"_s }));
        QVERIFY2(text.contains(u"A Tour of Zentil"_s), qPrintable(text));
        // A slide's words are found once, its shadowed title too.
        for (const QString& want : { u"Slide 6"_s, u"What is a presentation?"_s })
            QVERIFY2(text.count(want) == 1, qPrintable(want + u" in: "_s + text));
        // Slide 3 has no pictures: drawn as vectors, its page holds none (the list's heading only).
        if (perPage == 1)
            QCOMPARE(Run(u"pdfimages"_s, { u"-list"_s, u"-f"_s, u"3"_s, u"-l"_s, u"3"_s, pdf })
                         .count('\n'),
                2);
    }
};

} // namespace zentil

QTEST_MAIN(zentil::tst_Publishing)
#include "tst_publishing.moc"
