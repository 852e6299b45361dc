#include "front_end/util/FrontEndUserException.hpp"

#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/i18n/Messages.hpp"
#include "foundation/i18n/RaisedMessages.hpp"

namespace fe::util {

IFrontEndUserException::~IFrontEndUserException() = default;

WrappedFrontEndUserExceptionFromBaseMsgID::WrappedFrontEndUserExceptionFromBaseMsgID(
    uint32_t position, resource_core::BaseMsgID const& message)
    : position_(position),
      identifier_(message.errorId()),
      messageText_(fl::i18n::MessageCatalog(fl::i18n::QzLocale::global()).get_message(message)) {
    fl::i18n::noteRaisedMessage(identifier_);
}

WrappedFrontEndUserExceptionFromBaseMsgID::~WrappedFrontEndUserExceptionFromBaseMsgID() = default;

void WrappedFrontEndUserExceptionFromBaseMsgID::raise(
    std::u16string const& sourceName,
    std::shared_ptr<lf::util::LineInfo const> const& lineInfo) const {
    using KORVEX::lang::Prepend;
    std::u16string location = internal::describeLocation(sourceName, lineInfo, position_);
    throw foundation::core::except::Exception<Prepend, std::exception>(
        Prepend(location, messageText_), identifier_);
}

void raiseWrappedAt(uint32_t position, resource_core::BaseMsgID const& message) {
    throw WrappedFrontEndUserExceptionFromBaseMsgID(position, message);
}

}  // namespace fe::util
