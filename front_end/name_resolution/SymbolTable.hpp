#pragma once
// The symbol table of one scope, as the resolvers build it.
//
// Invariants:
// - A root table (made by `create`) belongs to the syntax tree's allocator
//   and ends lookups: a program file, a script, an eval body or section, and
//   the finished table of an anonymous function are roots. Every other table
//   (a function's, a nested function's, an anonymous function's while its
//   body is resolved) is owned by its parent and looks outwards through it.
// - An entry, once made, is never replaced: `addEntry` keeps the first
//   classification of a name (callers may refine the stored one in place).
// - The mark says the scope's workspace is static: fixed when the file is
//   parsed, so no name can become a variable at run time. Anonymous-function
//   tables are marked when they are finished.
// - First uses (introduction nodes) are kept while the functions nested in
//   the scope are resolved, for the check that a nested function does not
//   assign a name its parent used; they are dropped once the scope is done.
// - Entries never move: a classification's address holds until the table
//   dies. Names are compared by text, so they need not be interned.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include <boost/container/small_vector.hpp>
#include <boost/container/static_vector.hpp>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/NameMap.hpp"
#include "front_end/name_resolution/include/ISymbolTable.hpp"

namespace fe::nr {

class SymbolTable final : public ISymbolTable {
  public:
    // The root of a new tree of tables. The factory's allocator owns it and
    // deletes it, with its children, when the syntax tree dies.
    static SymbolTable* create(lf::astapi::Node const& scopeNode,
                               fe::astapi::AstNodeFactory& factory);
    // A new table for a scope nested in `parent`'s, owned by `parent`.
    static SymbolTable* createChild(lf::astapi::Node const& scopeNode, SymbolTable& parent);

    SymbolTable(SymbolTable const&) = delete;
    SymbolTable& operator=(SymbolTable const&) = delete;
    ~SymbolTable() override;

    Classification const* lookup(std::u16string_view name, std::uint32_t* depth) const override;
    // The entry of `name` in this scope itself (what `lookup` finds at depth
    // 0), or null.
    Classification const* ownEntry(std::u16string_view name) const;
    // A copy of the entries, made at each call: iterators of an earlier call
    // end there. Inline, so that the listing of tools can call it outside
    // the library.
    std::pair<EntryIterator, EntryIterator> entries() const override {
        listedEntries.clear();
        forEachEntry(*this, [this](Entry const& entry) {
            listedEntries.emplace(entry.name, entry.classification);
        });
        return {listedEntries.begin(), listedEntries.end()};
    }
    bool usesOuterName(std::u16string_view name) const override;
    lf::astapi::Node const* node() const override { return scopeNode; }
    bool isMarked() const override { return marked; }

    // Enters `name` unless it is already present; either way returns the
    // stored classification, which the caller may overwrite.
    Classification* addEntry(std::u16string_view name, Classification const& classification);
    // The same, remembering `use` as the first use of `name` in this scope
    // unless one is already known.
    Classification* addEntryWithUse(std::u16string_view name, Classification const& classification,
                                    lf::astapi::Node const* use);
    void discardIntroductionNodes();
    // The first recorded use of `name` in this scope or an enclosing one,
    // the root excepted; null when there is none.
    lf::astapi::Node const* findUse(std::u16string_view name) const;

    // The scope's workspace is static.
    void mark() { marked = true; }

    SymbolTable* parentTable() const { return parent; }
    // The tables of nested scopes, in creation order.
    std::span<SymbolTable* const> childTables() const { return {children.data(), children.size()}; }
    // Whether lookups stop here: a table made by `create`.
    bool isRootTable() const { return isRoot; }
    // Moves this child table, with its own children, from its parent's
    // children to the end of `newParent`'s, which then owns it.
    void reattachTo(SymbolTable& newParent);
    // Destroys the first of the children, if there is one.
    void discardFirstChild();

  private:
    // One name of the scope.
    struct Entry {
        std::u16string_view name;
        Classification classification;
        // The first use of the name in this scope, while nested scopes are
        // being resolved; null for none.
        lf::astapi::Node const* firstUse = nullptr;
    };

    SymbolTable(lf::astapi::Node const& scopeNode, bool isRoot, SymbolTable* parent)
        : scopeNode(&scopeNode), isRoot(isRoot), parent(parent) {}

    // Calls `visit` with each entry of `table` (const or not), oldest first.
    template <class Table, class Visit>
    static void forEachEntry(Table& table, Visit&& visit) {
        for (auto& entry : table.firstEntries) {
            visit(entry);
        }
        for (auto& block : table.laterEntries) {
            for (auto& entry : block) {
                visit(entry);
            }
        }
    }

    Entry* find(std::u16string_view name, std::size_t hash) const;
    // The entry of `name`, made with `classification` if there is none.
    Entry& findOrAdd(std::u16string_view name, Classification const& classification);
    void collectOuterNames() const;

    // The node that opens the scope (program, function, anonymous function).
    lf::astapi::Node const* scopeNode;
    // Lookups stop here; the allocator, not a parent, owns the table.
    bool isRoot;
    // Whether `outerNames` has been gathered (at the first usesOuterName).
    mutable bool outerNamesCollected = false;
    // Entries held in the table itself: most scopes have no more names.
    static constexpr std::size_t kInlineEntries = 8;
    // The scope's own names and their classifications, in the order they
    // were made: the first ones here, the rest in `laterEntries`.
    boost::container::static_vector<Entry, kInlineEntries> firstEntries;
    // The entries after the first ones. A block is never filled beyond the
    // capacity it was made with, so entries do not move; each holds twice
    // as many as the one before.
    std::vector<std::vector<Entry>> laterEntries;
    // Each name's entry.
    NameMap<Entry*> index;
    // What `entries` last listed.
    mutable EntryMap listedEntries;
    // The enclosing scope's table; null for a root made without one.
    SymbolTable* parent;
    // The scope's workspace is static.
    bool marked = false;
    // The tables of nested scopes, owned, in creation order; a scope has
    // few, so they mostly fit in the table itself.
    boost::container::small_vector<SymbolTable*, 4> children;
    // Names the scope's own code classifies without defining them here.
    mutable std::unordered_set<std::u16string_view> outerNames;
};

}  // namespace fe::nr
