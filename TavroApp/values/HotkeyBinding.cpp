#include "values/HotkeyBinding.h"

#include "values/KeyNames.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <limits>

namespace tavro {

namespace {

constexpr std::array<std::uint16_t, 20> functionKeyCodes{
    122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106, 64, 79, 80, 90};

// Counts outside 1...3 only come from hand-edited preferences: a negative count shows as one
// press, and no text repeats more than three times.
std::int64_t repetitions(std::int64_t tapCount) {
    if (tapCount < 0)
        return 1;
    return std::min<std::int64_t>(tapCount, 3);
}

std::string repeated(const std::string& text, std::int64_t count) {
    std::string out;
    for (std::int64_t i = 0; i < count; ++i) {
        if (i > 0)
            out += ' ';
        out += text;
    }
    return out;
}

} // namespace

HotkeyBinding HotkeyBinding::defaultRegion() {
    return {19, ModifierSet::option | ModifierSet::shift, 1};
}

HotkeyBinding HotkeyBinding::defaultFullScreen() {
    return {20, ModifierSet::option | ModifierSet::shift, 1};
}

std::string HotkeyBinding::keyName(std::uint16_t keyCode) {
    if (auto special = KeyNames::specialKeyName(keyCode))
        return *special;
    if (auto character = characterName(keyCode))
        return *character;
    return "Key " + std::to_string(keyCode);
}

std::optional<std::string> HotkeyBinding::characterName(std::uint16_t keyCode) {
    return KeyNames::layoutCharacter(keyCode);
}

bool HotkeyBinding::isFunctionKey(std::uint16_t keyCode) {
    return std::find(functionKeyCodes.begin(), functionKeyCodes.end(), keyCode) !=
           functionKeyCodes.end();
}

std::string HotkeyBinding::combination(std::uint16_t keyCode) const {
    return modifiers.isEmpty() ? keyName(keyCode) : modifiers.name() + "+" + keyName(keyCode);
}

std::string HotkeyBinding::displayString() const {
    if (keyCode)
        return repeated(combination(*keyCode), tapCount == 2 || tapCount == 3 ? tapCount : 1);
    const std::string names = modifiers.name();
    return repeated(names, names.empty() ? 0 : repetitions(tapCount));
}

std::string HotkeyBinding::explanation() const {
    if (keyCode) {
        const std::string once = combination(*keyCode);
        if (tapCount == 3)
            return "Press " + once + " three times quickly";
        if (tapCount == 2)
            return "Press " + once + " twice quickly";
        return "Press " + once;
    }
    auto single = modifiers.singleModifier();
    if (!single)
        return "Not set";
    const std::string name = single->name();
    if (tapCount == 1)
        return "Tap " + name;
    if (tapCount == 3)
        return "Tap " + name + " three times quickly";
    return "Tap " + name + " twice quickly";
}

std::optional<std::string> HotkeyBinding::warning() const {
    if (keyCode) {
        if (modifiers.isEmpty() && tapCount == 1 && !isFunctionKey(*keyCode))
            return "Fires every time you press " + keyName(*keyCode) + " — including while typing.";
        return std::nullopt;
    }
    if (tapCount != 1)
        return std::nullopt;
    auto single = modifiers.singleModifier();
    return "Fires every time you tap " + (single ? single->name() : std::string("that key")) +
           " on its own.";
}

std::string HotkeyBinding::toJSON() const {
    nlohmann::json json = nlohmann::json::object();
    if (keyCode)
        json["keyCode"] = *keyCode;
    json["modifiers"] = modifiers.rawValue;
    json["tapCount"] = tapCount;
    return json.dump();
}

std::optional<HotkeyBinding> HotkeyBinding::fromJSON(std::string_view text) {
    const auto json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_object())
        return std::nullopt;

    HotkeyBinding binding;
    if (auto it = json.find("keyCode"); it != json.end() && !it->is_null()) {
        if (!it->is_number_unsigned() ||
            it->get<std::uint64_t>() > std::numeric_limits<std::uint16_t>::max())
            return std::nullopt;
        binding.keyCode = static_cast<std::uint16_t>(it->get<std::uint64_t>());
    }

    auto modifiers = json.find("modifiers");
    if (modifiers == json.end() || !modifiers->is_number_unsigned())
        return std::nullopt;
    binding.modifiers.rawValue = modifiers->get<std::uint64_t>();

    auto tapCount = json.find("tapCount");
    if (tapCount == json.end() || !tapCount->is_number_integer())
        return std::nullopt;
    if (tapCount->is_number_unsigned() &&
        tapCount->get<std::uint64_t>() >
            static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return std::nullopt;
    binding.tapCount = tapCount->get<std::int64_t>();
    return binding;
}

} // namespace tavro

size_t
std::hash<tavro::HotkeyBinding>::operator()(const tavro::HotkeyBinding& binding) const noexcept {
    size_t seed = 0;
    auto combine = [&seed](size_t value) {
        seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    };
    combine(binding.keyCode.has_value());
    if (binding.keyCode)
        combine(*binding.keyCode);
    combine(std::hash<std::uint64_t>{}(binding.modifiers.rawValue));
    combine(std::hash<std::int64_t>{}(binding.tapCount));
    return seed;
}
