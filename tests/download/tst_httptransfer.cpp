// One HTTP transfer against a real server on 127.0.0.1 that misbehaves on purpose: what is
// stored, which player error number each failure gets, and that nothing partial is ever left.
// Also through the real tinyproxy, and over TLS with certificate checks.
#include "FaultServer.h"
#include "download/HttpTransfer.h"
#include "download/ProxySettings.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using zentil::test::ClosedPort;
using zentil::test::FaultServer;
using zentil::test::ReadAll;

Q_DECLARE_METATYPE(FaultServer::Route)

namespace {

QByteArray Pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

TransferRequest RequestFor(const QString& url, const QString& localFile, qint64 listed = 0)
{
    TransferRequest request;
    request.Url = QUrl(url);
    request.LocalFileName = localFile;
    request.ExpectedSize = listed;
    return request;
}

// One transfer, waited for.
TransferResult Get(HttpClient& client, const TransferRequest& request, TransferEvents events = {})
{
    TransferResult result { -1, {}, 0 };
    bool done = false;
    events.Finished = [&](const TransferResult& r) {
        result = r;
        done = true;
    };
    client.Start(request, std::move(events));
    (void)QTest::qWaitFor([&] { return done; }, 50000);
    return result;
}

QStringList FilesIn(const QTemporaryDir& folder)
{
    return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

class TestHttpTransfer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void qtErrorsMapOntoPlayerNumbers_data();
    void qtErrorsMapOntoPlayerNumbers();
    void storesFilesAndReusesTheConnection();
    void failedTransfersKeepNothing_data();
    void failedTransfersKeepNothing();
    void aShortAnnouncedLengthStoresWhatWasAnnounced();
    void anAbortEndsTheTransferAndKeepsNothing();
    void anUnwritableTargetIsALocalError();
    void passesThroughTinyproxy();
    void httpsChecksTheCertificate();
};

void TestHttpTransfer::qtErrorsMapOntoPlayerNumbers_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("expected");
    QTest::newRow("success") << int(QNetworkReply::NoError) << 200 << int(TransferOk);
    QTest::newRow("404") << int(QNetworkReply::ContentNotFoundError) << 404 << 20302;
    QTest::newRow("410") << int(QNetworkReply::ContentGoneError) << 410 << 20302;
    QTest::newRow("refused") << int(QNetworkReply::ConnectionRefusedError) << 0 << 26002;
    QTest::newRow("no such host") << int(QNetworkReply::HostNotFoundError) << 0 << 26002;
    QTest::newRow("timeout") << int(QNetworkReply::TimeoutError) << 0 << 26002;
    QTest::newRow("proxy refused") << int(QNetworkReply::ProxyConnectionRefusedError) << 0 << 26002;
    QTest::newRow("cancelled") << int(QNetworkReply::OperationCanceledError) << 0 << 25000;
    QTest::newRow("dropped mid-body") << int(QNetworkReply::RemoteHostClosedError) << 200 << 25000;
    QTest::newRow("server error") << int(QNetworkReply::InternalServerError) << 500 << 500;
    QTest::newRow("forbidden") << int(QNetworkReply::ContentAccessDenied) << 403 << 403;
    QTest::newRow("certificate") << int(QNetworkReply::SslHandshakeFailedError) << 0
                                 << int(QNetworkReply::SslHandshakeFailedError);
}

void TestHttpTransfer::qtErrorsMapOntoPlayerNumbers()
{
    QFETCH(int, error);
    QFETCH(int, status);
    QFETCH(int, expected);
    QCOMPARE(
        TransferErrorNumber(static_cast<QNetworkReply::NetworkError>(error), status), expected);
}

void TestHttpTransfer::storesFilesAndReusesTheConnection()
{
    FaultServer server;
    const QByteArray first = Pattern(300000);
    const QByteArray second = Pattern(1234);
    server.Serve("/show/a.ogg", first);
    server.Serve("/show/b.jpg", second);
    QTemporaryDir folder;
    HttpClient client;
    qint64 announced = -1;
    qint64 lastProgress = 0;
    TransferEvents events;
    events.Started = [&](qint64 size) { announced = size; };
    events.Progress = [&](qint64 bytes) { lastProgress = bytes; };

    TransferResult result = Get(client,
        RequestFor(server.BaseUrl() + u"show/a.ogg"_s, folder.filePath(u"a.ogg"_s)), events);
    QCOMPARE(result.ErrorNumber, int(TransferOk));
    QCOMPARE(announced, first.size());
    QCOMPARE(lastProgress, first.size());
    QVERIFY(ReadAll(folder.filePath(u"a.ogg"_s)) == first);

    result = Get(client,
        RequestFor(server.BaseUrl() + u"show/b.jpg"_s, folder.filePath(u"b.jpg"_s), 1234), events);
    QCOMPARE(result.ErrorNumber, int(TransferOk));
    QVERIFY(ReadAll(folder.filePath(u"b.jpg"_s)) == second);
    QCOMPARE(server.Connections(), 1);
    QVERIFY2(server.Requests().at(0).toLower().contains("accept-encoding: identity"),
        "bodies must arrive as stored, or the size checks would misfire");
    QCOMPARE(FilesIn(folder).size(), 2);
}

void TestHttpTransfer::failedTransfersKeepNothing_data()
{
    QTest::addColumn<FaultServer::Route>("route");
    QTest::addColumn<bool>("refusedPort");
    QTest::addColumn<qint64>("listed");
    QTest::addColumn<int>("expected");
    const QByteArray body = Pattern(200000);
    FaultServer::Route route;
    route.Status = 404;
    QTest::newRow("missing") << route << false << qint64(0) << 20302;
    route.Status = 410;
    QTest::newRow("gone") << route << false << qint64(0) << 20302;
    route = {};
    route.Status = 500;
    route.Body = "<html>broken</html>";
    QTest::newRow("server error") << route << false << qint64(0) << 500;
    QTest::newRow("refused port") << FaultServer::Route {} << true << qint64(0) << 26002;
    route = {};
    route.Body = body;
    route.Announced = body.size() + 5000;
    QTest::newRow("body shorter than announced") << route << false << qint64(0) << 25000;
    route = {};
    route.Body = body;
    route.Kind = FaultServer::Fault::ResetAfter;
    route.Cut = 70000;
    QTest::newRow("reset mid-body") << route << false << qint64(0) << 25000;
    route.Kind = FaultServer::Fault::CloseAfter;
    QTest::newRow("closed mid-body") << route << false << qint64(0) << 25000;
    route.Kind = FaultServer::Fault::StallAfter;
    QTest::newRow("stall") << route << false << qint64(0) << 25000;
    route.Kind = FaultServer::Fault::Trickle;
    route.ChunkBytes = 1;
    route.IntervalMs = 50;
    QTest::newRow("a trickle is a stall") << route << false << qint64(0) << 25000;
    route = {};
    route.Status = 304;
    QTest::newRow("not modified, no body") << route << false << qint64(0) << 304;
    route.Status = 204;
    QTest::newRow("no content") << route << false << qint64(0) << 204;
    route = {};
    route.Status = 302;
    route.Location = "/f.ogg";
    QTest::newRow("endless redirects")
        << route << false << qint64(0) << int(QNetworkReply::TooManyRedirectsError);
    route = {};
    route.Body = Pattern(5000);
    QTest::newRow("announced size other than listed") << route << false << qint64(4000) << 27002;
    route.Announced = -2;
    route.Kind = FaultServer::Fault::CloseAfter;
    route.Cut = 5000;
    QTest::newRow("unannounced body beyond listed") << route << false << qint64(4000) << 27002;
    QTest::newRow("unannounced body shorter than listed")
        << route << false << qint64(6000) << 27002;
    route.Body = Pattern(300000);
    route.Cut = 300000;
    QTest::newRow("unannounced body beyond the limit") << route << false << qint64(0) << 27002;
    route = {};
    QTest::newRow("empty body") << route << false << qint64(0) << 27002;
}

void TestHttpTransfer::failedTransfersKeepNothing()
{
    QFETCH(FaultServer::Route, route);
    QFETCH(bool, refusedPort);
    QFETCH(qint64, listed);
    QFETCH(int, expected);
    FaultServer server;
    server.On("/f.ogg", route);
    QTemporaryDir folder;
    HttpClient client;
    client.SetStallTimeout(400);
    client.SetBodyLimit(250000);
    const QString url = refusedPort ? u"http://127.0.0.1:%1/f.ogg"_s.arg(ClosedPort())
                                    : server.BaseUrl() + u"f.ogg"_s;
    const TransferResult result = Get(client, RequestFor(url, folder.filePath(u"f.ogg"_s), listed));
    QVERIFY2(result.ErrorNumber == expected,
        qPrintable(QString::number(result.ErrorNumber) + u" "_s + result.Description));
    QVERIFY(!result.Description.isEmpty());
    const QStringList left = FilesIn(folder);
    QVERIFY2(left.isEmpty(), qPrintable(u"left behind: "_s + left.join(u", "_s)));
}

void TestHttpTransfer::aShortAnnouncedLengthStoresWhatWasAnnounced()
{
    FaultServer server;
    FaultServer::Route route;
    route.Body = Pattern(5000);
    route.Announced = 3000;
    server.On("/a.jpg", route);
    server.Serve("/b.jpg", "second");
    QTemporaryDir folder;
    HttpClient client;
    TransferResult result
        = Get(client, RequestFor(server.BaseUrl() + u"a.jpg"_s, folder.filePath(u"a.jpg"_s)));
    QCOMPARE(result.ErrorNumber, int(TransferOk));
    QVERIFY(ReadAll(folder.filePath(u"a.jpg"_s)) == route.Body.left(3000));
    // The bytes beyond the announced length are not taken for the next answer.
    result = Get(client, RequestFor(server.BaseUrl() + u"b.jpg"_s, folder.filePath(u"b.jpg"_s)));
    QCOMPARE(result.ErrorNumber, int(TransferOk));
    QCOMPARE(ReadAll(folder.filePath(u"b.jpg"_s)), QByteArray("second"));
}

void TestHttpTransfer::anAbortEndsTheTransferAndKeepsNothing()
{
    FaultServer server;
    FaultServer::Route route;
    route.Body = Pattern(100000);
    route.Kind = FaultServer::Fault::Trickle;
    route.ChunkBytes = 1000;
    server.On("/slow.ogg", route);
    QTemporaryDir folder;
    HttpClient client;
    quint64 id = 0;
    bool finished = false;
    qint64 received = 0;
    TransferEvents events;
    events.Progress = [&](qint64 bytes) {
        received = bytes;
        if (bytes >= 3000)
            client.Abort(id);
    };
    events.Finished = [&](const TransferResult&) { finished = true; };
    id = client.Start(
        RequestFor(server.BaseUrl() + u"slow.ogg"_s, folder.filePath(u"slow.ogg"_s)), events);
    QTRY_COMPARE(client.Running(), 0);
    QTest::qWait(100);
    QVERIFY(!finished);
    QVERIFY(received < route.Body.size());
    QVERIFY(FilesIn(folder).isEmpty());
}

void TestHttpTransfer::anUnwritableTargetIsALocalError()
{
    FaultServer server;
    server.Serve("/a.jpg", "data");
    QTemporaryDir folder;
    HttpClient client;
    const TransferResult result = Get(
        client, RequestFor(server.BaseUrl() + u"a.jpg"_s, folder.filePath(u"missing/a.jpg"_s)));
    QCOMPARE(result.ErrorNumber, int(ErrorLocalFile));
    QVERIFY(!result.Description.isEmpty());
}

void TestHttpTransfer::passesThroughTinyproxy()
{
    const QString tinyproxy = QStandardPaths::findExecutable(u"tinyproxy"_s,
        { u"/usr/bin"_s, u"/usr/sbin"_s, u"/usr/local/bin"_s, u"/usr/local/sbin"_s });
    if (tinyproxy.isEmpty())
        QSKIP("tinyproxy is not installed (scripts/setup installs it)");
    FaultServer server;
    server.Serve("/via/a.jpg", Pattern(50000));
    QTemporaryDir folder;
    const quint16 proxyPort = ClosedPort();
    const QString config = folder.filePath(u"tinyproxy.conf"_s);
    {
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            u"Port %1\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\nMaxClients 10\nLogLevel Info\nLogFile \"%2\"\n"_s
                .arg(proxyPort)
                .arg(folder.filePath(u"proxy.log"_s))
                .toUtf8());
    }
    QProcess proxy;
    proxy.start(tinyproxy, { u"-d"_s, u"-c"_s, config });
    QVERIFY(proxy.waitForStarted(5000));
    QTcpSocket probe;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            probe.abort();
            probe.connectToHost(QHostAddress::LocalHost, proxyPort);
            return probe.waitForConnected(200);
        }(),
        10000);
    probe.abort();

    // The proxy comes from the environment, as a desktop session sets it.
    qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(proxyPort));
    ProxySettings settings;
    GetProxyServer(settings);
    qunsetenv("http_proxy");
    HttpClient client;
    client.SetProxyRule([&settings](const QUrl& url) { return ProxyFor(settings, url); });
    const TransferResult result
        = Get(client, RequestFor(server.BaseUrl() + u"via/a.jpg"_s, folder.filePath(u"a.jpg"_s)));
    proxy.terminate();
    proxy.waitForFinished(3000);
    QCOMPARE(result.ErrorNumber, int(TransferOk));
    QVERIFY(ReadAll(folder.filePath(u"a.jpg"_s)) == Pattern(50000));
    QCOMPARE(server.Requests().size(), 1);
    QVERIFY2(server.Requests().at(0).toLower().contains("tinyproxy"),
        server.Requests().at(0).constData());
}

// A web server speaking TLS with a certificate made for 127.0.0.1: trusted only when the test
// adds it to the default configuration, as a certificate authority would be.
void TestHttpTransfer::httpsChecksTheCertificate()
{
    const QString openssl = QStandardPaths::findExecutable(u"openssl"_s);
    if (openssl.isEmpty() || !QSslSocket::supportsSsl())
        QSKIP("no TLS here (scripts/setup installs openssl)");
    QTemporaryDir folder;
    const QString key = folder.filePath(u"key.pem"_s);
    const QString certificate = folder.filePath(u"cert.pem"_s);
    QProcess make;
    make.start(openssl,
        { u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-days"_s, u"1"_s,
            u"-subj"_s, u"/CN=127.0.0.1"_s, u"-addext"_s, u"subjectAltName=IP:127.0.0.1"_s,
            u"-keyout"_s, key, u"-out"_s, certificate });
    QVERIFY(make.waitForFinished(30000) && make.exitCode() == 0);
    QFile keyFile(key);
    QFile certificateFile(certificate);
    QVERIFY(keyFile.open(QIODevice::ReadOnly) && certificateFile.open(QIODevice::ReadOnly));
    const QSslCertificate cert(&certificateFile, QSsl::Pem);
    QSslConfiguration serverConfiguration = QSslConfiguration::defaultConfiguration();
    serverConfiguration.setLocalCertificate(cert);
    serverConfiguration.setPrivateKey(QSslKey(&keyFile, QSsl::Rsa, QSsl::Pem));
    QSslServer server;
    server.setSslConfiguration(serverConfiguration);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QByteArray body = Pattern(40000);
    connect(&server, &QTcpServer::pendingConnectionAvailable, &server, [&] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [socket, body] {
                if (!socket->readAll().contains("\r\n\r\n"))
                    return;
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: "
                    + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            });
        }
    });
    const QString url = u"https://127.0.0.1:%1/a.jpg"_s.arg(server.serverPort());
    const QSslConfiguration original = QSslConfiguration::defaultConfiguration();

    TransferResult result;
    {
        HttpClient client;
        result = Get(client, RequestFor(url, folder.filePath(u"a.jpg"_s)));
    }
    QCOMPARE(result.ErrorNumber, int(QNetworkReply::SslHandshakeFailedError));
    QVERIFY(!result.Description.isEmpty());
    QVERIFY(!QFile::exists(folder.filePath(u"a.jpg"_s)));

    QSslConfiguration trusting = original;
    trusting.addCaCertificate(cert);
    QSslConfiguration::setDefaultConfiguration(trusting);
    {
        HttpClient client;
        result = Get(client, RequestFor(url, folder.filePath(u"a.jpg"_s)));
    }
    QSslConfiguration::setDefaultConfiguration(original);
    QCOMPARE(result.ErrorNumber, int(TransferOk));
    QVERIFY(ReadAll(folder.filePath(u"a.jpg"_s)) == body);
}

QTEST_GUILESS_MAIN(TestHttpTransfer)
#include "tst_httptransfer.moc"
