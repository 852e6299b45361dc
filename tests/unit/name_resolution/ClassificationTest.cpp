#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/name_resolution/include/ISymbolTable.hpp"

namespace {

using Classification = fe::nr::ISymbolTable::Classification;
using lf::astapi::IdKind;

class ClassificationTest : public ::testing::Test {
  protected:
    fe::astapi::AstNodeFactory factory;
};

TEST_F(ClassificationTest, EveryKindHasTheSameNarrowAndWideText) {
    lf::astapi::Identifier* imported = factory.createIdentifier(3, u"f");
    imported->setMark(lf::astapi::marks::kPackageImported);
    struct Case {
        IdKind kind;
        lf::astapi::Identifier const* introducer;
        std::string text;
    };
    for (Case const& c :
         {Case{IdKind::UNKNOWN, nullptr, "UNKNOWN"}, Case{IdKind::VARIABLE, nullptr, "VARIABLE"},
          Case{IdKind::NESTED_FUNCTION, nullptr, "NESTED_FUNCTION"},
          Case{IdKind::LOCAL_FUNCTION, imported, "LOCAL_FUNCTION"},
          Case{IdKind::EXTERNAL, nullptr, "EXTERNAL"},
          Case{IdKind::EXTERNAL, imported, "EXTERNAL(Package Imported)"}}) {
        Classification const classification(c.kind, c.introducer);
        EXPECT_EQ(classification.toString(), c.text);
        EXPECT_EQ(classification.toUString(), std::u16string(c.text.begin(), c.text.end()));
    }
}

TEST_F(ClassificationTest, PackageImportedFollowsTheIntroducerOnly) {
    lf::astapi::Identifier* plain = factory.createIdentifier(1, u"f");
    lf::astapi::Identifier* imported = factory.createIdentifier(5, u"f");
    imported->setMark(lf::astapi::marks::kPackageImported);
    EXPECT_STREQ(Classification::toString(IdKind::EXTERNAL, plain), "EXTERNAL");
    EXPECT_STREQ(Classification::toString(IdKind::EXTERNAL, nullptr), "EXTERNAL");
    imported->setMark(lf::astapi::marks::kSharedVariable);
    EXPECT_STREQ(Classification::toString(IdKind::EXTERNAL, imported),
                 "EXTERNAL(Package Imported)");
}

void expectInvalidClassification(std::function<void()> const& call) {
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (std::logic_error const& error) {
        EXPECT_STREQ(error.what(), "Invalid identifier classification");
    }
}

TEST_F(ClassificationTest, InvalidKindIsAnInternalError) {
    for (auto kind : {IdKind(5), IdKind(0xFFFFFFFFu)}) {
        Classification const classification(kind);
        expectInvalidClassification([&] { (void)classification.toString(); });
        expectInvalidClassification([&] { (void)classification.toUString(); });
        expectInvalidClassification([&] { (void)Classification::toString(kind, nullptr); });
        expectInvalidClassification([&] { (void)Classification::toUString(kind, nullptr); });
    }
}

TEST_F(ClassificationTest, EqualityComparesIntroducersByIdentity) {
    lf::astapi::Identifier* first = factory.createIdentifier(1, u"x");
    lf::astapi::Identifier* second = factory.createIdentifier(9, u"x");
    EXPECT_EQ(Classification(IdKind::VARIABLE, first), Classification(IdKind::VARIABLE, first));
    EXPECT_FALSE(Classification(IdKind::VARIABLE, first) ==
                 Classification(IdKind::VARIABLE, second));
    EXPECT_FALSE(Classification(IdKind::VARIABLE, first) ==
                 Classification(IdKind::EXTERNAL, first));
    EXPECT_EQ(Classification(IdKind::UNKNOWN), Classification(IdKind::UNKNOWN, nullptr));
}

}  // namespace
