#include "app/ErrorDisplay.h"
#include "app/ErrorTexts.h"
#include "app/PlayerErrorReporter.h"
#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "platform/MonotonicClock.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

// Runs inspect on the modal widget as soon as the nested event loop shows it; inspect must
// close it. Gives up (and records a failure) after about five seconds.
void WhenModalShown(std::function<void(QWidget*)> inspect, int triesLeft = 500)
{
    QTimer::singleShot(10, [inspect = std::move(inspect), triesLeft]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            inspect(modal);
        } else if (triesLeft > 0) {
            WhenModalShown(std::move(inspect), triesLeft - 1);
        } else {
            QFAIL("no modal widget appeared");
        }
    });
}

void ClickButton(QWidget* dialog, const QString& name)
{
    auto* button = dialog->findChild<QPushButton*>(name);
    QVERIFY2(button, qPrintable(u"no button "_s + name));
    button->click();
}

} // namespace

class TestErrorReporting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fatalMessagesPerKind_data();
    void fatalMessagesPerKind();
    void reportWrapsAtBlanksAndCutsLongWords();
    void detailsButtonRevealsDetails();
    void secondFatalErrorUnderTheMessageIsIgnored();
    void fatalErrorsShowOneMessageThenShutDown_data();
    void fatalErrorsShowOneMessageThenShutDown();
    void reportPrintsOnAPrinter();

private:
    MonotonicClock clock_;
    DebugLog log_ { clock_, false };
};

// Every message names the show; a corrupt copy outside the cache names the folder to delete,
// one inside the cache is marked for deletion at shut-down.
void TestErrorReporting::fatalMessagesPerKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("insideCache");
    QTest::addColumn<QString>("names");
    QTest::addColumn<bool>("corrupt");
    QTest::newRow("encrypt in cache") << int(FatalErrorKind::Encrypt) << true << u"Cells"_s << true;
    QTest::newRow("encrypt elsewhere")
        << int(FatalErrorKind::Encrypt) << false << u"folder /media/cd/cells"_s << false;
    QTest::newRow("slidecount") << int(FatalErrorKind::SlideCount) << false << u"Cells"_s << false;
    QTest::newRow("soundfile") << int(FatalErrorKind::SoundFile) << false << u"slide 12"_s << false;
}

void TestErrorReporting::fatalMessagesPerKind()
{
    QFETCH(int, kind);
    QFETCH(bool, insideCache);
    QFETCH(QString, names);
    const FatalError error
        = MakeFatalError(FatalErrorKind(kind), u"Cells"_s, u"/media/cd/cells"_s, insideCache, 12);
    QVERIFY(!error.Title.isEmpty());
    QVERIFY2(error.Text.contains(u"running Cells"_s) && error.Text.contains(names),
        qPrintable(error.Text));
    QCOMPARE(error.Text.contains(u"/media/cd/cells"_s), !insideCache && kind == 0);
    QTEST(error.CorruptFileFound, "corrupt");
}

void TestErrorReporting::reportWrapsAtBlanksAndCutsLongWords()
{
    const QStringList cut = WrapReportText(QString(200, u'x'));
    QCOMPARE(cut.size(), 3);
    QCOMPARE(cut[0].size(), 71);
    QCOMPARE(cut[1].size(), 71);
    QCOMPARE(cut[2].size(), 58);

    // 70 characters, a blank, then more: the line ends at that blank, which is dropped.
    const QString first = QString(30, u'a') + u' ' + QString(39, u'b');
    const QStringList wrapped = WrapReportText(first + u"  second part"_s);
    QCOMPARE(wrapped, QStringList({ first, u"second part"_s }));

    // A text of exactly 72 characters stays one line.
    QCOMPARE(WrapReportText(QString(36, u'a') + u' ' + QString(35, u'b')).size(), 1);

    QCOMPARE(
        WrapReportText(u"one\r\ntwo\rthree"_s), QStringList({ u"one"_s, u"two"_s, u"three"_s }));
}

// The report dialog offers Print and OK; a Details button only when there are details, which
// it reveals, growing the dialog.
void TestErrorReporting::detailsButtonRevealsDetails()
{
    ErrorReportingState state;
    state.ErrorDescriptionText = MissingPresentationText(u"gone.zentil"_s);
    PlayerErrorReporter reporter(state, log_, {});
    bool inspected = false;
    WhenModalShown([&](QWidget* dialog) {
        inspected = true;
        QVERIFY(dialog->findChild<QPushButton*>(u"PrintErrorCmd"_s)->isVisible());
        QVERIFY(!dialog->findChild<QPushButton*>(u"ShowDetailsCmd"_s)->isVisible());
        ClickButton(dialog, u"ExitErrorCmd"_s);
    });
    reporter.ShowErrorDisplay(); // returns only once OK has closed the dialog
    QVERIFY(inspected);

    ErrorDisplay dialog(u"The show could not be read."_s, u"Statement 7: /play {talk.mp3}"_s);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* details = dialog.findChild<QWidget*>(u"DetailsBackground"_s);
    auto* detailsButton = dialog.findChild<QPushButton*>(u"ShowDetailsCmd"_s);
    QVERIFY(detailsButton->isVisible() && !details->isVisible());
    const int heightBefore = dialog.height();
    detailsButton->click();
    QVERIFY(details->isVisible() && !detailsButton->isVisible());
    QTRY_VERIFY2(dialog.height() > heightBefore, "the dialog must grow to show the details");
}

void TestErrorReporting::secondFatalErrorUnderTheMessageIsIgnored()
{
    ErrorReportingState state;
    int shutdowns = 0;
    int boxes = 0;
    PlayerErrorReporter reporter(state, log_, { {}, [&] { ++shutdowns; } });

    WhenModalShown([&](QWidget* widget) {
        ++boxes;
        // A timer firing under the message reports another fatal error.
        state.MissingFileName = u"late.ogg"_s;
        reporter.DisplayResourceFatalError();
        reporter.ExecuteFatalError(MakeFatalError(FatalErrorKind::SlideCount, u"X"_s));
        qobject_cast<QMessageBox*>(widget)->button(QMessageBox::Ok)->click();
    });
    reporter.ExecuteFatalError(MakeFatalError(FatalErrorKind::SoundFile, u"X"_s, {}, false, 2));
    QCOMPARE(boxes, 1);
    QCOMPARE(shutdowns, 1);
}

// One modal message, then the shut-down; a missing resource stops both players first.
void TestErrorReporting::fatalErrorsShowOneMessageThenShutDown_data()
{
    QTest::addColumn<bool>("resource");
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("lookingFor");
    QTest::addColumn<QString>("shownName"); // empty: the message is empty
    QTest::newRow("corrupt cached copy") << false << QString() << QString() << u"Cells"_s;
    QTest::newRow("missing file name")
        << true << u"photo1.jpg"_s << u"talk.ogg"_s << u"photo1.jpg"_s;
    QTest::newRow("slide resource") << true << QString() << u"talk.ogg"_s << u"talk.ogg"_s;
    QTest::newRow("neither") << true << QString() << QString() << QString();
}

void TestErrorReporting::fatalErrorsShowOneMessageThenShutDown()
{
    QFETCH(bool, resource);
    QFETCH(QString, missing);
    QFETCH(QString, lookingFor);
    QFETCH(QString, shownName);
    ErrorReportingState state;
    state.MissingFileName = missing;
    QStringList events;
    PlayerErrorReporter reporter(state, log_,
        { [&](int32_t player) { events.append(u"stop "_s + QString::number(player)); },
            [&] { events.append(u"shutdown"_s); } });

    QString shown;
    WhenModalShown([&](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        QVERIFY(box && box->isModal());
        QCOMPARE(box->buttons().size(), 1);
        shown = box->text();
        events.append(u"box"_s);
        box->button(QMessageBox::Ok)->click();
    });
    if (resource)
        reporter.DisplayResourceFatalError(lookingFor);
    else
        reporter.ExecuteFatalError(
            MakeFatalError(FatalErrorKind::Encrypt, u"Cells"_s, QString(), true));

    QStringList expected { u"box"_s, u"shutdown"_s };
    if (resource)
        expected = QStringList { u"stop 1"_s, u"stop 2"_s } + expected;
    QCOMPARE(events, expected);
    QCOMPARE(shown.isEmpty(), shownName.isEmpty());
    QVERIFY2(shown.contains(shownName), qPrintable(shown));
    QCOMPARE(state.CorruptFileFound, !resource);
    QVERIFY(reporter.FatalErrorReported());
}

void TestErrorReporting::reportPrintsOnAPrinter()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(u"report.pdf"_s));
    // Long enough to need a second page.
    const QStringList lines
        = ErrorReportLines(u"Broken."_s, QString(9000, u'x'), QDateTime::currentDateTime());
    QVERIFY(lines.size() > 100);
    QVERIFY(PrintErrorReport(printer, lines));

    QFile pdf(dir.filePath(u"report.pdf"_s));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray content = pdf.readAll();
    QVERIFY(content.startsWith("%PDF"));
    static const QRegularExpression pageObject(u"/Type\\s*/Page[^s]"_s);
    QVERIFY2(QString::fromLatin1(content).count(pageObject) >= 2,
        "the report must run onto a second page");
}

QTEST_MAIN(TestErrorReporting)
#include "tst_errorreporting.moc"
