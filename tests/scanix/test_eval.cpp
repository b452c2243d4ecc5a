// The expression evaluator.
#include <cmath>

#include "eval_corpus.h"
#include "helpers.h"

using namespace sxt;

TEST(ScanixEval, EdgeCases) {
  Ctl c;
  for (const EvalCase &e : kEvalCases) {
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
