#include "download/HttpTransfer.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
// Qt's network thread stops reading the socket when this much is waiting, so a fast server
// cannot fill memory while the user-interface thread is busy.
constexpr qint64 kReadBufferBytes = 1 << 20;

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

// A final answer whose body is the file: 2xx, except the ones that carry no content.
bool IsContentStatus(int status)
{
    return status >= 200 && status < 300 && status != 204 && status != 205;
}
} // namespace

int TransferErrorNumber(QNetworkReply::NetworkError error, int httpStatus)
{
    if (httpStatus == 404 || httpStatus == 410)
        return ErrorFileMissing;
    switch (error) {
    case QNetworkReply::NoError:
        return IsContentStatus(httpStatus) ? TransferOk : httpStatus;
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

// The state of one running GET, fed by its reply's signals.
struct HttpClient::Transfer {
    TransferRequest Request;
    TransferEvents Events;
    QPointer<QNetworkReply> Reply;
    QFile Part; // the body so far, beside the target under a hidden name
    QTimer Stall;
    qint64 Announced = 0;
    qint64 Bytes = 0;
    qint64 BytesAtLastCheck = 0;
    bool HeadersSeen = false; // the final answer's headers arrived
    bool BodyOk = false; // that answer carries the file
    bool TriedCredentials = false;
    int FailNumber = TransferOk; // set when we end the transfer ourselves
    QString FailText;

    ~Transfer()
    {
        if (Reply) {
            QObject::disconnect(Reply, nullptr, Reply, nullptr);
            Reply->abort();
            Reply->deleteLater();
        }
        if (Part.isOpen())
            Part.close();
        if (!Part.fileName().isEmpty())
            Part.remove();
    }

    void Fail(int number, const QString& text)
    {
        if (FailNumber == TransferOk) {
            FailNumber = number;
            FailText = text;
        }
        if (Reply)
            Reply->abort();
    }

    void OnHeaders()
    {
        const int status = Reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 300 && status < 400 && !Reply->rawHeader("Location").isEmpty()) {
            Stall.start(); // a redirect being followed: an answer, and the final one comes later
            return;
        }
        HeadersSeen = true;
        BodyOk = IsContentStatus(status);
        if (!BodyOk)
            return;
        const QVariant length = Reply->header(QNetworkRequest::ContentLengthHeader);
        Announced = length.isValid() ? length.toLongLong() : 0;
        if (Announced > 0 && Request.ExpectedSize > 0 && Announced != Request.ExpectedSize) {
            Fail(ErrorWrongSize,
                u"The server's file has %1 bytes, the presentation lists %2"_s.arg(Announced).arg(
                    Request.ExpectedSize));
            return;
        }
        if (Events.Started)
            Events.Started(Announced);
    }

    void OnData(qint64 bodyLimit)
    {
        if (!HeadersSeen || !BodyOk || FailNumber != TransferOk || !Reply)
            return;
        while (Reply->bytesAvailable() > 0) {
            // Everything buffered at once: a single received block is handed over uncopied.
            const QByteArray chunk = Reply->read(Reply->bytesAvailable());
            if (chunk.isEmpty())
                break;
            Bytes += chunk.size();
            if (Part.write(chunk) != chunk.size()) {
                Fail(ErrorLocalFile, Part.errorString());
                return;
            }
        }
        if (Announced > 0 && Bytes > Announced) {
            Fail(ErrorStopped, u"HTTP file transfer overrun."_s);
            return;
        }
        const qint64 limit = Request.ExpectedSize > 0 ? Request.ExpectedSize : bodyLimit;
        if (Bytes > limit) {
            Fail(ErrorWrongSize, u"The server sent more than the %1 bytes expected"_s.arg(limit));
            return;
        }
        if (Events.Progress)
            Events.Progress(Bytes);
    }

    // Every stall period must bring the headers or some progress on the body.
    void OnStallCheck()
    {
        if (!HeadersSeen) {
            Fail(ErrorNoConnection, u"The server did not answer in time."_s);
            return;
        }
        const qint64 remaining = Announced > 0 ? Announced - BytesAtLastCheck : kMinProgressBytes;
        if (Bytes - BytesAtLastCheck < std::min(kMinProgressBytes, remaining)) {
            Fail(ErrorStopped, u"The server sent too little for too long."_s);
            return;
        }
        BytesAtLastCheck = Bytes;
    }

    // The outcome once the reply has finished.
    TransferResult Outcome()
    {
        TransferResult result;
        result.Bytes = Bytes;
        const auto fail = [&result](int number, const QString& text) {
            result.ErrorNumber = number;
            result.Description = text;
        };
        const int status = Reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QString reason
            = Reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        if (FailNumber != TransferOk) {
            fail(FailNumber, FailText);
        } else if (Reply->error() != QNetworkReply::NoError) {
            int number = TransferErrorNumber(Reply->error(), status);
            // A connection closed before any answer is a failed connection, not a cut body.
            if (number == ErrorStopped && !HeadersSeen)
                number = ErrorNoConnection;
            // The server's own words for an HTTP failure read better than Qt's sentence.
            fail(number, status >= 400 && !reason.isEmpty() ? reason : Reply->errorString());
        } else if (!BodyOk) {
            fail(TransferErrorNumber(QNetworkReply::NoError, status),
                reason.isEmpty() ? u"No file in the answer"_s : reason);
        } else if (Announced > 0 && Bytes != Announced) {
            fail(ErrorStopped, u"The server sent fewer bytes than it announced."_s);
        } else if (Request.ExpectedSize > 0 && Bytes != Request.ExpectedSize) {
            fail(ErrorWrongSize,
                u"The server sent %1 bytes, the presentation lists %2"_s.arg(Bytes).arg(
                    Request.ExpectedSize));
        } else if (Bytes == 0) {
            fail(ErrorWrongSize, u"The server sent an empty file"_s);
        } else if (!StoreInPlace()) {
            fail(ErrorLocalFile, u"The file %1 could not be stored"_s.arg(Request.LocalFileName));
        }
        return result;
    }

    // The complete body replaces the target in one step (no sync: a lost file is fetched again).
    bool StoreInPlace()
    {
        const bool flushed = Part.flush();
        Part.close();
        if (!flushed
            || std::rename(QFile::encodeName(Part.fileName()).constData(),
                   QFile::encodeName(Request.LocalFileName).constData())
                != 0)
            return false;
        Part.setFileName(QString()); // renamed: nothing to remove
        return true;
    }
};

namespace {
// Hands every request's proxy question to the player's rule.
class RuleProxyFactory : public QNetworkProxyFactory {
public:
    explicit RuleProxyFactory(std::function<QNetworkProxy(const QUrl&)> rule)
        : rule_(std::move(rule))
    { }
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        return { rule_ ? rule_(query.url()) : QNetworkProxy(QNetworkProxy::NoProxy) };
    }

private:
    std::function<QNetworkProxy(const QUrl&)> rule_;
};
} // namespace

HttpClient::HttpClient() = default;

QNetworkAccessManager& HttpClient::Manager()
{
    if (manager_)
        return *manager_;
    manager_ = std::make_unique<QNetworkAccessManager>();
    manager_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    manager_->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    if (proxyRule_)
        manager_->setProxyFactory(new RuleProxyFactory(proxyRule_));
    QObject::connect(manager_.get(), &QNetworkAccessManager::authenticationRequired, manager_.get(),
        [this](QNetworkReply* reply, QAuthenticator* authenticator) {
            for (auto& [id, transfer] : running_) {
                if (transfer->Reply != reply)
                    continue;
                // Without (more) credentials the reply fails with Qt's text.
                if (transfer->TriedCredentials || transfer->Request.UserName.isEmpty())
                    return;
                transfer->TriedCredentials = true;
                authenticator->setUser(transfer->Request.UserName);
                authenticator->setPassword(transfer->Request.Password);
                return;
            }
        });
    return *manager_;
}

HttpClient::~HttpClient()
{
    running_.clear();
}

void HttpClient::SetProxyRule(std::function<QNetworkProxy(const QUrl&)> rule)
{
    proxyRule_ = std::move(rule);
    if (!manager_)
        return;
    manager_->clearConnectionCache();
    manager_->setProxyFactory(new RuleProxyFactory(proxyRule_));
}

void HttpClient::Reset()
{
    if (manager_ && running_.empty())
        manager_->clearConnectionCache();
}

void HttpClient::Abort(quint64 id)
{
    running_.erase(id);
}

void HttpClient::AbortAll()
{
    running_.clear();
}

void HttpClient::Finish(quint64 id, TransferResult result)
{
    const auto found = running_.find(id);
    if (found == running_.end())
        return;
    std::unique_ptr<Transfer> transfer = std::move(found->second);
    running_.erase(found);
    const TransferEvents events = transfer->Events;
    // The transfer (its reply and any partial file) is gone before anyone hears of the end,
    // so the listener may start, abort or reset anything.
    transfer.reset();
    if (events.Finished)
        events.Finished(result);
}

quint64 HttpClient::Start(const TransferRequest& request, TransferEvents events)
{
    const quint64 id = nextId_++;
    auto transfer = std::make_unique<Transfer>();
    Transfer& t = *transfer;
    t.Request = request;
    t.Events = std::move(events);
    running_.emplace(id, std::move(transfer));

    const auto failSoon = [this, id](int number, const QString& text) {
        QTimer::singleShot(0, &Manager(), [this, id, number, text] {
            Finish(id, TransferResult { number, text, 0 });
        });
        return id;
    };
    const QString scheme = request.Url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https")
        return failSoon(ErrorLocalFile, u"Only http and https servers are supported"_s);
    QNetworkRequest httpRequest(request.Url);
    // The body is stored as sent; a compressed body would also break the size checks.
    httpRequest.setRawHeader("Accept-Encoding", "identity");
    httpRequest.setMaximumRedirectsAllowed(kMaxRedirects);
    t.Reply = Manager().get(httpRequest);
    t.Reply->setReadBufferSize(kReadBufferBytes);
    QNetworkReply* reply = t.Reply;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&t] { t.OnHeaders(); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [this, &t] { t.OnData(bodyLimit_); });
    // Queued, so that an abort from inside a handler never ends the transfer under it; the
    // transfer may be gone (aborted) by the time the call arrives.
    QObject::connect(
        reply, &QNetworkReply::finished, reply,
        [this, id] {
            const auto found = running_.find(id);
            if (found == running_.end())
                return;
            Transfer& running = *found->second;
            running.Stall.stop();
            running.OnData(bodyLimit_); // whatever is still buffered belongs to the body
            Finish(id, running.Outcome());
        },
        Qt::QueuedConnection);
    QObject::connect(&t.Stall, &QTimer::timeout, reply, [&t] { t.OnStallCheck(); });
    t.Stall.start(stallMs_);
    // The request is on its way: the file is made while the server answers.
    const QFileInfo target(request.LocalFileName);
    t.Part.setFileName(target.dir().filePath(u"."_s + target.fileName() + u".part"_s
        + QString::number(QCoreApplication::applicationPid()) + u"-"_s + QString::number(id)));
    if (!t.Part.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QString why = t.Part.errorString();
        t.Part.setFileName(QString());
        t.Fail(ErrorLocalFile, why);
    }
    return id;
}

} // namespace zentil
