// Persistence: the exact stream layout, property bag, storage with the stream "Contents".
#include <chrono>
#include <fstream>
#include <map>
#include <sys/stat.h>

#include "helpers.h"

using namespace sxt;

namespace {
std::string saveStream(scanix *o, int clearDirty = 1) {
  void *data = nullptr;
  size_t size = 0;
  EXPECT_EQ(scanix_save_stream(o, clearDirty, &data, &size), 0);
  std::string s(static_cast<char *>(data), size);
  scanix_free(data);
  return s;
}
}  // namespace

TEST(ScanixPersist, FiftyBytesByteForByte) {
  Ctl c;
  c.setFS(".");
  std::string s = saveStream(c.o);
  const unsigned char expected[50] = {
      0x00, 0x03, 0x00, 0x00,              // format word 0x00000300
      0x02, 0x00, 0xBC, 0x02,              // Version: VT_I2 700
      0x08, 0x00, 0x00, 0x00, 0x00, 0x00,  // FileName: VT_BSTR, length 0
      0x08, 0x00, 0x04, 0x00, 0x00, 0x00, 0x2E, 0x00, 0x00, 0x00,  // FS: "." + terminator
      0x03, 0x00, 0x00, 0x00, 0x00, 0x00,  // Case: VT_I4 0
      0x0B, 0x00, 0x00, 0x00,              // MatchQuotes: VT_BOOL false
      0x03, 0x00, 0x00, 0x00, 0x00, 0x00,  // FileType: VT_I4 0
      0x0B, 0x00, 0x00, 0x00,              // FilterQuotes: VT_BOOL false
      0x03, 0x00, 0x00, 0x00, 0x00, 0x00,  // AngleUnits: VT_I4 0
  };
  ASSERT_EQ(s.size(), 50u);
  EXPECT_EQ(memcmp(s.data(), expected, 50), 0);
  uint64_t max = 0;
  EXPECT_EQ(scanix_get_size_max(c.o, &max), 0);
  EXPECT_EQ(max, 50u);
}

TEST(ScanixPersist, AllValuesRoundTrip) {
  Ctl a;
  a.put(SCANIX_DISPID_FILENAME, Arg("/tmp/d\xC3\xA9j\xC3\xA0.txt"));
  a.setFS(" .");
  a.put(SCANIX_DISPID_CASE, Arg(2));
  a.put(SCANIX_DISPID_MATCHQUOTES, Arg(true));
  a.put(SCANIX_DISPID_FILETYPE, Arg(3));
  a.put(SCANIX_DISPID_FILTERQUOTES, Arg(true));
  a.put(SCANIX_DISPID_ANGLEUNITS, Arg(1));
  EXPECT_EQ(scanix_is_dirty(a.o), 1);
  std::string s = saveStream(a.o, 0);
  EXPECT_EQ(scanix_is_dirty(a.o), 1);  // not cleared
  // spot-check: booleans are -1, enumerations 32-bit
  EXPECT_EQ(static_cast<unsigned char>(s[s.size() - 4]), 0x01);  // AngleUnits 1
  s = saveStream(a.o, 1);
  EXPECT_EQ(scanix_is_dirty(a.o), 0);

  Ctl b;
  std::vector<int> notified;
  uint32_t cookie;
  scanix_advise_property_changes(b.o, [](void *ctx, int32_t id) { static_cast<std::vector<int> *>(ctx)->push_back(id); },
                                 &notified, &cookie);
  ASSERT_EQ(scanix_load_stream(b.o, s.data(), s.size()), 0);
  EXPECT_EQ(b.text(SCANIX_DISPID_FILENAME), "/tmp/d\xC3\xA9j\xC3\xA0.txt");
  EXPECT_EQ(b.text(SCANIX_DISPID_FS), " .");
  EXPECT_EQ(b.num(SCANIX_DISPID_CASE), 2);
  EXPECT_EQ(b.num(SCANIX_DISPID_MATCHQUOTES), -1);
  EXPECT_EQ(b.num(SCANIX_DISPID_FILETYPE), 3);
  EXPECT_EQ(b.num(SCANIX_DISPID_FILTERQUOTES), -1);
  EXPECT_EQ(b.num(SCANIX_DISPID_ANGLEUNITS), 1);
  // loaded through the put operations: notifications in the persisted order
  EXPECT_EQ(notified, (std::vector<int>{1, 3, 4, 11, 12, 13, 20}));
  EXPECT_EQ(scanix_is_dirty(b.o), 0);
  EXPECT_EQ(saveStream(b.o), s);
}

TEST(ScanixPersist, EmptyFsRoundTripsAsNone) {
  Ctl a;
  a.setFS("");
  std::string s = saveStream(a.o);
  EXPECT_EQ(s.size(), 46u);
  Ctl b;
  ASSERT_EQ(scanix_load_stream(b.o, s.data(), s.size()), 0);
  EXPECT_EQ(b.text(SCANIX_DISPID_FS), "");
  b.setL("a,b c");
  EXPECT_EQ(b.NF(), 2);
}

TEST(ScanixPersist, MalformedStreamsGiveErrorCodes) {
  Ctl c;
  c.setFS(".");
  std::string good = saveStream(c.o);
  // every truncation fails cleanly
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_EQ(scanix_load_stream(c.o, good.data(), n), SCANIX_E_FORMAT) << n;
  std::string bad = good;
  bad[1] = 0x04;  // format 0x400: newer than this component
  EXPECT_EQ(scanix_load_stream(c.o, bad.data(), bad.size()), SCANIX_E_FORMAT);
  bad = good;
  bad[4] = 0x42;  // unknown variant type
  EXPECT_EQ(scanix_load_stream(c.o, bad.data(), bad.size()), SCANIX_E_FORMAT);
  bad = good;
  bad[16] = 0x05;  // odd text length
  EXPECT_EQ(scanix_load_stream(c.o, bad.data(), bad.size()), SCANIX_E_FORMAT);
  bad = good;
  bad[16] = static_cast<char>(0xFF);
  bad[17] = static_cast<char>(0xFF);
  bad[18] = static_cast<char>(0xFF);
  bad[19] = static_cast<char>(0x7F);  // huge length
  EXPECT_EQ(scanix_load_stream(c.o, bad.data(), bad.size()), SCANIX_E_FORMAT);
  bad = good;
  bad[26] = 0x07;  // Case 7: the put fails with 380
  EXPECT_EQ(scanix_load_stream(c.o, bad.data(), bad.size()), 380);
  EXPECT_EQ(scanix_load_stream(c.o, nullptr, 10), SCANIX_E_INVALID_ARG);
  // trailing bytes after the control's data are left to the container
  std::string longer = good + "extra";
  EXPECT_EQ(scanix_load_stream(c.o, longer.data(), longer.size()), 0);
}

TEST(ScanixPersist, OtherVariantTypesAreConverted) {
  // Case stored as VT_I2, FileType as VT_R8, a text stored as a number
  std::string s("\x00\x03\x00\x00", 4);
  s += std::string("\x02\x00\xBC\x02", 4);                       // Version
  s += std::string("\x03\x00\x07\x00\x00\x00", 6);               // FileName as VT_I4 7 -> "7"
  s += std::string("\x08\x00\x02\x00\x00\x00\x00\x00", 8);       // FS: only a terminator
  s += std::string("\x02\x00\x01\x00", 4);                       // Case VT_I2 1
  s += std::string("\x02\x00\x01\x00", 4);                       // MatchQuotes VT_I2 1 -> true
  double two = 2.0;
  s += std::string("\x05\x00", 2) + std::string(reinterpret_cast<char *>(&two), 8);
  s += std::string("\x0B\x00\xFF\xFF", 4);
  s += std::string("\x03\x00\x00\x00\x00\x00", 6);
  Ctl c;
  ASSERT_EQ(scanix_load_stream(c.o, s.data(), s.size()), 0);
  EXPECT_EQ(c.text(SCANIX_DISPID_FILENAME), "7");
  EXPECT_EQ(c.text(SCANIX_DISPID_FS), "");
  EXPECT_EQ(c.num(SCANIX_DISPID_CASE), 1);
  EXPECT_EQ(c.num(SCANIX_DISPID_MATCHQUOTES), -1);
  EXPECT_EQ(c.num(SCANIX_DISPID_FILETYPE), 2);
  EXPECT_EQ(c.num(SCANIX_DISPID_FILTERQUOTES), -1);
}

namespace {
struct Bag {
  std::vector<std::string> order;
  std::map<std::string, scanix_variant> values;
  std::map<std::string, std::u16string> texts;
  ~Bag() {}
  static int write(void *ctx, const char16_t *name, const scanix_variant *v) {
    auto *b = static_cast<Bag *>(ctx);
    std::string n = u8(name);
    b->order.push_back(n);
    scanix_variant copy = *v;
    if (v->vt == SCANIX_VT_TEXT) {
      b->texts[n] = v->u.bstr;
      copy.u.bstr = nullptr;
    }
    b->values[n] = copy;
    return 0;
  }
  static int read(void *ctx, const char16_t *name, scanix_variant *v) {
    auto *b = static_cast<Bag *>(ctx);
    std::string n = u8(name);
    auto it = b->values.find(n);
    if (it == b->values.end()) return 1;
    *v = it->second;
    if (v->vt == SCANIX_VT_TEXT) v->u.bstr = b->texts[n].data();
    return 0;
  }
};
}  // namespace

TEST(ScanixPersist, PropertyBag) {
  Ctl a;
  a.setFS(" .");
  a.put(SCANIX_DISPID_CASE, Arg(1));
  a.put(SCANIX_DISPID_ANGLEUNITS, Arg(1));
  Bag bag;
  ASSERT_EQ(scanix_save_property_bag(a.o, Bag::write, &bag, 1), 0);
  EXPECT_EQ(bag.order, (std::vector<std::string>{"Version", "FileName", "FS", "Case", "MatchQuotes",
                                                 "FileType", "FilterQuotes", "AngleUnits"}));
  EXPECT_EQ(bag.values["Version"].vt, SCANIX_VT_I2);
  EXPECT_EQ(bag.values["Version"].u.i2, 700);
  EXPECT_EQ(bag.values["FS"].vt, SCANIX_VT_TEXT);
  EXPECT_EQ(bag.texts["FS"], u" .");
  EXPECT_EQ(bag.values["Case"].vt, SCANIX_VT_I4);
  EXPECT_EQ(bag.values["MatchQuotes"].vt, SCANIX_VT_BOOL);
  EXPECT_EQ(scanix_is_dirty(a.o), 0);

  Ctl b;
  ASSERT_EQ(scanix_load_property_bag(b.o, Bag::read, &bag), 0);
  EXPECT_EQ(b.text(SCANIX_DISPID_FS), " .");
  EXPECT_EQ(b.num(SCANIX_DISPID_CASE), 1);
  EXPECT_EQ(b.num(SCANIX_DISPID_ANGLEUNITS), 1);
  // absent properties keep their values
  Bag partial;
  partial.values["Case"] = scanix_variant{SCANIX_VT_I4, {}};
  partial.values["Case"].u.i4 = 2;
  ASSERT_EQ(scanix_load_property_bag(b.o, Bag::read, &partial), 0);
  EXPECT_EQ(b.num(SCANIX_DISPID_CASE), 2);
  EXPECT_EQ(b.text(SCANIX_DISPID_FS), " .");
  // an out-of-range value fails with 380, a reader error is passed on
  partial.values["Case"].u.i4 = 5;
  EXPECT_EQ(scanix_load_property_bag(b.o, Bag::read, &partial), 380);
  EXPECT_EQ(scanix_load_property_bag(b.o, [](void *, const char16_t *, scanix_variant *) { return -42; }, nullptr), -42);
  EXPECT_EQ(scanix_save_property_bag(b.o, [](void *, const char16_t *, const scanix_variant *) { return -7; }, nullptr, 1), -7);
}

TEST(ScanixPersist, StorageWithContentsStream) {
  char tmpl[] = "/tmp/scanix_storage_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string dir = std::string(tmpl) + "/control.stg";
  Ctl a;
  a.setFS(".");
  ASSERT_EQ(scanix_save_storage(a.o, dir.c_str(), 1), 0);
  std::ifstream in(dir + "/Contents", std::ios::binary);
  std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(contents.size(), 50u);
  EXPECT_EQ(contents, saveStream(a.o));
  Ctl b;
  ASSERT_EQ(scanix_load_storage(b.o, dir.c_str()), 0);
  EXPECT_EQ(b.text(SCANIX_DISPID_FS), ".");
  EXPECT_EQ(scanix_load_storage(b.o, (std::string(tmpl) + "/missing").c_str()), SCANIX_E_IO);
  std::string file = std::string(tmpl) + "/plainfile";
  std::ofstream(file) << "x";
  EXPECT_EQ(scanix_save_storage(a.o, file.c_str(), 1), SCANIX_E_IO);
  unlink((dir + "/Contents").c_str());

  // Anything but a regular file named Contents is refused at once, the control unchanged:
  // a FIFO without a writer would otherwise block the load forever.
  ASSERT_EQ(mkfifo((dir + "/Contents").c_str(), 0600), 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(scanix_load_storage(b.o, dir.c_str()), SCANIX_E_IO);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(b.text(SCANIX_DISPID_FS), ".");
  unlink((dir + "/Contents").c_str());
  ASSERT_EQ(mkdir((dir + "/Contents").c_str(), 0700), 0);
  EXPECT_EQ(scanix_load_storage(b.o, dir.c_str()), SCANIX_E_IO);
  rmdir((dir + "/Contents").c_str());
  rmdir(dir.c_str());
  unlink(file.c_str());
  rmdir(tmpl);
}
