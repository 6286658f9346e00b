#pragma once
// Replies of a chosen size for the scanner benchmark: realistic feeds grown from the template
// reply, and the shapes a broken service could send.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvolin::bench {

enum class ReplyShape {
    Realistic,      // the template feed with its items repeated
    OneHugeLine,    // the realistic feed with every LF but the last turned into a space
    OnlyLineFeeds,  // nothing but LF characters
    EveryLineATag,  // every line one of the four scanned elements
    NearMissTags,   // '<' followed by almost-matching tag names, no LF until the end
};

std::string_view ShapeName(ReplyShape shape);

// A reply of the shape with about `size` characters (at least one whole item for a
// realistic feed), built from the template text `feed` (an RSS reply with LF line ends).
std::u16string MakeReply(ReplyShape shape, std::size_t size, std::string_view feed);

}  // namespace tarvolin::bench
