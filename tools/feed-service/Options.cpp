#include "Options.h"

#include <charconv>
#include <string_view>

namespace tarvolin::feed {

std::optional<Options> ParseOptions(std::span<char* const> arguments, std::string& error) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view name = arguments[i];
        std::optional<std::string> inlineValue;
        // "--name=value" is taken as well as "--name value".
        if (const auto equals = name.find('='); name.starts_with("--") && equals != name.npos) {
            inlineValue = std::string(name.substr(equals + 1));
            name = name.substr(0, equals);
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 < arguments.size()) return std::string(arguments[++i]);
            error = "missing value for " + std::string(name);
            return std::nullopt;
        };
        if (name == "--quiet" || name == "--help" || name == "-h") {
            (name == "--quiet" ? options.quiet : options.help) = true;
            continue;
        }
        std::optional<std::string>* text = name == "--notice"     ? &options.notice
                                           : name == "--category" ? &options.category
                                           : name == "--link"     ? &options.link
                                                                  : nullptr;
        if (name != "--port" && name != "--bind" && name != "--status" && text == nullptr) {
            error = "unknown option " + std::string(arguments[i]);
            return std::nullopt;
        }
        const auto given = value();
        if (!given) return std::nullopt;
        if (text != nullptr) {
            *text = *given;
        } else if (name == "--bind") {
            options.bindAddress = *given;
        } else if (name == "--status") {
            options.statusText = *given;
        } else {
            const char* end = given->data() + given->size();
            const auto parsed = std::from_chars(given->data(), end, options.port);
            if (parsed.ec != std::errc{} || parsed.ptr != end || options.port < 0 ||
                options.port > 65535) {
                error = "bad port " + *given;
                return std::nullopt;
            }
        }
    }
    return options;
}

}  // namespace tarvolin::feed
