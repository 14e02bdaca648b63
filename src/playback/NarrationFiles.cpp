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

void WaitLettingEventsRun(std::chrono::milliseconds interval)
{
    QEventLoop loop;
    QTimer::singleShot(interval, &loop, &QEventLoop::quit);
    loop.exec();
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

// Steps up to the first "Open": the playable file, then the player pointed at it.
bool OpenNarration(const QString& waveFileName, WavePlayer& player, ResourceMap& map,
    const NarrationServices& services)
{
    if (services.ExitInProgress || waveFileName.isEmpty() || map.IsEmpty())
        return false;
    const int32_t index = map.GetMapIndex(waveFileName);
    if (index < 1)
        return false;
    ResourceMapEntry& entry = map.At(index);
    if (entry.LocalFileName.isEmpty() || !QFile::exists(entry.LocalFileName))
        entry.LocalFileName
            = services.DecompressFile ? services.DecompressFile(entry.ResourceName) : QString();
    if (entry.LocalFileName.isEmpty())
        return false;

    player.Close();
    player.SetFileName(entry.LocalFileName);
    if (services.ExitInProgress)
        return false;
    player.Open();
    return true;
}

} // namespace

bool LoadWavePlayer(const QString& waveFileName, WavePlayer& player, ResourceMap& map,
    const NarrationServices& services)
{
    DebugLog& log = services.Log;
    ZT_DEBUG(log, TraceProcedures, "enter", u"LoadWavePlayer"_s);
    bool loaded = OpenNarration(waveFileName, player, map, services);
    if (loaded && player.Error() != 0) {
        ZT_DEBUG(log, TraceSound, "status", OpenErrorLine(player));
        QElapsedTimer waited;
        waited.start();
        while (RetriableOpenError(player) && waited.elapsed() < services.OpenRetryLimit.count()) {
            WaitLettingEventsRun(services.OpenRetryInterval);
            player.ClearError();
            if (services.ExitInProgress)
                break;
            player.Open();
        }
        loaded = player.Error() == 0 && player.Mode() != WaveMode::NotOpen;
        if (!loaded)
            ZT_DEBUG(log, TraceSound, "error", OpenErrorLine(player));
        player.ClearError();
    }
    ZT_DEBUG(log, TraceSound, "status",
        loaded ? u"WavePlayerLoaded = True"_s : u"WavePlayerLoaded = False"_s);
    ZT_DEBUG(log, TraceProcedures, "exit", u"LoadWavePlayer"_s);
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
