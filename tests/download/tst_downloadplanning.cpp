// The start-marker plan and the panel's byte caption.
#include "download/DownloadPlanning.h"
#include "script/PresentationModel.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

// Slides given as "a.ogg,a.jpg;b.ogg;c.ogg" with their tables.
SlideShowModel MakeModel(const QString& slides, const QList<int>& downSizes,
    const QList<int>& oggSizes, const QList<double>& oggTimes)
{
    SlideShowModel model;
    const QStringList perSlide = slides.split(u';');
    for (qsizetype i = 0; i < perSlide.size(); ++i) {
        Slide slide;
        for (const QString& name : perSlide[i].split(u',', Qt::SkipEmptyParts))
            slide.ResourceName.push_back(name);
        model.Slides.push_back(slide);
        model.SlideDownLoadSize.push_back(downSizes.value(i));
        model.SlideOggFileSize.push_back(oggSizes.value(i));
        model.SlideOggFileTime.push_back(static_cast<float>(oggTimes.value(i)));
    }
    return model;
}

} // namespace

class TestDownloadPlanning : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placesTheStartMarker_data();
    void placesTheStartMarker();
    void cachingCaption_data();
    void cachingCaption();
};

void TestDownloadPlanning::placesTheStartMarker_data()
{
    QTest::addColumn<QString>("slides");
    QTest::addColumn<QList<int>>("downSizes");
    QTest::addColumn<QList<int>>("oggSizes");
    QTest::addColumn<QList<double>>("oggTimes");
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("firstSlide");
    QTest::addColumn<QString>("queue");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("preCount");
    QTest::addColumn<int>("postCount");

    // 1000 bytes/s is 6624 usable bits/s: 33120 bytes take 40 s, 3312 bytes 4 s.
    const QString three = u"a.ogg,a.jpg;b.ogg;c.ogg"_s;
    QTest::newRow("fast: every slide fits from the first")
        << three << QList<int> { 500, 33120, 3312 } << QList<int> { 0, 0, 0 }
        << QList<double> { 10, 50, 10 } << 1e9 << 1 << u" a.jpg b.ogg c.ogg"_s
        << u"a.jpg | b.ogg c.ogg"_s << 2 << 2;
    QTest::newRow("slide 2 would come late: start after it")
        << three << QList<int> { 500, 33120, 3312 } << QList<int> { 0, 0, 0 }
        << QList<double> { 10, 50, 10 } << 1000.0 << 1 << u"a.jpg b.ogg c.ogg"_s
        << u"a.jpg b.ogg | c.ogg"_s << 3 << 1;
    QTest::newRow("decoding time counts too")
        << three << QList<int> { 500, 10, 10 } << QList<int> { 0, 1000000, 0 }
        << QList<double> { 10, 50, 10 } << 1e9 << 1 << u"a.jpg b.ogg c.ogg"_s
        << u"a.jpg b.ogg | c.ogg"_s << 3 << 1;
    QTest::newRow("slow: every file first")
        << three << QList<int> { 500, 33120, 33120 } << QList<int> { 0, 0, 0 }
        << QList<double> { 1, 1, 1 } << 1000.0 << 1 << u"a.jpg b.ogg c.ogg"_s
        << u"a.jpg b.ogg c.ogg |"_s << 4 << 0;
    QTest::newRow("rate unknown: every file first")
        << three << QList<int> { 500, 10, 10 } << QList<int> { 0, 0, 0 }
        << QList<double> { 10, 50, 10 } << 0.0 << 1 << u"a.jpg b.ogg c.ogg"_s
        << u"a.jpg b.ogg c.ogg |"_s << 4 << 0;
    QTest::newRow("first slide's files all present: marker at the head")
        << u"a.ogg;b.ogg;c.ogg"_s << QList<int> { 0, 100, 100 } << QList<int> { 0, 0, 0 }
        << QList<double> { 10, 10, 10 } << 1e9 << 1 << u"b.ogg c.ogg"_s << u"| b.ogg c.ogg"_s << 1
        << 2;
    QTest::newRow("probe file was the slide's only queued file")
        << u"a.ogg;b.ogg;c.ogg"_s << QList<int> { 900, 100, 100 } << QList<int> { 0, 0, 0 }
        << QList<double> { 10, 10, 10 } << 1e9 << 1 << u"b.ogg c.ogg"_s << u"| b.ogg c.ogg"_s << 1
        << 2;
    QTest::newRow("a name inside another name does not match")
        << three << QList<int> { 500, 100, 100 } << QList<int> { 0, 0, 0 }
        << QList<double> { 10, 10, 10 } << 1e9 << 1 << u"xa.jpg a.jpg c.ogg"_s
        << u"xa.jpg a.jpg | c.ogg"_s << 3 << 1;
    QTest::newRow("names match ignoring case")
        << three << QList<int> { 500, 100, 100 } << QList<int> { 0, 0, 0 }
        << QList<double> { 10, 10, 10 } << 1e9 << 1 << u"A.JPG b.ogg c.ogg"_s
        << u"A.JPG | b.ogg c.ogg"_s << 2 << 2;
    QTest::newRow("starting at a later slide: its files come first")
        << three << QList<int> { 500, 300, 300 } << QList<int> { 0, 0, 0 }
        << QList<double> { 10, 10, 10 } << 1e9 << 2 << u"a.jpg b.ogg c.ogg"_s
        << u"a.jpg b.ogg | c.ogg"_s << 3 << 1;
    QTest::newRow("starting at the last slide: every file first")
        << three << QList<int> { 500, 300, 300 } << QList<int> { 0, 0, 0 }
        << QList<double> { 10, 10, 10 } << 1e9 << 3 << u"a.jpg b.ogg c.ogg"_s
        << u"a.jpg b.ogg c.ogg |"_s << 4 << 0;
}

void TestDownloadPlanning::placesTheStartMarker()
{
    QFETCH(QString, slides);
    QFETCH(QList<int>, downSizes);
    QFETCH(QList<int>, oggSizes);
    QFETCH(QList<double>, oggTimes);
    QFETCH(double, rate);
    QFETCH(int, firstSlide);
    QFETCH(QString, queue);
    QFETCH(QString, expected);
    QFETCH(int, preCount);
    QFETCH(int, postCount);
    SlideShowModel model = MakeModel(slides, downSizes, oggSizes, oggTimes);
    model.Queue.BeforeStart = queue.split(u' ', Qt::SkipEmptyParts);
    model.Queue.Probe = true;
    PlaceStartMarker(model, rate, firstSlide);
    QCOMPARE(model.Queue.Text(), expected);
    QCOMPARE(model.PreStartFileCount, preCount);
    QCOMPARE(model.PostStartFileCount, postCount);
}

void TestDownloadPlanning::cachingCaption_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one decimal") << qint64(1234) << qint64(5678) << 5150.0
                                 << u"caching 1234 of 5678 bytes at 41.2 Kbps"_s;
    QTest::newRow("whole number") << qint64(1) << qint64(2) << 1000.0
                                  << u"caching 1 of 2 bytes at 8 Kbps"_s;
    QTest::newRow("half rounds to even, down")
        << qint64(1) << qint64(2) << 6.25 << u"caching 1 of 2 bytes at 0 Kbps"_s;
    QTest::newRow("half rounds to even, up")
        << qint64(1) << qint64(2) << 18.75 << u"caching 1 of 2 bytes at 0.2 Kbps"_s;
    QTest::newRow("fast loopback") << qint64(200000) << qint64(200000) << 125000000.0
                                   << u"caching 200000 of 200000 bytes at 1000000 Kbps"_s;
}

void TestDownloadPlanning::cachingCaption()
{
    QFETCH(qint64, bytes);
    QFETCH(qint64, size);
    QFETCH(double, rate);
    QFETCH(QString, expected);
    QCOMPARE(CachingCaption(bytes, size, rate), expected);
}

QTEST_GUILESS_MAIN(TestDownloadPlanning)
#include "tst_downloadplanning.moc"
