#pragma once
// User errors found by the front end. They are thrown while the source is
// analysed, when only the position of the offending node is known; the caller
// catches IFrontEndUserException and calls raise() with the source name and
// line information, which throws the final
// foundation::core::except::Exception with the location text in front.
//
// Throwing one is a single line:
//     raiseAt<KORVEX::front_end::tal_error_repeated_input>(node.position(), name);
//     raiseWrappedAt(position, messageFromAnotherLibrary);

#include <concepts>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "foundation/Visibility.hpp"
#include "foundation/except/Exception.hpp"
#include "foundation/i18n/RaisedMessages.hpp"
#include "foundation/resource/BaseMsgID.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/util/SourceLocation.hpp"

namespace fe::util {

// A std::exception, so that an error that escapes unreported still names its
// message; callers that also catch std::exception must catch this first.
class KORVEX_VISIBLE IFrontEndUserException : public std::exception {
  public:
    ~IFrontEndUserException() override;

    // Throws the user's error for source `sourceName`, located with `lineInfo`.
    [[noreturn]] virtual void raise(
        std::u16string const& sourceName,
        std::shared_ptr<lf::util::LineInfo const> const& lineInfo) const = 0;

    // The source position of the offending node.
    virtual uint32_t position() const noexcept = 0;
};

// Message `Id` whose arguments are the location followed by `Args` (each a
// UTF-16 string).
template <class Id, class... Args>
class KORVEX_VISIBLE FrontEndUserException final : public IFrontEndUserException {
    static_assert((std::same_as<Args, std::u16string> && ...),
                  "message arguments are UTF-16 strings");
    static_assert(std::is_constructible_v<Id, std::u16string_view, Args const&...>,
                  "the message does not take a location followed by these arguments");

  public:
    explicit FrontEndUserException(uint32_t position, Args... arguments)
        : position_(position), arguments_(std::move(arguments)...) {
        fl::i18n::noteRaisedMessage(resource_core::composeErrorId(Id::kComponent, Id::kId));
    }

    [[noreturn]] void raise(
        std::u16string const& sourceName,
        std::shared_ptr<lf::util::LineInfo const> const& lineInfo) const override {
        std::u16string location = internal::describeLocation(sourceName, lineInfo, position_);
        throw foundation::core::except::Exception<Id, std::exception>(std::make_from_tuple<Id>(
            std::tuple_cat(std::tuple<std::u16string_view>(location), arguments_)));
    }

    uint32_t position() const noexcept override { return position_; }

    std::tuple<Args...> const& arguments() const noexcept { return arguments_; }

    // The message id, for reports of an error that escaped its caller.
    char const* what() const noexcept override { return Id::kId.data(); }

  private:
    uint32_t position_;
    std::tuple<Args...> arguments_;
};

// A message built elsewhere (often by another library), reported with the
// location in front of its text and under its own identifier.
class KORVEX_VISIBLE WrappedFrontEndUserExceptionFromBaseMsgID : public IFrontEndUserException {
  public:
    // Composes the identifier and takes the message text from the catalog now.
    WrappedFrontEndUserExceptionFromBaseMsgID(uint32_t position,
                                              resource_core::BaseMsgID const& message);
    ~WrappedFrontEndUserExceptionFromBaseMsgID() override;

    // Throws the exception of KORVEX::lang::Prepend (location, message text)
    // whose error identifier is the wrapped message's identifier.
    [[noreturn]] void raise(
        std::u16string const& sourceName,
        std::shared_ptr<lf::util::LineInfo const> const& lineInfo) const override;

    uint32_t position() const noexcept override { return position_; }
    std::string const& identifier() const noexcept { return identifier_; }
    std::u16string const& messageText() const noexcept { return messageText_; }

    char const* what() const noexcept override { return identifier_.c_str(); }

  private:
    uint32_t position_;
    std::string identifier_;
    std::u16string messageText_;
};

// The wrapped form for a message of a fixed class, so that it can be caught by
// that class.
template <class Id>
class KORVEX_VISIBLE WrappedFrontEndUserException final
    : public WrappedFrontEndUserExceptionFromBaseMsgID {
  public:
    WrappedFrontEndUserException(uint32_t position, Id const& message)
        : WrappedFrontEndUserExceptionFromBaseMsgID(position, message) {}
};

template <class>
using Utf16Argument = std::u16string;

// Throws FrontEndUserException<Id, ...> with one UTF-16 argument per name.
template <class Id, class... Names>
requires(std::convertible_to<Names const&, std::u16string_view>&&...)
    [[noreturn]] void raiseAt(uint32_t position, Names const&... names) {
    throw FrontEndUserException<Id, Utf16Argument<Names>...>(
        position, std::u16string(std::u16string_view(names))...);
}

// Throws WrappedFrontEndUserException<Id>.
template <class Id>
requires std::derived_from<Id, resource_core::BaseMsgID> &&
    (!std::same_as<Id, resource_core::BaseMsgID>)
        [[noreturn]] void raiseWrappedAt(uint32_t position, Id const& message) {
    throw WrappedFrontEndUserException<Id>(position, message);
}

// Throws WrappedFrontEndUserExceptionFromBaseMsgID.
[[noreturn]] KORVEX_VISIBLE void raiseWrappedAt(uint32_t position,
                                                resource_core::BaseMsgID const& message);

}  // namespace fe::util
