#include "script/SlideResourceList.h"

#include <utility>

namespace zentil {

void SlideResourceList::Share(SharedNames names)
{
    if (!empty()) {
        // Sharing is only for a fresh list; anything else keeps the order by copying.
        std::vector<QString> all(names->begin(), names->end());
        all.insert(all.end(), begin(), end());
        *this = SlideResourceList(std::move(all));
        return;
    }
    shared_ = names && !names->empty() ? std::move(names) : nullptr;
}

const QString& SlideResourceList::operator[](size_t index) const
{
    const size_t shared = SharedCount();
    if (index >= shared)
        return own_.at(index - shared);
    if (index == 0 && first_)
        return *first_;
    return (*shared_)[index];
}

void SlideResourceList::SwapFirstWith(size_t index, const SharedNames& swappedShared)
{
    const size_t shared = SharedCount();
    if (index == 0 || index >= size())
        return;
    if (shared == 0) {
        std::swap(own_[0], own_[index]);
        return;
    }
    if (index >= shared) {
        // The own entry stands in for the shared first name, which takes the own entry's place.
        QString first = front();
        first_ = std::move(own_[index - shared]);
        own_[index - shared] = std::move(first);
        return;
    }
    if (swappedShared && !first_) {
        shared_ = swappedShared;
        return;
    }
    std::vector<QString> all = ToVector();
    std::swap(all[0], all[index]);
    *this = SlideResourceList(std::move(all));
}

std::vector<QString> SlideResourceList::ToVector() const
{
    return std::vector<QString>(begin(), end());
}

} // namespace zentil
