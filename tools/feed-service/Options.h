#pragma once
// The service's command line.

#include <optional>
#include <span>
#include <string>

#include "FeedState.h"

namespace tarvolin::feed {

struct Options {
    int port = 9090;
    std::string bindAddress = "127.0.0.1";
    // An initial notice for every number, published at start when any of the three is given.
    std::optional<std::string> notice;
    std::optional<std::string> category;
    std::optional<std::string> link;
    std::string statusText{DefaultStatusText};
    bool quiet = false;
    bool help = false;
};

inline constexpr const char* Usage =
    "usage: feed-service [--port N] [--bind ADDR] [--notice TEXT] [--category TEXT]\n"
    "                    [--link URL] [--status TEXT] [--quiet]\n"
    "  --port N        port to listen on (default 9090; 0 takes a free one)\n"
    "  --bind ADDR     address to listen on (default 127.0.0.1)\n"
    "  --notice TEXT   text of an initial notice for every number\n"
    "  --category TEXT category of the initial notice (\"Download\" makes a click open the link)\n"
    "  --link URL      link of the initial notice\n"
    "  --status TEXT   answer to the status request; {msisdn} stands for the number\n"
    "                  (default \"Number {msisdn}: data service active\")\n"
    "  --quiet         no log line per request\n";

// Parses the arguments after the program name; on a bad argument returns nothing and sets
// `error`.
std::optional<Options> ParseOptions(std::span<char* const> arguments, std::string& error);

}  // namespace tarvolin::feed
