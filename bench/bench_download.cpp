// Download speed against curl, side by side in one run, from one loopback HTTP/1.1 server
// (bench/http_server.py) serving the same files to both:
//   - 50 files of 200 KB: the download manager's whole queue against one curl process that
//     fetches the same addresses over kept-alive connections (target: at most 1.15x curl);
//   - one 200 MB file: time (target: at most 1.1x curl) and how much the player's peak resident
//     memory grows while it arrives (target: under 20 MB);
//   - 50 files of 200 KB from a server that waits 50 ms before every answer (a slow link):
//     against curl --parallel --parallel-max 4 (target: at most 1.2x);
//   - over that link, the time until a 20-slide show starts (its first 4 slides preloaded)
//     with transfers one at a time and with the manager's few in flight.
// Each side runs kRuns times in alternation; the best time of each is compared. The machine's
// load average is printed before and after; a failed run ends the benchmark with exit code 1.
#include "base/DebugLog.h"
#include "download/DownloadManager.h"
#include "download/ProxySettings.h"
#include "platform/MonotonicClock.h"
#include "script/PresentationModel.h"
#include "storage/ZentilFolders.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <limits>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

constexpr int kRuns = 5;
constexpr int kSlowLinkDelayMs = 50;

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

struct PlayerResult {
    qint64 TotalMs = -1; // every file present; -1 when a run failed
    qint64 StartMs = -1; // the show was started
    QString Failure; // why the run failed: the manager's last message, or the missing file
};

// The player's side: one download manager fetching the queue into a fresh folder. With
// untilStart the run ends once the show starts.
PlayerResult PlayerRun(const QString& server, const DownloadQueue& queue, const QString& folder,
    int maxTransfers = DownloadManager::kDefaultMaxTransfers, bool untilStart = false)
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
    QTimer tick;
    tick.setSingleShot(true);
    QObject::connect(&tick, &QTimer::timeout, [&manager] { manager.DownloadTimerTick(); });
    QElapsedTimer timer;
    PlayerResult result;
    DownloadManager::Hooks hooks;
    hooks.StartNewSlideShow = [&] { result.StartMs = timer.elapsed(); };
    hooks.RestartTimer = [&tick](int ms) { tick.start(ms); };
    hooks.StopTimer = [&tick] { tick.stop(); };
    hooks.SetPanelBytes = [&result](const QString& text) {
        if (!text.isEmpty() && !text.startsWith(u"caching "_s))
            result.Failure = text;
    };
    hooks.ResourceFatalError
        = [&result](const QString& name) { result.Failure = u"the server has no "_s + name; };
    manager.SetHooks(std::move(hooks));
    manager.SetMaxTransfers(maxTransfers);
    model.Connection.ServerAddress = server;
    model.Connection.Port = 80;
    model.Queue = queue;
    model.PreStartFileCount = int(queue.BeforeStart.size());
    model.PostStartFileCount = int(queue.AfterStart.size());
    manager.Reset();
    const QStringList names = queue.BeforeStart + queue.AfterStart;
    timer.start();
    manager.DownloadTimerTick();
    while (!(manager.State().DownloadComplete && !manager.Busy())
        && !(untilStart && result.StartMs >= 0) && timer.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 ms = timer.elapsed();
    manager.InterruptDownload();
    if (untilStart) {
        if (result.StartMs < 0 && result.Failure.isEmpty())
            result.Failure = u"the show did not start"_s;
        return result;
    }
    for (const QString& name : names) {
        if (!QFile::exists(QDir(folder).filePath(name))) {
            result.Failure = name + u" missing ("_s + result.Failure + u")"_s;
            return result;
        }
    }
    result.TotalMs = ms;
    return result;
}

// curl's side: one process, every address with its own output file, connections reused.
qint64 CurlRun(
    const QString& server, const QStringList& names, const QString& folder, bool parallel = false)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    // Straight to the loopback server, as the player goes (its proxy settings are empty here).
    QStringList arguments { u"-s"_s, u"--fail"_s, u"--noproxy"_s, u"*"_s };
    if (parallel)
        arguments << u"--parallel"_s << u"--parallel-max"_s << u"4"_s;
    for (const QString& name : names)
        arguments << u"-o"_s << QDir(folder).filePath(name) << server + name;
    QProcess curl;
    QElapsedTimer timer;
    timer.start();
    curl.start(u"curl"_s, arguments);
    if (!curl.waitForFinished(600000) || curl.exitStatus() != QProcess::NormalExit
        || curl.exitCode() != 0) {
        std::fprintf(stderr, "bench_download: curl ended with exit code %d\n", curl.exitCode());
        return -1;
    }
    for (const QString& name : names)
        if (!QFile::exists(QDir(folder).filePath(name)))
            return -1;
    return timer.elapsed();
}

constexpr qint64 kNone = std::numeric_limits<qint64>::max();

struct Pair {
    qint64 Player = kNone;
    qint64 Curl = kNone;
    bool Failed() const { return Player == kNone || Curl == kNone; }
    double Ratio() const { return static_cast<double>(Player) / static_cast<double>(Curl); }
};

DownloadQueue AllAfterStart(const QStringList& names)
{
    DownloadQueue queue;
    queue.MarkerPlaced = true;
    queue.AfterStart = names;
    return queue;
}

Pair Compare(const QString& server, const QStringList& names, const QString& work, bool parallel)
{
    Pair best;
    for (int run = 0; run < kRuns; ++run) {
        const PlayerResult result = PlayerRun(server, AllAfterStart(names), work + u"/player"_s);
        const qint64 player = result.TotalMs;
        const qint64 curl = CurlRun(server, names, work + u"/curl"_s, parallel);
        if (player < 0 || curl < 0) {
            std::fprintf(stderr, "bench_download: %lld file(s), run %d: %s failed%s%s\n",
                static_cast<long long>(names.size()), run + 1, player < 0 ? "the player" : "curl",
                player < 0 ? ": " : "", qPrintable(result.Failure));
            return {};
        }
        best.Player = std::min(best.Player, player);
        best.Curl = std::min(best.Curl, curl);
    }
    QDir(work + u"/player"_s).removeRecursively();
    QDir(work + u"/curl"_s).removeRecursively();
    return best;
}

// The time to the first slide: transfers one at a time against the manager's few in flight.
Pair CompareStart(const QString& server, const DownloadQueue& queue, const QString& work)
{
    Pair best; // Player: a few in flight; Curl: one at a time
    for (int run = 0; run < kRuns; ++run) {
        const PlayerResult few
            = PlayerRun(server, queue, work, DownloadManager::kDefaultMaxTransfers, true);
        const PlayerResult one = PlayerRun(server, queue, work, 1, true);
        if (few.StartMs < 0 || one.StartMs < 0) {
            std::fprintf(stderr, "bench_download: show start, run %d failed: %s\n", run + 1,
                qPrintable(few.StartMs < 0 ? few.Failure : one.Failure));
            return {};
        }
        best.Player = std::min(best.Player, few.StartMs);
        best.Curl = std::min(best.Curl, one.StartMs);
    }
    QDir(work).removeRecursively();
    return best;
}

// The benchmark's web server; address() is empty when it did not come up.
class Server {
public:
    Server(const QString& site, int delayMs)
    {
        // The server binds a port of the system's choice and names it: no other program can
        // take the port between its choice and its use.
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(u"python3"_s,
            { QStringLiteral(ZENTIL_BENCH_HTTP_SERVER), u"0"_s, site, QString::number(delayMs) });
        QElapsedTimer waited;
        waited.start();
        while (!process_.canReadLine() && waited.elapsed() < 30000
            && process_.state() != QProcess::NotRunning)
            process_.waitForReadyRead(1000);
        port_ = static_cast<quint16>(process_.readLine().trimmed().toUInt());
        up_ = port_ != 0;
    }
    ~Server()
    {
        process_.terminate();
        process_.waitForFinished(3000);
    }
    QString Address() const { return up_ ? u"http://127.0.0.1:%1/"_s.arg(port_) : QString(); }

private:
    QProcess process_;
    quint16 port_ = 0;
    bool up_ = false;
};

QString Verdict(double ratio, double target)
{
    return ratio <= target ? u"met"_s : u"MISSED"_s;
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
    out << u"bench_download: best of %1 alternating runs per side; load average %2\n"_s.arg(kRuns)
               .arg(bench::LoadAverage());
    out.flush();
    QTemporaryDir work;
    const QString site = work.filePath(u"site"_s);
    QDir().mkpath(site);
    QStringList small;
    for (int i = 1; i <= 50; ++i) {
        small << u"file%1.bin"_s.arg(i, 2, 10, QChar(u'0'));
        WriteFile(QDir(site).filePath(small.last()), 200 * 1024);
    }
    WriteFile(QDir(site).filePath(u"big.bin"_s), 200LL * 1024 * 1024);
    // A 20-slide show: a picture and a narration per slide; the first 4 slides are preloaded.
    DownloadQueue show;
    show.MarkerPlaced = true;
    for (int slide = 1; slide <= 20; ++slide) {
        for (const QString& extension : { u"jpg"_s, u"ogg"_s }) {
            const QString name = u"s%1.%2"_s.arg(slide, 2, 10, QChar(u'0')).arg(extension);
            WriteFile(QDir(site).filePath(name), 100 * 1024);
            (slide <= 4 ? show.BeforeStart : show.AfterStart) << name;
        }
    }

    Pair many;
    Pair big;
    Pair slowMany;
    Pair slowStart;
    bool serversUp = true;
    qint64 rssBefore = 0;
    qint64 peakBefore = 0;
    qint64 peakAfter = 0;
    {
        const Server server(site, 0);
        const QString address = server.Address();
        serversUp = !address.isEmpty();
        if (serversUp) {
            many = Compare(address, small, work.filePath(u"many"_s), false);
            rssBefore = StatusKb("VmRSS:");
            peakBefore = StatusKb("VmHWM:");
            big = Compare(address, { u"big.bin"_s }, work.filePath(u"big"_s), false);
            peakAfter = StatusKb("VmHWM:");
        }
    }
    {
        const Server server(site, kSlowLinkDelayMs);
        const QString address = server.Address();
        serversUp = serversUp && !address.isEmpty();
        if (!address.isEmpty()) {
            slowMany = Compare(address, small, work.filePath(u"slow"_s), true);
            slowStart = CompareStart(address, show, work.filePath(u"start"_s));
        }
    }
    if (!serversUp)
        out << "bench_download: the benchmark's web server did not start\n";
    if (many.Failed() || big.Failed() || slowMany.Failed() || slowStart.Failed()) {
        out << "bench_download: a transfer failed\n";
        return 1;
    }
    const double growthMb
        = static_cast<double>(std::max(peakAfter, peakBefore) - rssBefore) / 1024.0;
    out << u"50 x 200 KB: player %1 ms, curl %2 ms, ratio %3 (target <= 1.15: %4)\n"_s
               .arg(many.Player)
               .arg(many.Curl)
               .arg(many.Ratio(), 0, 'f', 2)
               .arg(Verdict(many.Ratio(), 1.15));
    out << u"1 x 200 MB: player %1 ms, curl %2 ms, ratio %3 (target <= 1.10: %4)\n"_s
               .arg(big.Player)
               .arg(big.Curl)
               .arg(big.Ratio(), 0, 'f', 2)
               .arg(Verdict(big.Ratio(), 1.10));
    out << u"1 x 200 MB: player's peak resident memory grew by %1 MB (target < 20: %2)\n"_s
               .arg(growthMb, 0, 'f', 1)
               .arg(growthMb < 20 ? u"met"_s : u"MISSED"_s);
    out << u"50 x 200 KB, %1 ms per answer: player %2 ms, curl --parallel-max 4 %3 ms, ratio %4 "
           u"(target <= 1.20: %5)\n"_s.arg(kSlowLinkDelayMs)
               .arg(slowMany.Player)
               .arg(slowMany.Curl)
               .arg(slowMany.Ratio(), 0, 'f', 2)
               .arg(Verdict(slowMany.Ratio(), 1.20));
    out << u"20-slide show, %1 ms per answer, time to the first slide: %2 ms with up to %3 "
           u"transfers, %4 ms one at a time (ratio %5)\n"_s.arg(kSlowLinkDelayMs)
               .arg(slowStart.Player)
               .arg(DownloadManager::kDefaultMaxTransfers)
               .arg(slowStart.Curl)
               .arg(slowStart.Ratio(), 0, 'f', 2);
    out << u"load average after: %1\n"_s.arg(bench::LoadAverage());
    return 0;
}
