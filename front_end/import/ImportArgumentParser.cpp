#include "front_end/import/ImportArgumentParser.hpp"

#include <optional>
#include <stdexcept>
#include <string>

#include "foundation/i18n/Messages.hpp"
#include "front_end/import/Features.hpp"
#include "front_end/langutil/NameCharacters.hpp"

namespace lf::import {

namespace {

using resource_core::BaseMsgID;

using lf::util::isAsciiLetter;
using lf::util::isNameCharacter;

// The character that starts at `text[at]`, keeping a surrogate pair whole so
// that a message shows the character the user wrote.
std::u16string_view characterAt(std::u16string_view text, std::size_t at) {
    bool startsPair = at + 1 < text.size() && text[at] >= 0xD800 && text[at] <= 0xDBFF &&
                      text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
    return text.substr(at, startsPair ? 2 : 1);
}

// The first fault of `part`, one dot-separated part of `argument` that is not "*".
std::optional<BaseMsgID> findNameFault(std::u16string_view argument, std::u16string_view part) {
    if (part.empty()) {
        return KORVEX::import::ImportNameMissingAroundDot(argument);
    }
    for (std::size_t at = 0; at < part.size(); ++at) {
        if (part[at] == u'*') {
            return KORVEX::import::ImportWildcardMisplaced(argument);
        }
        if (!isNameCharacter(part[at])) {
            return KORVEX::import::ImportArgumentBadCharacter(argument, characterAt(part, at));
        }
    }
    if (!isAsciiLetter(part.front())) {
        return KORVEX::import::ImportNamePartBadStart(argument, part);
    }
    return std::nullopt;
}

// The first fault of `argument` read left to right as names joined by dots,
// where the last of at least two parts may be "*".
std::optional<BaseMsgID> findArgumentFault(std::u16string_view argument) {
    if (argument.empty()) {
        return KORVEX::import::EmptyImportArgument();
    }
    std::size_t partStart = 0;
    while (true) {
        std::size_t dot = argument.find(u'.', partStart);
        bool isLastPart = dot == std::u16string_view::npos;
        std::u16string_view part =
            argument.substr(partStart, isLastPart ? std::u16string_view::npos : dot - partStart);
        if (part == u"*") {
            if (!isLastPart || partStart == 0) {
                return KORVEX::import::ImportWildcardMisplaced(argument);
            }
        } else if (auto fault = findNameFault(argument, part)) {
            return fault;
        }
        if (isLastPart) {
            return std::nullopt;
        }
        partStart = dot + 1;
    }
}

InvalidImportEntry invalidEntry(std::uint32_t argumentIndex, std::u16string_view argument,
                                BaseMsgID message, bool warning) {
    return InvalidImportEntry(argumentIndex, std::u16string(argument),
                              resource_core::GenericMsgIDHolder(std::move(message)), warning);
}

class ImportArgumentParser final : public IImportArgumentParser {
  public:
    ImportArgumentParser(lf::astapi::ImportCommandView const& statement,
                         ImportParserBehaviour behaviour)
        : statement_(statement),
          behaviour_(behaviour),
          packageImportsOn_(lf::features::isPackageImportsFeatureOn()) {}

    std::vector<ImportEntry> parse() const override {
        auto const& arguments = statement_.statement().arguments;
        std::vector<ImportEntry> entries;
        if (arguments.empty() && behaviour_ == ImportParserBehaviour::Strict) {
            entries.push_back(
                invalidEntry(kNoArgument, u"", KORVEX::import::NoImportArgument(), false));
        }
        for (std::uint32_t index = 0; index < arguments.size(); ++index) {
            if (arguments[index] == nullptr) {
                throw std::invalid_argument("an import statement has a missing argument word");
            }
            entries.push_back(
                parseImportArgument(arguments[index]->text, index, packageImportsOn_));
        }
        return entries;
    }

  private:
    lf::astapi::ImportCommandView statement_;
    ImportParserBehaviour behaviour_;
    bool packageImportsOn_;
};

}  // namespace

ImportEntry parseImportArgument(std::u16string_view text, std::uint32_t argumentIndex,
                                bool packageImportsOn) {
    if (auto fault = findArgumentFault(text)) {
        return invalidEntry(argumentIndex, text, std::move(*fault), false);
    }
    std::u16string argument(text);
    if (text.ends_with(u".*")) {
        return WildcardImportEntry(argumentIndex, std::move(argument));
    }
    if (text.find(u'.') != std::u16string_view::npos) {
        return FullyQualifiedImportEntry(argumentIndex, std::move(argument));
    }
    if (packageImportsOn) {
        return PackageImportEntry(argumentIndex, std::move(argument));
    }
    return invalidEntry(argumentIndex, text, KORVEX::import::PackageImportIgnored(text), true);
}

std::unique_ptr<IImportArgumentParser> createImportArgumentParser(
    lf::astapi::ImportCommandView const& statement, ImportParserBehaviour behaviour) {
    if (behaviour != ImportParserBehaviour::Lenient && behaviour != ImportParserBehaviour::Strict) {
        throw std::invalid_argument("unknown import parser behaviour");
    }
    return std::make_unique<ImportArgumentParser>(statement, behaviour);
}

}  // namespace lf::import
