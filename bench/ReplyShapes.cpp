// Builds benchmark replies. A realistic reply keeps the template's channel head and tail and
// repeats its items in turn, so the mix of line lengths and tags stays that of a real feed.

#include "bench/ReplyShapes.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace tarvolin::bench {

namespace {

std::u16string Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

// Appends `pattern` over and over until `text` holds `size` characters; the last copy may
// be cut short.
void FillTo(std::u16string& text, std::u16string_view pattern, std::size_t size) {
    while (text.size() < size) {
        text.append(pattern.substr(0, std::min(pattern.size(), size - text.size())));
    }
}

std::u16string Realistic(std::size_t size, std::string_view feed) {
    const std::size_t itemsBegin = feed.find("<item>");
    const std::string_view closeItem = "</item>\n";
    const std::size_t itemsEnd = feed.rfind(closeItem);
    if (itemsBegin == std::string_view::npos || itemsEnd == std::string_view::npos) {
        throw std::runtime_error("the template reply has no <item> elements");
    }
    const std::u16string head = Widen(feed.substr(0, itemsBegin));
    const std::u16string tail = Widen(feed.substr(itemsEnd + closeItem.size()));
    const std::string_view items =
        feed.substr(itemsBegin, itemsEnd + closeItem.size() - itemsBegin);

    std::vector<std::u16string> each;
    for (std::size_t at = 0; at < items.size();) {
        const std::size_t end = items.find(closeItem, at) + closeItem.size();
        each.push_back(Widen(items.substr(at, end - at)));
        at = end;
    }

    std::u16string reply = head;
    reply.reserve(size + tail.size() + 1024);
    std::size_t next = 0;
    do {
        reply += each[next];
        next = (next + 1) % each.size();
    } while (reply.size() + each[next].size() + tail.size() <= size);
    reply += tail;
    return reply;
}

}  // namespace

std::string_view ShapeName(ReplyShape shape) {
    switch (shape) {
        case ReplyShape::Realistic:
            return "realistic";
        case ReplyShape::OneHugeLine:
            return "one_huge_line";
        case ReplyShape::OnlyLineFeeds:
            return "only_lf";
        case ReplyShape::EveryLineATag:
            return "every_line_a_tag";
        case ReplyShape::NearMissTags:
            return "near_miss_tags";
    }
    return "unknown";
}

std::u16string MakeReply(ReplyShape shape, std::size_t size, std::string_view feed) {
    std::u16string reply;
    switch (shape) {
        case ReplyShape::Realistic:
            return Realistic(size, feed);
        case ReplyShape::OneHugeLine:
            reply = Realistic(size, feed);
            std::replace(reply.begin(), reply.end(), u'\n', u' ');
            reply.back() = u'\n';
            return reply;
        case ReplyShape::OnlyLineFeeds:
            return std::u16string(size, u'\n');
        case ReplyShape::EveryLineATag:
            FillTo(reply,
                   u"<lastBuildDate>Tue, 08 Dec 2026 09:30:00 GMT</lastBuildDate>\n"
                   u"<category>News</category>\n"
                   u"<link>http://news.example.net/item/7</link>\n"
                   u"<description><![CDATA[Your bundle renews tomorrow.]]></description>\n",
                   size);
            break;
        case ReplyShape::NearMissTags:
            // Each '<' starts a name that matches a scanned tag up to its last character.
            FillTo(reply, u"<lastBuildDate <category <link <description><![CDATA ", size);
            break;
    }
    if (!reply.empty()) reply.back() = u'\n';
    return reply;
}

}  // namespace tarvolin::bench
