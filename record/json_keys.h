// How the records turn into JSON and back: each record type lists its keys once, as data (a
// key's name on disk, the field that holds it, and its rules), and one writer and one reader
// walk that list, so that a key cannot be written and never read, or read under another name.
//
// The tables are record_keys.h's keys_of(Of<T>): a tuple of key(), group() and within()
// entries per type, in the order of the keys on disk. Where a reader must check more than the
// keys, the record's own file defines check_read(Of<T>, const T&, path) in this namespace,
// static, since an unnamed namespace would hide it from the argument-dependent lookup through
// Of<T> that finds it.
#pragma once

#include "machine/warnings.h" // Warning

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace json_keys {

using Json = nlohmann::ordered_json;

// A record that cannot be read; what() names the key at fault by its path in the record.
struct Damaged : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What a key asks of the writer and the reader beyond its value.
enum KeyRule : unsigned {
    plain = 0,
    needed = 1u << 0,     // a reader refuses a record without it
    null_unset = 1u << 1, // empty text, or a count of 0 or less, is written as null: unknown, or none
    // Left out when unset, so that a record from before the key was kept is written back as it was.
    left_out_unset = 1u << 2,
    // Written only for a scan that ran the capacity probe: a record from before the probe keeps its shape.
    probe_only = 1u << 3,
};

// One key: its name on disk, the field that holds it, its rules, and the name it had in an
// older record, still read.
template <class Owner, class Field>
struct Key {
    const char* name;
    Field Owner::*field;
    unsigned rules;
    const char* older;
};

template <class Owner, class Field>
Key<Owner, Field> key(const char* name, Field Owner::*field, unsigned rules = plain, const char* older = nullptr)
{
    return {name, field, rules, older};
}

// Keys of one record written together, as an object of their own under name.
template <class... Keys>
struct Group {
    const char* name;
    std::tuple<Keys...> keys;
};

template <class... Keys>
Group<Keys...> group(const char* name, Keys... keys)
{
    return {name, std::make_tuple(keys...)};
}

// The keys of a record's member written among the record's own, each under its own name.
template <class Owner, class Member, class... Keys>
struct Within {
    Member Owner::*member;
    std::tuple<Keys...> keys;
};

template <class Owner, class Member, class... Keys>
Within<Owner, Member, Keys...> within(Member Owner::*member, Keys... keys)
{
    return {member, std::make_tuple(keys...)};
}

// Names a record type, for the lookup of its keys_of and check_read.
template <class T>
struct Of {
};

// What a reader checks of a record beyond its keys: nothing, unless its type says otherwise.
template <class T>
void check_read(Of<T>, const T& /*read*/, const std::string& /*path*/)
{
}

template <class T, class = void>
struct HasEmpty : std::false_type {
};

template <class T>
struct HasEmpty<T, std::void_t<decltype(std::declval<const T&>().empty())>> : std::true_type {
};

// Unset: empty text or list, a count of 0 or less, no value; a whole record is never unset.
template <class T>
bool is_unset(const T& value)
{
    if constexpr (std::is_same_v<T, bool>)
        return !value;
    else if constexpr (std::is_arithmetic_v<T>)
        return value <= 0;
    else if constexpr (HasEmpty<T>::value)
        return value.empty();
    else
        return false;
}

template <class T>
bool is_unset(const std::optional<T>& value)
{
    return !value;
}

// --- writing; probed: whether the scan ran the capacity probe, for the keys only such a scan writes ---

inline Json written(const std::vector<std::pair<std::string, std::string>>& named, bool /*probed*/)
{
    Json object = Json::object();
    for (const auto& [name, value] : named)
        object[name] = value;
    return object;
}

template <class T>
Json written(const std::vector<T>& items, bool probed);
template <class T>
Json written(const std::optional<T>& value, bool probed);
template <class T>
Json written(const T& value, bool probed);

template <class Record, class Keys>
void write_keys(Json& json, const Record& record, const Keys& keys, bool probed);

template <class Record, class Owner, class Field>
void write_key(Json& json, const Record& record, const Key<Owner, Field>& key, bool probed)
{
    const Field& value = record.*key.field;
    if ((key.rules & probe_only) && !probed)
        return;
    if ((key.rules & left_out_unset) && is_unset(value))
        return;
    json[key.name] = (key.rules & null_unset) && is_unset(value) ? Json(nullptr) : written(value, probed);
}

template <class Record, class... Keys>
void write_key(Json& json, const Record& record, const Group<Keys...>& group, bool probed)
{
    Json inner = Json::object();
    write_keys(inner, record, group.keys, probed);
    json[group.name] = std::move(inner);
}

template <class Record, class Owner, class Member, class... Keys>
void write_key(Json& json, const Record& record, const Within<Owner, Member, Keys...>& within, bool probed)
{
    write_keys(json, record.*within.member, within.keys, probed);
}

template <class Record, class Keys>
void write_keys(Json& json, const Record& record, const Keys& keys, bool probed)
{
    std::apply([&](const auto&... each) { (write_key(json, record, each, probed), ...); }, keys);
}

template <class T>
Json written(const std::vector<T>& items, bool probed)
{
    Json list = Json::array();
    for (const T& item : items)
        list.push_back(written(item, probed));
    return list;
}

template <class T>
Json written(const std::optional<T>& value, bool probed)
{
    return written(*value, probed);
}

// JSON has no NaN or infinity: such a figure is written as null.
template <class T>
Json written(const T& value, bool probed)
{
    if constexpr (std::is_floating_point_v<T>) {
        return std::isfinite(value) ? Json(value) : Json(nullptr);
    } else if constexpr (std::is_arithmetic_v<T> || std::is_same_v<T, std::string>) {
        return Json(value);
    } else {
        Json json = Json::object();
        write_keys(json, value, keys_of(Of<T>()), probed);
        return json;
    }
}

// --- reading: one conversion per kind of value, each naming the value's path when it refuses ---

inline std::string at(const std::string& path, const std::string& key)
{
    return path.empty() ? key : path + "." + key;
}

inline std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

inline void require_object(const Json& value, const std::string& path)
{
    if (!value.is_object())
        throw Damaged(quoted(path) + " is not an object");
}

// Never wrapped: a whole number too large for its field is refused, not read as another one.
template <class Integer>
void convert_whole(const Json& value, const std::string& path, Integer& out)
{
    if (!value.is_number_integer())
        throw Damaged(quoted(path) + " is not a whole number");
    const bool fits = value.is_number_unsigned() ? value.get<std::uint64_t>() <=
                                                       static_cast<std::uint64_t>(std::numeric_limits<Integer>::max())
                                                 : value.get<long long>() >= std::numeric_limits<Integer>::min() &&
                                                       value.get<long long>() <= std::numeric_limits<Integer>::max();
    if (!fits)
        throw Damaged(quoted(path) + " " + value.dump() + " is out of range");
    out = static_cast<Integer>(value.get<long long>());
}

inline void convert(const Json& value, const std::string& path, int& out)
{
    convert_whole(value, path, out);
}

inline void convert(const Json& value, const std::string& path, long& out)
{
    convert_whole(value, path, out);
}

inline void convert(const Json& value, const std::string& path, long long& out)
{
    convert_whole(value, path, out);
}

inline void convert(const Json& value, const std::string& path, std::uint64_t& out)
{
    if (!value.is_number_integer() || (!value.is_number_unsigned() && value.get<long long>() < 0))
        throw Damaged(quoted(path) + " is not a whole number of 0 or more");
    out = value.get<std::uint64_t>();
}

// null reads as NaN, the figure a record does not hold.
inline void convert(const Json& value, const std::string& path, double& out)
{
    if (value.is_null()) {
        out = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    if (!value.is_number())
        throw Damaged(quoted(path) + " is not a number");
    out = value.get<double>();
}

inline void convert(const Json& value, const std::string& path, std::string& out)
{
    if (!value.is_string())
        throw Damaged(quoted(path) + " is not text");
    out = value.get<std::string>();
}

inline void convert(const Json& value, const std::string& path, bool& out)
{
    if (!value.is_boolean())
        throw Damaged(quoted(path) + " is not true or false");
    out = value.get<bool>();
}

inline void convert(const Json& value, const std::string& path, std::vector<std::pair<std::string, std::string>>& out)
{
    require_object(value, path);
    out.clear();
    for (const auto& [name, text] : value.items()) {
        std::string read;
        convert(text, path, read); // the name is the record's own text: never echoed into a message
        out.emplace_back(name, read);
    }
}

template <class T>
void convert(const Json& value, const std::string& path, std::vector<T>& out);
template <class T>
void convert(const Json& value, const std::string& path, std::optional<T>& out);
template <class T>
void convert(const Json& value, const std::string& path, T& out);

template <class Record, class Keys>
void read_keys(const Json& json, const std::string& path, Record& record, const Keys& keys);

// The value under name in json, at path, into out. Missing or null leaves out as it is, unless
// rules say the key is needed; a needed figure may still be null, which reads as NaN.
template <class T>
void read_value(const Json& json, const std::string& path, const std::string& name, T& out, unsigned rules = plain)
{
    const auto found = json.find(name);
    if (found == json.end() && (rules & needed))
        throw Damaged(quoted(at(path, name)) + " is missing");
    if (found != json.end() && (!found->is_null() || (rules & needed)))
        convert(*found, at(path, name), out);
}

template <class Record, class Owner, class Field>
void read_key(const Json& json, const std::string& path, Record& record, const Key<Owner, Field>& key)
{
    const char* name = key.older && !json.contains(key.name) && json.contains(key.older) ? key.older : key.name;
    read_value(json, path, name, record.*key.field, key.rules);
}

template <class Record, class... Keys>
void read_key(const Json& json, const std::string& path, Record& record, const Group<Keys...>& group)
{
    const auto found = json.find(group.name);
    if (found == json.end() || found->is_null())
        return;
    require_object(*found, at(path, group.name));
    read_keys(*found, at(path, group.name), record, group.keys);
}

template <class Record, class Owner, class Member, class... Keys>
void read_key(const Json& json, const std::string& path, Record& record, const Within<Owner, Member, Keys...>& within)
{
    read_keys(json, path, record.*within.member, within.keys);
}

template <class Record, class Keys>
void read_keys(const Json& json, const std::string& path, Record& record, const Keys& keys)
{
    std::apply([&](const auto&... each) { (read_key(json, path, record, each), ...); }, keys);
}

template <class T>
void convert(const Json& value, const std::string& path, std::vector<T>& out)
{
    if (!value.is_array())
        throw Damaged(quoted(path) + " is not a list");
    out.assign(value.size(), T());
    for (std::size_t i = 0; i < value.size(); ++i)
        convert(value[i], path + "[" + std::to_string(i) + "]", out[i]);
}

template <class T>
void convert(const Json& value, const std::string& path, std::optional<T>& out)
{
    out.emplace();
    convert(value, path, *out);
}

template <class T>
void convert(const Json& value, const std::string& path, T& out)
{
    require_object(value, path);
    read_keys(value, path, out, keys_of(Of<T>()));
    check_read(Of<T>(), out, path);
}

} // namespace json_keys
