#pragma once
// Message objects: which message to show (component and id) and the values
// that fill its placeholders. The text itself lives in the message catalog.

#include <concepts>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "foundation/Visibility.hpp"

namespace resource_core {

// A message argument: narrow (UTF-8) or UTF-16 text.
using MsgArgument = std::variant<std::string, std::u16string>;

class KORVEX_VISIBLE BaseMsgID {
  public:
    BaseMsgID(std::string component, std::string id, std::vector<MsgArgument> arguments);

    std::vector<MsgArgument> const& arguments() const { return arguments_; }
    std::string const& component() const { return component_; }
    std::string const& id() const { return id_; }

    // "component:id", the key of the message in the catalog.
    std::string key() const;
    // The identifier users see; see composeErrorId.
    std::string errorId() const;

  private:
    std::vector<MsgArgument> arguments_;
    std::string component_;
    std::string id_;
};

// The user-visible identifier of a message. Front-end messages have two parts
// ("KORVEX:" and the id); every other component is kept and followed by ":"
// and the id, so language messages have three parts ("KORVEX:lang:id"). The
// component "KORVEX:legacy_two_part" stands for plain "KORVEX" and so also
// gives two parts.
KORVEX_VISIBLE std::string composeErrorId(std::string_view component, std::string_view id);

// Holds a message that one component hands to another.
class KORVEX_VISIBLE MsgIDHolder {
  public:
    BaseMsgID const& msgId() const { return message_; }

  protected:
    explicit MsgIDHolder(BaseMsgID message) : message_(std::move(message)) {}

  private:
    BaseMsgID message_;
};

// Built from one of the generated message classes, so the message is known
// to exist in the catalog with the right arguments.
class KORVEX_VISIBLE TypedMsgIDHolder : public MsgIDHolder {
  public:
    template <class Message>
    requires std::derived_from<Message, BaseMsgID> &&
        (!std::same_as<Message, BaseMsgID>)explicit TypedMsgIDHolder(Message message)
        : MsgIDHolder(std::move(message)) {}
};

// Built from any message object, typically one assembled at run time by a
// component that knows its messages only by component and id.
class KORVEX_VISIBLE GenericMsgIDHolder : public MsgIDHolder {
  public:
    explicit GenericMsgIDHolder(BaseMsgID message) : MsgIDHolder(std::move(message)) {}
};

}  // namespace resource_core
