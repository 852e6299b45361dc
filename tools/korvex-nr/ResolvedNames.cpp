#include "tools/korvex-nr/ResolvedNames.hpp"

#include <algorithm>
#include <optional>
#include <utility>

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
        entries_.push_back({{position, static_cast<std::uint32_t>(length), identifier.idKind(),
                             introducer == nullptr ? 0 : introducer->position(), false, imported,
                             IntroducerRole::Other, name},
                            functions_.empty() ? nullptr : functions_.back()});
    }

    void visit(lf::astapi::InputArgument const& input) {
        if (input.identifier != nullptr) {
            roles_.emplace_back(input.identifier->position(), IntroducerRole::Parameter);
        }
        walkChildren(input);
    }

    void visit(lf::astapi::Declaration const& declaration) {
        IntroducerRole const role = declaration.kind() == lf::astapi::NodeKind::Global
                                        ? IntroducerRole::Global
                                        : IntroducerRole::Persistent;
        for (lf::astapi::Identifier const* name : declaration.names) {
            roles_.emplace_back(name->position(), role);
        }
        walkChildren(declaration);
    }

    void visit(lf::astapi::FunctionDefinition const& function) {
        if (function.name != nullptr) {
            roles_.emplace_back(function.name->position(), IntroducerRole::FunctionName);
        }
        functions_.push_back(&function);
        walkChildren(function);
        functions_.pop_back();
    }

    std::vector<ResolvedName> names() {
        std::ranges::stable_sort(entries_, {}, &Entry::position);
        auto const repeated = std::ranges::unique(entries_, {}, &Entry::position);
        entries_.erase(repeated.begin(), repeated.end());
        std::ranges::sort(roles_);
        // A variable is shared when a name in another function than its
        // introducer's uses it.
        std::vector<bool> sharedIntroducers(entries_.size());
        for (Entry const& entry : entries_) {
            std::optional<std::size_t> introducer = indexOf(entry.name.introducer);
            if (entry.name.kind == IdKind::VARIABLE && introducer &&
                entries_[*introducer].function != entry.function) {
                sharedIntroducers[*introducer] = true;
            }
        }
        std::vector<ResolvedName> names;
        names.reserve(entries_.size());
        for (Entry const& entry : entries_) {
            ResolvedName name = entry.name;
            std::optional<std::size_t> introducer = indexOf(name.introducer);
            name.shared =
                name.kind == IdKind::VARIABLE && introducer && sharedIntroducers[*introducer];
            std::uint32_t const rolePosition =
                name.introducer != 0 ? name.introducer : name.position;
            auto const role = std::ranges::lower_bound(
                roles_, rolePosition, {}, &std::pair<std::uint32_t, IntroducerRole>::first);
            if (role != roles_.end() && role->first == rolePosition) {
                name.introducerRole = role->second;
            }
            names.push_back(name);
        }
        return names;
    }

  private:
    // A name with the function that holds it (null at the top level).
    struct Entry {
        ResolvedName name;
        lf::astapi::FunctionDefinition const* function;
        std::uint32_t position() const { return name.position; }
    };

    // The index of the entry at `position`, once the entries are sorted.
    std::optional<std::size_t> indexOf(std::uint32_t position) const {
        auto const found = std::ranges::lower_bound(entries_, position, {}, &Entry::position);
        if (position == 0 || found == entries_.end() || found->name.position != position) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(found - entries_.begin());
    }

    std::u16string_view text_;
    std::vector<lf::astapi::FunctionDefinition const*> functions_;
    std::vector<Entry> entries_;
    // Where parameters, declared names and function names stand.
    std::vector<std::pair<std::uint32_t, IntroducerRole>> roles_;
};

}  // namespace

std::vector<ResolvedName> collectResolvedNames(lf::astapi::Program const& program,
                                               std::u16string_view text) {
    NameCollector collector(text);
    collector.dispatch(program);
    return collector.names();
}

}  // namespace korvex::tool
