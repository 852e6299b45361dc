#include "front_end/util/InternalError.hpp"

#include <stdexcept>
#include <string>

namespace fe::util {

void unreachable(char const* sourcePath, int line) {
    throw std::logic_error(std::string("Unreachable - ") + sourcePath + " line " +
                           std::to_string(line));
}

}  // namespace fe::util
