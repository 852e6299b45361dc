#include "front_end/util/WarningLog.hpp"

#include <utility>

#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/i18n/RaisedMessages.hpp"

namespace fe::util {
namespace {

fl::i18n::MessageCatalog catalog() {
    return fl::i18n::MessageCatalog(fl::i18n::QzLocale::global());
}

}  // namespace

IFrontEndWarningLog::IFrontEndWarningLog(std::u16string sourceName,
                                         std::shared_ptr<lf::util::LineInfo const> lineInfo)
    : sourceName_(std::move(sourceName)), lineInfo_(std::move(lineInfo)) {}

IFrontEndWarningLog::~IFrontEndWarningLog() = default;

void IFrontEndWarningLog::add(resource_core::BaseMsgID const& message) {
    fl::i18n::noteRaisedMessage(message.errorId());
    keep(message);
}

void IFrontEndWarningLog::addAt(uint32_t position, resource_core::BaseMsgID const& message) {
    fl::i18n::noteRaisedMessage(message.errorId());
    keepAt(position, message);
}

NullFrontEndWarningLog::NullFrontEndWarningLog() : IFrontEndWarningLog(u"", nullptr) {}

CollectingFrontEndWarningLog::CollectingFrontEndWarningLog(
    std::u16string sourceName, std::shared_ptr<lf::util::LineInfo const> lineInfo)
    : IFrontEndWarningLog(std::move(sourceName), std::move(lineInfo)) {}

void CollectingFrontEndWarningLog::keep(resource_core::BaseMsgID const& message) {
    fl::i18n::LocatedText text = catalog().get_located_message(message);
    warnings_.push_back(
        {message.errorId(), std::move(text.location), std::move(text.body), message});
}

void CollectingFrontEndWarningLog::keepAt(uint32_t position,
                                          resource_core::BaseMsgID const& message) {
    warnings_.push_back({message.errorId(),
                         internal::describeLocation(sourceName(), lineInfo(), position),
                         catalog().get_message(message), message});
}

}  // namespace fe::util
