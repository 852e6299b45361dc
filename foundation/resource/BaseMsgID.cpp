#include "foundation/resource/BaseMsgID.hpp"

namespace resource_core {

BaseMsgID::BaseMsgID(std::string component, std::string id, std::vector<MsgArgument> arguments)
    : arguments_(std::move(arguments)), component_(std::move(component)), id_(std::move(id)) {}

std::string BaseMsgID::key() const {
    return component_ + ":" + id_;
}

std::string BaseMsgID::errorId() const {
    return composeErrorId(component_, id_);
}

std::string composeErrorId(std::string_view component, std::string_view id) {
    constexpr std::string_view kFrontEnd = "KORVEX:front_end";
    constexpr std::string_view kLegacyTwoPart = "KORVEX:legacy_two_part";
    std::string_view prefix = component == kFrontEnd || component == kLegacyTwoPart
                                  ? std::string_view("KORVEX")
                                  : component;
    std::string identifier(prefix);
    identifier += ':';
    identifier += id;
    return identifier;
}

}  // namespace resource_core
