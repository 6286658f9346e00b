#pragma once
// The window's state, and the poll schedule that decides which runs fetch.

#include <cstdint>
#include <string>

namespace tarvolin {

inline const std::u16string ProductTitle = u"Tarvolin Internet Notifier";

// Status texts, shown as the tray tooltip.
inline const std::u16string StatusConnecting = u"Connecting...";
inline const std::u16string StatusConnected = u"Connected";
inline const std::u16string StatusServiceUnavailable = u"Service unavailable";
inline const std::u16string StatusNumberNotConfigured = u"Phone number not configured";

// Booleans kept in fields are 16-bit: 0 is false, -1 is true.
inline constexpr std::int16_t FieldFalse = 0;
inline constexpr std::int16_t FieldTrue = -1;

struct NotifierState {
    std::u16string notifyUrl;
    std::u16string statusUrl;
    std::u16string numberFilePath;
    std::u16string number;  // as last read from the number file, untrimmed
    std::u16string statusText;
    std::u16string lastShownBuildDate;  // build-date line of the last notice shown
    std::u16string currentBuildDate;    // build-date line of the last poll reply
    std::u16string link;
    std::u16string category;
    std::int16_t balloonVisible = FieldFalse;
};

// Runs are counted, not timed: a fetch happens on a run that finds count >= threshold.
struct PollSchedule {
    std::int16_t count = 0;
    std::int16_t threshold = 0;
};

inline constexpr std::int32_t TickIntervalMs = 60000;
inline constexpr std::int16_t ThresholdConnected = 59;  // every 60th run: hourly
inline constexpr std::int16_t ThresholdNoNotice = 10;   // every 11th run
inline constexpr std::int16_t ThresholdEveryRun = 0;

}  // namespace tarvolin
