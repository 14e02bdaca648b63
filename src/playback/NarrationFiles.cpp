#include "playback/NarrationFiles.h"

#include "base/DebugLog.h"
#include "playback/WavePlayer.h"
#include "script/PresentationModel.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

QString OpenErrorLine(const WavePlayer& player)
{
    return u"WaveControl("_s + QString::number(player.Index()) + u") Open Error ["_s
        + QString::number(player.Error()) + u"] "_s + player.ErrorMessage();
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
    const ResourceMapEntry& entry = map.At(index);
    if (entry.LocalFileName.isEmpty() || !QFile::exists(entry.LocalFileName)) {
        const QString name = entry.ResourceName;
        const QString made = services.MakeWorkingCopy ? services.MakeWorkingCopy(name) : QString();
        // The fatal report's dialog lets events run: the map may have been replaced meanwhile.
        if (index > map.Count() || map.At(index).ResourceName != name)
            return {};
        map.At(index).LocalFileName = made;
    }
    return map.At(index).LocalFileName;
}

} // namespace

bool LoadWavePlayer(const QString& waveFileName, WavePlayer& player, ResourceMap& map,
    const NarrationServices& services)
{
    DebugLog& log = services.Log;
    ZT_TRACE_SCOPE(log, u"LoadWavePlayer"_s);
    bool loaded = false;
    const QString path = PlayableFile(waveFileName, map, services);
    if (!path.isEmpty() && !services.ExitInProgress) {
        player.Close();
        player.SetFileName(path);
        player.Open();
        loaded = player.Error() == 0;
        if (!loaded) {
            ZT_DEBUG(log, TraceSound, "status", OpenErrorLine(player));
            ZT_DEBUG(log, TraceSound, "error", OpenErrorLine(player));
        }
        player.ClearError();
    }
    ZT_DEBUG(log, TraceSound, "status",
        loaded ? u"WavePlayerLoaded = True"_s : u"WavePlayerLoaded = False"_s);
    return loaded;
}

void TrimWavefiles(SlideShowModel& model, DebugLog& log)
{
    ZT_TRACE_SCOPE(log, u"TrimWavefiles"_s);
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
    }
}

} // namespace zentil
