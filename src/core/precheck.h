// Byte-level pre-checks: how a bank's intake looks at a file before parsing it.
// Turns the file's bytes into the document text (single byte, UTF-8 or UTF-16LE
// with byte-order mark), finds the XML declaration, trims white space, reads
// the declared encoding and decides whether the parser needs the additional
// ISO-8859 names.
#pragma once
#include <functional>
#include <istream>
#include <string>
#include <vector>

namespace valorix {

struct PrecheckResult {
    std::string text;              ///< the document text for the parser
    bool twoByte = false;          ///< file started with FF FE
    int declPosition = 1;          ///< -1 at offset 0, 0 after other characters, 1 not found
    std::string declaredEncoding;  ///< "UTF-8" unless the declaration names another value
    /// The file holds a NUL byte: the text ends before it; its line and
    /// column (1-based) as the parser counts them in `text`.
    bool nul = false;
    int nulLine = 0, nulColumn = 0;
};

/// The largest file checked unless the profile says otherwise (OPTION/MAXFILEMB).
constexpr unsigned long long kDefaultMaxFileMb = 2048;
/// The largest file checked in bytes, for the profile's OPTION/MAXFILEMB value
/// (0 or less: the default).
constexpr unsigned long long MaxFileBytes(int optionMb) {
    return (optionMb > 0 ? static_cast<unsigned long long>(optionMb) : kDefaultMaxFileMb) << 20;
}

/// Reads the stream as the check run does: 50 bytes first, then chunks of
/// 10000, up to the size the stream had when the read began (a file that
/// grows meanwhile is read no further). The first NUL ends the text and sets
/// `*nul`. Throws CNvException (the end of "... kann nicht geprüft werden: ")
/// when the stream holds more than `maxBytes`.
std::string ReadDocumentText(std::istream& in, bool* twoByte, bool* nul = nullptr,
                             unsigned long long maxBytes = kDefaultMaxFileMb << 20);

/// Runs the pre-checks over the stream; messages (CP1252) are appended to
/// `messages`, "%s" being `path`.
PrecheckResult RunPrechecks(std::istream& in, const std::string& path, std::vector<std::string>& messages,
                            unsigned long long maxBytes = kDefaultMaxFileMb << 20);

/// The declared encoding as read from the text before parsing.
std::string DeclaredEncoding(const std::string& text, int declPosition);
/// The text up to the end of the root element's start tag, with the root
/// closed right after it: the root and its attributes as a parse of the whole
/// text gives them. Empty when the prolog holds a document type declaration
/// or the start tag cannot be told without parsing.
std::string RootStartTagDocument(const std::string& text);
/// The encoding acceptance message for `encoding`, or "" when it is accepted.
std::string EncodingMessage(const std::string& encoding);

}  // namespace valorix
