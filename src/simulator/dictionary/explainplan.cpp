#include "dictionary.h"
namespace sim::dictionary {
bool handleExplainPlan(Dictionary &, SessionContext &, const std::string &, long &) { return false; }
}
