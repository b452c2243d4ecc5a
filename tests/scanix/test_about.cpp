// The AboutBox through the Qt plugin, off-screen: a real modal box, geometry and title font.
#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "scanix.h"

TEST(ScanixAbout, ModalBoxThroughThePlugin) {
  setenv("SCANIX_ABOUT_AUTOCLOSE_MS", "50", 1);
  std::string dir = scanix_module_path();
  dir = dir.substr(0, dir.find_last_of('/'));
  std::string plugin = dir + "/libscanix_about.so";
  void *h = dlopen(plugin.c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_EQ(h, nullptr);  // not loaded until the box is asked for

  scanix *o = nullptr;
  ASSERT_EQ(scanix_create("ScanixLibCtl.Scanix", &o), 0);
  ASSERT_EQ(scanix_invoke(o, SCANIX_DISPID_ABOUTBOX, SCANIX_DISPATCH_METHOD, nullptr, 0, nullptr), 0);
  scanix_release(o);

  h = dlopen(plugin.c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(h, nullptr) << "the plugin was not loaded";
  using LastFn = void (*)(int *, int *, int *, const char **);
  auto last = reinterpret_cast<LastFn>(dlsym(h, "scanix_about_last"));
  ASSERT_NE(last, nullptr);
  int g[8], px = 0, weight = 0;
  const char *family = nullptr;
  last(g, &px, &weight, &family);
  EXPECT_EQ(px, 28);
  EXPECT_EQ(weight, 700);
  EXPECT_STREQ(family, "Times New Roman");
  ASSERT_GT(g[2], 0);
  ASSERT_GT(g[6], 0);
  // centred horizontally, at a third of the free screen height
  EXPECT_NEAR(g[0], g[4] + (g[6] - g[2]) / 2, 1);
  EXPECT_NEAR(g[1], g[5] + (g[7] - g[3]) / 3, 1);
}
