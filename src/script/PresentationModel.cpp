#include "script/PresentationModel.h"

namespace zentil {

int32_t ResourceMap::Append(const QString& resourceName)
{
    entries_.push_back(ResourceMapEntry { resourceName, QString() });
    const auto index = static_cast<int32_t>(entries_.size());
    byFoldedName_[FoldedKey(resourceName)].push_back(index);
    return index;
}

int32_t ResourceMap::GetMapIndex(const QString& name) const
{
    const auto it = byFoldedName_.constFind(FoldedKey(name));
    if (it == byFoldedName_.cend() || it->empty())
        return 0;
    return it->front();
}

std::vector<int32_t> ResourceMap::MatchingIndexes(const QString& name) const
{
    const auto it = byFoldedName_.constFind(FoldedKey(name));
    if (it == byFoldedName_.cend())
        return {};
    return *it;
}

void ResourceMap::Clear()
{
    entries_.clear();
    byFoldedName_.clear();
}

void ClearSlideShowModel(SlideShowModel& model)
{
    model.Defn.ShowTitle.clear();
    model.Defn.ResourceServer.clear();
    model.Defn.PreLoad = 0;
    model.Defn.DownLoad = 0;
    model.Slides.clear();
    model.Backgrounds.clear();
    model.ResourceArray.clear();
    model.Map.Clear();
    model.SlideDownLoadSize.clear();
    model.SlideOggFileSize.clear();
    model.SlideOggFileTime.clear();
    model.ThumbnailImage.clear();
    model.ThumbnailResources.clear();
    model.DownloadList.clear();
    model.PreStartFileCount = 0;
    model.PostStartFileCount = 0;
    model.Info = PresentationInfo {};
    model.Connection = ConnectionSettings {};
    model.StartSlide = 1;
    model.Messages.clear();
    model.DownloadRate = 0.0F;
    model.CurrentSlide.Index = 0;
    model.CurrentSlide.SoundLoaded = false;
    model.NextSlide.Index = 0;
    model.NextSlide.SoundLoaded = false;
}

} // namespace zentil
