#pragma once
// A small writer of JSON documents for the command-line tool's machine-readable output. Every
// string goes through JsonQuote, so no text of a file, a path or a message can break the
// document: file names on Linux are bytes, and bytes that are not UTF-8 become U+FFFD.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gf::cli {

// True when `text` is well-formed UTF-8: no stray continuation bytes, overlong forms, UTF-16
// surrogates or values above U+10FFFF, no sequence cut short.
bool IsValidUtf8(std::string_view text);

// `text` as a JSON string, quotes included: '"' and '\' escaped, control characters as \n, \t,
// ... or \u00XX, well-formed UTF-8 copied as it is, and each byte of a malformed sequence
// replaced by U+FFFD. The result always parses as JSON.
std::string JsonQuote(std::string_view text);

// Builds one JSON document, indented by two spaces a level; an object or array begun on one
// line keeps all it holds on that line. The caller nests the calls properly: every Begin has
// its End, and inside an object each value follows its Key. Keys are quoted like any string.
class JsonWriter {
  public:
    void BeginObject(bool oneLine = false);
    void EndObject();
    void BeginArray(bool oneLine = false);
    void EndArray();
    void Key(std::string_view name);
    void String(std::string_view text);
    void Number(std::int64_t value);
    void Bool(bool value);
    void Null();

    // Shorthands for a key and its value.
    void Field(std::string_view name, std::string_view text);
    void Field(std::string_view name, const char* text) { Field(name, std::string_view(text)); }
    void Field(std::string_view name, std::int64_t value);

    // The document, with a final newline.
    std::string Text() const { return Out + "\n"; }

  private:
    void BeforeValue();
    void Open(char bracket, bool oneLine);
    void Close(char bracket);
    void NewLine();

    struct Level {
        bool Empty = true;
        bool OneLine = false;
    };
    std::string Out;
    std::vector<Level> Levels;
    bool AfterKey = false;
};

}  // namespace gf::cli
