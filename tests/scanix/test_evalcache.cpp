// Eval with its cache of read expressions against Eval reading every text anew: the same
// values, error codes and events, however often a text comes back and whatever settings
// change between two evaluations of it.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "eval_corpus.h"
#include "helpers.h"
#include "scanix_core.h"

namespace {

// Resolves names starting with x, y or z (as the fuzz host does) and records every event.
struct Host : scx::Events {
  std::string log;
  void Error() override { log += "E "; }
  void Variable(std::string_view name, double &value, int16_t &accept) override {
    log += "V:" + std::string(name) + " ";
    if (!name.empty() && (name[0] == 'x' || name[0] == 'y' || name[0] == 'z')) {
      value = name[0] == 'x' ? 4 : name[0] == 'y' ? -0.5 : 1e308;
      accept = -1;
    }
  }
};

struct Outcome {
  double value;
  int16_t error;
  std::string events;
};

Outcome evalOn(scx::Scanix &s, Host &h, const std::string &text) {
  h.log.clear();
  double v = -12345;
  s.get_Eval(text, v);
  int16_t e = -1;
  s.get_Error(e);
  return {v, e, h.log};
}

void expectSame(const Outcome &a, const Outcome &b, const std::string &text) {
  SCOPED_TRACE(text);
  EXPECT_EQ(a.error, b.error);
  EXPECT_EQ(a.events, b.events);
  if (std::isnan(a.value)) EXPECT_TRUE(std::isnan(b.value));
  else EXPECT_EQ(std::memcmp(&a.value, &b.value, sizeof a.value), 0) << a.value << " vs " << b.value;
}

// Evaluates `text` on both objects: the same error and the same bits.
void expectSameOnBoth(scx::Scanix &plainC, scx::Scanix &cachedC, const char *text) {
  double va = -1, vb = -2;
  plainC.get_Eval(text, va);
  cachedC.get_Eval(text, vb);
  int16_t ea, eb;
  plainC.get_Error(ea);
  cachedC.get_Error(eb);
  EXPECT_EQ(ea, eb);
  EXPECT_EQ(std::memcmp(&va, &vb, sizeof va), 0) << va << " vs " << vb;
}

std::vector<std::string> regressionTexts() {
  std::vector<std::string> out;
  for (const std::string &f : sxt::regressionFiles("eval")) {
    const std::string data = sxt::slurp(f);
    if (data.size() > 1) out.push_back(data.substr(1));   // the first byte holds the fuzzer's flags
  }
  return out;
}

// Every text the evaluator's tests use, the fuzzers' regression inputs and a few with names.
std::vector<std::string> corpus() {
  std::vector<std::string> texts;
  for (const sxt::EvalCase &c : sxt::kEvalCases) texts.push_back(c.expr);
  for (const char *t : {"x*2", "y+1", "Sin (30)", "Log10(100)", "MixedCase", "x(1, y) + 2", "z*10",
                        "x/0 + y", "(1/0) x", "(y^0.5) + x", "a.b[1]_{c};d,e*3", "Sin(30) + Atn(1)",
                        "ASin(0.5) + ACos(0.5)", "Tan(45) * x", "1,5", "1,5 + 2,25", ",25*4", "  4  ", "v+v"})
    texts.push_back(t);
  std::string sum = "1";
  for (int i = 0; i < 500; ++i) sum += "+x";
  texts.push_back(sum);
  texts.push_back(std::string(300, '(') + "1" + std::string(300, ')'));
  texts.push_back(std::string(5000, '(') + "1" + std::string(5000, ')'));   // too long to keep
  for (const std::string &r : regressionTexts()) texts.push_back(r);
  return texts;
}

class EvalCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plain.setEvalCache(false);
    plain.advise(&plainHost);
    cached.advise(&cachedHost);
  }
  void TearDown() override { scx::Scanix::setDecimalChar('.'); }
  void compare(const std::string &text, int repeats = 3) {
    Outcome want = evalOn(plain, plainHost, text);
    for (int i = 0; i < repeats; ++i) expectSame(want, evalOn(cached, cachedHost, text), text);
  }
  void setDegrees(bool on) {
    plain.put_AngleUnits(on ? scx::auDegrees : scx::auRadians);
    cached.put_AngleUnits(on ? scx::auDegrees : scx::auRadians);
  }
  scx::Scanix plain, cached;
  Host plainHost, cachedHost;
};

TEST_F(EvalCacheTest, WholeCorpusGivesTheSameValuesErrorsAndEvents) {
  const std::vector<std::string> texts = corpus();
  ASSERT_GT(texts.size(), 100u);
  for (bool degrees : {false, true}) {
    setDegrees(degrees);
    for (const std::string &t : texts) compare(t);
  }
  // Interleaved, so that every text comes back after others took the cache's places.
  for (int round = 0; round < 2; ++round)
    for (const std::string &t : texts) compare(t, 1);
}

TEST_F(EvalCacheTest, SettingsChangedBetweenTwoEvaluationsOfOneText) {
  // Angle units: the same text read again under the other units.
  for (const char *t : {"Sin(30)", "Atn(1) * 4", "ASin(0.5)", "Cos(60) + x", "Tan(1e17)"}) {
    setDegrees(false);
    compare(t);
    setDegrees(true);
    compare(t);
    setDegrees(false);
    compare(t);
  }
  EXPECT_NEAR(evalOn(cached, cachedHost, "Atn(1)").value, M_PI / 4, 1e-15);
  setDegrees(true);
  EXPECT_NEAR(evalOn(cached, cachedHost, "Atn(1)").value, 45, 1e-12);
  setDegrees(false);

  // Decimal character: "1,5" is a bad token under "." and one and a half under ",".
  for (const char *t : {"1,5", "1,5 + 2,25", ",25*4", "1.5", "1,5,3", "x,5"}) {
    scx::Scanix::setDecimalChar('.');
    compare(t);
    scx::Scanix::setDecimalChar(',');
    compare(t);
  }
  scx::Scanix::setDecimalChar('.');
  EXPECT_EQ(evalOn(cached, cachedHost, "1,5").error, 7);
  scx::Scanix::setDecimalChar(',');
  Outcome comma = evalOn(cached, cachedHost, "1,5");
  EXPECT_EQ(comma.error, 0);
  EXPECT_EQ(comma.value, 1.5);
}

// A Variable handler that evaluates other texts (filling the cache) while its own
// expression is being evaluated, and changes the line that Val evaluates.
TEST_F(EvalCacheTest, NestedEvaluationInsideAVariableHandler) {
  struct Nesting : scx::Events {
    scx::Scanix *s = nullptr;
    int depth = 0;
    void Variable(std::string_view name, double &value, int16_t &accept) override {
      if (depth++ < 2)
        for (int i = 0; i < 100; ++i) {
          double v;
          s->get_Eval(std::to_string(i) + "+q", v);   // q resolves through this handler again
        }
      --depth;
      s->put_L("something else entirely");
      value = name == "q" ? 1 : 3;
      accept = -1;
    }
  } nest;
  nest.s = &cached;
  cached.advise(&nest);
  for (int i = 0; i < 3; ++i) {
    cached.put_L("v*v+v");
    double v = 0;
    cached.get_Val(v);
    EXPECT_EQ(v, 12);
    int16_t e;
    cached.get_Error(e);
    EXPECT_EQ(e, 0);
  }
}

// Texts that fail part-way, evaluated again and again: the compiled code must stop where the
// walk stops (no later name reached), complete the operations begun with the values so far
// (a math condition among them replaces the code: Log(0 - w) gives 11, not 7) and fire the
// same events. w is never accepted; x is 4, y -0.5, z 1e308.
TEST_F(EvalCacheTest, FailingPartWayStopsWhereTheWalkStops) {
  std::vector<std::string> texts = {
      "Log(0-w)", "0^(0-1-w)", "2^(3-w) + x", "-w^2 + x", "Exp(1000+w) + x", "Sqr(-1-w)",
      "x - (w + 1) * y", "x + w + y", "x*(y/(0*x)) + y", "x / (x - 4) + y", "Log(x - 4) + y",
      "(x-4)^-1 + y", "Sin(1e300*x) + y", "Cos(z*x) + y", "Int(w) * x", "x & w | y", "x < w = y",
      "-(x/0) + y", "Frac(x/(x-x))", "w", "x w", "x + (1/0)", "x + 1/0 + y", "1/0 + x",
      "x \\ (y-y) + z", "x % (x-4)", "Atn(w) + x", "ASin(x) + y", "(x+1)^0.5^w", "z*z + x",
      "Exp(z) - x", "(-x)^y + y", "(-x)^(1/y) + x", "0^(y*2) + x", "x/(w*2)", "2*(3+(4-(w-x)))",
      "Log10(x-x-w) * y", "Exp(-1000*x) + y", "y^1e6 + x", "x^x^x^x^x + y", "x>=y | w", "1 - x/0*y",
      "(x)(y)", "x+(y", "x+y)", "Sin x", "x -- y", "x * Sin(30) + y * Atn(1) - ACos(w)",
      // an operator whose left operand failed is not applied: 0^-1 would replace the code
      "0 * ((0-1-w)^2)", "(x-4) * ((0-1-w)^2)", "(x-4) * ((0-1-w)^y)"};
  std::string deep = "x", deeper = "x";
  for (int i = 0; i < 40; ++i) deep = "y+(" + deep + ")*x";        // more than 32 values stacked
  for (int i = 0; i < 1100; ++i) deeper = "(" + deeper + ")";      // too deep to be read
  texts.push_back(deep);
  texts.push_back(deep + "/(x-4)");
  texts.push_back(deeper);
  for (bool degrees : {false, true}) {
    setDegrees(degrees);
    for (const std::string &t : texts) compare(t, 4);
  }
  // the codes themselves, so that both sides cannot be wrong alike
  EXPECT_EQ(evalOn(cached, cachedHost, "Log(0-w)").error, scx::aerSingularity);
  EXPECT_EQ(evalOn(cached, cachedHost, "Log(0-w)").events, "V:w E ");
  EXPECT_EQ(evalOn(cached, cachedHost, "x + w + y").events, "V:x V:w E ");
  EXPECT_EQ(evalOn(cached, cachedHost, "x / (x - 4) + y").events, "V:x V:x E ");
  EXPECT_EQ(evalOn(cached, cachedHost, "0^(0-1-w)").error, scx::aerSingularity);
  EXPECT_EQ(evalOn(cached, cachedHost, "(x-4) * ((0-1-w)^y)").error, scx::aerBadToken);
}

// A handler whose answers change between evaluations: the parts without names are computed
// once, the values of names never are.
TEST_F(EvalCacheTest, ValuesOfNamesAreReadAtEveryEvaluation) {
  struct Changing : scx::Events {
    double x = 0;
    bool accept = true;
    std::string log;
    void Variable(std::string_view name, double &value, int16_t &ok) override {
      log += std::string(name) + " ";
      if (accept) {
        value = x;
        ok = -1;
      }
    }
  };
  Changing a, b;
  scx::Scanix plainC, cachedC;
  plainC.setEvalCache(false);
  plainC.advise(&a);
  cachedC.advise(&b);
  const double values[] = {0, 1, -2.5, 4, 1e300, -0.0, 0.5, 3};
  for (const char *t : {"Sin(0.5)*x + Sqr(16)", "x^2", "1/x", "Log(x)", "x*x - x/x", "Int(x) + Frac(x)",
                        "x = 4", "(x > 0) & (x < 2)", "Exp(x) * 2^3", "Sqr(x) + Abs(x - 2^3)", "Atn(x) * 4"}) {
    for (int round = 0; round < 2; ++round)
      for (double x : values) {
        SCOPED_TRACE(std::string(t) + " x=" + std::to_string(x) + " round " + std::to_string(round));
        a.x = b.x = x;
        a.accept = b.accept = !(round == 1 && x == 4);
        a.log.clear();
        b.log.clear();
        expectSameOnBoth(plainC, cachedC, t);
        EXPECT_EQ(a.log, b.log);
      }
  }
  b.x = 3;
  b.accept = true;
  double v;
  cachedC.get_Eval("x^2", v);
  EXPECT_EQ(v, 9);
}

// A handler that switches the angle units while an expression is being evaluated: parts
// without names after the event follow the new units, as the walk does.
TEST_F(EvalCacheTest, AngleUnitsSwitchedByAHandlerMidway) {
  struct Switching : scx::Events {
    scx::Scanix *s = nullptr;
    void Variable(std::string_view name, double &value, int16_t &ok) override {
      int16_t u;
      s->get_AngleUnits(u);
      s->put_AngleUnits(u == scx::auDegrees ? scx::auRadians : scx::auDegrees);
      value = 30;
      ok = -1;
    }
  };
  Switching a, b;
  scx::Scanix plainC, cachedC;
  plainC.setEvalCache(false);
  a.s = &plainC;
  b.s = &cachedC;
  plainC.advise(&a);
  cachedC.advise(&b);
  for (int i = 0; i < 6; ++i)
    for (const char *t : {"Sin(30) + q + Sin(30) + Atn(1)", "q * Cos(60) - ASin(0.5)", "Tan(q) + Tan(45)",
                          "Sin(1e17) + q + Sin(1e17)"}) {
      SCOPED_TRACE(t);
      expectSameOnBoth(plainC, cachedC, t);
    }
}

}  // namespace
