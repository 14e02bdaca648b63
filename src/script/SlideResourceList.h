#pragma once

#include <QString>

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace zentil {

// The files one slide needs, each once (compared ignoring case), as written in the script.
//
// A slide's list starts with the pictures of its background. Those are shared with every other
// slide on the same background rather than copied, so a background of K pictures under S slides
// costs K names, not K x S. The list reads like a plain vector of names: the shared names first,
// then the slide's own. Exchanging the first entry with another (the narration is moved to the
// front) never copies the shared part.
class SlideResourceList {
public:
    using SharedNames = std::shared_ptr<const std::vector<QString>>;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = QString;
        using difference_type = std::ptrdiff_t;
        using pointer = const QString*;
        using reference = const QString&;

        const_iterator() = default;
        const_iterator(const SlideResourceList* list, size_t index)
            : list_(list)
            , index_(index)
        { }
        reference operator*() const { return (*list_)[index_]; }
        pointer operator->() const { return &(*list_)[index_]; }
        const_iterator& operator++()
        {
            ++index_;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++index_;
            return before;
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_; }
        size_t Index() const { return index_; }

    private:
        const SlideResourceList* list_ = nullptr;
        size_t index_ = 0;
    };

    SlideResourceList() = default;
    SlideResourceList(std::initializer_list<QString> names)
        : own_(names)
    { }
    SlideResourceList(std::vector<QString> names)
        : own_(std::move(names))
    { }

    // Makes an empty list start with the shared names (its background's pictures).
    void Share(SharedNames names);
    // Appends a name after all others.
    void push_back(const QString& name) { own_.push_back(name); }

    size_t size() const { return SharedCount() + own_.size(); }
    bool empty() const { return size() == 0; }
    const QString& operator[](size_t index) const;
    const QString& front() const { return (*this)[0]; }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size()); }

    // Exchanges the first entry with entry index. When both lie in the shared part,
    // swappedShared, when given, is the shared names with those two exchanged: a caller that
    // does the same exchange on many slides makes it once and hands it to each.
    void SwapFirstWith(size_t index, const SharedNames& swappedShared = {});

    // The parts, for passes that do the work of a shared part once per background: entry 0 is
    // front(), entries 1 .. SharedCount() - 1 are the shared names, the rest are Own(). (When
    // the first entry was exchanged with an own one, the shared first name is among Own().)
    const SharedNames& Shared() const { return shared_; }
    size_t SharedCount() const { return shared_ ? shared_->size() : 0; }
    const std::vector<QString>& Own() const { return own_; }

    std::vector<QString> ToVector() const;
    friend bool operator==(const SlideResourceList& a, const SlideResourceList& b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator==(const SlideResourceList& a, const std::vector<QString>& b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }

private:
    SharedNames shared_;
    std::optional<QString> first_; // stands in for (*shared_)[0] after an exchange
    std::vector<QString> own_;
};

} // namespace zentil
