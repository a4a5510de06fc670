#pragma once

// The record encoding: positional, little-endian, u64 lengths and counts,
// u32 variant indices, one-byte option tags. One set of overloads per value
// kind gives its exact size, writes it and reads it; records declare their
// fields once through visit_fields and reuse these for every field:
//
//   template <class V> void visit_fields(V& v, SyncMeta& r) {
//     v("vault_uuid", r.vault_uuid); v("lamport", r.lamport); ...
//   }
//
// A field may carry a third argument, the value the JSON form reads when its
// member is missing; the binary codec ignores it.

#include <array>
#include <bit>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <variant>
#include <vector>

#include "models/date_time.hpp"
#include "models/uuid.hpp"
#include "record_encoding/byte_reader.hpp"
#include "record_encoding/utf8.hpp"

namespace vantoro::encoding {

static_assert(std::endian::native == std::endian::little, "the encoding copies integers as they sit in memory");

using Bytes = std::vector<std::uint8_t>;

// Reservation cap for decoded lists: never more than 1 MiB of elements ahead
// of the bytes that really hold them.
inline constexpr std::size_t max_reserve_bytes = 1u << 20;

// ---- what a type is -------------------------------------------------------

struct FieldCounter;  // forward, for the record concept

template <class T>
concept Record = requires(T& record, FieldCounter& v) { visit_fields(v, record); };

// A stored enum without data declares its variant names (the JSON form and
// the count of variants) with an ADL function: enum_names(EntryType{}).
template <class T>
concept NamedEnum = std::is_enum_v<T> && requires(T value) { enum_names(value); };

template <class T>
concept Arithmetic = (std::is_integral_v<T> || std::is_floating_point_v<T>) && !std::same_as<T, bool>;

template <class T> struct IsVariant : std::false_type {};
template <class... A> struct IsVariant<std::variant<A...>> : std::true_type {};
template <class T> struct IsOptional : std::false_type {};
template <class T> struct IsOptional<std::optional<T>> : std::true_type {};
template <class T> struct IsVector : std::false_type {};
template <class T> struct IsVector<std::vector<T>> : std::true_type {};
// Ordered maps write their entries in key order, hash maps in their own
// iteration order; readers take any order and the later of two equal keys.
template <class T> struct IsMap : std::false_type {};
template <class K, class V, class... R> struct IsMap<std::map<K, V, R...>> : std::true_type {};
template <class K, class V, class... R> struct IsMap<std::unordered_map<K, V, R...>> : std::true_type {};
template <class T> struct IsSet : std::false_type {};
template <class K, class... R> struct IsSet<std::set<K, R...>> : std::true_type {};
template <class K, class... R> struct IsSet<std::unordered_set<K, R...>> : std::true_type {};
// Fixed-size arrays (hashes, checksums, histograms) carry no length.
template <class T> struct IsArray : std::false_type {};
template <class E, std::size_t N> struct IsArray<std::array<E, N>> : std::true_type {};

// ---- size -----------------------------------------------------------------

template <class T> std::size_t size_of(const T& value);

struct FieldCounter {
  std::size_t total = 0;
  template <class F, class... D> void operator()(std::string_view, const F& field, const D&...) { total += size_of(field); }
};

template <class T>
std::size_t size_of(const T& value) {
  if constexpr (std::same_as<T, bool> || Arithmetic<T>) {
    return sizeof(T);
  } else if constexpr (std::same_as<T, std::string>) {
    return 8 + value.size();
  } else if constexpr (std::same_as<T, Uuid>) {
    return 24;
  } else if constexpr (std::same_as<T, DateTime>) {
    return 8 + value.to_rfc3339().size();
  } else if constexpr (IsArray<T>::value || IsVector<T>::value || IsSet<T>::value) {
    std::size_t total = IsArray<T>::value ? 0 : 8;
    if constexpr (std::same_as<typename T::value_type, std::uint8_t>) return total + value.size();
    for (const auto& element : value) total += size_of(element);
    return total;
  } else if constexpr (NamedEnum<T>) {
    return 4;
  } else if constexpr (IsOptional<T>::value) {
    return 1 + (value ? size_of(*value) : 0);
  } else if constexpr (IsMap<T>::value) {
    std::size_t total = 8;
    for (const auto& [key, mapped] : value) total += size_of(key) + size_of(mapped);
    return total;
  } else if constexpr (IsVariant<T>::value) {
    return 4 + std::visit([](const auto& alternative) { return size_of(alternative); }, value);
  } else {
    static_assert(Record<T>, "no encoding for this type");
    FieldCounter counter;
    visit_fields(counter, const_cast<T&>(value));  // the counter only reads
    return counter.total;
  }
}

// ---- writing --------------------------------------------------------------

class ByteWriter;
template <class T> void write(ByteWriter& out, const T& value);

// Appends into a buffer whose capacity was reserved from size_of.
class ByteWriter {
 public:
  explicit ByteWriter(Bytes& out) : out_(out) {}
  void put(const void* data, std::size_t n) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out_.insert(out_.end(), bytes, bytes + n);
  }
  void put_u64(std::uint64_t n) { put(&n, sizeof n); }
  template <class F, class... D> void operator()(std::string_view, const F& field, const D&...) { write(*this, field); }

 private:
  Bytes& out_;
};

template <class T>
void write(ByteWriter& out, const T& value) {
  if constexpr (std::same_as<T, bool>) {
    std::uint8_t byte = value ? 1 : 0;
    out.put(&byte, 1);
  } else if constexpr (Arithmetic<T>) {
    out.put(&value, sizeof value);
  } else if constexpr (std::same_as<T, std::string>) {
    out.put_u64(value.size());
    out.put(value.data(), value.size());
  } else if constexpr (std::same_as<T, Uuid>) {
    out.put_u64(16);
    out.put(value.bytes.data(), 16);
  } else if constexpr (std::same_as<T, DateTime>) {
    write(out, value.to_rfc3339());
  } else if constexpr (IsArray<T>::value || IsVector<T>::value || IsSet<T>::value) {
    if constexpr (!IsArray<T>::value) out.put_u64(value.size());
    if constexpr (!IsSet<T>::value && std::same_as<typename T::value_type, std::uint8_t>) {
      out.put(value.data(), value.size());
    } else {
      for (const auto& element : value) write(out, element);
    }
  } else if constexpr (NamedEnum<T>) {
    write(out, static_cast<std::uint32_t>(value));
  } else if constexpr (IsOptional<T>::value) {
    write(out, value.has_value());
    if (value) write(out, *value);
  } else if constexpr (IsMap<T>::value) {
    out.put_u64(value.size());
    for (const auto& [key, mapped] : value) {
      write(out, key);
      write(out, mapped);
    }
  } else if constexpr (IsVariant<T>::value) {
    write(out, static_cast<std::uint32_t>(value.index()));
    std::visit([&](const auto& alternative) { write(out, alternative); }, value);
  } else {
    visit_fields(out, const_cast<T&>(value));  // the writer only reads
  }
}

// ---- reading --------------------------------------------------------------

template <class T> void read(ByteReader& in, T& value);

struct FieldReader {
  ByteReader& in;
  template <class F, class... D> void operator()(std::string_view, F& field, const D&...) { read(in, field); }
};

void read_variant_index(ByteReader& in, std::uint32_t count, std::uint32_t& index);
std::string read_text(ByteReader& in);

// Room for `count` elements, but never more than max_reserve_bytes of them
// before they have been read.
template <class E>
std::size_t reservation(std::uint64_t count) {
  return static_cast<std::size_t>(std::min<std::uint64_t>(count, max_reserve_bytes / sizeof(E)));
}

template <class V, std::size_t... I>
void read_alternative(ByteReader& in, V& value, std::size_t index, std::index_sequence<I...>) {
  ((index == I ? (read(in, value.template emplace<I>()), 0) : 0), ...);
}

template <class T>
void read(ByteReader& in, T& value) {
  if (!in.ok()) return;
  if constexpr (std::same_as<T, bool>) {
    auto bytes = in.take_fixed(1);
    if (bytes.empty()) return;
    if (bytes[0] > 1) return in.fail("invalid u8 while decoding bool, expected 0 or 1, found " + std::to_string(bytes[0]));
    value = bytes[0] == 1;
  } else if constexpr (Arithmetic<T>) {
    auto bytes = in.take_fixed(sizeof(T));
    if (!bytes.empty()) std::memcpy(&value, bytes.data(), sizeof(T));
  } else if constexpr (std::same_as<T, std::string>) {
    value = read_text(in);
  } else if constexpr (std::same_as<T, Uuid>) {
    std::uint64_t length = 0;
    read(in, length);
    auto bytes = in.take_sized(length);
    if (!in.ok()) return;
    if (length != 16) return in.fail("UUID parsing failed: invalid length: expected 16 bytes, found " + std::to_string(length));
    std::memcpy(value.bytes.data(), bytes.data(), 16);
  } else if constexpr (std::same_as<T, DateTime>) {
    std::string text = read_text(in);
    if (!in.ok()) return;
    auto parsed = DateTime::parse_rfc3339(text);
    if (!parsed) return in.fail(parsed.error());
    value = *parsed;
  } else if constexpr (IsArray<T>::value) {
    if constexpr (std::same_as<typename T::value_type, std::uint8_t>) {
      auto bytes = in.take_fixed(value.size());
      if (!bytes.empty()) std::memcpy(value.data(), bytes.data(), value.size());
    } else {
      for (auto& element : value) read(in, element);
    }
  } else if constexpr (NamedEnum<T>) {
    std::uint32_t index = 0;
    read_variant_index(in, static_cast<std::uint32_t>(enum_names(T{}).size()), index);
    value = static_cast<T>(index);
  } else if constexpr (IsOptional<T>::value) {
    auto tag = in.take_fixed(1);
    if (tag.empty()) return;
    if (tag[0] > 1) return in.fail("tag for enum is not valid, found " + std::to_string(tag[0]));
    if (tag[0] == 0) {
      value.reset();
    } else {
      read(in, value.emplace());
    }
  } else if constexpr (IsVector<T>::value || IsSet<T>::value) {
    using E = typename T::value_type;
    std::uint64_t count = 0;
    read(in, count);
    if (!in.ok()) return;
    value.clear();
    if constexpr (IsVector<T>::value && std::same_as<E, std::uint8_t>) {
      auto bytes = in.take_sized(count);
      value.assign(bytes.begin(), bytes.end());
    } else {
      if constexpr (requires { value.reserve(0); }) value.reserve(reservation<E>(count));
      for (std::uint64_t i = 0; i < count && in.ok(); ++i) {
        E element{};
        read(in, element);
        if (in.ok()) value.insert(value.end(), std::move(element));
      }
    }
  } else if constexpr (IsMap<T>::value) {
    std::uint64_t count = 0;
    read(in, count);
    value.clear();
    for (std::uint64_t i = 0; i < count && in.ok(); ++i) {
      typename T::key_type key{};
      typename T::mapped_type mapped{};
      read(in, key);
      read(in, mapped);
      if (in.ok()) value.insert_or_assign(std::move(key), std::move(mapped));  // a repeated key: the later wins
    }
  } else if constexpr (IsVariant<T>::value) {
    std::uint32_t index = 0;
    read_variant_index(in, static_cast<std::uint32_t>(std::variant_size_v<T>), index);
    if (in.ok()) read_alternative(in, value, index, std::make_index_sequence<std::variant_size_v<T>>{});
  } else {
    FieldReader reader{in};
    visit_fields(reader, value);
  }
}

// ---- whole records --------------------------------------------------------

template <class T>
[[nodiscard]] std::size_t encoded_size(const T& record) {
  return size_of(record);
}

// Allocates once, at the exact size.
template <class T>
[[nodiscard]] Bytes encode_record(const T& record) {
  Bytes out;
  out.reserve(size_of(record));
  ByteWriter writer(out);
  write(writer, record);
  return out;
}

// Reads one record from the start of `bytes`; bytes left over are ignored.
template <class T>
[[nodiscard]] Decoded<T> decode_record(std::span<const std::uint8_t> bytes) {
  ByteReader in(bytes);
  T record{};
  read(in, record);
  if (!in.ok()) return std::unexpected(in.error());
  return record;
}

}  // namespace vantoro::encoding
