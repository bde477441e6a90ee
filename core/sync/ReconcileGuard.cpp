#include "sync/ReconcileGuard.h"

#include <unordered_set>

namespace tavro {

std::vector<std::string> reconcileDrops(const std::vector<std::string>& sent,
                                        const std::vector<std::string>& drop) {
    std::unordered_set<std::string> allowed(sent.begin(), sent.end());
    std::vector<std::string> out;
    for (const auto& id : drop)
        if (allowed.erase(id) > 0)
            out.push_back(id);
    return out;
}

} // namespace tavro
