#include "board/TitleWidths.h"

#include <algorithm>
#include <bit>

namespace tavro {

std::size_t TitleWidths::home(const BoardItem* item) const {
    // Fibonacci hashing: items made one after another land far apart.
    return std::size_t((std::uintptr_t(item) * 0x9E3779B97F4A7C15ull) >> shift_);
}

std::optional<double> TitleWidths::find(const BoardItem* item) const {
    if (slots_.empty())
        return std::nullopt;
    for (std::size_t slot = home(item);; slot = next(slot)) {
        if (slots_[slot].item == item)
            return slots_[slot].width;
        if (!slots_[slot].item)
            return std::nullopt;
    }
}

void TitleWidths::set(const BoardItem* item, double width) {
    if (2 * (used_ + 1) > slots_.size())
        grow();
    std::size_t slot = home(item);
    while (slots_[slot].item && slots_[slot].item != item)
        slot = next(slot);
    if (!slots_[slot].item)
        ++used_;
    slots_[slot] = {item, width};
}

void TitleWidths::erase(const BoardItem* item) {
    if (slots_.empty())
        return;
    std::size_t gap = home(item);
    while (slots_[gap].item != item) {
        if (!slots_[gap].item)
            return;
        gap = next(gap);
    }
    // The items after it in its run move back into the gap where their homes allow, so that a
    // search never stops early at an empty slot.
    for (std::size_t slot = next(gap); slots_[slot].item; slot = next(slot)) {
        const std::size_t wanted = home(slots_[slot].item);
        const bool reachable =
            gap <= slot ? (wanted <= gap || wanted > slot) : (wanted <= gap && wanted > slot);
        if (reachable) {
            slots_[gap] = slots_[slot];
            gap = slot;
        }
    }
    slots_[gap] = {};
    --used_;
}

void TitleWidths::clear() {
    slots_.clear();
    used_ = 0;
    shift_ = 64;
}

void TitleWidths::grow() {
    std::vector<Slot> old = std::move(slots_);
    const std::size_t size = std::max<std::size_t>(64, 2 * old.size());
    slots_.assign(size, Slot{});
    shift_ = 64 - std::countr_zero(size);
    used_ = 0;
    for (const Slot& slot : old)
        if (slot.item)
            set(slot.item, slot.width);
}

} // namespace tavro
