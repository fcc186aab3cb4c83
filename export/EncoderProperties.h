#pragma once

#include "settings/EncoderSettings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

typedef struct _GstElement GstElement;

// One value of an enumeration or flags setting.
struct TEncoderChoice {
    std::string Nick; // as stored
    std::string Name; // as shown
};

// A setting of an encoder element that can be changed before it runs.
struct TEncoderProperty {
    enum class TKind { pkInteger, pkFloat, pkBoolean, pkEnumeration, pkFlags, pkText };
    std::string Name;  // the property's name, as stored
    std::string Nick;  // its short title
    std::string Blurb; // what it does
    TKind Kind = TKind::pkText;
    double Minimum = 0, Maximum = 0;     // integers and floats
    std::vector<TEncoderChoice> Choices; // enumerations and flags, in the element's order
    std::string Default;                 // the value a new element has, in stored form
};

// The settings an encoder element offers, read from its properties: every one that can be written
// after the element is made, of a kind that has a plain control (numbers, booleans, enumerations,
// flags, text), leaving out the generic object ones (name, parent) and deprecated ones. Values are
// text: decimal numbers, "true" or "false", the value's nick, flags as nicks joined by "+".
class TEncoderProperties {
public:
    // No settings when the element does not exist.
    explicit TEncoderProperties(const std::string& element);

    const std::string& Element() const { return Element_; }
    // The element's long name, or its name.
    const std::string& Description() const { return Description_; }
    const std::vector<TEncoderProperty>& Properties() const { return Properties_; }
    bool Empty() const { return Properties_.empty(); }

    // `text` in stored form as a value of the setting `name`; nothing when there is no such setting
    // or `text` is not one of its values (out of range, unknown nick, not a number).
    std::optional<std::string> Parse(std::string_view name, std::string_view text) const;
    // The values that fit, in stored form; the others are left out and, when `dropped` is given,
    // named there as "name=value".
    TEncoderValues Valid(const TEncoderValues& values, std::vector<std::string>* dropped = nullptr) const;

private:
    std::string Element_, Description_;
    std::vector<TEncoderProperty> Properties_;
};

// Sets the values that fit the element's settings on it; the others are left out.
void ApplyEncoderSettings(GstElement* element, const TEncoderValues& values);

// The settings remembered for `element` in the settings file, those that fit it; the others are
// named in `dropped` as "name=value".
TEncoderValues RememberedEncoderSettings(const std::string& settingsFile, const std::string& element,
                                         std::vector<std::string>* dropped = nullptr);
