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
    bool extraEncodings = false;
};

/// Reads the whole stream as the check run does: 50 bytes first, then chunks
/// of 10000; a NUL ends the text of the chunk it occurs in.
std::string ReadDocumentText(std::istream& in, bool* twoByte);

/// Runs the pre-checks over the stream; messages (CP1252) are appended to
/// `messages`, "%s" being `path`.
PrecheckResult RunPrechecks(std::istream& in, const std::string& path, std::vector<std::string>& messages);

/// The declared encoding as read from the text before parsing.
std::string DeclaredEncoding(const std::string& text, int declPosition);
/// True when the encoding names an ISO-8859 part other than 1.
bool NeedsExtraEncodings(const std::string& encoding);
/// The encoding acceptance message for `encoding`, or "" when it is accepted.
std::string EncodingMessage(const std::string& encoding);

}  // namespace valorix
