// Qt widgets, layouts and items belong to the parent or container they are given to,
// which deletes them. This is the one place that creates such an object.
#pragma once

#include <utility>

namespace quorvane {

template <class T, class... Args>
T* qtOwned(Args&&... args) {
    return new T(std::forward<Args>(args)...);  // NOLINT(cppcoreguidelines-owning-memory)
}

}  // namespace quorvane
