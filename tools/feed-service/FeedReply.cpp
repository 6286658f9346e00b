#include "FeedReply.h"

#include <array>
#include <cstdio>

namespace tarvolin::feed {

namespace {

constexpr std::string_view Head =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<rss version=\"2.0\">\n"
    "<channel>\n"
    "<title>Tarvolin data services</title>\n";
constexpr std::string_view Tail =
    "</channel>\n"
    "</rss>\n";

std::string Body(const std::string& buildDateLine, const Notice& notice,
                 std::string_view description) {
    std::string body{Head};
    if (!buildDateLine.empty()) body += buildDateLine + "\n";
    body += "<category>" + OneLine(notice.category) + "</category>\n";
    body += "<link>" + OneLine(notice.link) + "</link>\n";
    body += "<description><![CDATA[" + CdataText(description) + "]]></description>\n";
    body += Tail;
    return body;
}

}  // namespace

std::string HttpDate(std::time_t time) {
    std::tm utc{};
    gmtime_r(&time, &utc);
    // Day and month names are spelled out here: strftime's %a and %b follow the locale.
    static constexpr std::array<const char*, 7> Days{"Sun", "Mon", "Tue", "Wed",
                                                     "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> Months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<char, 64> out{};
    std::snprintf(out.data(), out.size(), "%s, %02d %s %04d %02d:%02d:%02d GMT",
                  Days.at(static_cast<std::size_t>(utc.tm_wday)), utc.tm_mday,
                  Months.at(static_cast<std::size_t>(utc.tm_mon)), utc.tm_year + 1900, utc.tm_hour,
                  utc.tm_min, utc.tm_sec);
    return out.data();
}

std::string OneLine(std::string_view text) {
    std::string line{text};
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return line;
}

std::string CdataText(std::string_view text) {
    const std::string line = OneLine(text);
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = line.find("]]>"); at != std::string::npos; at = line.find("]]>", from)) {
        // "]]" closes this section and ">" opens the next one.
        out.append(line, from, at - from);
        out += "]]]]><![CDATA[>";
        from = at + 3;
    }
    out.append(line, from);
    return out;
}

std::string BuildDateLine(const Notice& notice) {
    return "<lastBuildDate>" + HttpDate(notice.published) + "</lastBuildDate>";
}

std::string NotifyReply(const Notice& notice) {
    return Body(BuildDateLine(notice), notice, notice.text);
}

std::string StatusReply(const Notice& notice, std::string_view statusText) {
    return Body({}, notice, statusText);
}

}  // namespace tarvolin::feed
