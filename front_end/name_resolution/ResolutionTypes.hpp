#pragma once
// Types that the resolvers of one function body share.

#include <memory>
#include <string_view>
#include <unordered_set>

#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/NameMap.hpp"

namespace lf::import {
class IImportList;
}

namespace fe::nr {

using ImportListPtr = std::shared_ptr<lf::import::IImportList const>;

// Name -> the name the import list maps it to, one per function body and
// shared by every external resolver of that body, so that the caller is
// asked once per name. The views point into the tree's allocator.
using ResolutionCache = NameMap<std::u16string_view>;

// The identifiers of `persistent` statements that the use pass has not
// reached yet.
using PendingPersistentSet = std::unordered_set<lf::astapi::Identifier const*>;

}  // namespace fe::nr
