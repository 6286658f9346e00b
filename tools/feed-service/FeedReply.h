#pragma once
// Renders the RSS-shaped reply texts in the exact line form the notifier scans: one element per
// line, starting in the first column, nothing after the closing tag, LF line ends.

#include <ctime>
#include <string>
#include <string_view>

namespace tarvolin::feed {

// One published notice, or the blank placeholder served before anything is published.
struct Notice {
    std::string text;
    std::string category;
    std::string link;
    std::string msisdn;     // the one number it is for; empty when it is for every number
    std::time_t published;  // seconds since the epoch, strictly increasing from notice to notice
};

// RFC 1123 date in GMT, e.g. "Sun, 06 Dec 2026 19:00:00 GMT".
std::string HttpDate(std::time_t time);

// The notifier reads one line per element, so CR and LF become spaces.
std::string OneLine(std::string_view text);

// Text for a CDATA section: on one line, and every "]]>" split across two sections so that it
// cannot end the section early.
std::string CdataText(std::string_view text);

// The whole lastBuildDate line of a notice, without its LF.
std::string BuildDateLine(const Notice& notice);

// Reply to the notify request: build date, category, link and the notice's text.
std::string NotifyReply(const Notice& notice);

// Reply to the status request: category and link of the notice and the status text as the
// description; no build date.
std::string StatusReply(const Notice& notice, std::string_view statusText);

}  // namespace tarvolin::feed
