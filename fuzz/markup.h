// A small well-formedness check of the pages the program writes, for the
// fuzzing targets: fast enough to run on every input, strict enough that a
// piece of a hostile file can never open or close markup of its own.
#pragma once
#include <string>
#include <string_view>

namespace valorix::fuzz {

enum class Markup {
    /// Well-formed XML 1.0 with one root element: the report to share and the
    /// slip. No script element and no event handler attribute.
    Xml,
    /// The same rules with what the browser page uses of HTML: void elements
    /// (<meta ...>, <br>) need no end tag, an attribute may stand without a
    /// value, named character references, and a script element's text.
    Html,
};

/// Empty when `page` is well-formed in the sense of `kind`; otherwise what is
/// wrong and at which byte. Beyond well-formedness: the page is valid UTF-8
/// of XML characters only, no id is given twice, and every link "#id" has
/// its target in the page.
std::string MarkupFault(std::string_view page, Markup kind);

}  // namespace valorix::fuzz
