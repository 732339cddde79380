// The JSON writer of the command-line tool: escaping, UTF-8 checking and the document's shape.

#include <gtest/gtest.h>

#include <string>

#include "cli/json_writer.h"

namespace gf::cli {
namespace {

struct QuoteCase {
    std::string In;
    std::string Out;
    bool ValidUtf8;
};

TEST(JsonQuote, EscapesAndReplacesWhatJsonCannotHold) {
    const std::string fffd = "\xEF\xBF\xBD";
    const QuoteCase cases[] = {
        {"", "\"\"", true},
        {"plain.ico", "\"plain.ico\"", true},
        {"say \"hi\"", "\"say \\\"hi\\\"\"", true},
        {"C:\\icons\\a.ico", "\"C:\\\\icons\\\\a.ico\"", true},
        {"a\nb\tc\rd\be\ff", "\"a\\nb\\tc\\rd\\be\\ff\"", true},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\x7f\"", true},
        {std::string("nul\0x", 5), "\"nul\\u0000x\"", true},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
         "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\"", true},
        // Every byte of a malformed sequence becomes one U+FFFD; what follows is kept.
        {"\xFF", "\"" + fffd + "\"", false},
        {"a\x80z", "\"a" + fffd + "z\"", false},
        {"\xC0\xAF", "\"" + fffd + fffd + "\"", false},                        // overlong '/'
        {"\xE0\x80\xAF", "\"" + fffd + fffd + fffd + "\"", false},             // overlong, 3 bytes
        {"\xED\xA0\x80", "\"" + fffd + fffd + fffd + "\"", false},             // a UTF-16 surrogate
        {"\xF4\x90\x80\x80", "\"" + fffd + fffd + fffd + fffd + "\"", false},  // above U+10FFFF
        {"\xE2\x82", "\"" + fffd + fffd + "\"", false},        // cut short at the end
        {"\xE2\x82\"", "\"" + fffd + fffd + "\\\"\"", false},  // cut short by a quote
        {"\xC3\xA9\xC3", "\"\xC3\xA9" + fffd + "\"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonQuote(c.In), c.Out) << c.In;
        EXPECT_EQ(IsValidUtf8(c.In), c.ValidUtf8) << c.In;
    }
}

TEST(JsonWriter, NestsWithCommasIndentationAndOneLineParts) {
    JsonWriter json;
    json.BeginObject();
    json.Field("name", "a\"b");
    json.Field("count", -3);
    json.Key("empty");
    json.BeginArray();
    json.EndArray();
    json.Key("list");
    json.BeginArray();
    json.Number(1);
    json.Bool(true);
    json.Null();
    json.BeginObject();
    json.EndObject();
    json.BeginArray(true);
    json.Number(1);
    json.BeginObject();
    json.Field("a", 2);
    json.Field("b", "c");
    json.EndObject();
    json.BeginArray();
    json.EndArray();
    json.EndArray();
    json.EndArray();
    json.EndObject();
    EXPECT_EQ(json.Text(),
              "{\n"
              "  \"name\": \"a\\\"b\",\n"
              "  \"count\": -3,\n"
              "  \"empty\": [],\n"
              "  \"list\": [\n"
              "    1,\n"
              "    true,\n"
              "    null,\n"
              "    {},\n"
              "    [1, {\"a\": 2, \"b\": \"c\"}, []]\n"
              "  ]\n"
              "}\n");
}

}  // namespace
}  // namespace gf::cli
