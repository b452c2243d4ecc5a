/* scanix.h is self-contained C: this file is compiled as C11 and runs a minimal session. */
#include "scanix.h"

#include <stdio.h>

int main(void) {
  scanix *o = NULL;
  if (scanix_create("ScanixLibCtl.Scanix", &o) != SCANIX_OK) return 1;
  static char16_t fs[] = {'.', 0};
  static char16_t line[] = {'R', '.', 'S', 'C', 'O', 'T', 'T', '.', 'E', 0};
  scanix_variant v;
  v.vt = SCANIX_VT_TEXT;
  v.u.bstr = fs;
  if (scanix_invoke(o, SCANIX_DISPID_FS, SCANIX_DISPATCH_PROPERTYPUT, &v, 1, NULL)) return 2;
  v.u.bstr = line;
  if (scanix_invoke(o, SCANIX_DISPID_L, SCANIX_DISPATCH_PROPERTYPUT, &v, 1, NULL)) return 3;
  scanix_variant idx, res;
  idx.vt = SCANIX_VT_I2;
  idx.u.i2 = 2;
  if (scanix_invoke(o, SCANIX_DISPID_F, SCANIX_DISPATCH_PROPERTYGET, &idx, 1, &res)) return 4;
  if (res.vt != SCANIX_VT_TEXT || scanix_text_length(res.u.bstr) != 5 || res.u.bstr[0] != 'S') return 5;
  scanix_variant_clear(&res);
  scanix_release(o);
  puts("1 passed, 0 failed");
  return 0;
}
