#pragma once
// One class per message of Messages.def, in namespace KORVEX::lang or
// KORVEX::front_end and named by the message id, for example
// KORVEX::front_end::tal_error_repeated_input. A message class is a
// resource_core::BaseMsgID whose constructor takes exactly the message's
// arguments, so a call with the wrong number or kind of arguments does not
// compile:
//
//     KORVEX::front_end::tal_error_repeated_input message(location, name);
//
// Each class also states its catalog data: kComponent, kId, kKind and
// kArguments (the argument kinds in order).

#include <array>
#include <string>
#include <string_view>

#include "foundation/Visibility.hpp"
#include "foundation/resource/BaseMsgID.hpp"

namespace fl::i18n {

enum class MessageKind { error, warning, text };

enum class ArgumentKind { location, name, text, narrow };

namespace arguments {

// An argument kind of Messages.def: how a constructor takes the argument and
// how the message keeps it.
template <ArgumentKind Kind, class ParameterType, class StoredType>
struct Argument {
    static constexpr ArgumentKind kind = Kind;
    using Parameter = ParameterType;
    static resource_core::MsgArgument store(Parameter value) { return StoredType(value); }
};

using Location = Argument<ArgumentKind::location, std::u16string_view, std::u16string>;
using Name = Argument<ArgumentKind::name, std::u16string_view, std::u16string>;
using Text = Argument<ArgumentKind::text, std::u16string_view, std::u16string>;
using Narrow = Argument<ArgumentKind::narrow, std::string_view, std::string>;

template <class... Kinds>
struct List {};

}  // namespace arguments

// Base of the generated classes; `Self` provides kComponent and kId.
template <class Self, class Signature>
class Message;

template <class Self, class... Kinds>
class KORVEX_VISIBLE Message<Self, arguments::List<Kinds...>> : public resource_core::BaseMsgID {
  public:
    static constexpr std::array<ArgumentKind, sizeof...(Kinds)> kArguments{Kinds::kind...};

    explicit Message(typename Kinds::Parameter... values)
        : BaseMsgID(std::string(Self::kComponent), std::string(Self::kId),
                    {Kinds::store(values)...}) {}
};

}  // namespace fl::i18n

#define KORVEX_MESSAGE_UNPAREN(...) __VA_ARGS__

// The argument list of a message is named in fl::i18n::arguments, where the
// kind names of Messages.def are visible.
#define KORVEX_MESSAGE(component_, id_, kind_, arguments_, text_)                        \
    namespace fl::i18n::arguments {                                                      \
    using component_##_##id_ = List<KORVEX_MESSAGE_UNPAREN arguments_>;                  \
    }                                                                                    \
    namespace KORVEX::component_ {                                                       \
    class KORVEX_VISIBLE id_ final                                                       \
        : public ::fl::i18n::Message<id_, ::fl::i18n::arguments::component_##_##id_> {   \
      public:                                                                            \
        static constexpr std::string_view kComponent = "KORVEX:" #component_;            \
        static constexpr std::string_view kId = #id_;                                    \
        static constexpr ::fl::i18n::MessageKind kKind = ::fl::i18n::MessageKind::kind_; \
        using Message::Message;                                                          \
    };                                                                                   \
    }
#include "foundation/i18n/Messages.def"
#undef KORVEX_MESSAGE
#undef KORVEX_MESSAGE_UNPAREN
