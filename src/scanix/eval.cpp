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

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

enum TokType { tNumber = 0, tOperator = 1, tOpen = 2, tClose = 3, tFunction = 4, tName = 5, tEnd = 6, tBad = 7 };

// One token of an expression, as the lexer reads it: a number's value, an operator's or a
// function's code, or where a host variable's name lies in the text.
struct Token {
  uint8_t type = tEnd;
  int code = 0;
  double value = 0;
  uint32_t start = 0, length = 0;  // tName
};

}  // namespace

char Scanix::decimalChar() { return fetchDecimal(); }

void Scanix::setDecimalChar(char c) { g_decimal.store(static_cast<unsigned char>(c), std::memory_order_relaxed); }

// An expression read once into tokens. Evaluating it walks the tokens with the same
// grammar as reading the text would, so values, errors and Variable events (fired as each
// name is reached) are those of the text itself. An expression without names always gives
// the same value and error under the same settings: those are kept after the first run.
struct EvalProgram {
  std::string text;
  char decimal = '.';
  bool degrees = false;
  bool hasNames = false;
  bool folded = false;
  double value = 0;
  int error = 0;
  std::vector<Token> tokens;  // ends with tEnd
};

// Expressions evaluated lately, by text and the settings that change their reading or result.
struct EvalCache {
  static constexpr size_t kSlots = 64;
  static constexpr size_t kLongest = 4096;  // longer texts are read every time
  std::shared_ptr<EvalProgram> slots[kSlots];
  size_t last = kSlots;  // the slot of the last text evaluated: looked at before hashing
};

namespace {

class Lexer {
 public:
  Lexer(const Charset &cs, const char *b, const char *e, char dec) : cs_(cs), b_(b), p_(b), e_(e), dec_(dec) {}

  void run(EvalProgram &prog) {
    std::vector<Token> &out = prog.tokens;
    for (;;) {
      Token t = next();
      out.push_back(t);
      if (t.type == tName) prog.hasNames = true;
      if (t.type == tBad) {
        out.push_back(Token{});
        return;
      }
      if (t.type == tEnd) return;
    }
  }

 private:
  Token next() {
    Token t;
    while (p_ < e_ && isSpace(static_cast<unsigned char>(*p_))) ++p_;
    if (p_ == e_) return t;
    unsigned char c = static_cast<unsigned char>(*p_);
    switch (c) {
      case '%': case '&': case '*': case '+': case '-': case '/': case '<': case '=':
      case '>': case '\\': case '^': case '|': {
        t.type = tOperator;
        t.code = c;
        ++p_;
        if (p_ < e_) {
          if (c == '>' && *p_ == '=') { t.code = 'G'; ++p_; }
          else if (c == '<' && *p_ == '=') { t.code = 'L'; ++p_; }
          else if (c == '<' && *p_ == '>') { t.code = 'N'; ++p_; }
        }
        return t;
      }
      case '(': t.type = tOpen; ++p_; return t;
      case ')': t.type = tClose; ++p_; return t;
      default: break;
    }
    if (isDigit(c) || c == static_cast<unsigned char>(dec_) || c == '.') {
      t.type = tNumber;
      t.value = number();
      return t;
    }
    if (isAlpha(c)) {
      size_t avail = static_cast<size_t>(e_ - p_);
      for (int i = 0; i < kNumFuncs; ++i) {
        size_t l = kFuncs[i].len;
        if (avail > l && p_[l] == '(' && strncasecmp(p_, kFuncs[i].name, l) == 0) {
          t.type = tFunction;
          t.code = i;
          p_ += l;  // the "(" is the next token
          return t;
        }
      }
    }
    if (c <= 126 && !isAlpha(c)) {
      t.type = tBad;
      p_ = e_;
      return t;
    }
    const char *start = p_;
    name();
    t.type = tName;
    t.start = static_cast<uint32_t>(start - b_);
    t.length = static_cast<uint32_t>(p_ - start);
    return t;
  }

  double number() {
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
    return strtod_l(text, nullptr, cLocale());
  }

  // Moves past a host variable's name (a name may hold balanced parentheses).
  void name() {
    const Charset &cs = cs_;
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
  }

  const Charset &cs_;
  const char *b_;
  const char *p_;
  const char *e_;
  char dec_;
};

}  // namespace

class Evaluator {
 public:
  Evaluator(Scanix &s, const EvalProgram &prog) : s_(s), prog_(prog), tok_(prog.tokens.data()) {}

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
    const Token &t = *tok_;
    if (t.type != tEnd) ++tok_;
    switch (t.type) {
      case tName: {
        double v = 0;
        int16_t accept = 0;
        s_.fireVariable(std::string_view(prog_.text.data() + t.start, t.length), v, accept);
        type_ = tNumber;
        if (accept) {
          value_ = v;
        } else {
          value_ = 0;
          setErr(aerBadToken);
        }
        return;
      }
      case tBad:
        setErr(aerBadToken);
        type_ = tEnd;
        return;
      default:
        type_ = t.type;
        code_ = t.code;
        value_ = t.value;
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
  const EvalProgram &prog_;
  const Token *tok_;
  int type_ = tEnd;
  int code_ = 0;
  double value_ = 0;
  int err_ = 0;
  int depth_ = 0;
  static constexpr int kMaxDepth = 1024;
};

namespace {

size_t slotOf(std::string_view text, char dec, bool degrees) {
  size_t h = std::hash<std::string_view>()(text);
  h ^= (static_cast<size_t>(static_cast<unsigned char>(dec)) << 1) | (degrees ? 1 : 0);
  return (h ^ (h >> 17)) % EvalCache::kSlots;
}

}  // namespace

void EvalCacheDeleter::operator()(EvalCache *c) const { delete c; }

void Scanix::setEvalCache(bool on) {
  evalCacheOn_ = on;
  if (!on) evalCache_.reset();
}

double Scanix::evaluate(std::string_view text) {
  if (text.empty()) return 0;
  const char dec = fetchDecimal();
  const bool cacheable = evalCacheOn_ && text.size() <= EvalCache::kLongest;
  std::shared_ptr<EvalProgram> prog;
  size_t slot = 0;
  if (cacheable) {
    if (!evalCache_) evalCache_.reset(new EvalCache);
    const auto matches = [&](const std::shared_ptr<EvalProgram> &p) {
      return p && p->decimal == dec && p->degrees == degrees_ && p->text == text;
    };
    const size_t last = evalCache_->last;
    slot = last < EvalCache::kSlots && matches(evalCache_->slots[last]) ? last : slotOf(text, dec, degrees_);
    evalCache_->last = slot;
    const std::shared_ptr<EvalProgram> &hit = evalCache_->slots[slot];
    if (matches(hit)) {
      if (hit->folded) {
        error_ = aerNone;
        if (hit->error) {
          fireError(static_cast<int16_t>(hit->error));
          return 0;
        }
        return hit->value;
      }
      prog = hit;  // held: a Variable handler may evaluate other texts meanwhile
    }
  }
  if (!prog) {
    // The program keeps its own copy of the text: a Variable handler may change the line.
    prog = std::make_shared<EvalProgram>();
    prog->text.assign(text.data(), text.size());
    prog->decimal = dec;
    prog->degrees = degrees_;
    Lexer lex(cs_, prog->text.data(), prog->text.data() + prog->text.size(), dec);
    lex.run(*prog);
    if (cacheable) evalCache_->slots[slot] = prog;
  }
  error_ = aerNone;
  Evaluator ev(*this, *prog);
  double r = ev.run();
  const int err = ev.error();
  if (cacheable && !prog->hasNames) {
    prog->value = err ? 0 : r;
    prog->error = err;
    prog->folded = true;
  }
  if (err) {
    r = 0;
    fireError(static_cast<int16_t>(err));
    std::feclearexcept(FE_ALL_EXCEPT);
  }
  return r;
}

}  // namespace scx
