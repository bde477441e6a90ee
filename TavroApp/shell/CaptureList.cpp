#include "shell/CaptureList.h"

#include <algorithm>
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

} // namespace

CaptureList::CaptureList() {
    auto empty = std::make_shared<const Shard>();
    index_.fill(empty);
}

CaptureList::CaptureList(const std::vector<Capture>& captures) {
    items_.reserve(captures.size());
    for (const Capture& capture : captures)
        items_.push_back(std::make_shared<const BoardItem>(BoardItem::make(capture)));
    buildIndex();
}

CaptureList CaptureList::ordered(std::vector<Item> items) {
    CaptureList list;
    list.items_ = std::move(items);
    list.buildIndex();
    return list;
}

std::size_t CaptureList::shardOf(std::string_view id) {
    return std::hash<std::string_view>{}(id) % shardCount;
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
        shard->reserve(items_.size() / shardCount + 1);
    }
    tagged_ = commented_ = imaged_ = 0;
    for (const Item& item : items_) {
        shards[shardOf(item->capture.id)]->insert_or_assign(item->capture.id, item);
        count(*item, +1);
    }
    for (std::size_t s = 0; s < shardCount; ++s)
        index_[s] = std::move(shards[s]);
}

const BoardItem* CaptureList::find(std::string_view id) const {
    const Shard& shard = *index_[shardOf(id)];
    const auto found = shard.find(id);
    return found == shard.end() ? nullptr : found->second.get();
}

CaptureList CaptureList::replacing(const std::set<std::string>& ids,
                                   std::vector<Item> replacements) const {
    CaptureList out = *this;
    std::map<std::size_t, std::shared_ptr<Shard>> copied;
    const auto shardFor = [&](std::string_view id) -> Shard& {
        const std::size_t s = shardOf(id);
        auto& copy = copied[s];
        if (!copy)
            copy = std::make_shared<Shard>(*index_[s]);
        return *copy;
    };

    std::vector<Item> gone;
    for (const std::string& id : ids) {
        Shard& shard = shardFor(id);
        if (auto found = shard.find(id); found != shard.end()) {
            gone.push_back(found->second);
            out.count(*found->second, -1);
            shard.erase(found);
        }
    }
    std::sort(replacements.begin(), replacements.end(), itemOrder);
    for (const Item& item : replacements) {
        shardFor(item->capture.id).insert_or_assign(item->capture.id, item);
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
