// Whole-file resolution through the library's entry: the checks of function
// names, arguments, nested functions, assignment targets and declarations.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "foundation/except/Exception.hpp"
#include "foundation/text/Utf.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tests/support/PredicateCallbacks.hpp"

namespace {

// The user error a resolution ended with: "ID at LINE:COL".
std::string resolutionError(std::string_view source, std::u16string const& path = u"f.kx",
                            std::set<std::u16string> known = {}) {
    fe::astapi::AstNodeFactory factory;
    std::u16string text = fl::text::toUtf16(source);
    lf::astapi::Program* program = lf::parser::parse(text, factory);
    korvex::testing::PredicateCallbacks callbacks(
        [known = std::move(known)](std::u16string_view name) {
            return known.count(std::u16string(name)) != 0;
        });
    fe::util::NullFrontEndWarningLog warnings;
    fe::nr::ResolutionTimer timer;
    try {
        fe::nr::getNameResolver().resolveProgram(*program, path, warnings, factory, callbacks,
                                                 &timer);
    } catch (fe::util::IFrontEndUserException const& error) {
        auto lines = std::make_shared<lf::util::LineInfo const>(text);
        auto where = lines->lineAndColumn(error.position());
        try {
            error.raise(path, lines);
        } catch (foundation::core::except::IMsgIDException const& raised) {
            return raised.get_error_id() + " at " + std::to_string(where.line) + ":" +
                   std::to_string(where.column);
        }
    } catch (std::logic_error const& error) {
        return std::string("internal: ") + error.what();
    }
    return "no error";
}

TEST(ProgramResolutionTest, LocalFunctionNamesAreCheckedInOrder) {
    // Named like the file, though the main function is not.
    EXPECT_EQ(resolutionError("function main\nend\nfunction f\nend\n"),
              "KORVEX:tal_error_duplicate_function_name at 3:10");
    EXPECT_EQ(resolutionError("function main\nend\nfunction g\nend\nfunction g\nend\n"),
              "KORVEX:tal_error_duplicate_function_name at 5:10");
    EXPECT_EQ(resolutionError("function main\nend\nfunction main\nend\n"),
              "KORVEX:tal_error_duplicate_function_name at 3:10");
    // "ans" is reported before the duplicate checks.
    EXPECT_EQ(resolutionError("function main\nend\nfunction ans\nend\n", u"dir/ans.kx"),
              "KORVEX:AnsAsFunctionName at 3:10");
    EXPECT_EQ(resolutionError("function ans\nend\n"), "KORVEX:AnsAsFunctionName at 1:10");
}

TEST(ProgramResolutionTest, ClassFilesAreRefusedByTheFullResolver) {
    EXPECT_EQ(resolutionError("classdef f\nend\n"),
              "internal: Name resolution for classdef is not supported.");
}

TEST(ProgramResolutionTest, RepeatedArgumentsOutputsFirst) {
    EXPECT_EQ(resolutionError("function [a, a] = f(b, b)\nend\n"),
              "KORVEX:tal_error_repeated_output at 1:14");
    EXPECT_EQ(resolutionError("function a = f(b, ~, b)\nend\n"),
              "KORVEX:tal_error_repeated_input at 1:22");
}

TEST(ProgramResolutionTest, NestedFunctionNames) {
    EXPECT_EQ(resolutionError("function f(a)\n  function a\n  end\nend\n"),
              "KORVEX:tal_error_variable_and_nested_function at 2:12");
    EXPECT_EQ(resolutionError("function f\n  function g\n  end\n  function g\n  end\nend\n"),
              "KORVEX:tal_nested_functions_with_same_name at 4:12");
    EXPECT_EQ(resolutionError("function f\n  function ans\n  end\nend\n"),
              "KORVEX:AnsAsFunctionName at 2:12");
}

TEST(ProgramResolutionTest, AssignmentTargetsAgainstFunctionsAndImports) {
    EXPECT_EQ(resolutionError("function f\n  g = 1;\n  function g\n  end\nend\n"),
              "KORVEX:tal_error_variable_and_nested_function at 2:3");
    EXPECT_EQ(resolutionError("function f\n  import p.fcn\n  x = 1;\n  fcn(2) = x;\nend\n", u"f.kx",
                              {u"p.fcn"}),
              "KORVEX:lang:ImportedFunctionAndVariableHaveSameName at 4:3");
}

TEST(ProgramResolutionTest, ImportsAgainstArgumentsAndNestedFunctions) {
    EXPECT_EQ(resolutionError("function f(fcn)\n  import p.fcn\nend\n", u"f.kx", {u"p.fcn"}),
              "KORVEX:lang:ImportedFunctionAndVariableHaveSameName at 2:10");
    EXPECT_EQ(resolutionError("function f\n  import p.fcn\n  function fcn\n  end\nend\n", u"f.kx",
                              {u"p.fcn"}),
              "KORVEX:lang:ImportedFunctionAndNestedFunctionHaveSameName at 2:10");
    EXPECT_EQ(resolutionError("function f\n  import p.ans\nend\n", u"f.kx", {u"p.ans"}),
              "KORVEX:lang:AnsAsImportedFunctionOrClass at 2:10");
    EXPECT_EQ(resolutionError("function f\n  import nowhere.g\nend\n"),
              "KORVEX:tal_illegal_import_argument at 2:10");
}

TEST(ProgramResolutionTest, DeclarationRules) {
    EXPECT_EQ(resolutionError("function f\n  x = 1;\n  persistent x\nend\n"),
              "KORVEX:tal_error_persistent_must_be_first at 3:14");
    EXPECT_EQ(resolutionError("function f(a)\n  persistent a\nend\n"),
              "KORVEX:tal_error_persistent_must_be_first at 2:14");
    EXPECT_EQ(resolutionError("function f(varargin)\n  global varargin\nend\n"),
              "KORVEX:tal_error_varargs_cannot_be_global_persistent at 2:10");
    EXPECT_EQ(resolutionError("function f\n  global g\n  function g\n  end\nend\n"),
              "KORVEX:tal_error_variable_and_nested_function at 2:10");
}

}  // namespace
