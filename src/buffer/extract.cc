#include "buffer/extract.h"

#include "buffer/buffer.h"
#include "text/whitespace.h"

namespace clippers {
namespace {

// Walks the lines of a text in place.  All three operations share it so that
// they agree on the line rule, and so that scanning a large text costs no
// allocation per line.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}

  // Sets `line` to the next line and `start` to its offset in the text;
  // false when there are no more lines.
  bool next(std::string_view& line, std::size_t& start) {
    if (pos_ >= text_.size()) return false;  // also drops an empty final piece
    start = pos_;
    const std::size_t lf = text_.find('\n', pos_);
    if (lf == std::string_view::npos) {
      // A CR at the very end is not part of a line break and stays.
      line = text_.substr(pos_);
      pos_ = text_.size();
      return true;
    }
    line = text_.substr(pos_, lf - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = lf + 1;
    return true;
  }

  bool next(std::string_view& line) {
    std::size_t ignored = 0;
    return next(line, ignored);
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  LineCursor cursor(text);
  std::string_view line;
  while (cursor.next(line)) lines.push_back(line);
  return lines;
}

bool is_clippers_line(std::string_view line) {
  // The cut line ends in "-", which is not white space, so trimming the whole
  // line stops exactly where the cut line ends: comparing the head and
  // requiring a blank tail is the same test, without scanning lines that
  // cannot match.
  if (line.substr(0, CLIPPERS_LINE.size()) != CLIPPERS_LINE) return false;
  return is_blank(line.substr(CLIPPERS_LINE.size()));
}

std::optional<std::string_view> extract_content(std::string_view edited, std::string& joined) {
  // The last clippers line cuts, so remember where each one starts and keep
  // the text in front of the last.  Without one, everything is kept.
  std::size_t cut = edited.size();
  {
    LineCursor cursor(edited);
    std::string_view line;
    std::size_t start = 0;
    while (cursor.next(line, start)) {
      if (is_clippers_line(line)) cut = start;
    }
  }
  // `kept` ends with the LF of the line before the cut (or is empty), so its
  // lines are exactly the kept lines.
  const std::string_view kept = edited.substr(0, cut);

  // Joining only drops CRs and LFs, both white space, so a blank `kept` is
  // exactly a blank result: decide before anything else.
  if (is_blank(kept)) return std::nullopt;

  // Without a CR LF line end, joining the lines with LF gives `kept` itself
  // (less its last LF, which trimming drops anyway): no copy is needed.
  if (kept.find("\r\n") == std::string_view::npos) return trim_end(kept);

  joined.clear();
  joined.reserve(kept.size());  // joining never makes the text longer
  LineCursor cursor(kept);
  std::string_view line;
  bool first = true;
  while (cursor.next(line)) {
    if (!first) joined.push_back('\n');
    joined.append(line);
    first = false;
  }
  joined.resize(trim_end(joined).size());
  return std::string_view(joined);
}

std::optional<std::string> extract_content(std::string_view edited) {
  std::string joined;
  const auto content = extract_content(edited, joined);
  if (!content) return std::nullopt;
  return std::string(*content);
}

bool approves_as_is(std::string_view content, std::span<const std::string_view> draft) {
  // The draft's bytes with each CR that stands before an LF left out, which
  // is what joining its lines with LF gives (a draft's own cut lines do not
  // cut: the buffer's own line, below them, is the last): they must begin
  // with `content`, and nothing but white space may follow.
  std::size_t matched = 0;
  for (std::size_t i = 0; i < draft.size(); ++i) {
    const std::string_view piece = draft[i];
    for (std::size_t k = 0; k < piece.size(); ++k) {
      if (matched == content.size()) {
        std::vector<std::string_view> rest = {piece.substr(k)};
        rest.insert(rest.end(), draft.begin() + static_cast<std::ptrdiff_t>(i) + 1, draft.end());
        return is_blank(rest);
      }
      const char c = piece[k];
      if (c == '\r') {
        const bool before_lf =
            k + 1 < piece.size() ? piece[k + 1] == '\n' : i + 1 < draft.size() && draft[i + 1].starts_with('\n');
        if (before_lf) continue;
      }
      if (content[matched] != c) return false;
      ++matched;
    }
  }
  return matched == content.size();
}

std::optional<std::uint64_t> find_clippers_line(std::string_view text) {
  LineCursor cursor(text);
  std::string_view line;
  std::uint64_t number = 0;
  while (cursor.next(line)) {
    ++number;
    if (is_clippers_line(line)) return number;
  }
  return std::nullopt;
}

}  // namespace clippers
