#pragma once
// The toolkit's names for the Boost pieces the front end uses: optional
// values and the non-copyable base class.

#include <boost/noncopyable.hpp>
#include <boost/optional.hpp>

namespace qzboost = boost;
