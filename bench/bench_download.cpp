// Download speed against curl, side by side in one run, from one loopback HTTP/1.1 server
// (python3 -m http.server) serving the same files to both:
//   - 50 files of 200 KB: the download manager's whole queue against one curl process that
//     fetches the same addresses over one kept-alive connection (target: at most 1.15x curl);
//   - one 200 MB file: time (target: at most 1.1x curl) and how much the player's peak resident
//     memory grows while it arrives (target: under 20 MB).
// Each side runs three times in alternation; the best time of each is compared.
#include "base/DebugLog.h"
#include "download/DownloadManager.h"
#include "download/ProxySettings.h"
#include "platform/MonotonicClock.h"
#include "script/PresentationModel.h"
#include "storage/ZentilFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <limits>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

constexpr int kRuns = 3;

qint64 StatusKb(const char* field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

bool WriteFile(const QString& name, qint64 size)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    for (qint64 left = size; left > 0; left -= block.size())
        file.write(block.constData(), std::min<qint64>(left, block.size()));
    return true;
}

// The player's side: one download manager fetching the queue into a fresh folder.
qint64 PlayerRun(const QString& server, const QStringList& names, const QString& folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    MonotonicClock clock;
    DebugLog log(clock, false);
    SlideShowModel model;
    ZentilFolders folders;
    folders.ResourcePath = folder;
    ProxySettings proxy;
    DownloadManager manager(model, folders, proxy, log);
    model.Connection.ServerAddress = server;
    model.Connection.Port = 80;
    model.DownloadList = u"| "_s + names.join(u' ');
    model.PostStartFileCount = int(names.size());
    manager.Reset();
    QElapsedTimer timer;
    timer.start();
    while (!manager.State().DownloadComplete)
        manager.DownloadTimerTick();
    const qint64 ms = timer.elapsed();
    for (const QString& name : names)
        if (!QFile::exists(QDir(folder).filePath(name)))
            return -1;
    return ms;
}

// curl's side: one process, every address with its own output file, connections reused.
qint64 CurlRun(const QString& server, const QStringList& names, const QString& folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QStringList arguments { u"-s"_s, u"--fail"_s };
    for (const QString& name : names)
        arguments << u"-o"_s << QDir(folder).filePath(name) << server + name;
    QProcess curl;
    QElapsedTimer timer;
    timer.start();
    curl.start(u"curl"_s, arguments);
    if (!curl.waitForFinished(600000) || curl.exitCode() != 0)
        return -1;
    return timer.elapsed();
}

struct Pair {
    qint64 Player = std::numeric_limits<qint64>::max();
    qint64 Curl = std::numeric_limits<qint64>::max();
};

Pair Compare(const QString& server, const QStringList& names, const QString& work)
{
    Pair best;
    for (int run = 0; run < kRuns; ++run) {
        const qint64 player = PlayerRun(server, names, work + u"/player"_s);
        const qint64 curl = CurlRun(server, names, work + u"/curl"_s);
        if (player < 0 || curl < 0)
            return {};
        best.Player = std::min(best.Player, player);
        best.Curl = std::min(best.Curl, curl);
    }
    QDir(work + u"/player"_s).removeRecursively();
    QDir(work + u"/curl"_s).removeRecursively();
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (QStandardPaths::findExecutable(u"curl"_s).isEmpty()
        || QStandardPaths::findExecutable(u"python3"_s).isEmpty()) {
        out << "bench_download: needs curl and python3 (scripts/setup)\n";
        return 1;
    }
    QTemporaryDir work;
    const QString site = work.filePath(u"site"_s);
    QDir().mkpath(site);
    QStringList small;
    for (int i = 1; i <= 50; ++i) {
        small << u"file%1.bin"_s.arg(i, 2, 10, QChar(u'0'));
        WriteFile(QDir(site).filePath(small.last()), 200 * 1024);
    }
    WriteFile(QDir(site).filePath(u"big.bin"_s), 200LL * 1024 * 1024);

    QTcpSocket probe;
    QProcess server;
    server.setStandardOutputFile(QProcess::nullDevice());
    server.setStandardErrorFile(QProcess::nullDevice());
    quint16 port = 0;
    {
        QTcpServer free;
        free.listen(QHostAddress::LocalHost, 0);
        port = free.serverPort();
    }
    server.start(u"python3"_s,
        { u"-m"_s, u"http.server"_s, QString::number(port), u"--bind"_s, u"127.0.0.1"_s,
            u"--directory"_s, site, u"--protocol"_s, u"HTTP/1.1"_s });
    for (int i = 0; i < 100; ++i) {
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(100))
            break;
        probe.abort();
        QThread::msleep(100);
    }
    probe.abort();
    const QString address = u"http://127.0.0.1:%1/"_s.arg(port);

    const Pair many = Compare(address, small, work.filePath(u"many"_s));
    const qint64 rssBefore = StatusKb("VmRSS:");
    const qint64 peakBefore = StatusKb("VmHWM:");
    const Pair big = Compare(address, { u"big.bin"_s }, work.filePath(u"big"_s));
    const qint64 peakAfter = StatusKb("VmHWM:");
    server.terminate();
    server.waitForFinished(3000);
    if (many.Player == std::numeric_limits<qint64>::max()
        || big.Player == std::numeric_limits<qint64>::max() || many.Curl <= 0 || big.Curl <= 0) {
        out << "bench_download: a transfer failed\n";
        return 1;
    }
    const double growthMb
        = static_cast<double>(std::max(peakAfter, peakBefore) - rssBefore) / 1024.0;
    out << u"50 x 200 KB: player %1 ms, curl %2 ms, ratio %3 (target <= 1.15)\n"_s.arg(many.Player)
               .arg(many.Curl)
               .arg(static_cast<double>(many.Player) / static_cast<double>(many.Curl), 0, 'f', 2);
    out << u"1 x 200 MB: player %1 ms, curl %2 ms, ratio %3 (target <= 1.10)\n"_s.arg(big.Player)
               .arg(big.Curl)
               .arg(static_cast<double>(big.Player) / static_cast<double>(big.Curl), 0, 'f', 2);
    out << u"1 x 200 MB: player's peak resident memory grew by %1 MB (target < 20)\n"_s.arg(
        growthMb, 0, 'f', 1);
    return 0;
}
