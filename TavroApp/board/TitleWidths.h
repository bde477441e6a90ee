#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavro {

struct BoardItem;

// Title widths measured for the board's items, by item, in one flat table: a board's worth of
// look-ups after a filter switch reads one slot each rather than a bucket and a node.
class TitleWidths {
public:
    std::optional<double> find(const BoardItem* item) const;
    void set(const BoardItem* item, double width);
    void erase(const BoardItem* item);
    void clear();
    std::size_t size() const { return used_; }

private:
    struct Slot {
        const BoardItem* item = nullptr;
        double width = 0;
    };

    std::size_t home(const BoardItem* item) const;
    std::size_t next(std::size_t slot) const { return (slot + 1) & (slots_.size() - 1); }
    void grow();

    // A power of two in size, at most half full, so that every run of used slots ends.
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    int shift_ = 64;
};

} // namespace tavro
