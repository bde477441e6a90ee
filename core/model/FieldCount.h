#pragma once

#include <cstddef>
#include <utility>

namespace tavro {

namespace fieldcount {

// Converts to any field's type; only ever named in unevaluated contexts.
struct AnyField {
    template <class T> operator T() const;
};

template <class T, std::size_t... I> constexpr bool takes(std::index_sequence<I...>) {
    return requires {
        T{(void(I), AnyField{})...};
    };
}

} // namespace fieldcount

// The number of fields of an aggregate whose fields are not aggregates themselves: the most
// initialisers it takes. The records' hand-written field lists check themselves against it, so a
// field added to the record and not to a list stops the build.
template <class T, std::size_t N = 0> constexpr std::size_t aggregateFieldCount() {
    if constexpr (!fieldcount::takes<T>(std::make_index_sequence<N + 1>{}))
        return N;
    else
        return aggregateFieldCount<T, N + 1>();
}

} // namespace tavro
