#pragma once
// Exceptions that carry a user-facing message. Catch them by interface:
//   IException      any exception of this family
//   IUserException  caused by the user's input, not by a fault of the program
//   IMsgIDException a user error with a message identifier and a catalog text
// Exception<Id, std::exception> is the concrete type for message class Id;
// what() gives its text in UTF-8.

#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "foundation/Visibility.hpp"
#include "foundation/resource/BaseMsgID.hpp"

namespace foundation::core::except {

class KORVEX_VISIBLE IException : public std::exception {
  public:
    ~IException() override;
};

class KORVEX_VISIBLE IUserException : public IException {
  public:
    ~IUserException() override;
};

class KORVEX_VISIBLE IMsgIDException : public IUserException {
  public:
    ~IMsgIDException() override;

    // The identifier users see, for example "KORVEX:tal_error_repeated_input"
    // or "KORVEX:lang:LocalFunctionAndVariableHaveSameName" (see
    // resource_core::composeErrorId).
    virtual std::string const& get_error_id() const noexcept = 0;
    // The message text from the catalog, arguments filled in.
    virtual std::u16string const& get_message_text() const noexcept = 0;
    virtual resource_core::BaseMsgID const& get_msg_id() const noexcept = 0;
};

// The state of a message exception, shared between copies so that copying an
// exception never throws.
class KORVEX_VISIBLE MsgIDExceptionBase : public IMsgIDException {
  public:
    ~MsgIDExceptionBase() override;

    char const* what() const noexcept override;
    std::string const& get_error_id() const noexcept override;
    std::u16string const& get_message_text() const noexcept override;
    resource_core::BaseMsgID const& get_msg_id() const noexcept override;

  protected:
    // The text is taken from the catalog of the global locale.
    MsgIDExceptionBase(resource_core::BaseMsgID message, std::string errorId);

  private:
    struct State;
    std::shared_ptr<State const> state_;
};

// Only the std::exception form exists.
template <class Id, class StandardBase>
class Exception;

template <class Id>
class KORVEX_VISIBLE Exception<Id, std::exception> final : public MsgIDExceptionBase {
  public:
    explicit Exception(Id message)
        : MsgIDExceptionBase(std::move(message),
                             resource_core::composeErrorId(Id::kComponent, Id::kId)) {}

    // Reports `errorId` instead of the message's own identifier: used when the
    // message only decorates another one (a location put before a message from
    // elsewhere) and the user should see the identifier of the original.
    Exception(Id message, std::string errorId)
        : MsgIDExceptionBase(std::move(message), std::move(errorId)) {}
};

}  // namespace foundation::core::except
