// The expression evaluator.
#include <atomic>
#include <cerrno>
#include <cfenv>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#include "scanix_core.h"

namespace scx {

namespace {

std::atomic<int> g_decimal{-1};

char fetchDecimal() {
  int d = g_decimal.load(std::memory_order_relaxed);
  if (d >= 0) return static_cast<char>(d);
  const struct lconv *lc = localeconv();
  char c = '.';
  if (lc && lc->decimal_point && lc->decimal_point[0]) {
    unsigned char u = static_cast<unsigned char>(lc->decimal_point[0]);
    if (u < 0x80 && !(u >= '0' && u <= '9') && u > ' ') c = static_cast<char>(u);
  }
  g_decimal.store(static_cast<unsigned char>(c), std::memory_order_relaxed);
  return c;
}

locale_t cLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

inline bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool isAlpha(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

struct Func {
  const char *name;
  unsigned char len;
};
const Func kFuncs[] = {{"Abs", 3},  {"Sin", 3},  {"Cos", 3},   {"Tan", 3},   {"Atn", 3},
                       {"Log", 3},  {"Exp", 3},  {"Sqr", 3},   {"Int", 3},   {"Frac", 4},
                       {"Ceil", 4}, {"Floor", 5}, {"Log10", 5}, {"ASin", 4}, {"ACos", 4}};
constexpr int kNumFuncs = sizeof kFuncs / sizeof kFuncs[0];

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;

enum TokType { tNumber = 0, tOperator = 1, tOpen = 2, tClose = 3, tFunction = 4, tEnd = 6 };

}  // namespace

char Scanix::decimalChar() { return fetchDecimal(); }

class Evaluator {
 public:
  Evaluator(Scanix &s, const char *b, const char *e, char dec) : s_(s), p_(b), e_(e), dec_(dec) {}

  double run() {
    next();
    double v = logical();
    if (!err_) {
      if (type_ == tOpen || type_ == tClose) err_ = aerBalance;
      else if (type_ != tEnd) err_ = aerSyntax;
    }
    return v;
  }
  int error() const { return err_; }

 private:
  void setErr(int c) {
    if (!err_) err_ = c;
  }
  void mathErr(int c) { err_ = c; }  // a math library condition replaces any pending code

  void next() {
    while (p_ < e_ && isSpace(static_cast<unsigned char>(*p_))) ++p_;
    if (p_ == e_) {
      type_ = tEnd;
      return;
    }
    unsigned char c = static_cast<unsigned char>(*p_);
    switch (c) {
      case '%': case '&': case '*': case '+': case '-': case '/': case '<': case '=':
      case '>': case '\\': case '^': case '|': {
        type_ = tOperator;
        code_ = c;
        ++p_;
        if (p_ < e_) {
          if (c == '>' && *p_ == '=') { code_ = 'G'; ++p_; }
          else if (c == '<' && *p_ == '=') { code_ = 'L'; ++p_; }
          else if (c == '<' && *p_ == '>') { code_ = 'N'; ++p_; }
        }
        return;
      }
      case '(': type_ = tOpen; ++p_; return;
      case ')': type_ = tClose; ++p_; return;
      default: break;
    }
    if (isDigit(c) || c == static_cast<unsigned char>(dec_) || c == '.') {
      number();
      return;
    }
    if (isAlpha(c)) {
      size_t avail = static_cast<size_t>(e_ - p_);
      for (int i = 0; i < kNumFuncs; ++i) {
        size_t l = kFuncs[i].len;
        if (avail > l && p_[l] == '(' && strncasecmp(p_, kFuncs[i].name, l) == 0) {
          type_ = tFunction;
          code_ = i;
          p_ += l;  // the "(" is the next token
          return;
        }
      }
    }
    if (c <= 126 && !isAlpha(c)) {
      setErr(aerBadToken);
      p_ = e_;
      type_ = tEnd;
      return;
    }
    name();
  }

  void number() {
    char small[96];
    std::string big;
    size_t n = 0;
    bool point = false, exp = false;
    auto put = [&](char ch) {
      if (n < sizeof small - 1) small[n] = ch;
      else {
        if (big.empty()) big.assign(small, n);
        big.push_back(ch);
      }
      ++n;
    };
    while (p_ < e_) {
      unsigned char ch = static_cast<unsigned char>(*p_);
      if (isDigit(ch)) {
        put(static_cast<char>(ch));
        ++p_;
      } else if ((ch == static_cast<unsigned char>(dec_) || ch == '.') && !point && !exp) {
        put('.');
        point = true;
        ++p_;
      } else if ((ch == 'd' || ch == 'D' || ch == 'e' || ch == 'E') && !exp) {
        put('e');
        exp = true;
        ++p_;
        if (p_ < e_ && (*p_ == '+' || *p_ == '-')) put(*p_++);
      } else {
        break;
      }
    }
    const char *text;
    if (n < sizeof small) {
      small[n] = '\0';
      text = small;
    } else {
      text = big.c_str();
    }
    type_ = tNumber;
    value_ = strtod_l(text, nullptr, cLocale());
  }

  void name() {
    const char *start = p_;
    const Charset &cs = s_.charset();
    p_ += cs.charLen(p_, e_);  // the first character always belongs to the name
    while (p_ < e_) {
      unsigned char ch = static_cast<unsigned char>(*p_);
      if (ch == '(') {
        int depth = 1;
        ++p_;
        while (p_ < e_ && depth > 0) {
          unsigned char g = static_cast<unsigned char>(*p_);
          if (g == '(') ++depth;
          else if (g == ')') --depth;
          p_ += cs.charLen(p_, e_);
        }
        continue;
      }
      if (isAlpha(ch) || isDigit(ch) || ch >= 0x80 || ch == '[' || ch == ']' || ch == '{' ||
          ch == '}' || ch == '_' || ch == '.' || ch == ',' || ch == ';') {
        p_ += cs.charLen(p_, e_);
        continue;
      }
      break;
    }
    double v = 0;
    int16_t accept = 0;
    s_.fireVariable(std::string_view(start, static_cast<size_t>(p_ - start)), v, accept);
    type_ = tNumber;
    if (accept) {
      value_ = v;
    } else {
      value_ = 0;
      setErr(aerBadToken);
    }
  }

  bool isOp(int op) const { return type_ == tOperator && code_ == op; }

  double logical() {
    double v = comparison();
    while (!err_ && (isOp('&') || isOp('|'))) {
      int op = code_;
      next();
      double r = comparison();
      if (op == '&') v = (v != 0 && r != 0) ? -1 : 0;
      else v = (v != 0 || r != 0) ? -1 : 0;
    }
    return v;
  }

  double comparison() {
    double v = sum();
    while (!err_ && type_ == tOperator &&
           (code_ == '<' || code_ == '=' || code_ == '>' || code_ == 'G' || code_ == 'L' ||
            code_ == 'N')) {
      int op = code_;
      next();
      double r = sum();
      bool t = false;
      switch (op) {
        case '<': t = v < r; break;
        case '=': t = v == r; break;
        case '>': t = v > r; break;
        case 'G': t = v >= r; break;
        case 'L': t = v <= r; break;
        case 'N': t = v != r; break;
      }
      v = t ? -1 : 0;
    }
    return v;
  }

  double sum() {
    double v = product();
    while (!err_ && (isOp('+') || isOp('-'))) {
      int op = code_;
      next();
      double r = product();
      v = op == '+' ? v + r : v - r;
    }
    return v;
  }

  double product() {
    double v = power();
    while (!err_ && type_ == tOperator &&
           (code_ == '*' || code_ == '/' || code_ == '%' || code_ == '\\')) {
      int op = code_;
      next();
      double r = power();
      if (op == '*') {
        v = v * r;
        continue;
      }
      if (r == 0) {
        setErr(aerDivBy0);
        v = 0;
        continue;
      }
      if (op == '/') {
        v = v / r;
      } else if (op == '%') {
        v = std::fmod(v, r);
      } else {
        double q = v / r;
        v = q > 0 ? std::floor(q) : std::ceil(q);
      }
    }
    return v;
  }

  double power() {
    double v = unary();
    while (!err_ && isOp('^')) {
      next();
      double r = unary();
      v = pow(v, r);
    }
    return v;
  }

  double unary() {
    if (isOp('+') || isOp('-')) {
      bool neg = code_ == '-';
      next();
      double v = primary();
      return neg ? -v : v;
    }
    if (type_ == tFunction) {
      int f = code_;
      next();
      double v = primary();
      return func(f, v);
    }
    return primary();
  }

  double primary() {
    if (type_ == tNumber) {
      double v = value_;
      next();
      return v;
    }
    if (type_ == tOpen) {
      if (depth_ >= kMaxDepth) {  // bounded recursion: refuse instead of exhausting the stack
        setErr(aerSyntax);
        return 0;
      }
      ++depth_;
      next();
      double v = logical();
      --depth_;
      if (type_ == tClose) next();
      else setErr(aerBalance);
      return v;
    }
    setErr(aerSyntax);
    return 0;
  }

  // ---- mathematics, with library conditions mapped to codes 10-15 ----

  // Over- and underflow reported by the library through errno (ERANGE).
  double checkRange(double r, bool argsFinite) {
    if (std::isinf(r) && argsFinite) {
      mathErr(aerOverflow);
      return 0;
    }
    if (errno == ERANGE && std::fabs(r) < DBL_MIN) {
      mathErr(aerUnderflow);
      return 0;
    }
    return r;
  }

  double pow(double x, double y) {
    if (x < 0 && std::fabs(y) < 1) {
      setErr(aerDomain);
      return 0;
    }
    if (y == 0.5) return std::sqrt(x);
    if (y == 2) return x * x;
    if (y == 3) return x * x * x;
    if (x == 0 && y < 0) {
      mathErr(aerSingularity);
      return 0;
    }
    if (x < 0 && std::isfinite(y) && std::trunc(y) != y) {
      mathErr(aerDomain);
      return 0;
    }
    errno = 0;
    double r = std::pow(x, y);
    if (std::isnan(r) && !std::isnan(x) && !std::isnan(y)) {
      mathErr(aerDomain);
      return 0;
    }
    return checkRange(r, std::isfinite(x) && std::isfinite(y));
  }

  double trigArg(double x) {
    if (s_.degrees_) x *= kDegToRad;
    return x;
  }
  // Loss of significance of a trigonometric argument: total from 2^63 on (no bit of the
  // angle's fraction is left, as the x87 FSIN limit), partial from 2^52 on (units lost).
  bool trigLoss(double x) {
    if (std::isinf(x)) {
      mathErr(aerDomain);
      return true;
    }
    double a = std::fabs(x);
    if (a >= 9223372036854775808.0) {
      mathErr(aerTotalLoss);
      return true;
    }
    if (a >= 4503599627370496.0) {
      mathErr(aerPartialLoss);
      return true;
    }
    return false;
  }

  double func(int f, double x) {
    switch (f) {
      case 0: return std::fabs(x);
      case 1: case 2: case 3: {
        double a = trigArg(x);
        if (trigLoss(a)) return 0;
        return f == 1 ? std::sin(a) : f == 2 ? std::cos(a) : std::tan(a);
      }
      case 4: {
        double r = std::atan(x);
        return s_.degrees_ ? r * kRadToDeg : r;
      }
      case 5: case 12:
        if (x < 0) { mathErr(aerDomain); return 0; }
        if (x == 0) { mathErr(aerSingularity); return 0; }
        return f == 5 ? std::log(x) : std::log10(x);
      case 6: {
        errno = 0;
        double r = std::exp(x);
        return checkRange(r, std::isfinite(x));
      }
      case 7:
        if (x < 0) { mathErr(aerDomain); return 0; }
        return std::sqrt(x);
      case 8: return toInt(x);
      case 9: return x - toInt(x);
      case 10: return std::ceil(x);
      case 11: return std::floor(x);
      case 13: case 14: {
        if (x < -1 || x > 1) { mathErr(aerDomain); return 0; }
        double r = f == 13 ? std::asin(x) : std::acos(x);
        return s_.degrees_ ? r * kRadToDeg : r;
      }
    }
    return 0;
  }

  // Int: truncation toward zero as a 32-bit signed integer; beyond that range it saturates at
  // -2147483648 / 2147483647 (NaN gives 0).
  static double toInt(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return 2147483647.0;
    if (x <= -2147483648.0) return -2147483648.0;
    return static_cast<double>(static_cast<int32_t>(x));
  }

  Scanix &s_;
  const char *p_;
  const char *e_;
  char dec_;
  int type_ = tEnd;
  int code_ = 0;
  double value_ = 0;
  int err_ = 0;
  int depth_ = 0;
  static constexpr int kMaxDepth = 1024;
};

double Scanix::evaluate(std::string_view text) {
  if (text.empty()) return 0;
  char dec = fetchDecimal();
  // private working copy: a Variable handler may change the line that is evaluated
  char small[256];
  std::unique_ptr<char[]> big;
  char *copy = small;
  if (text.size() > sizeof small) {
    big.reset(new char[text.size()]);
    copy = big.get();
  }
  memcpy(copy, text.data(), text.size());
  error_ = aerNone;
  Evaluator ev(*this, copy, copy + text.size(), dec);
  double r = ev.run();
  if (ev.error()) {
    r = 0;
    fireError(static_cast<int16_t>(ev.error()));
    std::feclearexcept(FE_ALL_EXCEPT);
  }
  return r;
}

}  // namespace scx
