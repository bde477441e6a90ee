#pragma once

#include "library/BoardItem.h"

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace tavro {

// The board's live captures in order, with an index by id. Items are shared, never changed: a
// list that differs from another by a few captures shares every other item and most of the
// index with it, so that a new list costs what changed rather than what exists.
class CaptureList {
public:
    using Item = std::shared_ptr<const BoardItem>;

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using iterator_concept = std::random_access_iterator_tag;
        using value_type = BoardCapture;
        using difference_type = std::ptrdiff_t;
        using pointer = const BoardCapture*;
        using reference = const BoardCapture&;

        const_iterator() = default;
        explicit const_iterator(std::vector<Item>::const_iterator at)
            : at_(at) {}
        reference operator*() const { return (*at_)->capture; }
        pointer operator->() const { return &(*at_)->capture; }
        reference operator[](difference_type n) const { return at_[n]->capture; }
        const_iterator& operator++() { return ++at_, *this; }
        const_iterator operator++(int) { return const_iterator(at_++); }
        const_iterator& operator--() { return --at_, *this; }
        const_iterator operator--(int) { return const_iterator(at_--); }
        const_iterator& operator+=(difference_type n) { return at_ += n, *this; }
        const_iterator& operator-=(difference_type n) { return at_ -= n, *this; }
        friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
        friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
        friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
            return a.at_ - b.at_;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) {
            return a.at_ == b.at_;
        }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) {
            return a.at_ <=> b.at_;
        }

    private:
        std::vector<Item>::const_iterator at_;
    };
    using iterator = const_iterator;
    using value_type = BoardCapture;
    using size_type = std::size_t;

    CaptureList();
    // The captures in the order given, without tags or counts.
    CaptureList(const std::vector<Capture>& captures);
    // Items in board order (boardOrder), ids unique.
    static CaptureList ordered(std::vector<Item> items);

    const_iterator begin() const { return const_iterator(items_.begin()); }
    const_iterator end() const { return const_iterator(items_.end()); }
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const BoardCapture& operator[](std::size_t i) const { return items_[i]->capture; }
    const BoardCapture& at(std::size_t i) const { return items_.at(i)->capture; }
    const BoardCapture& front() const { return items_.front()->capture; }
    const BoardCapture& back() const { return items_.back()->capture; }
    const BoardItem& item(std::size_t i) const { return *items_[i]; }
    const std::vector<Item>& items() const { return items_; }

    // The item of the capture with this id, or nothing.
    const BoardItem* find(std::string_view id) const;

    // This list with the captures of `ids` taken out and `replacements` (each of whose ids is
    // among them) put in their places in board order. Only for lists in board order.
    CaptureList replacing(const std::set<std::string>& ids, std::vector<Item> replacements) const;

    // Whether no capture comes before an older one.
    bool newestFirst() const { return newestFirst_; }
    // The positions, in order, of the captures whose folded search text (foldedSearchText)
    // holds `needle`, itself folded and not empty.
    std::vector<std::size_t> matching(std::string_view needle) const;

    // How many items have tags, comments and screenshots.
    std::size_t tagged() const { return tagged_; }
    std::size_t commented() const { return commented_; }
    std::size_t imaged() const { return imaged_; }

    // Compares the captures only, in order.
    bool operator==(const CaptureList& other) const;
    // The whole records, in order.
    operator std::vector<Capture>() const;

    static constexpr std::size_t shardCount = 256;
    struct IndexEntry {
        std::size_t hash = 0;
        const BoardItem* item = nullptr;
    };
    // Ordered by hash. Its items are the list's, and live as long as the list.
    using Shard = std::vector<IndexEntry>;
    // The index, sharded by the hash of the id, so that a changed capture copies one shard.
    const std::array<std::shared_ptr<const Shard>, shardCount>& shards() const { return index_; }
    static const BoardItem* findIn(const Shard& shard, std::string_view id);

    // The folded search texts of a run of consecutive items, in one buffer: a search runs
    // through memory in order rather than from item to item. Shared like the items.
    struct SearchBlock {
        std::string text;
        // Where each item's text ends.
        std::vector<std::uint32_t> ends;
    };

private:
    static std::size_t hashOf(std::string_view id);
    void count(const BoardItem& item, int sign);
    void buildIndex();
    void buildBlocks();
    std::shared_ptr<const SearchBlock> block(std::size_t from, std::size_t to) const;

    std::vector<Item> items_;
    std::array<std::shared_ptr<const Shard>, shardCount> index_;
    std::vector<std::shared_ptr<const SearchBlock>> blocks_;
    bool newestFirst_ = true;
    std::size_t tagged_ = 0;
    std::size_t commented_ = 0;
    std::size_t imaged_ = 0;
};

// A read-only map from capture id to one of the values an item carries, holding the captures for
// which that value is present (tags, or a count above 0), as the board's lookups want it.
template <class V, V BoardItem::*Field> class PerCapture {
public:
    struct Entry {
        const std::string& first;
        const V& second;
        const Entry* operator->() const { return this; }
    };
    class Found {
    public:
        explicit Found(const BoardItem* item = nullptr)
            : item_(item) {}
        Entry operator->() const { return {item_->capture.id, item_->*Field}; }
        Entry operator*() const { return {item_->capture.id, item_->*Field}; }
        bool operator==(const Found&) const = default;

    private:
        const BoardItem* item_;
    };

    explicit PerCapture(const CaptureList& list)
        : list_(&list) {}

    Found find(std::string_view id) const {
        const BoardItem* item = list_->find(id);
        return Found(item && present(*item) ? item : nullptr);
    }
    Found end() const { return Found(); }
    bool contains(std::string_view id) const { return find(id) != end(); }
    std::size_t count(std::string_view id) const { return contains(id) ? 1 : 0; }
    const V& at(std::string_view id) const {
        const BoardItem* item = list_->find(id);
        if (!item || !present(*item))
            throw std::out_of_range("no such capture");
        return item->*Field;
    }
    std::size_t size() const {
        if constexpr (isTags)
            return list_->tagged();
        else if constexpr (Field == &BoardItem::comments)
            return list_->commented();
        else
            return list_->imaged();
    }
    bool empty() const { return size() == 0; }

    // Shards the two lists share are equal without a look inside.
    bool operator==(const PerCapture& other) const {
        if (size() != other.size())
            return false;
        const auto& mine = list_->shards();
        const auto& theirs = other.list_->shards();
        for (std::size_t s = 0; s < CaptureList::shardCount; ++s) {
            if (mine[s] == theirs[s])
                continue;
            if (!covers(*mine[s], *theirs[s]) || !covers(*theirs[s], *mine[s]))
                return false;
        }
        return true;
    }

    operator std::unordered_map<std::string, V>() const {
        std::unordered_map<std::string, V> out;
        for (const auto& item : list_->items())
            if (present(*item))
                out.emplace(item->capture.id, (*item).*Field);
        return out;
    }

private:
    static constexpr bool isTags = std::is_same_v<V, std::vector<std::string>>;

    static bool present(const BoardItem& item) {
        if constexpr (isTags)
            return !item.tags.empty();
        else
            return item.*Field > 0;
    }
    static bool covers(const CaptureList::Shard& a, const CaptureList::Shard& b) {
        for (const auto& entry : a) {
            const BoardItem& item = *entry.item;
            if (!present(item))
                continue;
            const BoardItem* other = CaptureList::findIn(b, item.capture.id);
            if (!other || !present(*other) || !(item.*Field == (*other).*Field))
                return false;
        }
        return true;
    }

    const CaptureList* list_;
};

using PublishedTags = PerCapture<std::vector<std::string>, &BoardItem::tags>;
using PublishedCommentCounts = PerCapture<std::int64_t, &BoardItem::comments>;
using PublishedImageCounts = PerCapture<std::int64_t, &BoardItem::images>;

} // namespace tavro
