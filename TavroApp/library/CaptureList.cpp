#include "library/CaptureList.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <unordered_set>

namespace tavro {

namespace {

bool itemOrder(const CaptureList::Item& a, const CaptureList::Item& b) {
    return boardOrder(a->capture, b->capture);
}

// Beyond this many changed captures, one pass over the list beats moving it once per capture.
constexpr std::size_t fewChanges = 32;

// Small enough that a changed capture refolds little, large enough that a search runs through
// long stretches of memory.
constexpr std::size_t blockItems = 256;

bool hashOrder(const CaptureList::IndexEntry& a, const CaptureList::IndexEntry& b) {
    return a.hash < b.hash;
}

} // namespace

CaptureList::CaptureList() {
    auto empty = std::make_shared<const Shard>();
    index_.fill(empty);
}

CaptureList::CaptureList(const std::vector<Capture>& captures) {
    items_.reserve(captures.size());
    for (const Capture& capture : captures)
        items_.push_back(std::make_shared<const BoardItem>(BoardItem::make(capture)));
    newestFirst_ =
        std::is_sorted(captures.begin(), captures.end(), [](const Capture& a, const Capture& b) {
            return a.createdAt > b.createdAt;
        });
    buildIndex();
    buildBlocks();
}

CaptureList CaptureList::ordered(std::vector<Item> items) {
    CaptureList list;
    list.items_ = std::move(items);
    list.buildIndex();
    list.buildBlocks();
    return list;
}

std::size_t CaptureList::hashOf(std::string_view id) {
    return std::hash<std::string_view>{}(id);
}

void CaptureList::count(const BoardItem& item, int sign) {
    if (!item.tags.empty())
        tagged_ += std::size_t(sign);
    if (item.comments > 0)
        commented_ += std::size_t(sign);
    if (item.images > 0)
        imaged_ += std::size_t(sign);
}

void CaptureList::buildIndex() {
    std::array<std::shared_ptr<Shard>, shardCount> shards;
    for (auto& shard : shards) {
        shard = std::make_shared<Shard>();
        shard->reserve(items_.size() / shardCount + items_.size() / (4 * shardCount) + 1);
    }
    tagged_ = commented_ = imaged_ = 0;
    for (const Item& item : items_) {
        const std::size_t hash = hashOf(item->capture.id);
        shards[hash % shardCount]->push_back({hash, item.get()});
        count(*item, +1);
    }
    for (std::size_t s = 0; s < shardCount; ++s) {
        std::sort(shards[s]->begin(), shards[s]->end(), hashOrder);
        index_[s] = std::move(shards[s]);
    }
}

std::shared_ptr<const CaptureList::SearchBlock> CaptureList::block(std::size_t from,
                                                                   std::size_t to) const {
    auto made = std::make_shared<SearchBlock>();
    std::size_t length = 0;
    for (std::size_t i = from; i < to; ++i)
        length += searchTextLength(items_[i]->capture, items_[i]->tags);
    made->text.reserve(length);
    made->ends.reserve(to - from);
    for (std::size_t i = from; i < to; ++i) {
        appendFoldedSearchText(made->text, items_[i]->capture, items_[i]->tags);
        made->ends.push_back(std::uint32_t(made->text.size()));
    }
    return made;
}

void CaptureList::buildBlocks() {
    blocks_.clear();
    blocks_.reserve(items_.size() / blockItems + 1);
    for (std::size_t from = 0; from < items_.size(); from += blockItems)
        blocks_.push_back(block(from, std::min(items_.size(), from + blockItems)));
}

const BoardItem* CaptureList::findIn(const Shard& shard, std::string_view id) {
    const std::size_t hash = hashOf(id);
    auto at = std::lower_bound(shard.begin(), shard.end(), IndexEntry{hash, nullptr}, hashOrder);
    for (; at != shard.end() && at->hash == hash; ++at)
        if (at->item->capture.id == id)
            return at->item;
    return nullptr;
}

const BoardItem* CaptureList::find(std::string_view id) const {
    return findIn(*index_[hashOf(id) % shardCount], id);
}

std::vector<std::size_t> CaptureList::matching(std::string_view needle) const {
    std::vector<std::size_t> hits;
    if (needle.empty())
        return hits;
    std::size_t base = 0;
    for (const auto& block : blocks_) {
        const char* text = block->text.data();
        const std::size_t length = block->text.size();
        const auto& ends = block->ends;
        std::size_t item = 0;
        std::size_t from = 0;
        while (from < length) {
            const void* found = memmem(text + from, length - from, needle.data(), needle.size());
            if (!found)
                break;
            const std::size_t at = std::size_t(static_cast<const char*>(found) - text);
            while (ends[item] <= at)
                ++item;
            // A match running into the next item's text is none; nor is any later one that
            // starts in this item.
            if (at + needle.size() <= ends[item])
                hits.push_back(base + item);
            from = ends[item];
            ++item;
        }
        base += ends.size();
    }
    return hits;
}

CaptureList CaptureList::replacing(const std::set<std::string>& ids,
                                   std::vector<Item> replacements) const {
    CaptureList out = *this;
    std::map<std::size_t, std::shared_ptr<Shard>> copied;
    const auto shardFor = [&](std::size_t hash) -> Shard& {
        const std::size_t s = hash % shardCount;
        auto& copy = copied[s];
        if (!copy)
            copy = std::make_shared<Shard>(*index_[s]);
        return *copy;
    };

    // The search blocks each change falls in, by the positions in this list.
    std::vector<std::size_t> starts;
    starts.reserve(blocks_.size());
    for (std::size_t start = 0; const auto& block : blocks_) {
        starts.push_back(start);
        start += block->ends.size();
    }
    std::vector<std::ptrdiff_t> grown(blocks_.size(), 0);
    std::vector<bool> touched(blocks_.size(), false);
    const auto blockAt = [&](std::size_t position) {
        const auto after = std::upper_bound(starts.begin(), starts.end(), position);
        return after == starts.begin() ? 0 : std::size_t(after - starts.begin() - 1);
    };
    const auto note = [&](std::size_t position, std::ptrdiff_t by) {
        if (blocks_.empty())
            return;
        const std::size_t b = blockAt(position);
        grown[b] += by;
        touched[b] = true;
    };

    std::vector<Item> gone;
    for (const std::string& id : ids) {
        const std::size_t hash = hashOf(id);
        Shard& shard = shardFor(hash);
        auto at =
            std::lower_bound(shard.begin(), shard.end(), IndexEntry{hash, nullptr}, hashOrder);
        for (; at != shard.end() && at->hash == hash; ++at)
            if (at->item->capture.id == id)
                break;
        if (at == shard.end() || at->hash != hash)
            continue;
        const auto position = std::lower_bound(
            items_.begin(), items_.end(), at->item,
            [](const Item& a, const BoardItem* b) { return boardOrder(a->capture, b->capture); });
        gone.push_back(*position);
        note(std::size_t(position - items_.begin()), -1);
        out.count(*at->item, -1);
        shard.erase(at);
    }
    std::sort(replacements.begin(), replacements.end(), itemOrder);
    for (const Item& item : replacements) {
        const std::size_t hash = hashOf(item->capture.id);
        Shard& shard = shardFor(hash);
        shard.insert(
            std::upper_bound(shard.begin(), shard.end(), IndexEntry{hash, nullptr}, hashOrder),
            IndexEntry{hash, item.get()});
        const auto after = std::upper_bound(items_.begin(), items_.end(), item, itemOrder);
        note(after == items_.begin() ? 0 : std::size_t(after - items_.begin() - 1), +1);
        out.count(*item, +1);
    }

    auto& items = out.items_;
    if (gone.size() + replacements.size() <= fewChanges) {
        for (const Item& item : gone) {
            auto at = std::lower_bound(items.begin(), items.end(), item, itemOrder);
            if (at != items.end() && *at == item)
                items.erase(at);
        }
        for (Item& item : replacements)
            items.insert(std::upper_bound(items.begin(), items.end(), item, itemOrder),
                         std::move(item));
    } else {
        std::unordered_set<const BoardItem*> removed;
        for (const Item& item : gone)
            removed.insert(item.get());
        std::vector<Item> kept;
        kept.reserve(items.size() - gone.size());
        for (const Item& item : items)
            if (!removed.contains(item.get()))
                kept.push_back(item);
        items.clear();
        items.reserve(kept.size() + replacements.size());
        std::merge(std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()),
                   std::make_move_iterator(replacements.begin()),
                   std::make_move_iterator(replacements.end()), std::back_inserter(items),
                   itemOrder);
    }
    for (auto& [s, shard] : copied)
        out.index_[s] = std::move(shard);

    // Untouched blocks cover the same items as before; touched ones are folded again.
    out.blocks_.clear();
    std::size_t start = 0;
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        const std::size_t size = std::size_t(std::ptrdiff_t(blocks_[b]->ends.size()) + grown[b]);
        if (!touched[b]) {
            out.blocks_.push_back(blocks_[b]);
        } else {
            const std::size_t pieces = (size + 2 * blockItems - 1) / (2 * blockItems);
            for (std::size_t p = 0; p < pieces; ++p)
                out.blocks_.push_back(
                    out.block(start + size * p / pieces, start + size * (p + 1) / pieces));
        }
        start += size;
    }
    if (start != items.size())
        out.buildBlocks();
    return out;
}

CaptureList::operator std::vector<Capture>() const {
    std::vector<Capture> out;
    out.reserve(items_.size());
    for (const Item& item : items_)
        out.push_back(item->capture.whole());
    return out;
}

bool CaptureList::operator==(const CaptureList& other) const {
    if (items_.size() != other.items_.size())
        return false;
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i] != other.items_[i] && !(items_[i]->capture == other.items_[i]->capture))
            return false;
    return true;
}

} // namespace tavro
