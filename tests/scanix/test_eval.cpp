// The expression evaluator.
#include <cmath>

#include "helpers.h"

using namespace sxt;

namespace {
struct EvalCase {
  const char *expr;
  double value;
  int error;
};
}  // namespace

TEST(ScanixEval, SpecEdgeCases) {
  Ctl c;
  const EvalCase cases[] = {
      {"1+2*3", 7, 0},      {"(1+2)*3", 9, 0},  {"2^3^2", 64, 0},  {"7\\2", 3, 0},
      {"-7\\2", -3, 0},     {"7%3", 1, 0},      {"1/0", 0, 9},     {"(1+2", 0, 8},
      {"1 2", 0, 6},        {"2 # 3", 0, 7},    {"3>2", -1, 0},    {"3<=2", 0, 0},
      {"1 & 0", 0, 0},      {"1 | 0", -1, 0},   {"(-8)^0.5", 0, 10}, {"Log(0)", 0, 11},
      {"1.5e3", 1500, 0},   {"1.5d3", 1500, 0}, {"1.5E3", 1500, 0}, {"1.5D+3", 1500, 0},
      {"-2^2", 4, 0},       {"--2", 0, 6},      {"-Sin(1)", 0, 6}, {"2^-1", 0.5, 0},
      {"1+2)", 0, 8},       {"1+(2", 0, 8},     {"()", 0, 6},      {"3<>3", 0, 0},
      {"3<>4", -1, 0},      {"3>=3", -1, 0},    {"3=3", -1, 0},    {"3<4", -1, 0},
      {"-7%3", -1, 0},      {"7%-3", 1, 0},     {"5%0", 0, 9},     {"5\\0", 0, 9},
      {"7.5\\2", 3, 0},     {"2 & 3", -1, 0},   {"0 | 0", 0, 0},   {"1+", 0, 6},
      {".5+.5", 1, 0},      {"5.", 5, 0},       {"1e2e3", 0, 7},   {"1.2.3", 0, 6},
      {"ABS(-3)", 3, 0},    {"abs(-3)", 3, 0},  {"Sqr(16)", 4, 0}, {"Sqr(-1)", 0, 10},
      {"Int(-2.7)", -2, 0}, {"Frac(2.75)", 0.75, 0}, {"Ceil(1.2)", 2, 0}, {"Floor(-1.2)", -2, 0},
      {"Log10(1000)", 3, 0}, {"Log(Exp(2))", 2, 0}, {"Log(-1)", 0, 10}, {"Log10(0)", 0, 11},
      {"ASin(2)", 0, 10},   {"ACos(-1.5)", 0, 10}, {"Exp(1000)", 0, 12}, {"Exp(-1000)", 0, 15},
      {"10^400", 0, 12},    {"0^-1", 0, 11},    {"(-8)^1.5", 0, 10}, {"(-2)^3", -8, 0},
      {"(-2)^2", 4, 0},     {"(-8)^0", 0, 10},  {"(-8)^-0.5", 0, 10}, {"(-2)^-2", 0.25, 0},
      {"Sin(1e300)", 0, 14}, {"Cos(1e17)", 0, 13}, {"Sin(1e10)", std::sin(1e10), 0},
      {"1e308*10", INFINITY, 0}, {"  4  ", 4, 0}, {"2*(3+4)*5", 70, 0},
      {"1 < 2 = -1", -1, 0}, {"1+1=2 & 2+2=4", -1, 0}, {"Int(3e10)", 2147483647, 0},
      {"Int(-3e10)", -2147483648.0, 0}, {"Log(1/0)", 0, 11}, {"x!", 0, 7},
      {"1,5", 0, 7},
  };
  for (const EvalCase &e : cases) {
    SCOPED_TRACE(e.expr);
    double v = c.Eval(e.expr);
    EXPECT_EQ(c.Error(), e.error);
    if (std::isinf(e.value)) EXPECT_TRUE(std::isinf(v));
    else EXPECT_NEAR(v, e.value, 1e-9 * std::max(1.0, std::fabs(e.value)));
  }
}

TEST(ScanixEval, EmptyTextLeavesErrorUntouched) {
  Ctl c;
  c.Eval("1/0");
  EXPECT_EQ(c.Error(), 9);
  EXPECT_EQ(c.Eval(""), 0);
  EXPECT_EQ(c.Error(), 9);
  EXPECT_EQ(c.Eval("1"), 1);
  EXPECT_EQ(c.Error(), 0);
}

TEST(ScanixEval, ErrorEventFires) {
  Ctl c;
  Recorder r;
  r.attach(c.o);
  c.Eval("1/0");
  c.Eval("1+1");
  c.Eval("Log(0)");
  EXPECT_EQ(r.joined(), "Error9 Error11");
}

TEST(ScanixEval, DegreeMode) {
  Ctl c;
  EXPECT_EQ(c.put(SCANIX_DISPID_ANGLEUNITS, Arg(SCANIX_auDegrees)), 0);
  EXPECT_NEAR(c.Eval("Sin(30)"), 0.5, 1e-12);
  EXPECT_NEAR(c.Eval("Atn(1)"), 45, 1e-12);
  EXPECT_NEAR(c.Eval("Cos(60)"), 0.5, 1e-12);
  EXPECT_NEAR(c.Eval("Tan(45)"), 1, 1e-12);
  EXPECT_NEAR(c.Eval("ASin(0.5)"), 30, 1e-9);
  EXPECT_NEAR(c.Eval("ACos(0.5)"), 60, 1e-9);
  EXPECT_EQ(c.Error(), 0);
  EXPECT_EQ(c.put(SCANIX_DISPID_ANGLEUNITS, Arg(SCANIX_auRadians)), 0);
  EXPECT_NEAR(c.Eval("Atn(1)"), M_PI / 4, 1e-15);
  EXPECT_NEAR(c.Eval("Sin(30)"), std::sin(30.0), 1e-15);
  EXPECT_EQ(c.put(SCANIX_DISPID_ANGLEUNITS, Arg(2)), 380);
}

TEST(ScanixEval, Variables) {
  Ctl c;
  Recorder r;
  r.onVariable = [](const char16_t *name, double *value, int16_t *accept) {
    EXPECT_EQ(*value, 0);
    EXPECT_EQ(*accept, 0);
    std::string n = u8(name);
    if (n == "x") { *value = 4; *accept = -1; }
    if (n == "Rate(3, x)") { *value = 10; *accept = 1; }
    if (n == "Sin") { *value = 1; *accept = 1; }
    if (n == "a.b[1]_{c};d,e") { *value = 2; *accept = 1; }
  };
  r.attach(c.o);
  EXPECT_EQ(c.Eval("x*2"), 8);
  EXPECT_EQ(c.Error(), 0);
  EXPECT_EQ(r.joined(), "Variable:x");
  r.events.clear();
  EXPECT_EQ(c.Eval("Rate(3, x)+1"), 11);
  EXPECT_EQ(r.joined(), "Variable:Rate(3, x)");
  r.events.clear();
  EXPECT_EQ(c.Eval("a.b[1]_{c};d,e*3"), 6);
  r.events.clear();
  EXPECT_EQ(c.Eval("y+1"), 0);
  EXPECT_EQ(c.Error(), 7);
  EXPECT_EQ(r.joined(), "Variable:y Error7");
  r.events.clear();
  // 'Sin (30)': the name "Sin" followed by "(30)"; resolved, the "(" is unbalanced
  EXPECT_EQ(c.Eval("Sin (30)"), 0);
  EXPECT_EQ(c.Error(), 8);
  EXPECT_EQ(r.joined(), "Variable:Sin Error8");
  // 'Log10(' is never mistaken for "Log"
  EXPECT_NEAR(c.Eval("Log10(100)"), 2, 1e-12);
  // letter case of a name is kept
  r.events.clear();
  c.Eval("MixedCase");
  EXPECT_EQ(r.joined(), "Variable:MixedCase Error7");
}

TEST(ScanixEval, UnresolvedNameWithoutHost) {
  Ctl c;
  EXPECT_EQ(c.Eval("x*2"), 0);
  EXPECT_EQ(c.Error(), 7);
  EXPECT_EQ(c.Eval("Sin (30)"), 0);  // unresolved name: Bad token (see the report)
  EXPECT_EQ(c.Error(), 7);
}

TEST(ScanixEval, ValEvaluatesTheLine) {
  Ctl c;
  c.setL("2*(3+4)");
  EXPECT_EQ(c.real(SCANIX_DISPID_VAL), 14);
  // Eval without an argument evaluates L
  scanix_variant r{};
  EXPECT_EQ(scanix_invoke(c.o, SCANIX_DISPID_EVAL, SCANIX_DISPATCH_PROPERTYGET, nullptr, 0, &r), 0);
  EXPECT_EQ(r.vt, SCANIX_VT_R8);
  EXPECT_EQ(r.u.r8, 14);
  c.setL("");
  EXPECT_EQ(c.real(SCANIX_DISPID_VAL), 0);
}

TEST(ScanixEval, VariableHandlerMayChangeTheLine) {
  Ctl c;
  Recorder r;
  r.onVariable = [&](const char16_t *, double *value, int16_t *accept) {
    c.setL("something else entirely, and much longer than the original line text");
    *value = 3;
    *accept = 1;
  };
  r.attach(c.o);
  c.setL("v+v");
  EXPECT_EQ(c.real(SCANIX_DISPID_VAL), 6);  // evaluated on a private copy
}

TEST(ScanixEval, LongExpression) {
  Ctl c;
  std::string e = "1";
  for (int i = 0; i < 5000; ++i) e += "+1";
  EXPECT_EQ(c.Eval(e), 5001);
  std::string deep(1000, '(');
  deep += "1" + std::string(1000, ')');
  EXPECT_EQ(c.Eval(deep), 1);
  EXPECT_EQ(c.Error(), 0);
  // deeper nesting than 1024 levels is refused (Syntax) instead of exhausting the stack
  std::string tooDeep(100000, '(');
  tooDeep += "1" + std::string(100000, ')');
  EXPECT_EQ(c.Eval(tooDeep), 0);
  EXPECT_EQ(c.Error(), 6);
}
