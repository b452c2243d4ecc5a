// Internal helpers shared by the C interface's source files.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scanix.h"
#include "scanix_core.h"

struct scanix {
  scx::Scanix core;
  int depth = 0;         // calls in progress (events may re-enter)
  bool released = false; // scanix_release() called inside an event
  std::vector<std::pair<uint32_t, std::unique_ptr<scx::Events>>> sinks;
  std::vector<std::pair<uint32_t, std::unique_ptr<scx::PropertyNotify>>> notifiers;
  std::vector<std::unique_ptr<scx::Events>> graveyardEvents;
  std::vector<std::unique_ptr<scx::PropertyNotify>> graveyardNotify;
  // The last expression text given to Eval and its bytes: the same text again is not
  // converted again.
  std::u16string evalText16;
  std::string evalBytes;
};

namespace scx::capi {

// Keeps the object alive while a call is in progress; deferred release happens at the end.
struct CallGuard {
  ::scanix *o;
  explicit CallGuard(::scanix *obj) : o(obj) { ++o->depth; }
  ~CallGuard() {
    if (--o->depth == 0 && (o->released || !o->graveyardEvents.empty() || !o->graveyardNotify.empty()))
      settle(o);
  }
  // The outermost call ends: sinks disconnected meanwhile go, a deferred release happens.
  static void settle(::scanix *o);
};

char16_t *allocText(size_t units);         // room for units + terminator; length set later
void setTextLength(char16_t *t, size_t units);
char16_t *newText(const Charset &cs, std::string_view bytes);
char16_t *newText16(std::u16string_view s);
size_t length16(const char16_t *s);

int toI2(const scanix_variant &v, int16_t &out);
int toI4(const scanix_variant &v, int32_t &out);
int toBool(const scanix_variant &v, bool &out);
int toText(const scanix_variant &v, const Charset &cs, std::string &out);

// Persistence helpers (persist.cpp)
int applyProperty(::scanix *o, int index, const scanix_variant &v);

}  // namespace scx::capi
