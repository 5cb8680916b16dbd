#include "forms/kind_registry.h"

#include <map>

namespace tavrel::forms {
namespace {

std::map<KindCode, ControlKind>& kinds() {
    static std::map<KindCode, ControlKind> registered;
    return registered;
}

}  // namespace

void registerControlKind(KindCode kind, std::uint32_t highestVersion, ControlFactory factory) {
    kinds()[kind] = ControlKind{highestVersion, factory};
}

const ControlKind* findControlKind(KindCode kind) {
    auto found = kinds().find(kind);
    return found == kinds().end() ? nullptr : &found->second;
}

}  // namespace tavrel::forms
