#include "Options.h"

#include <charconv>
#include <string_view>

namespace tarvolin::feed {

namespace {

bool IsTextOption(std::string_view name) {
    return name == "--notice" || name == "--category" || name == "--link" || name == "--bind" ||
           name == "--status";
}

// Stores the value of an option that takes one; false, with `error` set, for a bad port.
bool Store(Options& options, std::string_view name, const std::string& value, std::string& error) {
    if (name == "--notice") options.notice = value;
    if (name == "--category") options.category = value;
    if (name == "--link") options.link = value;
    if (name == "--bind") options.bindAddress = value;
    if (name == "--status") options.statusText = value;
    if (name != "--port") return true;
    const char* end = value.data() + value.size();
    const auto parsed = std::from_chars(value.data(), end, options.port);
    if (parsed.ec == std::errc{} && parsed.ptr == end && options.port >= 0 && options.port <= 65535)
        return true;
    error = "bad port " + value;
    return false;
}

}  // namespace

std::optional<Options> ParseOptions(std::span<char* const> arguments, std::string& error) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view name = arguments[i];
        std::optional<std::string> value;
        // "--name=value" is taken as well as "--name value".
        if (const auto equals = name.find('='); name.starts_with("--") && equals != name.npos) {
            value = std::string(name.substr(equals + 1));
            name = name.substr(0, equals);
        }
        if (name == "--quiet" || name == "--help" || name == "-h") {
            (name == "--quiet" ? options.quiet : options.help) = true;
            continue;
        }
        if (name != "--port" && !IsTextOption(name)) {
            error = "unknown option " + std::string(arguments[i]);
            return std::nullopt;
        }
        if (!value && i + 1 < arguments.size()) value = std::string(arguments[++i]);
        if (!value) error = "missing value for " + std::string(name);
        if (!value || !Store(options, name, *value, error)) return std::nullopt;
    }
    return options;
}

}  // namespace tarvolin::feed
