#include "values/ModifierSet.h"

#include <array>

namespace tavro {

namespace {

struct Member {
    ModifierSet set;
    const char* glyph;
    const char* name;
    std::uint32_t hotkeyBit;
    std::uint64_t keyEventBit;
};

// In display order.
constexpr std::array<Member, 5> members{{
    {ModifierSet::control, "⌃", "Control", 0x1000, 0x40000},
    {ModifierSet::option, "⌥", "Option", 0x800, 0x80000},
    {ModifierSet::shift, "⇧", "Shift", 0x200, 0x20000},
    {ModifierSet::command, "⌘", "Command", 0x100, 0x100000},
    {ModifierSet::function, "fn", "Fn", 0, 0x800000},
}};

} // namespace

ModifierSet ModifierSet::fromKeyEventFlags(std::uint64_t flags) {
    ModifierSet set;
    for (const auto& member : members) {
        if (flags & member.keyEventBit)
            set = set | member.set;
    }
    return set;
}

std::uint32_t ModifierSet::hotkeyMask() const {
    std::uint32_t flags = 0;
    for (const auto& member : members) {
        if (contains(member.set))
            flags |= member.hotkeyBit;
    }
    return flags;
}

std::optional<ModifierSet> ModifierSet::singleModifier() const {
    std::optional<ModifierSet> found;
    for (const auto& member : members) {
        if (!contains(member.set))
            continue;
        if (found)
            return std::nullopt;
        found = member.set;
    }
    return found;
}

std::string ModifierSet::symbols() const {
    std::string text;
    for (const auto& member : members) {
        if (contains(member.set))
            text += member.glyph;
    }
    return text;
}

std::string ModifierSet::name() const {
    if (auto single = singleModifier()) {
        for (const auto& member : members) {
            if (member.set == *single)
                return member.name;
        }
    }
    return symbols();
}

} // namespace tavro
