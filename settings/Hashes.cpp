#include "settings/Hashes.h"

#include <utility>

EHashInvalidKeyError::EHashInvalidKeyError() : EHashError("Key cannot be an empty string") {}

EHashInvalidKeyError::EHashInvalidKeyError(const std::string& where)
    : EHashError(where + ": Key cannot be an empty string") {}

EHashFindError::EHashFindError(std::string_view key)
    : EHashError("Key \"" + std::string(key) + "\" not found") {}

std::uint32_t THash::HashOf(std::string_view key) {
    if (key.empty())
        throw EHashInvalidKeyError();
    std::uint32_t h = 0x12345670u;
    for (const char c : key) {
        // Bytes count as 0 to 255, whatever the signedness of char.
        h = (h << 4) + static_cast<unsigned char>(c);
        if (const std::uint32_t g = h & 0xF0000000u; g != 0)
            h |= g >> 24;
    }
    return h;
}

bool THash::Exists(std::string_view key) const {
    return FindIndex(key) >= 0;
}

std::int32_t THash::FindIndex(std::string_view key) const {
    if (key.empty())
        throw EHashInvalidKeyError();
    const auto found = Index_.find(key);
    return found == Index_.end() ? -1 : found->second;
}

void THash::AddKey(std::string_view key, std::int32_t valueIndex) {
    if (key.empty())
        throw EHashInvalidKeyError();
    Index_.emplace(std::string(key), valueIndex);
}

void THash::ClearKeys() {
    Index_.clear();
}

const std::string& TStringsHash::Get(std::string_view key) const {
    const std::int32_t index = FindIndex(key);
    if (index < 0)
        throw EHashFindError(key);
    return Values_[static_cast<std::size_t>(index)];
}

void TStringsHash::Put(std::string_view key, std::string text) {
    if (const std::int32_t index = FindIndex(key); index >= 0) {
        Values_[static_cast<std::size_t>(index)] = std::move(text);
        return;
    }
    // Keys are never removed one by one, so every new value goes after the last.
    Values_.push_back(std::move(text));
    AddKey(key, static_cast<std::int32_t>(Values_.size() - 1));
}

void TStringsHash::Clear() {
    Values_.clear();
    ClearKeys();
}
