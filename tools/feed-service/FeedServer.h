#pragma once
// The HTTP side of the service: the two /dataservices/ paths the notifier polls, with their
// faults, the /faults/ paths that misbehave on request, and the /admin/ paths that publish
// notices and set faults.

#include <cstddef>
#include <httplib.h>
#include <optional>
#include <string>
#include <string_view>

#include "FeedState.h"

namespace tarvolin::feed {

class FeedServer {
public:
    FeedServer(FeedState& state, bool quiet);

    // Binds the listening socket; port 0 takes any free port. On failure `error` holds the
    // reason in a few words ("address in use").
    bool Bind(const std::string& address, int port, std::string& error);
    int Port() const { return port_; }
    // Serves until Stop(); returns false if the listening loop failed on its own.
    bool Run();
    // Releases stalled requests and ends Run(); safe to call from another thread, repeatedly.
    void Stop();

private:
    void AddDataRoutes();
    void AddAdminRoutes();      // what the service answers: notices, faults, the status
    void AddAdminViewRoutes();  // what it was asked, its state, and 404 for the rest
    void AddFaultRoutes();      // FaultRoutes.cpp
    void Serve(const std::string& kind, const httplib::Request& request,
               httplib::Response& response);
    // Holds the request while the service stalls; the fault to answer with after it, or
    // nothing when the client went or the service stops (the connection is then closed).
    std::optional<Fault> WaitOutStall(const httplib::Request& request);
    // Each gives the log line's outcome, or "" when the fault path names no fault.
    std::string ServeFault(std::string_view pathText, const httplib::Request& request,
                           httplib::Response& response);
    std::string ServeFormedFault(std::string_view mode, std::optional<std::size_t> number,
                                 std::string_view rest, httplib::Response& response);
    std::string ServeBrokenFault(std::string_view mode, std::optional<std::size_t> number,
                                 std::string_view rest, const httplib::Request& request);
    // FloodFaults.cpp: the hostile replies.
    std::string ServeFloodFault(std::string_view mode, std::optional<std::size_t> number,
                                std::string_view rest, const httplib::Request& request);
    void Log(const httplib::Request& request, const std::string& outcome) const;

    FeedState& state_;
    bool quiet_;
    int port_ = 0;
    httplib::Server server_;
};

}  // namespace tarvolin::feed
