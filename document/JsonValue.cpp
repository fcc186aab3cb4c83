#include "document/JsonValue.h"

#include "base/Error.h"
#include "base/TextUtil.h"

#include <charconv>
#include <cmath>

namespace {

class TJsonParser {
public:
    explicit TJsonParser(std::string_view text) : Text(text) {}

    TJsonValue Document() {
        SkipBlanks();
        TJsonValue value = Value(0);
        SkipBlanks();
        if (Pos != Text.size())
            Fail("text after the end of the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        std::size_t line = 1, column = 1;
        for (std::size_t i = 0; i < Pos && i < Text.size(); ++i) {
            if (Text[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        throw EJsonError("broken JSON at line " + std::to_string(line) + ", column " + std::to_string(column) +
                             ": " + what,
                         line);
    }

    bool AtEnd() const { return Pos >= Text.size(); }
    char Peek() const { return AtEnd() ? '\0' : Text[Pos]; }

    // Line ends stand only between tokens (a string holds none), so blanks are where lines are counted.
    void SkipBlanks() {
        while (!AtEnd() && (Text[Pos] == ' ' || Text[Pos] == '\t' || Text[Pos] == '\n' || Text[Pos] == '\r')) {
            if (Text[Pos] == '\n')
                ++Line;
            ++Pos;
        }
    }

    void Expect(char c) {
        if (Peek() != c)
            Fail(AtEnd() ? std::string("the text ends early") : std::string("expected '") + c + "'");
        ++Pos;
    }

    void ExpectWord(std::string_view word) {
        if (Text.substr(Pos, word.size()) != word)
            Fail("unknown word");
        Pos += word.size();
    }

    TJsonValue Value(int depth) {
        if (depth >= kMaxJsonDepth)
            Fail("nested more than " + std::to_string(kMaxJsonDepth) + " deep");
        if (AtEnd())
            Fail("the text ends early");
        TJsonValue value;
        value.Line = Line;
        switch (Peek()) {
        case '{':
            value.Kind = TJsonValue::TKind::Object;
            ReadObject(value, depth);
            break;
        case '[':
            value.Kind = TJsonValue::TKind::Array;
            ReadArray(value, depth);
            break;
        case '"':
            value.Kind = TJsonValue::TKind::String;
            value.String = ReadString();
            break;
        case 't':
            ExpectWord("true");
            value.Kind = TJsonValue::TKind::Bool;
            value.Bool = true;
            break;
        case 'f':
            ExpectWord("false");
            value.Kind = TJsonValue::TKind::Bool;
            break;
        case 'n':
            ExpectWord("null");
            break;
        default:
            value.Kind = TJsonValue::TKind::Number;
            value.Number = ReadNumber();
        }
        return value;
    }

    void ReadObject(TJsonValue& object, int depth) {
        Expect('{');
        SkipBlanks();
        if (Peek() == '}') {
            ++Pos;
            return;
        }
        for (;;) {
            SkipBlanks();
            if (Peek() != '"')
                Fail("expected a member name");
            std::string name = ReadString();
            SkipBlanks();
            Expect(':');
            SkipBlanks();
            object.Members.push_back({std::move(name), Value(depth + 1)});
            SkipBlanks();
            if (Peek() == ',') {
                ++Pos;
                continue;
            }
            Expect('}');
            return;
        }
    }

    void ReadArray(TJsonValue& array, int depth) {
        Expect('[');
        SkipBlanks();
        if (Peek() == ']') {
            ++Pos;
            return;
        }
        for (;;) {
            SkipBlanks();
            array.Items.push_back(Value(depth + 1));
            SkipBlanks();
            if (Peek() == ',') {
                ++Pos;
                continue;
            }
            Expect(']');
            return;
        }
    }

    double ReadNumber() {
        // JSON's grammar: -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?
        const std::size_t start = Pos;
        const auto digits = [this] {
            const std::size_t from = Pos;
            while (!AtEnd() && Text[Pos] >= '0' && Text[Pos] <= '9')
                ++Pos;
            return Pos - from;
        };
        if (Peek() == '-')
            ++Pos;
        const bool leadingZero = Peek() == '0';
        const std::size_t whole = digits();
        if (whole == 0 || (leadingZero && whole > 1))
            Fail("not a value");
        if (Peek() == '.') {
            ++Pos;
            if (digits() == 0)
                Fail("a number without digits after '.'");
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++Pos;
            if (Peek() == '+' || Peek() == '-')
                ++Pos;
            if (digits() == 0)
                Fail("a number without digits in its exponent");
        }
        double number = 0;
        const auto [end, error] = std::from_chars(Text.data() + start, Text.data() + Pos, number);
        if (error != std::errc() || end != Text.data() + Pos)
            Fail("a number out of range");
        return number;
    }

    unsigned ReadHex4() {
        if (Text.size() - Pos < 4)
            Fail("the text ends early");
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = Text[Pos++];
            code <<= 4;
            if (c >= '0' && c <= '9')
                code |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                code |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                code |= static_cast<unsigned>(c - 'A' + 10);
            else
                Fail("a bad \\u escape");
        }
        return code;
    }

    unsigned ReadEscapedCode() {
        unsigned code = ReadHex4();
        if (code >= 0xD800 && code <= 0xDBFF && Text.substr(Pos, 2) == "\\u") {
            const std::size_t back = Pos;
            Pos += 2;
            const unsigned low = ReadHex4();
            if (low >= 0xDC00 && low <= 0xDFFF)
                return 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            Pos = back;
        }
        // A lone surrogate cannot be UTF-8: it reads as the replacement character.
        return code >= 0xD800 && code <= 0xDFFF ? 0xFFFD : code;
    }

    std::string ReadString() {
        Expect('"');
        std::string out;
        for (;;) {
            if (AtEnd())
                Fail("a string without its closing quote");
            const char c = Text[Pos++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                Fail("a control character inside a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (AtEnd())
                Fail("the text ends early");
            switch (const char e = Text[Pos++]) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u':
                AppendUtf8(out, ReadEscapedCode());
                break;
            default:
                Fail("a bad escape");
            }
        }
    }

    std::string_view Text;
    std::size_t Pos = 0;
    std::size_t Line = 1;
};

} // namespace

const TJsonValue* TJsonValue::Member(std::string_view name) const {
    for (const auto& [key, value] : Members) {
        if (key == name)
            return &value;
    }
    return nullptr;
}

std::optional<std::int32_t> TJsonValue::Int32() const {
    if (Kind != TKind::Number || Number != std::floor(Number) || Number < INT32_MIN || Number > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(Number);
}

const std::vector<TJsonValue>& TJsonValue::Elements() const {
    static const std::vector<TJsonValue> kNone;
    return Kind == TKind::Array ? Items : kNone;
}

TJsonValue ParseJson(std::string_view text) {
    return TJsonParser(text).Document();
}

std::string JsonQuoted(std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out + '"';
}
