#include "script/PresentationModel.h"

namespace zentil {

int32_t ResourceMap::Append(const QString& resourceName)
{
    return Append(resourceName, FoldedKey(resourceName));
}

int32_t ResourceMap::Append(const QString& resourceName, const QString& foldedKey)
{
    entries_.push_back(ResourceMapEntry { resourceName, QString() });
    nextSameName_.push_back(0);
    const auto index = static_cast<int32_t>(entries_.size());
    int32_t& first = firstByFoldedName_[foldedKey];
    if (first == 0) {
        first = index;
    } else {
        int32_t last = first;
        while (nextSameName_[static_cast<size_t>(last - 1)] != 0)
            last = nextSameName_[static_cast<size_t>(last - 1)];
        nextSameName_[static_cast<size_t>(last - 1)] = index;
    }
    return index;
}

int32_t ResourceMap::GetMapIndex(const QString& name) const
{
    return GetMapIndexFolded(FoldedKey(name));
}

int32_t ResourceMap::GetMapIndexFolded(const QString& foldedKey) const
{
    return firstByFoldedName_.value(foldedKey, 0);
}

std::vector<int32_t> ResourceMap::MatchingIndexes(const QString& name) const
{
    std::vector<int32_t> indexes;
    for (int32_t i = GetMapIndex(name); i != 0; i = nextSameName_[static_cast<size_t>(i - 1)])
        indexes.push_back(i);
    return indexes;
}

void ResourceMap::Clear()
{
    entries_.clear();
    nextSameName_.clear();
    firstByFoldedName_.clear();
}

QString DownloadQueue::Text() const
{
    QString text;
    if (Probe && !BeforeStart.isEmpty())
        text = BeforeStart.front() + u" ??? " + BeforeStart.mid(1).join(u' ');
    else if (MarkerPlaced)
        text = BeforeStart.join(u' ') + u" | " + AfterStart.join(u' ');
    else
        text = BeforeStart.join(u' ');
    return text.trimmed();
}

void ClearSlideShowModel(SlideShowModel& model)
{
    model.Defn.ShowTitle.clear();
    model.Defn.ResourceServer.clear();
    model.Defn.PreloadSet = 0;
    model.Defn.DownloadSet = 0;
    model.Slides.clear();
    model.Backgrounds.clear();
    model.ResourceArray.clear();
    model.Map.Clear();
    model.SlideDownLoadSize.clear();
    model.SlideOggFileSize.clear();
    model.SlideOggFileTime.clear();
    model.ThumbnailImage.clear();
    model.ThumbnailResources.clear();
    model.Queue = {};
    model.PreStartFileCount = 0;
    model.PostStartFileCount = 0;
    model.Info = PresentationInfo {};
    model.Connection = ConnectionSettings {};
    model.StartSlide = 1;
    model.StartPosition = 0;
    model.Messages.clear();
    model.DownloadRate = 0.0F;
    model.CurrentSlide.Index = 0;
    model.CurrentSlide.SoundLoaded = false;
    model.NextSlide.Index = 0;
    model.NextSlide.SoundLoaded = false;
}

} // namespace zentil
