#pragma once

#include "model/Capture.h"
#include "model/FieldCount.h"

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

namespace tavro::test {

// A capture whose every field holds a value of its own, none its default: a copy that drops or
// mixes up a field no longer compares equal.
inline Capture everyCaptureFieldSet() {
    static_assert(aggregateFieldCount<Capture>() == 33, "set the new Capture field here");
    Capture capture;
    auto& [f0, f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18, f19,
           f20, f21, f22, f23, f24, f25, f26, f27, f28, f29, f30, f31, f32] = capture;
    int n = 0;
    auto set = [&n](auto& field) {
        using T = std::remove_reference_t<decltype(field)>;
        ++n;
        if constexpr (std::is_same_v<T, std::string> ||
                      std::is_same_v<T, std::optional<std::string>>)
            field = "field " + std::to_string(n);
        else if constexpr (std::is_same_v<T, bool>)
            field = !field;
        else if constexpr (std::is_enum_v<T>)
            field = T(int(field) + 1);
        else if constexpr (std::is_same_v<T, std::optional<double>>)
            field = 1700000000.25 + n;
        else
            field = T(n + 1);
    };
    set(f0), set(f1), set(f2), set(f3), set(f4), set(f5), set(f6), set(f7), set(f8), set(f9);
    set(f10), set(f11), set(f12), set(f13), set(f14), set(f15), set(f16), set(f17), set(f18);
    set(f19), set(f20), set(f21), set(f22), set(f23), set(f24), set(f25), set(f26), set(f27);
    set(f28), set(f29), set(f30), set(f31), set(f32);
    return capture;
}

} // namespace tavro::test
