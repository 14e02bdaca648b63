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
    QList<QByteArray> names { "http_proxy", "HTTP_PROXY", "ftp_proxy", "FTP_PROXY" };
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
    QTest::addColumn<QByteArray>("httpProxy");
    QTest::addColumn<QByteArray>("ftpProxy");
    QTest::addColumn<QString>("httpServer");
    QTest::addColumn<int>("httpPort");
    QTest::addColumn<bool>("ftpEnabled");
    QTest::addColumn<QString>("ftpServer");
    QTest::addColumn<int>("ftpPort");
    QTest::newRow("host and port serve both") << QByteArray("corp:8080") << QByteArray()
                                              << u"corp"_s << 8080 << true << u"corp"_s << 8080;
    QTest::newRow("a proxy URL") << QByteArray("http://user:pw@corp.example:3128/") << QByteArray()
                                 << u"corp.example"_s << 3128 << true << u"corp.example"_s << 3128;
    QTest::newRow("a URL without port") << QByteArray("http://corp/") << QByteArray() << u"corp"_s
                                        << 1080 << true << u"corp"_s << 1080;
    QTest::newRow("separate ftp proxy") << QByteArray("web:80") << QByteArray("files:21")
                                        << u"web"_s << 80 << true << u"files"_s << 21;
    QTest::newRow("switched off: the file decides")
        << QByteArray() << QByteArray() << u"fromfile"_s << 1 << false << QString() << 0;
}

void TestProxySettings::systemSettingWins()
{
    QFETCH(QByteArray, httpProxy);
    QFETCH(QByteArray, ftpProxy);
    QFETCH(QString, httpServer);
    QFETCH(int, httpPort);
    QFETCH(bool, ftpEnabled);
    QFETCH(QString, ftpServer);
    QFETCH(int, ftpPort);
    ProxyEnvironment environment;
    if (!httpProxy.isEmpty())
        qputenv("http_proxy", httpProxy);
    if (!ftpProxy.isEmpty())
        qputenv("FTP_PROXY", ftpProxy);
    QTemporaryDir dir;
    ProxySettings settings;
    ReadProxyServer(settings,
        WriteFile(
            dir, "http proxy server = fromfile\nhttp proxy port = 1\nhttp proxy enabled = true\n"));
    GetProxyServer(settings);
    QVERIFY(settings.HTTPProxyEnabled);
    QCOMPARE(settings.HTTPProxyServer, httpServer);
    QCOMPARE(settings.HTTPProxyPort, httpPort);
    QCOMPARE(settings.FTPProxyEnabled, ftpEnabled);
    QCOMPARE(settings.FTPProxyServer, ftpServer);
    QCOMPARE(settings.FTPProxyPort, ftpPort);
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
    QCOMPARE(RunConnectFailureDialog(nullptr, false), u"exitzentil"_s);
}

void TestProxySettings::connectFailureButtonsAnswer_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("reply");
    QTest::newRow("Try Again") << u"Try Again"_s << u"tryagain"_s;
    QTest::newRow("Set Proxy Server") << u"Set Proxy Server"_s << u"setproxyserver"_s;
    QTest::newRow("Exit Zentil") << u"Exit Zentil"_s << u"exitzentil"_s;
    QTest::newRow("closed otherwise") << QString() << u"exitzentil"_s;
}

void TestProxySettings::connectFailureButtonsAnswer()
{
    QFETCH(QString, button);
    QFETCH(QString, reply);
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
    QCOMPARE(dialog.Reply(), reply);
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
    QCOMPARE(dialog.Reply(), u"tryagain"_s);
    QVERIFY2(qAbs(where.x() - 400) < 2 && qAbs(where.y() - 300) < 40,
        qPrintable(u"%1,%2"_s.arg(where.x()).arg(where.y())));
    QVERIFY(scene.items().isEmpty());
}

QTEST_MAIN(TestProxySettings)
#include "tst_proxysettings.moc"
