#include "xml/encodings.h"

#include <string>

#include <xercesc/util/TransENameMap.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XML88591Transcoder.hpp>

#include "xml/xmlstr.h"

namespace valorix {

void RegisterExtraEncodings() {
    static const char* const kNames[] = {"ISO-8859-2",  "ISO-8859-3",  "ISO-8859-4",  "ISO-8859-5",
                                         "ISO-8859-6",  "ISO-8859-7",  "ISO-8859-8",  "ISO-8859-9",
                                         "ISO-8859-10", "ISO-8859-11", "ISO-8859-13", "ISO-8859-14",
                                         "ISO-8859-15", "ISO-8859-16"};
    for (const char* name : kNames) {
        const std::u16string wide = A2X(name);
        auto* map = new xercesc::ENameMapFor<xercesc::XML88591Transcoder>(XP(wide));
        // The library's table keeps the key pointer: use the mapping's own copy
        // of the name, which lives exactly as long as the entry.
        xercesc::XMLTransService::addEncoding(map->getKey(), map);
    }
}

}  // namespace valorix
