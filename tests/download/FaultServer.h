// A small HTTP/1.1 server on 127.0.0.1 for the download tests: it serves bodies as told, and
// misbehaves as told (wrong lengths, dropped connections, stalls, slow trickles, redirects).
// It runs on the test's own thread; the transfer under test lets events run while it waits.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace zentil::test {

class FaultServer : public QObject {
public:
    enum class Fault {
        None,
        ResetAfter, // sends Cut bytes of the body, then drops the connection
        CloseAfter, // sends Cut bytes of the body, then closes the connection normally
        StallAfter, // sends Cut bytes of the body, then nothing, keeping the connection
        Trickle, // sends the body ChunkBytes at a time, every IntervalMs
    };
    struct Route {
        int Status = 200;
        QByteArray Body;
        qint64 Announced = -1; // Content-Length sent; -1 = the body's size, -2 = no header
        Fault Kind = Fault::None;
        qint64 Cut = 0;
        int ChunkBytes = 1024;
        int IntervalMs = 20;
        QByteArray Location; // for redirects
        int FaultyTimes = 1 << 30; // after this many faulty answers the route answers normally
    };

    FaultServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++connections_;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    quint16 Port() const { return server_.serverPort(); }
    QString BaseUrl() const { return QStringLiteral("http://127.0.0.1:%1/").arg(Port()); }
    void On(const QByteArray& path, Route route) { routes_[path] = std::move(route); }
    void Serve(const QByteArray& path, const QByteArray& body)
    {
        Route route;
        route.Body = body;
        On(path, route);
    }
    // Every request's head as received, in order.
    const QList<QByteArray>& Requests() const { return requests_; }
    QList<QByteArray> Paths() const
    {
        QList<QByteArray> paths;
        for (const QByteArray& head : requests_)
            paths << head.split(' ').value(1);
        return paths;
    }
    int Connections() const { return connections_; }
    // The server goes away: open connections drop, new ones are refused.
    void Close()
    {
        server_.close();
        for (QTcpSocket* socket : server_.findChildren<QTcpSocket*>())
            socket->abort();
    }

private:
    void Read(QTcpSocket* socket)
    {
        QByteArray& buffer = pending_[socket];
        buffer += socket->readAll();
        for (;;) {
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QByteArray head = buffer.left(end);
            buffer.remove(0, end + 4);
            requests_ << head;
            QByteArray path = head.split(' ').value(1);
            // A proxy may pass the absolute address on.
            if (path.startsWith("http://"))
                path = path.mid(path.indexOf('/', 7));
            Answer(socket, path);
        }
    }

    void Answer(QTcpSocket* socket, const QByteArray& path)
    {
        auto found = routes_.find(path);
        if (found == routes_.end()) {
            socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
            return;
        }
        Route& route = found.value();
        Fault kind = route.Kind;
        if (kind != Fault::None && route.FaultyTimes-- <= 0)
            kind = Fault::None;
        QByteArray head
            = "HTTP/1.1 " + QByteArray::number(route.Status) + " " + Reason(route.Status) + "\r\n";
        if (!route.Location.isEmpty())
            head += "Location: " + route.Location + "\r\n";
        if (route.Announced != -2)
            head += "Content-Length: "
                + QByteArray::number(route.Announced == -1 ? route.Body.size() : route.Announced)
                + "\r\n";
        socket->write(head + "\r\n");
        switch (kind) {
        case Fault::None:
            socket->write(route.Body);
            if (route.Announced >= 0 && route.Announced != route.Body.size())
                socket->disconnectFromHost();
            break;
        case Fault::ResetAfter:
            socket->write(route.Body.left(route.Cut));
            socket->flush();
            QTimer::singleShot(50, socket, [socket] { socket->abort(); });
            break;
        case Fault::CloseAfter:
            socket->write(route.Body.left(route.Cut));
            socket->disconnectFromHost();
            break;
        case Fault::StallAfter:
            socket->write(route.Body.left(route.Cut));
            break;
        case Fault::Trickle:
            Trickle(socket, route.Body, route.ChunkBytes, route.IntervalMs);
            break;
        }
    }

    void Trickle(QTcpSocket* socket, const QByteArray& body, int chunk, int intervalMs)
    {
        auto* timer = new QTimer(socket);
        auto offset = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [=] {
            socket->write(body.mid(*offset, chunk));
            *offset += chunk;
            if (*offset >= body.size())
                timer->deleteLater();
        });
        timer->start(intervalMs);
    }

    static QByteArray Reason(int status)
    {
        switch (status) {
        case 200:
            return "OK";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        case 410:
            return "Gone";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
        }
    }

    QTcpServer server_;
    QHash<QByteArray, Route> routes_;
    QHash<QTcpSocket*, QByteArray> pending_;
    QList<QByteArray> requests_;
    int connections_ = 0;
};

// A port on 127.0.0.1 that nothing listens on.
inline quint16 ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace zentil::test
