#include "playback/NarrationFiles.h"

#include "base/DebugLog.h"
#include "playback/WavePlayer.h"
#include "script/PresentationModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// False when the wait ended early: the application's event loop is ending, and no wait lets
// events run any more.
bool WaitLettingEventsRun(std::chrono::milliseconds interval)
{
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer::singleShot(interval, &loop, &QEventLoop::quit);
    loop.exec();
    return waited.elapsed() >= interval.count() / 2;
}

QString OpenErrorLine(const WavePlayer& player)
{
    return u"WaveControl("_s + QString::number(player.Index()) + u") Open Error ["_s
        + QString::number(player.Error()) + u"] "_s + player.ErrorMessage();
}

bool RetriableOpenError(const WavePlayer& player)
{
    return player.Error() == static_cast<int>(WaveError::FileNotFound)
        || player.Error() == static_cast<int>(WaveError::InvalidFile);
}

QString RefusedOpenLine(const WavePlayer& player)
{
    return u"WaveControl("_s + QString::number(player.Index()) + u") Open refused: an open of "_s
        + player.FileName() + u" is still being retried"_s;
}

// The playable file of the narration, made when the map entry has none (or it was deleted);
// "" when there is nothing to open.
QString PlayableFile(
    const QString& waveFileName, ResourceMap& map, const NarrationServices& services)
{
    if (services.ExitInProgress || waveFileName.isEmpty() || map.IsEmpty())
        return {};
    const int32_t index = map.GetMapIndex(waveFileName);
    if (index < 1)
        return {};
    ResourceMapEntry& entry = map.At(index);
    if (entry.LocalFileName.isEmpty() || !QFile::exists(entry.LocalFileName)) {
        const QString name = entry.ResourceName;
        const QString made = services.DecompressFile ? services.DecompressFile(name) : QString();
        // Events ran while the file was made: the map may have been replaced meanwhile.
        if (index > map.Count() || map.At(index).ResourceName != name)
            return {};
        map.At(index).LocalFileName = made;
    }
    return map.At(index).LocalFileName;
}

// Sends "Open" again while the file is missing or not (yet) a wave file, letting events run in
// between, until it opens, the time is up, the program exits, or someone else closes the player.
// False when the player was taken over: it must not be touched again.
bool RetryOpen(WavePlayer& player, const NarrationServices& services)
{
    const quint64 ticket = player.BeginRetriedOpen();
    QElapsedTimer waited;
    waited.start();
    while (RetriableOpenError(player) && waited.elapsed() < services.OpenRetryLimit.count()) {
        const bool eventsRan = WaitLettingEventsRun(services.OpenRetryInterval);
        if (!player.HoldsRetriedOpen(ticket))
            return false;
        player.ClearError();
        if (services.ExitInProgress || !eventsRan)
            break;
        player.Open();
    }
    player.EndRetriedOpen(ticket);
    return true;
}

} // namespace

bool LoadWavePlayer(const QString& waveFileName, WavePlayer& player, ResourceMap& map,
    const NarrationServices& services)
{
    DebugLog& log = services.Log;
    ZT_TRACE_SCOPE(log, u"LoadWavePlayer"_s);
    // An open still retried on this player (events run during its retries) keeps it: a second
    // one would close the file under it, and both would report into slide records that are no
    // longer theirs.
    const auto refused = [&] {
        if (!player.RetriedOpenPending())
            return false;
        ZT_DEBUG(log, TraceSound, "status", RefusedOpenLine(player));
        return true;
    };
    bool loaded = false;
    if (!refused()) {
        const QString path = PlayableFile(waveFileName, map, services);
        if (!path.isEmpty() && !services.ExitInProgress && !refused()) {
            player.Close();
            player.SetFileName(path);
            player.Open();
            loaded = true;
        }
    }
    if (loaded && player.Error() != 0) {
        ZT_DEBUG(log, TraceSound, "status", OpenErrorLine(player));
        if (!RetryOpen(player, services)) {
            ZT_DEBUG(log, TraceSound, "status",
                u"WaveControl(%1) Open abandoned: the player was closed"_s.arg(player.Index()));
            return false;
        }
        loaded = player.Error() == 0 && player.Mode() != WaveMode::NotOpen;
        if (!loaded)
            ZT_DEBUG(log, TraceSound, "error", OpenErrorLine(player));
        player.ClearError();
    }
    ZT_DEBUG(log, TraceSound, "status",
        loaded ? u"WavePlayerLoaded = True"_s : u"WavePlayerLoaded = False"_s);
    return loaded;
}

void TrimWavefiles(SlideShowModel& model, DebugLog& log)
{
    ZT_DEBUG(log, TraceProcedures, "enter", u"TrimWavefiles"_s);
    const int32_t current = model.CurrentSlide.Index;
    const int32_t count = model.SlideCount();
    bool keepCurrent = current >= 1;
    bool keepNext = current < count;
    const QString currentWave = keepCurrent && current <= count
        ? model.SlideAt(current).WaveFileName.toLower()
        : QString();
    const QString nextWave
        = keepNext && current >= 0 ? model.SlideAt(current + 1).WaveFileName.toLower() : QString();

    for (int32_t i = 1; i <= model.Map.Count(); ++i) {
        ResourceMapEntry& entry = model.Map.At(i);
        if (!entry.LocalFileName.isEmpty()) {
            const QString r = entry.ResourceName.toLower();
            if (!r.endsWith(u".wav") && !r.endsWith(u".ogg")) {
                // not a narration
            } else if (keepCurrent && r == currentWave) {
                keepCurrent = false;
            } else if (keepNext && r == nextWave) {
                keepNext = false;
            } else {
                ZT_DEBUG(log, TraceProcedures, "status", u"Deleting File "_s + entry.LocalFileName);
                // Forced: read-only copies go too. A file that will not go is simply forgotten.
                QFile::setPermissions(entry.LocalFileName,
                    QFile::permissions(entry.LocalFileName) | QFile::WriteOwner);
                QFile::remove(entry.LocalFileName);
                entry.LocalFileName.clear();
            }
        }
        QCoreApplication::processEvents();
    }
    ZT_DEBUG(log, TraceProcedures, "exit", u"TrimWavefiles"_s);
}

} // namespace zentil
