#include "library/SharedText.h"

namespace tavro {

SharedText SharedTexts::operator()(std::optional<std::string>&& text) {
    if (!text)
        return {};
    if (auto found = texts_.find(*text); found != texts_.end())
        return SharedText(found->second);
    auto kept = std::make_shared<const std::string>(std::move(*text));
    texts_.emplace(*kept, kept);
    return SharedText(std::move(kept));
}

} // namespace tavro
