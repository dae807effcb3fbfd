#include "run/json.h"

#include <array>

#include "io/fd.h"

namespace clippers {
namespace {

// Written when this much has gathered: large enough that a long text costs few
// writes, small enough that it is never held twice.
constexpr std::size_t kFlushAt = std::size_t{64} << 10;

constexpr char kHex[] = "0123456789abcdef";

// Bytes that cannot go into a JSON string as they are, or that may start a
// C1 control character (0xC2 0x80 to 0xC2 0x9F).
constexpr std::array<bool, 256> kSpecial = [] {
  std::array<bool, 256> special{};
  for (unsigned b = 0; b < 0x20; ++b) special[b] = true;
  special['"'] = special['\\'] = special[0x7F] = special[0xC2] = true;
  return special;
}();

void append_code(std::string& out, unsigned code) {
  switch (code) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\t': out += "\\t"; return;
    case '\r': out += "\\r"; return;
    default: break;
  }
  out += "\\u00";
  out += kHex[(code >> 4) & 0xF];
  out += kHex[code & 0xF];
}

}  // namespace

void append_json_escaped(std::string& out, std::string_view text) {
  JsonLine line(-1);
  line.escaped(text);
  if (line.pending_c2_) line.buffer_ += '\xC2';  // cannot happen in valid UTF-8
  out += line.buffer_;
}

JsonLine::JsonLine(int fd) : fd_(fd) {
  if (fd_ < 0) return;  // gathering an escaped text only
  buffer_.reserve(kFlushAt + 64);
  buffer_ += '{';
}

void JsonLine::raw(std::string_view bytes) {
  buffer_ += bytes;
  if (fd_ >= 0 && buffer_.size() >= kFlushAt) flush();
}

void JsonLine::flush() {
  if (!error_) {
    if (auto written = write_all(fd_, buffer_); !written) error_ = std::move(written).error();
  }
  buffer_.clear();
}

void JsonLine::escaped(std::string_view bytes) {
  std::size_t i = 0;
  if (pending_c2_ && !bytes.empty()) {
    pending_c2_ = false;
    const auto next = static_cast<unsigned char>(bytes[0]);
    if (next >= 0x80 && next <= 0x9F) {
      append_code(buffer_, next);
      i = 1;
    } else {
      buffer_ += '\xC2';
    }
  }
  std::size_t run = i;  // the start of bytes that go as they are
  for (; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (!kSpecial[b]) continue;
    if (b == 0xC2) {
      if (i + 1 == bytes.size()) {
        raw(bytes.substr(run, i - run));
        pending_c2_ = true;
        return;
      }
      const auto next = static_cast<unsigned char>(bytes[i + 1]);
      if (next > 0x9F) continue;
      raw(bytes.substr(run, i - run));
      append_code(buffer_, next);
      run = ++i + 1;
      continue;
    }
    raw(bytes.substr(run, i - run));
    append_code(buffer_, b);
    run = i + 1;
  }
  raw(bytes.substr(run));
}

void JsonLine::name(std::string_view name) {
  if (!first_) buffer_ += ',';
  first_ = false;
  buffer_ += '"';
  buffer_ += name;
  buffer_ += "\":";
}

void JsonLine::text(std::string_view name_of, Pieces value) {
  name(name_of);
  buffer_ += '"';
  for (std::string_view piece : value) escaped(piece);
  if (pending_c2_) buffer_ += '\xC2';  // cannot happen in valid UTF-8
  pending_c2_ = false;
  buffer_ += '"';
}

void JsonLine::text(std::string_view name_of, std::string_view value) { text(name_of, Pieces(&value, 1)); }

void JsonLine::text(std::string_view name_of, const std::optional<std::string>& value) {
  if (value) {
    text(name_of, std::string_view(*value));
  } else {
    null(name_of);
  }
}

void JsonLine::number(std::string_view name_of, std::int64_t value) {
  name(name_of);
  buffer_ += std::to_string(value);
}

void JsonLine::number(std::string_view name_of, std::optional<std::uint64_t> value) {
  name(name_of);
  buffer_ += value ? std::to_string(*value) : "null";
}

void JsonLine::boolean(std::string_view name_of, std::optional<bool> value) {
  name(name_of);
  buffer_ += !value ? "null" : *value ? "true" : "false";
}

void JsonLine::null(std::string_view name_of) {
  name(name_of);
  buffer_ += "null";
}

Result<void, IoError> JsonLine::finish() {
  buffer_ += "}\n";
  flush();
  if (error_) return fail(std::move(*error_));
  return {};
}

}  // namespace clippers
