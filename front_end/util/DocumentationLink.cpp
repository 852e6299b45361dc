#include "front_end/util/DocumentationLink.hpp"

#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/i18n/Messages.hpp"
#include "foundation/output/PrintfIsHot.hpp"

namespace fe::util {

std::u16string documentationLink(std::string_view topic, resource_core::BaseMsgID const& linkText) {
    fl::i18n::MessageCatalog catalog(fl::i18n::QzLocale::global());
    std::u16string text = catalog.get_message(linkText);
    if (!utPrintfIsHot()) {
        return text;
    }
    return catalog.get_message(KORVEX::front_end::m_doclink(kHelpMapPath, topic, text));
}

}  // namespace fe::util
