// The Scanix control's logic: line, fields, file scanning, events.
#include "scanix_core.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace scx {

int showAboutBox();  // about.cpp

const char *errorText(int code) {
  static const char *const texts[] = {
      "No Error", "Can't open file", "Line too long", "Field too long", "Bad field index get",
      "Bad field index set", "Syntax", "Bad token", "Unbalanced expression", "Divide by 0",
      "Domain error", "Singularity", "Overflow", "Partial loss of significance",
      "Total loss of significance", "Underflow"};
  if (code < 0 || code > 15) return nullptr;
  return texts[code];
}

// ---- file reading in large blocks ------------------------------------------------------------

class FileReader {
 public:
  static constexpr size_t kBlock = size_t(1) << 20;  // 1 MiB, > 2 x the longest read
  ~FileReader() { close(); }
  bool open(const std::string &path) {
    close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
      ::close(fd);
      return false;
    }
#ifdef POSIX_FADV_SEQUENTIAL
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    if (!buf_) buf_.reset(new char[kBlock]);
    fd_ = fd;
    pos_ = len_ = 0;
    base_ = 0;
    eof_ = false;
    return true;
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pos_ = len_ = 0;
    base_ = 0;
    eof_ = false;
  }
  bool isOpen() const { return fd_ >= 0; }
  int64_t offset() const { return base_ + static_cast<int64_t>(pos_); }
  int64_t size() const {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) return 0;
    return st.st_size;
  }
  bool seek(int64_t off) {
    if (fd_ < 0 || off < 0) return false;
    if (lseek(fd_, static_cast<off_t>(off), SEEK_SET) < 0) return false;
    pos_ = len_ = 0;
    base_ = off;
    eof_ = false;
    return true;
  }
  // Called before the block's bytes are moved or overwritten, so that a line that still
  // points into the block can be copied out first.
  void setReclaim(void (*fn)(void *), void *context) {
    reclaim_ = fn;
    reclaimContext_ = context;
  }
  // Makes at least `want` bytes available from the current position, unless the file ends.
  __attribute__((noinline)) size_t ensure(size_t want) {
    size_t avail = len_ - pos_;
    if (avail >= want || eof_) return avail;
    if (reclaim_) reclaim_(reclaimContext_);
    if (pos_ > 0) {
      if (avail) memmove(buf_.get(), buf_.get() + pos_, avail);
      base_ += static_cast<int64_t>(pos_);
      len_ = avail;
      pos_ = 0;
    }
    while (len_ < want && !eof_) {
      ssize_t r = ::read(fd_, buf_.get() + len_, kBlock - len_);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) {
        eof_ = true;
        break;
      }
      len_ += static_cast<size_t>(r);
    }
    return len_ - pos_;
  }
  const char *data() const { return buf_.get() + pos_; }
  void consume(size_t n) { pos_ += n; }
  bool atEnd() { return ensure(1) == 0; }

  // ANSI read: bytes up to and including the next line feed, at most kMaxLine bytes.
  bool readAnsi(const char *&p, size_t &n) {
    // The line is looked for in what the block holds first; only a line that runs past
    // the block's end makes it read on (moving just that partial line to the front).
    size_t avail = len_ - pos_;
    p = data();
    size_t lim = avail < kMaxLine ? avail : kMaxLine;
    const void *nl = lim ? memchr(p, '\n', lim) : nullptr;
    if (!nl && avail < kMaxLine) {
      avail = ensure(kMaxLine);
      if (avail == 0) return false;
      p = data();
      lim = avail < kMaxLine ? avail : kMaxLine;
      nl = memchr(p, '\n', lim);
    }
    n = nl ? static_cast<size_t>(static_cast<const char *>(nl) - p) + 1 : lim;
    pos_ += n;
    return true;
  }

 private:
  int fd_ = -1;
  std::unique_ptr<char[]> buf_;
  size_t pos_ = 0, len_ = 0;
  int64_t base_ = 0;  // file offset of buf_[0]
  bool eof_ = false;
  void (*reclaim_)(void *) = nullptr;
  void *reclaimContext_ = nullptr;
};

// ---- separator set and the two scanning steps ---------------------------------------------------

struct Scanix::Split {
  const char *b, *e;
  bool blank, mq, fast;
  int single;
  const unsigned char *table;
  const std::vector<std::string> *mb;
  const Charset *cs;

  size_t clen(const char *p) const { return fast ? 1 : cs->charLen(p, e); }
  bool inS(const char *p, size_t l) const {
    if (l == 1) return table[static_cast<unsigned char>(*p)] != 0;
    for (const std::string &s : *mb)
      if (s.size() == l && memcmp(s.data(), p, l) == 0) return true;
    return false;
  }
  const char *skipBlanks(const char *p) const {
    while (p < e && *p == ' ') ++p;
    return p;
  }
  const char *sepStep(const char *p) const {
    if (blank) p = skipBlanks(p);
    if (p < e) {
      size_t l = clen(p);
      if (inS(p, l)) p += l;
    }
    if (blank) p = skipBlanks(p);
    return p;
  }
  const char *fieldEnd(const char *p) const {
    if (blank) p = skipBlanks(p);
    if (!mq) {
      if (fast) {
        if (single >= 0) {
          const void *q = memchr(p, single, static_cast<size_t>(e - p));
          return q ? static_cast<const char *>(q) : e;
        }
        while (p < e && !table[static_cast<unsigned char>(*p)]) ++p;
        return p;
      }
      while (p < e) {
        size_t l = clen(p);
        if (inS(p, l)) break;
        p += l;
      }
      return p;
    }
    char quote = 0;
    if (p < e && (*p == '\'' || *p == '"')) quote = *p++;
    while (p < e) {
      if (quote) {
        if (*p == quote) {
          quote = 0;
          ++p;
        } else {
          p += clen(p);
        }
        continue;
      }
      size_t l = clen(p);
      if (inS(p, l)) break;
      p += l;
    }
    return p;
  }
  int32_t count() const {
    if (b == e) return 0;
    const char *p = b;
    int32_t n = 0;
    for (;;) {
      p = fieldEnd(p);
      ++n;
      if (p == e) break;
      p = sepStep(p);
    }
    return n;
  }
};

Scanix::Split Scanix::splitter() const {
  Split s;
  s.b = lineP_;
  s.e = s.b + lineN_;
  s.blank = blankAware_;
  s.mq = matchQuotes_;
  s.fast = fastSplit_;
  s.single = singleSep_;
  s.table = sepTable_;
  s.mb = &mbSeps_;
  s.cs = &cs_;
  return s;
}

void Scanix::rebuildSeparators() {
  memset(sepTable_, 0, sizeof sepTable_);
  mbSeps_.clear();
  std::string_view S = fsNone_ ? std::string_view(" ") : std::string_view(fs_);
  bool allAscii = true;
  const char *p = S.data(), *e = p + S.size();
  while (p < e) {
    size_t l = cs_.charLen(p, e);
    if (l == 1) {
      unsigned char c = static_cast<unsigned char>(*p);
      sepTable_[c] = 1;
      if (c >= 0x80) allAscii = false;
    } else {
      mbSeps_.emplace_back(p, l);
      allAscii = false;
    }
    p += l;
  }
  blankAware_ = sepTable_[0x20] != 0;
  fastSplit_ = cs_.mode() == Charset::SingleByte || (cs_.mode() == Charset::Utf8 && allAscii);
  singleSep_ = -1;
  if (fastSplit_ && mbSeps_.empty()) {
    int found = -1, n = 0;
    for (int c = 0; c < 256; ++c)
      if (sepTable_[c]) {
        found = c;
        ++n;
      }
    if (n == 1) singleSep_ = found;
  }
  nSepBytes_ = 0;
  if (fastSplit_ && mbSeps_.empty() && !blankAware_) {
    unsigned char bytes[4];
    int n = 0;
    for (int c = 0; c < 256 && n <= 4; ++c)
      if (sepTable_[c]) {
        if (n < 4) bytes[n] = static_cast<unsigned char>(c);
        ++n;
      }
    if (n >= 1 && n <= 4) {
      for (int k = 0; k < 4; ++k) memset(sepVec_[k], bytes[k < n ? k : n - 1], 16);
      nSepBytes_ = n;
    }
  }
  // (as finishLine's step 7; a separator set without the blank entry never trims)
  trimBlanks_ = !fsNone_ && blankAware_ && fs_.find(' ') != std::string::npos;
}

namespace {
// Field n (n >= 1) of [b, e) when the separators are single bytes (in table, and the four in
// seps) and blanks are not special: it lies between the (n-1)th and the nth separator, or the
// end of the line. One pass over the line, 16 bytes at a time, up to the field's end.
// False when the line has fewer than n fields.
#ifdef __SSE2__
// Marks, in a bit mask, the bytes of the 16 at p that are one of the separators.
template <int kSeps>
inline unsigned sepMask(const char *p, const unsigned char (*seps)[16]) {
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
  __m128i m = _mm_cmpeq_epi8(v, _mm_load_si128(reinterpret_cast<const __m128i *>(seps[0])));
  if (kSeps > 1) {
    for (int k = 1; k < kSeps; ++k)
      m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_load_si128(reinterpret_cast<const __m128i *>(seps[k]))));
  }
  return static_cast<unsigned>(_mm_movemask_epi8(m));
}
#endif

template <int kSeps>
inline bool findFieldN(const char *b, const char *e, const unsigned char *table,
                       const unsigned char (*seps)[16], int n, const char *&fb, const char *&fe) {
  const int need = n - 1;  // separators before the field
  int passed = 0;
  const char *start = b;
  const char *p = b;
#ifdef __SSE2__
  for (; e - p >= 16; p += 16) {
    unsigned mask = sepMask<kSeps>(p, seps);
    while (mask) {
      const char *x = p + __builtin_ctz(mask);
      if (passed == need) {
        fb = start;
        fe = x;
        return true;
      }
      if (++passed == need) start = x + 1;
      mask &= mask - 1;
    }
  }
#else
  (void)seps;
#endif
  for (; p < e; ++p) {
    if (!table[static_cast<unsigned char>(*p)]) continue;
    if (passed == need) {
      fb = start;
      fe = p;
      return true;
    }
    if (++passed == need) start = p + 1;
  }
  if (passed != need) return false;
  fb = start;
  fe = e;
  return true;
}

// Field n (n >= 1) of [b, e) when the separators are one to four single bytes (in table, and
// each 16 times in seps) and blanks are not special: it lies between the (n-1)th and the nth
// separator, or the end of the line. One pass over the line, 16 bytes at a time, up to the
// field's end. False when the line has fewer than n fields.
inline bool findField(const char *b, const char *e, const unsigned char *table,
                      const unsigned char (*seps)[16], int nseps, int n, const char *&fb,
                      const char *&fe) {
  if (nseps == 1) return findFieldN<1>(b, e, table, seps, n, fb, fe);
  return findFieldN<4>(b, e, table, seps, n, fb, fe);
}
}  // namespace

// ---- construction --------------------------------------------------------------------------------

Scanix::Scanix() : file_(new FileReader) {
  line_.reserve(256);
  syncLine();
  file_->setReclaim([](void *self) { static_cast<Scanix *>(self)->ownLine(); }, this);
  rebuildSeparators();
}

Scanix::~Scanix() { closeFile(); }

void Scanix::initNew() {
  fileName_.clear();
  fs_ = " ,\t";
  fsNone_ = false;
  case_ = csNone;
  matchQuotes_ = false;
  fileType_ = ftText;
  filterQuotes_ = false;
  degrees_ = false;
  rebuildSeparators();
  nfValid_ = false;
  dirty_ = false;
}

bool Scanix::fileOpen() const { return file_ && file_->isOpen(); }

int32_t Scanix::fieldCount() const {
  if (!nfValid_) {
    nf_ = splitter().count();
    nfValid_ = true;
  }
  return nf_;
}

// ---- events ----------------------------------------------------------------------------------------

uint32_t Scanix::advise(Events *sink) {
  uint32_t c = nextCookie_++;
  if (nextCookie_ == 0) nextCookie_ = 1;
  sinks_.push_back({c, sink});
  return c;
}

bool Scanix::unadvise(uint32_t cookie) {
  for (Sink &s : sinks_)
    if (s.cookie == cookie && s.events) {
      s.events = nullptr;
      sinksDirty_ = true;
      compactSinks();
      return true;
    }
  return false;
}

uint32_t Scanix::advisePropertyNotify(PropertyNotify *sink) {
  uint32_t c = nextCookie_++;
  if (nextCookie_ == 0) nextCookie_ = 1;
  notifySinks_.push_back({c, sink});
  return c;
}

bool Scanix::unadvisePropertyNotify(uint32_t cookie) {
  for (NotifySink &s : notifySinks_)
    if (s.cookie == cookie && s.sink) {
      s.sink = nullptr;
      sinksDirty_ = true;
      compactSinks();
      return true;
    }
  return false;
}

void Scanix::compactSinksNow() {
  sinks_.erase(std::remove_if(sinks_.begin(), sinks_.end(),
                              [](const Sink &s) { return s.events == nullptr; }),
               sinks_.end());
  notifySinks_.erase(std::remove_if(notifySinks_.begin(), notifySinks_.end(),
                                    [](const NotifySink &s) { return s.sink == nullptr; }),
                     notifySinks_.end());
  sinksDirty_ = false;
}

namespace {
struct Firing {
  int &n;
  explicit Firing(int &c) : n(c) { ++n; }
  ~Firing() { --n; }
};
}  // namespace

#define SCANIX_FIRE(call)                                      \
  do {                                                         \
    if (sinks_.empty()) break;                                 \
    {                                                          \
      Firing f_(firing_);                                      \
      size_t n_ = sinks_.size();                               \
      for (size_t i_ = 0; i_ < n_ && i_ < sinks_.size(); ++i_) \
        if (Events *ev_ = sinks_[i_].events) ev_->call;        \
    }                                                          \
    compactSinks();                                            \
  } while (0)

void Scanix::fireError(int16_t code) {
  error_ = code;
  SCANIX_FIRE(Error());
}
void Scanix::fireBegin() { SCANIX_FIRE(Begin()); }
void Scanix::fireScan() { SCANIX_FIRE(Scan()); }
void Scanix::fireEnd() { SCANIX_FIRE(End()); }

void Scanix::changed(int32_t id) {
  dirty_ = true;
  if (notifySinks_.empty()) return;
  {
    Firing f(firing_);
    size_t n = notifySinks_.size();
    for (size_t i = 0; i < n && i < notifySinks_.size(); ++i)
      if (PropertyNotify *s = notifySinks_[i].sink) s->OnChanged(id);
  }
  compactSinks();
}

// ---- properties ---------------------------------------------------------------------------------------

int Scanix::AboutBox() { return showAboutBox(); }

int Scanix::get_FileName(std::string &v) const {
  v = fileName_;
  return kOk;
}
int Scanix::put_FileName(std::string_view v) {
  fileName_.assign(v.data(), v.size());
  changed(dispid::FileName);
  return kOk;
}

int Scanix::get_L(std::string &v) const {
  if (!userMode_) return kGetNotSupported;
  v = line();
  return kOk;
}
int Scanix::get_L(std::string_view &v) const {
  if (!userMode_) return kGetNotSupported;
  v = line();
  return kOk;
}
void Scanix::setLine(std::string_view v) {
  line_.assign(v.data(), v.size());
  syncLine();
  nfValid_ = false;
}
int Scanix::put_L(std::string_view v) {
  setLine(v);
  return kOk;
}

int Scanix::get_FS(std::string &v) const {
  v = fsNone_ ? std::string() : fs_;
  return kOk;
}
int Scanix::put_FS(std::string_view v) {
  fs_.assign(v.data(), v.size());
  fsNone_ = fs_.empty();
  rebuildSeparators();
  nfValid_ = false;
  changed(dispid::FS);
  return kOk;
}

int Scanix::get_Case(int16_t &v) const {
  v = case_;
  return kOk;
}
int Scanix::put_Case(int16_t v) {
  if (v < 0 || v > 2) return kInvalidPropertyValue;
  case_ = v;
  changed(dispid::Case);
  return kOk;
}

int Scanix::get_Action(int16_t &v) const {
  v = 0;
  return kOk;
}

int Scanix::put_Action(int16_t v) {
  if (v < 0 || v > 2) return kInvalidPropertyValue;
  if (!userMode_) return kOk;
  switch (v) {
    case acScan:
      if (!openFile()) return kOk;
      fireBegin();
      while (readLine()) fireScan();
      closeFile();
      fireEnd();
      break;
    case acNextLine:
      if (!fileOpen() && !openFile()) return kOk;
      readLine();
      break;
    case acClose:
      rn_ = -1;
      closeFile();
      break;
  }
  return kOk;
}

int Scanix::get_Error(int16_t &v) const {
  if (!userMode_) return kGetNotSupported;
  v = error_;
  return kOk;
}
int Scanix::get_RN(int32_t &v) const {
  if (!userMode_) return kGetNotSupported;
  v = rn_;
  return kOk;
}
int Scanix::get_NF(int16_t &v) const {
  if (!userMode_) return kGetNotSupported;
  int32_t n = fieldCount();
  v = static_cast<int16_t>(n > 32767 ? 32767 : n);
  return kOk;
}
int Scanix::get_PercentDone(int16_t &v) const {
  if (!userMode_) return kGetNotSupported;
  v = 0;
  if (fileOpen()) {
    int64_t off = file_->offset();
    int64_t size = file_->size();
    if (off > 0 && size > 0) {
      // offset x 100 / size, rounded to nearest, halves away from zero
      long double r = static_cast<long double>(off) * 100.0L / static_cast<long double>(size);
      int64_t q = static_cast<int64_t>(r + 0.5L);
      v = static_cast<int16_t>(q > 32767 ? 32767 : q);
    }
  }
  return kOk;
}
int Scanix::get_CurrPos(int32_t &v) const {
  if (!userMode_) return kGetNotSupported;
  v = currPos_;
  return kOk;
}
int Scanix::put_CurrPos(int32_t v) {
  if (fileOpen() && v >= 0 && file_->seek(v)) currPos_ = v;
  return kOk;
}

int Scanix::get_MatchQuotes(bool &v) const {
  v = matchQuotes_;
  return kOk;
}
int Scanix::put_MatchQuotes(bool v) {
  matchQuotes_ = v;
  nfValid_ = false;
  changed(dispid::MatchQuotes);
  return kOk;
}

int Scanix::get_FileType(int16_t &v) const {
  v = fileType_;
  return kOk;
}
int Scanix::put_FileType(int16_t v) {
  if (v < 0 || v > 3) return kInvalidPropertyValue;
  fileType_ = v;
  changed(dispid::FileType);
  return kOk;
}

int Scanix::get_FilterQuotes(bool &v) const {
  v = filterQuotes_;
  return kOk;
}
int Scanix::put_FilterQuotes(bool v) {
  filterQuotes_ = v;
  changed(dispid::FilterQuotes);
  return kOk;
}

int Scanix::get_Val(double &v) {
  if (!userMode_) return kGetNotSupported;
  v = evaluate(line());
  return kOk;
}

int Scanix::get_Version(int16_t &v) const {
  v = 700;
  return kOk;
}
int Scanix::put_Version(int16_t) { return kOk; }

int Scanix::get_AngleUnits(int16_t &v) const {
  v = degrees_ ? auDegrees : auRadians;
  return kOk;
}
int Scanix::put_AngleUnits(int16_t v) {
  if (v < 0 || v > 1) return kInvalidPropertyValue;
  degrees_ = v == auDegrees;
  changed(dispid::AngleUnits);
  return kOk;
}

int Scanix::get_Eval(std::string_view expression, double &v) {
  v = evaluate(expression);
  return kOk;
}
int Scanix::get_Eval(double &v) {
  v = evaluate(line());
  return kOk;
}

// ---- fields ------------------------------------------------------------------------------------------

// Field n (n >= 1) of a non-empty line by the general walk over fields and separators.
bool Scanix::walkField(int n, const char *&fb, const char *&fe) const {
  Split sp = splitter();
  const char *p = sp.b;
  if (n == 1 && sp.blank) p = sp.skipBlanks(p);
  for (int i = 1; i < n; ++i) {
    p = sp.fieldEnd(p);
    if (p == sp.e) return false;  // the line has fewer than n fields
    p = sp.sepStep(p);
  }
  fb = p;
  fe = sp.fieldEnd(p);
  return true;
}

// The length of [p, q) cut to 65,534 bytes at a character boundary.
size_t Scanix::cutLength(const char *p, const char *q) const {
  const char *c = p, *lim = p + kMaxLine;
  while (c < lim) {
    size_t l = cs_.charLen(c, q);
    if (c + l > lim) break;
    c += l;
  }
  return static_cast<size_t>(c - p);
}

int Scanix::get_F(int16_t n, std::string_view &v) {
  error_ = aerNone;
  v = {};
  if (n <= 0) {
    if (n == 0) v = line();
    else fireError(aerBadFieldSet);
    return kOk;
  }
  const char *p, *q;
  bool found;
  if (lineN_ == 0) found = false;
  else if (nSepBytes_ && !matchQuotes_ && fastFieldsOn_)
    found = findField(lineP_, lineP_ + lineN_, sepTable_, sepVec_, nSepBytes_, n, p, q);
  else found = walkField(n, p, q);
  if (!found) {
    fireError(aerBadFieldSet);
    return kOk;
  }
  size_t len = static_cast<size_t>(q - p);
  if (len > kMaxLine) len = cutLength(p, q);
  if (filterQuotes_ && len >= 2 && (p[0] == '\'' || p[0] == '"') && p[len - 1] == p[0]) {
    ++p;
    len -= 2;
  }
  v = std::string_view(p, len);
  return kOk;
}

int Scanix::get_F(int16_t n, std::string &v) {
  std::string_view s;
  int r = get_F(n, s);
  v.assign(s.data(), s.size());
  return r;
}

int Scanix::put_F(int16_t n, std::string_view v) {
  error_ = aerNone;
  if (n < 0 || n > fieldCount()) {
    fireError(aerBadFieldGet);
    return kOk;
  }
  if (n == 0) {
    setLine(v);
    return kOk;
  }
  Split sp = splitter();
  const char *p = sp.b;
  for (int i = 1; i < n; ++i) {
    p = sp.fieldEnd(p);
    if (p == sp.e) break;
    p = sp.sepStep(p);
  }
  const char *q = sp.fieldEnd(p);
  size_t oldLen = static_cast<size_t>(q - p);
  if (lineN_ + v.size() - oldLen > kMaxLine) {
    fireError(aerFieldTooLong);
    return kOk;
  }
  std::string nl;
  nl.reserve(lineN_ + v.size() - oldLen);
  nl.append(sp.b, static_cast<size_t>(p - sp.b));
  nl.append(v.data(), v.size());
  nl.append(q, static_cast<size_t>(sp.e - q));
  line_.swap(nl);
  syncLine();
  nfValid_ = false;
  return kOk;
}

int Scanix::get_FieldAt(int16_t pos, int16_t &v) const {
  v = 0;
  if (pos <= 0) return kOk;
  Split sp = splitter();
  const char *p = sp.b;
  int32_t i = 1;
  for (;;) {
    p = sp.fieldEnd(p);
    if (p - sp.b >= pos) {
      v = static_cast<int16_t>(i > 32767 ? 32767 : i);
      return kOk;
    }
    if (p == sp.e) return kOk;
    p = sp.sepStep(p);
    ++i;
  }
}

int Scanix::get_PosAt(int16_t n, int16_t &v) const {
  v = 0;
  if (n <= 0) return kOk;
  Split sp = splitter();
  const char *p = sp.b;
  auto clamp = [](ptrdiff_t x) { return static_cast<int16_t>(x > 32767 ? 32767 : x); };
  for (int32_t i = 1;; ++i) {
    p = sp.sepStep(p);
    if (i >= n) {
      v = clamp(p - sp.b + 1);
      return kOk;
    }
    p = sp.fieldEnd(p);
    if (p == sp.e) {
      v = clamp(sp.e - sp.b + 1);
      return kOk;
    }
  }
}

// ---- file scanning -------------------------------------------------------------------------------------

bool Scanix::openFile() {
  error_ = aerNone;
  if (fileOpen()) {
    closeFile();
    return false;
  }
  rn_ = -1;
  if (fileName_.empty() || !file_->open(fileName_)) {
    fireError(aerCantOpen);
    return false;
  }
  utf16_ = false;
  if (fileType_ == ftUnicode) {
    utf16_ = true;
  } else if (fileType_ == ftText) {
    if (file_->ensure(2) >= 2) {
      const unsigned char *d = reinterpret_cast<const unsigned char *>(file_->data());
      if ((d[0] == 0xFF && d[1] == 0xFE) || (d[0] == 0xFE && d[1] == 0xFF)) utf16_ = true;
    }
    // nothing consumed: the file stays at offset 0 and the mark is part of the first line
  }
  return true;
}

void Scanix::closeFile() {
  if (file_) file_->close();
}

// Reads one raw line (terminator still attached) into out. False at the end of the file.
bool Scanix::readRaw(std::string &out, bool &tooLong) {
  tooLong = false;
  out.clear();
  if (!utf16_) {
    const char *p;
    size_t n;
    if (!file_->readAnsi(p, n)) return false;
    out.assign(p, n);
    return true;
  }
  // UTF-16 (little-endian) units up to and including U+000A, converted into out. The converted
  // text is bounded (kMaxLine + 2 bytes, room for CR LF); the rest of a longer line is consumed.
  constexpr size_t kChunk = 2048;
  char16_t chunk[kChunk + 1];
  size_t k = 0;
  bool any = false, done = false;
  const size_t cap = kMaxLine + 2;
  auto flush = [&](bool final) {
    size_t n = k;
    // keep a trailing high surrogate for the next chunk unless this is the end
    if (!final && n > 0 && chunk[n - 1] >= 0xD800 && chunk[n - 1] <= 0xDBFF) --n;
    if (!tooLong && n > 0 && !cs_.fromUtf16(chunk, n, out, cap)) tooLong = true;
    if (n < k) {
      chunk[0] = chunk[n];
      k = 1;
    } else {
      k = 0;
    }
  };
  while (!done) {
    size_t avail = file_->ensure(2);
    if (avail < 2) {
      if (avail == 1) file_->consume(1);  // an odd last byte is dropped
      break;
    }
    const unsigned char *d = reinterpret_cast<const unsigned char *>(file_->data());
    size_t units = avail / 2, i = 0;
    any = true;
    for (; i < units; ++i) {
      char16_t u = static_cast<char16_t>(d[2 * i] | (d[2 * i + 1] << 8));
      chunk[k++] = u;
      if (k == kChunk) flush(false);
      if (u == 0x000A) {
        ++i;
        done = true;
        break;
      }
    }
    file_->consume(i * 2);
  }
  if (!any) return false;
  flush(true);
  return true;
}

// Steps 4, 5, (6) and 7 of reading a line.
void Scanix::finishLine(std::string &text, bool tooLong, bool applyCase) {
  if (fileType_ != ftBinary) {
    size_t nl = text.find('\n');
    if (nl != std::string::npos) {
      text.resize(nl);
      if (!text.empty() && text.back() == '\r') text.pop_back();
    }
  }
  auto cut = [&]() {
    const char *p = text.data(), *e = p + text.size(), *c = p, *lim = p + kMaxLine;
    while (c < lim) {
      size_t l = cs_.charLen(c, e);
      if (c + l > lim) break;
      c += l;
    }
    text.resize(static_cast<size_t>(c - p));
  };
  if (tooLong || text.size() > kMaxLine) {
    fireError(aerLineTooLong);
    if (text.size() > kMaxLine) cut();
  }
  if (applyCase && case_ != csNone) {
    if (case_ == csUpper) cs_.toUpper(text);
    else cs_.toLower(text);
    if (text.size() > kMaxLine) cut();
  }
  if (!fsNone_ && fs_.find(' ') != std::string::npos) {
    size_t n = text.size();
    while (n > 1 && text[n - 1] == ' ') --n;
    text.resize(n);
  }
}

bool Scanix::readLine() {
  error_ = aerNone;
  if (!fileOpen()) return false;
  int64_t off = file_->offset();
  if (!utf16_) {
    const char *p;
    size_t n;
    if (!file_->readAnsi(p, n)) return false;
    currPos_ = static_cast<int32_t>(off);
    if (fileType_ != ftBinary && n > 0 && p[n - 1] == '\n' && case_ == csNone) {
      // fast path of steps 4 and 7: the line is left where it was read, only its end moves
      --n;
      if (n > 0 && p[n - 1] == '\r') --n;
      if (trimBlanks_)
        while (n > 1 && p[n - 1] == ' ') --n;
      lineP_ = p;
      lineN_ = n;
    } else {
      storeLine(p, n);
    }
  } else if (!readLineUtf16(off)) {
    return false;
  }
  ++rn_;
  nfValid_ = false;
  return true;
}

// A line that needs more than its end moved: copied into the control's own text, then steps
// 4 to 7.
void Scanix::storeLine(const char *p, size_t n) {
  line_.assign(p, n);
  finishLine(line_, false, true);
  syncLine();
}

bool Scanix::readLineUtf16(int64_t off) {
  bool tooLong;
  if (!readRaw(scratch_, tooLong)) return false;
  currPos_ = static_cast<int32_t>(off);
  finishLine(scratch_, tooLong, true);
  line_.swap(scratch_);
  syncLine();
  return true;
}

int Scanix::put_FindLine(std::string_view s) {
  if (!fileOpen()) {
    openFile();
    if (!fileOpen()) return kOk;
  }
  error_ = aerNone;
  std::string needle(s);  // s may refer to the line that is about to change
  bool found = false, tooLong = false;
  scratch_.clear();
  while (!file_->atEnd()) {
    currPos_ = static_cast<int32_t>(file_->offset());
    ++rn_;
    if (!readRaw(scratch_, tooLong)) break;
    if (case_ == csUpper) cs_.toUpper(scratch_);
    else if (case_ == csLower) cs_.toLower(scratch_);
    if (needle.empty() || scratch_.find(needle) != std::string::npos) {
      found = true;
      break;
    }
  }
  if (!found) {
    scratch_.clear();
    tooLong = false;
  }
  finishLine(scratch_, tooLong, false);
  line_.swap(scratch_);
  syncLine();
  nfValid_ = false;
  return kOk;
}

}  // namespace scx
