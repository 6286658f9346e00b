#include "FeedState.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace tarvolin::feed {

namespace {

struct FaultEntry {
    Fault fault;
    std::string_view name;
};
constexpr std::array<FaultEntry, 7> Faults{{{Fault::None, "none"},
                                            {Fault::Empty, "empty"},
                                            {Fault::Spaces, "spaces"},
                                            {Fault::Status500, "500"},
                                            {Fault::Status404, "404"},
                                            {Fault::Stall, "stall"},
                                            {Fault::Drop, "drop"}}};

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    std::array<char, 8> escaped{};
                    std::snprintf(escaped.data(), escaped.size(), "\\u%04x",
                                  static_cast<unsigned>(c));
                    out += escaped.data();
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string NoticeJson(const Notice& notice) {
    return "{\"msisdn\":" + (notice.msisdn.empty() ? "null" : JsonString(notice.msisdn)) +
           ",\"lastBuildDate\":" + JsonString(BuildDateLine(notice)) +
           ",\"category\":" + JsonString(notice.category) + ",\"link\":" + JsonString(notice.link) +
           ",\"text\":" + JsonString(notice.text) + "}";
}

}  // namespace

std::optional<Fault> ParseFault(std::string_view name) {
    const auto* entry = std::ranges::find(Faults, name, &FaultEntry::name);
    if (entry == Faults.end()) return std::nullopt;
    return entry->fault;
}

std::string_view FaultName(Fault fault) {
    return std::ranges::find(Faults, fault, &FaultEntry::fault)->name;
}

FeedState::FeedState(std::string statusText, std::time_t startTime)
    : placeholder_{.text = {}, .category = {}, .link = {}, .msisdn = {}, .published = startTime},
      lastPublished_(startTime),
      statusText_(std::move(statusText)) {}

Notice FeedState::Publish(std::string text, std::string category, std::string link,
                          std::string msisdn, std::time_t now) {
    const std::scoped_lock lock(mutex_);
    lastPublished_ = std::max(now, lastPublished_ + 1);
    Notice notice{.text = std::move(text),
                  .category = std::move(category),
                  .link = std::move(link),
                  .msisdn = std::move(msisdn),
                  .published = lastPublished_};
    if (notice.msisdn.empty()) {
        forEveryone_ = notice;
    } else {
        forOne_.insert_or_assign(notice.msisdn, notice);
    }
    return notice;
}

Notice FeedState::NoticeFor(const std::string& msisdn) const {
    const std::scoped_lock lock(mutex_);
    const auto one = forOne_.find(msisdn);
    if (one != forOne_.end() && (!forEveryone_ || one->second.published > forEveryone_->published))
        return one->second;
    return forEveryone_.value_or(placeholder_);
}

void FeedState::SetFault(Fault fault) {
    {
        const std::scoped_lock lock(mutex_);
        fault_ = fault;
    }
    changed_.notify_all();
}

Fault FeedState::CurrentFault() const {
    const std::scoped_lock lock(mutex_);
    return fault_;
}

void FeedState::SetStatusText(std::string text) {
    const std::scoped_lock lock(mutex_);
    statusText_ = std::move(text);
}

std::string FeedState::StatusTextFor(std::string_view msisdn) const {
    std::string text;
    {
        const std::scoped_lock lock(mutex_);
        text = statusText_;
    }
    for (auto at = text.find(NumberPlaceholder); at != std::string::npos;
         at = text.find(NumberPlaceholder, at + msisdn.size())) {
        text.replace(at, NumberPlaceholder.size(), msisdn);
    }
    return text;
}

void FeedState::RecordRequest(std::string line) {
    const std::scoped_lock lock(mutex_);
    if (requests_.size() == MaxRequests) requests_.pop_front();
    requests_.push_back(std::move(line));
}

std::vector<std::string> FeedState::Requests() const {
    const std::scoped_lock lock(mutex_);
    return {requests_.begin(), requests_.end()};
}

void FeedState::ClearRequests() {
    const std::scoped_lock lock(mutex_);
    requests_.clear();
}

bool FeedState::WaitWhileStalled(const std::function<bool()>& peerGone,
                                 std::chrono::milliseconds poll) {
    std::unique_lock lock(mutex_);
    while (true) {
        if (stopping_) return false;
        if (fault_ != Fault::Stall) return true;
        changed_.wait_for(lock, poll);
        if (stopping_ || fault_ != Fault::Stall) continue;
        lock.unlock();
        const bool gone = peerGone();
        lock.lock();
        if (gone) return false;
    }
}

bool FeedState::Pause(std::chrono::milliseconds span) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, span, [this] { return stopping_; });
}

bool FeedState::Stopping() const {
    const std::scoped_lock lock(mutex_);
    return stopping_;
}

void FeedState::Stop() {
    {
        const std::scoped_lock lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
}

std::string FeedState::StateJson() const {
    const std::scoped_lock lock(mutex_);
    std::string json = "{\"fault\":" + JsonString(FaultName(fault_)) +
                       ",\"status\":" + JsonString(statusText_) +
                       ",\"requests\":" + std::to_string(requests_.size()) + ",\"notices\":[";
    std::string separator;
    if (forEveryone_) {
        json += NoticeJson(*forEveryone_);
        separator = ",";
    }
    for (const auto& [msisdn, notice] : forOne_) {
        json += separator + NoticeJson(notice);
        separator = ",";
    }
    return json + "]}\n";
}

}  // namespace tarvolin::feed
