#pragma once
// Fields of request targets and form bodies, decoded here rather than by httplib: the notifier
// sends the number unencoded, so a "+" in it must stay a "+".

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tarvolin::feed {

using Fields = std::map<std::string, std::string, std::less<>>;

enum class Plus { Literal, Space };

// Decodes %XX escapes; a malformed escape is kept as it is.
std::string PercentDecoded(std::string_view text, Plus plus);

// The first field of that name in the query of a raw target ("/path?a=1&b=2"), "+" kept.
std::optional<std::string> QueryField(std::string_view target, std::string_view name);

// All fields of a query or of an application/x-www-form-urlencoded body, "+" read as a space.
// A later field of the same name replaces an earlier one.
void AddFormFields(std::string_view text, Fields& fields);

}  // namespace tarvolin::feed
