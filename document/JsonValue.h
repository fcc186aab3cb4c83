#pragma once

#include "base/Error.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TJsonMember;

// A JSON value as read from an exchange file. Objects keep their members in file order.
class TJsonValue {
public:
    enum class TKind : std::uint8_t { Null, Bool, Number, String, Array, Object };

    TKind Kind = TKind::Null;
    bool Bool = false;
    double Number = 0;
    std::string String;
    std::vector<TJsonValue> Items;                           // an array's elements
    std::vector<TJsonMember> Members; // an object's members
    std::size_t Line = 1;             // where the value starts in the text, from 1

    // The first member of that name; null when there is none or this is no object.
    const TJsonValue* Member(std::string_view name) const;
    // The number when it is whole and fits 32 bits; nothing for anything else.
    std::optional<std::int32_t> Int32() const;
    // The elements of an array; none for anything else.
    const std::vector<TJsonValue>& Elements() const;
};

// One member of an object: its name and its value.
struct TJsonMember {
    std::string Name;
    TJsonValue Value;
};

// Nesting deeper than this is refused: no exchange file needs it, and it bounds the reader's stack.
inline constexpr int kMaxJsonDepth = 64;

// What ParseJson throws, with the line (from 1) where the text stops being JSON.
class EJsonError : public ECwError {
public:
    EJsonError(const std::string& message, std::size_t line) : ECwError(message), Line(line) {}
    std::size_t Line;
};

// Reads one JSON text (RFC 8259; blanks around it allowed). Throws EJsonError
// "broken JSON at line L, column C: WHAT" for anything else, nesting beyond kMaxJsonDepth included.
// Memory stays proportional to the text.
TJsonValue ParseJson(std::string_view text);

// The text as a JSON string, quotes included: `"`, `\` and control characters escaped, other bytes
// as they are.
std::string JsonQuoted(std::string_view text);
