#include "ResponseFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "numbers.h"

namespace data {

namespace {

constexpr double kReadMinimaStart = 999999.0;
constexpr double kReadMaximaStart = -999999.0;

// Size of the blocks in which a stream is read; a line cut by a block's end is carried over.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;

enum class LineResult { kPoint, kSkip, kError };

bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= 32; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Where a token stands in the grammar of numbers, as a state of the automaton that reads it one
// character at a time:
//   number     N = [+-]? (D+ ("." D*)? | "." D+) ([eE] [+-]? D+)?
//   read as    N | N ","                          (a number, or a number followed by one comma)
//   refused    [+-]? D+ "," D+ ([eE] [+-]? D+)? ","?   (a decimal comma)
// kDead is a token that no further characters can turn into either.
enum class Token : std::uint8_t {
  kEmpty,
  kSign,
  kWhole,          // N: digits
  kWholePoint,     // N: digits "."
  kPoint,          // "." without digits before it
  kFraction,       // N: digits after the point
  kExponentMark,   // "e"
  kExponentSign,   // "e+"
  kExponent,       // N: exponent digits
  kComma,          // N ",", not a whole number
  kWholeComma,     // D+ ",": a number, or the start of a decimal comma
  kCommaFraction,  // decimal comma: D+ "," D+
  kCommaMark,
  kCommaExponentSign,
  kCommaExponent,
  kCommaEnd,  // decimal comma with a trailing comma
  kDead,
};

Token Next(Token t, char c) {
  const bool digit = IsDigit(c);
  const bool sign = c == '+' || c == '-';
  const bool mark = c == 'e' || c == 'E';
  switch (t) {
    case Token::kEmpty:
      return digit ? Token::kWhole : sign ? Token::kSign : c == '.' ? Token::kPoint : Token::kDead;
    case Token::kSign:
      return digit ? Token::kWhole : c == '.' ? Token::kPoint : Token::kDead;
    case Token::kWhole:
      return digit      ? Token::kWhole
             : c == '.' ? Token::kWholePoint
             : mark     ? Token::kExponentMark
             : c == ',' ? Token::kWholeComma
                        : Token::kDead;
    case Token::kWholePoint:
    case Token::kFraction:
      return digit ? Token::kFraction : mark ? Token::kExponentMark : c == ',' ? Token::kComma : Token::kDead;
    case Token::kPoint:
      return digit ? Token::kFraction : Token::kDead;
    case Token::kExponentMark:
      return digit ? Token::kExponent : sign ? Token::kExponentSign : Token::kDead;
    case Token::kExponentSign:
      return digit ? Token::kExponent : Token::kDead;
    case Token::kExponent:
      return digit ? Token::kExponent : c == ',' ? Token::kComma : Token::kDead;
    case Token::kWholeComma:
      return digit ? Token::kCommaFraction : Token::kDead;
    case Token::kCommaFraction:
      return digit ? Token::kCommaFraction : mark ? Token::kCommaMark : c == ',' ? Token::kCommaEnd : Token::kDead;
    case Token::kCommaMark:
      return digit ? Token::kCommaExponent : sign ? Token::kCommaExponentSign : Token::kDead;
    case Token::kCommaExponentSign:
      return digit ? Token::kCommaExponent : Token::kDead;
    case Token::kCommaExponent:
      return digit ? Token::kCommaExponent : c == ',' ? Token::kCommaEnd : Token::kDead;
    case Token::kComma:
    case Token::kCommaEnd:
    case Token::kDead:
      return Token::kDead;
  }
  return Token::kDead;
}

bool IsNumber(Token t) {
  switch (t) {
    case Token::kWhole:
    case Token::kWholePoint:
    case Token::kFraction:
    case Token::kExponent:
    case Token::kComma:
    case Token::kWholeComma:
      return true;
    default:
      return false;
  }
}

bool IsDecimalComma(Token t) {
  return t == Token::kCommaFraction || t == Token::kCommaExponent || t == Token::kCommaEnd;
}

Token Classify(std::string_view text, Token t = Token::kEmpty) {
  for (const char c : text) {
    t = Next(t, c);
  }
  return t;
}

// The value of a token that reads as a number (Classify gave IsNumber): its text without the
// trailing comma, infinite when beyond the range of a double.
double NumberValue(std::string_view text) {
  if (text.back() == ',') {
    text.remove_suffix(1);
  }
  return platform::ParseDecimal(text).value_or(0.0);
}

constexpr std::array<double, 23> kPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                                 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common case of a token: [+-]? digits ["." digits] [","], at most 19 digits in all, starting
// at p and ending at a separator or at `end`. Its value is m / 10^k with m the digits as an
// integer up to 2^53 and k at most 19, both exact in a double, so the one division is correctly
// rounded: the same double as the general conversion gives. On success sets `value` and `next`
// (the token's end); returns false for anything else, which then takes the general path.
bool FastNumber(const char* p, const char* end, double& value, const char*& next) {
  const bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) {
    ++p;
  }
  std::uint64_t mantissa = 0;
  const char* const digitsStart = p;
  while (p < end && IsDigit(*p)) {
    mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    ++p;
  }
  const std::ptrdiff_t whole = p - digitsStart;
  std::ptrdiff_t fraction = 0;
  if (p < end && *p == '.') {
    ++p;
    const char* const fractionStart = p;
    while (p < end && IsDigit(*p)) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
      ++p;
    }
    fraction = p - fractionStart;
  }
  const std::ptrdiff_t digits = whole + fraction;
  if (p < end && *p == ',') {
    ++p;
  }
  if ((p < end && !IsSeparator(*p)) || digits <= 0 || digits > 19 || mantissa > (std::uint64_t{1} << 53)) {
    return false;
  }
  const double v = static_cast<double>(mantissa) / kPowersOfTen[static_cast<std::size_t>(fraction)];
  value = negative ? -v : v;
  next = p;
  return true;
}

// Splits a trimmed data line into the columns of `point`. A token that does not read as a
// number stays open: the characters after the separator are added to it, and each later
// separator completes it again. Such a token is kept as its automaton state plus, while it can
// still become a number, its text; so every character is looked at a bounded number of times.
class LineParser {
 public:
  LineResult Parse(std::string_view line, ResponsePoint& point) {
    point = ResponsePoint{};
    column_ = 0;
    first_ = true;
    open_ = false;
    const char* p = line.data();
    const char* const end = p + line.size();
    while (true) {
      double value = 0;
      const char* tokenEnd = p;
      if (!open_ && FastNumber(p, end, value, tokenEnd)) {
        Store(value, point);
      } else {
        while (tokenEnd < end && !IsSeparator(*tokenEnd)) {
          ++tokenEnd;
        }
        const std::string_view token(p, static_cast<std::size_t>(tokenEnd - p));
        if (open_) {
          Extend(token);
        }
        if (tokenEnd == end && !((open_ && state_ != Token::kEmpty) || !token.empty())) {
          return LineResult::kPoint;
        }
        if (const LineResult r = Complete(token, point); r != LineResult::kPoint) {
          return r;
        }
      }
      if (tokenEnd == end) {
        return LineResult::kPoint;
      }
      const char separator = *tokenEnd;
      p = tokenEnd + 1;
      if (separator != '\t') {
        while (p < end && IsSeparator(*p) && *p != '\t') {
          ++p;
        }
      }
    }
  }

 private:
  void Extend(std::string_view more) {
    for (const char c : more) {
      if (state_ == Token::kDead) {
        return;
      }
      state_ = Next(state_, c);
      text_ += c;
    }
  }

  void Store(double value, ResponsePoint& point) {
    first_ = false;
    point[column_] = value;
    open_ = false;
    if (column_ < kPhase) {
      ++column_;
    }
  }

  LineResult Complete(std::string_view token, ResponsePoint& point) {
    const Token state = open_ ? state_ : Classify(token);
    const bool number = IsNumber(state);
    const double value = number ? NumberValue(open_ ? std::string_view(text_) : token) : 0.0;
    if ((number && !std::isfinite(value)) || IsDecimalComma(state)) {
      return LineResult::kError;
    }
    if (!number && first_) {
      return LineResult::kSkip;
    }
    if (number) {
      Store(value, point);
    } else {
      first_ = false;
      point[column_] = kNotANumber;
      if (!open_) {
        open_ = true;
        state_ = state;
        text_.assign(state == Token::kDead ? std::string_view{} : token);
      }
    }
    return LineResult::kPoint;
  }

  std::size_t column_ = 0;
  bool first_ = true;
  bool open_ = false;  // a token that did not read as a number is still being extended
  Token state_ = Token::kEmpty;
  std::string text_;
};

// Reads a file given in blocks: each block is cut into lines in place, the unfinished last line
// waits for the next block.
class Reader {
 public:
  explicit Reader(ResponseSet& set) : set_(set) {
    set_.Resize(3);
    set_.ResetSummary(kReadMinimaStart, kReadMaximaStart);
    set_[2] = ResponsePoint{};
    set_[3] = ResponsePoint{};
  }

  // Gives room for the points of `bytes` of text like `sample`, the file's first bytes: their
  // lines per byte with an eighth to spare, at most the point limit.
  void Reserve(std::string_view sample, std::uint64_t bytes) {
    sample = sample.substr(0, kSampleSize);
    const std::uint64_t lines = std::max(Count(sample, '\n'), Count(sample, '\r'));
    if (lines == 0) {
      return;
    }
    const std::uint64_t estimate = bytes / std::max<std::uint64_t>(1, sample.size() / lines) * 9 / 8 + 64;
    set_.Reserve(static_cast<int>(std::min<std::uint64_t>(estimate, kMaxPoints)));
  }

  // Reads the complete lines of `text` and returns the length of the unfinished line at its end
  // (all of it when `last`: the end of the file ends the line), or nothing on a failure.
  std::optional<std::size_t> Lines(std::string_view text, bool last) {
    const char* p = text.data();
    const char* const end = p + text.size();
    if (atStart_) {
      if (text.size() < 3 && !last) {
        return text.size();
      }
      atStart_ = false;
      if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        p += 3;
      }
    }
    if (skipLineFeed_ && p < end) {
      skipLineFeed_ = false;
      if (*p == '\n') {
        ++p;
      }
    }
    while (p < end) {
      // The next CR and LF are remembered until passed, so that a file of CR-ended lines is not
      // searched again for an LF on every line.
      if (nextLf_ == nullptr || nextLf_ < p) {
        nextLf_ = Find(p, end, '\n');
      }
      if (nextCr_ == nullptr || nextCr_ < p) {
        nextCr_ = Find(p, end, '\r');
      }
      const char* lineEnd = std::min(nextLf_, nextCr_);
      if (lineEnd == end && !last) {
        if (static_cast<std::size_t>(end - p) > kMaxLineLength) {
          return std::nullopt;
        }
        Forget();
        return static_cast<std::size_t>(end - p);
      }
      if (static_cast<std::size_t>(lineEnd - p) > kMaxLineLength || !Line(p, lineEnd)) {
        return std::nullopt;
      }
      if (lineEnd == end) {
        break;
      }
      p = lineEnd + 1;
      if (*lineEnd == '\r') {
        if (p == end) {
          skipLineFeed_ = true;
        } else if (*p == '\n') {
          ++p;
        }
      }
    }
    Forget();
    return 0;
  }

  bool Result() const { return last_ > kMinPoints; }

 private:
  static constexpr std::size_t kSampleSize = 65536;

  static std::uint64_t Count(std::string_view text, char c) {
    std::uint64_t count = 0;
    for (const char* p = text.data(); (p = Find(p, text.data() + text.size(), c)) != text.data() + text.size(); ++p) {
      ++count;
    }
    return count;
  }

  static const char* Find(const char* p, const char* end, char c) {
    const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return found != nullptr ? static_cast<const char*>(found) : end;
  }

  // The remembered line ends belong to one block of text.
  void Forget() {
    nextLf_ = nullptr;
    nextCr_ = nullptr;
  }

  bool Line(const char* p, const char* end) {
    while (p < end && *p == ' ') {
      ++p;
    }
    if (p == end || !IsDigit(*p)) {
      return true;
    }
    while (end[-1] == ' ') {
      --end;
    }
    const LineResult result = parser_.Parse({p, static_cast<std::size_t>(end - p)}, point_);
    if (result != LineResult::kPoint) {
      return result == LineResult::kSkip;
    }
    if (last_ > 2 && point_[kFrequency] < set_[last_][kFrequency]) {
      return true;
    }
    if (last_ - 1 == kMaxPoints) {
      return false;
    }
    ++last_;
    set_.StoreNext(last_, point_);
    return true;
  }

  ResponseSet& set_;
  int last_ = 1;
  bool atStart_ = true;
  bool skipLineFeed_ = false;
  const char* nextLf_ = nullptr;
  const char* nextCr_ = nullptr;
  LineParser parser_;
  ResponsePoint point_;
};

// The number of bytes from the stream's position to its end, where the stream can tell.
std::optional<std::uint64_t> RemainingBytes(std::streambuf& buffer) {
  const auto here = buffer.pubseekoff(0, std::ios::cur, std::ios::in);
  if (here < 0) {
    return std::nullopt;
  }
  const auto end = buffer.pubseekoff(0, std::ios::end, std::ios::in);
  buffer.pubseekpos(here, std::ios::in);
  if (end < here) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(end - here);
}

}  // namespace

bool ReadResponseFile(std::istream& in, ResponseSet& set) {
  Reader reader(set);
  std::streambuf* buffer = in.rdbuf();
  if (buffer == nullptr || !in.good()) {
    return false;
  }
  try {
    const std::optional<std::uint64_t> size = RemainingBytes(*buffer);
    // One block and the longest line that can be carried over from the block before.
    std::vector<char> block(kBlockSize + kMaxLineLength + 1);
    std::size_t carried = 0;
    bool first = true;
    while (true) {
      const std::streamsize got =
          buffer->sgetn(block.data() + carried, static_cast<std::streamsize>(block.size() - carried));
      const std::size_t filled = carried + static_cast<std::size_t>(got);
      const bool last = got == 0;
      const std::string_view text(block.data(), filled);
      if (first && size) {
        reader.Reserve(text, *size);
      }
      first = false;
      const std::optional<std::size_t> rest = reader.Lines(text, last);
      if (!rest) {
        return false;
      }
      if (last) {
        break;
      }
      std::memmove(block.data(), block.data() + filled - *rest, *rest);
      carried = *rest;
    }
  } catch (const std::ios_base::failure&) {
    return false;
  }
  return reader.Result();
}

bool ReadResponseText(std::string_view text, ResponseSet& set) {
  Reader reader(set);
  reader.Reserve(text.substr(0, kBlockSize), text.size());
  return reader.Lines(text, true).has_value() && reader.Result();
}

namespace {

// The 15-digit text of x, or its 17-digit text where the 15 digits would round beyond the largest
// double (1.79769313486232E+308 reads as infinite; 17 digits always read back as x).
std::string FileNumberText(double x) {
  std::string text = platform::NumberText(x);
  if (std::fabs(x) > 1e308 && !std::isfinite(platform::ParseDecimal(text).value_or(0.0))) {
    text = platform::FormatGeneral(x, 17);
  }
  return text;
}

}  // namespace

std::string FormatResponseFile(const ResponseSet& set, std::string_view separator) {
  std::string out;
  for (int i = ResponseSet::kFirstPoint; i <= set.LastIndex(); ++i) {
    const ResponsePoint& p = set[i];
    out += FileNumberText(p[kFrequency]);
    out += separator;
    out += FileNumberText(platform::RoundToDecimals(p[kMagnitude], 4));
    out += ' ';
    out += FileNumberText(p[kPhase]);
    out += "\r\n";
  }
  return out;
}

}  // namespace data
