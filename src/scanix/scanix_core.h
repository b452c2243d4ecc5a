// scanix_core.h - the Scanix logic as a plain C++ class.
//
// No GUI, no automation: one class with the operation set of IScanix plus an event-sink
// interface. Texts are bytes in the process locale's character set (see Charset); the C
// interface in scanix.h converts them to and from UTF-16.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#ifndef SCANIX_CXX_API
#define SCANIX_CXX_API __attribute__((visibility("default")))
#endif

namespace scx {

enum CaseSettings : int16_t { csNone = 0, csUpper = 1, csLower = 2 };
enum ActionSettings : int16_t { acScan = 0, acNextLine = 1, acClose = 2 };
enum FileTypeSettings : int16_t { ftText = 0, ftBinary = 1, ftUnicode = 2, ftANSI = 3 };
enum AngleUnitSettings : int16_t { auRadians = 0, auDegrees = 1 };
enum AwkErrorSettings : int16_t {
  aerNone = 0, aerCantOpen, aerLineTooLong, aerFieldTooLong, aerBadFieldGet, aerBadFieldSet,
  aerSyntax, aerBadToken, aerBalance, aerDivBy0, aerDomain, aerSingularity, aerOverflow,
  aerPartialLoss, aerTotalLoss, aerUnderflow
};

// Status codes of the operations (0 success; the two automation errors).
constexpr int kOk = 0;
constexpr int kInvalidPropertyValue = 380;
constexpr int kGetNotSupported = 394;

// Longest line or field held in the work buffer.
constexpr size_t kMaxLine = 65534;

namespace dispid {
constexpr int32_t AboutBox = -552, L = 0, FileName = 1, FS = 3, Case = 4, Action = 5, Error = 6,
                  RN = 7, NF = 8, PercentDone = 9, CurrPos = 10, MatchQuotes = 11, FileType = 12,
                  FilterQuotes = 13, Val = 14, Version = 15, FindLine = 16, F = 17, FieldAt = 18,
                  PosAt = 19, AngleUnits = 20, Eval = 21;
}

SCANIX_CXX_API const char *errorText(int code);

// The character set of the texts inside: the process locale's (LC_CTYPE) at creation.
// The plain "C"/"POSIX" locale (ASCII) is treated as UTF-8.
class SCANIX_CXX_API Charset {
 public:
  enum Mode : uint8_t { SingleByte, Utf8, MultiByte };
  Charset();  // from the current locale
  ~Charset();
  Charset(const Charset &) = delete;
  Charset &operator=(const Charset &) = delete;

  Mode mode() const { return mode_; }
  const std::string &codeset() const { return codeset_; }
  // Length in bytes of the character at p (at least 1, at most end - p).
  size_t charLen(const char *p, const char *end) const {
    unsigned char c = static_cast<unsigned char>(*p);
    if (mode_ == SingleByte || c < 0x80) return 1;
    return mode_ == Utf8 ? utf8Len(p, end) : mbLen(p, end);
  }
  // UTF-16 -> internal, appended to out; at most maxBytes in out (whole characters only).
  // Returns false when the text did not fit (it is then cut).
  bool fromUtf16(const char16_t *s, size_t n, std::string &out, size_t maxBytes = SIZE_MAX) const;
  // Internal -> UTF-16 written to dst (room for at least n units; a result never has more
  // units than the input has bytes). Returns the number of units written.
  size_t toUtf16(const char *s, size_t n, char16_t *dst) const;
  std::u16string toUtf16(std::string_view s) const;
  // Case conversion under the locale's rules (in place or by rewrite).
  void toUpper(std::string &s) const;
  void toLower(std::string &s) const;

 private:
  size_t utf8Len(const char *p, const char *end) const;
  size_t toUtf16Any(const char *s, size_t n, char16_t *dst) const;  // every text, any set
  size_t mbLen(const char *p, const char *end) const;
  void convertCase(std::string &s, bool upper) const;
  Mode mode_ = Utf8;
  std::string codeset_;
  void *toCs_ = nullptr;    // iconv_t UTF-16LE -> codeset (MultiByte / SingleByte)
  void *fromCs_ = nullptr;  // iconv_t codeset -> UTF-16LE
};

// Outgoing events (_ScanixEvents).
class Events {
 public:
  virtual ~Events() = default;
  virtual void Begin() {}
  virtual void Scan() {}
  virtual void End() {}
  virtual void Error() {}
  virtual void Variable(std::string_view name, double &value, int16_t &accept) {}
};

// Property-change notification sink.
class PropertyNotify {
 public:
  virtual ~PropertyNotify() = default;
  virtual void OnChanged(int32_t dispid) = 0;
};

class FileReader;
struct EvalCache;
struct EvalCacheDeleter {
  void operator()(EvalCache *c) const;
};

class SCANIX_CXX_API Scanix {
 public:
  Scanix();
  ~Scanix();
  Scanix(const Scanix &) = delete;
  Scanix &operator=(const Scanix &) = delete;

  // ---- IScanix, in slot order -----------------------------------------------------------
  int AboutBox();
  int get_FileName(std::string &v) const;
  int put_FileName(std::string_view v);
  int get_L(std::string &v) const;
  int get_L(std::string_view &v) const;  // view valid until the line changes or the file is read
  int put_L(std::string_view v);
  int get_FS(std::string &v) const;
  int put_FS(std::string_view v);
  int get_Case(int16_t &v) const;
  int put_Case(int16_t v);
  int get_Action(int16_t &v) const;
  int put_Action(int16_t v);
  int get_Error(int16_t &v) const;
  int get_RN(int32_t &v) const;
  int get_NF(int16_t &v) const;
  int get_PercentDone(int16_t &v) const;
  int get_CurrPos(int32_t &v) const;
  int put_CurrPos(int32_t v);
  int get_MatchQuotes(bool &v) const;
  int put_MatchQuotes(bool v);
  int get_FileType(int16_t &v) const;
  int put_FileType(int16_t v);
  int get_FilterQuotes(bool &v) const;
  int put_FilterQuotes(bool v);
  int get_Val(double &v);
  int get_Version(int16_t &v) const;
  int put_Version(int16_t v);
  int put_FindLine(std::string_view s);
  // The field is returned as a view into the line or the work buffer: copy it out before the
  // next operation on any instance (the C interface does).
  int get_F(int16_t index, std::string_view &v);
  int get_F(int16_t index, std::string &v);
  int put_F(int16_t index, std::string_view v);
  int get_FieldAt(int16_t index, int16_t &v) const;
  int get_PosAt(int16_t index, int16_t &v) const;
  int get_AngleUnits(int16_t &v) const;
  int put_AngleUnits(int16_t v);
  int get_Eval(std::string_view expression, double &v);  // Eval(Expression)
  int get_Eval(double &v);                               // Eval() without argument: L
  // Eval(Expression) for a host that keeps the text of its last expression in one place:
  // unchanged says that the bytes at expression.data() are still those it passed there the
  // last time (same place, length and content), so they are not compared again.
  int get_EvalKept(std::string_view expression, bool unchanged, double &v) {
    v = evaluate(expression, unchanged ? EvalText::KeptUnchanged : EvalText::Kept);
    return kOk;
  }

  // ---- connection points --------------------------------------------------------------------
  uint32_t advise(Events *sink);  // returns a cookie (never 0)
  bool unadvise(uint32_t cookie);
  uint32_t advisePropertyNotify(PropertyNotify *sink);
  bool unadvisePropertyNotify(uint32_t cookie);

  // ---- host and persistence support -------------------------------------------------------------
  void setUserMode(bool on) { userMode_ = on; }
  bool userMode() const { return userMode_; }
  bool isDirty() const { return dirty_; }
  void setDirty(bool d) { dirty_ = d; }
  void initNew();  // all persisted properties to their initial values
  const Charset &charset() const { return cs_; }
  bool fileOpen() const;
  // Exact field count (NF saturates at 32767).
  int32_t fieldCount() const;

  // Process-wide decimal character used by the evaluator (read from the locale on the first
  // evaluation). Exposed for tests and diagnostics.
  static char decimalChar();
  // Replaces the process-wide decimal character (a host that changes the numeric locale
  // after the first evaluation, and tests).
  static void setDecimalChar(char c);

  // Eval keeps the last expressions it read, by text, decimal character and angle units, so
  // evaluating the same text again does not read it again; off, every text is read anew
  // (the results, errors and events are the same either way).
  void setEvalCache(bool on);

  // F get finds its field in one pass over the line when the separators are a few single
  // bytes and blanks play no part; off, every field is found by the general walk (the fields,
  // errors and events are the same either way).
  void setFastFields(bool on) { fastFieldsOn_ = on; }

 private:
  friend class Evaluator;
  friend class Machine;
  struct Split;
  Split splitter() const;
  bool walkField(int n, const char *&fb, const char *&fe) const;
  size_t cutLength(const char *p, const char *q) const;
  void setLine(std::string_view v);
  // The current line: lineP_/lineN_ point either at line_ or, for a line read from a file and
  // left as it was read, straight into the reader's block (valid until the block is refilled;
  // the reader has the line copied into line_ before that).
  std::string_view line() const { return {lineP_, lineN_}; }
  void syncLine() {
    lineP_ = line_.data();
    lineN_ = line_.size();
  }
  void ownLine() {
    if (lineP_ != line_.data()) {
      line_.assign(lineP_, lineN_);
      syncLine();
    }
  }
  void fireError(int16_t code);
  void fireBegin();
  void fireScan();
  void fireEnd();
  void fireVariable(std::string_view name, double &value, int16_t &accept);
  void changed(int32_t id);
  bool openFile();
  void closeFile();
  bool readRaw(std::string &out, bool &tooLong);
  bool readLine();
  __attribute__((noinline)) void storeLine(const char *p, size_t n);
  __attribute__((noinline)) bool readLineUtf16(int64_t off);
  void finishLine(std::string &text, bool tooLong, bool applyCase);
  enum class EvalText : uint8_t { Plain, Kept, KeptUnchanged };
  double evaluate(std::string_view text, EvalText how = EvalText::Plain);
  void rebuildSeparators();
  void compactSinks() {
    if (sinksDirty_ && firing_ == 0) compactSinksNow();
  }
  void compactSinksNow();

  Charset cs_;
  std::string fileName_;
  std::string line_;
  const char *lineP_ = nullptr;
  size_t lineN_ = 0;
  std::string fs_ = " ,\t";
  bool fsNone_ = false;
  int16_t case_ = csNone;
  int16_t fileType_ = ftText;
  int16_t error_ = aerNone;
  mutable int32_t nf_ = 0;
  mutable bool nfValid_ = true;
  int32_t rn_ = 0;
  int32_t currPos_ = 0;
  bool matchQuotes_ = false, filterQuotes_ = false, degrees_ = false, utf16_ = false;
  bool userMode_ = true;
  bool dirty_ = false;
  // separator set S
  bool blankAware_ = true;
  bool fastSplit_ = true;   // every entry of S is one byte and the text can be walked bytewise
  int singleSep_ = -1;      // S is exactly this one byte (memchr path)
  bool trimBlanks_ = true;  // a line read from a file loses its trailing blanks
  // S is one to four single bytes, no blank among them, walkable bytewise: F get looks for
  // them in one pass, 16 bytes at a time (sepVec_ holds each byte 16 times; the last one
  // repeated when there are fewer than four)
  int nSepBytes_ = 0;
  alignas(16) unsigned char sepVec_[4][16] = {};
  bool fastFieldsOn_ = true;
  unsigned char sepTable_[256] = {};
  std::vector<std::string> mbSeps_;  // multibyte entries of S
  std::unique_ptr<FileReader> file_;
  std::string scratch_;  // raw line / work buffer
  std::unique_ptr<EvalCache, EvalCacheDeleter> evalCache_;
  bool evalCacheOn_ = true;
  struct Sink { uint32_t cookie; Events *events; };
  struct NotifySink { uint32_t cookie; PropertyNotify *sink; };
  std::vector<Sink> sinks_;
  std::vector<NotifySink> notifySinks_;
  uint32_t nextCookie_ = 1;
  int firing_ = 0;
  bool sinksDirty_ = false;
};

}  // namespace scx
