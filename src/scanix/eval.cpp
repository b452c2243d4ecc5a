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

// One instruction of a compiled expression (postfix, on a stack of values).
// Binary operators come in three forms: both operands on the stack, the right one a constant
// held by the instruction ("K" after the name), the left one a constant ("K" before it).
enum Op : uint8_t {
  oEnd, oConst, oConstAngle, oVar, oNeg, oFunc,
  oAdd, oSub, oMul, oDiv, oPow, oCmp, oLogic,
  oAddK, oSubK, oMulK, oDivK, oPowK, oCmpK, oLogicK,
  oKAdd, oKSub, oKMul, oKDiv, oKPow, oKCmp, oKLogic,
  oCount
};
constexpr int kFormStride = oAddK - oAdd;  // oAdd + stride = oAddK, + 2 strides = oKAdd
struct Ins {
  double k = 0;     // oConst; oConstAngle under radians
  double kDeg = 0;  // oConstAngle under degrees
  uint32_t start = 0, length = 0;  // oVar: the name in the text
  uint8_t op = oEnd;
  uint8_t code = 0;  // oFunc: the function; binary operators: the operator's token code
};
inline bool leftConstant(uint8_t op) { return op >= oKAdd && op <= oKLogic; }
// Where an instruction's value goes: the instruction of the operator using it (-1 for the
// result) and whether it is that operator's left operand, right operand or only operand.
enum Side : uint8_t { sLeft, sRight, sOnly };
struct Link {
  int32_t parent = -1;
  uint8_t side = sOnly;
};

}  // namespace

char Scanix::decimalChar() { return fetchDecimal(); }

void Scanix::setDecimalChar(char c) { g_decimal.store(static_cast<unsigned char>(c), std::memory_order_relaxed); }

// An expression read once into tokens. Evaluating it walks the tokens with the same
// grammar as reading the text would, so values, errors and Variable events (fired as each
// name is reached) are those of the text itself. An expression without names always gives
// the same value and error under the same settings: those are kept after the first run.
// An expression with names that reads without a syntax error is compiled when it comes
// back: its parts without names are computed once, the rest runs as postfix code.
struct EvalProgram {
  enum State : uint8_t { Walked, Compiled, WalkOnly };
  int refs = 0;  // the cache's slot and every evaluation in progress
  std::string text;
  char decimal = '.';
  bool degrees = false;
  bool hasNames = false;
  bool folded = false;
  State state = Walked;
  double value = 0;
  int error = 0;
  std::vector<Token> tokens;  // ends with tEnd
  std::vector<Ins> code;      // ends with oEnd
  std::vector<Link> links;    // one per instruction
  size_t maxStack = 0;
};

namespace {

inline void retain(EvalProgram *p) { ++p->refs; }
inline void release(EvalProgram *p) {
  if (--p->refs == 0) delete p;
}

// Holds a program while it is evaluated: a Variable handler may evaluate other texts, or turn
// the cache off, meanwhile.
class Held {
 public:
  Held() = default;
  Held(const Held &) = delete;
  Held &operator=(const Held &) = delete;
  ~Held() {
    if (p_) release(p_);
  }
  void hold(EvalProgram *p) {
    retain(p);
    if (p_) release(p_);
    p_ = p;
  }
  EvalProgram *get() const { return p_; }
  EvalProgram *operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  EvalProgram *p_ = nullptr;
};

}  // namespace

// Expressions evaluated lately, by text and the settings that change their reading or result.
struct EvalCache {
  static constexpr size_t kSlots = 64;
  static constexpr size_t kLongest = 4096;  // longer texts are read every time
  EvalProgram *slots[kSlots] = {};
  size_t last = kSlots;  // the slot of the last text evaluated: looked at before hashing
  // The program of the text a host keeps in one place (get_EvalKept), and where that lies.
  EvalProgram *kept = nullptr;
  const char *keptData = nullptr;
  size_t keptSize = 0;
  EvalCache() = default;
  EvalCache(const EvalCache &) = delete;
  EvalCache &operator=(const EvalCache &) = delete;
  ~EvalCache() {
    for (EvalProgram *p : slots)
      if (p) release(p);
    if (kept) release(kept);
  }
  void keep(std::string_view text, EvalProgram *p) {
    retain(p);
    if (kept) release(kept);
    kept = p;
    keptData = text.data();
    keptSize = text.size();
  }
  void put(size_t slot, EvalProgram *p) {
    retain(p);
    if (slots[slot]) release(slots[slot]);
    slots[slot] = p;
  }
};

// Variable events come only from the evaluator: fired here, where the evaluation loops can
// take the call in (the same firing as the other events: every sink, in order, and sinks
// disconnected meanwhile kept until the outermost firing ends).
inline void Scanix::fireVariable(std::string_view name, double &value, int16_t &accept) {
  if (sinks_.empty()) return;
  {
    struct Firing {
      int &n;
      explicit Firing(int &c) : n(c) { ++n; }
      ~Firing() { --n; }
    } firing(firing_);
    const size_t n = sinks_.size();
    if (n == 1) {  // the usual case, without the loop's bookkeeping
      if (Events *ev = sinks_[0].events) ev->Variable(name, value, accept);
    } else {
      for (size_t i = 0; i < n && i < sinks_.size(); ++i)
        if (Events *ev = sinks_[i].events) ev->Variable(name, value, accept);
    }
  }
  compactSinks();
}

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

namespace {

// The arithmetic of the evaluator, shared by the token walker, the compiler's folding and the
// compiled code, so that all three give the same doubles and the same codes. err is the
// pending error: setErr keeps an earlier code, a math library condition replaces it.
struct Calc {
  int err = 0;

  void setErr(int c) {
    if (!err) err = c;
  }
  void mathErr(int c) { err = c; }

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

  double func(int f, double x, bool degrees) {
    switch (f) {
      case 0: return std::fabs(x);
      case 1: case 2: case 3: {
        double a = degrees ? x * kDegToRad : x;
        if (trigLoss(a)) return 0;
        return f == 1 ? std::sin(a) : f == 2 ? std::cos(a) : std::tan(a);
      }
      case 4: {
        double r = std::atan(x);
        return degrees ? r * kRadToDeg : r;
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
        return degrees ? r * kRadToDeg : r;
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

  // * / % \ (a zero divisor gives 0 and code 9).
  double product(int op, double v, double r) {
    if (op == '*') return v * r;
    if (r == 0) {
      setErr(aerDivBy0);
      return 0;
    }
    if (op == '/') return v / r;
    if (op == '%') return std::fmod(v, r);
    double q = v / r;
    return q > 0 ? std::floor(q) : std::ceil(q);
  }

  static double compare(int op, double v, double r) {
    bool t = false;
    switch (op) {
      case '<': t = v < r; break;
      case '=': t = v == r; break;
      case '>': t = v > r; break;
      case 'G': t = v >= r; break;
      case 'L': t = v <= r; break;
      case 'N': t = v != r; break;
    }
    return t ? -1 : 0;
  }

  static double logic(int op, double v, double r) {
    if (op == '&') return (v != 0 && r != 0) ? -1 : 0;
    return (v != 0 || r != 0) ? -1 : 0;
  }

  // Any binary operator, by its token code.
  double binary(int op, double v, double r) {
    switch (op) {
      case '+': return v + r;
      case '-': return v - r;
      case '*': case '/': case '%': case '\\': return product(op, v, r);
      case '^': return pow(v, r);
      case '&': case '|': return logic(op, v, r);
      default: return compare(op, v, r);
    }
  }
};

constexpr int kMaxDepth = 1024;  // nested parentheses

}  // namespace

// Walks the tokens by the grammar, as reading the text would. Once an error is pending no
// further operator is taken: the operations already begun are completed with the values so
// far (a math condition among them replaces the code) and the rest of the text is left.
class Evaluator {
 public:
  Evaluator(Scanix &s, const EvalProgram &prog) : s_(s), prog_(prog), tok_(prog.tokens.data()) {}

  double run() {
    next();
    double v = logical();
    if (!c_.err) {
      if (type_ == tOpen || type_ == tClose) c_.err = aerBalance;
      else if (type_ != tEnd) c_.err = aerSyntax;
    }
    return v;
  }
  int error() const { return c_.err; }

 private:
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
          c_.setErr(aerBadToken);
        }
        return;
      }
      case tBad:
        c_.setErr(aerBadToken);
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
    while (!c_.err && (isOp('&') || isOp('|'))) {
      int op = code_;
      next();
      double r = comparison();
      v = Calc::logic(op, v, r);
    }
    return v;
  }

  double comparison() {
    double v = sum();
    while (!c_.err && type_ == tOperator &&
           (code_ == '<' || code_ == '=' || code_ == '>' || code_ == 'G' || code_ == 'L' ||
            code_ == 'N')) {
      int op = code_;
      next();
      double r = sum();
      v = Calc::compare(op, v, r);
    }
    return v;
  }

  double sum() {
    double v = product();
    while (!c_.err && (isOp('+') || isOp('-'))) {
      int op = code_;
      next();
      double r = product();
      v = op == '+' ? v + r : v - r;
    }
    return v;
  }

  double product() {
    double v = power();
    while (!c_.err && type_ == tOperator &&
           (code_ == '*' || code_ == '/' || code_ == '%' || code_ == '\\')) {
      int op = code_;
      next();
      double r = power();
      v = c_.product(op, v, r);
    }
    return v;
  }

  double power() {
    double v = unary();
    while (!c_.err && isOp('^')) {
      next();
      double r = unary();
      v = c_.pow(v, r);
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
      return c_.func(f, v, s_.degrees_);
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
        c_.setErr(aerSyntax);
        return 0;
      }
      ++depth_;
      next();
      double v = logical();
      --depth_;
      if (type_ == tClose) next();
      else c_.setErr(aerBalance);
      return v;
    }
    c_.setErr(aerSyntax);
    return 0;
  }

  Scanix &s_;
  const EvalProgram &prog_;
  const Token *tok_;
  int type_ = tEnd;
  int code_ = 0;
  double value_ = 0;
  Calc c_;
  int depth_ = 0;
};

namespace {

// Reads the tokens by the same grammar into a tree, computing at once every part without
// names (the functions are all pure), then writes the tree out as postfix code. A text the
// walker would stop on for its form (a syntax error, unbalanced parentheses, a bad token,
// nesting too deep) is not compiled: it keeps being walked.
//
// A part without names is computed under both angle units (its value is then chosen by the
// units at the moment it is reached, as a Variable handler may change them), and only when
// neither gives an error: a part that fails stays in the code and fails each time.
class Compiler {
 public:
  explicit Compiler(const EvalProgram &prog) : tok_(prog.tokens.data()) {}

  bool run(EvalProgram &prog) {
    const int root = logical();
    if (root < 0 || tok_->type != tEnd) return false;
    prog.code.clear();
    prog.links.clear();
    ins_.assign(nodes_.size(), -1);
    size_t depth = 0, most = 0;
    emit(root, prog.code, depth, most);
    prog.code.push_back(Ins{});  // oEnd
    prog.links.assign(prog.code.size(), Link{});
    for (size_t n = 0; n < nodes_.size(); ++n) {
      const Node &node = nodes_[n];
      if (ins_[n] < 0 || node.kind == nConst || node.kind == nVar) continue;
      // (a constant operand held by the instruction has none of its own)
      if (node.a >= 0 && ins_[node.a] >= 0)
        prog.links[ins_[node.a]] = {ins_[n], node.kind == nBinary ? sLeft : sOnly};
      if (node.b >= 0 && ins_[node.b] >= 0) prog.links[ins_[node.b]] = {ins_[n], sRight};
    }
    prog.maxStack = most;
    return true;
  }

 private:
  enum Kind : uint8_t { nConst, nVar, nNeg, nFunc, nBinary };
  struct Node {
    Kind kind = nConst;
    int code = 0;  // the function, or the operator's token code
    int a = -1, b = -1;
    double k = 0, kDeg = 0;  // nConst: under radians, under degrees
    uint32_t start = 0, length = 0;
  };

  bool isOp(int op) const { return tok_->type == tOperator && tok_->code == op; }

  int add(const Node &n) {
    nodes_.push_back(n);
    return static_cast<int>(nodes_.size() - 1);
  }
  int constant(double k, double kDeg) {
    Node n;
    n.k = k;
    n.kDeg = kDeg;
    return add(n);
  }

  int unaryNode(Kind kind, int code, int a) {
    const Node &x = nodes_[a];
    if (x.kind == nConst) {
      if (kind == nNeg) return constant(-x.k, -x.kDeg);
      Calc rad, deg;
      const double k = rad.func(code, x.k, false), kDeg = deg.func(code, x.kDeg, true);
      if (!rad.err && !deg.err) return constant(k, kDeg);
    }
    Node n;
    n.kind = kind;
    n.code = code;
    n.a = a;
    return add(n);
  }

  int binaryNode(int op, int a, int b) {
    const Node &x = nodes_[a], &y = nodes_[b];
    if (x.kind == nConst && y.kind == nConst) {
      Calc rad, deg;
      const double k = rad.binary(op, x.k, y.k), kDeg = deg.binary(op, x.kDeg, y.kDeg);
      if (!rad.err && !deg.err) return constant(k, kDeg);
    }
    Node n;
    n.kind = nBinary;
    n.code = op;
    n.a = a;
    n.b = b;
    return add(n);
  }

  int logical() {
    int v = comparison();
    while (v >= 0 && (isOp('&') || isOp('|'))) {
      const int op = tok_++->code;
      const int r = comparison();
      if (r < 0) return -1;
      v = binaryNode(op, v, r);
    }
    return v;
  }

  int comparison() {
    int v = sum();
    while (v >= 0 && tok_->type == tOperator &&
           (tok_->code == '<' || tok_->code == '=' || tok_->code == '>' || tok_->code == 'G' ||
            tok_->code == 'L' || tok_->code == 'N')) {
      const int op = tok_++->code;
      const int r = sum();
      if (r < 0) return -1;
      v = binaryNode(op, v, r);
    }
    return v;
  }

  int sum() {
    int v = product();
    while (v >= 0 && (isOp('+') || isOp('-'))) {
      const int op = tok_++->code;
      const int r = product();
      if (r < 0) return -1;
      v = binaryNode(op, v, r);
    }
    return v;
  }

  int product() {
    int v = power();
    while (v >= 0 && tok_->type == tOperator &&
           (tok_->code == '*' || tok_->code == '/' || tok_->code == '%' || tok_->code == '\\')) {
      const int op = tok_++->code;
      const int r = power();
      if (r < 0) return -1;
      v = binaryNode(op, v, r);
    }
    return v;
  }

  int power() {
    int v = unary();
    while (v >= 0 && isOp('^')) {
      ++tok_;
      const int r = unary();
      if (r < 0) return -1;
      v = binaryNode('^', v, r);
    }
    return v;
  }

  int unary() {
    if (isOp('+') || isOp('-')) {
      const bool neg = tok_++->code == '-';
      const int v = primary();
      if (v < 0 || !neg) return v;
      return unaryNode(nNeg, 0, v);
    }
    if (tok_->type == tFunction) {
      const int f = tok_++->code;
      const int v = primary();
      if (v < 0) return -1;
      return unaryNode(nFunc, f, v);
    }
    return primary();
  }

  int primary() {
    const Token &t = *tok_;
    if (t.type == tNumber) {
      ++tok_;
      return constant(t.value, t.value);
    }
    if (t.type == tName) {
      ++tok_;
      Node n;
      n.kind = nVar;
      n.start = t.start;
      n.length = t.length;
      return add(n);
    }
    if (t.type == tOpen) {
      if (depth_ >= kMaxDepth) return -1;
      ++depth_;
      ++tok_;
      const int v = logical();
      --depth_;
      if (v < 0 || tok_->type != tClose) return -1;
      ++tok_;
      return v;
    }
    return -1;
  }

  // Postfix order: operands left to right, then the operator, so names are reached in the
  // order of the text.
  void emit(int n, std::vector<Ins> &code, size_t &depth, size_t &most) {
    const Node &node = nodes_[n];
    Ins in;
    switch (node.kind) {
      case nConst:
        in.k = node.k;
        in.kDeg = node.kDeg;
        in.op = std::memcmp(&node.k, &node.kDeg, sizeof node.k) == 0 ? oConst : oConstAngle;
        if (++depth > most) most = depth;
        break;
      case nVar:
        in.op = oVar;
        in.start = node.start;
        in.length = node.length;
        if (++depth > most) most = depth;
        break;
      case nNeg:
      case nFunc:
        emit(node.a, code, depth, most);
        in.op = node.kind == nNeg ? oNeg : oFunc;
        in.code = static_cast<uint8_t>(node.code);
        break;
      case nBinary: {
        in.code = static_cast<uint8_t>(node.code);
        int form = 0;  // 0: both on the stack; 1: right constant; 2: left constant
        if (plainConstant(node.b)) {
          form = 1;
          in.k = nodes_[node.b].k;
          emit(node.a, code, depth, most);
        } else if (plainConstant(node.a)) {
          form = 2;
          in.k = nodes_[node.a].k;
          emit(node.b, code, depth, most);
        } else {
          emit(node.a, code, depth, most);
          emit(node.b, code, depth, most);
          --depth;
        }
        Op base;
        switch (node.code) {
          case '+': base = oAdd; break;
          case '-': base = oSub; break;
          case '*': base = oMul; break;
          case '/': case '%': case '\\': base = oDiv; break;
          case '^': base = oPow; break;
          case '&': case '|': base = oLogic; break;
          default: base = oCmp; break;
        }
        in.op = static_cast<uint8_t>(base + form * kFormStride);
        break;
      }
    }
    ins_[n] = static_cast<int32_t>(code.size());
    code.push_back(in);
  }

  // A constant that is the same under both angle units, held by the instruction using it.
  bool plainConstant(int n) const {
    const Node &x = nodes_[n];
    return x.kind == nConst && std::memcmp(&x.k, &x.kDeg, sizeof x.k) == 0;
  }

  const Token *tok_;
  int depth_ = 0;
  std::vector<Node> nodes_;
  std::vector<int32_t> ins_;  // each node's instruction
};

}  // namespace

// Runs compiled code, the top of the stack held apart. The first error ends the run as it ends
// the walk: the operators whose operands were being computed are completed with the values so
// far, innermost first, and nothing after them runs (no further names are reached).
class Machine {
 public:
  static double run(Scanix &s, const EvalProgram &p, int &err) {
    double small[32];
    std::unique_ptr<double[]> big;
    double *sp = small;  // below the top: the first slot takes the empty top of the first push
    if (p.maxStack + 1 > sizeof small / sizeof small[0]) {
      big.reset(new double[p.maxStack + 1]);
      sp = big.get();
    }
    static const void *const kJump[oCount] = {
        &&End, &&Const, &&ConstAngle, &&Var, &&Neg, &&Func,
        &&Add, &&Sub, &&Mul, &&Div, &&Pow, &&Cmp, &&Logic,
        &&AddK, &&SubK, &&MulK, &&DivK, &&PowK, &&CmpK, &&LogicK,
        &&KAdd, &&KSub, &&KMul, &&KDiv, &&KPow, &&KCmp, &&KLogic};
    const Ins *const code = p.code.data();
    const Ins *ip = code;
    double tos = 0, v;
    Calc c;
#define SCX_NEXT goto *kJump[(++ip)->op]
#define SCX_CHECK(below)                                                   \
  if (__builtin_expect(c.err != 0, 0)) return unwind(s, p, ip - code, v, below, c, err); \
  tos = v;                                                                 \
  SCX_NEXT
    goto *kJump[ip->op];
  End:
    err = 0;
    return tos;
  Const:
    *sp++ = tos;
    tos = ip->k;
    SCX_NEXT;
  ConstAngle:
    *sp++ = tos;
    tos = s.degrees_ ? ip->kDeg : ip->k;
    SCX_NEXT;
  Var: {
    *sp++ = tos;
    double value = 0;
    int16_t accept = 0;
    s.fireVariable(std::string_view(p.text.data() + ip->start, ip->length), value, accept);
    if (__builtin_expect(!accept, 0)) {
      c.setErr(aerBadToken);
      return unwind(s, p, ip - code, 0, sp, c, err);
    }
    tos = value;
    SCX_NEXT;
  }
  Neg:
    tos = -tos;
    SCX_NEXT;
  Func:
    v = c.func(ip->code, tos, s.degrees_);
    SCX_CHECK(sp);
  Add:
    tos = *--sp + tos;
    SCX_NEXT;
  Sub:
    tos = *--sp - tos;
    SCX_NEXT;
  Mul:
    tos = *--sp * tos;
    SCX_NEXT;
  Div:
    --sp;
    v = c.product(ip->code, *sp, tos);
    SCX_CHECK(sp);
  Pow:
    --sp;
    v = c.pow(*sp, tos);
    SCX_CHECK(sp);
  Cmp:
    --sp;
    tos = Calc::compare(ip->code, *sp, tos);
    SCX_NEXT;
  Logic:
    --sp;
    tos = Calc::logic(ip->code, *sp, tos);
    SCX_NEXT;
  AddK:
    tos = tos + ip->k;
    SCX_NEXT;
  SubK:
    tos = tos - ip->k;
    SCX_NEXT;
  MulK:
    tos = tos * ip->k;
    SCX_NEXT;
  DivK:
    v = c.product(ip->code, tos, ip->k);
    SCX_CHECK(sp);
  PowK:
    v = c.pow(tos, ip->k);
    SCX_CHECK(sp);
  CmpK:
    tos = Calc::compare(ip->code, tos, ip->k);
    SCX_NEXT;
  LogicK:
    tos = Calc::logic(ip->code, tos, ip->k);
    SCX_NEXT;
  KAdd:
    tos = ip->k + tos;
    SCX_NEXT;
  KSub:
    tos = ip->k - tos;
    SCX_NEXT;
  KMul:
    tos = ip->k * tos;
    SCX_NEXT;
  KDiv:
    v = c.product(ip->code, ip->k, tos);
    SCX_CHECK(sp);
  KPow:
    v = c.pow(ip->k, tos);
    SCX_CHECK(sp);
  KCmp:
    tos = Calc::compare(ip->code, ip->k, tos);
    SCX_NEXT;
  KLogic:
    tos = Calc::logic(ip->code, ip->k, tos);
    SCX_NEXT;
#undef SCX_CHECK
#undef SCX_NEXT
  }

 private:
  // Instruction i failed with value v; below sp lie the left operands of the operators whose
  // right operand was being computed. An operator reached from its left operand is not
  // applied (its right operand was never begun).
  __attribute__((noinline, cold)) static double unwind(Scanix &s, const EvalProgram &p, ptrdiff_t i,
                                                       double v, double *sp, Calc &c, int &err) {
    for (Link l = p.links[i]; l.parent >= 0; l = p.links[l.parent]) {
      const Ins &op = p.code[l.parent];
      if (l.side == sLeft) continue;
      if (op.op == oNeg) v = -v;
      else if (op.op == oFunc) v = c.func(op.code, v, s.degrees_);
      else v = c.binary(op.code, leftConstant(op.op) ? op.k : *--sp, v);
    }
    err = c.err;
    return v;
  }
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

double Scanix::evaluate(std::string_view text, EvalText how) {
  // The host's kept text again, compiled: straight to its code.
  if (how == EvalText::KeptUnchanged && evalCache_) {
    const EvalCache &cache = *evalCache_;
    EvalProgram *p = cache.kept;
    if (p && p->state == EvalProgram::Compiled && cache.keptData == text.data() &&
        cache.keptSize == text.size() && p->decimal == fetchDecimal() && p->degrees == degrees_) {
      Held prog;
      prog.hold(p);
      error_ = aerNone;
      int err;
      const double r = Machine::run(*this, *p, err);
      if (!err) return r;
      fireError(static_cast<int16_t>(err));
      std::feclearexcept(FE_ALL_EXCEPT);
      return 0;
    }
  }
  if (text.empty()) return 0;
  const char dec = fetchDecimal();
  const bool cacheable = evalCacheOn_ && text.size() <= EvalCache::kLongest;
  Held prog;
  size_t slot = 0;
  if (cacheable) {
    if (!evalCache_) evalCache_.reset(new EvalCache);
    EvalCache &cache = *evalCache_;
    const auto settled = [&](const EvalProgram *p) { return p->decimal == dec && p->degrees == degrees_; };
    const auto matches = [&](const EvalProgram *p) { return p && settled(p) && p->text == text; };
    EvalProgram *hit = nullptr;
    if (how == EvalText::KeptUnchanged && cache.kept && cache.keptData == text.data() &&
        cache.keptSize == text.size() && settled(cache.kept)) {
      hit = cache.kept;
      slot = EvalCache::kSlots;
    } else if (cache.last < EvalCache::kSlots && matches(cache.slots[cache.last])) {
      slot = cache.last;
      hit = cache.slots[slot];
    } else {
      slot = slotOf(text, dec, degrees_);
      cache.last = slot;
      if (matches(cache.slots[slot])) hit = cache.slots[slot];
    }
    if (hit && how == EvalText::Kept) cache.keep(text, hit);
    if (hit) {
      if (hit->folded) {
        error_ = aerNone;
        if (hit->error) {
          fireError(static_cast<int16_t>(hit->error));
          return 0;
        }
        return hit->value;
      }
      prog.hold(hit);
      if (hit->state == EvalProgram::Walked && hit->hasNames)
        hit->state = Compiler(*hit).run(*hit) ? EvalProgram::Compiled : EvalProgram::WalkOnly;
    }
  }
  if (!prog) {
    // The program keeps its own copy of the text: a Variable handler may change the line.
    EvalProgram *fresh = new EvalProgram;
    prog.hold(fresh);
    fresh->text.assign(text.data(), text.size());
    fresh->decimal = dec;
    fresh->degrees = degrees_;
    Lexer lex(cs_, fresh->text.data(), fresh->text.data() + fresh->text.size(), dec);
    lex.run(*fresh);
    if (cacheable) {
      if (slot == EvalCache::kSlots) slot = slotOf(text, dec, degrees_);
      evalCache_->put(slot, fresh);
      if (how != EvalText::Plain) evalCache_->keep(text, fresh);
    }
  }
  error_ = aerNone;
  double r;
  int err;
  if (prog->state == EvalProgram::Compiled) {
    r = Machine::run(*this, *prog.get(), err);
  } else {
    Evaluator ev(*this, *prog.get());
    r = ev.run();
    err = ev.error();
  }
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
