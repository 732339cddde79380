#include "cli/json_writer.h"

namespace gf::cli {

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0 when it starts
// with a malformed one. Ranges as in the Unicode standard's table of well-formed sequences.
std::size_t Utf8SequenceLength(std::string_view text) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(0);
    if (b0 < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0)
            lo = 0xA0;  // no overlong forms
        if (b0 == 0xED)
            hi = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0)
            lo = 0x90;  // no overlong forms
        if (b0 == 0xF4)
            hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < lo || byte(1) > hi)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t n = Utf8SequenceLength(text);
        if (n == 0)
            return false;
        text.remove_prefix(n);
    }
    return true;
}

std::string JsonQuote(std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    while (!text.empty()) {
        const unsigned char c = static_cast<unsigned char>(text[0]);
        const std::size_t n = Utf8SequenceLength(text);
        if (n == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD REPLACEMENT CHARACTER
            text.remove_prefix(1);
            continue;
        }
        if (n > 1) {
            out.append(text.substr(0, n));
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\b') {
            out += "\\b";
        } else if (c == '\f') {
            out += "\\f";
        } else if (c < 0x20) {
            out += "\\u00";
            out += Hex[c >> 4];
            out += Hex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
        text.remove_prefix(n);
    }
    out += '"';
    return out;
}

void JsonWriter::NewLine() {
    Out += '\n';
    Out.append(2 * Levels.size(), ' ');
}

void JsonWriter::BeforeValue() {
    if (AfterKey) {
        AfterKey = false;
        return;
    }
    if (Levels.empty())
        return;
    Level& level = Levels.back();
    if (!level.Empty)
        Out += level.OneLine ? ", " : ",";
    if (!level.OneLine)
        NewLine();
    level.Empty = false;
}

void JsonWriter::Open(char bracket, bool oneLine) {
    BeforeValue();
    Out += bracket;
    Levels.push_back({true, oneLine || (!Levels.empty() && Levels.back().OneLine)});
}

void JsonWriter::Close(char bracket) {
    const Level level = Levels.back();
    Levels.pop_back();
    if (!level.Empty && !level.OneLine)
        NewLine();
    Out += bracket;
}

void JsonWriter::BeginObject(bool oneLine) {
    Open('{', oneLine);
}
void JsonWriter::EndObject() {
    Close('}');
}
void JsonWriter::BeginArray(bool oneLine) {
    Open('[', oneLine);
}
void JsonWriter::EndArray() {
    Close(']');
}

void JsonWriter::Key(std::string_view name) {
    BeforeValue();
    Out += JsonQuote(name);
    Out += ": ";
    AfterKey = true;
}

void JsonWriter::String(std::string_view text) {
    BeforeValue();
    Out += JsonQuote(text);
}

void JsonWriter::Number(std::int64_t value) {
    BeforeValue();
    Out += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    Out += value ? "true" : "false";
}

void JsonWriter::Null() {
    BeforeValue();
    Out += "null";
}

void JsonWriter::Field(std::string_view name, std::string_view text) {
    Key(name);
    String(text);
}

void JsonWriter::Field(std::string_view name, std::int64_t value) {
    Key(name);
    Number(value);
}

}  // namespace gf::cli
