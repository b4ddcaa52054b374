// Writing a JSON document in the tool's own number and string forms.
#include "tools/output/json_writer.h"

#include <string>

#include "tools/output/text_format.h"

namespace korvel::tool {

void writeJson(std::ostream& out, const JsonDocument& document) {
  switch (document.type()) {
    case JsonDocument::value_t::object: {
      out << '{';
      bool first = true;
      for (const auto& [key, value] : document.items()) {
        if (!first) out << ',';
        first = false;
        writeJsonString(out, key);
        out << ':';
        writeJson(out, value);
      }
      out << '}';
      return;
    }
    case JsonDocument::value_t::array: {
      out << '[';
      for (size_t i = 0; i < document.size(); ++i) {
        if (i > 0) out << ',';
        writeJson(out, document[i]);
      }
      out << ']';
      return;
    }
    case JsonDocument::value_t::string:
      writeJsonString(out, document.get_ref<const std::string&>());
      return;
    case JsonDocument::value_t::boolean:
      out << (document.get<bool>() ? "true" : "false");
      return;
    case JsonDocument::value_t::number_integer:
      out << document.get<std::int64_t>();
      return;
    case JsonDocument::value_t::number_unsigned:
      out << document.get<std::uint64_t>();
      return;
    case JsonDocument::value_t::number_float:
      writeJsonNumber(out, document.get<double>());
      return;
    default:
      out << "null";
      return;
  }
}

}  // namespace korvel::tool
