#pragma once
// References to the documentation inside messages.

#include <string>
#include <string_view>

#include "foundation/Visibility.hpp"
#include "foundation/resource/BaseMsgID.hpp"

namespace fe::util {

inline constexpr std::string_view kHelpMapPath = "/techdoc/korvex_prog/korvex_prog.map";
inline constexpr std::string_view kNestedFunctionsScopeTopic = "nested_functions_scope";
inline constexpr std::string_view kFunctionCallCommandSyntaxTopic = "function_call_command_syntax";

// The catalog text of `linkText`; when output can show hyperlinks, that text
// made into a link to `topic` (the KORVEX::front_end::m_doclink message).
KORVEX_VISIBLE std::u16string documentationLink(std::string_view topic,
                                                resource_core::BaseMsgID const& linkText);

}  // namespace fe::util
