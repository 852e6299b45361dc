#include "front_end/util/SourceLocation.hpp"

#include "foundation/output/PrintfIsHot.hpp"
#include "foundation/text/Utf.hpp"

namespace fe::util::internal {

std::u16string createSourceLocationDescription(
    std::u16string const& sourceName, std::shared_ptr<lf::util::LineInfo const> const& lineInfo,
    uint32_t position, bool /*hot*/) {
    constexpr uint32_t kNoPosition = 0xFFFFFFFF;
    if (position == 0 || position == kNoPosition || !lineInfo) {
        return sourceName;
    }
    lf::util::LineAndColumn where = lineInfo->lineAndColumn(position);
    return sourceName + u":" + fl::text::toUtf16(std::to_string(where.line)) + u":" +
           fl::text::toUtf16(std::to_string(where.column));
}

std::u16string describeLocation(std::u16string const& sourceName,
                                std::shared_ptr<lf::util::LineInfo const> const& lineInfo,
                                uint32_t position) {
    return createSourceLocationDescription(sourceName, lineInfo, position, utPrintfIsHot());
}

}  // namespace fe::util::internal
