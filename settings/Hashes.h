#pragma once

#include "base/Error.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The string table of the interface texts: keys (case-sensitive byte strings) to texts, kept in a
// fixed number of buckets.

// Base of the string table's errors.
class EHashError : public ECwError {
public:
    using ECwError::ECwError;
};

// "Key cannot be an empty string": an operation got an empty key.
class EHashInvalidKeyError : public EHashError {
public:
    EHashInvalidKeyError();
    // "<where>: Key cannot be an empty string", for a key read from a file.
    explicit EHashInvalidKeyError(const std::string& where);
};

// "Key "<key>" not found": a text was asked for a key that is not in the table.
class EHashFindError : public EHashError {
public:
    explicit EHashFindError(std::string_view key);
};

// The keys of a table and where each key's value is kept. HashOf and BucketOf give the table's
// 128-bucket hash of a key.
class THash {
public:
    static constexpr std::int32_t kBucketBits = 7;
    static constexpr std::int32_t kBucketCount = 1 << kBucketBits;
    static constexpr std::int32_t kMask = kBucketCount - 1;

    // The hash value of a key's bytes. Throws EHashInvalidKeyError for an empty key.
    static std::uint32_t HashOf(std::string_view key);
    // The bucket (0 to 127) that holds a key.
    static std::int32_t BucketOf(std::string_view key) {
        return static_cast<std::int32_t>(HashOf(key) & kMask);
    }

    // Whether the table holds the key (compared byte for byte). Throws EHashInvalidKeyError for an
    // empty key.
    bool Exists(std::string_view key) const;
    // Number of keys held.
    std::size_t Count() const { return Index_.size(); }

protected:
    // The value index of the key; -1 when the key is not held.
    std::int32_t FindIndex(std::string_view key) const;
    // Records a key that is not held yet, with the value index its value is kept at.
    void AddKey(std::string_view key, std::int32_t valueIndex);
    void ClearKeys();

private:
    // Keys to their value index. The table's own hash function decides nothing about where a key
    // is kept: it puts the keys of a large file in a few buckets, and loading would grow with the
    // square of the keys.
    struct TKeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    std::unordered_map<std::string, std::int32_t, TKeyHash, std::equal_to<>> Index_;
};

// Keys to texts.
class TStringsHash : public THash {
public:
    // The key's text. Throws EHashInvalidKeyError for an empty key, EHashFindError when the key is
    // not held.
    const std::string& Get(std::string_view key) const;
    // Sets the key's text, adding the key when it is not held. Throws EHashInvalidKeyError for an
    // empty key.
    void Put(std::string_view key, std::string text);
    // Removes every key and text.
    void Clear();

private:
    std::vector<std::string> Values_; // addressed by an entry's value index
};
