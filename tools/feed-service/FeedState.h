#pragma once
// Everything the service's handler threads share: the published notices, the fault mode, the
// status text and the log of requests received. One mutex guards it all.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FeedReply.h"

namespace tarvolin::feed {

// How the /dataservices/ paths misbehave on purpose.
enum class Fault { None, Empty, Spaces, Status500, Status404, Stall, Drop };

std::optional<Fault> ParseFault(std::string_view name);
std::string_view FaultName(Fault fault);

// Placeholder standing for the number in a status text.
inline constexpr std::string_view NumberPlaceholder = "{msisdn}";
inline constexpr std::string_view DefaultStatusText = "Number {msisdn}: data service active";

class FeedState {
public:
    FeedState(std::string statusText, std::time_t startTime);

    // Publishes a notice for every number (msisdn empty) or for one number. Its time is `now`,
    // or one second after the previous notice when that is not earlier, so that every notice
    // has a build-date line of its own.
    Notice Publish(std::string text, std::string category, std::string link, std::string msisdn,
                   std::time_t now);
    // The most recently published notice for this number, or the blank placeholder.
    Notice NoticeFor(const std::string& msisdn) const;

    void SetFault(Fault fault);
    Fault CurrentFault() const;

    void SetStatusText(std::string text);
    // The status text with the placeholder replaced by the number.
    std::string StatusTextFor(std::string_view msisdn) const;

    void RecordRequest(std::string line);
    std::vector<std::string> Requests() const;
    void ClearRequests();

    // Holds a stalled request: returns true when the fault is no longer Stall, false when the
    // service stops or `peerGone` (asked every `poll`) reports that the client went away.
    bool WaitWhileStalled(const std::function<bool()>& peerGone, std::chrono::milliseconds poll);
    // Waits for `span`; false, at once, when the service is stopping.
    bool Pause(std::chrono::milliseconds span);
    bool Stopping() const;
    // Releases every stalled request for good; called before the server stops.
    void Stop();

    std::string StateJson() const;

private:
    static constexpr std::size_t MaxRequests = 10000;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Notice placeholder_;
    std::optional<Notice> forEveryone_;
    std::map<std::string, Notice, std::less<>> forOne_;
    std::time_t lastPublished_;
    Fault fault_ = Fault::None;
    std::string statusText_;
    std::deque<std::string> requests_;
    bool stopping_ = false;
};

}  // namespace tarvolin::feed
