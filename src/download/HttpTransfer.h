#pragma once

#include <QNetworkProxy>
#include <QNetworkReply>
#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>

class QNetworkAccessManager;

namespace zentil {

// The player's transfer error numbers. Qt's errors are mapped onto them by TransferErrorNumber;
// any other failure keeps its own number (the HTTP status, or Qt's error code).
enum TransferError : int {
    TransferOk = 0,
    ErrorFileMissing = 20302, // the server does not have the file (404, 410)
    ErrorStopped = 25000, // stopped: overrun, cut short, stalled — retried
    ErrorNoConnection = 26002, // the host could not be contacted, refused or dropped the connection
    ErrorLocalFile = 27001, // the downloaded file could not be written or a name was refused
    ErrorWrongSize = 27002, // the body's size is not the one the script lists
};

// Maps a finished reply's Qt error and HTTP status onto the player's numbers.
int TransferErrorNumber(QNetworkReply::NetworkError error, int httpStatus);

// One GET: where from, where to, and how to reach the server.
struct TransferRequest {
    QUrl Url;
    QString LocalFileName; // final place; the body goes to a temporary file beside it first
    qint64 ExpectedSize = 0; // the size the script lists; 0 = not listed
    QString UserName; // for servers that ask (basic/digest authentication)
    QString Password;
};

struct TransferResult {
    int ErrorNumber = TransferOk;
    QString Description; // Qt's or the player's text for a failure
    qint64 Bytes = 0; // body bytes received
};

// What a transfer reports while it runs, from the event loop.
struct TransferEvents {
    // The final response's headers arrived; the announced size is 0 when the server gave none.
    std::function<void(qint64 announcedSize)> Started;
    // Bytes of the body received so far.
    std::function<void(qint64 bytes)> Progress;
    // Called once at the end, never from within Start.
    std::function<void(const TransferResult&)> Finished;
};

// Fetches addresses into local files over HTTP or HTTPS, several at a time, without waiting:
// each transfer reports back through its events. The body is streamed to a temporary file in
// the target's folder and renamed into place only when it is complete and of the right size: a
// short or overlong body, a dropped connection, a write failure, a final answer that is not a
// 2xx with content, or an abort never leaves a file behind. Connections are kept alive between
// transfers to the same server.
class HttpClient {
public:
    static constexpr int kDefaultStallMs = 30000;
    // A transfer must receive at least this much in every stall period (or finish).
    static constexpr qint64 kMinProgressBytes = 1024;
    // A body of unknown size stops here.
    static constexpr qint64 kDefaultBodyLimit = qint64(1) << 30;
    static constexpr int kMaxRedirects = 10;

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Starts a transfer; returns its number for Abort.
    quint64 Start(const TransferRequest& request, TransferEvents events);
    // Ends a transfer at once, keeping nothing of it; its Finished is not called.
    void Abort(quint64 id);
    void AbortAll();
    int Running() const { return static_cast<int>(running_.size()); }

    void SetStallTimeout(int milliseconds) { stallMs_ = milliseconds; }
    void SetBodyLimit(qint64 bytes) { bodyLimit_ = bytes; }
    // Decides the proxy of every request (none until set); drops kept-alive connections.
    void SetProxyRule(std::function<QNetworkProxy(const QUrl&)> rule);
    // Drops kept-alive connections (after the proxy changed, or when downloading stops).
    void Reset();

private:
    struct Transfer;
    void Finish(quint64 id, TransferResult result);
    // Qt's network access, made at the first transfer: a show whose files are all present
    // never needs it.
    QNetworkAccessManager& Manager();

    std::unique_ptr<QNetworkAccessManager> manager_;
    std::function<QNetworkProxy(const QUrl&)> proxyRule_;
    std::map<quint64, std::unique_ptr<Transfer>> running_;
    quint64 nextId_ = 1;
    int stallMs_ = kDefaultStallMs;
    qint64 bodyLimit_ = kDefaultBodyLimit;
};

// True when name is a plain file name that stays inside the folder it is joined to.
bool IsPlainFileName(const QString& name);

} // namespace zentil
