#include "values/ModifierSet.h"

#include <array>

namespace tavro {

namespace {

struct Member {
    ModifierSet set;
    // As a Linux desktop names the key.
    const char* name;
    std::uint32_t hotkeyBit;
    std::uint64_t keyEventBit;
};

// In the order a Linux desktop shows them; command is the Super key, option the Alt key.
constexpr std::array<Member, 5> members{{
    {ModifierSet::command, "Super", 0x100, 0x100000},
    {ModifierSet::control, "Ctrl", 0x1000, 0x40000},
    {ModifierSet::option, "Alt", 0x800, 0x80000},
    {ModifierSet::shift, "Shift", 0x200, 0x20000},
    {ModifierSet::function, "Fn", 0, 0x800000},
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

std::string ModifierSet::name() const {
    std::string text;
    for (const auto& member : members) {
        if (contains(member.set))
            text += (text.empty() ? "" : "+") + std::string(member.name);
    }
    return text;
}

} // namespace tavro
