#include "foundation/except/Exception.hpp"

#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/text/Utf.hpp"

namespace foundation::core::except {

struct MsgIDExceptionBase::State {
    resource_core::BaseMsgID message;
    std::string errorId;
    std::u16string text;
    std::string utf8Text;
};

IException::~IException() = default;
IUserException::~IUserException() = default;
IMsgIDException::~IMsgIDException() = default;
MsgIDExceptionBase::~MsgIDExceptionBase() = default;

MsgIDExceptionBase::MsgIDExceptionBase(resource_core::BaseMsgID message, std::string errorId) {
    std::u16string text =
        fl::i18n::MessageCatalog(fl::i18n::QzLocale::global()).get_message(message);
    std::string utf8Text = fl::text::toUtf8(text);
    state_ = std::make_shared<State const>(
        State{std::move(message), std::move(errorId), std::move(text), std::move(utf8Text)});
}

char const* MsgIDExceptionBase::what() const noexcept {
    return state_->utf8Text.c_str();
}

std::string const& MsgIDExceptionBase::get_error_id() const noexcept {
    return state_->errorId;
}

std::u16string const& MsgIDExceptionBase::get_message_text() const noexcept {
    return state_->text;
}

resource_core::BaseMsgID const& MsgIDExceptionBase::get_msg_id() const noexcept {
    return state_->message;
}

}  // namespace foundation::core::except
