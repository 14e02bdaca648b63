#include "tool/PreviewWindow.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

class tst_Preview : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

    QString Script() const { return dir_.filePath(u"show.zentil"_s); }

    // Saves as many editors do: a new file renamed over the old one.
    void SaveByRename(const QString& fill, const QString& line6 = u"/box {1 1 2 2}"_s)
    {
        const QString text = u"%resource\n/resource {talk.wav}\n%slide\n/play {talk.wav}\n"
                             "/box {0 0 800 600 fill %1 penwidth 0}\n%2\n%slide\n"
                             "/play {talk.wav}\n"_s.arg(fill, line6);
        QFile f(Script() + u".new"_s);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        f.close();
        QCOMPARE(std::rename(qPrintable(f.fileName()), qPrintable(Script())), 0);
    }

private Q_SLOTS:
    void redrawsWhenSavedAndShowsErrors()
    {
        QDir(dir_.path()).mkdir(u"resources"_s);
        QFile sound(dir_.filePath(u"resources/talk.wav"_s));
        QVERIFY(sound.open(QIODevice::WriteOnly));
        sound.close();
        SaveByRename(u"#FF0000"_s);
        PreviewWindow window(Script());
        window.show();
        QCOMPARE(window.Picture().pixelColor(400, 300), QColor(255, 0, 0));
        QCOMPARE(window.ProblemLines(), QStringList());

        SaveByRename(u"#0000FF"_s);
        QTRY_COMPARE(window.Picture().pixelColor(400, 300), QColor(0, 0, 255));
        SaveByRename(u"#0000FF"_s, u"/txet {1 1 lj a}"_s);
        QTRY_VERIFY2(window.ProblemLines().join(u'\n').contains(
                         u"line 6:1: error: unknown command '/txet'"_s),
            qPrintable(window.ProblemLines().join(u'\n')));

        QTest::keyClick(&window, Qt::Key_PageDown);
        QCOMPARE(window.SlideNumber(), 2);
        QCOMPARE(window.Picture().pixelColor(400, 300), QColor(0, 0, 0));
        QTest::keyClick(&window, Qt::Key_Home);
        QCOMPARE(window.SlideNumber(), 1);
        QTest::keyClick(&window, Qt::Key_End);
        QCOMPARE(window.SlideNumber(), 2);

        // A show that cannot load keeps the window, with its first problems listed on it.
        SaveByRename(u"#0000FF"_s, u"/txet {}\n"_s.repeated(13) + u"/version {9}"_s);
        QTRY_COMPARE(window.ProblemLines().size(), 13);
        QCOMPARE(window.ProblemLines().last(), u"..."_s);
        QVERIFY(window.Picture().isNull());
        window.grab();
    }
};

} // namespace zentil

QTEST_MAIN(zentil::tst_Preview)
#include "tst_preview.moc"
