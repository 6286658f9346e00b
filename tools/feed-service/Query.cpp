#include "Query.h"

namespace tarvolin::feed {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Calls `take(name, value)` for each "name=value" field of an &-separated text.
template <typename Take>
void ForEachField(std::string_view text, Take take) {
    while (!text.empty()) {
        const auto end = text.find('&');
        const std::string_view field = text.substr(0, end);
        const auto equals = field.find('=');
        if (!field.empty())
            take(field.substr(0, equals),
                 equals == field.npos ? std::string_view{} : field.substr(equals + 1));
        if (end == text.npos) break;
        text.remove_prefix(end + 1);
    }
}

}  // namespace

std::string PercentDecoded(std::string_view text, Plus plus) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i] == '+' && plus == Plus::Space ? ' ' : text[i];
        }
    }
    return out;
}

std::optional<std::string> QueryField(std::string_view target, std::string_view name) {
    const auto query = target.find('?');
    if (query == target.npos) return std::nullopt;
    std::optional<std::string> found;
    ForEachField(target.substr(query + 1), [&](std::string_view key, std::string_view value) {
        if (!found && PercentDecoded(key, Plus::Literal) == name)
            found = PercentDecoded(value, Plus::Literal);
    });
    return found;
}

void AddFormFields(std::string_view text, Fields& fields) {
    ForEachField(text, [&](std::string_view key, std::string_view value) {
        fields.insert_or_assign(PercentDecoded(key, Plus::Space),
                                PercentDecoded(value, Plus::Space));
    });
}

}  // namespace tarvolin::feed
