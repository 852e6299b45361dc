#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "foundation/except/Exception.hpp"
#include "foundation/i18n/Messages.hpp"
#include "foundation/output/PrintfIsHot.hpp"
#include "front_end/util/DocumentationLink.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/InternalError.hpp"
#include "front_end/util/WarningLog.hpp"

namespace {

using fe::util::IFrontEndUserException;
using foundation::core::except::IMsgIDException;

// Line 1 is "x = 1;" and a CRLF; line 2 is "  y = 2;", so position 11 is 'y'.
auto const kLines = std::make_shared<lf::util::LineInfo const>(u"x = 1;\r\n  y = 2;");

struct Reported {
    std::string errorId;
    std::u16string text;
    resource_core::BaseMsgID message;
};

// Runs `thrower`, which must throw a front-end user error, and reports that
// error for source "f.kx".
template <class Thrower>
std::optional<Reported> report(Thrower thrower) {
    try {
        thrower();
    } catch (IFrontEndUserException const& error) {
        try {
            error.raise(u"f.kx", kLines);
        } catch (IMsgIDException const& reported) {
            return Reported{reported.get_error_id(), reported.get_message_text(),
                            reported.get_msg_id()};
        }
    }
    ADD_FAILURE() << "no user error was reported";
    return std::nullopt;
}

// Keeps the hyperlink setting of the process as a test found it.
class HotOutput {
  public:
    explicit HotOutput(bool hot) : saved_(utPrintfIsHot()) { setPrintfIsHot(hot); }
    ~HotOutput() { setPrintfIsHot(saved_); }

  private:
    bool saved_;
};

TEST(FrontEndUserException, RaisePutsTheLocationBeforeTheStoredArguments) {
    using Message = KORVEX::front_end::tal_error_repeated_output;
    try {
        fe::util::raiseAt<Message>(11, u"y");
    } catch (IFrontEndUserException const& error) {
        EXPECT_EQ(error.position(), 11u);
        try {
            error.raise(u"f.kx", kLines);
        } catch (foundation::core::except::Exception<Message, std::exception> const& reported) {
            EXPECT_EQ(reported.get_error_id(), "KORVEX:tal_error_repeated_output");
            auto const& arguments = reported.get_msg_id().arguments();
            ASSERT_EQ(arguments.size(), 2u);
            EXPECT_EQ(std::get<std::u16string>(arguments[0]), u"f.kx:2:3");
            EXPECT_EQ(std::get<std::u16string>(arguments[1]), u"y");
            EXPECT_EQ(reported.get_message_text(),
                      u"f.kx:2:3: the output argument 'y' appears more than once");
            return;
        }
    }
    ADD_FAILURE() << "not thrown as expected";
}

TEST(FrontEndUserException, ReportedErrorIsCatchableByEveryFoundationInterface) {
    auto raiseReported = [] {
        try {
            fe::util::raiseAt<KORVEX::lang::LocalFunctionAndVariableHaveSameName>(1,
                                                                                  u"\u00e9t\u00e9");
        } catch (IFrontEndUserException const& error) {
            error.raise(u"f.kx", kLines);
        }
    };
    using namespace foundation::core::except;
    EXPECT_THROW(raiseReported(), IMsgIDException);
    EXPECT_THROW(raiseReported(), IUserException);
    EXPECT_THROW(raiseReported(), IException);
    try {
        raiseReported();
    } catch (std::exception const& error) {
        EXPECT_STREQ(error.what(),
                     "f.kx:1:1: '\xc3\xa9t\xc3\xa9' names a local function and cannot also be used "
                     "as a variable");
    }
}

TEST(FrontEndUserException, MessagesWithoutArgumentsStillGetTheLocation) {
    auto reported = report([] { fe::util::raiseAt<KORVEX::front_end::AnsAsFunctionName>(3); });
    ASSERT_TRUE(reported);
    EXPECT_EQ(reported->text, u"f.kx:1:3: 'ans' cannot be the name of a function");
    EXPECT_EQ(reported->errorId, "KORVEX:AnsAsFunctionName");
    EXPECT_EQ(reported->message.arguments().size(), 1u);
}

TEST(FrontEndUserException, PositionsWithoutALineShowOnlyTheSourceName) {
    for (uint32_t position : {0u, 0xFFFFFFFFu}) {
        auto reported = report([position] {
            fe::util::raiseAt<KORVEX::lang::AnsAsImportedFunctionOrClass>(position);
        });
        ASSERT_TRUE(reported);
        EXPECT_EQ(reported->text, u"f.kx: 'ans' cannot be imported as a function or class");
        EXPECT_EQ(reported->errorId, "KORVEX:lang:AnsAsImportedFunctionOrClass");
    }
}

TEST(FrontEndUserException, HyperlinkSettingDoesNotChangeTheLocation) {
    HotOutput hot(true);
    auto reported = report([] { fe::util::raiseAt<KORVEX::front_end::AnsAsClassName>(9); });
    ASSERT_TRUE(reported);
    EXPECT_EQ(std::get<std::u16string>(reported->message.arguments()[0]), u"f.kx:2:1");
}

TEST(WrappedFrontEndUserException, ReportsTheWrappedIdentifierWithTheLocationInFront) {
    resource_core::BaseMsgID const wrapped("KORVEX:front_end", "tal_illegal_import_argument",
                                           {u"where", u"a.b"});
    auto reported = report([&] { fe::util::raiseWrappedAt(4, wrapped); });
    ASSERT_TRUE(reported);
    EXPECT_EQ(reported->errorId, "KORVEX:tal_illegal_import_argument");
    EXPECT_EQ(reported->text, u"f.kx:1:4: where: 'a.b' is not a valid import argument");
    EXPECT_EQ(reported->message.key(), "KORVEX:lang:Prepend");
}

TEST(WrappedFrontEndUserException, IdentifierHasTwoPartsForFrontEndAndLegacyComponents) {
    auto identifierOf = [](char const* component) {
        resource_core::BaseMsgID message(component, "m", {});
        return fe::util::WrappedFrontEndUserExceptionFromBaseMsgID(1, message).identifier();
    };
    EXPECT_EQ(identifierOf("KORVEX:front_end"), "KORVEX:m");
    EXPECT_EQ(identifierOf("KORVEX:legacy_two_part"), "KORVEX:m");
    EXPECT_EQ(identifierOf("KORVEX:lang"), "KORVEX:lang:m");
    EXPECT_EQ(identifierOf("KORVEX:import"), "KORVEX:import:m");
}

TEST(WrappedFrontEndUserException, TypedFormIsCatchableByItsMessageClass) {
    using Message = KORVEX::lang::BraceIndexingFunctionOrClass;
    EXPECT_THROW(fe::util::raiseWrappedAt(2, Message(u"g")),
                 fe::util::WrappedFrontEndUserException<Message>);
    auto reported = report([] { fe::util::raiseWrappedAt(2, Message(u"g")); });
    ASSERT_TRUE(reported);
    EXPECT_EQ(reported->errorId, "KORVEX:lang:BraceIndexingFunctionOrClass");
    EXPECT_EQ(reported->text, u"f.kx:1:2: the function or class 'g' cannot be indexed with braces");
}

TEST(WarningLog, WarningsCarryTheLocationOfTheLogsSource) {
    fe::util::CollectingFrontEndWarningLog log(u"e.kx", kLines);
    fe::util::warnAt<KORVEX::lang::VariableShadowedInEval>(log, 11, u"y");
    fe::util::warnAt<KORVEX::lang::PoofedVariableShadowsExternal>(log, 0, u"z");
    log.addAt(9, resource_core::BaseMsgID("KORVEX:import", "unused", {}));

    auto const& warnings = log.warnings();
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_EQ(warnings[0].identifier, "KORVEX:lang:VariableShadowedInEval");
    EXPECT_EQ(warnings[0].location, u"e.kx:2:3");
    EXPECT_EQ(warnings[0].text, u"the variable 'y' is used as a function in this evaluated text");
    EXPECT_EQ(warnings[1].location, u"e.kx");
    EXPECT_EQ(warnings[2].identifier, "KORVEX:import:unused");
    EXPECT_EQ(warnings[2].location, u"e.kx:2:1");
    EXPECT_EQ(warnings[2].text, u"message 'KORVEX:import:unused' has no text");
}

TEST(DocumentationLink, IsALinkOnlyWhenOutputCanShowOne) {
    KORVEX::lang::SharedVariablesDocId const linkText;
    {
        HotOutput hot(false);
        EXPECT_EQ(fe::util::documentationLink(fe::util::kNestedFunctionsScopeTopic, linkText),
                  u"Variables shared with nested functions");
    }
    HotOutput hot(true);
    EXPECT_EQ(fe::util::documentationLink(fe::util::kNestedFunctionsScopeTopic, linkText),
              u"Variables shared with nested functions "
              u"<help:/techdoc/korvex_prog/korvex_prog.map#nested_functions_scope>");
}

TEST(InternalError, UnreachableNamesTheSourceAndLine) {
    try {
        fe::util::unreachable("front_end/name_resolution/LvalueResolver", 318);
    } catch (std::logic_error const& error) {
        EXPECT_STREQ(error.what(),
                     "Unreachable - front_end/name_resolution/LvalueResolver line 318");
        return;
    }
    ADD_FAILURE() << "not thrown";
}

}  // namespace
