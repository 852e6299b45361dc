#include "tools/korvex-nr/ResolvedNames.hpp"

#include <algorithm>
#include <map>
#include <set>

#include "front_end/astapi/AstDispatcher.hpp"

namespace korvex::tool {

namespace {

using lf::astapi::IdKind;

// Walks the tree, noting each identifier with the function that holds it, so
// that variables used across a function and its nested functions are found.
class NameCollector
    : public fe::astapi::AstDispatcher<NameCollector, fe::astapi::KorvexTree, fe::astapi::Const> {
  public:
    explicit NameCollector(std::u16string_view text) : text_(text) {}

    void visit(lf::astapi::Identifier const& identifier) {
        std::u16string_view const name = identifier.name();
        std::uint32_t const position = identifier.position();
        if (position == 0 || position > text_.size()) {
            return;
        }
        std::u16string_view const written = text_.substr(position - 1);
        std::u16string_view const lastPart = name.substr(name.rfind(u'.') + 1);
        bool imported = identifier.hasMark(lf::astapi::marks::kPackageImported);
        std::size_t length = name.size();
        if (!written.starts_with(name)) {
            // An imported function written by its last part, or a name the
            // resolver collapsed from `p.q.f` written with spaces or
            // comments, of which only the first part is counted.
            bool const shortName = lastPart.size() < name.size() && written.starts_with(lastPart) &&
                                   !written.substr(lastPart.size()).starts_with(u'.');
            imported = imported || shortName;
            length = shortName ? lastPart.size() : name.substr(0, name.find(u'.')).size();
        }
        lf::astapi::Identifier const* introducer = identifier.introducer();
        names_.push_back({position, static_cast<std::uint32_t>(length), identifier.idKind(),
                          introducer == nullptr ? 0 : introducer->position(), false, imported,
                          IntroducerRole::Other, name});
        functionOf_.emplace(position, functions_.empty() ? nullptr : functions_.back());
    }

    void visit(lf::astapi::InputArgument const& input) {
        if (input.identifier != nullptr) {
            roles_.emplace(input.identifier->position(), IntroducerRole::Parameter);
        }
        walkChildren(input);
    }

    void visit(lf::astapi::Declaration const& declaration) {
        IntroducerRole const role = declaration.kind() == lf::astapi::NodeKind::Global
                                        ? IntroducerRole::Global
                                        : IntroducerRole::Persistent;
        for (lf::astapi::Identifier const* name : declaration.names) {
            roles_.emplace(name->position(), role);
        }
        walkChildren(declaration);
    }

    void visit(lf::astapi::FunctionDefinition const& function) {
        if (function.name != nullptr) {
            roles_.emplace(function.name->position(), IntroducerRole::FunctionName);
        }
        functions_.push_back(&function);
        walkChildren(function);
        functions_.pop_back();
    }

    std::vector<ResolvedName> names() {
        std::set<std::uint32_t> sharedIntroducers;
        for (ResolvedName const& name : names_) {
            auto introducer = functionOf_.find(name.introducer);
            if (name.kind == IdKind::VARIABLE && introducer != functionOf_.end() &&
                introducer->second != functionOf_.at(name.position)) {
                sharedIntroducers.insert(name.introducer);
            }
        }
        for (ResolvedName& name : names_) {
            name.shared =
                name.kind == IdKind::VARIABLE && sharedIntroducers.contains(name.introducer);
            auto const role = roles_.find(name.introducer != 0 ? name.introducer : name.position);
            name.introducerRole = role == roles_.end() ? IntroducerRole::Other : role->second;
        }
        std::ranges::sort(names_, {}, &ResolvedName::position);
        auto const repeated = std::ranges::unique(names_, {}, &ResolvedName::position);
        names_.erase(repeated.begin(), repeated.end());
        return std::move(names_);
    }

  private:
    std::u16string_view text_;
    std::vector<lf::astapi::FunctionDefinition const*> functions_;
    std::vector<ResolvedName> names_;
    std::map<std::uint32_t, lf::astapi::FunctionDefinition const*> functionOf_;
    std::map<std::uint32_t, IntroducerRole> roles_;
};

}  // namespace

std::vector<ResolvedName> collectResolvedNames(lf::astapi::Program const& program,
                                               std::u16string_view text) {
    NameCollector collector(text);
    collector.dispatch(program);
    return collector.names();
}

}  // namespace korvex::tool
