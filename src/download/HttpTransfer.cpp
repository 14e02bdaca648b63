#include "download/HttpTransfer.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
// Qt's network thread stops reading the socket when this much is waiting, so a fast server
// cannot fill memory while the user-interface thread is busy.
constexpr qint64 kReadBufferBytes = 1 << 20;
constexpr qint64 kChunkBytes = 256 * 1024;
// How often a waiting transfer looks for a stop request when nothing arrives.
constexpr int kStopPollMs = 100;

bool IsConnectionFailure(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return true;
    default:
        return false;
    }
}
} // namespace

int TransferErrorNumber(QNetworkReply::NetworkError error, int httpStatus)
{
    if (httpStatus == 404 || httpStatus == 410)
        return ErrorFileMissing;
    switch (error) {
    case QNetworkReply::NoError:
        return httpStatus >= 400 ? httpStatus : TransferOk;
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentGoneError:
        return ErrorFileMissing;
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::RemoteHostClosedError:
        return ErrorStopped;
    default:
        break;
    }
    if (IsConnectionFailure(error))
        return ErrorNoConnection;
    return httpStatus >= 400 ? httpStatus : static_cast<int>(error);
}

bool IsPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/')
        && !name.contains(u'\\') && !name.contains(QChar(0));
}

HttpTransfer::HttpTransfer()
    : manager_(std::make_unique<QNetworkAccessManager>())
{
    manager_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

HttpTransfer::~HttpTransfer() = default;

void HttpTransfer::Reset()
{
    if (!busy_)
        manager_->clearConnectionCache();
}

namespace {

// The state of one running GET, fed by the reply's signals.
struct RunningGet {
    RunningGet(const TransferEvents& events, QNetworkReply* reply, QSaveFile& file)
        : Events(events)
        , Reply(reply)
        , File(file)
    { }

    const TransferEvents& Events;
    QNetworkReply* Reply;
    QSaveFile& File;
    qint64 Announced = 0;
    qint64 Bytes = 0;
    bool HeadersSeen = false;
    bool BodyOk = true; // the status allows a body to be kept
    QString StopReason; // set when the transfer was stopped on our side
    bool WriteFailed = false;

    bool StopRequested() const { return Events.ShouldStop && Events.ShouldStop(); }

    void Stop(const QString& reason)
    {
        if (StopReason.isEmpty() && !WriteFailed)
            StopReason = reason;
        Reply->abort();
    }

    void OnHeaders()
    {
        const int status = Reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 300 && status < 400)
            return; // a redirect being followed: the final response comes later
        HeadersSeen = true;
        BodyOk = status == 0 || (status >= 200 && status < 300);
        if (!BodyOk)
            return;
        const QVariant length = Reply->header(QNetworkRequest::ContentLengthHeader);
        Announced = length.isValid() ? length.toLongLong() : 0;
        if (Events.Started)
            Events.Started(Announced);
        if (StopRequested())
            Stop(u"stopped"_s);
    }

    void OnData()
    {
        if (!HeadersSeen || !BodyOk || !StopReason.isEmpty() || WriteFailed)
            return;
        char buffer[16384];
        qint64 taken = 0;
        while (Reply->bytesAvailable() > 0 && taken < kChunkBytes) {
            const qint64 n = Reply->read(buffer, sizeof buffer);
            if (n <= 0)
                break;
            taken += n;
            Bytes += n;
            if (File.write(buffer, n) != n) {
                WriteFailed = true;
                Reply->abort();
                return;
            }
        }
        if (Announced > 0 && Bytes > Announced) {
            Stop(u"HTTP file transfer overrun."_s);
            return;
        }
        if (Events.Progress)
            Events.Progress(Bytes);
        if (StopRequested())
            Stop(u"stopped"_s);
        else if (Reply->bytesAvailable() > 0)
            QTimer::singleShot(0, Reply, [this] { OnData(); });
    }
};

} // namespace

TransferResult HttpTransfer::Get(const TransferRequest& request, const TransferEvents& events)
{
    TransferResult result;
    const auto fail = [&result](int number, const QString& text) {
        result.ErrorNumber = number;
        result.Description = text;
        return result;
    };
    if (busy_)
        return fail(ErrorStopped, u"Another transfer is running."_s);
    if (events.ShouldStop && events.ShouldStop())
        return fail(ErrorStopped, u"The transfer was stopped."_s);
    const QString scheme = request.Url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https")
        return fail(ErrorLocalFile, u"Only http and https servers are supported"_s);

    QSaveFile file(request.LocalFileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(ErrorLocalFile, file.errorString());

    const QNetworkProxy proxy = request.ProxyEnabled ? QNetworkProxy(QNetworkProxy::HttpProxy,
                                    request.ProxyServer, static_cast<quint16>(request.ProxyPort))
                                                     : QNetworkProxy(QNetworkProxy::NoProxy);
    if (manager_->proxy() != proxy) {
        manager_->clearConnectionCache();
        manager_->setProxy(proxy);
    }

    QNetworkRequest httpRequest(request.Url);
    // The body is stored as sent; a compressed body would also break the size checks.
    httpRequest.setRawHeader("Accept-Encoding", "identity");
    busy_ = true;
    QNetworkReply* reply = manager_->get(httpRequest);
    reply->setReadBufferSize(kReadBufferBytes);
    RunningGet get(events, reply, file);

    // Waited for by letting events run rather than in a nested QEventLoop: a loop started after
    // the application was told to quit would return at once, while this wait ends only when the
    // reply does (a stop request aborts it within kStopPollMs).
    QObject context;
    QTimer stall;
    stall.setSingleShot(true);
    QTimer stopPoll;
    bool triedCredentials = false;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &context, [&] {
        stall.start(stallMs_);
        get.OnHeaders();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &context, [&] {
        stall.start(stallMs_);
        get.OnData();
    });
    QObject::connect(manager_.get(), &QNetworkAccessManager::authenticationRequired, &context,
        [&](QNetworkReply*, QAuthenticator* authenticator) {
            if (triedCredentials || request.UserName.isEmpty())
                return; // no (more) credentials: the reply fails with Qt's text
            triedCredentials = true;
            authenticator->setUser(request.UserName);
            authenticator->setPassword(request.Password);
        });
    QObject::connect(&stall, &QTimer::timeout, &context,
        [&] { get.Stop(u"The server sent nothing for too long."_s); });
    QObject::connect(&stopPoll, &QTimer::timeout, &context, [&] {
        if (get.StopRequested())
            get.Stop(u"stopped"_s);
    });
    stall.start(stallMs_);
    stopPoll.start(kStopPollMs);
    while (!reply->isFinished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    stall.stop();
    stopPoll.stop();
    // Whatever is still buffered belongs to the body.
    while (get.HeadersSeen && get.BodyOk && get.StopReason.isEmpty() && !get.WriteFailed
        && reply->bytesAvailable() > 0)
        get.OnData();
    QObject::disconnect(manager_.get(), nullptr, &context, nullptr);

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.Bytes = get.Bytes;
    if (get.WriteFailed)
        fail(ErrorLocalFile, file.errorString());
    else if (!get.StopReason.isEmpty())
        fail(ErrorStopped, get.StopReason);
    else if (reply->error() != QNetworkReply::NoError) {
        int number = TransferErrorNumber(reply->error(), status);
        // A connection closed before any answer is a refused connection, not a cut body.
        if (number == ErrorStopped && !get.HeadersSeen)
            number = ErrorNoConnection;
        // The server's own words for an HTTP failure read better than Qt's sentence around them.
        const QString reason
            = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        fail(number, status >= 400 && !reason.isEmpty() ? reason : reply->errorString());
    } else if (!get.BodyOk || status >= 400)
        fail(TransferErrorNumber(QNetworkReply::NoError, status),
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    else if (get.Announced > 0 && get.Bytes != get.Announced)
        fail(ErrorStopped, u"The server sent fewer bytes than it announced."_s);
    else if (!file.commit())
        fail(ErrorLocalFile, file.errorString());
    if (result.ErrorNumber != TransferOk)
        file.cancelWriting();
    delete reply;
    busy_ = false;
    return result;
}

} // namespace zentil
