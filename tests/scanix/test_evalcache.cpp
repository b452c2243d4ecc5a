// Eval with its cache of read expressions against Eval reading every text anew: the same
// values, error codes and events, however often a text comes back and whatever settings
// change between two evaluations of it.
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "eval_corpus.h"
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

std::vector<std::string> regressionTexts() {
  std::vector<std::string> out;
  const std::string dir = std::string(SCANIX_REGRESSION_DIR) + "/eval";
  if (DIR *d = opendir(dir.c_str())) {
    while (dirent *e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      std::ifstream in(dir + "/" + e->d_name, std::ios::binary);
      std::stringstream ss;
      ss << in.rdbuf();
      std::string data = ss.str();
      if (data.size() > 1) out.push_back(data.substr(1));   // the first byte holds the fuzzer's flags
    }
    closedir(d);
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

}  // namespace
