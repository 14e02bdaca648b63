#include "playback/ResourcePanel.h"
#include "playback/ViewerKeys.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

Q_DECLARE_METATYPE(QList<int>)

class tst_ViewerKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keys_data();
    void keys();
    void timeLeft_data();
    void timeLeft();
};

// Each row: the keys pressed (negative: held, repeating) and what the player was asked to do.
void tst_ViewerKeys::keys_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("playing");
    QTest::addColumn<QString>("asked");
    QTest::newRow("F and F11 toggle full screen")
        << QList<int> { Qt::Key_F, Qt::Key_F11 } << true << u"full full "_s;
    QTest::newRow("F1, ? and H open help")
        << QList<int> { Qt::Key_F1, Qt::Key_Question, Qt::Key_H } << true << u"help help help "_s;
    QTest::newRow("Q leaves") << QList<int> { Qt::Key_Q } << true << u"leave "_s;
    QTest::newRow("B blanks black and pauses, B returns and resumes") << QList<int> { Qt::Key_B,
        Qt::Key_Right, Qt::Key_Period } << true << u"pause blank:#000000 blank:- pause "_s;
    QTest::newRow("W blanks white; paused stays paused")
        << QList<int> { Qt::Key_W, Qt::Key_Comma } << false << u"blank:#ffffff blank:- "_s;
    QTest::newRow("B then W changes the colour") << QList<int> { Qt::Key_B, Qt::Key_W,
        Qt::Key_W } << true << u"pause blank:#000000 blank:#ffffff blank:- pause "_s;
    QTest::newRow("held B blanks once")
        << QList<int> { Qt::Key_B, -Qt::Key_B, -Qt::Key_B } << true << u"pause blank:#000000 "_s;
    QTest::newRow("digits then Enter go to the slide")
        << QList<int> { Qt::Key_1, Qt::Key_2, Qt::Key_Return } << true << u"go:12 "_s;
    QTest::newRow("Enter alone is the show's") << QList<int> { Qt::Key_Return } << true << u""_s;
    QTest::newRow("another key drops the number")
        << QList<int> { Qt::Key_4, Qt::Key_Space, Qt::Key_Enter } << true << u""_s;
}

void tst_ViewerKeys::keys()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, playing);
    QString asked;
    bool paused = !playing;
    ViewerKeys viewer;
    ViewerKeyHooks hooks;
    hooks.ToggleFullScreen = [&] { asked += u"full "_s; };
    hooks.ShowHelp = [&] { asked += u"help "_s; };
    hooks.Leave = [&] { asked += u"leave "_s; };
    hooks.Step = [&](bool forward) { asked += forward ? u"next "_s : u"back "_s; };
    hooks.GoToSlide = [&](int n) { asked += u"go:%1 "_s.arg(n); };
    hooks.NarrationPlaying = [&] { return !paused; };
    hooks.PauseToggle = [&] {
        paused = !paused;
        asked += u"pause "_s;
    };
    hooks.Blank
        = [&](const QColor& c) { asked += u"blank:"_s + (c.isValid() ? c.name() : u"-"_s) + u' '; };
    viewer.SetHooks(hooks);
    for (int key : keys) {
        viewer.KeyDown(std::abs(key), key < 0);
        viewer.KeyUp(std::abs(key), key < 0);
    }
    QTEST(asked, "asked");
    // A held arrow steps on; a held toggle (Space, I) is dropped.
    ViewerKeys fresh;
    QVERIFY(!fresh.KeyDown(Qt::Key_Right, true) && !fresh.KeyUp(Qt::Key_Right, true));
    QVERIFY(fresh.KeyDown(Qt::Key_Space, true) && fresh.KeyUp(Qt::Key_I, true));
    QVERIFY(!fresh.KeyDown(Qt::Key_Space, false) && !fresh.KeyUp(Qt::Key_I, false));
}

void tst_ViewerKeys::timeLeft_data()
{
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<double>("done");
    QTest::addColumn<QString>("text");
    QTest::newRow("too early") << qint64(500) << 0.5 << QString();
    QTest::newRow("too little done") << qint64(5000) << 0.01 << QString();
    QTest::newRow("half in 10 s") << qint64(10000) << 0.5 << u"About 10 seconds left"_s;
    QTest::newRow("a tenth in 20 s") << qint64(20000) << 0.1 << u"About 3 minutes left"_s;
    QTest::newRow("done") << qint64(20000) << 1.0 << QString();
}

void tst_ViewerKeys::timeLeft()
{
    QFETCH(qint64, elapsedMs);
    QFETCH(double, done);
    QTEST(ResourcePanel::EstimateTimeLeft(elapsedMs, done), "text");
}

QTEST_MAIN(tst_ViewerKeys)
#include "tst_viewerkeys.moc"
