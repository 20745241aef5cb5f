// The text page's bytes as the screen shows them. The page counts one
// position per byte; the screen's text is UTF-8. A UTF-8 file's characters
// go to the screen as they are, so a position inside the text is the same on
// both sides; a byte that is no part of a valid UTF-8 character (and every
// byte above 0x7F of a file in a single-byte code page) is shown as its
// Windows-1252 character, which takes two or three bytes on the screen. The
// map keeps those bytes only, so a text that is all ASCII or valid UTF-8 costs
// nothing.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace valorix {

class CDisplayText {
public:
    /// Hands the screen form of `page` to `emit` in pieces of about `piece`
    /// bytes, each ending between characters; `utf8`: the file is UTF-8.
    void Build(const std::string& page, bool utf8, const std::function<void(std::string_view)>& emit,
               size_t piece = 1 << 20);
    void Clear();
    /// The screen position of a page position.
    long ToDisplay(long pos) const;
    /// The page position of a screen position; a position inside a widened
    /// byte gives that byte.
    long FromDisplay(long pos) const;

private:
    // Page positions of the widened bytes and the extra screen bytes before
    // each of them (cumulative, one more entry).
    std::vector<long> m_wide;
    std::vector<long> m_extraBefore{0};
};

/// The screen form of a piece of the page's bytes.
std::string ShownBytes(std::string_view bytes, bool utf8);

/// The length of the valid UTF-8 character at `i` (1 to 4), 0 when the bytes
/// there are no valid UTF-8 (a stray continuation byte, an overlong form, a
/// surrogate, beyond U+10FFFF, cut off).
size_t Utf8CharLength(std::string_view text, size_t i);

}  // namespace valorix
