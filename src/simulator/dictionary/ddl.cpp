#include "dictionary.h"
namespace sim::dictionary {
bool handleDdl(Dictionary &, SessionContext &, const std::string &, long &) { return false; }
}
