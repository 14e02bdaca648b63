// Proxy settings: the settings file read and written, the system (environment) setting, and
// the two dialogs of the download subsystem driven by their buttons.
#include "download/ConnectFailureDialog.h"
#include "download/DialogHost.h"
#include "download/ProxyDialog.h"
#include "download/ProxySettings.h"

#include <QCheckBox>
#include <QFile>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

QString WriteFile(const QTemporaryDir& dir, const QByteArray& text)
{
    const QString name = dir.filePath(u"proxyserver.txt"_s);
    QFile file(name);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return name;
}

// Sets or clears the proxy variables for one test and puts them back afterwards.
struct ProxyEnvironment {
    QList<QByteArray> names { "http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy",
        "NO_PROXY", "ftp_proxy", "FTP_PROXY" };
    QHash<QByteArray, QByteArray> saved;
    ProxyEnvironment()
    {
        for (const QByteArray& name : names) {
            if (qEnvironmentVariableIsSet(name.constData()))
                saved[name] = qgetenv(name.constData());
            qunsetenv(name.constData());
        }
    }
    ~ProxyEnvironment()
    {
        for (const QByteArray& name : names) {
            qunsetenv(name.constData());
            if (saved.contains(name))
                qputenv(name.constData(), saved[name]);
        }
    }
};

} // namespace

class TestProxySettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsTheSettingsFile_data();
    void readsTheSettingsFile();
    void writesThreeAlignedLines();
    void systemSettingWins_data();
    void systemSettingWins();
    void theDialogShowsTheFileAndStoresItsBoxes();
    void theDialogWithoutAFileShowsThePrompts();
    void withoutDialogsNothingChanges();
    void connectFailureButtonsAnswer_data();
    void connectFailureButtonsAnswer();
    void aHostedDialogIsDrawnInTheScene();
};

void TestProxySettings::readsTheSettingsFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("port");
    QTest::newRow("as written") << QByteArray("        http proxy server = proxy.example\r\n"
                                              "          http proxy port = 3128\r\n"
                                              "       http proxy enabled = true\r\n")
                                << true << u"proxy.example"_s << 3128;
    QTest::newRow("capitals count") << QByteArray("HTTP PROXY SERVER=p\nhttp proxy port=80a\n"
                                                  "Http Proxy Enabled = TRUE\n")
                                    << true << u"p"_s << 80;
    QTest::newRow("yes is not true")
        << QByteArray("http proxy server = p\nhttp proxy enabled = yes\n") << false << QString()
        << 0;
    QTest::newRow("1 is not true")
        << QByteArray("http proxy server = p\nhttp proxy enabled = 1\n") << false << QString() << 0;
    QTest::newRow("lines without = or with = first are ignored")
        << QByteArray("http proxy server p\n= x\nhttp proxy port = 8080\n"
                      "http proxy enabled = true\nother = 1\n")
        << true << QString() << 8080;
    QByteArray huge(4 << 20, 'x');
    QTest::newRow("read only as far as the few lines go") << QByteArray(
        "http proxy server = p\nhttp proxy enabled = true\n" + huge + "\nhttp proxy port = 99\n")
                                                          << true << u"p"_s << 0;
}

void TestProxySettings::readsTheSettingsFile()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, enabled);
    QFETCH(QString, server);
    QFETCH(int, port);
    QTemporaryDir dir;
    ProxySettings settings;
    ReadProxyServer(settings, WriteFile(dir, text));
    QCOMPARE(settings.HTTPProxyEnabled, enabled);
    QCOMPARE(settings.HTTPProxyServer, server);
    QCOMPARE(settings.HTTPProxyPort, port);
}

void TestProxySettings::writesThreeAlignedLines()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(u"proxyserver.txt"_s);
    ProxySettings settings;
    settings.HTTPProxyServer = u"proxy.example"_s;
    settings.HTTPProxyPort = 3128;
    settings.HTTPProxyEnabled = true;
    QVERIFY(WriteProxyServer(settings, name));
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
        QByteArray("        http proxy server = proxy.example\r\n"
                   "          http proxy port = 3128\r\n"
                   "       http proxy enabled = true\r\n"));
    ProxySettings back;
    ReadProxyServer(back, name);
    QCOMPARE(back.HTTPProxyServer, settings.HTTPProxyServer);
    QCOMPARE(back.HTTPProxyPort, 3128);
    QVERIFY(back.HTTPProxyEnabled);
    QVERIFY(!WriteProxyServer(settings, dir.filePath(u"no/such/folder/proxyserver.txt"_s)));
}

void TestProxySettings::systemSettingWins_data()
{
    QTest::addColumn<QList<QByteArray>>("environment"); // name=value pairs
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("proxy"); // host:port, "" for a direct connection
    const QString web = u"http://web.example/show/"_s;
    const auto env = [](std::initializer_list<const char*> values) {
        QList<QByteArray> list;
        for (const char* value : values)
            list << QByteArray(value);
        return list;
    };
    QTest::newRow("host and port") << env({ "http_proxy=corp:8080" }) << web << u"corp:8080"_s;
    QTest::newRow("a proxy URL") << env({ "http_proxy=http://user:pw@corp.example:3128/" }) << web
                                 << u"corp.example:3128"_s;
    QTest::newRow("no port: the scheme's")
        << env({ "HTTP_PROXY=http://corp/" }) << web << u"corp:80"_s;
    QTest::newRow("IPv6") << env({ "http_proxy=http://[::1]:3128" }) << web << u"::1:3128"_s;
    QTest::newRow("lower case first")
        << env({ "http_proxy=low:1", "HTTP_PROXY=up:2" }) << web << u"low:1"_s;
    QTest::newRow("ftp never serves http")
        << env({ "ftp_proxy=127.0.0.1:21" }) << web << u"fromfile:1"_s;
    QTest::newRow("https has its own")
        << env({ "http_proxy=a:1", "https_proxy=b:2" }) << u"https://web.example/"_s << u"b:2"_s;
    QTest::newRow("no_proxy domain")
        << env({ "http_proxy=a:1", "no_proxy=other,.example" }) << web << QString();
    QTest::newRow("no_proxy other port")
        << env({ "http_proxy=a:1", "NO_PROXY=web.example:8080" }) << web << u"a:1"_s;
    QTest::newRow("no_proxy not a suffix")
        << env({ "http_proxy=a:1", "no_proxy=b.example" }) << web << u"a:1"_s;
    QTest::newRow("no_proxy everything")
        << env({ "http_proxy=a:1", "no_proxy=*" }) << web << QString();
    QTest::newRow("nothing set: the file decides") << QList<QByteArray>() << web << u"fromfile:1"_s;
}

void TestProxySettings::systemSettingWins()
{
    QFETCH(QList<QByteArray>, environment);
    QFETCH(QString, address);
    QFETCH(QString, proxy);
    ProxyEnvironment saved;
    for (const QByteArray& pair : environment) {
        const qsizetype equals = pair.indexOf('=');
        qputenv(pair.left(equals).constData(), pair.mid(equals + 1));
    }
    QTemporaryDir dir;
    ProxySettings settings;
    ReadProxyServer(settings,
        WriteFile(
            dir, "http proxy server = fromfile\nhttp proxy port = 1\nhttp proxy enabled = true\n"));
    GetProxyServer(settings);
    const QNetworkProxy chosen = ProxyFor(settings, QUrl(address));
    const QString got = chosen.type() == QNetworkProxy::NoProxy
        ? QString()
        : chosen.hostName() + u":"_s + QString::number(chosen.port());
    QCOMPARE(got, proxy);
}

void TestProxySettings::theDialogShowsTheFileAndStoresItsBoxes()
{
    QTemporaryDir dir;
    const QString name = WriteFile(
        dir, "http proxy server = p.example\nhttp proxy port = 81\nhttp proxy enabled = true\n");
    ProxyServerDialog dialog;
    dialog.LoadFromFile(name);
    QCOMPARE(dialog.windowTitle(), u"Set HTTP Proxy Server"_s);
    QCOMPARE(dialog.ServerBox().text(), u"p.example"_s);
    QCOMPARE(dialog.PortBox().text(), u"81"_s);
    QVERIFY(dialog.EnableBox().isChecked());

    dialog.ServerBox().setText(u"  other.example "_s);
    dialog.PortBox().setText(u"80a"_s);
    dialog.EnableBox().setChecked(false);
    ProxySettings settings;
    dialog.StoreInto(settings);
    QCOMPARE(settings.HTTPProxyServer, u"other.example"_s);
    QCOMPARE(settings.HTTPProxyPort, 80);
    QVERIFY(!settings.HTTPProxyEnabled);
}

void TestProxySettings::theDialogWithoutAFileShowsThePrompts()
{
    QTemporaryDir dir;
    ProxyServerDialog dialog;
    dialog.LoadFromFile(dir.filePath(u"proxyserver.txt"_s));
    QCOMPARE(dialog.ServerBox().text(), u"(enter proxy server address here)"_s);
    QCOMPARE(dialog.PortBox().text(), u"0"_s);
    QVERIFY(!dialog.EnableBox().isChecked());
}

void TestProxySettings::withoutDialogsNothingChanges()
{
    QTemporaryDir dir;
    ProxySettings settings;
    settings.HTTPProxyServer = u"kept"_s;
    QVERIFY(!RunProxyDialog(settings, dir.filePath(u"proxyserver.txt"_s), nullptr, false));
    QCOMPARE(settings.HTTPProxyServer, u"kept"_s);
    QVERIFY(!QFile::exists(dir.filePath(u"proxyserver.txt"_s)));
    QVERIFY(RunConnectFailureDialog(nullptr, false) == ConnectFailureReply::ExitZentil);
}

void TestProxySettings::connectFailureButtonsAnswer_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("reply");
    QTest::newRow("Try Again") << u"Try Again"_s << int(ConnectFailureReply::TryAgain);
    QTest::newRow("Set Proxy Server")
        << u"Set Proxy Server"_s << int(ConnectFailureReply::SetProxyServer);
    QTest::newRow("Exit Zentil") << u"Exit Zentil"_s << int(ConnectFailureReply::ExitZentil);
    QTest::newRow("closed otherwise") << QString() << int(ConnectFailureReply::ExitZentil);
}

void TestProxySettings::connectFailureButtonsAnswer()
{
    QFETCH(QString, button);
    QFETCH(int, reply);
    ConnectFailureDialog dialog;
    QCOMPARE(dialog.windowTitle(), u"Connection Failure"_s);
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    QVERIFY(texts.contains(u"Several options are provided below for you to try:"_s));
    QVERIFY(texts.filter(u"The remote server is temporarily off-line."_s).size() == 1);
    if (button.isEmpty()) {
        dialog.reject();
    } else {
        QPushButton* pressed = nullptr;
        for (QPushButton* candidate : dialog.findChildren<QPushButton*>())
            if (candidate->text() == button)
                pressed = candidate;
        QVERIFY(pressed);
        QTest::mouseClick(pressed, Qt::LeftButton);
    }
    QCOMPARE(int(dialog.Reply()), reply);
}

void TestProxySettings::aHostedDialogIsDrawnInTheScene()
{
    QGraphicsScene scene(0, 0, 800, 600);
    QGraphicsView view(&scene);
    view.resize(400, 300);
    view.show();
    ConnectFailureDialog dialog;
    QPointF where;
    QTimer::singleShot(0, &dialog, [&] {
        const QList<QGraphicsItem*> items = scene.items();
        for (QGraphicsItem* item : items)
            if (auto* proxy = dynamic_cast<QGraphicsProxyWidget*>(item))
                where = proxy->sceneBoundingRect().center();
        dialog.findChild<QPushButton*>(u"tryagain"_s)->click();
    });
    RunHostedDialog(dialog, &view);
    QVERIFY(dialog.Reply() == ConnectFailureReply::TryAgain);
    QVERIFY2(qAbs(where.x() - 400) < 2 && qAbs(where.y() - 300) < 40,
        qPrintable(u"%1,%2"_s.arg(where.x()).arg(where.y())));
    QVERIFY(scene.items().isEmpty());
}

QTEST_MAIN(TestProxySettings)
#include "tst_proxysettings.moc"
