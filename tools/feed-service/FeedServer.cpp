#include "FeedServer.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/socket.h>

#include "Connection.h"
#include "Query.h"

namespace tarvolin::feed {

namespace {

constexpr const char* FeedType = "application/rss+xml; charset=utf-8";
constexpr const char* TextType = "text/plain; charset=utf-8";
// Enough handler threads that stalled clients never starve the admin paths.
constexpr std::size_t HandlerThreads = 64;
constexpr std::chrono::milliseconds StallPoll{200};

// Largest admin form body read; notices are short texts.
constexpr std::size_t MaxFormBody = 64 * 1024;

// Fields of an admin request: those of its query, then those of its form body. The body is
// read only when its length is announced, so that a bare "curl -X POST URL?mode=stall" works.
Fields AdminFields(const httplib::Request& request, const httplib::ContentReader& reader) {
    Fields fields;
    if (const auto query = request.target.find('?'); query != std::string::npos)
        AddFormFields(std::string_view{request.target}.substr(query + 1), fields);
    if (request.has_header("Content-Length") || request.has_header("Transfer-Encoding")) {
        std::string body;
        reader([&body](const char* data, std::size_t length) {
            body.append(data, length);
            return body.size() <= MaxFormBody;
        });
        if (request.get_header_value("Content-Type")
                .starts_with("application/x-www-form-urlencoded"))
            AddFormFields(body, fields);
    }
    return fields;
}

std::string FieldOf(const Fields& fields, std::string_view name) {
    const auto found = fields.find(name);
    return found == fields.end() ? std::string{} : found->second;
}

// Control characters and backslashes are escaped so that one request stays one line.
std::string Printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte == 0x7f) {
            std::array<char, 8> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "\\x%02x", byte);
            out += escaped.data();
        } else {
            out += c;
        }
    }
    return out;
}

std::time_t Now() { return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()); }

}  // namespace

FeedServer::FeedServer(FeedState& state, bool quiet) : state_(state), quiet_(quiet) {
    // httplib takes ownership of the queue it is handed.
    server_.new_task_queue = [] {
        return std::make_unique<httplib::ThreadPool>(HandlerThreads).release();
    };
    server_.set_keep_alive_timeout(2);
    // Only SO_REUSEADDR: httplib's default also sets SO_REUSEPORT, which would let a second
    // instance listen on the same port instead of failing.
    server_.set_socket_options([](int socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    AddDataRoutes();
    AddFaultRoutes();
    AddAdminRoutes();
    AddAdminViewRoutes();
}

bool FeedServer::Bind(const std::string& address, int port, std::string& error) {
    errno = 0;
    if (port == 0) {
        port_ = server_.bind_to_any_port(address);
        if (port_ > 0) return true;
    } else if (server_.bind_to_port(address, port)) {
        port_ = port;
        return true;
    }
    const int cause = errno;
    if (cause == EADDRINUSE) {
        error = "address in use";
    } else if (cause != 0) {
        error = std::strerror(cause);
        error.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(error.front())));
    } else {
        error = "no such local address";
    }
    return false;
}

bool FeedServer::Run() { return server_.listen_after_bind(); }

void FeedServer::Stop() {
    state_.Stop();
    server_.stop();
}

void FeedServer::AddDataRoutes() {
    server_.Get("/dataservices/notify",
                [this](const httplib::Request& request, httplib::Response& response) {
                    Serve("notify", request, response);
                });
    server_.Get("/dataservices/status",
                [this](const httplib::Request& request, httplib::Response& response) {
                    Serve("status", request, response);
                });
}

namespace {

// The reply a fault makes of the feed; Drop has none and is left to the caller.
void Answer(Fault fault, const std::string& feed, httplib::Response& response) {
    switch (fault) {
        case Fault::Empty:
            response.set_content("", FeedType);
            break;
        case Fault::Spaces:
            response.set_content("        ", FeedType);
            break;
        case Fault::Status500:
            response.status = 500;
            response.set_content(feed, FeedType);
            break;
        case Fault::Status404:
            response.status = 404;
            response.set_content("Not Found\n", TextType);
            break;
        case Fault::None:
        case Fault::Stall:
        case Fault::Drop:
            response.set_content(feed, FeedType);
            break;
    }
    if (response.status == -1) response.status = 200;
}

}  // namespace

std::optional<Fault> FeedServer::WaitOutStall(const httplib::Request& request) {
    Fault fault = state_.CurrentFault();
    while (fault == Fault::Stall) {
        const Connection connection(request);
        if (!state_.WaitWhileStalled([&] { return connection.PeerGone(); }, StallPoll)) {
            connection.Drop();
            return std::nullopt;
        }
        fault = state_.CurrentFault();
    }
    return fault;
}

void FeedServer::Serve(const std::string& kind, const httplib::Request& request,
                       httplib::Response& response) {
    const auto msisdn = QueryField(request.target, "msisdn");
    state_.RecordRequest(kind + (msisdn ? " msisdn=" + Printable(*msisdn) : std::string{}));
    const bool stalled = state_.CurrentFault() == Fault::Stall;
    const std::optional<Fault> fault = WaitOutStall(request);
    if (!fault) {
        Log(request, "stalled, then closed");
        return;
    }
    const std::string prefix = stalled ? "stalled, then " : "";
    if (*fault == Fault::Drop) {
        Connection(request).Drop();
        Log(request, prefix + "dropped");
        return;
    }
    const Notice notice = state_.NoticeFor(msisdn.value_or(""));
    Answer(*fault,
           kind == "notify" ? NotifyReply(notice)
                            : StatusReply(notice, state_.StatusTextFor(msisdn.value_or(""))),
           response);
    Log(request,
        prefix + std::to_string(response.status) + " fault=" + std::string(FaultName(*fault)));
}

void FeedServer::AddAdminRoutes() {
    using httplib::ContentReader, httplib::Request, httplib::Response;
    // The POST paths take their fields from the query or from a form body (AdminFields).
    server_.Post("/admin/notice",
                 [this](const Request& request, Response& response, const ContentReader& reader) {
                     const Fields fields = AdminFields(request, reader);
                     const Notice notice =
                         state_.Publish(FieldOf(fields, "text"), FieldOf(fields, "category"),
                                        FieldOf(fields, "link"), FieldOf(fields, "msisdn"), Now());
                     response.set_content(BuildDateLine(notice) + "\n", TextType);
                     Log(request, "200 published");
                 });
    server_.Post("/admin/fault", [this](const Request& request, Response& response,
                                        const ContentReader& reader) {
        const auto fault = ParseFault(FieldOf(AdminFields(request, reader), "mode"));
        if (!fault) {
            response.status = 400;
            response.set_content("unknown mode; use none|empty|spaces|500|404|stall|drop\n",
                                 TextType);
            Log(request, "400");
            return;
        }
        state_.SetFault(*fault);
        response.set_content("fault=" + std::string(FaultName(*fault)) + "\n", TextType);
        Log(request, "200");
    });
    server_.Post("/admin/status",
                 [this](const Request& request, Response& response, const ContentReader& reader) {
                     const Fields fields = AdminFields(request, reader);
                     if (!fields.contains("text")) {
                         response.status = 400;
                         response.set_content("missing text\n", TextType);
                         Log(request, "400");
                         return;
                     }
                     state_.SetStatusText(FieldOf(fields, "text"));
                     response.set_content("status=" + FieldOf(fields, "text") + "\n", TextType);
                     Log(request, "200");
                 });
}

void FeedServer::AddAdminViewRoutes() {
    using httplib::ContentReader, httplib::Request, httplib::Response;
    server_.Post("/admin/requests/clear",
                 [this](const Request& request, Response& response, const ContentReader&) {
                     state_.ClearRequests();
                     response.set_content("cleared\n", TextType);
                     Log(request, "200");
                 });
    server_.Get("/admin/requests", [this](const Request& request, Response& response) {
        std::string lines;
        for (const auto& line : state_.Requests()) lines += line + "\n";
        response.set_content(lines, TextType);
        Log(request, "200");
    });
    // Client connections still open, the asking one aside: a client that closes every
    // connection it is done with leaves this at 0.
    server_.Get("/admin/connections", [this](const Request& request, Response& response) {
        response.set_content(std::to_string(Connection(request).OpenOnPort(port_)) + "\n",
                             TextType);
        Log(request, "200");
    });
    server_.Get("/admin/state", [this](const Request& request, Response& response) {
        response.set_content(state_.StateJson(), "application/json");
        Log(request, "200");
    });
    // Registered last, so that only paths nobody serves land here and still get a log line.
    const auto notFound = [this](const Request& request, Response& response) {
        response.status = 404;
        response.set_content("Not Found\n", TextType);
        Log(request, "404");
    };
    server_.Get(".*", notFound);
    server_.Post(".*", [notFound](const Request& request, Response& response,
                                  const ContentReader&) { notFound(request, response); });
}

void FeedServer::Log(const httplib::Request& request, const std::string& outcome) const {
    if (quiet_) return;
    const std::string line = "feed-service: " + request.remote_addr + " " + request.method + " " +
                             Printable(request.target) + " " + outcome + "\n";
    // One call per line keeps lines from different handler threads whole.
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace tarvolin::feed
