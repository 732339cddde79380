// The JSON writer's escaping over any bytes (file names on Linux are bytes): the document is
// always valid UTF-8 without raw control characters, and text that needs no escaping comes
// through unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/json_writer.h"

namespace {

bool HasRawControl(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string quoted = gf::cli::JsonQuote(text);
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"' ||
        !gf::cli::IsValidUtf8(quoted) || HasRawControl(quoted))
        std::abort();
    const bool plain = gf::cli::IsValidUtf8(text) && !HasRawControl(text) &&
                       text.find_first_of("\"\\") == std::string_view::npos;
    if (plain && quoted != "\"" + std::string(text) + "\"")
        std::abort();

    gf::cli::JsonWriter json;
    json.BeginObject();
    json.Field(text, text);
    json.Key("list");
    json.BeginArray(true);
    json.String(text);
    json.EndArray();
    json.EndObject();
    const std::string document = json.Text();
    if (!gf::cli::IsValidUtf8(document))
        std::abort();
    return 0;
}
