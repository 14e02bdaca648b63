#include "playback/InfoPanel.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QTest>

using namespace zentil;
using namespace Qt::Literals::StringLiterals;

namespace {

QStringList Texts(const std::vector<InfoPanelLine>& lines)
{
    QStringList texts;
    for (const InfoPanelLine& line : lines)
        texts << line.Text;
    return texts;
}

PresentationInfo SampleInfo()
{
    PresentationInfo info;
    info.TitleText = u"Harbour Walks\r"_s;
    info.AuthorText = u"A. Author\r  B. Author\r"_s;
    info.CommentsText = u"\r"_s; // a directive without text takes no room
    info.DataKbps = 32;
    info.DataLength = 125;
    return info;
}

const QDateTime kMoment(QDate(2026, 3, 4), QTime(15, 7));

} // namespace

class InfoPanelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showLengthIsFormatted_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0 << u" 0:00"_s;
        QTest::newRow("minutes") << 125 << u" 2:05"_s;
        QTest::newRow("just below an hour") << 3599 << u"59:59"_s;
        QTest::newRow("an hour") << 3600 << u" 1:00:00"_s;
        QTest::newRow("hours") << 3725 << u" 1:02:05"_s;
        QTest::newRow("ten hours") << 36061 << u"10:01:01"_s;
    }
    void showLengthIsFormatted()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(FormatShowLength(seconds), text);
    }

    void linesLeaveOutWhatIsEmpty()
    {
        const PresentationInfo info = SampleInfo();
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(Texts(InfoPanelLines({ &info, 2, 7, kMoment, us })),
            QStringList(
                { u"Harbour Walks"_s, u"A. Author"_s, u"B. Author"_s, u"March 04, 2026   3:07 PM"_s,
                    u"Slide 2 of 7"_s, u"Encoded: 32 kbps"_s, u"Length:  2:05"_s }));
        const QStringList noSlides = Texts(InfoPanelLines({ &info, 0, 0, kMoment, us }));
        QVERIFY(noSlides.filter(u"Slide"_s).isEmpty());
        const std::vector<InfoPanelLine> lines = InfoPanelLines({ &info, 2, 7, kMoment, us });
        QVERIFY(lines[0].Font.pixelSize() > lines[1].Font.pixelSize());
        QVERIFY(lines[1].Font.bold() && !lines[3].Font.bold());
    }

    void panelFitsThePicture_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("comments");
        QTest::newRow("sample") << SampleInfo().TitleText << SampleInfo().CommentsText;
        // Whatever the texts, the panel fits the picture and keeps the facts below them.
        QTest::newRow("a 200,000-character title") << QString(200000, u'W') << QString();
        QTest::newRow("thousands of lines")
            << u"long line \r"_s.repeated(800) << u"A comment line\r"_s.repeated(5000);
    }
    void panelFitsThePicture()
    {
        QFETCH(QString, title);
        QFETCH(QString, comments);
        PresentationInfo info = SampleInfo();
        info.TitleText = title;
        info.CommentsText = comments;
        const InfoPanelContent content { &info, 2, 7, kMoment, QLocale(QLocale::C) };
        const InfoPanelPicture panel = DrawInfoPanel(content);
        const QRect placed(panel.TopLeft, panel.Image.size());
        QVERIFY2(QRect(0, 0, 800, 600).contains(placed),
            qPrintable(u"%1x%2"_s.arg(placed.width()).arg(placed.height())));
        QCOMPARE(Texts(InfoPanelLines(content)).last(), u"Length:  2:05"_s);
        int white = 0;
        for (int y = 0; y < placed.height(); ++y)
            for (int x = 0; x < placed.width(); ++x)
                white += panel.Image.pixelColor(x, y) == QColor(Qt::white) ? 1 : 0;
        QVERIFY2(white > 200, "the texts and separators are drawn in white");
    }
};

QTEST_MAIN(InfoPanelTest)
#include "tst_infopanel.moc"
