#pragma once

#include <QNetworkReply>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace zentil {

// The player's transfer error numbers. Qt's errors are mapped onto them by TransferErrorNumber;
// any other failure keeps its own number (the HTTP status, or Qt's error code).
enum TransferError : int {
    TransferOk = 0,
    ErrorFileMissing = 20302, // the server does not have the file (404, 410)
    ErrorStopped = 25000, // stopped: interrupted, overrun, cut short, stalled — retried
    ErrorNoConnection = 26002, // the host could not be contacted or refused the connection
    ErrorLocalFile = 27001, // the downloaded file could not be written or a name was refused
};

// Maps a finished reply's Qt error and HTTP status onto the player's numbers.
int TransferErrorNumber(QNetworkReply::NetworkError error, int httpStatus);

// One GET: where from, where to, and how to reach the server.
struct TransferRequest {
    QUrl Url;
    QString LocalFileName; // final place; the body goes to a temporary file beside it first
    QString UserName; // for servers that ask (basic/digest authentication)
    QString Password;
    bool ProxyEnabled = false;
    QString ProxyServer;
    int ProxyPort = 0;
};

// What a transfer reports while it runs. Every callback may let other events run.
struct TransferEvents {
    // Asked before the transfer and at every event; true stops it with ErrorStopped.
    std::function<bool()> ShouldStop;
    // The response headers arrived; the announced size is 0 when the server gave none.
    std::function<void(qint64 announcedSize)> Started;
    // Bytes of the body received so far.
    std::function<void(qint64 bytes)> Progress;
};

struct TransferResult {
    int ErrorNumber = TransferOk;
    QString Description; // Qt's or the player's text for a failure
    qint64 Bytes = 0; // body bytes received
};

// Fetches one address into a local file over HTTP or HTTPS, one transfer at a time, waiting in
// a local event loop while other events run. The body is streamed to a temporary file in the
// target's folder and renamed into place only when it is complete: a body shorter than
// announced, a dropped connection, a write failure or a stop never leaves a file behind.
// Connections are kept alive between transfers to the same server.
class HttpTransfer {
public:
    static constexpr int kDefaultStallMs = 30000;

    HttpTransfer();
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    TransferResult Get(const TransferRequest& request, const TransferEvents& events);
    // A transfer that receives nothing for this long fails with ErrorStopped.
    void SetStallTimeout(int milliseconds) { stallMs_ = milliseconds; }
    bool Busy() const { return busy_; }
    // Drops kept-alive connections (after the proxy changed, or when downloading stops).
    void Reset();

private:
    std::unique_ptr<QNetworkAccessManager> manager_;
    int stallMs_ = kDefaultStallMs;
    bool busy_ = false;
};

// True when name is a plain file name that stays inside the folder it is joined to.
bool IsPlainFileName(const QString& name);

} // namespace zentil
