#pragma once
// Where the front end sends warnings: unlike errors they do not stop the
// analysis. A log belongs to one source and knows its name and line
// information, so that warnings can be located.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Visibility.hpp"
#include "foundation/i18n/Messages.hpp"
#include "foundation/resource/BaseMsgID.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/util/SourceLocation.hpp"

namespace fe::util {

class KORVEX_VISIBLE IFrontEndWarningLog {
  public:
    virtual ~IFrontEndWarningLog();

    std::u16string const& sourceName() const { return sourceName_; }
    std::shared_ptr<lf::util::LineInfo const> const& lineInfo() const { return lineInfo_; }

    // A complete warning: a located message carries its location text as its
    // first argument (see warnAt).
    void add(resource_core::BaseMsgID const& message);

    // A warning message of another component, whose own arguments hold no
    // location, about the source at `position`.
    void addAt(uint32_t position, resource_core::BaseMsgID const& message);

  protected:
    // What a log does with the warnings it is given.
    virtual void keep(resource_core::BaseMsgID const& message) = 0;
    virtual void keepAt(uint32_t position, resource_core::BaseMsgID const& message) = 0;

    IFrontEndWarningLog(std::u16string sourceName,
                        std::shared_ptr<lf::util::LineInfo const> lineInfo);

  private:
    std::u16string sourceName_;
    std::shared_ptr<lf::util::LineInfo const> lineInfo_;
};

// Discards every warning.
class KORVEX_VISIBLE NullFrontEndWarningLog final : public IFrontEndWarningLog {
  public:
    NullFrontEndWarningLog();

  private:
    void keep(resource_core::BaseMsgID const&) override {}
    void keepAt(uint32_t, resource_core::BaseMsgID const&) override {}
};

struct CollectedWarning {
    std::string identifier;   // as users see it, e.g. "KORVEX:lang:VariableShadowedInEval"
    std::u16string location;  // empty when the warning has none
    std::u16string text;      // the message text after the location
    resource_core::BaseMsgID message;
};

// Keeps every warning, in order, with its catalog text.
class KORVEX_VISIBLE CollectingFrontEndWarningLog final : public IFrontEndWarningLog {
  public:
    CollectingFrontEndWarningLog(std::u16string sourceName,
                                 std::shared_ptr<lf::util::LineInfo const> lineInfo);

    std::vector<CollectedWarning> const& warnings() const { return warnings_; }

  private:
    void keep(resource_core::BaseMsgID const& message) override;
    void keepAt(uint32_t position, resource_core::BaseMsgID const& message) override;

    std::vector<CollectedWarning> warnings_;
};

// Logs warning `Id` about `name` at `position` of the log's source, the
// location text first.
template <class Id>
void warnAt(IFrontEndWarningLog& log, uint32_t position, std::u16string_view name) {
    static_assert(Id::kKind == fl::i18n::MessageKind::warning, "the message is not a warning");
    log.add(Id(internal::describeLocation(log.sourceName(), log.lineInfo(), position), name));
}

}  // namespace fe::util
