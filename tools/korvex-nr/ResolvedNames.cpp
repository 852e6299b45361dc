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
        // A name the resolver collapsed from `p.q.f` written with spaces or
        // comments keeps only the extent of its first part.
        std::size_t length = name.size();
        if (text_.substr(position - 1, length) != name) {
            length = name.substr(0, name.find(u'.')).size();
        }
        lf::astapi::Identifier const* introducer = identifier.introducer();
        names_.push_back({position, static_cast<std::uint32_t>(length), identifier.idKind(),
                          introducer == nullptr ? 0 : introducer->position(), false});
        functionOf_.emplace(position, functions_.empty() ? nullptr : functions_.back());
    }

    void visit(lf::astapi::FunctionDefinition const& function) {
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
};

}  // namespace

std::vector<ResolvedName> collectResolvedNames(lf::astapi::Program const& program,
                                               std::u16string_view text) {
    NameCollector collector(text);
    collector.dispatch(program);
    return collector.names();
}

}  // namespace korvex::tool
