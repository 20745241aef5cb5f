// The browser page of a checked file: its XML as browsers show XML (indented,
// tags, attributes and values coloured, elements with children collapsible),
// each finding written below the element it refers to, red for errors and
// blue for hints and warnings, and the report's lines at the top, those of
// findings linking to them. The page is made from the document's text and
// its report alone, needs no script for any of this, and escapes every piece
// of the file's text; the command line writes the same page.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/textpage.h"
#include "ui/viewmodel.h"

namespace valorix {

struct HtmlPageInput {
    const std::string* text = nullptr;  ///< the text page's bytes
    bool utf8 = true;                   ///< the file is UTF-8 (else Windows-1252)
    std::string title;                  ///< the file's name (UTF-8)
    const COutputList* report = nullptr;
    /// The text page's marks: a finding takes the colour of the mark at its element.
    const std::vector<CTextPageModel::Mark>* marks = nullptr;
    /// A report line (Windows-1252) as UTF-8; null: plain conversion.
    std::function<std::string(std::string_view)> lineText;
};

/// The page as UTF-8 HTML.
std::string HtmlPage(const HtmlPageInput& input);
/// Writes the page to `file`; false when it cannot be written.
bool WriteHtmlPage(const std::string& file, const HtmlPageInput& input);

/// Text as HTML text: "<", ">", "&" and quotes escaped.
std::string HtmlEscape(std::string_view text);

}  // namespace valorix
