#include "export/EncoderProperties.h"

#include "base/TextUtil.h"
#include "platform/GstMedia.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <gst/gst.h>

namespace {

std::optional<TEncoderProperty::TKind> KindOf(const GParamSpec* spec) {
    switch (G_TYPE_FUNDAMENTAL(spec->value_type)) {
    case G_TYPE_INT:
    case G_TYPE_UINT:
    case G_TYPE_LONG:
    case G_TYPE_ULONG:
    case G_TYPE_INT64:
    case G_TYPE_UINT64:
        return TEncoderProperty::TKind::pkInteger;
    case G_TYPE_FLOAT:
    case G_TYPE_DOUBLE:
        return TEncoderProperty::TKind::pkFloat;
    case G_TYPE_BOOLEAN:
        return TEncoderProperty::TKind::pkBoolean;
    case G_TYPE_ENUM:
        return TEncoderProperty::TKind::pkEnumeration;
    case G_TYPE_FLAGS:
        return TEncoderProperty::TKind::pkFlags;
    case G_TYPE_STRING:
        return TEncoderProperty::TKind::pkText;
    default:
        return std::nullopt;
    }
}

// A setting: written after the element is made, not one every object has, not on its way out.
bool IsSetting(const GParamSpec* spec) {
    const GParamFlags flags = spec->flags;
    return (flags & G_PARAM_WRITABLE) && !(flags & (G_PARAM_CONSTRUCT_ONLY | G_PARAM_DEPRECATED)) &&
           spec->owner_type != GST_TYPE_OBJECT && spec->owner_type != G_TYPE_OBJECT && KindOf(spec);
}

// The setting's range as numbers; integers beyond what a double holds exactly only lose digits here.
void RangeOf(GParamSpec* spec, double& minimum, double& maximum) {
    switch (G_TYPE_FUNDAMENTAL(spec->value_type)) {
    case G_TYPE_INT:
        minimum = G_PARAM_SPEC_INT(spec)->minimum, maximum = G_PARAM_SPEC_INT(spec)->maximum;
        break;
    case G_TYPE_UINT:
        minimum = G_PARAM_SPEC_UINT(spec)->minimum, maximum = G_PARAM_SPEC_UINT(spec)->maximum;
        break;
    case G_TYPE_LONG:
        minimum = G_PARAM_SPEC_LONG(spec)->minimum, maximum = G_PARAM_SPEC_LONG(spec)->maximum;
        break;
    case G_TYPE_ULONG:
        minimum = G_PARAM_SPEC_ULONG(spec)->minimum, maximum = G_PARAM_SPEC_ULONG(spec)->maximum;
        break;
    case G_TYPE_INT64:
        minimum = G_PARAM_SPEC_INT64(spec)->minimum, maximum = G_PARAM_SPEC_INT64(spec)->maximum;
        break;
    case G_TYPE_UINT64:
        minimum = G_PARAM_SPEC_UINT64(spec)->minimum, maximum = G_PARAM_SPEC_UINT64(spec)->maximum;
        break;
    case G_TYPE_FLOAT:
        minimum = G_PARAM_SPEC_FLOAT(spec)->minimum, maximum = G_PARAM_SPEC_FLOAT(spec)->maximum;
        break;
    case G_TYPE_DOUBLE:
        minimum = G_PARAM_SPEC_DOUBLE(spec)->minimum, maximum = G_PARAM_SPEC_DOUBLE(spec)->maximum;
        break;
    default:
        break;
    }
}

template <typename Number> std::string Shortest(Number number) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, number).ptr;
    return std::string(text, end);
}

std::string FlagsText(GFlagsClass* flagsClass, guint flags) {
    std::string text;
    guint left = flags;
    for (guint i = 0; i < flagsClass->n_values && left; ++i) {
        const GFlagsValue& value = flagsClass->values[i];
        if (value.value && (left & value.value) == value.value) {
            text += (text.empty() ? "" : "+") + std::string(value.value_nick);
            left &= ~value.value;
        }
    }
    if (left)
        text += (text.empty() ? "" : "+") + std::to_string(left);
    if (text.empty()) {
        const GFlagsValue* none = g_flags_get_first_value(flagsClass, 0);
        text = none && none->value == 0 ? none->value_nick : "0";
    }
    return text;
}

// The value in stored form.
std::string TextOf(const GValue& value) {
    switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(&value))) {
    case G_TYPE_INT:
        return std::to_string(g_value_get_int(&value));
    case G_TYPE_UINT:
        return std::to_string(g_value_get_uint(&value));
    case G_TYPE_LONG:
        return std::to_string(g_value_get_long(&value));
    case G_TYPE_ULONG:
        return std::to_string(g_value_get_ulong(&value));
    case G_TYPE_INT64:
        return std::to_string(g_value_get_int64(&value));
    case G_TYPE_UINT64:
        return std::to_string(g_value_get_uint64(&value));
    case G_TYPE_FLOAT:
        return Shortest(g_value_get_float(&value));
    case G_TYPE_DOUBLE:
        return Shortest(g_value_get_double(&value));
    case G_TYPE_BOOLEAN:
        return g_value_get_boolean(&value) ? "true" : "false";
    case G_TYPE_ENUM: {
        auto* enumClass = static_cast<GEnumClass*>(g_type_class_ref(G_VALUE_TYPE(&value)));
        const GEnumValue* found = g_enum_get_value(enumClass, g_value_get_enum(&value));
        std::string text = found ? found->value_nick : std::to_string(g_value_get_enum(&value));
        g_type_class_unref(enumClass);
        return text;
    }
    case G_TYPE_FLAGS: {
        auto* flagsClass = static_cast<GFlagsClass*>(g_type_class_ref(G_VALUE_TYPE(&value)));
        std::string text = FlagsText(flagsClass, g_value_get_flags(&value));
        g_type_class_unref(flagsClass);
        return text;
    }
    case G_TYPE_STRING: {
        const char* text = g_value_get_string(&value);
        return text ? text : "";
    }
    default:
        return {};
    }
}

// Flags as nicks or names joined by "+" (or "|"), or as a number.
bool ParseFlags(GFlagsClass* flagsClass, const std::string& text, guint& flags) {
    flags = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("+|", start);
        if (end == std::string::npos)
            end = text.size();
        const std::string token(Trim(std::string_view(text).substr(start, end - start)));
        if (token.empty())
            return false;
        const GFlagsValue* value = g_flags_get_value_by_nick(flagsClass, token.c_str());
        if (!value)
            value = g_flags_get_value_by_name(flagsClass, token.c_str());
        if (value) {
            flags |= value->value;
        } else {
            char* after = nullptr;
            const unsigned long number = std::strtoul(token.c_str(), &after, 0);
            if (*after || !std::isdigit(static_cast<unsigned char>(token[0])))
                return false;
            flags |= static_cast<guint>(number);
        }
        start = end + 1;
    }
    return true;
}

// `value` (initialised to the setting's type) from `text`; false when it is not a value of it.
bool ReadValue(GParamSpec* spec, const std::string& text, GValue& value) {
    switch (G_TYPE_FUNDAMENTAL(spec->value_type)) {
    case G_TYPE_STRING:
        g_value_set_string(&value, text.c_str());
        break;
    case G_TYPE_FLAGS: {
        guint flags = 0;
        if (!ParseFlags(G_PARAM_SPEC_FLAGS(spec)->flags_class, text, flags))
            return false;
        g_value_set_flags(&value, flags);
        break;
    }
    default:
        if (text.empty() || !gst_value_deserialize(&value, text.c_str()))
            return false;
    }
    if (G_VALUE_HOLDS_DOUBLE(&value) && !std::isfinite(g_value_get_double(&value)))
        return false;
    if (G_VALUE_HOLDS_FLOAT(&value) && !std::isfinite(g_value_get_float(&value)))
        return false;
    // Validation changes a value that is out of range or not one of the setting's.
    return !g_param_value_validate(spec, &value);
}

// `value` (initialised to the setting's type) from stored text; blanks around a number or a name
// do not count.
bool ValueFromText(GParamSpec* spec, std::string_view text, GValue& value) {
    const bool isText = G_TYPE_FUNDAMENTAL(spec->value_type) == G_TYPE_STRING;
    return ReadValue(spec, std::string(isText ? text : Trim(text)), value);
}

std::optional<std::string> ParseFor(GParamSpec* spec, std::string_view text) {
    GValue value = G_VALUE_INIT;
    g_value_init(&value, spec->value_type);
    std::optional<std::string> result;
    if (ValueFromText(spec, text, value))
        result = TextOf(value);
    g_value_unset(&value);
    return result;
}

GParamSpec* SettingOf(GObjectClass* objectClass, std::string_view name) {
    GParamSpec* spec = g_object_class_find_property(objectClass, std::string(name).c_str());
    return spec && IsSetting(spec) ? spec : nullptr;
}

std::vector<TEncoderChoice> ChoicesOf(GParamSpec* spec) {
    std::vector<TEncoderChoice> choices;
    if (G_IS_PARAM_SPEC_ENUM(spec)) {
        const GEnumClass* enumClass = G_PARAM_SPEC_ENUM(spec)->enum_class;
        for (guint i = 0; i < enumClass->n_values; ++i)
            choices.push_back({enumClass->values[i].value_nick, enumClass->values[i].value_name});
    } else if (G_IS_PARAM_SPEC_FLAGS(spec)) {
        const GFlagsClass* flagsClass = G_PARAM_SPEC_FLAGS(spec)->flags_class;
        for (guint i = 0; i < flagsClass->n_values; ++i) {
            if (flagsClass->values[i].value)
                choices.push_back({flagsClass->values[i].value_nick, flagsClass->values[i].value_name});
        }
    }
    return choices;
}

} // namespace

TEncoderProperties::TEncoderProperties(const std::string& element)
    : Element_(element), Description_(element) {
    EnsureGstInit();
    GstElement* instance = gst_element_factory_make(element.c_str(), nullptr);
    if (!instance)
        return;
    gst_object_ref_sink(instance);
    if (GstElementFactory* factory = gst_element_get_factory(instance)) {
        if (const char* longName = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME))
            Description_ = longName;
    }
    guint count = 0;
    GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(instance), &count);
    for (guint i = 0; i < count; ++i) {
        GParamSpec* spec = specs[i];
        if (!IsSetting(spec))
            continue;
        TEncoderProperty property;
        property.Name = g_param_spec_get_name(spec);
        property.Nick = g_param_spec_get_nick(spec) ? g_param_spec_get_nick(spec) : property.Name;
        property.Blurb = g_param_spec_get_blurb(spec) ? g_param_spec_get_blurb(spec) : "";
        property.Kind = *KindOf(spec);
        RangeOf(spec, property.Minimum, property.Maximum);
        property.Choices = ChoicesOf(spec);
        GValue value = G_VALUE_INIT;
        g_value_init(&value, spec->value_type);
        if (spec->flags & G_PARAM_READABLE)
            g_object_get_property(G_OBJECT(instance), property.Name.c_str(), &value);
        else
            g_param_value_set_default(spec, &value);
        property.Default = TextOf(value);
        g_value_unset(&value);
        Properties_.push_back(std::move(property));
    }
    g_free(specs);
    // The element's own settings first, then those every encoder of its kind has.
    const GType own = G_OBJECT_TYPE(instance);
    std::stable_partition(
        Properties_.begin(), Properties_.end(), [own, instance](const TEncoderProperty& property) {
            return g_object_class_find_property(G_OBJECT_GET_CLASS(instance), property.Name.c_str())
                       ->owner_type == own;
        });
    gst_object_unref(instance);
}

std::optional<std::string> TEncoderProperties::Parse(std::string_view name, std::string_view text) const {
    GstElementFactory* factory = gst_element_factory_find(Element_.c_str());
    if (!factory)
        return std::nullopt;
    // The element was made once by the constructor, so its type is loaded.
    std::optional<std::string> result;
    if (const GType type = gst_element_factory_get_element_type(factory); type != G_TYPE_INVALID) {
        auto* objectClass = static_cast<GObjectClass*>(g_type_class_ref(type));
        if (GParamSpec* spec = SettingOf(objectClass, name))
            result = ParseFor(spec, text);
        g_type_class_unref(objectClass);
    }
    gst_object_unref(factory);
    return result;
}

TEncoderValues TEncoderProperties::Valid(const TEncoderValues& values,
                                         std::vector<std::string>* dropped) const {
    TEncoderValues valid;
    for (const auto& [name, text] : values) {
        if (const auto value = Parse(name, text))
            valid[name] = *value;
        else if (dropped)
            dropped->push_back(name + "=" + text);
    }
    return valid;
}

void ApplyEncoderSettings(GstElement* element, const TEncoderValues& values) {
    for (const auto& [name, text] : values) {
        GParamSpec* spec = SettingOf(G_OBJECT_GET_CLASS(element), name);
        if (!spec)
            continue;
        GValue value = G_VALUE_INIT;
        g_value_init(&value, spec->value_type);
        if (ValueFromText(spec, text, value))
            g_object_set_property(G_OBJECT(element), name.c_str(), &value);
        g_value_unset(&value);
    }
}

TEncoderValues RememberedEncoderSettings(const std::string& settingsFile, const std::string& element,
                                         std::vector<std::string>* dropped) {
    const TEncoderValues stored = ReadEncoderSettings(settingsFile, element);
    if (stored.empty())
        return {};
    return TEncoderProperties(element).Valid(stored, dropped);
}
